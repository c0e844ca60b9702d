#include "platform/ImagePasteboard.h"

#include "platform/Pasteboard.h"

#include <string>

bool ImagePasteboard::canInitWithPasteboard(const Pasteboard& pasteboard)
{
    for (const std::string& type : pasteboard.types()) {
        if (type.rfind("image/", 0) == 0 && type.size() > 6) return true;
    }
    return false;
}
