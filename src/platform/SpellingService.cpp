#include "platform/SpellingService.h"

#include "platform/Utf8.h"

#include <glib.h>
#include <pango/pango.h>

#include <cstdlib>

namespace {

class NoSpellingService : public SpellingService {
public:
    std::string language() const override { return {}; }
    std::string wantedLanguage() const override
    {
        const char* const* names = g_get_language_names();
        return names && names[0] ? names[0] : "C";
    }
    bool checkWord(std::string_view) override { return true; }
    std::vector<std::string> suggestions(std::string_view) override { return {}; }
    void ignoreWord(std::string_view) override {}
    void forgetIgnoredWords() override {}
};

SpellingService* installedService = nullptr;

// The text's characters, an ill-formed byte standing for one replacement character, so that
// Pango (which needs valid UTF-8) sees exactly as many characters as the positions count.
struct DecodedText {
    std::vector<char32_t> characters;
    std::string valid;
};

DecodedText decode(std::string_view text)
{
    DecodedText decoded;
    decoded.characters.reserve(text.size());
    decoded.valid.reserve(text.size());
    size_t pos = 0;
    while (pos < text.size()) {
        char32_t c = Utf8::decodeNext(text, pos);
        // Pango stops at a NUL, which would leave the later characters without attributes.
        if (c == Utf8::Invalid || c == 0) c = 0xFFFD;
        decoded.characters.push_back(c);
        Utf8::append(decoded.valid, c);
    }
    return decoded;
}

bool isApostrophe(char32_t c)
{
    return c == U'\'' || c == U'\u2019';
}

} // namespace

void SpellingService::setShared(SpellingService* service)
{
    installedService = service;
}

SpellingService& SpellingService::shared()
{
    static NoSpellingService none;
    return installedService ? *installedService : none;
}

namespace SpellingWords {

size_t characterCount(std::string_view text)
{
    size_t count = 0;
    for (size_t pos = 0; pos < text.size(); ++count) Utf8::decodeNext(text, pos);
    return count;
}

size_t byteOffset(std::string_view text, size_t characters)
{
    size_t pos = 0;
    for (size_t i = 0; i < characters && pos < text.size(); ++i) Utf8::decodeNext(text, pos);
    return pos;
}

std::string substring(std::string_view text, Range range)
{
    if (range.location > range.end() || range.end() > characterCount(text)) return {};
    const size_t from = byteOffset(text, range.location);
    const size_t to = byteOffset(text, range.end());
    return std::string(text.substr(from, to - from));
}

std::string replace(std::string_view text, Range range, std::string_view replacement)
{
    if (range.location > range.end() || range.end() > characterCount(text)) return std::string(text);
    const size_t from = byteOffset(text, range.location);
    const size_t to = byteOffset(text, range.end());
    std::string result(text.substr(0, from));
    result += replacement;
    result += text.substr(to);
    return result;
}

std::vector<Range> words(std::string_view text)
{
    std::vector<Range> found;
    if (text.empty()) return found;
    const DecodedText decoded = decode(text);
    const size_t count = decoded.characters.size();
    std::vector<PangoLogAttr> attrs(count + 1);
    pango_get_log_attrs(decoded.valid.data(), static_cast<int>(decoded.valid.size()), -1, pango_language_get_default(),
                        attrs.data(), static_cast<int>(attrs.size()));
    size_t i = 0;
    while (i < count) {
        if (!attrs[i].is_word_start) {
            ++i;
            continue;
        }
        size_t end = i + 1;
        while (end < count && !attrs[end].is_word_end) ++end;
        // An apostrophe between letters belongs to the word ("don't"), as the text view's inline
        // checker has it.
        while (end + 1 < count && isApostrophe(decoded.characters[end]) && attrs[end + 1].is_word_start) {
            end += 2;
            while (end < count && !attrs[end].is_word_end) ++end;
        }
        bool hasLetter = false;
        for (size_t k = i; k < end && !hasLetter; ++k) hasLetter = g_unichar_isalpha(decoded.characters[k]);
        if (hasLetter) found.push_back(Range{i, end - i});
        i = end;
    }
    return found;
}

std::optional<Range> findMisspelledWord(SpellingService& service, std::string_view text, size_t start)
{
    const std::vector<Range> found = words(text);
    if (found.empty()) return std::nullopt;
    // Byte offsets of every character once, so that a long text is not walked again per word.
    std::vector<size_t> offsets;
    offsets.reserve(text.size() + 1);
    for (size_t pos = 0; pos < text.size();) {
        offsets.push_back(pos);
        Utf8::decodeNext(text, pos);
    }
    offsets.push_back(text.size());
    for (const Range& word : found) {
        if (word.location < start) continue;
        const size_t from = offsets[word.location];
        if (!service.checkWord(text.substr(from, offsets[word.end()] - from))) return word;
    }
    return std::nullopt;
}

} // namespace SpellingWords
