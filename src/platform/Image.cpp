#include "platform/Image.h"

#include "platform/CairoGuard.h"
#include "platform/FileUtils.h"
#include "platform/Folders.h"

#include <gdk-pixbuf/gdk-pixbuf.h>

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstring>
#include <utility>

namespace {

bool sizeAllowed(int64_t width, int64_t height)
{
    return width >= 1 && height >= 1 && width <= Image::MaxSide && height <= Image::MaxSide &&
        width * height <= Image::MaxPixelCount;
}

// What a decoding learns from the loader's signals.
struct Decoding {
    // The longest side the caller keeps; 0 for any.
    int maxSide = 0;
    int declaredWidth = 0;
    int declaredHeight = 0;
    // The size the caller gets when the picture is reduced; 0 x 0 when it is not.
    int reducedWidth = 0;
    int reducedHeight = 0;
    // The loader decodes at the reduced size itself (JPEG's scaled decoding) and then reports
    // its rows only once, all together.
    bool reducedByLoader = false;
    bool refused = false;
    // Which rows of the picture the loader has filled: loaders accept a truncated picture
    // silently and leave the missing rows blank.
    std::vector<bool> rowsFilled;
};

bool isJpegLoader(GdkPixbufLoader* loader)
{
    GdkPixbufFormat* format = gdk_pixbuf_loader_get_format(loader);
    if (!format) return false;
    gchar* name = gdk_pixbuf_format_get_name(format);
    const bool jpeg = name && std::strcmp(name, "jpeg") == 0;
    g_free(name);
    return jpeg;
}

// A JPEG is whole when its last scan is followed by the end-of-image marker. (A thumbnail inside
// its header has its own scan and end marker, but both come before the picture's last scan.)
bool jpegComplete(const uint8_t* bytes, size_t length)
{
    const auto findLast = [&](uint8_t marker, size_t from) {
        size_t found = std::string::npos;
        for (size_t i = from; i + 1 < length; ++i)
            if (bytes[i] == 0xFF && bytes[i + 1] == marker) found = i;
        return found;
    };
    const size_t scan = findLast(0xDA, 0);
    return scan != std::string::npos && findLast(0xD9, scan + 2) != std::string::npos;
}

// Called by the loader as soon as the picture's size is known and before its pixels are
// allocated; a size of 0 x 0 tells the loader to stop.
void sizePrepared(GdkPixbufLoader* loader, int width, int height, gpointer data)
{
    auto* decoding = static_cast<Decoding*>(data);
    if (!sizeAllowed(width, height)) {
        decoding->refused = true;
        gdk_pixbuf_loader_set_size(loader, 0, 0);
        return;
    }
    decoding->declaredWidth = width;
    decoding->declaredHeight = height;
    const int longer = std::max(width, height);
    if (decoding->maxSide > 0 && longer > decoding->maxSide) {
        const double scale = double(decoding->maxSide) / longer;
        decoding->reducedWidth = std::max(1, int(std::lround(width * scale)));
        decoding->reducedHeight = std::max(1, int(std::lround(height * scale)));
        // Only the JPEG loader decodes at a reduced size; the others would decode the whole
        // picture anyway and then hide which rows they filled, so those are reduced afterwards.
        if (isJpegLoader(loader)) {
            decoding->reducedByLoader = true;
            gdk_pixbuf_loader_set_size(loader, decoding->reducedWidth, decoding->reducedHeight);
            height = decoding->reducedHeight;
        }
    }
    decoding->rowsFilled.assign(size_t(height), false);
}

void areaUpdated(GdkPixbufLoader*, int, int y, int, int height, gpointer data)
{
    auto& rows = static_cast<Decoding*>(data)->rowsFilled;
    const int64_t from = std::max<int64_t>(y, 0);
    const int64_t to = std::min<int64_t>(int64_t(y) + height, int64_t(rows.size()));
    for (int64_t row = from; row < to; ++row) rows[size_t(row)] = true;
}

// The resolution a picture states for one axis, in dots per inch; 0 when it states none.
double statedResolution(GdkPixbuf* pixbuf, const char* option)
{
    const char* text = gdk_pixbuf_get_option(pixbuf, option);
    if (!text) return 0;
    int dpi = 0;
    const char* end = text + std::strlen(text);
    const auto [next, ec] = std::from_chars(text, end, dpi);
    if (ec != std::errc() || next != end || dpi < 1 || dpi > 100000) return 0;
    return dpi;
}

cairo_status_t appendToVector(void* closure, const unsigned char* data, unsigned int length)
{
    auto* out = static_cast<std::vector<uint8_t>*>(closure);
    out->insert(out->end(), data, data + length);
    return CAIRO_STATUS_SUCCESS;
}

bool isPlainFileName(const std::string& name)
{
    return !name.empty() && name[0] != '.' && name.find('/') == std::string::npos &&
        name.find('\0') == std::string::npos;
}

} // namespace

Image::Image(int pixelWidth, int pixelHeight)
{
    if (!sizeAllowed(pixelWidth, pixelHeight)) return;
    CairoSurface created(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, pixelWidth, pixelHeight));
    if (cairo_surface_status(created.get()) != CAIRO_STATUS_SUCCESS) return;
    _surface = std::move(created);
    _pixelWidth = pixelWidth;
    _pixelHeight = pixelHeight;
    _size = {double(pixelWidth), double(pixelHeight)};
}

Image::Image(Image&& other) noexcept
    : _surface(std::move(other._surface)),
      _pixelWidth(std::exchange(other._pixelWidth, 0)),
      _pixelHeight(std::exchange(other._pixelHeight, 0)),
      _size(std::exchange(other._size, Size())),
      _sourcePixelSize(std::exchange(other._sourcePixelSize, Size()))
{
}

Image& Image::operator=(Image&& other) noexcept
{
    if (this != &other) {
        _surface = std::move(other._surface);
        _pixelWidth = std::exchange(other._pixelWidth, 0);
        _pixelHeight = std::exchange(other._pixelHeight, 0);
        _size = std::exchange(other._size, Size());
        _sourcePixelSize = std::exchange(other._sourcePixelSize, Size());
    }
    return *this;
}

Image Image::fromData(const uint8_t* bytes, size_t length)
{
    return fromData(bytes, length, 0);
}

Image Image::fromData(const uint8_t* bytes, size_t length, int maxSide)
{
    if (!bytes || length == 0) return {};

    GdkPixbufLoader* loader = gdk_pixbuf_loader_new();
    Decoding decoding;
    decoding.maxSide = std::max(0, maxSide);
    g_signal_connect(loader, "size-prepared", G_CALLBACK(sizePrepared), &decoding);
    g_signal_connect(loader, "area-updated", G_CALLBACK(areaUpdated), &decoding);
    // Both steps must run: a loader has to be closed before it goes, even after a failed write.
    const bool written = gdk_pixbuf_loader_write(loader, bytes, length, nullptr);
    const bool closed = gdk_pixbuf_loader_close(loader, nullptr);

    Image image;
    GdkPixbuf* decoded = gdk_pixbuf_loader_get_pixbuf(loader);
    const bool complete =
        std::all_of(decoding.rowsFilled.begin(), decoding.rowsFilled.end(), [](bool filled) { return filled; }) &&
        (!decoding.reducedByLoader || jpegComplete(bytes, length));
    const bool usable = written && closed && !decoding.refused && complete && decoded &&
        size_t(gdk_pixbuf_get_height(decoded)) == decoding.rowsFilled.size() &&
        gdk_pixbuf_get_colorspace(decoded) == GDK_COLORSPACE_RGB && gdk_pixbuf_get_bits_per_sample(decoded) == 8 &&
        (gdk_pixbuf_get_n_channels(decoded) == 3 || gdk_pixbuf_get_n_channels(decoded) == 4);
    GdkPixbuf* reduced = nullptr;
    if (usable && decoding.reducedWidth > 0 && !decoding.reducedByLoader)
        reduced = gdk_pixbuf_scale_simple(decoded, decoding.reducedWidth, decoding.reducedHeight, GDK_INTERP_BILINEAR);
    GdkPixbuf* pixbuf = reduced ? reduced : decoded;
    if (usable && (reduced || decoding.reducedWidth == 0 || decoding.reducedByLoader))
        image = Image(gdk_pixbuf_get_width(pixbuf), gdk_pixbuf_get_height(pixbuf));

    if (!image.isNull()) {
        const int channels = gdk_pixbuf_get_n_channels(pixbuf);
        const bool hasAlpha = channels == 4;
        const int sourceStride = gdk_pixbuf_get_rowstride(pixbuf);
        const guchar* source = gdk_pixbuf_read_pixels(pixbuf);
        cairo_surface_flush(image.surface());
        unsigned char* target = cairo_image_surface_get_data(image.surface());
        const int targetStride = cairo_image_surface_get_stride(image.surface());
        for (int y = 0; y < image._pixelHeight; ++y) {
            const guchar* in = source + size_t(y) * sourceStride;
            auto* out = reinterpret_cast<uint32_t*>(target + size_t(y) * targetStride);
            for (int x = 0; x < image._pixelWidth; ++x, in += channels) {
                const uint32_t alpha = hasAlpha ? in[3] : 255;
                // cairo keeps colours premultiplied by their alpha.
                const auto premultiplied = [alpha](uint32_t c) { return (c * alpha + 127) / 255; };
                out[x] =
                    (alpha << 24) | (premultiplied(in[0]) << 16) | (premultiplied(in[1]) << 8) | premultiplied(in[2]);
            }
        }
        cairo_surface_mark_dirty(image.surface());

        const double xDpi = statedResolution(decoded, "x-dpi");
        const double yDpi = statedResolution(decoded, "y-dpi");
        if (xDpi > 0 && yDpi > 0) image._size = {image._pixelWidth * 72.0 / xDpi, image._pixelHeight * 72.0 / yDpi};
        if (decoding.declaredWidth != image._pixelWidth || decoding.declaredHeight != image._pixelHeight) {
            image._sourcePixelSize = {double(decoding.declaredWidth), double(decoding.declaredHeight)};
        }
    }
    if (reduced) g_object_unref(reduced);
    g_object_unref(loader);
    return image;
}

Image Image::fromFile(const std::string& path)
{
    return fromFile(path, 0);
}

Image Image::fromFile(const std::string& path, int maxSide)
{
    const std::optional<std::vector<uint8_t>> data = readFileData(path, MaxFileSize);
    if (!data) return {};
    return fromData(*data, maxSide);
}

std::vector<std::string> Image::readableFileExtensions()
{
    std::vector<std::string> extensions;
    GSList* formats = gdk_pixbuf_get_formats();
    for (GSList* format = formats; format; format = format->next) {
        auto* info = static_cast<GdkPixbufFormat*>(format->data);
        if (gdk_pixbuf_format_is_disabled(info)) continue;
        gchar** names = gdk_pixbuf_format_get_extensions(info);
        for (gchar** name = names; name && *name; ++name) {
            std::string extension = *name;
            std::transform(extension.begin(), extension.end(), extension.begin(),
                           [](unsigned char c) { return char(std::tolower(c)); });
            if (std::find(extensions.begin(), extensions.end(), extension) == extensions.end())
                extensions.push_back(std::move(extension));
        }
        g_strfreev(names);
    }
    g_slist_free(formats);
    return extensions;
}

std::vector<std::string> Image::readableMediaTypes()
{
    std::vector<std::string> types;
    GSList* formats = gdk_pixbuf_get_formats();
    for (GSList* format = formats; format; format = format->next) {
        auto* info = static_cast<GdkPixbufFormat*>(format->data);
        if (gdk_pixbuf_format_is_disabled(info)) continue;
        gchar** names = gdk_pixbuf_format_get_mime_types(info);
        for (gchar** name = names; name && *name; ++name) {
            if (std::find(types.begin(), types.end(), *name) == types.end()) types.emplace_back(*name);
        }
        g_strfreev(names);
    }
    g_slist_free(formats);
    return types;
}

bool Image::isReadableFileType(const std::string& path)
{
    const size_t dot = path.rfind('.');
    const size_t slash = path.rfind('/');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash) || dot + 1 == path.size()) return false;
    std::string extension = path.substr(dot + 1);
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return char(std::tolower(c)); });
    static const std::vector<std::string> readable = readableFileExtensions();
    return std::find(readable.begin(), readable.end(), extension) != readable.end();
}

Image Image::fromResource(const std::string& name)
{
    if (!isPlainFileName(name)) return {};
    return fromFile(Folders::resourcePath("images/" + name + ".png"));
}

Image Image::scaledTo(int pixelWidth, int pixelHeight) const
{
    if (isNull()) return {};
    Image scaled(pixelWidth, pixelHeight);
    if (scaled.isNull()) return {};
    {
        const CairoContext context(cairo_create(scaled.surface()));
        cairo_t* cr = context.get();
        cairo_scale(cr, double(pixelWidth) / _pixelWidth, double(pixelHeight) / _pixelHeight);
        cairo_set_source_surface(cr, surface(), 0, 0);
        cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_GOOD);
        // Without it the filter would blend the border pixels with the transparency outside.
        cairo_pattern_set_extend(cairo_get_source(cr), CAIRO_EXTEND_PAD);
        cairo_set_operator(cr, CAIRO_OPERATOR_OVER);
        cairo_paint(cr);
        if (cairo_status(cr) != CAIRO_STATUS_SUCCESS) return {};
    }
    cairo_surface_flush(scaled.surface());
    return scaled;
}

std::optional<std::vector<uint8_t>> Image::pngData() const
{
    if (isNull()) return std::nullopt;
    std::vector<uint8_t> data;
    if (cairo_surface_write_to_png_stream(surface(), appendToVector, &data) != CAIRO_STATUS_SUCCESS)
        return std::nullopt;
    return data;
}

bool Image::writePng(const std::string& path, Error* error) const
{
    const std::optional<std::vector<uint8_t>> data = pngData();
    if (!data) {
        Error failure;
        failure.domain = PlatformErrorDomain;
        failure.code = 1;
        failure.failureReason = "The picture could not be encoded as PNG.";
        return setError(error, failure);
    }
    return writeFileAtomically(path, *data, error);
}
