#include "panels/IconPickerController.h"

#include "Utils/URLUtils.h"
#include "platform/FileChooser.h"
#include "platform/Localizer.h"
#include "platform/UserDefaults.h"
#include "store/CustomImageStore.h"
#include "store/FlatStockIcons.h"

namespace {

// A user's icon is named by this and the hash of its picture.
constexpr const char* CustomIconNamePrefix = "#";

} // namespace

EmbeddedIconPickerController::EmbeddedIconPickerController(IconPickerPanelDelegate* delegate,
                                                           const StockIconStore& flatStockIcons,
                                                           const StockIconStore& classicIcons,
                                                           std::shared_ptr<CustomImageStore> customIcons,
                                                           std::string orderFolder)
    : _delegate(delegate),
      _flatStock(flatStockIcons),
      _classic(classicIcons),
      _custom(std::move(customIcons), std::move(orderFolder))
{
    UserDefaults& defaults = UserDefaults::standard();
    _iconSizeSegment = defaults.integerForKey(FlatIconSizeSegmentKey) == 1 ? 1 : 0;
    const std::string tab = defaults.stringForKey(SelectedTabKey);
    for (size_t index = 0; index < TabCount; ++index)
        if (tab == TabIdentifiers[index]) _selectedTab = Tab(index);
}

ImageBrowserModel& EmbeddedIconPickerController::browser(Tab tab)
{
    switch (tab) {
    case Tab::MyIcons:
        return _custom;
    case Tab::ClassicIcons:
        return _classic;
    case Tab::StockIcons:
        break;
    }
    return _flatStock;
}

void EmbeddedIconPickerController::setEnabled(bool enabled)
{
    if (_enabled == enabled) return;
    _enabled = enabled;
    updateButtonStates();
}

void EmbeddedIconPickerController::setHasIconToRemove(bool hasIcon)
{
    if (_hasIconToRemove == hasIcon) return;
    _hasIconToRemove = hasIcon;
    updateButtonStates();
}

EmbeddedIconPickerController::ButtonStates EmbeddedIconPickerController::buttonStates() const
{
    ButtonStates states;
    states.clear = _enabled && _hasIconToRemove;
    states.addIconFromFile = _enabled;
    states.add = _customIconsEditMode;
    states.remove = _customIconsEditMode && !_custom.selectionIndexes().empty();
    states.editMode = _customIconsEditMode;
    return states;
}

void EmbeddedIconPickerController::updateButtonStates()
{
    if (_buttonStatesChanged) _buttonStatesChanged();
}

void EmbeddedIconPickerController::passivateBrowsers()
{
    _custom.passivateBrowser();
    _classic.passivateBrowser();
    _flatStock.passivateBrowser();
}

void EmbeddedIconPickerController::iconSelected(const std::string& iconName)
{
    if (_enabled) {
        _pickedIconName = iconName;
        if (_delegate) _delegate->iconPickerIconPicked(iconName, _addAsImage);
    }
    // A picked cell stays unselected, so that the next click on it picks again.
    _custom.clearSelection();
    _classic.clearSelection();
    _flatStock.clearSelection();
    updateButtonStates();
}

void EmbeddedIconPickerController::selectCustomIcon()
{
    if (std::optional<std::string> hash = _custom.selectedImageHash()) iconSelected(CustomIconNamePrefix + *hash);
}

void EmbeddedIconPickerController::clearButtonClicked()
{
    if (_hasIconToRemove) iconSelected("");
}

void EmbeddedIconPickerController::browseButtonClicked()
{
    _custom.browseButtonClicked();
    updateButtonStates();
}

void EmbeddedIconPickerController::deleteButtonClicked()
{
    _custom.deleteButtonClicked();
    updateButtonStates();
}

void EmbeddedIconPickerController::editModeButtonClicked()
{
    _customIconsEditMode = !_customIconsEditMode;
    _custom.setEditingMode(_customIconsEditMode);
    updateButtonStates();
}

void EmbeddedIconPickerController::addIconFromFile()
{
    FileChooser::OpenOptions options;
    options.title = localized("image_drop_handler_add_as_icon");
    options.allowedTypes = Image::readableFileExtensions();
    options.allowsMultipleSelection = false;
    const std::vector<std::string> paths = FileChooser::shared().runOpenPanel(options);
    if (paths.empty() || paths.front().empty() || !_delegate) return;
    _delegate->addIconFromURL(fileURLWithPath(paths.front()));
}

void EmbeddedIconPickerController::sizeSegmentsClicked(int segment)
{
    _iconSizeSegment = segment == 1 ? 1 : 0;
    UserDefaults::standard().setInteger(FlatIconSizeSegmentKey, _iconSizeSegment);
}

void EmbeddedIconPickerController::tabSelected(Tab tab)
{
    _selectedTab = tab;
    UserDefaults::standard().setString(SelectedTabKey, TabIdentifiers[size_t(tab)]);
}

void EmbeddedIconPickerController::imageBrowserSelectionDidChange(Tab tab)
{
    switch (tab) {
    case Tab::MyIcons:
        if (_customIconsEditMode) updateButtonStates();
        else selectCustomIcon();
        break;
    case Tab::ClassicIcons:
        if (std::optional<std::string> name = _classic.selectedIconName(); name && !name->empty()) iconSelected(*name);
        break;
    case Tab::StockIcons:
        if (std::optional<std::string> name = _flatStock.selectedIconName(); name && !name->empty())
            iconSelected(FlatStockIcons::iconNameForBaseName(*name, _iconSizeSegment));
        break;
    }
}

void EmbeddedIconPickerController::imageBrowserCellWasDoubleClicked(Tab tab, size_t index)
{
    if (tab != Tab::MyIcons || index >= _custom.numberOfItems()) return;
    // The first click of the pair may have picked already and emptied the selection.
    _custom.setSelectionIndexes({index});
    selectCustomIcon();
}
