#include "Editor/MailOptionsViewController.h"

#include "platform/UserDefaults.h"

namespace {

constexpr uint32_t FormatMask = 0x1FF; // codes 0 to 8

uint32_t bit(int32_t format)
{
    return format >= 0 && format < 32 ? 1u << format : 0;
}

} // namespace

MailOptionsViewController::MailOptionsViewController(Size imageSize, Size selectionSize)
    : _imageSize(imageSize),
      _selectionSize(selectionSize),
      _allowSelectionRange(selectionSize.width != 0 || selectionSize.height != 0)
{
    imageFormatChanged();
}

void MailOptionsViewController::setOkButton(std::function<void(bool)> okButton)
{
    _okButton = std::move(okButton);
    if (_okButton) _okButton(_okEnabled);
}

void MailOptionsViewController::restoreState()
{
    const UserDefaults& defaults = UserDefaults::standard();
    // A value of another type than the one written counts as never written.
    const PropertyList formats = defaults.objectForKey(FormatsKey);
    const int64_t stored = formats.type() == PropertyList::Type::Integer ? defaults.integerForKey(FormatsKey) : 0;
    const uint32_t offered = static_cast<uint32_t>(stored) & FormatMask & ~bit(3);
    _formats = stored > 0 && offered ? offered : PdfOnly;
    _density.restore(ImageQualityKey);
    imageFormatChanged();
}

void MailOptionsViewController::commitState() const
{
    UserDefaults& defaults = UserDefaults::standard();
    defaults.setInteger(FormatsKey, _formats);
    _density.commit(ImageQualityKey);
}

void MailOptionsViewController::setExportFormats(uint32_t formats)
{
    _formats = 0;
    for (const FormatBox& box : FormatBoxes)
        if (formats & bit(box.format)) _formats |= bit(box.format);
    imageFormatChanged();
}

bool MailOptionsViewController::isFormatChecked(int32_t format) const
{
    return (_formats & bit(format)) != 0;
}

void MailOptionsViewController::setFormatChecked(int32_t format, bool checked)
{
    bool offered = false;
    for (const FormatBox& box : FormatBoxes) offered = offered || box.format == format;
    if (!offered) return;
    _formats = checked ? (_formats | bit(format)) : (_formats & ~bit(format));
    imageFormatChanged();
}

void MailOptionsViewController::selectDensityIndex(size_t index)
{
    if (index >= Densities.size()) return;
    _density.selectIndex(index);
    imageFormatChanged();
}

void MailOptionsViewController::setSelectionOnly(bool selectionOnly)
{
    _selectionOnly = selectionOnly;
    imageFormatChanged();
}

void MailOptionsViewController::imageFormatChanged()
{
    // Native, OPML and FreeMind always carry the whole map.
    bool rangeFormat = false;
    for (int32_t format = 1; format <= 6; ++format) rangeFormat = rangeFormat || isFormatChecked(format);
    _selectionRadioEnabled = _allowSelectionRange && rangeFormat;
    if (!_selectionRadioEnabled) _selectionOnly = false;

    _density.update(_selectionOnly ? _selectionSize : _imageSize);

    _okEnabled = _formats != 0 && (!isFormatChecked(PngFormat) || _density.sizeAcceptable());
    if (_okButton) _okButton(_okEnabled);
    if (_stateChanged) _stateChanged();
}
