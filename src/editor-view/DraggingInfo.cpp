#include "editor-view/DraggingInfo.h"

#include "Utils/URLUtils.h"
#include "editor-view/CustomImageHandler.h"
#include "platform/Utf8.h"

#include <algorithm>
#include <cstring>

namespace {

bool contains(const std::vector<std::string>& list, const std::string& value)
{
    return std::find(list.begin(), list.end(), value) != list.end();
}

bool hasNul(std::string_view text)
{
    return text.find('\0') != std::string_view::npos;
}

std::string latin1ToUtf8(std::string_view bytes)
{
    std::string text;
    text.reserve(bytes.size());
    for (unsigned char byte : bytes) Utf8::append(text, char32_t(byte));
    return text;
}

std::string_view trimmed(std::string_view text)
{
    const auto space = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (!text.empty() && space(text.front())) text.remove_prefix(1);
    while (!text.empty() && space(text.back())) text.remove_suffix(1);
    return text;
}

// The first line of a "url\ntitle" text, trimmed; nothing when it is empty or no URL.
std::optional<std::string> firstLineURL(std::string_view text)
{
    if (!Utf8::isValid(text) || hasNul(text)) return std::nullopt;
    const std::string_view line = trimmed(text.substr(0, text.find_first_of("\r\n")));
    if (line.empty() || !parseURLString(line)) return std::nullopt;
    return std::string(line);
}

// UTF-16 in either byte order, told by a byte order mark, else little-endian as browsers send it.
std::optional<std::string> utf16ToUtf8(const std::vector<uint8_t>& data)
{
    if (data.size() % 2 != 0) return std::nullopt;
    size_t pos = 0;
    bool bigEndian = false;
    if (data.size() >= 2 && data[0] == 0xFE && data[1] == 0xFF) {
        bigEndian = true;
        pos = 2;
    } else if (data.size() >= 2 && data[0] == 0xFF && data[1] == 0xFE) {
        pos = 2;
    }
    const auto unitAt = [&](size_t at) {
        return bigEndian ? char32_t(data[at] << 8 | data[at + 1]) : char32_t(data[at + 1] << 8 | data[at]);
    };
    std::string text;
    while (pos < data.size()) {
        char32_t unit = unitAt(pos);
        pos += 2;
        if (unit == 0) break;
        if (unit >= 0xD800 && unit <= 0xDBFF) {
            if (pos >= data.size()) return std::nullopt;
            const char32_t low = unitAt(pos);
            if (low < 0xDC00 || low > 0xDFFF) return std::nullopt;
            pos += 2;
            unit = 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00);
        } else if (unit >= 0xDC00 && unit <= 0xDFFF) {
            return std::nullopt;
        }
        Utf8::append(text, unit);
    }
    return text;
}

} // namespace

const std::vector<std::string>& DraggingInfo::textTypes()
{
    static const std::vector<std::string> types{"text/plain;charset=utf-8", "UTF8_STRING", "text/plain", "STRING",
                                                "TEXT"};
    return types;
}

std::vector<std::string> DraggingInfo::acceptedTypes(const std::vector<std::string>& imageTypes)
{
    std::vector<std::string> types{ColorType, UriListType, NetscapeURLType, MozillaURLType, CloudImageType};
    // Lossless pictures first.
    if (contains(imageTypes, "image/png")) types.emplace_back("image/png");
    for (const std::string& type : imageTypes) {
        if (!contains(types, type)) types.push_back(type);
    }
    for (const std::string& type : textTypes()) types.push_back(type);
    return types;
}

uint32_t DraggingInfo::kindsOfTypes(const std::vector<std::string>& offered, const std::vector<std::string>& imageTypes,
                                    bool sameApplication)
{
    uint32_t kinds = 0;
    for (const std::string& type : offered) {
        if (type == ColorType) kinds |= ColorKind;
        else if (type == UriListType) kinds |= UriListKind;
        else if (type == NetscapeURLType || type == MozillaURLType) kinds |= URLKind;
        else if (type == CloudImageType && sameApplication) kinds |= CloudImageKind;
        else if (type == CloudImageType) continue;
        else if (contains(imageTypes, type)) kinds |= ImageKind;
        else if (contains(textTypes(), type)) kinds |= StringKind;
    }
    return kinds;
}

std::vector<std::string> DraggingInfo::typesToRead(const std::vector<std::string>& offered,
                                                   const std::vector<std::string>& imageTypes, bool sameApplication)
{
    std::vector<std::string> types;
    const auto takeFirstOffered = [&](const std::vector<std::string>& candidates) {
        for (const std::string& type : candidates) {
            if (contains(offered, type)) {
                types.push_back(type);
                return;
            }
        }
    };
    takeFirstOffered({ColorType});
    takeFirstOffered({UriListType});
    takeFirstOffered({NetscapeURLType, MozillaURLType});
    if (sameApplication) takeFirstOffered({CloudImageType});
    std::vector<std::string> pictures;
    if (contains(imageTypes, "image/png")) pictures.emplace_back("image/png");
    pictures.insert(pictures.end(), imageTypes.begin(), imageTypes.end());
    takeFirstOffered(pictures);
    takeFirstOffered(textTypes());
    return types;
}

std::optional<DraggingInfo::UriList> DraggingInfo::parseUriList(std::string_view data)
{
    if (data.size() > MaximumTextBytes || !Utf8::isValid(data) || hasNul(data)) return std::nullopt;
    UriList list;
    size_t count = 0;
    size_t start = 0;
    while (start < data.size()) {
        size_t end = data.find('\n', start);
        if (end == std::string_view::npos) end = data.size();
        const std::string_view line = trimmed(data.substr(start, end - start));
        start = end + 1;
        if (line.empty() || line.front() == '#') continue;
        if (++count > MaximumUriCount) return std::nullopt;
        const std::optional<URLComponents> url = parseURLString(line);
        if (!url || url->scheme.empty()) continue;
        if (url->scheme == "file") {
            // Files on other machines have no path here.
            std::string path = pathWithFileURL(line);
            if (!path.empty() && !hasNul(path) && Utf8::isValid(path)) list.fileNames.push_back(std::move(path));
        } else {
            list.urls.emplace_back(line);
        }
    }
    return list;
}

std::optional<Color> DraggingInfo::colorFromData(const std::vector<uint8_t>& data)
{
    if (data.size() != 4 * sizeof(uint16_t)) return std::nullopt;
    uint16_t channels[4];
    std::memcpy(channels, data.data(), sizeof channels);
    return Color(channels[0] / 65535.0, channels[1] / 65535.0, channels[2] / 65535.0, channels[3] / 65535.0);
}

std::optional<std::string> DraggingInfo::urlFromNetscapeURL(const std::vector<uint8_t>& data)
{
    if (data.size() > MaximumTextBytes) return std::nullopt;
    return firstLineURL(std::string_view(reinterpret_cast<const char*>(data.data()), data.size()));
}

std::optional<std::string> DraggingInfo::urlFromMozillaURL(const std::vector<uint8_t>& data)
{
    if (data.size() > MaximumTextBytes) return std::nullopt;
    const std::optional<std::string> text = utf16ToUtf8(data);
    if (!text) return std::nullopt;
    return firstLineURL(*text);
}

std::optional<std::string> DraggingInfo::textFromData(const std::vector<uint8_t>& data, const std::string& type)
{
    if (data.size() > MaximumTextBytes) return std::nullopt;
    std::string_view bytes(reinterpret_cast<const char*>(data.data()), data.size());
    // Some programs count the C string's terminator in.
    if (!bytes.empty() && bytes.back() == '\0') bytes.remove_suffix(1);
    if (hasNul(bytes)) return std::nullopt;
    if (type == "STRING") return latin1ToUtf8(bytes);
    if (Utf8::isValid(bytes)) return std::string(bytes);
    if (type == "UTF8_STRING" || type == "text/plain;charset=utf-8") return std::nullopt;
    return latin1ToUtf8(bytes);
}

std::optional<std::string> DraggingInfo::cloudImagePathFromData(const std::vector<uint8_t>& data)
{
    const std::optional<std::string> text = textFromData(data, "UTF8_STRING");
    if (!text || text->empty() || text->front() != '/') return std::nullopt;
    return text;
}

void DraggingInfo::readData(const std::string& type, const std::vector<uint8_t>& data)
{
    if (type == ColorType) {
        if (auto value = colorFromData(data)) color = value;
    } else if (type == UriListType) {
        if (auto list = parseUriList(std::string_view(reinterpret_cast<const char*>(data.data()), data.size()))) {
            fileNames = std::move(list->fileNames);
            _fileImage.reset();
            _fileImageDecoded = false;
            if (!url && !list->urls.empty()) url = list->urls.front();
        }
    } else if (type == NetscapeURLType) {
        if (auto value = urlFromNetscapeURL(data)) url = value;
    } else if (type == MozillaURLType) {
        if (auto value = urlFromMozillaURL(data)) url = value;
    } else if (type == CloudImageType) {
        if (auto value = cloudImagePathFromData(data)) cloudImagePath = value;
    } else if (std::find(textTypes().begin(), textTypes().end(), type) != textTypes().end()) {
        if (auto value = textFromData(data, type)) string = value;
    } else if (type.rfind("image/", 0) == 0) {
        imageData = data;
        _image.reset();
        _imageDecoded = false;
    }
}

std::shared_ptr<const Image> DraggingInfo::image() const
{
    if (!_imageDecoded) {
        _imageDecoded = true;
        if (imageData) {
            Image decoded = Image::fromData(*imageData, CustomImageHandler::decodingSizeLimit());
            if (!decoded.isNull()) _image = std::make_shared<const Image>(std::move(decoded));
        }
    }
    return _image;
}

std::shared_ptr<const Image> DraggingInfo::firstFileImage() const
{
    if (!_fileImageDecoded) {
        _fileImageDecoded = true;
        if (fileNames && !fileNames->empty() && Image::isReadableFileType(fileNames->front())) {
            Image decoded = Image::fromFile(fileNames->front(), CustomImageHandler::decodingSizeLimit());
            if (!decoded.isNull()) _fileImage = std::make_shared<const Image>(std::move(decoded));
        }
    }
    return _fileImage;
}

DraggingInfo::DropRule DraggingInfo::ruleFor(bool targetPresent, bool atDrop) const
{
    if ((kinds & ColorKind) && targetPresent && (!atDrop || color)) return DropRule::Color;
    if (kinds & UriListKind) {
        if (!fileNames) {
            // Not read yet while dragging: a file list may hold anything, a picture included.
            if (!atDrop) return targetPresent ? DropRule::LinkFile : DropRule::ImageFile;
        } else if (!fileNames->empty()) {
            if (Image::isReadableFileType(fileNames->front()) && (!atDrop || firstFileImage()))
                return DropRule::ImageFile;
            if (targetPresent) return DropRule::LinkFile;
        }
    }
    if ((kinds & ImageKind) && (!atDrop || image())) return DropRule::PasteboardImage;
    const bool urlOffered = atDrop ? url.has_value() : ((kinds & URLKind) || url.has_value());
    if (targetPresent && urlOffered) return DropRule::LinkURL;
    if ((kinds & CloudImageKind) && targetPresent && (!atDrop || cloudImagePath)) return DropRule::CloudImage;
    if ((kinds & StringKind) && (!atDrop || string)) return DropRule::Text;
    return DropRule::None;
}

DragOperation DraggingInfo::operationForRule(DropRule rule)
{
    switch (rule) {
    case DropRule::LinkFile:
    case DropRule::LinkURL:
        return DragOperationLink;
    case DropRule::None:
        return DragOperationNone;
    default:
        return DragOperationCopy;
    }
}
