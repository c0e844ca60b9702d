#pragma once

#include "MindMaps/WordWrappableElement.h"
#include "MindMaps/WordWrapping.h"
#include "layout/TextParagraph.h"
#include "layout/TextSizeProvider.h"

#include <cstdint>
#include <string>
#include <vector>

// The word-wrap state of one element while the user drags its wrap handle (or for one default
// wrap). The element owns the state; the state keeps a plain pointer back to it.
//
// The paragraphs are taken from the element's text once, when the state is made, and every wrap
// width is applied to those words: repeated widths during one drag never pile up line breaks.
class WordWrapState : public WordWrapping, public TextSizeProvider {
public:
    explicit WordWrapState(WordWrappableElement* element);
    WordWrapState(const WordWrapState&) = delete; // the paragraphs measure through this object
    WordWrapState& operator=(const WordWrapState&) = delete;

    // A negative width ends wrapping (-1). Otherwise the width is raised to the element's minimum
    // text width; a width equal to the current one changes nothing. A new width rewrites the
    // element's text when the wrapped text differs from it.
    void setWrapWidth(int64_t width) override;

    int64_t wrapWidth() const { return _wrapWidth; }
    // The range of wrap widths offered to the user (the spelling is the established one).
    int64_t maxWrapWith() const override { return _maxWrapWidth; }
    int64_t minWrapWith() const override { return _minWrapWidth; }

    // The size of the string in the element's font.
    Size calcTextSize(const std::string& text) override;

private:
    std::string wrappedText() const;

    WordWrappableElement* _element;
    int64_t _minTextWidth = 0;
    int64_t _wrapWidth = -1;
    std::vector<TextParagraph> _paragraphs;
    int64_t _maxWrapWidth = 0;
    int64_t _minWrapWidth = 0;
};
