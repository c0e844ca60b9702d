#include "preferences/GlobalFontsModel.h"

#include "MindMaps/StyleSheet.h"
#include "platform/Localizer.h"
#include "platform/UserDefaults.h"

#include <cmath>

namespace {

// Taken for the duration of one change; a nested path sees it held and stays out.
class LockGuard {
public:
    explicit LockGuard(int& lock) : _lock(lock) { ++_lock; }
    ~LockGuard() { --_lock; }
    LockGuard(const LockGuard&) = delete;
    LockGuard& operator=(const LockGuard&) = delete;

private:
    int& _lock;
};

} // namespace

double GlobalFontsModel::scaleForSliderValue(double sliderValue)
{
    return std::round(std::exp2(sliderValue) * 100) / 100;
}

double GlobalFontsModel::sliderValueForScale(double scale)
{
    return std::log2(scale > 0 && std::isfinite(scale) ? scale : 1.0);
}

std::string GlobalFontsModel::scaleLabel(double scale)
{
    // The factor has two decimals, so the percentage is a whole number.
    return formatText("%@%%", {std::to_string(std::lround(scale * 100))});
}

GlobalFontsModel::GlobalFontsModel(UserDefaults& defaults) : _defaults(defaults)
{
    for (size_t i = 0; i < SelectorCount; ++i) {
        _selectors[i].setText(localized(SampleTextKeys[i]));
        _selectors[i].setDelegate([this](FontSelectorView&, const Font&) { fontSelected(); });
    }
}

GlobalFontsModel::~GlobalFontsModel() = default;

void GlobalFontsModel::viewDidLoad()
{
    {
        LockGuard lock(_fontsLock);
        showStyleSheetFonts();
    }
    _fontsObservation = NotificationCenter::defaultCenter().addObserver(
        StyleSheet::FontsChangeNotification, nullptr, [this](const Notification&) { styleSheetFontsChanged(); });
    _sliderValue = sliderValueForScale(_defaults.doubleForKey(GlobalScaleFactorKey));
}

std::string GlobalFontsModel::globalScaleFactorChanged(double sliderValue)
{
    _sliderValue = sliderValue;
    const double scale = scaleForSliderValue(sliderValue);
    _defaults.setDouble(GlobalScaleFactorKey, scale);
    return scaleLabel(scale);
}

void GlobalFontsModel::fontSelected()
{
    if (_fontsLock) return;
    LockGuard lock(_fontsLock);
    StyleSheet::changeStyleSheetFonts(_selectors[CentralThemes].font(), _selectors[MainBranches].font(),
                                      _selectors[SubBranches].font(), _selectors[Labels].font(),
                                      _selectors[Outline].font());
}

void GlobalFontsModel::showStyleSheetFonts()
{
    _selectors[CentralThemes].setFont(StyleSheet::centralThemeFont());
    _selectors[MainBranches].setFont(StyleSheet::mainBranchFont());
    _selectors[SubBranches].setFont(StyleSheet::subBranchFont());
    _selectors[Labels].setFont(StyleSheet::textFont());
    _selectors[Outline].setFont(StyleSheet::outlineFont());
}

void GlobalFontsModel::styleSheetFontsChanged()
{
    if (_fontsLock) return;
    LockGuard lock(_fontsLock);
    showStyleSheetFonts();
}

void GlobalFontsModel::restoreDefaults()
{
    StyleSheet::restoreDefaultFonts();
}
