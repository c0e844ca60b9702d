#pragma once

#include "editor-view/gtk/PlainTextViewPastes.h"
#include "panels/LayoutModePanelController.h"
#include "panels/NodePropertiesPanelController.h"
#include "panels/NotePanelController.h"
#include "panels/TextPanelController.h"
#include "panels/gtk/StyleFrameViews.h"
#include "panels/gtk/TextViewEx.h"

#include <gtkmm.h>

#include <functional>
#include <memory>
#include <vector>

// The topic properties dialog: text and note on the first tab, the topic's style on the second.
class NodePropertiesDialog : public Gtk::Dialog {
public:
    explicit NodePropertiesDialog(NodePropertiesPanelController& controller);
    // The text views into the controller; done only when OK ended the run.
    void readBack();

    TextViewEx& textView() { return _text; }
    TextViewEx& noteView() { return _note; }
    Gtk::Notebook& tabs() { return _tabs; }
    TextStyleFrameView& styleView() { return _styleView; }
    Gtk::Button& okButton() { return *_ok; }

private:
    NodePropertiesPanelController& _controller;
    Gtk::Notebook _tabs;
    Gtk::Box _topicPage{Gtk::ORIENTATION_VERTICAL, 6};
    Gtk::Label _textLabel, _noteLabel;
    Gtk::ScrolledWindow _textScroll, _noteScroll;
    TextViewEx _text, _note;
    std::unique_ptr<PlainTextViewPastes> _textPastes, _notePastes;
    Gtk::Box _stylePage{Gtk::ORIENTATION_VERTICAL, 8};
    Gtk::Label _styleLabel;
    TextStyleFrameView _styleView;
    Gtk::Button* _ok = nullptr;
};

// The read-only twin: text and note, not editable and OK disabled while the map is read-only.
class NoteDialog : public Gtk::Dialog {
public:
    explicit NoteDialog(NotePanelController& controller);
    void readBack();

    TextViewEx& textView() { return _text; }
    TextViewEx& noteView() { return _note; }
    Gtk::Button& okButton() { return *_ok; }

private:
    NotePanelController& _controller;
    Gtk::Label _textLabel, _noteLabel;
    Gtk::ScrolledWindow _textScroll, _noteScroll;
    TextViewEx _text, _note;
    std::unique_ptr<PlainTextViewPastes> _textPastes, _notePastes;
    Gtk::Button* _ok = nullptr;
};

// The free-text properties dialog.
class TextPropertiesDialog : public Gtk::Dialog {
public:
    explicit TextPropertiesDialog(TextPanelController& controller);
    void readBack();

    TextViewEx& textView() { return _text; }
    TextStyleFrameView& styleView() { return _styleView; }
    Gtk::Button& okButton() { return *_ok; }

private:
    TextPanelController& _controller;
    Gtk::Notebook _tabs;
    Gtk::ScrolledWindow _textScroll;
    TextViewEx _text;
    std::unique_ptr<PlainTextViewPastes> _textPastes;
    Gtk::Box _stylePage{Gtk::ORIENTATION_VERTICAL, 8};
    Gtk::Label _styleLabel;
    TextStyleFrameView _styleView;
    Gtk::Button* _ok = nullptr;
};

// The layout dialog: the modes in a list, the direction radios of the chosen one beside it.
class LayoutModeDialog : public Gtk::Dialog {
public:
    explicit LayoutModeDialog(LayoutModePanelController& controller);
    ~LayoutModeDialog() override;

    Gtk::ListBox& modeList() { return _modes; }
    Gtk::RadioButton& radio(size_t index) { return *_radios.at(index); }
    Gtk::Button& okButton() { return *_ok; }

private:
    void keepRoomForEveryModesRadios();
    void showRadios();

    LayoutModePanelController& _controller;
    Gtk::Grid _grid;
    Gtk::Label _modeLabel, _directionLabel;
    Gtk::ListBox _modes;
    Gtk::Box _radioBox{Gtk::ORIENTATION_VERTICAL, 4};
    Gtk::RadioButton::Group _group;
    std::vector<std::unique_ptr<Gtk::RadioButton>> _radios;
    // Turned on when no shown radio is.
    Gtk::RadioButton _none;
    bool _showing = false;
    Gtk::Button* _ok = nullptr;
};

// Makes the property commands and the map style command open these dialogs. Called once at
// start-up.
void installPropertyDialogs();
// Called with each property dialog once it shows, before its session runs; for tests.
void setPropertyDialogShownObserver(std::function<void(Gtk::Dialog& dialog)> observer);
