#include "MemoryImageStore.h"

#include <glib.h>

namespace {

std::string sha1Hex(const std::vector<uint8_t>& data)
{
    gchar* digest = g_compute_checksum_for_data(G_CHECKSUM_SHA1, data.data(), data.size());
    std::string hex = digest ? digest : "";
    g_free(digest);
    return hex;
}

} // namespace

std::string MemoryImageStore::storeImagePngData(const std::vector<uint8_t>& pngData)
{
    if (pngData.empty()) return {};
    const std::string hash = sha1Hex(pngData);
    if (hasImage(hash)) return hash;
    Image image = Image::fromData(pngData);
    if (image.isNull()) return {};
    _pngData[hash] = pngData;
    _images[hash] = std::make_shared<const Image>(std::move(image));
    return hash;
}

std::shared_ptr<const Image> MemoryImageStore::customImageWithHash(const std::string& hash)
{
    const auto found = _images.find(hash);
    return found == _images.end() ? nullptr : found->second;
}

std::string MemoryImageStore::customImageFilePath(const std::string&) const
{
    return {};
}

std::string MemoryImageStore::storeImagePngDataNamed(const std::vector<uint8_t>& pngData, const std::string& hash)
{
    return sha1Hex(pngData) == hash ? storeImagePngData(pngData) : std::string();
}

void MemoryImageStore::copyImages(const std::set<std::string>& hashes, ImageStore* source)
{
    auto* memorySource = dynamic_cast<MemoryImageStore*>(source);
    if (!memorySource) return;
    for (const std::string& hash : hashes) {
        const auto found = memorySource->_pngData.find(hash);
        if (found != memorySource->_pngData.end()) storeImagePngData(found->second);
    }
}

void MemoryImageStore::deleteAllImages()
{
    _pngData.clear();
    _images.clear();
}

void MemoryImageStore::dropUnusedImages()
{
    ++drops;
}
