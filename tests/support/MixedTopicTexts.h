#pragma once

#include "platform/Font.h"

#include <cstddef>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

// Topic texts as users of many languages write them: Latin, CJK, Arabic and emoji words, markdown
// spans of every kind, some texts over several lines; with the fonts such topics get. The same
// seed always gives the same texts, so measurements of them can be compared.
namespace MixedTopicTexts {

inline const std::vector<std::string>& words()
{
    static const std::vector<std::string> list = {
        "plan",
        "budget",
        "Review",
        "idea",
        "task",
        "Goal",
        "risk",
        "team",
        "launch",
        "draft",
        "AVA",
        "To",
        "caf\xC3\xA9",
        "na\xC3\xAFve",
        "\xC3\x9C"
        "bersicht",
        "fi",
        "ffl",
        "WAVE",
        "1.5",
        "(note)",
        "\"quoted\"",
        // Chinese and Japanese
        "\xE8\xAE\xA1\xE5\x88\x92",
        "\xE9\xA2\x84\xE7\xAE\x97",
        "\xE4\xBC\x9A\xE8\xAE\xAE",
        "\xE3\x81\x93\xE3\x82\x93\xE3\x81\xAB\xE3\x81\xA1\xE3\x81\xAF",
        // Arabic: shaped, joined and right to left
        "\xD8\xAE\xD8\xB7\xD8\xA9",
        "\xD9\x85\xD9\x8A\xD8\xB2\xD8\xA7\xD9\x86\xD9\x8A\xD8\xA9",
        "\xD9\x81\xD8\xB1\xD9\x8A\xD9\x82",
        "\xD8\xA7\xD9\x84\xD9\x87\xD8\xAF\xD9\x81",
        // emoji, one with a skin tone and one joined family
        "\xF0\x9F\x98\x80",
        "\xF0\x9F\x9A\x80",
        "\xF0\x9F\x91\x8D\xF0\x9F\x8F\xBD",
        "\xF0\x9F\x91\xA8\xE2\x80\x8D\xF0\x9F\x91\xA9\xE2\x80\x8D\xF0\x9F\x91\xA7",
    };
    return list;
}

// Markdown markers around a word: bold, italic, underline, strikethrough, superscript, subscript,
// and bold italic.
inline const std::vector<std::pair<std::string, std::string>>& spans()
{
    static const std::vector<std::pair<std::string, std::string>> list = {
        {"*", "*"}, {"_", "_"}, {"~", "~"}, {"~~", "~~"}, {"^^", "^^"}, {",,", ",,"}, {"_*", "*_"},
    };
    return list;
}

// One to twelve words; a fifth of the words inside a markdown span, now and then a line break.
inline std::string text(std::mt19937& random)
{
    std::uniform_int_distribution<size_t> count(1, 12);
    std::uniform_int_distribution<size_t> pickWord(0, words().size() - 1);
    std::uniform_int_distribution<size_t> pickSpan(0, spans().size() - 1);
    std::uniform_int_distribution<int> percent(0, 99);
    const size_t wanted = count(random);
    std::string result;
    for (size_t i = 0; i < wanted; ++i) {
        if (i > 0) result += percent(random) < 8 ? "\n" : " ";
        const std::string& word = words()[pickWord(random)];
        if (percent(random) < 20) {
            const auto& [open, close] = spans()[pickSpan(random)];
            result += open + word + close;
        } else {
            result += word;
        }
    }
    return result;
}

inline std::vector<std::string> texts(size_t count, uint32_t seed)
{
    std::mt19937 random(seed);
    std::vector<std::string> result;
    result.reserve(count);
    for (size_t i = 0; i < count; ++i) result.push_back(text(random));
    return result;
}

// Families with and without kerning and of other widths, and one the machine lacks.
inline const std::vector<std::string>& families()
{
    static const std::vector<std::string> list = {"DejaVu Sans", "DejaVu Serif", "DejaVu Sans Mono", "Helvetica"};
    return list;
}

// As many fonts as a map's style sheet and a few topics of their own give: each family in three
// sizes, upright or italic, regular or bold.
inline Font font(size_t index)
{
    static const double sizes[] = {12, 14.5, 20};
    return Font(families()[index % families().size()], sizes[(index / 4) % 3], (index / 3) % 2 == 1,
                (index / 5) % 4 == 1);
}

} // namespace MixedTopicTexts
