#pragma once

#include "platform/Geometry.h"

#include <cstdint>

class Image;

// The choices for a large picture: embed a reduced copy (optionally with a larger full-size one),
// link to its file, or upload it into the current cloud storage and link to that.
class ImageLinkData {
public:
    enum Option : uint32_t {
        // The open map is a local one.
        LocalMindMap = 1,
        // A cloud link is given (the picture came from the cloud map's storage).
        CloudLinkGiven = 2,
        // The picture has a file.
        HasFilePath = 4,
        // That file is not a portable picture (PNG or JPEG).
        NotPortableFile = 8,
    };
    enum LinkMode : int32_t {
        Embed = 0,
        LinkToFile = 1,
        UploadToCloud = 2,
    };
    // An upload size that keeps the picture's own size.
    static constexpr int64_t OriginalSize = 16777215;

    ImageLinkData(const Image* image, uint32_t options, Size sourceSize)
        : _image(image), _options(options), _sourceSize(sourceSize)
    {
    }

    // Not owned: the picture the caller holds while the choice is made.
    const Image* image() const { return _image; }
    uint32_t options() const { return _options; }
    void setOptions(uint32_t options) { _options = options; }
    Size sourceSize() const { return _sourceSize; }
    int32_t linkMode() const { return _linkMode; }
    void setLinkMode(int32_t linkMode) { _linkMode = linkMode; }
    int64_t thumbnailSize() const { return _thumbnailSize; }
    void setThumbnailSize(int64_t size) { _thumbnailSize = size; }
    int64_t uploadSize() const { return _uploadSize; }
    void setUploadSize(int64_t size) { _uploadSize = size; }
    bool convertToPng() const { return _convertToPng; }
    void setConvertToPng(bool convert) { _convertToPng = convert; }

private:
    const Image* _image = nullptr;
    uint32_t _options = 0;
    Size _sourceSize;
    int32_t _linkMode = Embed;
    int64_t _thumbnailSize = 0;
    int64_t _uploadSize = 0;
    bool _convertToPng = false;
};

// The image-link panel: asks the user how a large picture is to be added. The panel itself comes
// with the application's panels, which install it here; until one is installed the picture is
// embedded with the image settings' thumbnail and size limit, as a plain local add would be.
class ImageLinkPanel {
public:
    virtual ~ImageLinkPanel() = default;

    // Runs modally; true when confirmed, with the choices written into the data. A panel that is
    // closed leaves the data as it was.
    virtual bool run(ImageLinkData& data) = 0;

    // Through the installed panel.
    static bool executeWithImageLinkData(ImageLinkData& data);
    // Installs the panel (not owned); nullptr brings back the default one.
    static void setShared(ImageLinkPanel* panel);
};
