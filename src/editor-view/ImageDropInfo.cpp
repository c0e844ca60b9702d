#include "editor-view/ImageDropInfo.h"

#include "MindMaps/MindMap.h"
#include "MindMaps/MindMapNode.h"
#include "editor-view/CustomImageHandler.h"
#include "platform/Image.h"

ImageDropInfo::ImageDropInfo(std::shared_ptr<const Image> image, std::string filePath)
    : _image(std::move(image)), _filePath(std::move(filePath))
{
}

std::shared_ptr<ImageDropInfo> ImageDropInfo::imageDropInfo(std::shared_ptr<const Image> image, std::string filePath,
                                                            Point mapPoint, MindMapNode* targetNode)
{
    if (!image || image->isNull()) return nullptr;
    auto info = std::make_shared<ImageDropInfo>(std::move(image), std::move(filePath));
    info->_mapPoint = mapPoint;
    if (targetNode) info->_targetGuid = targetNode->guid();
    return info;
}

std::shared_ptr<ImageDropInfo> ImageDropInfo::imageDropInfoFromPboard(std::shared_ptr<const Image> image,
                                                                      Point mapPoint, MindMapNode* targetNode)
{
    return imageDropInfo(std::move(image), std::string(), mapPoint, targetNode);
}

std::shared_ptr<ImageDropInfo> ImageDropInfo::imageDropInfoFormFile(const std::string& path, Point mapPoint,
                                                                    MindMapNode* targetNode)
{
    Image image = Image::fromFile(path, CustomImageHandler::decodingSizeLimit());
    if (image.isNull()) return nullptr;
    return imageDropInfo(std::make_shared<const Image>(std::move(image)), path, mapPoint, targetNode);
}

MindMapNode* ImageDropInfo::targetNode(const MindMap& mindMap) const
{
    if (_targetGuid.empty()) return nullptr;
    return dynamic_cast<MindMapNode*>(mindMap.elementWithGuid(_targetGuid));
}
