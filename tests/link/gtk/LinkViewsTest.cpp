#include "link/gtk/DeviceLinkInstallation.h"
#include "link/gtk/TwkDevicePinView.h"
#include "link/gtk/iPhoneLinkStatusView.h"

#include "Editor/ApplicationActions.h"
#include "Editor/DeviceLinkServices.h"
#include "link/LinkStatusPane.h"
#include "link/iPhoneLinkServices.h"
#include "platform/Localizer.h"
#include "platform/MainLoop.h"
#include "platform/gtk/GtkAlertPanel.h"
#include "preferences/gtk/PreferencesWindow.h"
#include "support/DisplayRequirement.h"

#include <gtest/gtest.h>
#include <gtkmm.h>

#include <cstdlib>
#include <string>

namespace {

template <class T> T* findChild(Gtk::Widget* widget)
{
    if (auto* found = dynamic_cast<T*>(widget)) return found;
    if (auto* container = dynamic_cast<Gtk::Container*>(widget))
        for (Gtk::Widget* child : container->get_children())
            if (T* found = findChild<T>(child)) return found;
    return nullptr;
}

Gtk::MessageDialog* shownDialog()
{
    for (Gtk::Window* window : Gtk::Window::list_toplevels())
        if (auto* dialog = dynamic_cast<Gtk::MessageDialog*>(window); dialog && dialog->get_visible()) return dialog;
    return nullptr;
}

class LinkViewsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        TARNWICK_REQUIRE_DISPLAY(gtk_init_check(nullptr, nullptr));
        Gtk::Main::init_gtkmm_internals();
        AlertPanel::setShared(&panel);
        installDeviceLink();
    }
    void TearDown() override { AlertPanel::setShared(nullptr); }

    GtkAlertPanel panel;
};

TEST_F(LinkViewsTest, ThePinDialogEnablesOkForFourDigitsAndAnswersTheirValue)
{
    struct Step {
        const char* text;
        bool okEnabled;
    };
    const Step steps[] = {{"", false}, {"004", false}, {"00421", false}, {"0a42", false}, {"0042", true}};
    std::vector<std::string> failures;
    bool urgent = false;
    bool focused = false;
    Glib::signal_timeout().connect(
        [&] {
            Gtk::MessageDialog* dialog = shownDialog();
            if (!dialog) return true;
            auto* view = findChild<TwkDevicePinView>(dialog);
            if (!view) {
                dialog->response(Gtk::RESPONSE_CANCEL);
                return false;
            }
            urgent = dialog->get_urgency_hint();
            focused = view->pinValueEdit().is_focus();
            Gtk::Widget* ok = dialog->get_widget_for_response(AlertPanel::FirstButtonReturn);
            for (const Step& step : steps) {
                view->pinValueEdit().set_text(step.text);
                if (!ok || ok->get_sensitive() != step.okEnabled) failures.push_back(step.text);
            }
            dialog->response(AlertPanel::FirstButtonReturn);
            return false;
        },
        50);
    const std::string device = "<b>Anna</b>'s phone";
    EXPECT_EQ(iPhoneLinkServices::askPinCode(device), 42);
    EXPECT_TRUE(failures.empty()) << failures.front();
    EXPECT_TRUE(urgent);
    EXPECT_TRUE(focused);
}

TEST_F(LinkViewsTest, CancellingThePinDialogAnswersMinusOne)
{
    Glib::signal_timeout().connect(
        [&] {
            Gtk::MessageDialog* dialog = shownDialog();
            if (!dialog) return true;
            if (auto* view = findChild<TwkDevicePinView>(dialog)) view->pinValueEdit().set_text("1234");
            dialog->response(AlertPanel::FirstButtonReturn + 1);
            return false;
        },
        50);
    EXPECT_EQ(iPhoneLinkServices::askPinCode("phone"), -1);
}

TEST_F(LinkViewsTest, TheStatusPaneFillsItsPreferencesPaneAndShowsTheErrorWithoutALink)
{
    const PreferencePaneInfo panes[] = {{"General", "general_options_title"},
                                        {LinkStatusPane::Identifier, LinkStatusPane::TitleKey}};
    PreferencesWindow window(panes, 515);
    window.selectPane(LinkStatusPane::Identifier);
    auto* view = findChild<iPhoneLinkStatusView>(&window);
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(view->statusLabel().get_text(), localized("iphone_link_status_error_message"));
    EXPECT_EQ(view->refreshButton().get_label(), localized("db_refresh_condensed"));
    EXPECT_EQ(view->clearButton().get_label(), localized("iphone_link_clear_pairing_information"));
    view->statusLabel().set_text("stale");
    view->refreshButton().clicked();
    EXPECT_EQ(view->statusLabel().get_text(), localized("iphone_link_status_error_message"));
}

} // namespace

// Test runs of the whole program turn the link off; nothing may then listen or announce itself.
TEST_F(LinkViewsTest, TurnedOffTheApplicationRunsWithoutALink)
{
    const char* before = std::getenv(DeviceLinkVariable);
    const std::string kept = before ? before : "";
    setenv(DeviceLinkVariable, "off", 1);
    {
        InstalledApplicationServices services;
        services.startDeviceLinkServices();
        EXPECT_FALSE(services.hasDeviceLinkServices());
    }
    if (before) setenv(DeviceLinkVariable, kept.c_str(), 1);
    else unsetenv(DeviceLinkVariable);
}
