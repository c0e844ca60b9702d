#pragma once

#include "platform/Color.h"
#include "platform/Geometry.h"
#include "platform/Image.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// What a drop onto the canvas does to what was dragged, by the values the editor's rules use.
// Move is never chosen: the source keeps what it offered.
enum DragOperation : uint32_t {
    DragOperationNone = 0,
    DragOperationCopy = 1,
    DragOperationLink = 2,
    DragOperationMove = 16,
};

// What a drag over the canvas offers. While the drag runs only the kinds are known (from the
// types the source offers); the data come at the drop, and every datum is read here, from bytes
// another program sent: nothing of it is trusted.
class DraggingInfo {
public:
    // The path of an image file of the current cloud storage, written by the cloud file lists;
    // taken only from drags that began in this program.
    static constexpr const char* CloudImageType = "com.orrinworks.tarnwickpro.cloudimage";
    // Four 16-bit channels, red, green, blue and alpha, in the machine's byte order.
    static constexpr const char* ColorType = "application/x-color";
    static constexpr const char* UriListType = "text/uri-list";
    // "url\ntitle" in UTF-8, and in UTF-16.
    static constexpr const char* NetscapeURLType = "_NETSCAPE_URL";
    static constexpr const char* MozillaURLType = "text/x-moz-url";

    // Limits on what a drop may bring: texts longer than this are no texts, lists longer than
    // this are no lists.
    static constexpr size_t MaximumTextBytes = 8 * 1024 * 1024;
    static constexpr size_t MaximumUriCount = 10000;

    enum Kind : uint32_t {
        ColorKind = 1,
        // File names and URLs; which of them only the data tell.
        UriListKind = 2,
        ImageKind = 4,
        URLKind = 8,
        CloudImageKind = 16,
        StringKind = 32,
    };

    // The plain-text types, best first.
    static const std::vector<std::string>& textTypes();
    // Every type the canvas takes, best first within each kind; imageTypes are the media types of
    // the pictures the loaders read.
    static std::vector<std::string> acceptedTypes(const std::vector<std::string>& imageTypes);
    // The kinds the offered types stand for.
    static uint32_t kindsOfTypes(const std::vector<std::string>& offered, const std::vector<std::string>& imageTypes,
                                 bool sameApplication);
    // For each kind offered, the offered type its data is best read from.
    static std::vector<std::string> typesToRead(const std::vector<std::string>& offered,
                                                const std::vector<std::string>& imageTypes, bool sameApplication);

    // ---- Readers ----
    struct UriList {
        // Local paths, from "file:" URIs without a host (or "localhost").
        std::vector<std::string> fileNames;
        std::vector<std::string> urls;
    };
    // Lines separated by CR LF (or LF alone); "#" starts a comment line. Nothing for data that is
    // not UTF-8, holds a NUL or too many entries.
    static std::optional<UriList> parseUriList(std::string_view data);
    static std::optional<Color> colorFromData(const std::vector<uint8_t>& data);
    // The first line of "_NETSCAPE_URL" (UTF-8) or "text/x-moz-url" (UTF-16, either byte order).
    static std::optional<std::string> urlFromNetscapeURL(const std::vector<uint8_t>& data);
    static std::optional<std::string> urlFromMozillaURL(const std::vector<uint8_t>& data);
    // UTF-8 for the UTF-8 types; Latin-1 for "STRING"; other text types as UTF-8 when valid,
    // else as Latin-1. A trailing NUL is dropped; any other NUL, or too long a text, gives nothing.
    static std::optional<std::string> textFromData(const std::vector<uint8_t>& data, const std::string& type);
    // An absolute path in UTF-8 without NULs.
    static std::optional<std::string> cloudImagePathFromData(const std::vector<uint8_t>& data);

    // Takes the data of one type into the fields below; data that does not read leaves them.
    void readData(const std::string& type, const std::vector<uint8_t>& data);

    // The drag location in view space.
    Point location;
    uint32_t kinds = 0;
    std::optional<Color> color;
    // Nothing until the uri list has been read.
    std::optional<std::vector<std::string>> fileNames;
    std::optional<std::string> url;
    std::optional<std::string> cloudImagePath;
    std::optional<std::string> string;
    std::optional<std::vector<uint8_t>> imageData;

    // The offered picture, decoded once within the limits of an added image; null when none
    // decodes.
    std::shared_ptr<const Image> image() const;
    // The picture of the first file when that file is of a picture type, decoded once the same way.
    std::shared_ptr<const Image> firstFileImage() const;

    // What a drop does, by the first rule that applies, in this order.
    enum class DropRule {
        None,
        // A colour onto a topic recolours it.
        Color,
        // The first file is a picture: the image menu.
        ImageFile,
        // The first file, not a picture, onto a topic: the topic links to it.
        LinkFile,
        // A picture in the drag's data: the image menu.
        PasteboardImage,
        // A URL onto a topic: the topic links to it.
        LinkURL,
        // A picture of the current cloud storage onto a topic: added to it.
        CloudImage,
        // Text anywhere: new topics.
        Text,
    };
    // While the drag runs (atDrop false) the rules go by the kinds offered and by whatever data
    // came early; at the drop every rule also needs its datum to read. An empty file list is no
    // file list.
    DropRule ruleFor(bool targetPresent, bool atDrop) const;
    static DragOperation operationForRule(DropRule rule);

private:
    mutable std::shared_ptr<const Image> _image;
    mutable bool _imageDecoded = false;
    mutable std::shared_ptr<const Image> _fileImage;
    mutable bool _fileImageDecoded = false;
};
