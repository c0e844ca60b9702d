#include "explorers/CloudCommands.h"

#include "platform/Localizer.h"
#include "platform/Menu.h"

#include <gtest/gtest.h>

using CloudCommands::CommandState;

namespace {

CommandState readyState()
{
    CommandState state;
    state.linked = true;
    state.pathStackCount = 2;
    state.canShowThumbnails = true;
    return state;
}

} // namespace

TEST(CloudCommandsTest, TheEnablingTableRowByRow)
{
    struct Case {
        const char* name;
        std::function<void(CommandState&)> change;
        std::vector<std::string> enabled;
    };
    const std::vector<std::string> actions = {
        "goBack:",    "newDocument:", "importDocument:", "canCopyToCloud:",       "duplicate:", "synchronize:",
        "addFolder:", "delete:",      "moveToFolder:",   "toggleShowThumbnails:", "rename:"};
    const std::vector<Case> cases = {
        {"ready, nothing selected",
         [](CommandState&) {},
         {"goBack:", "newDocument:", "importDocument:", "synchronize:", "addFolder:", "toggleShowThumbnails:"}},
        {"a map selected",
         [](CommandState& s) {
             s.itemSelected = true;
             s.mapSelected = true;
         },
         {"goBack:", "newDocument:", "importDocument:", "canCopyToCloud:", "duplicate:", "synchronize:", "addFolder:",
          "delete:", "moveToFolder:", "toggleShowThumbnails:"}},
        {"a folder selected offline",
         [](CommandState& s) {
             s.itemSelected = true;
             s.online = false;
         },
         {"goBack:", "newDocument:", "importDocument:", "toggleShowThumbnails:"}},
        {"searching with a map selected",
         [](CommandState& s) {
             s.searching = true;
             s.itemSelected = true;
             s.mapSelected = true;
         },
         {"canCopyToCloud:", "duplicate:", "delete:", "moveToFolder:", "toggleShowThumbnails:"}},
        {"a user task runs",
         [](CommandState& s) {
             s.userTaskRunning = true;
             s.itemSelected = true;
             s.mapSelected = true;
         },
         {"goBack:", "toggleShowThumbnails:"}},
        {"the lister works", [](CommandState& s) { s.listerIdle = false; }, {"goBack:", "toggleShowThumbnails:"}},
        {"at the root",
         [](CommandState& s) { s.pathStackCount = 1; },
         {"newDocument:", "importDocument:", "synchronize:", "addFolder:", "toggleShowThumbnails:"}},
        {"no folder shown", [](CommandState& s) { s.pathStackCount = 0; }, {"toggleShowThumbnails:"}},
        {"a browser window", [](CommandState& s) { s.explorerMode = 5; }, {"goBack:", "toggleShowThumbnails:"}},
        {"a browser window, not linked",
         [](CommandState& s) {
             s.explorerMode = 1;
             s.linked = false;
             s.canShowThumbnails = false;
         },
         {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CommandState state = readyState();
        c.change(state);
        std::vector<std::string> enabled;
        for (const std::string& action : actions)
            if (CloudCommands::isEnabled(action, state)) enabled.push_back(action);
        EXPECT_EQ(enabled, c.enabled);
    }
}

TEST(CloudCommandsTest, NamesThatWouldAddressAnotherFolderAreRefused)
{
    for (const char* bad : {"", "  ", ".", "..", "a/b", "a\\b", "/", "../x"})
        EXPECT_TRUE(CloudCommands::invalidNameMessage(bad)) << bad;
    for (const char* good : {"Plan", "...", "a.b", ".hidden", "Ideen für 2027"})
        EXPECT_FALSE(CloudCommands::invalidNameMessage(good)) << good;
}

TEST(CloudCommandsTest, WithoutAnotherEnabledCloudTheCopyMenuSaysSo)
{
    Menu menu;
    menu.addItem("stale", "x");
    CloudCommands::fillCopyToCloudMenu(menu, nullptr, nullptr);
    ASSERT_EQ(menu.items().size(), 1u);
    EXPECT_EQ(menu.items()[0]->title(), localized("no_additional_clouds_enabled_message"));
    EXPECT_FALSE(menu.items()[0]->isEnabled());
}
