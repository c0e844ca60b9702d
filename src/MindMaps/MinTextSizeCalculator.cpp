#include "MindMaps/MinTextSizeCalculator.h"

#include "MindMaps/StyleSheet.h"
#include "platform/TextMeasurer.h"

MinTextSizeCalculator& MinTextSizeCalculator::instance()
{
    static MinTextSizeCalculator calculator;
    return calculator;
}

MinTextSizeCalculator::MinTextSizeCalculator()
{
    _styleSheetFonts.reserve(5);
    _fontsChangedObservation = NotificationCenter::defaultCenter().addObserver(
        StyleSheet::FontsChangeNotification, nullptr,
        [this](const Notification& notification) { styleSheetFontsChanged(notification); });
    styleSheetFontsChanged(Notification());
}

Size MinTextSizeCalculator::minTextSizeForFont(const Font& font)
{
    for (const auto& [kept, size] : _styleSheetFonts) {
        if (kept == font) return size;
    }
    return calcTextSizeForFont(font);
}

Size MinTextSizeCalculator::calcTextSizeForFont(const Font& font)
{
    return TextMeasurer::shared().sizeForText(SampleText, font);
}

void MinTextSizeCalculator::styleSheetFontsChanged(const Notification&)
{
    _styleSheetFonts.clear();
    for (const Font& font : {StyleSheet::centralThemeFont(), StyleSheet::mainBranchFont(), StyleSheet::subBranchFont(),
                             StyleSheet::textFont()}) {
        // Two levels may share a font; the first measurement serves both.
        bool known = false;
        for (const auto& entry : _styleSheetFonts) known = known || entry.first == font;
        if (!known) _styleSheetFonts.emplace_back(font, calcTextSizeForFont(font));
    }
}
