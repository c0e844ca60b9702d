#pragma once

#include "Editor/SegmentedControl.h"
#include "Editor/ToolbarSegment.h"

#include <memory>
#include <string>
#include <vector>

// Turns an ordered list of segments into one segmented control and dispatches its clicks: a
// segment with a menu opens it under itself, any other acts.
class SegmentedControlItem {
public:
    explicit SegmentedControlItem(std::vector<std::shared_ptr<ToolbarSegment>> segments);
    SegmentedControlItem(const SegmentedControlItem&) = delete;
    SegmentedControlItem& operator=(const SegmentedControlItem&) = delete;

    const std::vector<std::shared_ptr<ToolbarSegment>>& segments() const { return _segments; }
    SegmentedControl& segmentedControl() { return *_segmentedControl; }

    void handleSegmentClicked(SegmentedControl& control);
    // The button was held down: its menu opens, also for a segment whose click acts (the
    // history's back button). false when the segment has no menu to open.
    bool handleSegmentHeld(int segment);
    // Enables each segment by its validation; a segment with a menu and no action always is.
    void validate();

    // Where a segment's menu opens, in the control's coordinates: under the segment.
    static Point menuLocation(const SegmentedControl& control, int segment);

private:
    bool openMenu(SegmentedControl& control, int segment);

    std::vector<std::shared_ptr<ToolbarSegment>> _segments;
    std::unique_ptr<SegmentedControl> _segmentedControl;
};

// A segmented control in the window's toolbar.
class SegmentedToolbarItem {
public:
    SegmentedToolbarItem(std::string itemIdentifier, std::vector<std::shared_ptr<ToolbarSegment>> segments)
        : _itemIdentifier(std::move(itemIdentifier)),
          _controlItem(std::make_unique<SegmentedControlItem>(std::move(segments)))
    {
    }

    const std::string& itemIdentifier() const { return _itemIdentifier; }
    SegmentedControlItem& controlItem() { return *_controlItem; }
    SegmentedControl& segmentedControl() { return _controlItem->segmentedControl(); }
    void validate() { _controlItem->validate(); }

private:
    std::string _itemIdentifier;
    std::unique_ptr<SegmentedControlItem> _controlItem;
};
