#pragma once

#include "Editor/EditorNotificationPresenter.h"

#include <gtkmm/box.h>
#include <gtkmm/infobar.h>
#include <gtkmm/label.h>
#include <gtkmm/spinner.h>

#include <functional>

// The bar over the top of the canvas that shows the presenter's message in the colour of its
// level, and the line at the bottom that shows running background work. The user may close the bar
// before its time.
class EditorNotificationBar : public EditorNotificationView {
public:
    EditorNotificationBar();

    // The widgets the window lays over its canvas.
    Gtk::Widget& notificationWidget() { return _bar; }
    Gtk::Widget& progressWidget() { return _progressBox; }
    // Called when the user closes the bar.
    void setDismissHandler(std::function<void()> handler) { _dismiss = std::move(handler); }

    const Gtk::Label& messageLabel() const { return _message; }

    // EditorNotificationView
    void showNotification(const std::string& text, unsigned state) override;
    void hideNotification() override;
    void showProgress(const std::string& title) override;
    void hideProgress() override;

private:
    Gtk::InfoBar _bar;
    Gtk::Label _message;
    Gtk::Box _progressBox{Gtk::ORIENTATION_HORIZONTAL, 6};
    Gtk::Spinner _spinner;
    Gtk::Label _progressTitle;
    std::function<void()> _dismiss;
};
