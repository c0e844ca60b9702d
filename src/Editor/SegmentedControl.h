#pragma once

#include "platform/Geometry.h"
#include "platform/Responder.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class Menu;
class MenuPresenter;

// The state of a segmented control as the plain code sees it: momentary segments with image,
// label, tool tip, enabled flag and an optional menu. The GTK widget shows it, reports its fitted
// size and clicks back, and gives it the presenter that pops its menus up.
class SegmentedControl : public ActionSender {
public:
    struct Segment {
        std::string image;
        std::optional<std::string> label;
        std::string toolTip;
        bool enabled = true;
        std::shared_ptr<Menu> menu;
        int64_t tag = 0;
    };

    explicit SegmentedControl(size_t segmentCount, Rect frame = {0, 0, 25, 25});

    size_t segmentCount() const { return _segments.size(); }
    const Segment& segment(size_t index) const { return _segments.at(index); }
    void setImage(const std::string& image, size_t index);
    void setLabel(const std::optional<std::string>& label, size_t index);
    void setToolTip(const std::string& toolTip, size_t index);
    void setEnabled(bool enabled, size_t index);
    bool isEnabled(size_t index) const { return _segments.at(index).enabled; }
    void setMenu(std::shared_ptr<Menu> menu, size_t index);
    Menu* menu(size_t index) const { return index < _segments.size() ? _segments[index].menu.get() : nullptr; }
    void setTag(int64_t tag, size_t index) { _segments.at(index).tag = tag; }
    int64_t tagForSegment(size_t index) const { return _segments.at(index).tag; }

    // The segment of the click being handled; -1 outside a click.
    int selectedSegment() const { return _selectedSegment; }
    // Momentary: the selection lasts for the click only.
    void performClick(int segment);

    Rect frame() const { return _frame; }
    void setFrame(const Rect& frame);
    bool usesSmallSystemFont() const { return _smallFont; }
    void setUsesSmallSystemFont(bool small) { _smallFont = small; }
    bool refusesFirstResponder() const { return _refusesFirstResponder; }
    void setRefusesFirstResponder(bool refuses) { _refusesFirstResponder = refuses; }

    // What a click does (the control item's handler).
    void setAction(std::function<void(SegmentedControl&)> action) { _action = std::move(action); }
    // Not owned; without one, menus are not shown.
    MenuPresenter* menuPresenter() const { return _menuPresenter; }
    void setMenuPresenter(MenuPresenter* presenter) { _menuPresenter = presenter; }
    // Called after any change the widget has to show.
    void setChangeHandler(std::function<void()> changed) { _changed = std::move(changed); }

private:
    void changed()
    {
        if (_changed) _changed();
    }

    std::vector<Segment> _segments;
    Rect _frame;
    int _selectedSegment = -1;
    bool _smallFont = false;
    bool _refusesFirstResponder = false;
    std::function<void(SegmentedControl&)> _action;
    MenuPresenter* _menuPresenter = nullptr;
    std::function<void()> _changed;
};
