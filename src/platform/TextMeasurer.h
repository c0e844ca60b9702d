#pragma once

#include "platform/AttributedString.h"
#include "platform/Font.h"
#include "platform/Geometry.h"

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

// Measures plain text without wrapping for TextMeasurer::measureTextsAhead, as sizeForText does.
class PlainTextSizer {
public:
    virtual ~PlainTextSizer() = default;
    virtual Size sizeForText(const std::string& text, const Font& font) = 0;
};

// Measures laid-out text. A size is the used rectangle of the text: the width of its widest line
// and the height of all its lines. An empty text is 0 wide and one line of its font high. A wrap
// width of 0 (or less) means no wrapping; otherwise lines break between words, and inside a word
// only when the word alone is wider than the wrap width.
class TextMeasurer {
public:
    virtual ~TextMeasurer() = default;

    virtual Size sizeForText(const std::string& text, const Font& font, double wrapWidth = 0) = 0;

    // Text without a font attribute is measured in the default Font().
    virtual Size sizeForAttributedString(const AttributedString& text, double wrapWidth = 0) = 0;

    // The sizes of many texts, in their order, each as sizeForAttributedString gives it. Loading
    // a map measures all its topics at once: a measurer may lay them out side by side. Main thread
    // only, as every call.
    virtual std::vector<Size> sizesForAttributedStrings(const std::vector<const AttributedString*>& texts,
                                                        double wrapWidth = 0);

    // Calls measure(i, sizer) for every i below count and returns once every call has returned; a
    // measurer may make the calls side by side on several threads. The measurer keeps every size
    // the sizers find: work that measures many plain texts one at a time, each depending on the
    // last (word wrap finding its line breaks), runs ahead here, and finds all its sizes at once
    // when it runs for real. measure touches nothing but what belongs to index i and reads
    // nothing that another call changes. Main thread only.
    virtual void measureTextsAhead(size_t count,
                                   const std::function<void(size_t index, PlainTextSizer& sizer)>& measure);

    // The process-wide measurer: the real one unless a test put another in its place.
    static TextMeasurer& shared();
    // Puts a measurer (not owned; it must outlive its use) in place of the real one; nullptr
    // restores the real one.
    static void setShared(TextMeasurer* measurer);
};
