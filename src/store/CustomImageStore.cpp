#include "store/CustomImageStore.h"

#include "Utils/CryptoDigest.h"
#include "Utils/FeedbackSink.h"
#include "Utils/HexEncoding.h"
#include "Utils/StringUtils.h"
#include "platform/FileUtils.h"
#include "platform/Folders.h"
#include "platform/Localizer.h"
#include "platform/NotificationCenter.h"
#include "store/StockIcons.h"

#include <glib.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <optional>

namespace fs = std::filesystem;

namespace {

constexpr size_t Sha1HexLength = 40;

// The six icons a new custom icon folder starts with.
constexpr const char* DefaultCustomIconResources[] = {
    "ic8_48_black_hat", "ic8_48_blue_hat",  "ic8_48_green_hat",
    "ic8_48_red_hat",   "ic8_48_white_hat", "ic8_48_yellow_hat",
};

std::shared_ptr<CustomImageStore> localStore;
std::shared_ptr<CustomImageStore> iconStore;
std::shared_ptr<CustomImageStore> clipboardStore;

char asciiLower(char c)
{
    return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c;
}

std::string asciiLowercase(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(), asciiLower);
    return text;
}

// The form in which a hash names files: exactly 40 hexadecimal digits, lower-cased. Empty for
// every other text, which therefore never reaches the file system.
std::string fileNameHash(const std::string& hash)
{
    if (hash.size() != Sha1HexLength) return {};
    std::string lower = asciiLowercase(hash);
    const bool hexadecimal = std::all_of(lower.begin(), lower.end(),
                                         [](char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'); });
    return hexadecimal ? lower : std::string();
}

std::string sha1Hex(const std::vector<uint8_t>& data)
{
    return asciiLowercase(stringByHexEncoding(SHA1(data)));
}

bool hasPngSignature(const std::vector<uint8_t>& data)
{
    static constexpr uint8_t signature[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    return data.size() > sizeof signature && std::memcmp(data.data(), signature, sizeof signature) == 0;
}

bool fileExists(const std::string& path)
{
    std::error_code ec;
    return fs::exists(path, ec);
}

void removeFile(const std::string& path)
{
    std::error_code ec;
    fs::remove(path, ec);
}

std::string withoutExtension(const std::string& fileName)
{
    const size_t dot = fileName.rfind('.');
    return dot == std::string::npos ? fileName : fileName.substr(0, dot);
}

// A side after scaling: rounded, and never below one pixel, however thin the image.
int scaledSide(int side, double scale)
{
    return std::max(1, static_cast<int>(std::lround(side * scale)));
}

std::shared_ptr<CustomImageStore> sharedStore(const std::shared_ptr<CustomImageStore>& store, const char* message)
{
    if (!store) std::fprintf(stderr, "Tarnwick: %s\n", message);
    return store;
}

} // namespace

std::string CustomImageStore::defaultImagesDirectory(const std::string& folderName)
{
    return Folders::userDataFolder() + "/Mind Maps/" + folderName;
}

CustomImageStore::CustomImageStore() = default;

CustomImageStore::CustomImageStore(const std::string& imagesDirectory) : _imagesDirectory(imagesDirectory)
{
}

CustomImageStore::~CustomImageStore() = default;

std::shared_ptr<CustomImageStore> CustomImageStore::initLocalImageStore(const std::string& path)
{
    if (!localStore) localStore = std::make_shared<CustomImageStore>();
    localStore->setImagesDirectory(path);
    return localStore;
}

namespace {

CustomImageStore::DefaultIconsScheduler& defaultIconsScheduler()
{
    static CustomImageStore::DefaultIconsScheduler scheduler;
    return scheduler;
}

} // namespace

void CustomImageStore::setDefaultIconsScheduler(DefaultIconsScheduler scheduler)
{
    defaultIconsScheduler() = std::move(scheduler);
}

std::shared_ptr<CustomImageStore> CustomImageStore::initCustomIconStore(const std::string& path)
{
    if (!iconStore) iconStore = std::make_shared<CustomImageStore>();
    iconStore->setImagesDirectory(path);
    if (!defaultIconsScheduler()) {
        iconStore->checkDefaultCustomIcons();
        return iconStore;
    }
    // The folder is looked at when the work runs: the store may have been bound elsewhere meanwhile.
    std::weak_ptr<CustomImageStore> store = iconStore;
    defaultIconsScheduler()([store] {
        if (std::shared_ptr<CustomImageStore> icons = store.lock()) icons->checkDefaultCustomIcons();
    });
    return iconStore;
}

std::shared_ptr<CustomImageStore> CustomImageStore::initClipboardImageStore(const std::string& path)
{
    if (!clipboardStore) clipboardStore = std::make_shared<CustomImageStore>();
    clipboardStore->setImagesDirectory(path);
    return clipboardStore;
}

std::shared_ptr<CustomImageStore> CustomImageStore::localImageStore()
{
    return sharedStore(localStore, "Uninitialized Local Image Store");
}

std::shared_ptr<CustomImageStore> CustomImageStore::customIconStore()
{
    return sharedStore(iconStore, "Uninitialized Custom Icon Store");
}

std::shared_ptr<CustomImageStore> CustomImageStore::clipboardImageStore()
{
    return sharedStore(clipboardStore, "Uninitialized Clipboard Image Store");
}

bool CustomImageStore::isClipArtImageHash(const std::string& hash)
{
    return !hash.empty() && hash[0] == '.';
}

bool CustomImageStore::checkMinimumImageSize(Size pixelSize)
{
    if (pixelSize.width >= MinimumImageSide && pixelSize.height >= MinimumImageSide) return true;
    feedbackSinkInstance().showEditorNotification(
        localized("image_picker_image_to_small_condensed"),
        localizedFormat("image_picker_image_minimum_dimensions", {std::to_string(MinimumImageSide)}),
        FeedbackStateError);
    return false;
}

void CustomImageStore::setImagesDirectory(const std::string& imagesDirectory)
{
    _imagesDirectory = imagesDirectory;
}

bool CustomImageStore::isLocalStore() const
{
    return localStore.get() == this;
}

std::string CustomImageStore::filePathWithExtension(const std::string& hash, const char* extension) const
{
    const std::string name = fileNameHash(hash);
    if (name.empty() || _imagesDirectory.empty()) return {};
    return _imagesDirectory + "/" + name + "." + extension;
}

std::string CustomImageStore::customImageFilePath(const std::string& hash) const
{
    return filePathWithExtension(hash, ImageExtension);
}

std::string CustomImageStore::thumbnailFilePath(const std::string& hash) const
{
    return filePathWithExtension(hash, ThumbnailExtension);
}

std::vector<std::string> CustomImageStore::imageFiles() const
{
    std::vector<std::string> names;
    if (_imagesDirectory.empty()) return names;
    std::error_code ec;
    for (fs::directory_iterator it(_imagesDirectory, ec), end; !ec && it != end; it.increment(ec)) {
        const fs::path& path = it->path();
        if (path.extension() == std::string(".") + ImageExtension) names.push_back(path.filename().string());
    }
    return names;
}

std::shared_ptr<const Image> CustomImageStore::clipArtImage(const std::string& hash)
{
    if (hash.rfind(StockIconHashPrefix, 0) == 0) {
        return StockIcons::instance().iconNamed(hash.substr(std::strlen(StockIconHashPrefix)));
    }
    const char* resource = nullptr;
    if (caseInsensitiveEqual(hash, AudioRecordingHash)) resource = "audio_recording_icon";
    else if (caseInsensitiveEqual(hash, TarnwickIconHash)) resource = "icon_transparent";
    if (!resource) return nullptr;
    Image image = Image::fromResource(resource);
    if (image.isNull()) return nullptr;
    auto shared = std::make_shared<const Image>(std::move(image));
    _customImageCache[hash] = shared;
    return shared;
}

std::shared_ptr<const Image> CustomImageStore::customImageWithHash(const std::string& hash)
{
    if (hash.empty()) return nullptr;
    if (auto cached = _customImageCache.find(hash); cached != _customImageCache.end()) return cached->second;
    if (isClipArtImageHash(hash)) return clipArtImage(hash);

    const std::string imagePath = customImageFilePath(hash);
    if (imagePath.empty()) return nullptr;
    const std::string thumbnailPath = thumbnailFilePath(hash);
    Image image;
    if (isLocalStore()) image = Image::fromFile(thumbnailPath);
    // A thumbnail that no longer reads is made again from the image.
    if (image.isNull()) image = Image::fromFile(imagePath);
    if (image.isNull()) return nullptr;

    const int width = std::max(1, image.pixelWidth());
    const int height = std::max(1, image.pixelHeight());
    if (width > ThumbnailSide || height > ThumbnailSide) {
        const double scale =
            std::min(double(std::min(width, ThumbnailSide)) / width, double(std::min(height, ThumbnailSide)) / height);
        Image reduced = image.scaledTo(scaledSide(width, scale), scaledSide(height, scale));
        if (!reduced.isNull()) {
            if (isLocalStore()) {
                // Without a thumbnail file the next load only costs more.
                if (const auto data = reduced.pngData()) writeImageFile(thumbnailPath, *data);
            }
            image = std::move(reduced);
        }
    }
    auto shared = std::make_shared<const Image>(std::move(image));
    _customImageCache[hash] = shared;
    return shared;
}

bool CustomImageStore::writeImageFile(const std::string& path, const std::vector<uint8_t>& data)
{
    // The folder may have gone since the store was bound to it.
    Folders::createFolder(_imagesDirectory);
    return writeFileAtomically(path, data);
}

std::string CustomImageStore::storeImagePngData(const std::vector<uint8_t>& pngData)
{
    if (pngData.empty()) return {};
    const std::string hash = sha1Hex(pngData);
    const std::string path = customImageFilePath(hash);
    if (path.empty()) return {};
    if (fileExists(path)) return hash;
    // Only pictures go into the store: a file that does not decode would be an image nobody sees.
    if (!hasPngSignature(pngData) || Image::fromData(pngData).isNull()) return {};
    if (!writeImageFile(path, pngData)) return {};
    dispatchImageNotification(hash, ImageAdded);
    return hash;
}

std::string CustomImageStore::storeImagePngDataNamed(const std::vector<uint8_t>& pngData, const std::string& hash)
{
    if (fileNameHash(hash).empty() || sha1Hex(pngData) != fileNameHash(hash)) return {};
    return storeImagePngData(pngData);
}

std::string CustomImageStore::storeImageData(const std::vector<uint8_t>& data)
{
    const Image image = Image::fromData(data);
    const auto png = image.pngData();
    return png ? storeImagePngData(*png) : std::string();
}

std::string CustomImageStore::importImageWithExternalHash(const Image& image, const std::string& hash)
{
    const std::string path = customImageFilePath(hash);
    if (path.empty()) return {};
    const auto png = image.pngData();
    if (!png || !writeImageFile(path, *png)) return {};
    removeCachedImage(hash);
    if (isLocalStore()) removeFile(thumbnailFilePath(hash));
    dispatchImageNotification(hash, ImageAdded);
    return hash;
}

std::string CustomImageStore::importImage(const Image& image, int64_t sizeLimit)
{
    // A limit below one pixel would scale the image to nothing.
    if (image.isNull() || sizeLimit < 1) return {};
    // A picture reduced while it was decoded is judged by the size it declared.
    if (!checkMinimumImageSize(image.sourcePixelSize())) return {};
    const int width = std::max(1, image.pixelWidth());
    const int height = std::max(1, image.pixelHeight());
    const int64_t limit = sizeLimit;
    std::optional<std::vector<uint8_t>> png;
    if (width > limit || height > limit) {
        const double scale = double(limit) / std::max(width, height);
        png = image.scaledTo(scaledSide(width, scale), scaledSide(height, scale)).pngData();
    } else {
        png = image.pngData();
    }
    return png ? storeImagePngData(*png) : std::string();
}

std::string CustomImageStore::importImageFromFile(const std::string& path, int64_t sizeLimit)
{
    if (path.empty()) return {};
    return importImage(Image::fromFile(path), sizeLimit);
}

std::string CustomImageStore::importImageFromURL(const std::string& url, int64_t sizeLimit)
{
    gchar* path = g_filename_from_uri(url.c_str(), nullptr, nullptr);
    if (!path) return {};
    const std::string filePath = path;
    g_free(path);
    return importImageFromFile(filePath, sizeLimit);
}

std::vector<std::string> CustomImageStore::importImageUrls(const std::vector<std::string>& urls, int64_t sizeLimit)
{
    std::vector<std::string> hashes;
    for (const std::string& url : urls) {
        std::string hash = importImageFromURL(url, sizeLimit);
        if (!hash.empty()) hashes.push_back(std::move(hash));
    }
    return hashes;
}

void CustomImageStore::removeCachedImage(const std::string& hash)
{
    // The same image may be cached under the hash in another case.
    const std::string name = fileNameHash(hash);
    std::erase_if(_customImageCache, [&](const auto& entry) {
        return entry.first == hash || (!name.empty() && asciiLowercase(entry.first) == name);
    });
}

void CustomImageStore::deleteCustomImage(const std::string& hash)
{
    const std::string path = customImageFilePath(hash);
    if (path.empty()) return;
    removeFile(path);
    removeCachedImage(hash);
    if (isLocalStore()) removeFile(thumbnailFilePath(hash));
    dispatchImageNotification(hash, ImageDeleted);
}

void CustomImageStore::deleteAllImages()
{
    for (const std::string& fileName : imageFiles()) deleteCustomImage(withoutExtension(fileName));
}

int64_t CustomImageStore::deleteUnusedImages(const std::set<std::string>& usedHashes)
{
    if (!isLocalStore()) return 0;
    return deleteImagesExcept(usedHashes);
}

int64_t CustomImageStore::deleteImagesExcept(const std::set<std::string>& keptHashes)
{
    // Documents may spell a hash in capitals; it still keeps its file.
    std::set<std::string> used;
    for (const std::string& hash : keptHashes) used.insert(asciiLowercase(hash));
    int64_t count = 0;
    for (const std::string& fileName : imageFiles()) {
        const std::string name = withoutExtension(fileName);
        if (used.count(asciiLowercase(name))) continue;
        // Names come from the folder's own listing, so these paths stay inside it.
        removeFile(_imagesDirectory + "/" + fileName);
        removeFile(_imagesDirectory + "/" + name + "." + ThumbnailExtension);
        removeCachedImage(name);
        ++count;
    }
    return count;
}

void CustomImageStore::dropUnusedImages()
{
    std::erase_if(_customImageCache, [](const auto& entry) { return entry.second.use_count() == 1; });
}

void CustomImageStore::copyImage(const std::string& hash, ImageStore* source)
{
    if (!source || source == this) return;
    const std::string path = customImageFilePath(hash);
    const std::string sourcePath = source->customImageFilePath(hash);
    if (path.empty() || sourcePath.empty() || fileExists(path)) return;
    const auto data = readFileData(sourcePath, Image::MaxFileSize);
    // Only an image that arrived is announced.
    if (!data || !writeImageFile(path, *data)) return;
    dispatchImageNotification(hash, ImageAdded);
}

void CustomImageStore::copyImages(const std::vector<std::string>& hashes, ImageStore* source)
{
    for (const std::string& hash : hashes) copyImage(hash, source);
}

void CustomImageStore::copyImages(const std::set<std::string>& hashes, ImageStore* source)
{
    for (const std::string& hash : hashes) copyImage(hash, source);
}

void CustomImageStore::imageExternallyImported(const std::string& hash)
{
    if (customImageFilePath(hash).empty()) return;
    dispatchImageNotification(hash, ImageAdded);
}

void CustomImageStore::insertDefaultCustomIcon(const std::string& resourceName)
{
    const Image image = Image::fromResource(resourceName);
    if (const auto png = image.pngData()) storeImagePngData(*png);
}

void CustomImageStore::checkDefaultCustomIcons()
{
    if (!imageFiles().empty()) return;
    for (const char* resource : DefaultCustomIconResources) insertDefaultCustomIcon(resource);
}

void CustomImageStore::dispatchImageNotification(const std::string& hash, int operation)
{
    NotificationCenter::defaultCenter().post(CustomImagesChangedNotification, this,
                                             {{ImageHashKey, hash}, {OperationKey, operation}});
}
