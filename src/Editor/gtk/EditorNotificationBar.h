#pragma once

#include "Editor/EditorNotificationPresenter.h"
#include "Editor/NotificationView.h"

#include <gtkmm/box.h>
#include <gtkmm/button.h>
#include <gtkmm/label.h>
#include <gtkmm/revealer.h>
#include <gtkmm/spinner.h>

#include <functional>

// The box at the canvas's bottom-left that shows the presenter's notification, tinted by its level
// and growing upward as it appears, and the line that shows running background work. The user may
// close the box before its time.
class EditorNotificationBar : public EditorNotificationView {
public:
    EditorNotificationBar();

    // The widgets the window lays over its canvas; each aligns itself to the bottom-left.
    Gtk::Widget& notificationWidget() { return _revealer; }
    Gtk::Widget& progressWidget() { return _progressBox; }
    // Called when the user closes the box.
    void setDismissHandler(std::function<void()> handler) { _dismiss = std::move(handler); }

    const Gtk::Label& captionLabel() const { return _caption; }
    const Gtk::Label& messageLabel() const { return _message; }
    const NotificationView& notificationView() const { return _box.view; }

    // EditorNotificationView
    void showNotification(const std::string& title, const std::string& message, unsigned state) override;
    void hideNotification() override;
    void showProgress(const std::string& title) override;
    void hideProgress() override;

private:
    // Paints the rounded, tinted background under its rows.
    class Box : public Gtk::Box {
    public:
        Box();
        NotificationView view;

    protected:
        bool on_draw(const Cairo::RefPtr<Cairo::Context>& cr) override;
    };

    Gtk::Revealer _revealer;
    Box _box;
    Gtk::Box _header{Gtk::ORIENTATION_HORIZONTAL, 6};
    Gtk::Label _caption;
    Gtk::Button _close;
    Gtk::Label _message;
    Gtk::Box _progressBox{Gtk::ORIENTATION_HORIZONTAL, 6};
    Gtk::Spinner _spinner;
    Gtk::Label _progressTitle;
    std::function<void()> _dismiss;
};
