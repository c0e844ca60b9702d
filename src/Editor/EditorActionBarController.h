#pragma once

#include "Editor/SegmentedControlItem.h"
#include "platform/Geometry.h"
#include "platform/Responder.h"

#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

class Menu;
class MindMapElement;

// The item a bar's segment is validated with: its action, tag 0.
class UIValidator : public ValidatedUserInterfaceItem {
public:
    explicit UIValidator(std::string action) : _action(std::move(action)) {}
    std::string action() const override { return _action; }
    int64_t tag() const override { return 0; }

private:
    std::string _action;
};

// One segment of a bar: either an action or a menu, never both.
struct ActionBarSegment {
    enum class MenuKind { None, Image, Link, Checkbox };
    const char* action;
    const char* toolTipKey;
    const char* image;
    MenuKind menu = MenuKind::None;
};

// The floating bar shown for the one selected element: segmented controls whose clicks go to the
// responder that handles the segment's action, enabled by that responder's validation as menu
// items are. The widgets show the controls; this side decides what a click does.
class EditorActionBarController : public ActionSender {
public:
    // Makes the check box set-up menu, which belongs to whoever keeps the check box states.
    using MenuFactory = std::function<std::shared_ptr<Menu>()>;

    ~EditorActionBarController() override;
    EditorActionBarController(const EditorActionBarController&) = delete;
    EditorActionBarController& operator=(const EditorActionBarController&) = delete;

    // The name the bar's content is registered under.
    const std::string& layoutName() const { return _layoutName; }
    // Made by loadView, in the order of the bar's tables.
    const std::vector<std::unique_ptr<SegmentedControlItem>>& controls() const { return _controls; }

    // Makes the controls anew: images, tags, tool tips and menus. A segment whose action no
    // responder answers at all starts disabled, so that no button does nothing when clicked.
    void loadView();

    // The tag of segment i becomes i.
    virtual void initSegmentDefault(SegmentedControl& control);
    // Empty for no action (menus, unknown controls and indexes).
    virtual std::string getActionForSegments(const SegmentedControl& control, int index) const;
    // The responder of the chain that handles the action, else the key window's document when it
    // does; nullptr for no action or no handler.
    virtual Responder* findActionHandler(const std::string& action) const;
    virtual void segmentedControlClicked(SegmentedControl& control);
    // Segments with a menu, and those nobody handles, keep the state they have.
    virtual void validateSegmentButtons(SegmentedControl& control);
    virtual void validateSegments();
    // Where the bar points at, in map space.
    virtual Rect elementPopupBounds(const MindMapElement& element) const;

    // Where segment s's menu opens, in the control's coordinates.
    static Point menuLocation(const SegmentedControl& control, int segment);

protected:
    EditorActionBarController(std::string layoutName, std::vector<std::span<const ActionBarSegment>> tables,
                              MenuFactory checkboxMenu);
    // The action of the tables' segment, for the bars to answer with.
    std::string tableAction(const SegmentedControl& control, int index) const;

private:
    std::shared_ptr<Menu> makeMenu(ActionBarSegment::MenuKind kind) const;

    std::string _layoutName;
    std::vector<std::span<const ActionBarSegment>> _tables;
    MenuFactory _checkboxMenu;
    std::vector<std::unique_ptr<SegmentedControlItem>> _controls;
};

class NodeActionBarController : public EditorActionBarController {
public:
    explicit NodeActionBarController(MenuFactory checkboxMenu = nullptr);
    static std::span<const ActionBarSegment> topToolsTable();
    static std::span<const ActionBarSegment> bottomToolsTable();
    SegmentedControl* topTools() const;
    SegmentedControl* bottomTools() const;
    std::string getActionForSegments(const SegmentedControl& control, int index) const override;
};

class ImageActionBarController : public EditorActionBarController {
public:
    ImageActionBarController();
    static std::span<const ActionBarSegment> toolsTable();
    SegmentedControl* tools() const;
    std::string getActionForSegments(const SegmentedControl& control, int index) const override;
};

class TextActionBarController : public EditorActionBarController {
public:
    TextActionBarController();
    static std::span<const ActionBarSegment> toolsTable();
    SegmentedControl* tools() const;
    std::string getActionForSegments(const SegmentedControl& control, int index) const override;
};

class RelationActionBarController : public EditorActionBarController {
public:
    RelationActionBarController();
    static std::span<const ActionBarSegment> toolsTable();
    SegmentedControl* tools() const;
    std::string getActionForSegments(const SegmentedControl& control, int index) const override;
    // A relation has no box worth pointing at: a small square at its location.
    Rect elementPopupBounds(const MindMapElement& element) const override;
};
