#include "Editor/OutlineOptionsChoice.h"

#include "platform/UserDefaults.h"
#include "render/PaperSizes.h"

#include <utility>

OutlineOptionsChoice::OutlineOptionsChoice(bool allowSelectionRange) : _allowSelectionRange(allowSelectionRange)
{
    loadSettings();
}

void OutlineOptionsChoice::setPageFormat(int64_t format)
{
    if (format >= 0 && format <= PaperFormatCount()) _pageFormat = format;
}

void OutlineOptionsChoice::setOutlineOptions(uint64_t options)
{
    _options = options & AllOptions;
    if (!(_options & FilterCheckboxes)) _options &= ~FilterUnchecked;
}

void OutlineOptionsChoice::setOptionOn(uint64_t bit, bool on)
{
    setOutlineOptions(on ? (_options | bit) : (_options & ~bit));
}

void OutlineOptionsChoice::applyPreset(size_t preset)
{
    // What each preset keeps of the current switches, and what it turns on.
    static constexpr std::array<std::pair<uint64_t, uint64_t>, 4> Presets{
        {{AllOptions, 0}, {14, 17}, {16, 42}, {146, 68}}};
    if (preset >= Presets.size()) return;
    setOutlineOptions((_options & Presets[preset].first) | Presets[preset].second);
}

void OutlineOptionsChoice::loadSettings()
{
    const UserDefaults& defaults = UserDefaults::standard();
    // A value of another type than the one written counts as never written.
    if (defaults.objectForKey(OptionsKey).type() == PropertyList::Type::Integer)
        setOutlineOptions(static_cast<uint64_t>(defaults.integerForKey(OptionsKey)));
    if (defaults.objectForKey(PageFormatKey).type() == PropertyList::Type::Integer) {
        // A stored index the paper list does not have selects nothing, which reads as format 0.
        const int64_t format = defaults.integerForKey(PageFormatKey);
        _pageFormat = format >= 0 && format <= PaperFormatCount() ? format : 0;
    }
}

void OutlineOptionsChoice::commitSettings() const
{
    UserDefaults& defaults = UserDefaults::standard();
    defaults.setInteger(OptionsKey, static_cast<int64_t>(_options));
    defaults.setInteger(PageFormatKey, _pageFormat);
}
