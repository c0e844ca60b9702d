#include "Editor/SegmentedControl.h"

SegmentedControl::SegmentedControl(size_t segmentCount, Rect frame) : _segments(segmentCount), _frame(frame)
{
}

void SegmentedControl::setImage(const std::string& image, size_t index)
{
    _segments.at(index).image = image;
    changed();
}

void SegmentedControl::setLabel(const std::optional<std::string>& label, size_t index)
{
    _segments.at(index).label = label;
    changed();
}

void SegmentedControl::setToolTip(const std::string& toolTip, size_t index)
{
    _segments.at(index).toolTip = toolTip;
    changed();
}

void SegmentedControl::setEnabled(bool enabled, size_t index)
{
    if (_segments.at(index).enabled == enabled) return;
    _segments[index].enabled = enabled;
    changed();
}

void SegmentedControl::setMenu(std::shared_ptr<Menu> menu, size_t index)
{
    _segments.at(index).menu = std::move(menu);
    changed();
}

void SegmentedControl::performClick(int segment)
{
    if (segment < 0 || static_cast<size_t>(segment) >= _segments.size() || !_segments[segment].enabled) return;
    _selectedSegment = segment;
    if (_action) _action(*this);
    _selectedSegment = -1;
}

void SegmentedControl::setFrame(const Rect& frame)
{
    _frame = frame;
    changed();
}
