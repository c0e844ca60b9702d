#pragma once

#include "layout/TextParagraph.h"

#include <string>
#include <string_view>
#include <vector>

// Splits a text into paragraphs for word wrap: runs of text lines, bullet items and numbered
// items, separated by empty lines. An item goes on over the text lines after it until the next
// item or empty line.
class ParagraphParser {
public:
    enum LineType { EmptyLine = 0, TextLine = 1, BulletItem = 2, NumberedItem = 3 };

    static std::vector<TextParagraph> splitParagraphs(const std::string& text);

    // A line of nothing but white space and line breaks (or of nothing at all).
    static bool isEmptyLine(std::string_view line);
    // "*", "+" or "-" alone or followed by white space.
    static bool isUnorderedListStart(std::string_view line);
    // Decimal digits and a point, alone or followed by white space.
    static bool isOrderedListStart(std::string_view line);

    // The white space of a line: space separators and the tab.
    static bool isWhiteSpace(char32_t c);
    static bool isWhiteSpaceOrLineBreak(char32_t c);

    LineType getLineType(std::string_view line) const;
    std::vector<TextParagraph> doSplitParagraphs(const std::string& text);

private:
    void flush();

    std::vector<TextParagraph> _paragraphs;
    std::vector<std::string> _currentParagraph;
    bool _lfPrefix = false;
    bool _fixedFirstWord = false;
};
