#include "Editor/MainMenu.h"

#include "Editor/CheckboxMenuHandler.h"
#include "Editor/MenuTranslator.h"
#include "Editor/StandardMenuBuilder.h"

#include <algorithm>
#include <initializer_list>

namespace {

struct Entry {
    const char* title;
    const char* action;
    const char* key = "";
    unsigned modifiers = 0;
};

// A separator in an entry list.
const Entry kSeparator{"", ""};

void addEntry(Menu& menu, const Entry& entry)
{
    if (!*entry.title) {
        menu.addItem(MenuItem::separatorItem());
        return;
    }
    menu.addItem(entry.title, entry.action, entry.key).setKeyEquivalentModifiers(entry.modifiers);
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

Menu* addSubmenu(Menu& parent, const char* title, std::initializer_list<Entry> entries = {})
{
    auto submenu = std::make_shared<Menu>(title);
    for (const Entry& entry : entries) addEntry(*submenu, entry);
    parent.addItem(title, "").setSubmenu(submenu);
    return submenu.get();
}

} // namespace

MainMenu MainMenu::build()
{
    MainMenu menu;
    menu.bar = std::make_shared<Menu>();
    Menu& bar = *menu.bar;

    menu.tarnWickMenu = addSubmenu(bar, "Tarnwick",
                                   {{"About Tarnwick…", "orderFrontAboutPanel:"},
                                    {"Check for Updates…", "checkForUpdates:"},
                                    kSeparator,
                                    {"Preferences", "showPreferences:", "comma", ControlKeyModifier},
                                    {"Work Offline", "toggleWorkOffline:"},
                                    kSeparator,
                                    {"Quit Tarnwick", "terminate:", "q", ControlKeyModifier}});

    menu.mindMapMenu = addSubmenu(bar, "Mind Map",
                                  {{"Show Mind Maps…", "showMindMapExplorer:"},
                                   {"New", "newDocument:", "n", ControlKeyModifier},
                                   {"Duplicate", "duplicateDocument:"},
                                   {"New Map from selection", "newMapFromSelection:"},
                                   {"New Linked Map from selection", "newLinkedMapFromSelection:"},
                                   kSeparator,
                                   {"Close", "performClose:", "w", ControlKeyModifier},
                                   {"Save", "saveDocument:", "s", ControlKeyModifier},
                                   {"Revert to Saved", "revertDocumentToSaved:"},
                                   {"Mind Map Info", "showMindMapInfo:"},
                                   {"Back", "goBack:", "bracketleft", ControlKeyModifier},
                                   kSeparator,
                                   {"Import", "importMindMap:"},
                                   {"Import pdf bookmarks", "importPdf:"},
                                   {"Export Mind Map", "exportMindMap:"},
                                   {"Export Mind Map to Cloud", "exportMindMapToCloud:"},
                                   {"Export Outline", "exportOutline:"},
                                   {"Mail Mind Map", "mailMindMap:"},
                                   kSeparator,
                                   {"Print Mind Map", "printMindMap:", "p", ControlKeyModifier},
                                   {"Print Outline", "printOutline:"}});

    menu.editMenu = addSubmenu(bar, "Edit",
                               {{"Undo", "undo:", "z", ControlKeyModifier},
                                {"Redo", "redo:", "z", ControlKeyModifier | ShiftKeyModifier},
                                kSeparator,
                                {"Cut", "cut:", "x", ControlKeyModifier},
                                {"Copy", "copy:", "c", ControlKeyModifier},
                                {"Copy as Image", "copyAsImage:"},
                                {"Copy as Outline", "copyAsOutline:"},
                                {"Paste", "paste:", "v", ControlKeyModifier},
                                {"Paste as Central Theme", "pasteAsCentralTheme:"},
                                {"Paste Text as List", "pasteTextAsList:"},
                                {"Delete", "delete:"},
                                {"Delete Single Topic", "deleteSingleTopic:"},
                                kSeparator});
    addSubmenu(*menu.editMenu, "Add",
               {{"Add Child Topic", "addChild:"},
                {"Add Sibling Topic", "addSibling:"},
                {"Insert Sibling Topic", "insertSibling:"},
                {"Insert Topic", "insertNode:"},
                {"Add Central Theme", "addCentralTheme:"},
                {"Add Label", "addLabel:"},
                {"Add Cross Link", "addCrossLink:"}});
    menu.editMenu->addItem("Make Main Central Theme", "setMainCentralTheme:");
    menu.editMenu->addItem("Edit Text", "editText:");
    menu.linkMenu = addSubmenu(*menu.editMenu, "Link Topic");
    menu.editMenu->addItem("Select Icon", "showIconPicker:");
    menu.imageMenu = addSubmenu(*menu.editMenu, "Image");
    menu.editMenu->addItem("Topic Check boxes", "setupCheckboxes:");
    menu.editMenu->addItem("Toggle Checked State", "toggleCheckedState:");
    menu.editMenu->addItem("Set Date", "setDate:");
    menu.editMenu->addItem(MenuItem::separatorItem());
    menu.expansionMenu = addSubmenu(*menu.editMenu, "Collapse / Expand",
                                    {{"Collapse", "collapse:"},
                                     {"Collapse children", "collapseChildren:"},
                                     {"Full collapse", "fullCollapse:"},
                                     kSeparator,
                                     {"Expand", "expand:"},
                                     {"Expand children", "expandChildren:"},
                                     {"Full expand", "fullExpand:"}});
    addSubmenu(*menu.editMenu, "Select",
               {{"Select all Topics", "selectAllTopics:", "a", ControlKeyModifier},
                {"Select all Relations", "selectAllRelations:"},
                {"Select all Cross Links", "selectAllCrossLinks:"},
                {"Select all Images", "selectAllImages:"},
                {"Select all Labels", "selectAllLabels:"},
                {"Select Search Matches", "selectSearchMatches:"}});
    addEntry(*menu.editMenu, {"Search Mind Map", "performFindPanelAction:", "f", ControlKeyModifier});

    menu.styleMenu = addSubmenu(bar, "Style",
                                {{"Clear Customization", "clearCustomization:"},
                                 {"Copy Style", "copyStyle:"},
                                 {"Paste Style", "pasteStyle:"},
                                 kSeparator,
                                 {"Mind Map Style", "showMindMapStyle:"}});
    addSubmenu(*menu.styleMenu, "Font",
               {{"Bold", "toggleBold:", "b", ControlKeyModifier},
                {"Italic", "toggleItalic:", "i", ControlKeyModifier},
                {"Underline", "toggleUnderline:", "u", ControlKeyModifier},
                {"Strike Through", "toggleStrikeThrough:"}});

    menu.viewMenu = addSubmenu(bar, "View",
                               {{"Full Screen Editing", "toggleFullScreenEditing:"},
                                {"Presentation Mode", "togglePresentationMode:"},
                                kSeparator,
                                {"Show Outline", "showOutline:"},
                                {"Show Note", "showNote:"}});
    menu.zoomMenu = addSubmenu(*menu.viewMenu, "Zoom",
                               {{"Zoom In", "zoomIn:", "plus", ControlKeyModifier},
                                {"Zoom Out", "zoomOut:", "minus", ControlKeyModifier},
                                {"Zoom 100%", "zoomActual:", "0", ControlKeyModifier},
                                {"Zoom Contents", "zoomContents:"},
                                kSeparator,
                                {"Center Map", "centerMindMap:"},
                                {"Center Selected Element", "centerSelectedElement:"}});

    addSubmenu(
        bar, "Window",
        {{"Minimize Window", "performMiniaturize:", "m", ControlKeyModifier}, {"Close Window", "performClose:"}});
    addSubmenu(bar, "Help",
               {{"Mind Map Editor Help", "showEditorHelp:"},
                {"Frequently Asked Questions", "showFaq:"},
                {"Home page", "showHomePage:"}});
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
    if (menu.editMenu) {
        if (MenuItem* setup = firstItemWithAction(*menu.editMenu, "setupCheckboxes:"))
            setup->setSubmenu(checkboxMenuHandler.makeCheckboxSetupMenu(setup->title()));
    }
    if (menu.tarnWickMenu) removeFirstItemWithAction(*menu.tarnWickMenu, "checkForUpdates:");
    if (menu.imageMenu) StandardMenuBuilder::buildImageMenu(*menu.imageMenu);
    if (menu.linkMenu) StandardMenuBuilder::buildLinkMenu(*menu.linkMenu);
}
