#pragma once

#include "platform/Geometry.h"

#include <memory>
#include <string>

class Image;
class MindMap;
class MindMapNode;

// One picture dropped on the canvas, kept while the user picks from the image menu what becomes
// of it. The target topic is remembered by its GUID: the menu stays open while the map may change.
class ImageDropInfo {
public:
    ImageDropInfo(std::shared_ptr<const Image> image, std::string filePath);

    // A picture already read; null for a null picture.
    static std::shared_ptr<ImageDropInfo> imageDropInfo(std::shared_ptr<const Image> image, std::string filePath,
                                                        Point mapPoint, MindMapNode* targetNode);
    // The picture of the drag's data, without a path.
    static std::shared_ptr<ImageDropInfo> imageDropInfoFromPboard(std::shared_ptr<const Image> image, Point mapPoint,
                                                                  MindMapNode* targetNode);
    // The picture read from the file, with the path; null when the file holds no picture.
    static std::shared_ptr<ImageDropInfo> imageDropInfoFormFile(const std::string& path, Point mapPoint,
                                                                MindMapNode* targetNode);

    const std::shared_ptr<const Image>& image() const { return _image; }
    // Empty when the picture came from the drag's data.
    const std::string& filePath() const { return _filePath; }
    Point mapPoint() const { return _mapPoint; }
    bool onTarget() const { return !_targetGuid.empty(); }
    // The target topic as it is in the map now; null without one, or when it has gone.
    MindMapNode* targetNode(const MindMap& mindMap) const;

private:
    std::shared_ptr<const Image> _image;
    std::string _filePath;
    std::string _targetGuid;
    Point _mapPoint;
};
