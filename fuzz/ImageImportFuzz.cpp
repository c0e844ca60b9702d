#include "FuzzHome.h"

// Arbitrary bytes imported as an image: decoding, conversion to PNG, storing and loading back must
// not crash, and whatever is stored must be a picture that loads again under its hash.
#include "platform/Image.h"
#include "store/CustomImageStore.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace {

CustomImageStore& store()
{
    static CustomImageStore* made = [] {
        const std::filesystem::path folder = fuzzhome::folder() / "images";
        std::filesystem::create_directories(folder);
        return new CustomImageStore(folder.string());
    }();
    return *made;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::vector<uint8_t> bytes(data, data + size);
    CustomImageStore& images = store();

    const Image image = Image::fromData(bytes);
    if (!image.isNull() && (image.pixelWidth() < 1 || image.pixelHeight() < 1)) abort();

    for (const std::string& hash : {images.storeImageData(bytes), images.importImage(image, 320)}) {
        if (hash.empty()) continue;
        if (hash.size() != 40 || images.customImageWithHash(hash) == nullptr) abort();
    }
    images.deleteAllImages();
    images.dropUnusedImages();
    return 0;
}
