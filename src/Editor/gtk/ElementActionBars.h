#pragma once

#include "Editor/EditorActionBarController.h"
#include "editor-view/MindMapEditor.h"
#include "platform/PopoverPresenter.h"

#include <gtkmm/box.h>
#include <gtkmm/eventbox.h>

#include <map>
#include <memory>
#include <vector>

class GtkPopoverPresenter;
class SegmentedControlWidget;

// A bar's view: its controller's segmented controls, one under the other. It owns the controller,
// so the controls live exactly as long as the buttons showing them. Escape closes the bar.
class EditorActionBar : public Gtk::EventBox {
public:
    EditorActionBar(std::unique_ptr<EditorActionBarController> controller, std::function<void()> close);
    ~EditorActionBar() override;

    EditorActionBarController& controller() { return *_controller; }
    const std::vector<std::unique_ptr<SegmentedControlWidget>>& controlWidgets() const { return _widgets; }
    // What Escape does while a button of the bar has the keyboard.
    void cancelOperation();

protected:
    bool on_key_press_event(GdkEventKey* event) override;

private:
    std::unique_ptr<EditorActionBarController> _controller;
    std::function<void()> _close;
    Gtk::Box _column{Gtk::ORIENTATION_VERTICAL, 2};
    std::vector<std::unique_ptr<SegmentedControlWidget>> _widgets;
};

// The editor's bars for the one selected topic, image, free text or relation, as popovers over
// the canvas. The canvas keeps the keyboard: the bar's buttons never take it.
class ElementActionBars : public ElementActionBarPresenter {
public:
    static const char* contentName(Kind kind);

    // Installs itself as the editor's bars until destroyed; the canvas's presenter outlives it.
    ElementActionBars(MindMapEditor& editor, GtkPopoverPresenter& presenter);
    ~ElementActionBars() override;
    ElementActionBars(const ElementActionBars&) = delete;
    ElementActionBars& operator=(const ElementActionBars&) = delete;

    static std::unique_ptr<EditorActionBarController> makeController(Kind kind);
    // The bar on screen; null when none is.
    EditorActionBar* shownBar() const { return isActionBarShown() ? _shownBar : nullptr; }

    // ElementActionBarPresenter
    Size contentSize(Kind kind) override;
    Rect elementPopupBounds(Kind kind, MindMapElement* element) override;
    void showActionBar(Kind kind, const Rect& viewRect) override;
    bool isActionBarShown() const override;
    void closeActionBars() override;

private:
    EditorActionBar* makeBar(Kind kind);

    MindMapEditor& _editor;
    GtkPopoverPresenter& _presenter;
    std::map<Kind, Size> _sizes;
    std::shared_ptr<PopoverPresenter::Popover> _popover;
    EditorActionBar* _shownBar = nullptr;
};
