#include "Editor/MainMenu.h"

#include "Editor/CheckboxMenuHandler.h"
#include "Editor/MenuTranslator.h"
#include "Editor/StandardMenuBuilder.h"

#include <initializer_list>

namespace {

struct Entry {
    const char* title;
    const char* action;
    const char* key = "";
};

// A separator in an entry list.
const Entry kSeparator{"", ""};

Menu* addSubmenu(Menu& parent, const char* title, std::initializer_list<Entry> entries = {})
{
    MenuItem& item = parent.addItem(MenuItem(title, ""));
    item.submenu = std::make_shared<Menu>(title);
    for (const Entry& entry : entries) {
        if (!*entry.title) {
            item.submenu->addSeparator();
        } else {
            item.submenu->addItem(MenuItem(entry.title, entry.action, entry.key));
        }
    }
    return item.submenu.get();
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
                                    {"Preferences", "showPreferences:", "<Primary>comma"},
                                    {"Work Offline", "toggleWorkOffline:"},
                                    kSeparator,
                                    {"Quit Tarnwick", "terminate:", "<Primary>q"}});

    menu.mindMapMenu = addSubmenu(bar, "Mind Map",
                                  {{"Show Mind Maps…", "showMindMapExplorer:"},
                                   {"New", "newDocument:", "<Primary>n"},
                                   {"Duplicate", "duplicateDocument:"},
                                   {"New Map from selection", "newMapFromSelection:"},
                                   {"New Linked Map from selection", "newLinkedMapFromSelection:"},
                                   kSeparator,
                                   {"Close", "performClose:", "<Primary>w"},
                                   {"Save", "saveDocument:", "<Primary>s"},
                                   {"Revert to Saved", "revertDocumentToSaved:"},
                                   {"Mind Map Info", "showMindMapInfo:"},
                                   {"Back", "goBack:", "<Primary>bracketleft"},
                                   kSeparator,
                                   {"Import", "importMindMap:"},
                                   {"Import pdf bookmarks", "importPdf:"},
                                   {"Export Mind Map", "exportMindMap:"},
                                   {"Export Mind Map to Cloud", "exportMindMapToCloud:"},
                                   {"Export Outline", "exportOutline:"},
                                   {"Mail Mind Map", "mailMindMap:"},
                                   kSeparator,
                                   {"Print Mind Map", "printMindMap:", "<Primary>p"},
                                   {"Print Outline", "printOutline:"}});

    menu.editMenu = addSubmenu(bar, "Edit",
                               {{"Undo", "undo:", "<Primary>z"},
                                {"Redo", "redo:", "<Primary><Shift>z"},
                                kSeparator,
                                {"Cut", "cut:", "<Primary>x"},
                                {"Copy", "copy:", "<Primary>c"},
                                {"Copy as Image", "copyAsImage:"},
                                {"Copy as Outline", "copyAsOutline:"},
                                {"Paste", "paste:", "<Primary>v"},
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
    menu.editMenu->addItem(MenuItem("Make Main Central Theme", "setMainCentralTheme:"));
    menu.editMenu->addItem(MenuItem("Edit Text", "editText:"));
    menu.linkMenu = addSubmenu(*menu.editMenu, "Link Topic");
    menu.editMenu->addItem(MenuItem("Select Icon", "showIconPicker:"));
    menu.imageMenu = addSubmenu(*menu.editMenu, "Image");
    menu.editMenu->addItem(MenuItem("Topic Check boxes", "setupCheckboxes:"));
    menu.editMenu->addItem(MenuItem("Toggle Checked State", "toggleCheckedState:"));
    menu.editMenu->addItem(MenuItem("Set Date", "setDate:"));
    menu.editMenu->addSeparator();
    menu.expansionMenu = addSubmenu(*menu.editMenu, "Collapse / Expand",
                                    {{"Collapse", "collapse:"},
                                     {"Collapse children", "collapseChildren:"},
                                     {"Full collapse", "fullCollapse:"},
                                     kSeparator,
                                     {"Expand", "expand:"},
                                     {"Expand children", "expandChildren:"},
                                     {"Full expand", "fullExpand:"}});
    addSubmenu(*menu.editMenu, "Select",
               {{"Select all Topics", "selectAllTopics:", "<Primary>a"},
                {"Select all Relations", "selectAllRelations:"},
                {"Select all Cross Links", "selectAllCrossLinks:"},
                {"Select all Images", "selectAllImages:"},
                {"Select all Labels", "selectAllLabels:"},
                {"Select Search Matches", "selectSearchMatches:"}});
    menu.editMenu->addItem(MenuItem("Search Mind Map", "performFindPanelAction:", "<Primary>f"));

    menu.styleMenu = addSubmenu(bar, "Style",
                                {{"Clear Customization", "clearCustomization:"},
                                 {"Copy Style", "copyStyle:"},
                                 {"Paste Style", "pasteStyle:"},
                                 kSeparator,
                                 {"Mind Map Style", "showMindMapStyle:"}});
    addSubmenu(*menu.styleMenu, "Font",
               {{"Bold", "toggleBold:", "<Primary>b"},
                {"Italic", "toggleItalic:", "<Primary>i"},
                {"Underline", "toggleUnderline:", "<Primary>u"},
                {"Strike Through", "toggleStrikeThrough:"}});

    menu.viewMenu = addSubmenu(bar, "View",
                               {{"Full Screen Editing", "toggleFullScreenEditing:"},
                                {"Presentation Mode", "togglePresentationMode:"},
                                kSeparator,
                                {"Show Outline", "showOutline:"},
                                {"Show Note", "showNote:"}});
    menu.zoomMenu = addSubmenu(*menu.viewMenu, "Zoom",
                               {{"Zoom In", "zoomIn:", "<Primary>plus"},
                                {"Zoom Out", "zoomOut:", "<Primary>minus"},
                                {"Zoom 100%", "zoomActual:", "<Primary>0"},
                                {"Zoom Contents", "zoomContents:"},
                                kSeparator,
                                {"Center Map", "centerMindMap:"},
                                {"Center Selected Element", "centerSelectedElement:"}});

    addSubmenu(bar, "Window",
               {{"Minimize Window", "performMiniaturize:", "<Primary>m"}, {"Close Window", "performClose:"}});
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
    for (MenuItem& item : tarnWickMenu->items) {
        for (size_t at = item.title.find(kName); at != std::string::npos;
             at = item.title.find(kName, at + applicationName.size()))
            item.title.replace(at, kName.size(), applicationName);
    }
}

void prepareMainMenu(MainMenu& menu, CheckboxMenuHandler& checkboxMenuHandler, const std::string& applicationName)
{
    MenuTranslator::translateMainMenu(*menu.bar);
    substituteAppNameInMenu(menu.tarnWickMenu, applicationName);
    if (menu.editMenu) {
        if (MenuItem* setup = menu.editMenu->itemWithAction("setupCheckboxes:")) {
            setup->submenu = std::make_shared<Menu>(setup->title);
            checkboxMenuHandler.buildCheckboxSetupMenu(*setup->submenu);
        }
    }
    if (menu.tarnWickMenu) menu.tarnWickMenu->removeFirstItemWithAction("checkForUpdates:");
    if (menu.imageMenu) StandardMenuBuilder::buildImageMenu(*menu.imageMenu);
    if (menu.linkMenu) StandardMenuBuilder::buildLinkMenu(*menu.linkMenu);
}
