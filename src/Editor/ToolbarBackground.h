#pragma once

#include "platform/GraphicsContext.h"

#include <memory>
#include <vector>

class SegmentedControlItem;

// The gradient strip that lays several segmented controls out side by side, a shade darker while
// its window is the key window.
class ToolbarBackground {
public:
    // Shared with the main window's layout.
    static constexpr double SegmentInset = 5;
    static constexpr double LeftMargin = 10;
    static constexpr double ControlGap = 10;

    explicit ToolbarBackground(const Rect& frame);

    const std::vector<GradientStop>& keyWindowGradient() const { return _keyWindowGradient; }
    const std::vector<GradientStop>& defaultGradient() const { return _defaultGradient; }
    const std::vector<std::shared_ptr<SegmentedControlItem>>& segmentedControlItems() const { return _items; }

    // Places the controls from the left margin on, one gap apart, and answers the strip's height:
    // the first control's height plus the inset above and below; 0 for none.
    double addSegmentedControlItems(std::vector<std::shared_ptr<SegmentedControlItem>> items);
    void validateSegmentedControlItems();

    bool adaptForKeyWindow() const { return _adaptForKeyWindow; }
    void setAdaptForKeyWindow(bool adapt) { _adaptForKeyWindow = adapt; }
    // Told by the widget when its window gains or loses key status.
    bool isInKeyWindow() const { return _inKeyWindow; }
    void setInKeyWindow(bool key) { _inKeyWindow = key; }

    Rect bounds() const { return {0, 0, _frame.size.width, _frame.size.height}; }
    void setFrame(const Rect& frame) { _frame = frame; }
    bool isOpaque() const { return true; }
    void drawRect(GraphicsContext& context, const Rect& dirtyRect) const;

private:
    Rect _frame;
    std::vector<GradientStop> _keyWindowGradient;
    std::vector<GradientStop> _defaultGradient;
    std::vector<std::shared_ptr<SegmentedControlItem>> _items;
    bool _adaptForKeyWindow = true;
    bool _inKeyWindow = false;
};
