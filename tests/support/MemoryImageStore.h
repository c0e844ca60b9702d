#pragma once

#include "MindMaps/ImageStore.h"

#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

// An image store that keeps its pictures in memory, for tests that need a place for pictures but
// not the store's folder. Hashes are the SHA-1 of the PNG data, as in the real store; there are no
// files, so every file path is empty.
class MemoryImageStore : public ImageStore {
public:
    // The hash of decodable PNG data, or the empty text when it is no picture.
    std::string storeImagePngData(const std::vector<uint8_t>& pngData);
    bool hasImage(const std::string& hash) const { return _pngData.count(hash) != 0; }
    // How often the model asked the store to forget unused images.
    int drops = 0;

    std::shared_ptr<const Image> customImageWithHash(const std::string& hash) override;
    std::string customImageFilePath(const std::string& hash) const override;
    std::string storeImagePngDataNamed(const std::vector<uint8_t>& pngData, const std::string& hash) override;
    void copyImages(const std::set<std::string>& hashes, ImageStore* source) override;
    void deleteAllImages() override;
    void dropUnusedImages() override;

private:
    std::map<std::string, std::vector<uint8_t>> _pngData;
    std::map<std::string, std::shared_ptr<const Image>> _images;
};
