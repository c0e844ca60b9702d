#include "ImageTestSupport.h"

#include <gdk-pixbuf/gdk-pixbuf.h>

#include "platform/CairoGuard.h"

#include <stdexcept>

Image solidImage(int width, int height, double red, double green, double blue)
{
    Image image(width, height);
    if (image.isNull()) throw std::runtime_error("no such image");
    const CairoContext cr(cairo_create(image.surface()));
    cairo_set_source_rgb(cr.get(), red, green, blue);
    cairo_paint(cr.get());
    cairo_surface_flush(image.surface());
    return image;
}

std::vector<uint8_t> pngBytes(int width, int height, double red, double green, double blue)
{
    return *solidImage(width, height, red, green, blue).pngData();
}

std::vector<uint8_t> encodedImage(int width, int height, const char* type)
{
    GdkPixbuf* pixbuf = gdk_pixbuf_new(GDK_COLORSPACE_RGB, FALSE, 8, width, height);
    gdk_pixbuf_fill(pixbuf, 0x3366ccff);
    gchar* buffer = nullptr;
    gsize size = 0;
    const bool saved = gdk_pixbuf_save_to_buffer(pixbuf, &buffer, &size, type, nullptr, nullptr);
    g_object_unref(pixbuf);
    if (!saved) throw std::runtime_error(std::string("cannot encode ") + type);
    std::vector<uint8_t> data(buffer, buffer + size);
    g_free(buffer);
    return data;
}

namespace {

uint32_t crc32(const uint8_t* bytes, size_t length)
{
    uint32_t crc = 0xFFFFFFFF;
    for (size_t i = 0; i < length; ++i) {
        crc ^= bytes[i];
        for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ (0xEDB88320 & (0 - (crc & 1)));
    }
    return ~crc;
}

void appendBigEndian(std::vector<uint8_t>& out, uint32_t value)
{
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(uint8_t(value >> shift));
}

} // namespace

std::vector<uint8_t> pngHeaderOnly(uint32_t width, uint32_t height)
{
    std::vector<uint8_t> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    std::vector<uint8_t> chunk = {'I', 'H', 'D', 'R'};
    appendBigEndian(chunk, width);
    appendBigEndian(chunk, height);
    // 8 bits, RGBA, deflate, adaptive filter, no interlace.
    chunk.insert(chunk.end(), {8, 6, 0, 0, 0});
    appendBigEndian(png, 13);
    png.insert(png.end(), chunk.begin(), chunk.end());
    appendBigEndian(png, crc32(chunk.data(), chunk.size()));
    return png;
}

std::pair<int, int> pictureFileSize(const std::string& path)
{
    const Image image = Image::fromFile(path);
    return {image.pixelWidth(), image.pixelHeight()};
}
