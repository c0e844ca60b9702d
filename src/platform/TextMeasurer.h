#pragma once

#include "platform/AttributedString.h"
#include "platform/Font.h"
#include "platform/Geometry.h"

#include <string>
#include <vector>

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

    // The process-wide measurer: the real one unless a test put another in its place.
    static TextMeasurer& shared();
    // Puts a measurer (not owned; it must outlive its use) in place of the real one; nullptr
    // restores the real one.
    static void setShared(TextMeasurer* measurer);
};
