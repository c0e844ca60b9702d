#include "Utils/PathValidation.h"

#include "Utils/StringUtils.h"
#include "platform/Utf8.h"

#include <glib.h>

namespace {

// Letters and marks, numbers, punctuation and symbols.
bool isKept(char32_t c)
{
    switch (g_unichar_type(c)) {
    case G_UNICODE_LOWERCASE_LETTER:
    case G_UNICODE_MODIFIER_LETTER:
    case G_UNICODE_OTHER_LETTER:
    case G_UNICODE_TITLECASE_LETTER:
    case G_UNICODE_UPPERCASE_LETTER:
    case G_UNICODE_SPACING_MARK:
    case G_UNICODE_ENCLOSING_MARK:
    case G_UNICODE_NON_SPACING_MARK:
    case G_UNICODE_DECIMAL_NUMBER:
    case G_UNICODE_LETTER_NUMBER:
    case G_UNICODE_OTHER_NUMBER:
    case G_UNICODE_CONNECT_PUNCTUATION:
    case G_UNICODE_DASH_PUNCTUATION:
    case G_UNICODE_CLOSE_PUNCTUATION:
    case G_UNICODE_FINAL_PUNCTUATION:
    case G_UNICODE_INITIAL_PUNCTUATION:
    case G_UNICODE_OTHER_PUNCTUATION:
    case G_UNICODE_OPEN_PUNCTUATION:
    case G_UNICODE_CURRENCY_SYMBOL:
    case G_UNICODE_MODIFIER_SYMBOL:
    case G_UNICODE_MATH_SYMBOL:
    case G_UNICODE_OTHER_SYMBOL:
        return true;
    default:
        return false;
    }
}

bool isOnlyDots(std::string_view text)
{
    return !text.empty() && text.find_first_not_of('.') == std::string_view::npos;
}

bool isSeparator(char c)
{
    return c == '/' || c == '\\';
}

// Drops the components that are "." or "..", with the separator before each, so that no component
// can climb out of the folder the path is taken relative to. A backslash counts as a separator
// here because callers may turn backslashes into slashes later.
std::string withoutDotComponents(std::string_view path)
{
    std::string out;
    bool first = true;
    bool dropped = false;
    size_t start = 0;
    for (;;) {
        size_t end = start;
        while (end < path.size() && !isSeparator(path[end])) ++end;
        const std::string_view component = path.substr(start, end - start);
        if (component == "." || component == "..") {
            dropped = true;
        } else {
            if (!first) out += path[start - 1];
            out += component;
            first = false;
        }
        if (end == path.size()) break;
        start = end + 1;
    }
    if (!dropped) return std::string(path);
    // "/.." keeps its root.
    if (out.empty() && !path.empty() && isSeparator(path.front())) return std::string(1, path.front());
    return out;
}

} // namespace

std::string_view invalidFileNameCharacters()
{
    return "<>:\"/\\|?*";
}

std::string_view invalidPathCharacters()
{
    return "<>:\"|?*";
}

bool containsInvalidFilenameChars(std::string_view text)
{
    return text.find_first_of(invalidFileNameCharacters()) != std::string_view::npos;
}

std::string stringByRemovingInvalidChars(std::string_view text, bool isPath, bool allowSpaces)
{
    const std::string_view invalid = isPath ? invalidPathCharacters() : invalidFileNameCharacters();
    std::string out;
    out.reserve(text.size());
    bool spaceAdded = false;
    size_t pos = 0;
    while (pos < text.size()) {
        const char32_t c = Utf8::decodeNext(text, pos);
        if (c == Utf8::Invalid || c > 0xFFFF) continue;
        if (isWhitespaceOrNewline(c)) {
            if (allowSpaces && !spaceAdded) {
                out += ' ';
                spaceAdded = true;
            }
            continue;
        }
        if (!isKept(c) && !(isPath && c == '/')) continue;
        if (c < 0x80 && invalid.find(static_cast<char>(c)) != std::string_view::npos) continue;
        Utf8::append(out, c);
        spaceAdded = false;
    }

    std::string cleaned(trimmedWhitespaceAndNewlines(out));
    if (isPath) {
        // Trimming can bring a ".." to the front again ("../ .."), so repeat until nothing changes.
        for (;;) {
            std::string next(trimmedWhitespaceAndNewlines(withoutDotComponents(cleaned)));
            if (next == cleaned) return cleaned;
            cleaned = std::move(next);
        }
    }
    if (isOnlyDots(cleaned)) return {};
    return cleaned;
}

std::string stringByRemovingInvalidFileNameCharsAllowSpaces(std::string_view text, bool allowSpaces)
{
    return stringByRemovingInvalidChars(text, false, allowSpaces);
}

std::string stringByRemovingInvalidPathCharsAllowSpaces(std::string_view text, bool allowSpaces)
{
    return stringByRemovingInvalidChars(text, true, allowSpaces);
}

std::string stringByNormalizingPathSeparators(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        if (c == '\\') c = '/';
        if (c == '/' && !out.empty() && out.back() == '/') continue;
        out += c;
    }
    return out;
}

std::string stringWithSaneFileNameLength(std::string_view text)
{
    size_t pos = 0;
    size_t characters = 0;
    while (pos < text.size() && characters < SaneFileNameLength) {
        Utf8::decodeNext(text, pos);
        ++characters;
    }
    return std::string(text.substr(0, pos));
}

std::string includeTrailingPathSeparator(std::string_view text)
{
    std::string out(text);
    if (!out.empty() && out.back() != '/') out += '/';
    return out;
}
