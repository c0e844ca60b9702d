#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The desktop's spelling dictionary as the whole-map check uses it: check a word, suggest others,
// and ignore a word until the check run ends. Without an installed service every word passes and
// there is no dictionary. Main thread only.
class SpellingService {
public:
    virtual ~SpellingService() = default;

    // The language of the dictionary in use; empty when there is none.
    virtual std::string language() const = 0;
    // The language a dictionary was looked for, to name it when none was found.
    virtual std::string wantedLanguage() const = 0;
    // True for a word the dictionary knows or that is ignored in this run.
    virtual bool checkWord(std::string_view word) = 0;
    virtual std::vector<std::string> suggestions(std::string_view word) = 0;
    virtual void ignoreWord(std::string_view word) = 0;
    // A new check run begins: nothing is ignored any more.
    virtual void forgetIgnoredWords() = 0;

    bool hasDictionary() const { return !language().empty(); }

    // Installs the service (not owned); nullptr brings back the one without a dictionary.
    static void setShared(SpellingService* service);
    static SpellingService& shared();
};

// Positions in a text counted in characters (code points), the one unit of the spelling check;
// a byte that is not part of a well-formed UTF-8 sequence counts as one character, so that every
// text, however damaged, has a position for each of its parts.
namespace SpellingWords {

struct Range {
    size_t location = 0;
    size_t length = 0;
    size_t end() const { return location + length; }
    friend bool operator==(const Range&, const Range&) = default;
};

size_t characterCount(std::string_view text);
// The byte offset of a character position; the text's size for positions at or past its end.
size_t byteOffset(std::string_view text, size_t characters);
// The characters of the range; empty when the range does not lie within the text.
std::string substring(std::string_view text, Range range);
// The text with the range replaced; the text unchanged when the range does not lie within it.
std::string replace(std::string_view text, Range range, std::string_view replacement);

// The words of a text, split where Pango puts word boundaries (the inline checker of the text
// view splits there too, so both flag the same words); a run without a letter, such as a number,
// is not a word.
std::vector<Range> words(std::string_view text);

// The first word at or after the character position start that the service does not accept.
std::optional<Range> findMisspelledWord(SpellingService& service, std::string_view text, size_t start);

} // namespace SpellingWords
