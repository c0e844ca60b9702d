#include "editor-view/CustomImageHandler.h"

#include "MindMaps/MindMap.h"
#include "MindMaps/MindMapImage.h"
#include "MindMaps/MindMapNode.h"
#include "MindMaps/MindMapNodeEditor.h"
#include "Utils/GuidCreation.h"
#include "Utils/ProtocolUtils.h"
#include "Utils/StringUtils.h"
#include "editor-view/CloudFetchProgress.h"
#include "editor-view/ImageLinkData.h"
#include "platform/Image.h"
#include "platform/ImagePasteboard.h"
#include "store/CustomImageSettings.h"
#include "store/CustomImageStore.h"
#include "store/EditorInterface.h"
#include "store/MindMapProvider.h"
#include "store/MindMapStorage.h"

#include <algorithm>
#include <cmath>
#include <filesystem>

namespace fs = std::filesystem;

namespace {

// Embedded images and image topics are stored at most this long on a side.
constexpr int64_t EmbeddedImageSizeLimit = 320;

} // namespace

CustomImageHandler::CustomImageHandler(std::shared_ptr<MindMap> mindMap) : _mindMap(std::move(mindMap))
{
}

void CustomImageHandler::useTargetPoint(Point point)
{
    _targetPoint = point;
    _useTargetPoint = true;
}

CustomImageStore* CustomImageHandler::imageStore() const
{
    return _mindMap ? dynamic_cast<CustomImageStore*>(_mindMap->imageStore()) : nullptr;
}

int CustomImageHandler::decodingSizeLimit()
{
    const CustomImageSettings& settings = CustomImageSettings::customImageSettings();
    const int64_t limit = std::max({settings.imageSizeLimit(), settings.thumbnailSize(), EmbeddedImageSizeLimit});
    // Pictures kept at their own size are bounded by what the decoder allows at all.
    return limit >= Image::MaxSide ? 0 : int(limit);
}

bool CustomImageHandler::isPortableImage(const std::string& path)
{
    std::string extension = fs::path(path).extension().string();
    if (!extension.empty()) extension.erase(0, 1);
    return caseInsensitiveEqual(extension, "png") || caseInsensitiveEqual(extension, "jpg") ||
        caseInsensitiveEqual(extension, "jpeg");
}

std::string CustomImageHandler::convertImageToPng(const Image& image, int64_t sizeLimit)
{
    if (image.isNull()) return {};
    const double width = std::max(1.0, double(image.pixelWidth()));
    const double height = std::max(1.0, double(image.pixelHeight()));
    Image reduced;
    const Image* source = &image;
    if (sizeLimit != ImageLinkData::OriginalSize) {
        const double limit = double(sizeLimit);
        const double factor = std::min(std::min(width, limit) / width, std::min(height, limit) / height);
        if (factor < 1.0) {
            const auto side = [factor](double length) { return std::max(1, int(std::lround(length * factor))); };
            reduced = image.scaledTo(side(width), side(height));
            if (reduced.isNull()) return {};
            source = &reduced;
        }
    }
    std::error_code ec;
    const fs::path folder = fs::temp_directory_path(ec);
    if (ec) return {};
    const std::string path = (folder / (createGUIDString() + ".png")).string();
    return source->writePng(path) ? path : std::string();
}

std::optional<std::string> CustomImageHandler::handleImage(const Image& image, const std::string& imagePath,
                                                           std::string* thumbnailHash, std::string* imageLink,
                                                           const std::string& cloudLink)
{
    if (thumbnailHash) thumbnailHash->clear();
    if (imageLink) imageLink->clear();
    CustomImageStore* store = imageStore();
    MindMapStorage* storage = EditorInterfaceInstance()->currentStorage();
    if (image.isNull() || !storage || !store) return std::nullopt;
    const std::weak_ptr<MindMapStorage> startStorage = storage->weak_from_this();
    const Size pixelSize = image.sourcePixelSize();
    if (!CustomImageStore::checkMinimumImageSize(pixelSize)) return std::nullopt;

    const CustomImageSettings& settings = CustomImageSettings::customImageSettings();
    const double thumbnailLimit = double(settings.thumbnailSize());
    if (pixelSize.width <= thumbnailLimit && pixelSize.height <= thumbnailLimit) {
        std::string hash = store->importImage(image, settings.thumbnailSize());
        if (hash.empty()) return std::nullopt;
        return hash;
    }

    const bool localMap = storage->isLocalMindMap();
    uint32_t options = 0;
    if (!imagePath.empty()) {
        options |= ImageLinkData::HasFilePath;
        if (!isPortableImage(imagePath)) options |= ImageLinkData::NotPortableFile;
    }
    if (localMap) options |= ImageLinkData::LocalMindMap;
    else if (!cloudLink.empty()) options |= ImageLinkData::CloudLinkGiven;
    ImageLinkData data(&image, options, pixelSize);
    if (!_forceShowDialog && imagePath.empty() && localMap) {
        data.setLinkMode(ImageLinkData::Embed);
        data.setThumbnailSize(settings.thumbnailSize());
        data.setUploadSize(settings.imageSizeLimit());
    } else if (!ImageLinkPanel::executeWithImageLinkData(data)) {
        return std::nullopt;
    }

    // The panel ran modally: the user may have switched maps meanwhile.
    storage = EditorInterfaceInstance()->currentStorage();
    if (!storage || storage != startStorage.lock().get()) return std::nullopt;

    const Image& chosen = data.image() ? *data.image() : image;
    std::string hash = store->importImage(chosen, data.thumbnailSize());
    if (hash.empty()) return std::nullopt;

    switch (data.linkMode()) {
    case ImageLinkData::Embed:
        if (data.uploadSize() > data.thumbnailSize()) {
            std::string fullHash = store->importImage(image, data.uploadSize());
            if (fullHash.empty()) return std::nullopt;
            if (thumbnailHash) *thumbnailHash = hash;
            return fullHash;
        }
        return hash;
    case ImageLinkData::LinkToFile:
        if (!cloudLink.empty()) {
            if (localMap) return std::nullopt;
            if (imageLink) *imageLink = ProtocolUtils::buildCloudLink(cloudLink);
        } else if (imageLink) {
            *imageLink = imagePath;
        }
        return hash;
    case ImageLinkData::UploadToCloud: {
        if (localMap) return std::nullopt;
        MindMapProvider* provider = storage->provider();
        if (!provider) return std::nullopt;
        const int64_t uploadSize = data.uploadSize();
        const double longerSide = std::round(std::max(pixelSize.width, pixelSize.height));
        const bool convert = imagePath.empty() ||
            (longerSide > double(uploadSize) && uploadSize != ImageLinkData::OriginalSize) || data.convertToPng();
        std::string reference;
        if (convert) {
            // A picture decoded reduced is read again from its file at the size the upload needs.
            Image fromFile;
            if (!imagePath.empty())
                fromFile = Image::fromFile(imagePath, uploadSize >= Image::MaxSide ? 0 : int(uploadSize));
            const std::string pngPath = convertImageToPng(fromFile.isNull() ? image : fromFile, uploadSize);
            if (pngPath.empty()) return std::nullopt;
            const std::string stem =
                imagePath.empty() ? defaultFileNameGuidLength(8) : fs::path(imagePath).stem().string();
            reference = provider->uploadMedia(MindMapProvider::MediaImage, pngPath, stem + ".png", storage);
            std::error_code ec;
            fs::remove(pngPath, ec);
        } else {
            reference = provider->uploadMedia(MindMapProvider::MediaImage, imagePath,
                                              fs::path(imagePath).filename().string(), storage);
        }
        // A failed upload must not leave a link to nothing.
        if (reference.empty()) return std::nullopt;
        if (imageLink) *imageLink = ProtocolUtils::buildCloudLink(provider->buildPathBasedLink(reference));
        return hash;
    }
    default:
        return hash;
    }
}

void CustomImageHandler::addImage(const Image& image, const std::string& imagePath, const std::string& cloudLink)
{
    if (image.isNull() || !_mindMap) return;
    std::string thumbnailHash;
    std::string imageLink;
    const std::optional<std::string> hash = handleImage(image, imagePath, &thumbnailHash, &imageLink, cloudLink);
    if (!hash) return;
    MindMapImage* element = _mindMap->addCustomImageWithHash(*hash, thumbnailHash, imageLink);
    if (element && _useTargetPoint) {
        element->setAbsLocation(_targetPoint);
        if (MindMapNodeEditor* editor = _mindMap->nodeEditor()) editor->scrollElementVisible(element);
    }
}

void CustomImageHandler::addImageFromFile(const std::string& path)
{
    if (path.empty()) return;
    const Image image = Image::fromFile(path, decodingSizeLimit());
    addImage(image, path, std::string());
}

void CustomImageHandler::addImageFromPasteboard(const Pasteboard& pasteboard)
{
    if (!ImagePasteboard::canInitWithPasteboard(pasteboard)) return;
    const Image image = ImagePasteboard::imageFromPasteboard(pasteboard, decodingSizeLimit());
    if (image.isNull()) return;
    addImage(image, std::string(), std::string());
}

void CustomImageHandler::addImageFromCurrentCloud(const std::string& cloudPath)
{
    if (cloudPath.empty() || !_mindMap) return;
    MindMapStorage* storage = EditorInterfaceInstance()->currentStorage();
    MindMapProvider* provider = storage ? storage->provider() : nullptr;
    if (!provider || provider->isLocal()) return;
    MindMapNode* topic = _mindMap->selectedNode();
    if (!topic) return;
    const std::string topicGuid = topic->guid();
    std::weak_ptr<MindMapStorage> startStorage = storage->weak_from_this();
    // A provider that cannot fetch answers at once, closing the window it has just opened.
    std::shared_ptr<CloudFetchProgress> progress = CloudFetchProgress::show(provider->type());
    provider->getImageFromLink(cloudPath,
                               [self = shared_from_this(), startStorage, topicGuid,
                                progress](const std::string& imageFilePath, const std::string& cloudLink) {
                                   if (progress) progress->close();
                                   if (imageFilePath.empty()) return;
                                   const std::shared_ptr<MindMapStorage> storage = startStorage.lock();
                                   if (!storage || EditorInterfaceInstance()->currentStorage() != storage.get()) return;
                                   MindMapNode* selected = self->_mindMap->selectedNode();
                                   if (!selected || selected->guid() != topicGuid) return;
                                   const Image image = Image::fromFile(imageFilePath, decodingSizeLimit());
                                   self->addImage(image, imageFilePath, cloudLink);
                               });
}

void CustomImageHandler::changeImage(MindMapImage* element, const std::string& path)
{
    if (!element || path.empty() || !_mindMap) return;
    const Image image = Image::fromFile(path, decodingSizeLimit());
    if (image.isNull()) return;
    std::string thumbnailHash;
    std::string imageLink;
    const std::optional<std::string> hash = handleImage(image, path, &thumbnailHash, &imageLink, std::string());
    if (!hash) return;
    _mindMap->changeImage(element, *hash, thumbnailHash, imageLink);
}
