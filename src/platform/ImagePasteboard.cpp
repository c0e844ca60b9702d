#include "platform/ImagePasteboard.h"

#include "platform/Pasteboard.h"

#include <algorithm>
#include <string>

namespace {

bool isPictureType(const std::string& type)
{
    return type.rfind("image/", 0) == 0 && type.size() > 6;
}

} // namespace

bool ImagePasteboard::canInitWithPasteboard(const Pasteboard& pasteboard)
{
    for (const std::string& type : pasteboard.types()) {
        if (isPictureType(type)) return true;
    }
    return false;
}

std::vector<std::string> ImagePasteboard::pictureTypes(const Pasteboard& pasteboard)
{
    std::vector<std::string> types = pasteboard.types();
    std::erase_if(types, [](const std::string& type) { return !isPictureType(type); });
    const std::vector<std::string> readable = Image::readableMediaTypes();
    std::stable_partition(types.begin(), types.end(), [&readable](const std::string& type) {
        return std::find(readable.begin(), readable.end(), type) != readable.end();
    });
    return types;
}

Image ImagePasteboard::imageFromPasteboard(const Pasteboard& pasteboard, int maxSide)
{
    for (const std::string& type : pasteboard.types()) {
        if (!isPictureType(type)) continue;
        const std::optional<std::vector<uint8_t>> data = pasteboard.dataForType(type);
        if (!data) continue;
        Image image = Image::fromData(*data, maxSide);
        if (!image.isNull()) return image;
    }
    return {};
}
