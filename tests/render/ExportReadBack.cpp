#include "ExportReadBack.h"

#include "support/TempDir.h"

#include <png.h>
#include <poppler.h>
#include <tiffio.h>

ReadBackPixel ReadBackPicture::at(int64_t x, int64_t y) const
{
    const uint32_t p = rgba[size_t(y * width + x)];
    return {int(TIFFGetR(p)), int(TIFFGetG(p)), int(TIFFGetB(p)), int(TIFFGetA(p))};
}

std::optional<ReadBackPicture> readPng(const std::vector<uint8_t>& data)
{
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&image, data.data(), data.size())) return std::nullopt;
    const bool storesAlpha = image.format & PNG_FORMAT_FLAG_ALPHA;
    image.format = PNG_FORMAT_RGBA;
    ReadBackPicture picture{image.width, image.height, std::vector<uint32_t>(size_t(image.width) * image.height)};
    picture.storesAlpha = storesAlpha;
    if (!png_image_finish_read(&image, nullptr, picture.rgba.data(), 0, nullptr)) return std::nullopt;
    return picture;
}

std::optional<ReadBackPicture> readTiff(const std::vector<uint8_t>& data)
{
    TempDir dir;
    writeTestFile(dir.file("x.tiff"), std::string(data.begin(), data.end()));
    TIFF* tiff = TIFFOpen(dir.file("x.tiff").c_str(), "r");
    if (!tiff) return std::nullopt;
    uint32_t width = 0, height = 0;
    uint16_t count = 0, *kinds = nullptr;
    TIFFGetField(tiff, TIFFTAG_IMAGEWIDTH, &width);
    TIFFGetField(tiff, TIFFTAG_IMAGELENGTH, &height);
    ReadBackPicture picture{width, height, std::vector<uint32_t>(size_t(width) * height)};
    picture.associatedAlpha =
        TIFFGetField(tiff, TIFFTAG_EXTRASAMPLES, &count, &kinds) && count == 1 && kinds[0] == EXTRASAMPLE_ASSOCALPHA;
    const bool read = TIFFReadRGBAImageOriented(tiff, width, height, picture.rgba.data(), ORIENTATION_TOPLEFT, 0);
    TIFFClose(tiff);
    return read ? std::optional(picture) : std::nullopt;
}

std::optional<std::vector<ReadBackPdfPage>> readPdf(const std::vector<uint8_t>& data)
{
    GBytes* bytes = g_bytes_new(data.data(), data.size());
    PopplerDocument* document = poppler_document_new_from_bytes(bytes, nullptr, nullptr);
    g_bytes_unref(bytes);
    if (!document) return std::nullopt;
    std::vector<ReadBackPdfPage> pages(size_t(poppler_document_get_n_pages(document)));
    PopplerFontInfo* fonts = poppler_font_info_new(document);
    for (size_t i = 0; i < pages.size(); ++i) {
        PopplerPage* page = poppler_document_get_page(document, int(i));
        poppler_page_get_size(page, &pages[i].width, &pages[i].height);
        GList* links = poppler_page_get_link_mapping(page);
        for (GList* item = links; item; item = item->next) {
            const PopplerAction* action = static_cast<PopplerLinkMapping*>(item->data)->action;
            if (action && action->type == POPPLER_ACTION_URI) pages[i].uris.emplace_back(action->uri.uri);
        }
        poppler_page_free_link_mapping(links);
        g_object_unref(page);
        PopplerFontsIter* font = nullptr;
        if (poppler_font_info_scan(fonts, 1, &font) && font) {
            do {
                const char* name = poppler_fonts_iter_get_name(font);
                pages[i].fonts.append(name ? name : "").append(" ");
            } while (poppler_fonts_iter_next(font));
            poppler_fonts_iter_free(font);
        }
    }
    g_object_unref(fonts);
    g_object_unref(document);
    return pages;
}
