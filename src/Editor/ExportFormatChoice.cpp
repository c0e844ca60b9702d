#include "Editor/ExportFormatChoice.h"

#include "Utils/StringUtils.h"
#include "formats/ExportFormats.h"
#include "platform/UserDefaults.h"

ExportFormatChoice::ExportFormatChoice(Size imageSize, Size selectionSize)
    : _imageSize(imageSize),
      _selectionSize(selectionSize),
      _allowSelectionRange(selectionSize.width != 0 || selectionSize.height != 0)
{
    UserDefaults& defaults = UserDefaults::standard();
    // A value of another type than the one written counts as never written.
    if (defaults.objectForKey(ExtensionKey).type() == PropertyList::Type::String)
        _selectedIndex = indexOfExtension(defaults.stringForKey(ExtensionKey));
    _density.restore(ImageQualityKey);
}

bool ExportFormatChoice::densityControlsVisible() const
{
    return IsBitmapExportFormat(selectedType().format);
}

ImageDensityChoice ExportFormatChoice::densityFor() const
{
    ImageDensityChoice density = _density;
    density.update(selectionOnly() ? _selectionSize : _imageSize);
    return density;
}

std::string ExportFormatChoice::sizeText() const
{
    return densityFor().sizeText();
}

bool ExportFormatChoice::sizeAcceptable() const
{
    return densityFor().sizeAcceptable();
}

void ExportFormatChoice::setSelectedIndex(size_t index)
{
    if (index < FileTypes.size()) _selectedIndex = index;
}

size_t ExportFormatChoice::indexOfExtension(const std::string& extension)
{
    for (size_t i = 0; i < FileTypes.size(); ++i)
        if (asciiCaseInsensitiveEqual(extension, FileTypes[i].extension)) return i;
    return PdfIndex;
}

bool ExportFormatChoice::selectionRangeOffered() const
{
    return _allowSelectionRange && ExportFormatSupportsSelection(selectedType().format);
}

void ExportFormatChoice::commitSelectedExportFormat(const std::string& extension) const
{
    _density.commit(ImageQualityKey);
    // As the list spells it, so that "report.PDF" selects PDF next time.
    for (const FileType& type : FileTypes)
        if (asciiCaseInsensitiveEqual(extension, type.extension))
            UserDefaults::standard().setString(ExtensionKey, type.extension);
}
