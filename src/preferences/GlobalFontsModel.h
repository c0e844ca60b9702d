#pragma once

#include "panels/FontSelectorView.h"
#include "platform/NotificationCenter.h"

#include <array>
#include <string>

class UserDefaults;

// The fonts pane without its widgets: the five global font wells, which change the style sheet's
// fonts together and follow it, and the editor scale, whose slider works in base-2 logarithms.
class GlobalFontsModel {
public:
    static constexpr const char* GlobalScaleFactorKey = "editorGlobalScaleFactor";
    static constexpr const char* ScaleLabelFormat = "%.0f%%";
    // The slider spans a quarter to four times the size.
    static constexpr double MinimumSliderValue = -2;
    static constexpr double MaximumSliderValue = 2;

    enum Selector { CentralThemes, MainBranches, SubBranches, Labels, Outline, SelectorCount };
    static constexpr std::array<const char*, SelectorCount> SampleTextKeys{
        "mindmap_central_themes", "mindmap_main_branches", "mindmap_sub_branches", "map_style_labels_style",
        "node_style_dialog_outline"};

    // The factor a slider value stands for, rounded to two decimals.
    static double scaleForSliderValue(double sliderValue);
    // The slider value of a stored factor; a factor that is not above 0 counts as 1.
    static double sliderValueForScale(double scale);
    // "150%" for 1.5.
    static std::string scaleLabel(double scale);

    explicit GlobalFontsModel(UserDefaults& defaults);
    ~GlobalFontsModel();

    FontSelectorView& selector(Selector which) { return _selectors[which]; }

    // The wells take the style sheet's fonts and the slider the stored factor; starts following
    // the style sheet.
    void viewDidLoad();
    double sliderValue() const { return _sliderValue; }
    // Stores the factor at once (everything observing the key follows) and answers the label.
    std::string globalScaleFactorChanged(double sliderValue);
    // A well's font was picked: all five go to the style sheet, which keeps those that differ.
    void fontSelected();
    // The style sheet's fonts changed: the wells show them, unless the change is the pane's own.
    void styleSheetFontsChanged();
    void restoreDefaults();

private:
    void showStyleSheetFonts();
    UserDefaults& _defaults;
    std::array<FontSelectorView, SelectorCount> _selectors;
    double _sliderValue = 0;
    // Keeps a change of the pane's own from reloading the wells halfway, and the reload from
    // writing back.
    int _fontsLock = 0;
    ObservationToken _fontsObservation;
};
