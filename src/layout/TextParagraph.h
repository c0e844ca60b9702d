#pragma once

#include "MindMaps/TextSizeCalculator.h"
#include "layout/TextSizeProvider.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// One paragraph of a text that is being word-wrapped: its words in order, whether empty lines
// stood before it, whether it starts with a list marker, and the range of useful wrap widths.
class TextParagraph {
public:
    // The text's words: trimmed at both ends, split at every white-space or line-break
    // character, empty pieces dropped.
    explicit TextParagraph(const std::string& text);

    const std::vector<std::string>& words() const { return _words; }
    bool isEmpty() const { return _words.empty(); }

    // Empty lines stood before the paragraph; its wrapped text then starts with a line break.
    bool lfPrefix() const { return _lfPrefix; }
    void setLfPrefix(bool lfPrefix) { _lfPrefix = lfPrefix; }
    // The first word is a list marker that must not stand alone on the first line.
    bool fixedFirstWord() const { return _fixedFirstWord; }
    void setFixedFirstWord(bool fixedFirstWord) { _fixedFirstWord = fixedFirstWord; }

    // The width of the whole paragraph on one line and that of its narrowest word, both rounded
    // to whole points. Valid after calculateWrapRange.
    int64_t maxWrapWidth() const { return _maxWrapWidth; }
    int64_t minWrapWidth() const { return _minWrapWidth; }

    // Waits for its caller in the editor.
    TextSizeProvider* textSizeProvider() const { return _textSizeProvider; }
    void setTextSizeProvider(TextSizeProvider* provider) { _textSizeProvider = provider; }

    // Measures the range of wrap widths through the size provider; a paragraph without words
    // keeps its range.
    void calculateWrapRange();

    // Words first..last (inclusive) joined by single spaces.
    std::string buildLineFromWords(size_t first, size_t last) const;

    // The paragraph broken into lines no wider than wrapWidth where the words allow it: a line
    // always holds at least one word, and a leading list marker never stands alone.
    std::string convertWrapWidthToBreaks(int64_t wrapWidth) const;

private:
    double lineWidth(size_t first, size_t last) const;
    size_t lastWordOfLine(size_t start, double width) const;

    std::vector<std::string> _words;
    bool _lfPrefix = false;
    bool _fixedFirstWord = false;
    int64_t _maxWrapWidth = 0;
    int64_t _minWrapWidth = 0;
    TextSizeProvider* _textSizeProvider = nullptr;
};
