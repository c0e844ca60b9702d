#pragma once

#include "platform/TextMeasurer.h"

// A measurer for tests that needs no fonts and gives the same sizes everywhere: every UTF-16 unit
// is 0.6 x its font size wide, a line is 1.2 x the largest font size on it high, "\n" starts a
// new line. When wrapping, lines break at spaces, the spaces at a break do not count, and a word
// wider than the wrap width breaks between characters (never between the two units of one
// character). Superscripts and alignment change nothing.
class FakeTextMeasurer : public TextMeasurer {
public:
    Size sizeForText(const std::string& text, const Font& font, double wrapWidth = 0) override;
    Size sizeForAttributedString(const AttributedString& text, double wrapWidth = 0) override;
};
