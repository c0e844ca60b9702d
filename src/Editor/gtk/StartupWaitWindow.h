#pragma once

#include "Editor/StartupWait.h"

#include <gtkmm/box.h>
#include <gtkmm/button.h>
#include <gtkmm/label.h>
#include <gtkmm/spinner.h>
#include <gtkmm/window.h>

#include <functional>
#include <string>

// The small window of a start that waits on another program: a spinner, what it waits for, and
// the one button that gives the wait up; closing the window gives up too. It may come up while the
// user answers an alert of the running program: it takes no focus as it shows and has no default
// button, so a Return meant for that alert never presses a button the user has not seen.
class StartupWaitWindow : public Gtk::Window, public StartupWait::Presenter {
public:
    StartupWaitWindow(const StartupWait::Notice& notice, std::function<void()> giveUp);

    // Has the waits of a start show this window, titled and with the icon given, where the
    // toolkit reaches a display.
    static void install(const std::string& title, const std::string& iconName);

    void showUnderWay() override;

private:
    bool on_delete_event(GdkEventAny* event) override;

    std::function<void()> _giveUp;
    std::string _underWayDetail;
    Gtk::Box _box{Gtk::ORIENTATION_VERTICAL, 12};
    Gtk::Box _header{Gtk::ORIENTATION_HORIZONTAL, 12};
    Gtk::Spinner _spinner;
    Gtk::Label _title;
    Gtk::Label _detail;
    Gtk::Box _buttons{Gtk::ORIENTATION_HORIZONTAL, 6};
    Gtk::Button _button;
};
