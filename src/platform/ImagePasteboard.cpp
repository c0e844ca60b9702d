#include "platform/ImagePasteboard.h"

#include "platform/Pasteboard.h"

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
