#include "Editor/SegmentedControlItem.h"

#include "Editor/CommandRouter.h"
#include "platform/Menu.h"

SegmentedControlItem::SegmentedControlItem(std::vector<std::shared_ptr<ToolbarSegment>> segments)
    : _segments(std::move(segments)), _segmentedControl(std::make_unique<SegmentedControl>(_segments.size()))
{
    SegmentedControl& control = *_segmentedControl;
    bool labelled = false;
    for (size_t i = 0; i < _segments.size(); ++i) {
        const ToolbarSegment& segment = *_segments[i];
        control.setImage(segment.image(), i);
        if (segment.label()) {
            control.setLabel(segment.label(), i);
            labelled = true;
        }
        control.setToolTip(segment.toolTip(), i);
    }
    control.setUsesSmallSystemFont(labelled);
    control.setAction([this](SegmentedControl& clicked) { handleSegmentClicked(clicked); });
}

Point SegmentedControlItem::menuLocation(const SegmentedControl& control, int segment)
{
    const Rect frame = control.frame();
    const double segmentWidth = frame.size.width / static_cast<double>(control.segmentCount());
    return {segment * segmentWidth + 2, frame.size.height + 2};
}

void SegmentedControlItem::handleSegmentClicked(SegmentedControl& control)
{
    const int s = control.selectedSegment();
    if (s < 0 || static_cast<size_t>(s) >= _segments.size()) return;
    ToolbarSegment& segment = *_segments[s];
    if (segment.handleMenu() && control.menu(s)) {
        openMenu(control, s);
        return;
    }
    segment.doClicked(control);
}

bool SegmentedControlItem::handleSegmentHeld(int segment)
{
    if (segment < 0 || static_cast<size_t>(segment) >= _segments.size()) return false;
    if (!_segmentedControl->menu(segment) || !_segmentedControl->isEnabled(segment)) return false;
    return openMenu(*_segmentedControl, segment);
}

bool SegmentedControlItem::openMenu(SegmentedControl& control, int segment)
{
    Menu* menu = control.menu(segment);
    MenuPresenter* presenter = control.menuPresenter();
    if (!menu || !presenter) return false;
    CommandRouter::shared().validateMenu(*menu);
    presenter->popUpMenu(*menu, menuLocation(control, segment), menu->items().empty() ? -1 : 0, [](MenuItem& item) {
        CommandRouter::shared().sendAction(item.action(), item.target(), &item);
    });
    return true;
}

void SegmentedControlItem::validate()
{
    SegmentedControl& control = *_segmentedControl;
    for (size_t i = 0; i < _segments.size(); ++i) {
        const ToolbarSegment& segment = *_segments[i];
        // A segment that only opens its menu offers what the menu offers.
        Menu* menu = control.menu(i);
        const bool menuOnly = menu && segment.action().empty();
        control.setEnabled(menuOnly ? CommandRouter::shared().validateMenu(*menu) : segment.validateSegment(), i);
    }
}
