#pragma once

#include "platform/Image.h"

#include <cstdint>
#include <memory>
#include <set>
#include <string>
#include <vector>

// The pictures that map elements show, by the hash of their data: what the model and the document
// readers and writers need of an image store. The store library keeps them on disk
// (CustomImageStore) and installs the shared stores through MapImageServices.
class ImageStore {
public:
    // Posted with the store as object when an image is added or deleted. User info: ImageHashKey
    // (std::string), OperationKey (int, an Operation).
    static constexpr const char* CustomImagesChangedNotification = "CustomImagesChangedNotification";
    static constexpr const char* ImageHashKey = "imageHash";
    static constexpr const char* OperationKey = "operation";
    enum Operation : int {
        ImageAdded = 0,
        ImageDeleted = 1,
    };

    virtual ~ImageStore() = default;

    // The image of a hash; null when there is none.
    virtual std::shared_ptr<const Image> customImageWithHash(const std::string& hash) = 0;
    // The file of a hash; empty for a hash that names no file.
    virtual std::string customImageFilePath(const std::string& hash) const = 0;
    // PNG data that came under a name from outside (an archive entry), stored only when the name
    // is the SHA-1 of the data; the hash, or the empty text when nothing was stored.
    virtual std::string storeImagePngDataNamed(const std::vector<uint8_t>& pngData, const std::string& hash) = 0;
    // Copies each image from the source store unless this store has it already.
    virtual void copyImages(const std::set<std::string>& hashes, ImageStore* source) = 0;
    virtual void deleteAllImages() = 0;
    // Forgets the cached images that nobody but the cache holds.
    virtual void dropUnusedImages() = 0;
};
