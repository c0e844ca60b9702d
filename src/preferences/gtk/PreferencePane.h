#pragma once

#include "Editor/ApplicationActions.h"
#include "preferences/MASPreferencesViewController.h"

#include <functional>
#include <memory>

namespace Gtk {
class Widget;
}

// A pane as the preferences window shows it: the protocol and the widget, made when first shown.
class PreferencePane : public MASPreferencesViewController {
public:
    explicit PreferencePane(const PreferencePaneInfo& info);

    std::string masIdentifier() const override { return _identifier; }
    std::string masToolbarItemImage() const override { return _image; }
    std::string masToolbarItemLabel() const override;

    Gtk::Widget& view();

protected:
    virtual Gtk::Widget& loadView() = 0;

private:
    std::string _identifier;
    std::string _labelKey;
    std::string _image;
    Gtk::Widget* _view = nullptr;
};

// Makes the pane of a toolbar entry; nullptr when the entry has no pane of its own yet.
using PreferencePaneFactory = std::function<std::unique_ptr<PreferencePane>(const PreferencePaneInfo& info)>;
