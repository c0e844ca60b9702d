#pragma once

#include "layout/WordWrappableElement.h"

#include <cstdint>

// The word-wrap state of one element while the user drags its wrap handle (or for one default
// wrap). The element owns the state; the state keeps a plain pointer back to it.
class WordWrapState {
public:
    explicit WordWrapState(WordWrappableElement* element);

    // A negative width ends wrapping (-1). Otherwise the width is raised to the element's minimum
    // text width; a width equal to the current one changes nothing.
    void setWrapWidth(int64_t width);

    int64_t wrapWidth() const { return _wrapWidth; }
    // The range of wrap widths offered to the user (the spelling is the established one).
    int64_t maxWrapWith() const { return _maxWrapWidth; }
    int64_t minWrapWith() const { return _minWrapWidth; }

    Size calcTextSize(const std::string& text);

private:
    WordWrappableElement* _element;
    int64_t _minTextWidth = 0;
    int64_t _wrapWidth = -1;
    int64_t _maxWrapWidth = 0;
    int64_t _minWrapWidth = 0;
};
