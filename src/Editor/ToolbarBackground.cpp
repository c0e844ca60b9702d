#include "Editor/ToolbarBackground.h"

#include "Editor/SegmentedControlItem.h"
#include "platform/BezierPath.h"

namespace {

std::vector<GradientStop> whiteGradient(int from, int to)
{
    return {{0, Color::rgb255(from, from, from)}, {1, Color::rgb255(to, to, to)}};
}

} // namespace

ToolbarBackground::ToolbarBackground(const Rect& frame)
    : _frame(frame), _keyWindowGradient(whiteGradient(199, 144)), _defaultGradient(whiteGradient(230, 210))
{
}

double ToolbarBackground::addSegmentedControlItems(std::vector<std::shared_ptr<SegmentedControlItem>> items)
{
    _items = std::move(items);
    double x = LeftMargin;
    for (const auto& item : _items) {
        SegmentedControl& control = item->segmentedControl();
        control.setRefusesFirstResponder(true);
        Rect frame = control.frame();
        frame.origin = {x, SegmentInset};
        control.setFrame(frame);
        x += frame.size.width + ControlGap;
    }
    if (_items.empty()) return 0;
    return _items.front()->segmentedControl().frame().size.height + 2 * SegmentInset;
}

void ToolbarBackground::validateSegmentedControlItems()
{
    for (const auto& item : _items) item->validate();
}

void ToolbarBackground::drawRect(GraphicsContext& context, const Rect&) const
{
    const Rect area = bounds();
    BezierPath path;
    path.appendRect(area);
    const bool key = _adaptForKeyWindow && _inKeyWindow;
    // Top to bottom: the gradient's angle of -90 degrees in a view whose y grows down.
    context.fillPathWithLinearGradient(path, key ? _keyWindowGradient : _defaultGradient, {area.midX(), area.minY()},
                                       {area.midX(), area.maxY()});
}
