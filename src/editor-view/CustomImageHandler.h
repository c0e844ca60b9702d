#pragma once

#include "platform/Geometry.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

class CustomImageStore;
class Image;
class MindMap;
class MindMapImage;
class Pasteboard;

// Puts a picture onto the selected topic as an image element, or replaces the picture of an image
// element. Small pictures are imported into the map's image store as they are; larger ones go
// through the image-link choices (embed a reduced copy, link to the file, or upload into the
// current cloud storage). One handler is made per operation and let go afterwards; a cloud fetch
// keeps it alive until the picture has come.
class CustomImageHandler : public std::enable_shared_from_this<CustomImageHandler> {
public:
    explicit CustomImageHandler(std::shared_ptr<MindMap> mindMap);

    // A new image element is placed at that map point.
    void useTargetPoint(Point point);
    // The image-link panel is asked also where the defaults would do.
    bool forceShowDialog() const { return _forceShowDialog; }
    void setForceShowDialog(bool force) { _forceShowDialog = force; }

    // The common entry; a null image adds nothing. imagePath and cloudLink may be empty.
    void addImage(const Image& image, const std::string& imagePath, const std::string& cloudLink);
    void addImageFromFile(const std::string& path);
    // Nothing unless a picture can be read from the pasteboard.
    void addImageFromPasteboard(const Pasteboard& pasteboard);
    // Fetches the file through the current cloud storage's provider and adds it when it arrives,
    // as long as the storage and the selected topic are still the same.
    void addImageFromCurrentCloud(const std::string& cloudPath);
    void changeImage(MindMapImage* element, const std::string& path);

    // The hash of the picture to show, stored in the map's image store; nothing when the picture
    // is not to be added. thumbnailHash and imageLink are set (or emptied) on the way.
    std::optional<std::string> handleImage(const Image& image, const std::string& imagePath, std::string* thumbnailHash,
                                           std::string* imageLink, const std::string& cloudLink);

    // "png", "jpg" or "jpeg", in any case.
    static bool isPortableImage(const std::string& path);
    // The picture as a PNG file in the temporary folder, reduced to sizeLimit on either side
    // (ImageLinkData::OriginalSize keeps its size); empty when it could not be written.
    static std::string convertImageToPng(const Image& image, int64_t sizeLimit);
    // The longest side a picture from outside needs when decoded for an add.
    static int decodingSizeLimit();

private:
    CustomImageStore* imageStore() const;

    std::shared_ptr<MindMap> _mindMap;
    Point _targetPoint;
    bool _useTargetPoint = false;
    bool _forceShowDialog = false;
};
