#pragma once

#include "panels/MapStyleController.h"
#include "panels/gtk/StyleFrameViews.h"

#include <gtkmm.h>

#include <array>
#include <functional>
#include <memory>

// The widgets of the map style frame: the auto-numbering radios and the two colours with their
// boxes.
class MapStyleFrameView : public Gtk::Grid {
public:
    using Check = MapStyleFrame::Check;

    explicit MapStyleFrameView(MapStyleFrame& frame);
    ~MapStyleFrameView() override;

    void refresh();

    Gtk::RadioButton& autoNumberingRadio(size_t style) { return _radios.at(style); }
    Gtk::CheckButton& check(Check check) { return check == Check::BackgroundColor ? _backgroundCheck : _checkboxCheck; }
    Gtk::ColorButton& backgroundColorButton() { return _backgroundColor; }
    Gtk::ColorButton& checkboxColorButton() { return _checkboxColor; }

private:
    MapStyleFrame& _frame;
    bool _refreshing = false;
    Gtk::Label _caption;
    Gtk::RadioButton::Group _group;
    std::array<Gtk::RadioButton, 3> _radios;
    Gtk::CheckButton _backgroundCheck, _checkboxCheck;
    Gtk::ColorButton _backgroundColor, _checkboxColor;
};

// The map style dialog: five tabs over the controller's frames, with Apply, Cancel and OK.
class MapStyleDialog : public Gtk::Dialog {
public:
    // Apply writes into the map and keeps the dialog open; it never ends the run.
    static constexpr int ApplyResponse = 1001;

    explicit MapStyleDialog(MapStyleController& controller);

    Gtk::Notebook& tabs() { return _tabs; }
    MapStyleFrameView& mapStyleView() { return _mapStyleView; }
    TextStyleFrameView& nodeStyleView() { return _nodeStyleView; }
    RelationStyleFrameView& parentStyleView() { return _parentStyleView; }
    RelationStyleFrameView& crossLinkView() { return _crossLinkView; }
    TextStyleFrameView& textStyleView() { return _textStyleView; }
    Gtk::Button& applyButton() { return *_apply; }
    Gtk::Button& okButton() { return *_ok; }

private:
    MapStyleController& _controller;
    Gtk::Label _info;
    Gtk::Notebook _tabs;
    std::array<Gtk::Box, 5> _pages;
    MapStyleFrameView _mapStyleView;
    TextStyleFrameView _nodeStyleView;
    RelationStyleFrameView _parentStyleView;
    RelationStyleFrameView _crossLinkView;
    TextStyleFrameView _textStyleView;
    Gtk::Button* _apply = nullptr;
    Gtk::Button* _ok = nullptr;
};

// Makes the map style command open this dialog. Called once at start-up.
void installMapStyleDialog();
// Called with the dialog once it shows; for tests.
void setMapStyleDialogShownObserver(std::function<void(MapStyleDialog& dialog)> observer);
