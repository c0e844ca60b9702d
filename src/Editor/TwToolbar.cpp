#include "Editor/TwToolbar.h"

#include "Editor/HistoryMenu.h"
#include "Editor/StandardMenuBuilder.h"
#include "Editor/ToolbarSegmentMenu.h"
#include "platform/Localizer.h"
#include "platform/UserDefaults.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <set>

namespace {

TwToolbar::SearchFieldFactory& searchFieldFactory()
{
    static TwToolbar::SearchFieldFactory factory;
    return factory;
}

// Where a segment or menu item of the table sends its action.
enum class Target { Chain, Controller, Document, DocumentController, Toolbar };

struct SegmentRow {
    const char* image;
    Target target;
    const char* action;
    const char* toolTipKey;
    // A tool tip that is no key of the string table.
    bool plainToolTip = false;
};

struct MenuRow {
    const char* titleKey;
    const char* action;
    Target target = Target::Chain;
    int64_t tag = 0;
};

struct ItemRow {
    const char* identifier;
    const char* labelKey;
    // Empty: the label.
    const char* paletteLabelKey;
    std::vector<SegmentRow> segments;
};

const std::vector<ItemRow>& itemTable()
{
    static const std::vector<ItemRow> table = {
        {"Save MindMap",
         "action_save_document",
         "",
         {{"save", Target::Chain, "saveDocument:", "action_save_document"}}},
        {"Style sheet",
         "editor_menu_style_condensed",
         "style_selector_dialog_title",
         {{"palette", Target::Controller, "changeStyleSheet:", "style_selector_dialog_title"}}},
        {"Add MindMap",
         "editor_menu_add_group",
         "map_dialog_add_map_title",
         {{"page_white", Target::DocumentController, "newDocument:", "map_dialog_add_map_title"}}},
        {"Navigate MindMap",
         "editor_menu_history_condensed",
         "editor_menu_history",
         {{"go-left", Target::DocumentController, "navigateBackward:", "editor_menu_history"}}},
        {"Undo commands",
         "editor_menu_undo",
         "",
         {{"undo", Target::Chain, "undo:", "editor_menu_undo"}, {"redo", Target::Chain, "redo:", "editor_menu_redo"}}},
        {"Add Commands",
         "editor_menu_add_child",
         "",
         {{"add-child", Target::Document, "addChildNode:", "node_editor_add_child_topic"},
          {"add-sibling", Target::Document, "addSiblingNode:", "node_editor_add_sibling_topic"},
          {"add-palette-color", Target::Document,
           "addBranchWithPaletteIndex:", "editor_add_topic_with_palette_color"}}},
        {"Delete Node", "editor_menu_delete", "", {{"delete", Target::Document, "delete:", "editor_menu_delete"}}},
        {"Clipboard Commands",
         "actions_category_clipboard",
         "",
         {{"cut", Target::Chain, "cut:", "topic_menu_cut"},
          {"copy", Target::Chain, "copy:", "topic_menu_copy"},
          {"paste", Target::Chain, "paste:", "topic_menu_paste"}}},
        {"Rearrange Subtree",
         "layout_style_dialog_title",
         "",
         {{"layout", Target::Chain, "changeLayoutMode:", "layout_style_dialog_title"}}},
        {"Zoom", "editor_menu_zoom", "", {{"zoom", Target::Controller, "zoomFactorSelected:", "editor_menu_zoom"}}},
        {"AutoFocus",
         "editor_menu_auto_focus_condensed",
         "editor_menu_auto_focus",
         {{"auto_focus", Target::Controller, "", "editor_menu_auto_focus"}}},
        {"Export Commands",
         "editor_menu_share_condensed",
         "",
         {{"printer", Target::Chain, "printDocument:", "editor_menu_print"},
          {"document_export", Target::Chain, "exportDocument:", "map_list_export_store_condensed"},
          {"mail_yellow", Target::Chain, "sendEmailMessage:", "action_mail_mind_map"}}},
        {"Customize toolbar",
         "action_customize",
         "",
         {{"NSToolbarCustomizeToolbarItemImage", Target::Toolbar, "runCustomizationPalette:", "action_customize"}}},
        {"Diagram Link",
         "doc_link_dialog_link_button",
         "",
         {{"page_link", Target::Chain, "", "link_options_dialog_title"}}},
        {"Icon",
         "editor_menu_add_group",
         "",
         {{"add_text", Target::Chain, "addText:", "topic_menu_add_label"},
          {"stock_icon_color_16", Target::Chain, "showIconPickerPanel:", "topic_menu_select_icon"},
          {"gallery-color-16", Target::Chain, "", "Add Image", true},
          {"check_boxes", Target::Chain, "setupCheckboxes:", "topic_menu_topic_checkboxes"},
          {"calendar", Target::Chain, "showDatePickerPanel:", "topic_menu_topic_set_date"},
          {"hull_16", Target::Chain, "toggleShowHull:", "topic_menu_hull_options"}}},
        {"MindMaps",
         "mindmaps_button_title",
         "",
         {{"left_sidebar", Target::Chain, "toggleMindMapExplorer:", "action_show_mindmap_explorer"}}},
    };
    return table;
}

const ItemRow* rowFor(const std::string& identifier)
{
    for (const ItemRow& row : itemTable())
        if (identifier == row.identifier) return &row;
    return nullptr;
}

bool isKnown(const std::string& identifier)
{
    return TwToolbar::isSpaceOrSeparator(identifier) || identifier == TwToolbar::SearchItemIdentifier ||
        rowFor(identifier) != nullptr;
}

std::shared_ptr<Menu> makeMenu(const std::vector<MenuRow>& rows, const std::function<Responder*(Target)>& resolve)
{
    auto menu = std::make_shared<ToolbarSegmentMenu>("");
    for (const MenuRow& row : rows) {
        if (!row.titleKey) {
            menu->addItem(MenuItem::separatorItem());
            continue;
        }
        MenuItem& item = menu->addItem(localized(row.titleKey), row.action);
        item.setTag(row.tag);
        item.setTarget(resolve(row.target));
    }
    return menu;
}

} // namespace

void TwToolbar::setSearchFieldFactory(SearchFieldFactory factory)
{
    searchFieldFactory() = std::move(factory);
}

TwToolbar::TwToolbar(Context context) : _context(std::move(context))
{
    addAction(CustomizeAction, [this](const ActionSender*) { runCustomizationPalette(); });
}

TwToolbar::~TwToolbar()
{
    // The explorers must not keep a field that goes with its item.
    if (_searchItem && _context.setSearchBar) _context.setSearchBar(nullptr);
}

const std::vector<std::string>& TwToolbar::defaultItemIdentifiers()
{
    static const std::vector<std::string> identifiers = {"MindMaps",
                                                         "Search MindMaps",
                                                         "Add MindMap",
                                                         "Save MindMap",
                                                         "Navigate MindMap",
                                                         "Undo commands",
                                                         "Add Commands",
                                                         "Delete Node",
                                                         "Clipboard Commands",
                                                         "Rearrange Subtree",
                                                         "Diagram Link",
                                                         "Icon",
                                                         "Zoom",
                                                         "AutoFocus",
                                                         "Export Commands",
                                                         "Customize toolbar"};
    return identifiers;
}

const std::vector<std::string>& TwToolbar::allowedItemIdentifiers()
{
    static const std::vector<std::string> identifiers = {"MindMaps",
                                                         "Add MindMap",
                                                         "Save MindMap",
                                                         "Navigate MindMap",
                                                         "Undo commands",
                                                         "Add Commands",
                                                         "Delete Node",
                                                         "Clipboard Commands",
                                                         "Style sheet",
                                                         "Rearrange Subtree",
                                                         "Search MindMaps",
                                                         "Diagram Link",
                                                         "Icon",
                                                         "AutoFocus",
                                                         "Zoom",
                                                         "Export Commands",
                                                         "Customize toolbar",
                                                         FlexibleSpaceItemIdentifier,
                                                         SpaceItemIdentifier,
                                                         SeparatorItemIdentifier};
    return identifiers;
}

bool TwToolbar::isSpaceOrSeparator(const std::string& identifier)
{
    return identifier == SpaceItemIdentifier || identifier == FlexibleSpaceItemIdentifier ||
        identifier == SeparatorItemIdentifier;
}

std::unique_ptr<TwToolbarItem> TwToolbar::makeItem(const std::string& identifier, bool willBeInserted) const
{
    if (identifier == SpaceItemIdentifier)
        return std::make_unique<TwToolbarItem>(identifier, TwToolbarItem::Kind::Space);
    if (identifier == FlexibleSpaceItemIdentifier)
        return std::make_unique<TwToolbarItem>(identifier, TwToolbarItem::Kind::FlexibleSpace);
    if (identifier == SeparatorItemIdentifier)
        return std::make_unique<TwToolbarItem>(identifier, TwToolbarItem::Kind::Separator);
    if (identifier == SearchItemIdentifier) {
        if (!searchFieldFactory()) return nullptr;
        auto item = std::make_unique<TwToolbarItem>(identifier, TwToolbarItem::Kind::Search);
        const std::string text = localized("map_list_search");
        item->setToolTip(text);
        item->setLabel(text);
        item->setPaletteLabel(text);
        item->setWidthRange(SearchFieldMinimumWidth, SearchFieldMaximumWidth);
        // The palette shows the item by its label only; a field of its own would be one more
        // field the explorers could be handed.
        if (willBeInserted) item->setSearchField(searchFieldFactory()());
        return item;
    }
    const ItemRow* row = rowFor(identifier);
    if (!row) return nullptr;

    const auto resolve = [this](Target target) -> Responder* {
        switch (target) {
        case Target::Chain:
            return nullptr;
        case Target::Controller:
            return _context.controller;
        case Target::Document:
            return _context.document;
        case Target::DocumentController:
            return _context.documentController;
        case Target::Toolbar:
            return const_cast<TwToolbar*>(this);
        }
        return nullptr;
    };
    std::vector<std::shared_ptr<ToolbarSegment>> segments;
    for (const SegmentRow& segment : row->segments)
        segments.push_back(
            ToolbarSegment::toolbarSegment(segment.image, resolve(segment.target), segment.action,
                                           segment.plainToolTip ? segment.toolTipKey : localized(segment.toolTipKey)));
    const bool zoom = identifier == ZoomItemIdentifier;
    // Sized for the widest text before the control is made, then showing the real zoom.
    if (zoom) segments[0]->setLabel("888%");

    auto item = std::make_unique<TwToolbarItem>(identifier, TwToolbarItem::Kind::Segmented);
    item->setLabel(localized(row->labelKey));
    item->setPaletteLabel(*row->paletteLabelKey ? localized(row->paletteLabelKey) : item->label());
    item->setToolTip(segments.empty() ? std::string() : segments[0]->toolTip());
    item->setSegmentedItem(std::make_unique<SegmentedToolbarItem>(identifier, std::move(segments)));
    SegmentedToolbarItem& segmented = *item->segmentedItem();
    SegmentedControl& control = segmented.segmentedControl();
    const auto& made = segmented.controlItem().segments();

    if (zoom) {
        control.setLabel(zoomFactorText(1.0), 0);
        auto menu = std::make_shared<ToolbarSegmentMenu>("");
        for (int percent : ZoomPercents) {
            char title[32];
            std::snprintf(title, sizeof title, "%d%%", percent);
            MenuItem& entry = menu->addItem(title, ZoomSelectedAction);
            entry.setTag(percent);
            entry.setTarget(_context.controller);
        }
        menu->addItem(MenuItem::separatorItem());
        menu->addItem(localized("editor_menu_zoom_contents"), ZoomContentsAction);
        control.setMenu(menu, 0);
    } else if (identifier == "Add MindMap") {
        control.setMenu(makeMenu({{"map_dialog_add_map_title", "newDocument:", Target::DocumentController},
                                  {"map_list_clone_map_condensed", "duplicateDocument:", Target::DocumentController},
                                  {"editor_menu_map_from_selection", "mindMapFromSelection:"},
                                  {"editor_menu_linked_map_from_selection", "linkedMindMapFromSelection:"}},
                                 resolve),
                        0);
    } else if (identifier == NavigateItemIdentifier) {
        auto history = std::make_shared<HistoryMenu>();
        history->setController(_context.history);
        control.setMenu(history, 0);
        // A click goes back; the menu opens only when the button is held.
        made[0]->setHandleMenu(false);
    } else if (identifier == "AutoFocus") {
        control.setMenu(makeMenu({{"auto_focus_disabled", "autoFocusDisabled:", Target::Chain, 0},
                                  {"auto_focus_selection", "autoFocusSelected:", Target::Chain, 1},
                                  {"auto_focus_selection_plus_children", "autoFocusChildren:", Target::Chain, 2},
                                  {"auto_focus_selected_branch", "autoFocusBranch:", Target::Chain, 3}},
                                 resolve),
                        0);
    } else if (identifier == "Export Commands") {
        control.setMenu(
            makeMenu({{"editor_menu_print_mindmap", "printDocument:"}, {"editor_menu_print_outline", "printOutline:"}},
                     resolve),
            0);
        control.setMenu(
            makeMenu({{"action_export_mindmap", "exportDocument:"}, {"action_export_outline", "exportOutline:"}},
                     resolve),
            1);
    } else if (identifier == "Diagram Link") {
        auto menu = std::make_shared<ToolbarSegmentMenu>("");
        StandardMenuBuilder::buildLinkMenu(*menu);
        control.setMenu(menu, 0);
    } else if (identifier == "Icon") {
        auto images = std::make_shared<ToolbarSegmentMenu>("");
        StandardMenuBuilder::buildImageMenu(*images);
        control.setMenu(images, 2);
        if (_context.checkboxSetupMenu)
            if (std::shared_ptr<Menu> checkboxes = _context.checkboxSetupMenu(""))
                control.setMenu(std::move(checkboxes), 3);
    } else if (identifier == "Add Commands" && willBeInserted && _context.addBranchWithPaletteIndexMenu) {
        if (std::shared_ptr<Menu> menu =
                _context.addBranchWithPaletteIndexMenu(localized("editor_add_topic_with_palette_color")))
            control.setMenu(std::move(menu), 2);
    } else if (identifier == StyleSheetItemIdentifier && willBeInserted && _context.styleSelectorMenu) {
        if (std::shared_ptr<Menu> menu = _context.styleSelectorMenu("")) control.setMenu(std::move(menu), 0);
    }
    return item;
}

std::vector<std::string> TwToolbar::itemIdentifiers() const
{
    std::vector<std::string> identifiers;
    for (const auto& item : _items) identifiers.push_back(item->itemIdentifier());
    return identifiers;
}

bool TwToolbar::insertItem(const std::string& identifier, size_t index)
{
    if (!isSpaceOrSeparator(identifier) &&
        std::ranges::any_of(_items, [&](const auto& item) { return item->itemIdentifier() == identifier; }))
        return false;
    std::unique_ptr<TwToolbarItem> item = makeItem(identifier, true);
    if (!item) return false;
    TwToolbarItem& added = *item;
    _items.insert(_items.begin() + static_cast<std::ptrdiff_t>(std::min(index, _items.size())), std::move(item));
    toolbarWillAddItem(added);
    changed();
    return true;
}

void TwToolbar::removeItem(size_t index)
{
    if (index >= _items.size()) return;
    std::unique_ptr<TwToolbarItem> item = std::move(_items[index]);
    _items.erase(_items.begin() + static_cast<std::ptrdiff_t>(index));
    toolbarDidRemoveItem(*item);
    changed();
}

void TwToolbar::moveItem(size_t from, size_t to)
{
    if (from >= _items.size() || to >= _items.size() || from == to) return;
    std::unique_ptr<TwToolbarItem> item = std::move(_items[from]);
    _items.erase(_items.begin() + static_cast<std::ptrdiff_t>(from));
    _items.insert(_items.begin() + static_cast<std::ptrdiff_t>(to), std::move(item));
    changed();
}

void TwToolbar::setItemIdentifiers(const std::vector<std::string>& identifiers)
{
    // The old items live until the widgets showing them have been told, and then go.
    std::vector<std::unique_ptr<TwToolbarItem>> old = std::move(_items);
    _items.clear();
    for (const auto& item : old) toolbarDidRemoveItem(*item);
    auto changedHandler = std::move(_changed);
    for (const std::string& identifier : identifiers) insertItem(identifier, _items.size());
    _changed = std::move(changedHandler);
    changed();
}

std::vector<std::string> TwToolbar::sanitizedIdentifiers(const PropertyList& stored)
{
    const PropertyList::Array* list = stored.arrayValue();
    if (!list) return defaultItemIdentifiers();
    std::vector<std::string> identifiers;
    std::set<std::string> seen;
    for (const PropertyList& value : *list) {
        if (value.type() != PropertyList::Type::String) continue;
        std::string identifier = value.stringValue();
        if (!isKnown(identifier)) continue;
        if (!isSpaceOrSeparator(identifier) && !seen.insert(identifier).second) continue;
        identifiers.push_back(std::move(identifier));
    }
    return identifiers;
}

void TwToolbar::loadConfiguration()
{
    setItemIdentifiers(sanitizedIdentifiers(UserDefaults::standard().objectForKey(Identifier)));
}

void TwToolbar::storeConfiguration() const
{
    PropertyList::Array list;
    for (const auto& item : _items) list.emplace_back(item->itemIdentifier());
    UserDefaults::standard().setObject(Identifier, PropertyList(std::move(list)));
}

void TwToolbar::toolbarWillAddItem(TwToolbarItem& item)
{
    if (item.itemIdentifier() == ZoomItemIdentifier) setZoomItem(&item);
    if (item.itemIdentifier() == SearchItemIdentifier) setSearchItem(&item);
}

void TwToolbar::toolbarDidRemoveItem(TwToolbarItem& item)
{
    if (&item == _zoomItem) setZoomItem(nullptr);
    if (&item == _searchItem) setSearchItem(nullptr);
}

void TwToolbar::setSearchItem(TwToolbarItem* item)
{
    if (item == _searchItem) return;
    _searchItem = item;
    if (_context.setSearchBar) _context.setSearchBar(searchBar());
}

void TwToolbar::setZoomItem(TwToolbarItem* item)
{
    if (item == _zoomItem) return;
    _zoomItem = item;
    if (_context.zoomFactorChanged) _context.zoomFactorChanged();
}

void TwToolbar::setZoomFactorText(const std::string& text)
{
    if (!_zoomItem || !_zoomItem->segmentedItem()) return;
    _zoomItem->segmentedItem()->segmentedControl().setLabel(text, 0);
}

std::string TwToolbar::zoomFactorText(double factor)
{
    // Rounded, so that a factor a little under a whole percent (0.29 × 100 is 28.999…) reads as
    // that percent; kept in double, so 1.255 stays 125 and does not become single precision's 126.
    const double percent = factor * 100;
    const long whole = std::isfinite(percent) && std::fabs(percent) < 1e9 ? std::lround(percent) : 0;
    char text[32];
    std::snprintf(text, sizeof text, "%ld%%", whole);
    return text;
}

void TwToolbar::validate()
{
    for (const auto& item : _items) item->validate();
}

void TwToolbar::runCustomizationPalette()
{
    if (_customize) _customize();
}
