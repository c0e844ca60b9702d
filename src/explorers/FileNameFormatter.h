#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// Keeps names typed for files and folders valid: while typing it refuses the characters a file
// name may not hold, and when the name is taken it also limits its length and trims its ends.
class FileNameFormatter {
public:
    // The error text of a name that had to be changed.
    static constexpr const char* InvalidCharactersError = "Invalid file name characters";
    // Characters as the user counts them: a letter with its accents, or an emoji sequence, is one.
    static constexpr size_t MaximumCharacters = 70;
    // What the file systems take in one name, in bytes; a cut never goes beyond it.
    static constexpr size_t MaximumBytes = 255;

    // The editing text of a file leaves out its extension ("report.twkx" is edited as "report").
    bool suppressExtension() const { return _suppressExtension; }
    void setSuppressExtension(bool suppress) { _suppressExtension = suppress; }

    // The name as it is taken: invalid characters removed (runs of white space made one space),
    // cut to the sane length, white space, line ends and "." trimmed from both ends.
    std::string normalizeString(std::string_view text) const;

    std::string stringForObjectValue(std::string_view value) const { return normalizeString(value); }
    std::string editingStringForObjectValue(std::string_view value) const;

    // Always succeeds with the normalised text; the error says whether normalising changed it.
    struct ObjectValue {
        std::string value;
        std::string error; // empty when the text was taken as it was
    };
    ObjectValue getObjectValue(std::string_view text) const;

    // Whether the text being typed may stand. A refused text comes with the error and the text to
    // show instead: without the invalid characters, cut to the sane length, not trimmed.
    struct PartialCheck {
        bool valid = true;
        std::string replacement;
        std::string error;
    };
    PartialCheck isPartialStringValid(std::string_view partial) const;

    // Characters refused while typing: < > : " / \ | ? *, control characters and bytes that are
    // not UTF-8.
    static bool isInvalidCharacter(char32_t c);
    // At most MaximumCharacters characters and MaximumBytes bytes, never cut inside a UTF-8
    // sequence or a grapheme cluster. The text must be UTF-8.
    static std::string withSaneLength(std::string_view text);
    // The text without the characters isInvalidCharacter refuses.
    static std::string withoutInvalidCharacters(std::string_view text);

private:
    bool _suppressExtension = false;
};

// The extension of a file name: what follows its last ".", unless that dot begins the name.
std::string_view fileNameExtension(std::string_view fileName);
// The file name without its extension and the dot before it.
std::string_view fileNameWithoutExtension(std::string_view fileName);
