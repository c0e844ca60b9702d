#include "Editor/EditorActionBarController.h"

#include "Editor/CommandRouter.h"
#include "Editor/StandardMenuBuilder.h"
#include "Editor/ToolbarSegment.h"
#include "Editor/ToolbarSegmentMenu.h"
#include "MindMaps/MindMapElement.h"
#include "platform/Localizer.h"
#include "platform/Menu.h"

namespace {

using MenuKind = ActionBarSegment::MenuKind;

constexpr ActionBarSegment NodeTopTools[] = {
    {"copy:", "topic_menu_copy", "copy"},
    {"cut:", "topic_menu_cut", "cut"},
    {"paste:", "topic_menu_paste", "paste"},
    {"editProperties:", "node_properties_dialog_title", "bar_properties"},
    {"", "topic_menu_custom_image", "gallery-color-16", MenuKind::Image},
    {"addText:", "topic_menu_add_label", "add_text"},
};

constexpr ActionBarSegment NodeBottomTools[] = {
    {"", "link_options_dialog_title", "page_link", MenuKind::Link},
    {"", "topic_menu_topic_checkboxes", "check_boxes", MenuKind::Checkbox},
    {"showDatePickerPanel:", "topic_menu_topic_set_date", "calendar"},
    {"toggleShowHull:", "topic_menu_hull_options", "hull_16"},
    {"changeLayoutMode:", "layout_style_dialog_title", "layout"},
    {"addCrossLink:", "topic_menu_add_cross_link", "bar_cross_link"},
};

constexpr ActionBarSegment ImageTools[] = {
    {"copy:", "topic_menu_copy", "copy"},
    {"orderContainedElementBackward:", "topic_menu_order_image_backward", "bar_order_backward"},
    {"orderContainedElementForward:", "topic_menu_order_image_forward", "bar_order_forward"},
    {"editImageLink:", "action_edit_image_link", "bar_image_link"},
    {"editImage:", "explorer_select_image_title", "bar_edit_image"},
};

constexpr ActionBarSegment TextTools[] = {
    {"copy:", "topic_menu_copy", "copy"},
    {"editProperties:", "label_properties_dialog_title", "bar_properties"},
    {"orderContainedElementBackward:", "topic_menu_order_image_backward", "bar_order_backward"},
    {"orderContainedElementForward:", "topic_menu_order_image_forward", "bar_order_forward"},
};

constexpr ActionBarSegment RelationTools[] = {
    {"editProperties:", "action_properties", "bar_properties"},
    {"addText:", "topic_menu_add_label", "add_text"},
    {"clearPathCustomization:", "undoable_op_clear_path_customization", "clear_custom_path"},
};

} // namespace

EditorActionBarController::EditorActionBarController(std::string layoutName,
                                                     std::vector<std::span<const ActionBarSegment>> tables,
                                                     MenuFactory checkboxMenu)
    : _layoutName(std::move(layoutName)), _tables(std::move(tables)), _checkboxMenu(std::move(checkboxMenu))
{
}

EditorActionBarController::~EditorActionBarController() = default;

void EditorActionBarController::loadView()
{
    _controls.clear();
    for (std::span<const ActionBarSegment> table : _tables) {
        std::vector<std::shared_ptr<ToolbarSegment>> segments;
        for (const ActionBarSegment& row : table)
            segments.push_back(
                ToolbarSegment::toolbarSegment(row.image, nullptr, row.action, localized(row.toolTipKey)));
        auto item = std::make_unique<SegmentedControlItem>(std::move(segments));
        SegmentedControl& control = item->segmentedControl();
        control.setRefusesFirstResponder(true);
        control.setAction([this](SegmentedControl& clicked) { segmentedControlClicked(clicked); });
        initSegmentDefault(control);
        _controls.push_back(std::move(item));
        for (size_t i = 0; i < table.size(); ++i) {
            if (table[i].menu != MenuKind::None) {
                std::shared_ptr<Menu> menu = makeMenu(table[i].menu);
                // Without its menu the segment has nothing to open.
                if (menu) control.setMenu(std::move(menu), i);
                else control.setEnabled(false, i);
                continue;
            }
            if (!findActionHandler(getActionForSegments(control, static_cast<int>(i)))) control.setEnabled(false, i);
        }
    }
}

std::shared_ptr<Menu> EditorActionBarController::makeMenu(MenuKind kind) const
{
    switch (kind) {
    case MenuKind::Image: {
        auto menu = std::make_shared<ToolbarSegmentMenu>("");
        StandardMenuBuilder::buildImageMenu(*menu);
        return menu;
    }
    case MenuKind::Link: {
        auto menu = std::make_shared<ToolbarSegmentMenu>("");
        StandardMenuBuilder::buildLinkMenu(*menu);
        return menu;
    }
    case MenuKind::Checkbox:
        return _checkboxMenu ? _checkboxMenu() : nullptr;
    case MenuKind::None:
        break;
    }
    return nullptr;
}

void EditorActionBarController::initSegmentDefault(SegmentedControl& control)
{
    for (size_t i = 0; i < control.segmentCount(); ++i) control.setTag(static_cast<int64_t>(i), i);
}

std::string EditorActionBarController::getActionForSegments(const SegmentedControl&, int) const
{
    return {};
}

std::string EditorActionBarController::tableAction(const SegmentedControl& control, int index) const
{
    for (size_t c = 0; c < _controls.size() && c < _tables.size(); ++c) {
        if (&_controls[c]->segmentedControl() != &control) continue;
        if (index < 0 || static_cast<size_t>(index) >= _tables[c].size()) return {};
        return _tables[c][index].action;
    }
    return {};
}

Responder* EditorActionBarController::findActionHandler(const std::string& action) const
{
    if (action.empty()) return nullptr;
    CommandRouter& router = CommandRouter::shared();
    if (Responder* handler = router.targetForAction(action)) return handler;
    Responder* document = router.keyWindowDocument();
    return document && document->respondsToAction(action) ? document : nullptr;
}

Point EditorActionBarController::menuLocation(const SegmentedControl& control, int segment)
{
    const Rect frame = control.frame();
    const double count = static_cast<double>(std::max<size_t>(control.segmentCount(), 1));
    return {segment * (frame.size.width / count) - 2, frame.size.height + 2};
}

void EditorActionBarController::segmentedControlClicked(SegmentedControl& control)
{
    const int s = control.selectedSegment();
    if (s < 0 || static_cast<size_t>(s) >= control.segmentCount()) return;
    if (Menu* menu = control.menu(s)) {
        MenuPresenter* presenter = control.menuPresenter();
        if (!presenter) return;
        CommandRouter::shared().validateMenu(*menu);
        presenter->popUpMenu(*menu, menuLocation(control, s), menu->items().empty() ? -1 : 0, [](MenuItem& item) {
            CommandRouter::shared().sendAction(item.action(), item.target(), &item);
        });
        return;
    }
    const std::string action = getActionForSegments(control, s);
    Responder* handler = findActionHandler(action);
    if (!handler) return;
    CommandRouter::shared().sendAction(action, handler, this);
    // The action may have changed what the other segments can do (a copy makes paste possible).
    validateSegments();
}

void EditorActionBarController::validateSegmentButtons(SegmentedControl& control)
{
    for (size_t i = 0; i < control.segmentCount(); ++i) {
        if (control.menu(i)) continue;
        const std::string action = getActionForSegments(control, static_cast<int>(i));
        Responder* handler = findActionHandler(action);
        if (!handler) continue;
        control.setEnabled(handler->validateUserInterfaceItem(UIValidator(action)).enabled, i);
    }
}

void EditorActionBarController::validateSegments()
{
    for (const auto& item : _controls) validateSegmentButtons(item->segmentedControl());
}

Rect EditorActionBarController::elementPopupBounds(const MindMapElement& element) const
{
    return element.bounds();
}

// ---- The four bars ----

NodeActionBarController::NodeActionBarController(MenuFactory checkboxMenu)
    : EditorActionBarController("NodeActionBar", {topToolsTable(), bottomToolsTable()}, std::move(checkboxMenu))
{
}

std::span<const ActionBarSegment> NodeActionBarController::topToolsTable()
{
    return NodeTopTools;
}

std::span<const ActionBarSegment> NodeActionBarController::bottomToolsTable()
{
    return NodeBottomTools;
}

SegmentedControl* NodeActionBarController::topTools() const
{
    return controls().size() > 0 ? &controls()[0]->segmentedControl() : nullptr;
}

SegmentedControl* NodeActionBarController::bottomTools() const
{
    return controls().size() > 1 ? &controls()[1]->segmentedControl() : nullptr;
}

std::string NodeActionBarController::getActionForSegments(const SegmentedControl& control, int index) const
{
    return tableAction(control, index);
}

ImageActionBarController::ImageActionBarController()
    : EditorActionBarController("ImageActionBar", {toolsTable()}, nullptr)
{
}

std::span<const ActionBarSegment> ImageActionBarController::toolsTable()
{
    return ImageTools;
}

SegmentedControl* ImageActionBarController::tools() const
{
    return controls().empty() ? nullptr : &controls()[0]->segmentedControl();
}

std::string ImageActionBarController::getActionForSegments(const SegmentedControl& control, int index) const
{
    return tableAction(control, index);
}

TextActionBarController::TextActionBarController() : EditorActionBarController("TextActionBar", {toolsTable()}, nullptr)
{
}

std::span<const ActionBarSegment> TextActionBarController::toolsTable()
{
    return TextTools;
}

SegmentedControl* TextActionBarController::tools() const
{
    return controls().empty() ? nullptr : &controls()[0]->segmentedControl();
}

std::string TextActionBarController::getActionForSegments(const SegmentedControl& control, int index) const
{
    return tableAction(control, index);
}

RelationActionBarController::RelationActionBarController()
    : EditorActionBarController("RelationActionBar", {toolsTable()}, nullptr)
{
}

std::span<const ActionBarSegment> RelationActionBarController::toolsTable()
{
    return RelationTools;
}

SegmentedControl* RelationActionBarController::tools() const
{
    return controls().empty() ? nullptr : &controls()[0]->segmentedControl();
}

std::string RelationActionBarController::getActionForSegments(const SegmentedControl& control, int index) const
{
    return tableAction(control, index);
}

Rect RelationActionBarController::elementPopupBounds(const MindMapElement& element) const
{
    const Point location = element.location();
    return {location.x - 1, location.y - 1, 2, 2};
}
