#include "ExportReadBack.h"

#include <cairo.h>
#include <glib.h>
#include <png.h>
#include <poppler.h>
#include <tiffio.h>

#include <cstdio>
#include <cstring>
#include <memory>

namespace {

struct GObjectRelease {
    void operator()(gpointer object) const { g_object_unref(object); }
};

PopplerDocument* openPdf(const std::vector<uint8_t>& data)
{
    GBytes* bytes = g_bytes_new(data.data(), data.size());
    PopplerDocument* document = poppler_document_new_from_bytes(bytes, nullptr, nullptr);
    g_bytes_unref(bytes);
    return document;
}

} // namespace

ReadBackPixel ReadBackPicture::at(int64_t x, int64_t y) const
{
    const uint8_t* p = rgba.data() + (y * width + x) * 4;
    return {p[0], p[1], p[2], p[3]};
}

std::optional<ReadBackPicture> readPng(const std::vector<uint8_t>& data)
{
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&image, data.data(), data.size())) return std::nullopt;
    image.format = PNG_FORMAT_RGBA;
    ReadBackPicture picture{image.width, image.height, std::vector<uint8_t>(PNG_IMAGE_SIZE(image))};
    if (!png_image_finish_read(&image, nullptr, picture.rgba.data(), 0, nullptr)) return std::nullopt;
    return picture;
}

std::optional<ReadBackPicture> readTiff(const std::vector<uint8_t>& data, bool* associatedAlpha)
{
    char path[] = "/tmp/tarnwick-tiff-XXXXXX";
    const int fd = mkstemp(path);
    if (fd < 0) return std::nullopt;
    FILE* file = fdopen(fd, "wb");
    std::fwrite(data.data(), 1, data.size(), file);
    std::fclose(file);
    std::unique_ptr<TIFF, void (*)(TIFF*)> tiff(TIFFOpen(path, "r"), TIFFClose);
    std::remove(path);
    if (!tiff) return std::nullopt;
    uint32_t width = 0, height = 0;
    TIFFGetField(tiff.get(), TIFFTAG_IMAGEWIDTH, &width);
    TIFFGetField(tiff.get(), TIFFTAG_IMAGELENGTH, &height);
    uint16_t count = 0;
    uint16_t* kinds = nullptr;
    if (associatedAlpha)
        *associatedAlpha = TIFFGetField(tiff.get(), TIFFTAG_EXTRASAMPLES, &count, &kinds) && count == 1 &&
            kinds[0] == EXTRASAMPLE_ASSOCALPHA;
    std::vector<uint32_t> raster(size_t(width) * height);
    if (!TIFFReadRGBAImageOriented(tiff.get(), width, height, raster.data(), ORIENTATION_TOPLEFT, 0))
        return std::nullopt;
    ReadBackPicture picture{width, height, std::vector<uint8_t>(raster.size() * 4)};
    for (size_t i = 0; i < raster.size(); ++i) {
        picture.rgba[4 * i] = uint8_t(TIFFGetR(raster[i]));
        picture.rgba[4 * i + 1] = uint8_t(TIFFGetG(raster[i]));
        picture.rgba[4 * i + 2] = uint8_t(TIFFGetB(raster[i]));
        picture.rgba[4 * i + 3] = uint8_t(TIFFGetA(raster[i]));
    }
    return picture;
}

std::optional<std::vector<ReadBackPdfPage>> readPdf(const std::vector<uint8_t>& data)
{
    std::unique_ptr<PopplerDocument, GObjectRelease> document(openPdf(data));
    if (!document) return std::nullopt;
    std::vector<ReadBackPdfPage> pages;
    for (int i = 0; i < poppler_document_get_n_pages(document.get()); ++i) {
        std::unique_ptr<PopplerPage, GObjectRelease> page(poppler_document_get_page(document.get(), i));
        ReadBackPdfPage read;
        poppler_page_get_size(page.get(), &read.width, &read.height);
        GList* links = poppler_page_get_link_mapping(page.get());
        for (GList* item = links; item; item = item->next) {
            const auto* mapping = static_cast<PopplerLinkMapping*>(item->data);
            if (mapping->action && mapping->action->type == POPPLER_ACTION_URI)
                read.uris.emplace_back(mapping->action->uri.uri ? mapping->action->uri.uri : "");
        }
        poppler_page_free_link_mapping(links);
        pages.push_back(read);
    }
    return pages;
}

std::optional<ReadBackPicture> renderPdfPage(const std::vector<uint8_t>& data, int pageIndex)
{
    std::unique_ptr<PopplerDocument, GObjectRelease> document(openPdf(data));
    if (!document) return std::nullopt;
    std::unique_ptr<PopplerPage, GObjectRelease> page(poppler_document_get_page(document.get(), pageIndex));
    if (!page) return std::nullopt;
    double width = 0, height = 0;
    poppler_page_get_size(page.get(), &width, &height);
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, int(width + 0.5), int(height + 0.5));
    cairo_t* cr = cairo_create(surface);
    poppler_page_render(page.get(), cr);
    cairo_destroy(cr);
    cairo_surface_flush(surface);
    ReadBackPicture picture{cairo_image_surface_get_width(surface), cairo_image_surface_get_height(surface), {}};
    picture.rgba.resize(size_t(picture.width * picture.height * 4));
    for (int64_t y = 0; y < picture.height; ++y)
        for (int64_t x = 0; x < picture.width; ++x) {
            uint32_t pixel;
            std::memcpy(&pixel,
                        cairo_image_surface_get_data(surface) + y * cairo_image_surface_get_stride(surface) + 4 * x, 4);
            uint8_t* out = picture.rgba.data() + (y * picture.width + x) * 4;
            out[0] = uint8_t(pixel >> 16), out[1] = uint8_t(pixel >> 8), out[2] = uint8_t(pixel),
            out[3] = uint8_t(pixel >> 24);
        }
    cairo_surface_destroy(surface);
    return picture;
}
