#include "Editor/OutlineOptionsChoice.h"

#include "platform/UserDefaults.h"
#include "render/PaperSizes.h"

OutlineOptionsChoice::OutlineOptionsChoice(bool allowSelectionRange) : _allowSelectionRange(allowSelectionRange)
{
    loadSettings();
}

void OutlineOptionsChoice::setPageFormat(int64_t format)
{
    if (format >= 0 && format <= PaperFormatCount()) _pageFormat = format;
}

void OutlineOptionsChoice::loadSettings()
{
    const UserDefaults& defaults = UserDefaults::standard();
    if (defaults.hasUserValue(OptionsKey)) _options = static_cast<uint64_t>(defaults.integerForKey(OptionsKey));
    if (defaults.hasUserValue(PageFormatKey)) {
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
