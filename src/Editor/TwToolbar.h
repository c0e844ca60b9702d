#pragma once

#include "Editor/EditorWindowController.h"
#include "Editor/SegmentedControlItem.h"
#include "platform/Menu.h"
#include "platform/PropertyList.h"
#include "platform/Responder.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

class TwkDocumentController;

// One item of the main toolbar: a segmented control, the search field, or room between items.
class TwToolbarItem {
public:
    enum class Kind { Segmented, Search, Space, FlexibleSpace, Separator };

    TwToolbarItem(std::string identifier, Kind kind) : _identifier(std::move(identifier)), _kind(kind) {}
    TwToolbarItem(const TwToolbarItem&) = delete;
    TwToolbarItem& operator=(const TwToolbarItem&) = delete;

    const std::string& itemIdentifier() const { return _identifier; }
    Kind kind() const { return _kind; }
    const std::string& label() const { return _label; }
    void setLabel(const std::string& label) { _label = label; }
    const std::string& paletteLabel() const { return _paletteLabel; }
    void setPaletteLabel(const std::string& label) { _paletteLabel = label; }
    const std::string& toolTip() const { return _toolTip; }
    void setToolTip(const std::string& toolTip) { _toolTip = toolTip; }

    // Segmented items only.
    SegmentedToolbarItem* segmentedItem() const { return _segmented.get(); }
    void setSegmentedItem(std::unique_ptr<SegmentedToolbarItem> item) { _segmented = std::move(item); }
    void validate()
    {
        if (_segmented) _segmented->validate();
    }

    // The search item only: its field, which the explorers' library makes (the shell does not know
    // their field), and the width it may take, at the field's own height.
    EditorSearchField* searchField() const { return _searchField.get(); }
    void setSearchField(std::unique_ptr<EditorSearchField> field) { _searchField = std::move(field); }
    double minimumWidth() const { return _minimumWidth; }
    double maximumWidth() const { return _maximumWidth; }
    void setWidthRange(double minimum, double maximum)
    {
        _minimumWidth = minimum;
        _maximumWidth = maximum;
    }

private:
    std::string _identifier;
    Kind _kind;
    std::string _label;
    std::string _paletteLabel;
    std::string _toolTip;
    std::unique_ptr<SegmentedToolbarItem> _segmented;
    std::unique_ptr<EditorSearchField> _searchField;
    double _minimumWidth = 0;
    double _maximumWidth = 0;
};

// The main window's customisable toolbar: makes its items by identifier from one fixed table,
// keeps the user's arrangement, and tracks the two items the window talks to, the search field the
// explorers use and the zoom control that shows the zoom factor.
class TwToolbar : public Responder {
public:
    static constexpr const char* Identifier = "com.Orrinworks.TwkWindowController.Toolbar3";
    // The room between items; spaces and separators may appear any number of times.
    static constexpr const char* SpaceItemIdentifier = "Space";
    static constexpr const char* FlexibleSpaceItemIdentifier = "FlexibleSpace";
    static constexpr const char* SeparatorItemIdentifier = "Separator";
    static constexpr const char* ZoomItemIdentifier = "Zoom";
    static constexpr const char* SearchItemIdentifier = "Search MindMaps";
    static constexpr const char* StyleSheetItemIdentifier = "Style sheet";
    static constexpr const char* NavigateItemIdentifier = "Navigate MindMap";
    static constexpr const char* CustomizeItemIdentifier = "Customize toolbar";
    static constexpr const char* CustomizeAction = "runCustomizationPalette:";
    static constexpr const char* ZoomSelectedAction = "zoomFactorSelected:";
    static constexpr const char* ZoomContentsAction = "zoomContents:";
    // The zoom factors of the zoom menu, in percent; each item is tagged with its factor.
    static constexpr int ZoomPercents[] = {20, 30, 40, 50, 60, 70, 80, 100, 120, 150, 200};
    static constexpr double SearchFieldMinimumWidth = 40;
    static constexpr double SearchFieldMaximumWidth = 120;

    // Where the items send their actions and what the window gives the toolbar. Any of them may be
    // missing in tests; a missing menu maker leaves its segment without a menu.
    struct Context {
        // The window controller ("controller" in the item table).
        Responder* controller = nullptr;
        // The window's editor document.
        Responder* document = nullptr;
        // The application's document controller, as a responder and for its history.
        Responder* documentController = nullptr;
        std::weak_ptr<TwkDocumentController> history;
        // The search field the explorers now use; nullptr when the toolbar has none.
        std::function<void(EditorSearchField* field)> setSearchBar;
        // Asked to show the editor's current zoom through setZoomFactorText.
        std::function<void()> zoomFactorChanged;
        // Menus other parts of the shell build. They are attached only to items placed in the
        // toolbar, never to those of the customisation palette.
        std::function<std::shared_ptr<Menu>(const std::string& title)> checkboxSetupMenu;
        std::function<std::shared_ptr<Menu>(const std::string& title)> styleSelectorMenu;
        std::function<std::shared_ptr<Menu>(const std::string& title)> addBranchWithPaletteIndexMenu;
    };

    // Makes the field of the search item; the explorers' library installs it at start-up. Without
    // one the toolbar has no search item.
    using SearchFieldFactory = std::function<std::unique_ptr<EditorSearchField>()>;
    static void setSearchFieldFactory(SearchFieldFactory factory);

    explicit TwToolbar(Context context);
    ~TwToolbar() override;
    TwToolbar(const TwToolbar&) = delete;
    TwToolbar& operator=(const TwToolbar&) = delete;

    static const std::vector<std::string>& defaultItemIdentifiers();
    static const std::vector<std::string>& allowedItemIdentifiers();
    static bool isSpaceOrSeparator(const std::string& identifier);

    // A new item for the identifier, nullptr for one the table does not know. Items for the
    // toolbar itself (willBeInserted) get every menu; those of the palette only their own.
    std::unique_ptr<TwToolbarItem> makeItem(const std::string& identifier, bool willBeInserted) const;

    // The items shown, in order. Inserting makes the item and tracks it.
    const std::vector<std::unique_ptr<TwToolbarItem>>& items() const { return _items; }
    std::vector<std::string> itemIdentifiers() const;
    // false (and nothing changes) for an identifier the table does not know, or an item the
    // toolbar already shows that may be shown once only.
    bool insertItem(const std::string& identifier, size_t index);
    void removeItem(size_t index);
    void moveItem(size_t from, size_t to);
    // Shows the identifiers in order (after sanitising them), dropping every item shown before.
    void setItemIdentifiers(const std::vector<std::string>& identifiers);
    // Told after the items change (the widget rebuilds itself).
    void setChangeHandler(std::function<void()> handler) { _changed = std::move(handler); }

    // The stored arrangement, else the default one; storeConfiguration writes the current one.
    void loadConfiguration();
    void storeConfiguration() const;
    // A stored value made fit to show: a list of known identifiers, each at most once (spaces
    // and separators apart). Anything else in it is dropped; a value that is no list at all gives
    // the default arrangement.
    static std::vector<std::string> sanitizedIdentifiers(const PropertyList& stored);

    TwToolbarItem* searchItem() const { return _searchItem; }
    TwToolbarItem* zoomItem() const { return _zoomItem; }
    EditorSearchField* searchBar() const { return _searchItem ? _searchItem->searchField() : nullptr; }
    // The zoom control's text; nothing without a zoom item.
    void setZoomFactorText(const std::string& text);
    // The zoom control's text for a zoom factor (1.0 is "100%").
    static std::string zoomFactorText(double factor);

    // Validates the segments of every item (after every event, so it is kept cheap).
    void validate();

    // What the "Customize toolbar" item does (the window opens its dialog).
    void setCustomizationHandler(std::function<void()> handler) { _customize = std::move(handler); }
    void runCustomizationPalette();

private:
    void toolbarWillAddItem(TwToolbarItem& item);
    void toolbarDidRemoveItem(TwToolbarItem& item);
    void setSearchItem(TwToolbarItem* item);
    void setZoomItem(TwToolbarItem* item);
    void changed()
    {
        if (_changed) _changed();
    }

    Context _context;
    std::vector<std::unique_ptr<TwToolbarItem>> _items;
    TwToolbarItem* _searchItem = nullptr;
    TwToolbarItem* _zoomItem = nullptr;
    std::function<void()> _changed;
    std::function<void()> _customize;
};
