#pragma once

#include "platform/CairoGuard.h"
#include "platform/Error.h"
#include "platform/Geometry.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// A bitmap picture: a cairo ARGB32 image surface (premultiplied alpha), its size in pixels and the
// size in points at which it is shown. Pictures are decoded by the gdk-pixbuf loaders, so every
// common image type reads; they are written as PNG by cairo. A null image has no surface.
class Image {
public:
    // cairo's image surfaces cannot be wider or higher than this.
    static constexpr int MaxSide = 32767;
    // Decoding stops before a picture larger than this is allocated, so that a few bytes of header
    // can never ask for gigabytes.
    static constexpr int64_t MaxPixelCount = 100'000'000;
    // The most a picture's file may hold to be read: more than a picture within the limits above
    // takes stored uncompressed, and as much as one entry of a container may unpack to.
    static constexpr uint64_t MaxFileSize = uint64_t(512) << 20;

    Image() = default;
    // A transparent picture of that many pixels, shown at one point a pixel; null when a side is
    // below 1 or the picture is larger than the limits above.
    Image(int pixelWidth, int pixelHeight);
    Image(Image&& other) noexcept;
    Image& operator=(Image&& other) noexcept;
    Image(const Image&) = delete;
    Image& operator=(const Image&) = delete;

    // Null for data that no loader recognises, that is truncated or corrupt, or whose picture has
    // no pixels or exceeds the limits. A picture that states its resolution is shown at that
    // resolution (72 dots per inch being one point a pixel); others at one point a pixel.
    static Image fromData(const uint8_t* bytes, size_t length);
    static Image fromData(const std::vector<uint8_t>& data) { return fromData(data.data(), data.size()); }
    // As above, but a picture whose longer side exceeds maxSide pixels is reduced to it while it is
    // decoded, so that the full picture is never kept (loaders that decode at a reduced scale, like
    // JPEG's, never even allocate it). The declared size stays known as sourcePixelSize(). A
    // maxSide below 1 reduces nothing.
    static Image fromData(const uint8_t* bytes, size_t length, int maxSide);
    static Image fromData(const std::vector<uint8_t>& data, int maxSide)
    {
        return fromData(data.data(), data.size(), maxSide);
    }
    // Only regular files are read.
    static Image fromFile(const std::string& path);
    static Image fromFile(const std::string& path, int maxSide);
    // The application image resource of that name: "images/<name>.png" in the resources folder.
    // Null for a missing resource and for a name that is not a plain file name.
    static Image fromResource(const std::string& name);

    bool isNull() const { return _surface == nullptr; }
    int pixelWidth() const { return _pixelWidth; }
    int pixelHeight() const { return _pixelHeight; }
    Size pixelSize() const { return {double(_pixelWidth), double(_pixelHeight)}; }
    // The pixel size the picture's data declared: larger than pixelSize() when it was reduced at
    // decoding, else the same.
    Size sourcePixelSize() const { return _sourcePixelSize.width > 0 ? _sourcePixelSize : pixelSize(); }
    // The size in points.
    Size size() const { return _size; }
    void setSize(Size size) { _size = size; }
    // Owned by the image; valid while it lives. Null for a null image.
    cairo_surface_t* surface() const { return _surface.get(); }

    // The whole picture drawn into a new one of that pixel size (composite "source over", opacity
    // 1), shown at one point a pixel. Null when this one is null or the size is not a valid one.
    Image scaledTo(int pixelWidth, int pixelHeight) const;

    // The file name extensions (lower case, without the dot) and the media types of the pictures
    // the loaders read.
    static std::vector<std::string> readableFileExtensions();
    static std::vector<std::string> readableMediaTypes();
    // The path's extension, in any case, is one of readableFileExtensions().
    static bool isReadableFileType(const std::string& path);

    // The picture as PNG data; empty for a null image or when encoding fails.
    std::optional<std::vector<uint8_t>> pngData() const;
    // Writes the PNG data atomically.
    bool writePng(const std::string& path, Error* error = nullptr) const;

private:
    CairoSurface _surface;
    int _pixelWidth = 0;
    int _pixelHeight = 0;
    Size _size;
    Size _sourcePixelSize;
};
