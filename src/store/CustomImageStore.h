#pragma once

#include "MindMaps/ImageStore.h"
#include "platform/Geometry.h"
#include "platform/Image.h"

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

// A folder of PNG images named by the SHA-1 of their data, with a cache of the images loaded from
// it. Map elements refer to images only by hash; the store turns a hash into an image, imports
// new images, deletes and copies them, and announces every addition and deletion.
//
// A hash names a file only when it is exactly 40 hexadecimal digits (in either case); everything
// else that is not a clip-art hash is absent. Hashes come from documents, the clipboard and
// archives, so no other text may ever reach the file system: this keeps every file the store
// touches inside its folder.
class CustomImageStore : public ImageStore {
public:
    static constexpr const char* ImageExtension = "png";
    static constexpr const char* ThumbnailExtension = "tn-png";
    // Images are refused when a side is shorter.
    static constexpr int MinimumImageSide = 24;
    // Larger images are drawn from a reduced copy of this longest side.
    static constexpr int ThumbnailSide = 320;

    // Clip-art hashes start with "." and name built-in pictures instead of files.
    static constexpr const char* StockIconHashPrefix = ".icon:";
    static constexpr const char* AudioRecordingHash = ".audio-recording";
    static constexpr const char* TarnwickIconHash = ".tarnwick-icon";

    // The folders of the three shared stores below the local store's "Mind Maps" folder.
    static std::string defaultImagesDirectory(const std::string& folderName);

    // No folder: every look-up yields nothing until one is set.
    CustomImageStore();
    explicit CustomImageStore(const std::string& imagesDirectory);
    ~CustomImageStore() override;
    CustomImageStore(const CustomImageStore&) = delete;
    CustomImageStore& operator=(const CustomImageStore&) = delete;

    // Make the shared store on first call and bind it to the folder (again); binding keeps the
    // cache. The custom icon store then gets the default icons when it has no image.
    static std::shared_ptr<CustomImageStore>
    initLocalImageStore(const std::string& path = defaultImagesDirectory("Images"));
    static std::shared_ptr<CustomImageStore>
    initCustomIconStore(const std::string& path = defaultImagesDirectory("Custom Icons"));
    static std::shared_ptr<CustomImageStore>
    initClipboardImageStore(const std::string& path = defaultImagesDirectory("Clipboard"));
    // Where given, the default icons of a new custom icon store are written through it, later,
    // instead of at once: a program starts without waiting for their files.
    using DefaultIconsScheduler = std::function<void(std::function<void()>)>;
    static void setDefaultIconsScheduler(DefaultIconsScheduler scheduler);
    // The shared stores; null (with a message in the log) before they were made.
    static std::shared_ptr<CustomImageStore> localImageStore();
    static std::shared_ptr<CustomImageStore> customIconStore();
    static std::shared_ptr<CustomImageStore> clipboardImageStore();

    static bool isClipArtImageHash(const std::string& hash);
    // True when both sides are at least 24 pixels; otherwise tells the user and answers false.
    static bool checkMinimumImageSize(Size pixelSize);

    const std::string& imagesDirectory() const { return _imagesDirectory; }
    void setImagesDirectory(const std::string& imagesDirectory);
    // True only for the shared local image store, the one store that keeps thumbnail files.
    bool isLocalStore() const;

    // The files of a hash; empty for a hash that names no file, or while there is no folder.
    std::string customImageFilePath(const std::string& hash) const override;
    std::string thumbnailFilePath(const std::string& hash) const;
    // The names of the folder's entries with the extension "png", in directory order.
    std::vector<std::string> imageFiles() const;

    // The image of a hash, cached under the hash as given; null when there is none. Images larger
    // than 320 pixels come reduced to that size.
    std::shared_ptr<const Image> customImageWithHash(const std::string& hash) override;

    // Each returns the image's hash, or the empty text when nothing was stored.
    // PNG data, stored under its own hash unless that file exists already.
    std::string storeImagePngData(const std::vector<uint8_t>& pngData);
    // PNG data that came under a name from outside (an archive entry): stored only when the name
    // is the SHA-1 of the data, so that no picture ever stands in for another's hash.
    std::string storeImagePngDataNamed(const std::vector<uint8_t>& pngData, const std::string& hash) override;
    // Data of any type the loaders decode, converted to PNG first.
    std::string storeImageData(const std::vector<uint8_t>& data);
    // Stores the image under a hash that the caller chose, replacing an existing file.
    std::string importImageWithExternalHash(const Image& image, const std::string& hash);
    // Refuses images below the minimum size, scales larger ones down to sizeLimit on the longer side.
    // A limit below 1 stores nothing.
    std::string importImage(const Image& image, int64_t sizeLimit);
    std::string importImageFromFile(const std::string& path, int64_t sizeLimit);
    // Only "file:" URLs are read.
    std::string importImageFromURL(const std::string& url, int64_t sizeLimit);
    // The hashes of the images that were stored, in order.
    std::vector<std::string> importImageUrls(const std::vector<std::string>& urls, int64_t sizeLimit);

    void deleteCustomImage(const std::string& hash);
    void deleteAllImages() override;
    // Deletes, silently, every image of the local store that is not in use; answers how many.
    // Other stores delete nothing.
    int64_t deleteUnusedImages(const std::set<std::string>& usedHashes);
    // Deletes, silently, every image of this store that is not among those kept, for a store that
    // holds pictures of one kind only (the thumbnails of a cloud's maps); answers how many.
    int64_t deleteImagesExcept(const std::set<std::string>& keptHashes);
    // Forgets the cached images that nobody but the cache holds.
    void dropUnusedImages() override;

    // Copies the image file from the source store unless this store has it already.
    void copyImage(const std::string& hash, ImageStore* source);
    void copyImages(const std::vector<std::string>& hashes, ImageStore* source);
    void copyImages(const std::set<std::string>& hashes, ImageStore* source) override;

    // Announces an image file that someone else placed into the folder.
    void imageExternallyImported(const std::string& hash);

    void insertDefaultCustomIcon(const std::string& resourceName);
    // Puts in the six hat icons when the folder holds no image.
    void checkDefaultCustomIcons();

    void dispatchImageNotification(const std::string& hash, int operation);

private:
    std::string filePathWithExtension(const std::string& hash, const char* extension) const;
    std::shared_ptr<const Image> clipArtImage(const std::string& hash);
    bool writeImageFile(const std::string& path, const std::vector<uint8_t>& data);
    void removeCachedImage(const std::string& hash);

    // Keyed by the hash exactly as the caller gave it.
    std::map<std::string, std::shared_ptr<const Image>> _customImageCache;
    std::string _imagesDirectory;
};
