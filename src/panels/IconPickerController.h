#pragma once

#include "panels/IconPickerBrowsers.h"

#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <string>

class CustomImageStore;
class StockIconStore;

// The owner of the icon picker (the editor window), which puts what is picked on the map.
class IconPickerPanelDelegate {
public:
    virtual ~IconPickerPanelDelegate() = default;
    // An icon name ("#" and a hash for the user's icons, empty for none), as icon or as image.
    virtual void iconPickerIconPicked(const std::string& iconName, bool addAsImage) = 0;
    // An image file the user chose to put on the topic as an icon.
    virtual void addIconFromURL(const std::string& fileUrl) = 0;
};

// The icon tab of the inspector: three image browsers (the flat stock icons in a small or a large
// size, the user's own icons, the classic icons) and the buttons around them. Every decision of
// the tab is taken here; the widget reports clicks and shows the states.
class EmbeddedIconPickerController {
public:
    enum class Tab { StockIcons = 0, MyIcons = 1, ClassicIcons = 2 };
    static constexpr size_t TabCount = 3;
    // The tabs' identifiers, in tab order; the selected one is kept under SelectedTabKey.
    static constexpr std::array<const char*, TabCount> TabIdentifiers = {"stockIcons", "myIcons", "classicIcons"};
    // The tabs' labels, in tab order (string-table keys).
    static constexpr std::array<const char*, TabCount> TabLabelKeys = {
        "icon_picker_stock_icons_tab", "icon_picker_my_icons_tab", "icon_picker_classic_icons_tab"};
    static constexpr const char* FlatIconSizeSegmentKey = "iconPicker.FlatIconSizeSegment";
    static constexpr const char* SelectedTabKey = "iconPicker.SelectedTabIdent";
    // The cell sides, in points, of the three browsers; 5 x 5 points lie between cells.
    static constexpr int CustomIconCellSide = 40;
    static constexpr int FlatIconCellSide = 26;
    static constexpr int ClassicIconCellSide = 22;
    static constexpr int CellSpacing = 5;

    // The picker starts disabled; the delegate is not owned. The user's icons come from the store
    // in the order kept in orderFolder.
    EmbeddedIconPickerController(IconPickerPanelDelegate* delegate, const StockIconStore& flatStockIcons,
                                 const StockIconStore& classicIcons, std::shared_ptr<CustomImageStore> customIcons,
                                 std::string orderFolder);

    StockIconBrowserController& flatStockIconBrowserController() { return _flatStock; }
    StockIconBrowserController& stockIconBrowserController() { return _classic; }
    CustomImageBrowserController& customIconBrowserController() { return _custom; }
    ImageBrowserModel& browser(Tab tab);

    bool enabled() const { return _enabled; }
    void setEnabled(bool enabled);
    // Whether a selected topic has an icon: Remove Icon has nothing to take away otherwise.
    bool hasIconToRemove() const { return _hasIconToRemove; }
    void setHasIconToRemove(bool hasIcon);
    const std::string& pickedIconName() const { return _pickedIconName; }
    void setPickedIconName(const std::string& name) { _pickedIconName = name; }

    // The flat stock icon size: segment 0 small, 1 large, as the user last chose it.
    int iconSizeSegment() const { return _iconSizeSegment; }
    // The tab the user last chose, or the first.
    Tab selectedTab() const { return _selectedTab; }
    bool addAsImage() const { return _addAsImage; }
    void setAddAsImage(bool addAsImage) { _addAsImage = addAsImage; }
    bool customIconsEditMode() const { return _customIconsEditMode; }

    struct ButtonStates {
        bool clear = false;
        bool addIconFromFile = false;
        bool add = false;
        bool remove = false;
        bool editMode = false; // the edit mode button is on
    };
    ButtonStates buttonStates() const;
    // Called whenever a button state may have changed.
    void setButtonStatesHandler(std::function<void()> handler) { _buttonStatesChanged = std::move(handler); }

    void passivateBrowsers();

    // The user's actions.
    void clearButtonClicked();
    void browseButtonClicked();
    void deleteButtonClicked();
    void editModeButtonClicked();
    void addIconFromFile();
    void sizeSegmentsClicked(int segment);
    void tabSelected(Tab tab);
    // After the widget stored the user's new selection in the browser.
    void imageBrowserSelectionDidChange(Tab tab);
    void imageBrowserCellWasDoubleClicked(Tab tab, size_t index);

private:
    void iconSelected(const std::string& iconName);
    void selectCustomIcon();
    void updateButtonStates();

    IconPickerPanelDelegate* _delegate;
    StockIconBrowserController _flatStock;
    StockIconBrowserController _classic;
    CustomImageBrowserController _custom;
    bool _enabled = false;
    bool _hasIconToRemove = false;
    bool _addAsImage = false;
    bool _customIconsEditMode = false;
    int _iconSizeSegment = 0;
    Tab _selectedTab = Tab::StockIcons;
    std::string _pickedIconName;
    std::function<void()> _buttonStatesChanged;
};
