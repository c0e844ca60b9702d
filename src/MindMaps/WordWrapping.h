#pragma once

#include <cstdint>

// The word-wrap state an element holds while the user drags its wrap handle (or for one default
// wrap); the layout library makes it through the map layouter.
class WordWrapping {
public:
    virtual ~WordWrapping() = default;

    // A negative width ends wrapping; any other width rewrites the element's text when the
    // wrapped text differs from it.
    virtual void setWrapWidth(int64_t width) = 0;
    // The range of wrap widths offered to the user (the spelling is the established one).
    virtual int64_t maxWrapWith() const = 0;
    virtual int64_t minWrapWith() const = 0;
};
