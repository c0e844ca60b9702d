#include "Editor/ExportFormatViewController.h"

#include "Editor/ExportFormatChoice.h"
#include "formats/ExportFormats.h"
#include "platform/UserDefaults.h"

ExportFormatViewController::ExportFormatViewController(Size imageSize, Size selectionSize)
    : _imageSize(imageSize),
      _selectionSize(selectionSize),
      _allowSelectionRange(selectionSize.width != 0 || selectionSize.height != 0),
      _radios{{{"share_dialog_pdf", 1},
               {"share_dialog_png", 2},
               {"share_dialog_eps", 4},
               {"share_dialog_html", 5},
               {"share_dialog_txt", 6},
               {"share_dialog_opml", 7},
               {"share_dialog_freemind", 8}}}
{
    const UserDefaults& defaults = UserDefaults::standard();
    // Nothing stored, or a value of another type, turns no radio on: the format then counts as PDF.
    if (defaults.objectForKey(FormatKey).type() == PropertyList::Type::Integer)
        for (FormatRadio& radio : _radios) radio.on = radio.format == defaults.integerForKey(FormatKey);
    _density.restore(QualityKey);
}

void ExportFormatViewController::selectFormat(int32_t format)
{
    for (FormatRadio& radio : _radios) radio.on = radio.format == format;
    imageFormatChanged();
}

int32_t ExportFormatViewController::selectedExportFormat() const
{
    for (const FormatRadio& radio : _radios)
        if (radio.on) return radio.format;
    return PdfFormat;
}

std::string ExportFormatViewController::selectedExtension() const
{
    const int32_t format = selectedExportFormat();
    for (const ExportFormatChoice::FileType& type : ExportFormatChoice::FileTypes)
        if (type.format == format) return type.extension;
    return "pdf";
}

void ExportFormatViewController::selectDensityIndex(size_t index)
{
    _density.selectIndex(index);
    imageFormatChanged();
}

bool ExportFormatViewController::selectionRangeOffered() const
{
    return _allowSelectionRange && ExportFormatSupportsSelection(selectedExportFormat());
}

void ExportFormatViewController::setSelectionRangeChosen(bool chosen)
{
    _selectionRangeChosen = chosen;
    imageFormatChanged();
}

bool ExportFormatViewController::densityControlsVisible() const
{
    return IsBitmapExportFormat(selectedExportFormat());
}

ImageDensityChoice ExportFormatViewController::densityNow() const
{
    ImageDensityChoice density = _density;
    density.update(selectionOnly() ? _selectionSize : _imageSize);
    return density;
}

std::string ExportFormatViewController::sizeText() const
{
    return densityNow().sizeText();
}

bool ExportFormatViewController::sizeAcceptable() const
{
    return densityNow().sizeAcceptable();
}

bool ExportFormatViewController::okEnabled() const
{
    return !densityControlsVisible() || sizeAcceptable();
}

void ExportFormatViewController::setOkButton(std::function<void(bool enabled)> setEnabled)
{
    _okButton = std::move(setEnabled);
    if (_okButton) imageFormatChanged();
}

void ExportFormatViewController::imageFormatChanged()
{
    // A range the format cannot export falls back to the whole map.
    if (!selectionRangeOffered()) _selectionRangeChosen = false;
    if (_okButton) _okButton(okEnabled());
}

void ExportFormatViewController::commitSelectedFormat() const
{
    UserDefaults& defaults = UserDefaults::standard();
    defaults.setInteger(FormatKey, selectedExportFormat());
    _density.commit(QualityKey);
}
