#include "Utils/StringUtils.h"

#include "platform/Utf8.h"

#include <glib.h>

#include <algorithm>
#include <memory>

namespace {

bool isNewline(char32_t c)
{
    return (c >= 0x0A && c <= 0x0D) || c == 0x85 || c == 0x2028 || c == 0x2029;
}

bool isAsciiWhitespaceOrNewline(unsigned char byte)
{
    return (byte >= 0x09 && byte <= 0x0D) || byte == 0x20;
}

struct GFreeDeleter {
    void operator()(gchar* p) const { g_free(p); }
};
using GText = std::unique_ptr<gchar, GFreeDeleter>;

// Case-folded and decomposed, so that "É" and "e\u0301" compare equal as well.
std::string foldedForComparison(std::string_view piece)
{
    if (piece.empty()) return {};
    GText folded(g_utf8_casefold(piece.data(), static_cast<gssize>(piece.size())));
    GText normal(g_utf8_normalize(folded.get(), -1, G_NORMALIZE_NFD));
    return normal ? std::string(normal.get()) : std::string(folded.get());
}

} // namespace

bool isWhitespaceOrNewline(char32_t c)
{
    return (c >= 0x09 && c <= 0x0D) || c == 0x20 || c == 0x85 || c == 0xA0 || c == 0x1680 ||
        (c >= 0x2000 && c <= 0x200A) || c == 0x2028 || c == 0x2029 || c == 0x202F || c == 0x205F || c == 0x3000;
}

std::string NormalizeNewlines(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    // Everything between two line ends is copied in one piece: a large text has few line ends
    // among many characters. Only bytes outside ASCII are decoded.
    size_t pos = 0;
    size_t copied = 0;
    while (pos < text.size()) {
        const size_t start = pos;
        const auto byte = static_cast<unsigned char>(text[pos]);
        char32_t c = byte;
        if (byte < 0x80) ++pos;
        else c = Utf8::decodeNext(text, pos);
        if (c == Utf8::Invalid || !isNewline(c)) continue;
        out.append(text.substr(copied, start - copied));
        if (c == '\r' && pos < text.size() && text[pos] == '\n') ++pos;
        out += '\n';
        copied = pos;
    }
    out.append(text.substr(copied));
    return out;
}

bool caseInsensitiveEqual(std::string_view text, std::string_view other)
{
    // Folding and decomposing ASCII only lowers its letters; a character beyond ASCII may fold
    // into it, so only two texts of ASCII alone skip GLib.
    const auto ascii = [](std::string_view piece) {
        return std::all_of(piece.begin(), piece.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
    };
    if (ascii(text) && ascii(other)) return asciiCaseInsensitiveEqual(text, other);
    if (!Utf8::isValid(text) || !Utf8::isValid(other)) return asciiCaseInsensitiveEqual(text, other);
    // GLib works on NUL-terminated pieces, so texts holding NUL characters are compared piecewise.
    for (;;) {
        const size_t a = text.find('\0');
        const size_t b = other.find('\0');
        if (foldedForComparison(text.substr(0, a)) != foldedForComparison(other.substr(0, b))) return false;
        if (a == std::string_view::npos || b == std::string_view::npos) return a == b;
        text.remove_prefix(a + 1);
        other.remove_prefix(b + 1);
    }
}

std::string canonicalForFileSystem(std::string_view text)
{
    if (text.empty() || text.find('\0') != std::string_view::npos || !Utf8::isValid(text)) return std::string(text);
    GText normal(g_utf8_normalize(text.data(), static_cast<gssize>(text.size()), G_NORMALIZE_NFD));
    if (!normal) return std::string(text);
    return normal.get();
}

bool asciiCaseInsensitiveEqual(std::string_view a, std::string_view b)
{
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (g_ascii_tolower(a[i]) != g_ascii_tolower(b[i])) return false;
    }
    return true;
}

std::string asciiLowercased(std::string text)
{
    for (char& c : text) c = g_ascii_tolower(c);
    return text;
}

std::string lowercased(std::string_view text)
{
    if (text.empty()) return {};
    GText valid(g_utf8_make_valid(text.data(), static_cast<gssize>(text.size())));
    GText lower(g_utf8_strdown(valid.get(), -1));
    return std::string(lower.get());
}

std::string trimWhitespaceAndNewlines(std::string_view text)
{
    return std::string(trimmedWhitespaceAndNewlines(text));
}

std::string_view trimmedWhitespaceAndNewlines(std::string_view text)
{
    size_t begin = 0;
    while (begin < text.size()) {
        size_t next = begin;
        const char32_t c = Utf8::decodeNext(text, next);
        if (c == Utf8::Invalid || !isWhitespaceOrNewline(c)) break;
        begin = next;
    }
    if (begin == text.size()) return {};
    // An ASCII byte is always a character of its own, whatever precedes it, so the end can be
    // trimmed backwards over those; only a text ending in other characters is decoded from the
    // front to find where its last character starts.
    size_t end = text.size();
    while (end > begin && isAsciiWhitespaceOrNewline(static_cast<unsigned char>(text[end - 1]))) --end;
    if (static_cast<unsigned char>(text[end - 1]) >= 0x80) {
        end = begin;
        size_t pos = begin;
        while (pos < text.size()) {
            const char32_t c = Utf8::decodeNext(text, pos);
            if (c == Utf8::Invalid || !isWhitespaceOrNewline(c)) end = pos;
        }
    }
    return text.substr(begin, end - begin);
}
