#include "Editor/MainMenu.h"

#include "Editor/CheckboxMenuHandler.h"
#include "Editor/HistoryMenu.h"
#include "Editor/MenuTranslator.h"
#include "Editor/StandardMenuBuilder.h"
#include "platform/Localizer.h"

#include <algorithm>
#include <cstdint>
#include <vector>

namespace {

constexpr unsigned Ctrl = ControlKeyModifier;
constexpr unsigned Shift = ShiftKeyModifier;
constexpr unsigned Alt = AlternateKeyModifier;

// One line of the menu bar: an item with its action and key, a separator (no title), or a
// submenu (no action). Keys follow the desktop's habits where they differ from the
// platform's: Back is Alt+Left, no item takes Ctrl+M, full screen is F11 and presenting F5; the
// toolbars' and the inspector's keys take Shift, since Ctrl+Alt+T opens a terminal on many
// desktops.
struct Entry {
    const char* title = "";
    const char* action = "";
    const char* key = "";
    unsigned modifiers = 0;
    std::vector<Entry> entries = {};
    // The auto-focus items are checked by their tag, the mode they choose.
    int64_t tag = 0;
};

const Entry kSeparator{};

Entry submenu(const char* title, std::vector<Entry> entries)
{
    return Entry{title, "", "", 0, std::move(entries)};
}

// The History submenu: the translator's table has no row for it, its title is set at start-up.
constexpr const char* HistoryTitle = "History";
constexpr const char* HistoryTitleKey = "editor_menu_history";

const std::vector<Entry>& menuBarTable()
{
    static const std::vector<Entry> table = {
        submenu("Tarnwick",
                {
                    {"About Tarnwick…", "orderFrontStandardAboutPanel:"},
                    {"Check for Updates…", "checkForUpdates:"},
                    kSeparator,
                    {"Preferences", "showPreferencesPanel:", "comma", Ctrl},
                    {"Work Offline", "toggleUserOffline:"},
                    kSeparator,
                    {"Quit Tarnwick", "terminate:", "q", Ctrl},
                }),
        submenu("Mind Map",
                {
                    {"Show Mind Maps…", "toggleMindMapExplorer:", "F9"},
                    {"New", "newDocument:", "n", Ctrl},
                    {"Duplicate", "duplicateDocument:"},
                    {"New Map from selection", "mindMapFromSelection:"},
                    {"New Linked Map from selection", "linkedMindMapFromSelection:"},
                    kSeparator,
                    {"Close", "closeDocument:", "w", Ctrl},
                    {"Save", "saveDocument:", "s", Ctrl},
                    {"Revert to Saved", "revertDocumentToSaved:"},
                    {"Mind Map Info", "showMindMapInfo:"},
                    kSeparator,
                    {"Back", "navigateBackward:", "Left", Alt},
                    submenu(HistoryTitle, {}),
                    kSeparator,
                    {"Import", "importDocument:"},
                    {"Import pdf bookmarks", "importPdf:"},
                    {"Export Mind Map", "exportDocument:"},
                    {"Export Mind Map to Cloud", "exportToCloud:"},
                    {"Export Outline", "exportOutline:"},
                    {"Mail Mind Map", "sendEmailMessage:"},
                    kSeparator,
                    {"Print Mind Map", "printDocument:", "p", Ctrl},
                    {"Print Outline", "printOutline:"},
                }),
        submenu("Edit",
                {
                    {"Undo", "undo:", "z", Ctrl},
                    {"Redo", "redo:", "z", Ctrl | Shift},
                    kSeparator,
                    {"Cut", "cut:", "x", Ctrl},
                    {"Copy", "copy:", "c", Ctrl},
                    {"Copy as Image", "copyAsImage:"},
                    {"Copy as Outline", "copyAsOutline:"},
                    {"Paste", "paste:", "v", Ctrl},
                    {"Paste as Central Theme", "pasteAsCentralTheme:"},
                    {"Paste Text as List", "pasteTextAsList:"},
                    {"Delete", "delete:"},
                    {"Delete Single Topic", "deleteAlt:"},
                    kSeparator,
                    submenu("Add",
                            {
                                {"Add Child Topic", "addChildNode:"},
                                {"Add Sibling Topic", "addSiblingNode:"},
                                {"Insert Sibling Topic", "insertSiblingNode:"},
                                {"Insert Topic", "insertNode:"},
                                {"Add Central Theme", "addCentralTheme:"},
                                {"Add Label", "addText:"},
                                {"Add Cross Link", "addCrossLink:"},
                            }),
                    {"Make Main Central Theme", "makeMainCentralTheme:"},
                    {"Edit Text", "editText:"},
                    submenu("Link Topic", {}),
                    {"Select Icon", "showIconPickerPanel:"},
                    submenu("Image", {}),
                    {"Topic Check boxes", "setupCheckboxes:"},
                    {"Toggle Checked State", "toggleCheckedState:"},
                    {"Set Date", "showDatePickerPanel:"},
                    {"Show Branch Border", "toggleShowHull:"},
                    kSeparator,
                    submenu("Collapse / Expand",
                            {
                                {"Collapse", "collapse:"},
                                {"Collapse children", "collapseChildren:"},
                                {"Full collapse", "fullCollapse:"},
                                kSeparator,
                                {"Expand", "expand:"},
                                {"Expand children", "expandChildren:"},
                                {"Full expand", "fullExpand:"},
                            }),
                    submenu("Hide / Show",
                            {
                                {"Hide", "hideSelected:"},
                                {"Hide children", "hideChildren:"},
                                {"Full hide", "fullHide:"},
                                kSeparator,
                                {"Show", "showSelected:"},
                                {"Show children", "showChildren:"},
                                {"Full show", "fullShow:"},
                            }),
                    {"Layout", "changeLayoutMode:"},
                    submenu("Reorder",
                            {
                                {"Order Backward", "orderElementBackward:"},
                                {"Order Forward", "orderElementForward:"},
                                {"Order Up in Hierarchy", "orderUpSelectedNode:"},
                            }),
                    submenu("Rotate / Flip",
                            {
                                {"Rotate 90 Right", "rotate90CW:"},
                                {"Rotate 90 Left", "rotate90CCW:"},
                                {"Rotate 180", "rotate180:"},
                                kSeparator,
                                {"Flip Horizontal", "flipBranchHorizontal:"},
                                {"Flip Vertical", "flipBranchVertical:"},
                            }),
                    {"Properties", "editProperties:"},
                    {"Default Word Wrap", "applyDefaultWordWrap:"},
                    kSeparator,
                    submenu("Select",
                            {
                                {"Select all Topics", "selectAllNodes:", "a", Ctrl},
                                {"Select all Relations", "selectAllRelations:"},
                                {"Select all Cross Links", "selectAllCrossLinks:"},
                                {"Select all Images", "selectAllImages:"},
                                {"Select all Labels", "selectAllTexts:"},
                                {"Select Search Matches", "selectSearchMatches:"},
                            }),
                    {"Search Mind Map", "showMapSearchbar:", "f", Ctrl},
                    submenu("Spelling",
                            {
                                {"Check Mind Map Now", "checkSpelling:"},
                                {"Check Spelling While Typing", "toggleContinuousSpellChecking:"},
                                {"Correct Spelling Automatically", "toggleAutomaticSpellingCorrection:"},
                            }),
                }),
        submenu("Style",
                {
                    {"Custom Color", "orderFrontColorPanel:"},
                    kSeparator,
                    {"Clear Customization", "clearStyleCustomization:"},
                    {"Clear manually adjusted path", "clearPathCustomization:"},
                    kSeparator,
                    submenu("Font",
                            {
                                {"Change Fonts", "changeGlobalFonts:"},
                                kSeparator,
                                {"Bold", "toggleBoldFontStyle:", "b", Ctrl},
                                {"Italic", "toggleItalicFontStyle:", "i", Ctrl},
                                {"Underline", "toggleUnderlineFontStyle:", "u", Ctrl},
                                {"Strike Through", "toggleStrikeThroughFontStyle:"},
                                {"Superscript", "toggleSuperscriptFontStyle:"},
                                {"Subscript", "toggleSubscriptFontStyle:"},
                                kSeparator,
                                {"Remove Markdown", "removeMarkdown:"},
                            }),
                    {"Copy Style", "copyStyle:"},
                    {"Paste Style", "pasteStyle:"},
                    kSeparator,
                    {"Mind Map Style", "editMindMapStyle:"},
                }),
        submenu("View",
                {
                    {"Full Screen Editing", "toggleFullScreenMode:", "F11"},
                    {"Presentation Mode", "togglePresentationMode:", "F5"},
                    kSeparator,
                    {"Toggle Toolbar", "toggleToolbarShown:", "b", Ctrl | Shift},
                    {"Toggle Style Toolbar", "toggleStyleToolbar:", "t", Ctrl | Shift},
                    {"Toggle Inspector", "toggleInspectorPanel:", "i", Ctrl | Shift},
                    kSeparator,
                    {"Show Outline", "showOutlinerPanel:", "1", Ctrl},
                    {"Show Note", "showNotePanel:", "2", Ctrl},
                    {"Show Icons", "showIconPickerPanel:", "3", Ctrl},
                    kSeparator,
                    submenu("Zoom",
                            {
                                {"Zoom In", "zoomIn:", "plus", Ctrl},
                                {"Zoom Out", "zoomOut:", "minus", Ctrl},
                                {"Zoom 100%", "zoomActualSize:", "0", Ctrl},
                                {"Zoom Contents", "zoomContents:"},
                                kSeparator,
                                {"Center Map", "scrollMapToCenter:"},
                                {"Center Selected Element", "scrollSelectedElementToCenter:"},
                            }),
                    kSeparator,
                    {"Auto Focus Disabled", "autoFocusDisabled:", "", 0, {}, 0},
                    {"Auto Focus Selection", "autoFocusSelected:", "", 0, {}, 1},
                    {"Auto Focus Selection and Children", "autoFocusChildren:", "", 0, {}, 2},
                    {"Auto Focus Selected Branch", "autoFocusBranch:", "", 0, {}, 3},
                }),
        submenu("Window",
                {
                    {"Zoom Window", "performZoom:"},
                    {"Minimize Window", "performMiniaturize:"},
                    {"Close Window", "performClose:", "w", Ctrl | Shift},
                }),
        submenu("Help",
                {
                    {"Mind Map Editor Help", "showEditorQuickHelp:"},
                    {"Frequently Asked Questions", "showFAQ:"},
                    {"Home page", "showHomePage:"},
                    {"YouTube Channel", "gotoYouTubeChannel:"},
                    kSeparator,
                    {"Send Feedback", "sendFeedback:"},
                }),
    };
    return table;
}

void addEntry(Menu& menu, const Entry& entry)
{
    if (!*entry.title) {
        menu.addItem(MenuItem::separatorItem());
        return;
    }
    MenuItem& item = menu.addItem(entry.title, entry.action, entry.key);
    item.setKeyEquivalentModifiers(entry.modifiers);
    item.setTag(entry.tag);
    // A titled entry without an action is a submenu, some of them filled at start-up (the check
    // box set-up item gets its submenu then too).
    if (*entry.action) return;
    auto submenu = std::string(entry.title) == HistoryTitle ? std::make_shared<HistoryMenu>(entry.title)
                                                            : std::make_shared<Menu>(entry.title);
    for (const Entry& inner : entry.entries) addEntry(*submenu, inner);
    item.setSubmenu(std::move(submenu));
}

Menu* submenuTitled(Menu* menu, const std::string& title)
{
    if (!menu) return nullptr;
    for (const std::shared_ptr<MenuItem>& item : menu->items())
        if (item->title() == title && item->submenu()) return item->submenu();
    return nullptr;
}

MenuItem* firstItemWithAction(Menu& menu, const std::string& action)
{
    for (const std::shared_ptr<MenuItem>& item : menu.items())
        if (!item->isSeparatorItem() && item->action() == action) return item.get();
    return nullptr;
}

void removeFirstItemWithAction(Menu& menu, const std::string& action)
{
    std::vector<std::shared_ptr<MenuItem>> items = menu.items();
    auto it = std::find_if(items.begin(), items.end(), [&](const std::shared_ptr<MenuItem>& item) {
        return !item->isSeparatorItem() && item->action() == action;
    });
    if (it == items.end()) return;
    items.erase(it);
    menu.removeAllItems();
    for (std::shared_ptr<MenuItem>& item : items) menu.addItem(std::move(item));
}

} // namespace

MainMenu MainMenu::build()
{
    MainMenu menu;
    menu.bar = std::make_shared<Menu>();
    for (const Entry& entry : menuBarTable()) addEntry(*menu.bar, entry);
    menu.tarnWickMenu = submenuTitled(menu.bar.get(), "Tarnwick");
    menu.mindMapMenu = submenuTitled(menu.bar.get(), "Mind Map");
    menu.editMenu = submenuTitled(menu.bar.get(), "Edit");
    menu.styleMenu = submenuTitled(menu.bar.get(), "Style");
    menu.viewMenu = submenuTitled(menu.bar.get(), "View");
    menu.zoomMenu = submenuTitled(menu.viewMenu, "Zoom");
    menu.expansionMenu = submenuTitled(menu.editMenu, "Collapse / Expand");
    menu.imageMenu = submenuTitled(menu.editMenu, "Image");
    menu.linkMenu = submenuTitled(menu.editMenu, "Link Topic");
    menu.historyMenu = dynamic_cast<HistoryMenu*>(submenuTitled(menu.mindMapMenu, HistoryTitle));
    return menu;
}

void substituteAppNameInMenu(Menu* tarnWickMenu, const std::string& applicationName)
{
    if (!tarnWickMenu) return;
    static const std::string kName = "Tarnwick";
    for (const std::shared_ptr<MenuItem>& item : tarnWickMenu->items()) {
        std::string title = item->title();
        for (size_t at = title.find(kName); at != std::string::npos;
             at = title.find(kName, at + applicationName.size()))
            title.replace(at, kName.size(), applicationName);
        item->setTitle(title);
    }
}

void prepareMainMenu(MainMenu& menu, CheckboxMenuHandler& checkboxMenuHandler, const std::string& applicationName)
{
    MenuTranslator::translateMainMenu(*menu.bar);
    substituteAppNameInMenu(menu.tarnWickMenu, applicationName);
    if (menu.mindMapMenu) {
        const std::string historyTitle = localized(HistoryTitleKey);
        for (const std::shared_ptr<MenuItem>& item : menu.mindMapMenu->items())
            if (item->submenu() && item->submenu() == menu.historyMenu && !historyTitle.empty())
                item->setTitle(historyTitle);
    }
    if (menu.editMenu) {
        if (MenuItem* setup = firstItemWithAction(*menu.editMenu, "setupCheckboxes:"))
            setup->setSubmenu(checkboxMenuHandler.makeCheckboxSetupMenu(setup->title()));
    }
    if (menu.tarnWickMenu) removeFirstItemWithAction(*menu.tarnWickMenu, "checkForUpdates:");
    if (menu.imageMenu) StandardMenuBuilder::buildImageMenu(*menu.imageMenu);
    if (menu.linkMenu) StandardMenuBuilder::buildLinkMenu(*menu.linkMenu);
}
