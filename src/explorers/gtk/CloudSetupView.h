#pragma once

#include "explorers/CloudSetupViewController.h"

#include <gtkmm.h>

// The cloud set-up pane: a header and one row per cloud with its icon, title and a connect or
// disconnect button. Rows are never selected.
class CloudSetupView : public Gtk::Box {
public:
    explicit CloudSetupView(CloudSetupViewController& controller);
    ~CloudSetupView() override;

    Gtk::Label& headerLabel() { return _header; }
    Gtk::ListBox& list() { return _list; }
    // The row's button, for tests and for the keyboard.
    Gtk::Button* buttonOfRow(size_t row);

    void reloadData();

private:
    CloudSetupViewController& _controller;
    Gtk::Label _header;
    Gtk::ListBox _list;
    sigc::connection _pendingReload;
};
