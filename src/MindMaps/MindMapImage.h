#pragma once

#include "MindMaps/ContainedElement.h"

#include <memory>
#include <set>
#include <string>
#include <string_view>

class Image;

// A custom image placed on a node or a relation, referring to a picture of the map's image store
// by hash, with a scale, a rotation angle and an optional link.
//
// Hashes are kept in lower case. The picture comes from the store: the thumbnail when the store
// has one, else the full image; an image whose picture the store lacks shows as a placeholder
// square.
class MindMapImage : public ContainedElement {
public:
    // Map units per picture pixel at scale 1.
    static constexpr double DeviceScale = 0.5333333333333333; // 8/15
    // The smaller side of a picture is never shown shorter than this.
    static constexpr double MinimumSide = 24;
    // The size shown while there is no picture.
    static constexpr double PlaceholderSide = 32;
    static constexpr double MinimumScale = 0.1;
    static constexpr double MaximumScale = 10;

    // Scale 1, the hashes stored and the picture loaded when the map's store has it.
    MindMapImage(CompositeElement* container, const std::string& imageHash, const std::string& thumbnailHash);
    ~MindMapImage() override;

    int32_t elementType() const override;

    // The device size centred on the absolute location.
    Rect bounds() const override;
    Size deviceSize() const { return _deviceSize; }

    // ---- Hashes and link ----

    const std::string& imageHash() const { return _imageHash; }
    const std::string& thumbnailHash() const { return _thumbnailHash; }
    // New hashes drop the image link and load the picture; the current ones change nothing.
    void setImageHash(const std::string& imageHash, const std::string& thumbnailHash);
    // Exact comparisons: a hash in another case is another hash.
    bool isEqualImageHash(std::string_view hash) const;
    bool isEqualThumbnailHash(std::string_view hash) const;
    bool isEqualLink(std::string_view link) const;
    // An absent and an empty text are equal; otherwise the texts must be equal exactly.
    static bool equalStrings(std::string_view string, std::string_view other);

    // With slashes as separators; empty for none.
    const std::string& imageLink() const { return _imageLink; }
    void setImageLink(std::string_view link);

    // ---- Picture and size ----

    const std::shared_ptr<const Image>& image() const { return _image; }
    void setImage(std::shared_ptr<const Image> image);
    // Takes the picture from the map's image store again.
    void updateImage();
    // The picture's size in pixels; zero without a picture.
    Size getImageSize() const;
    void updateDeviceSize();

    double scale() const { return _scale; }
    // Kept within 0.1 .. 10; a value that is not a number is ignored.
    void setScale(double scale);
    double angle() const { return _angle; }
    // A value that is not a number is ignored.
    void setAngle(double angle);

    // ---- Element operations ----

    std::string stringForToolTip(void* view, Point point, void* userData) override;
    void collectReferencedImages(std::set<std::string>& images) const override;
    // operation: 0 added, 1 deleted.
    void customImagesChanged(const std::string& imageHash, int operation);

private:
    // Tells the container that the image looks different.
    void reportChange();

    double _angle = 0;
    double _scale = 1.0;
    Size _deviceSize;
    std::shared_ptr<const Image> _image;
    std::string _imageHash;
    std::string _thumbnailHash;
    std::string _imageLink;
};
