#pragma once

#include "Editor/CrossLinkBarController.h"

#include <gtkmm/box.h>
#include <gtkmm/button.h>
#include <gtkmm/eventbox.h>
#include <gtkmm/label.h>
#include <gtkmm/revealer.h>

// The tab at the canvas's top-left while a new cross link is being drawn: the message and a close
// button that ends the cross-link mode. It slides down in 0.25 s; clicks on it stay with it. Its
// controller is the editor's cross-link feedback once installed as such.
class CrossLinkBar : public CrossLinkBarView {
public:
    explicit CrossLinkBar(MindMapEditor& editor);
    ~CrossLinkBar() override;
    CrossLinkBar(const CrossLinkBar&) = delete;
    CrossLinkBar& operator=(const CrossLinkBar&) = delete;

    // The widget the window lays over its canvas; it aligns itself to the top-left.
    Gtk::Widget& widget() { return _revealer; }
    CrossLinkBarController& controller() { return _controller; }
    const Gtk::Label& label() const { return _label; }
    Gtk::Button& closeButton() { return _close; }
    Gtk::Widget& container() { return _container; }

    // CrossLinkBarView
    bool isBarShown() const override;
    void showBar() override;
    void hideBar() override;

private:
    class Container : public Gtk::EventBox {
    public:
        Container();

    protected:
        bool on_draw(const Cairo::RefPtr<Cairo::Context>& cr) override;
        bool on_button_press_event(GdkEventButton* event) override;
        bool on_button_release_event(GdkEventButton* event) override;
    };

    CrossLinkBarController _controller;
    Gtk::Revealer _revealer;
    Container _container;
    Gtk::Box _row{Gtk::ORIENTATION_HORIZONTAL, 6};
    Gtk::Label _label;
    Gtk::Button _close;
};
