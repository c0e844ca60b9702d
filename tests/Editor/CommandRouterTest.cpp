#include "Editor/CommandRouter.h"

#include "platform/Menu.h"
#include "platform/NotificationCenter.h"
#include "support/RecordingResponder.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

class CommandRouterTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        router.setResponderChain([this] { return std::vector<Responder*>{&view, &editor, &window, &document}; });
    }

    std::vector<std::string> log;
    RecordingResponder view{"view", log}, editor{"editor", log}, window{"window", log}, document{"document", log};
    CommandRouter router;
};

} // namespace

TEST_F(CommandRouterTest, ActionsGoToTheFirstResponderThatHandlesThem)
{
    editor.handle("copy:");
    document.handle("copy:");
    document.handle("saveDocument:");
    EXPECT_TRUE(router.sendAction("copy:", nullptr, nullptr));
    EXPECT_TRUE(router.sendAction("saveDocument:", nullptr, nullptr));
    EXPECT_TRUE(router.sendAction("copy:", &document, nullptr)) << "a target skips the chain";
    EXPECT_FALSE(router.sendAction("copy:", &window, nullptr));
    EXPECT_FALSE(router.sendAction("zoomIn:", nullptr, nullptr));
    EXPECT_EQ((std::vector<std::string>{"editor copy:", "document saveDocument:", "document copy:"}), log);
}

TEST_F(CommandRouterTest, ValidationAsksTheHandlerAndAppliesWhatItSays)
{
    view.handle("toggleBold:");
    ItemValidation bolded;
    bolded.checked = true;
    bolded.title = "Bold";
    view.answers["toggleBold:"] = bolded;
    editor.handle("hideTopic:");
    ItemValidation hidden = ItemValidation::enabledIf(false);
    hidden.hidden = true;
    editor.answers["hideTopic:"] = hidden;
    // The document handles cut: too, but the chain asks only the first handler.
    editor.handle("cut:");
    editor.answers["cut:"] = ItemValidation::enabledIf(false);
    document.handle("cut:");

    auto submenu = std::make_shared<Menu>("Format");
    MenuItem& bold = submenu->addItem("bold", "toggleBold:");
    Menu menu("Edit");
    MenuItem& hide = menu.addItem("hide", "hideTopic:");
    MenuItem& cut = menu.addItem("cut", "cut:");
    MenuItem& unhandled = menu.addItem("x", "noSuchAction:");
    MenuItem& holder = menu.addItem("Format", "");
    holder.setSubmenu(submenu);
    router.validateMenu(menu);

    EXPECT_TRUE(bold.isEnabled());
    EXPECT_TRUE(bold.isChecked());
    EXPECT_EQ("Bold", bold.title());
    EXPECT_FALSE(hide.isEnabled());
    EXPECT_TRUE(hide.isHidden());
    EXPECT_FALSE(cut.isEnabled());
    EXPECT_FALSE(unhandled.isEnabled()) << "no handler: disabled";
    EXPECT_TRUE(holder.isEnabled()) << "no action: enabled";
}

TEST_F(CommandRouterTest, AnAcceleratorActsOnlyWhenItsItemValidates)
{
    editor.handle("deleteSelection:");
    editor.handle("setLineWidth:");
    Menu menu;
    MenuItem& remove = menu.addItem("Delete", "deleteSelection:", "Delete");
    MenuItem& width = menu.addItem("Width 3", "setLineWidth:", "3");
    width.setRepresentedValue(3);
    int willSend = 0;
    auto token = NotificationCenter::defaultCenter().addObserver(MenuWillSendActionNotification, nullptr,
                                                                 [&](const Notification&) { ++willSend; });

    editor.answers["deleteSelection:"] = ItemValidation::enabledIf(false);
    EXPECT_FALSE(router.performKeyEquivalent(menu, "Delete", 0));
    EXPECT_FALSE(remove.isEnabled());
    editor.answers.clear();
    EXPECT_FALSE(router.performKeyEquivalent(menu, "Delete", 4)) << "other modifiers";
    EXPECT_TRUE(router.performKeyEquivalent(menu, "Delete", 0));
    EXPECT_TRUE(router.performKeyEquivalent(menu, "3", 0));
    EXPECT_EQ((std::vector<std::string>{"editor deleteSelection:", "editor setLineWidth: 3"}), log)
        << "a styling item sends its value";
    EXPECT_EQ(2, willSend);
}
