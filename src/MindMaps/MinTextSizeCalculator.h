#pragma once

#include "platform/Font.h"
#include "platform/Geometry.h"
#include "platform/NotificationCenter.h"

#include <string>
#include <utility>
#include <vector>

// The smallest room any text in a font needs: the size of a short sample with an ascender and
// descenders. It bounds a topic's text box and the in-place editor from below.
//
// The four user fonts of the style sheets (central theme, main branch, sub branch, free text) are
// asked for on every topic, so their sizes are measured once and kept until the style fonts
// change; any other font is measured at each call.
class MinTextSizeCalculator {
public:
    // The one-line sample measured for every font.
    static constexpr const char* SampleText = "Wyg";

    // The shared calculator, made on first use: it then measures the user fonts and starts
    // following their changes.
    static MinTextSizeCalculator& instance();

    MinTextSizeCalculator(const MinTextSizeCalculator&) = delete;
    MinTextSizeCalculator& operator=(const MinTextSizeCalculator&) = delete;

    // The kept size for a user font, a fresh measurement (not kept) for any other.
    Size minTextSizeForFont(const Font& font);

    // A fresh measurement of the sample in the font.
    Size calcTextSizeForFont(const Font& font);

    // Forgets the kept sizes and measures the current user fonts anew.
    void styleSheetFontsChanged(const Notification& notification);

private:
    MinTextSizeCalculator();

    std::vector<std::pair<Font, Size>> _styleSheetFonts;
    ObservationToken _fontsChangedObservation;
};
