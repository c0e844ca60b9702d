#include "explorers/FileNameFormatter.h"

#include "Utils/PathValidation.h"
#include "Utils/StringUtils.h"
#include "platform/Graphemes.h"
#include "platform/Utf8.h"

#include <algorithm>

namespace {

bool isTrimmed(char32_t c)
{
    return c == '.' || isWhitespaceOrNewline(c);
}

// The start of the last character of the text (a lone byte that is not UTF-8 counts as one).
size_t lastCharacterStart(std::string_view text)
{
    size_t start = text.size() - 1;
    while (start > 0 && text.size() - start < 4 && (static_cast<unsigned char>(text[start]) & 0xC0) == 0x80) --start;
    size_t pos = start;
    Utf8::decodeNext(text, pos);
    return pos == text.size() ? start : text.size() - 1;
}

std::string_view trimmed(std::string_view text)
{
    while (!text.empty()) {
        size_t pos = 0;
        if (!isTrimmed(Utf8::decodeNext(text, pos))) break;
        text.remove_prefix(pos);
    }
    while (!text.empty()) {
        const size_t start = lastCharacterStart(text);
        size_t pos = start;
        if (!isTrimmed(Utf8::decodeNext(text, pos))) break;
        text.remove_suffix(text.size() - start);
    }
    return text;
}

} // namespace

bool FileNameFormatter::isInvalidCharacter(char32_t c)
{
    if (c == Utf8::Invalid || c < 0x20 || (c >= 0x7F && c < 0xA0)) return true;
    return c < 0x80 && invalidFileNameCharacters().find(static_cast<char>(c)) != std::string_view::npos;
}

std::string FileNameFormatter::withoutInvalidCharacters(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    size_t pos = 0;
    while (pos < text.size()) {
        const size_t start = pos;
        if (!isInvalidCharacter(Utf8::decodeNext(text, pos))) out.append(text.substr(start, pos - start));
    }
    return out;
}

std::string FileNameFormatter::withSaneLength(std::string_view text)
{
    if (text.size() <= MaximumCharacters) return std::string(text); // cannot hold more characters
    const size_t end =
        std::min(Graphemes::offsetAfter(text, MaximumCharacters), Graphemes::boundaryAtOrBefore(text, MaximumBytes));
    return std::string(text.substr(0, end));
}

std::string FileNameFormatter::normalizeString(std::string_view text) const
{
    const std::string cleaned = stringByRemovingInvalidFileNameCharsAllowSpaces(text, true);
    return std::string(trimmed(withSaneLength(cleaned)));
}

std::string FileNameFormatter::editingStringForObjectValue(std::string_view value) const
{
    return normalizeString(_suppressExtension ? fileNameWithoutExtension(value) : value);
}

FileNameFormatter::ObjectValue FileNameFormatter::getObjectValue(std::string_view text) const
{
    ObjectValue result{normalizeString(text), {}};
    if (result.value != text) result.error = InvalidCharactersError;
    return result;
}

FileNameFormatter::PartialCheck FileNameFormatter::isPartialStringValid(std::string_view partial) const
{
    size_t pos = 0;
    while (pos < partial.size()) {
        if (isInvalidCharacter(Utf8::decodeNext(partial, pos)))
            return {false, withSaneLength(withoutInvalidCharacters(partial)), InvalidCharactersError};
    }
    return {};
}

std::string_view fileNameExtension(std::string_view fileName)
{
    const size_t dot = fileName.rfind('.');
    if (dot == std::string_view::npos || dot == 0) return {};
    return fileName.substr(dot + 1);
}

std::string_view fileNameWithoutExtension(std::string_view fileName)
{
    const size_t dot = fileName.rfind('.');
    if (dot == std::string_view::npos || dot == 0) return fileName;
    return fileName.substr(0, dot);
}
