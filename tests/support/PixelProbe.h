#pragma once

#include <cairo.h>

#include <cstdint>
#include <cstring>
#include <ostream>

// One pixel of an ARGB32 image surface, as 0..255 components (premultiplied, as cairo keeps
// them; opaque pixels read as their colour).
struct Rgb {
    int r, g, b;
    friend bool operator==(const Rgb&, const Rgb&) = default;
    friend std::ostream& operator<<(std::ostream& out, const Rgb& c)
    {
        return out << "rgb(" << c.r << ", " << c.g << ", " << c.b << ")";
    }
};

inline Rgb pixelAt(cairo_surface_t* surface, int x, int y)
{
    cairo_surface_flush(surface);
    const unsigned char* row = cairo_image_surface_get_data(surface) + y * cairo_image_surface_get_stride(surface);
    uint32_t pixel;
    std::memcpy(&pixel, row + 4 * x, 4);
    return {int(pixel >> 16 & 0xff), int(pixel >> 8 & 0xff), int(pixel & 0xff)};
}
