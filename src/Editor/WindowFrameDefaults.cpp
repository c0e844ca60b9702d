#include "Editor/WindowFrameDefaults.h"

#include "platform/UserDefaults.h"

#include <algorithm>
#include <cmath>

std::string WindowFrameDefaults::defaultsKey(const std::string& autosaveName)
{
    return "PanelFrame " + autosaveName;
}

std::optional<Rect> WindowFrameDefaults::savedFrame(const std::string& autosaveName)
{
    if (autosaveName.empty()) return std::nullopt;
    const PropertyList value = UserDefaults::standard().objectForKey(defaultsKey(autosaveName));
    const PropertyList::Array* numbers = value.arrayValue();
    if (!numbers || numbers->size() != 4) return std::nullopt;
    double figures[4];
    for (size_t i = 0; i < 4; ++i) {
        const PropertyList& number = (*numbers)[i];
        if (number.type() != PropertyList::Type::Real && number.type() != PropertyList::Type::Integer)
            return std::nullopt;
        figures[i] = number.realValue();
        if (!std::isfinite(figures[i])) return std::nullopt;
    }
    if (figures[2] <= 0 || figures[3] <= 0) return std::nullopt;
    return Rect(figures[0], figures[1], figures[2], figures[3]);
}

void WindowFrameDefaults::saveFrame(const std::string& autosaveName, const Rect& frame)
{
    if (autosaveName.empty() || !(frame.size.width > 0) || !(frame.size.height > 0)) return;
    UserDefaults::standard().setObject(
        defaultsKey(autosaveName),
        PropertyList(PropertyList::Array{frame.origin.x, frame.origin.y, frame.size.width, frame.size.height}));
}

std::string WindowFrameDefaults::maximizedKey(const std::string& frameName)
{
    return frameName + " Maximized";
}

WindowFrameDefaults::MainWindowPlacement WindowFrameDefaults::savedMainWindowPlacement(const std::string& frameName)
{
    UserDefaults& defaults = UserDefaults::standard();
    return {WindowFrame::fromPropertyList(defaults.objectForKey(frameName)),
            defaults.boolForKey(maximizedKey(frameName))};
}

void WindowFrameDefaults::saveMainWindowPlacement(const std::string& frameName, const MainWindowPlacement& placement)
{
    UserDefaults& defaults = UserDefaults::standard();
    if (placement.frame && placement.frame->width > 0 && placement.frame->height > 0)
        defaults.setObject(frameName, placement.frame->propertyList());
    defaults.setBool(maximizedKey(frameName), placement.maximized);
}

RestoredWindowFrame WindowFrameDefaults::openingFrame(const std::optional<WindowFrame>& saved, int defaultWidth,
                                                      int defaultHeight, const std::vector<WindowFrame>& workAreas,
                                                      bool serverPlacesWindows)
{
    if (saved) return {WindowFrame::clamp(*saved, workAreas), !serverPlacesWindows};
    WindowFrame frame{0, 0, defaultWidth, defaultHeight};
    if (!workAreas.empty()) {
        frame.width = std::min(frame.width, workAreas.front().width);
        frame.height = std::min(frame.height, workAreas.front().height);
    }
    return {frame, false};
}

WindowFrameDefaults::UserFrameTracker::UserFrameTracker(const WindowFrame& asked, const WindowFrame& opened)
    : _asked(asked), _frame(asked)
{
    if (opened.width < asked.width) _fittedWidth = opened.width;
    if (opened.height < asked.height) _fittedHeight = opened.height;
}

void WindowFrameDefaults::UserFrameTracker::sample(const FrameSample& sample)
{
    const WindowFrame& frame = sample.frame;
    if (!sample.normal) {
        _possibleFirstStep.reset();
        return;
    }
    if (frame.width <= 0 || frame.height <= 0) return;
    bool fillsWidth = false, fillsHeight = false;
    if (sample.workArea) {
        fillsWidth = frame.width + sample.decorationWidth >= sample.workArea->width;
        fillsHeight = frame.height + sample.decorationHeight >= sample.workArea->height;
    }
    // A way the window fills the work area with less than it asked for is one it was fitted down
    // to (the window manager may take its decoration off too); it stays fitted until its size
    // changes that way, also on a larger monitor it is then moved to.
    auto follow = [](std::optional<int>& fitted, bool fills, int asked, int size) {
        if (fills && asked > size) fitted = size;
        else if (fitted && *fitted != size) fitted.reset();
    };
    follow(_fittedWidth, fillsWidth, _asked.width, frame.width);
    follow(_fittedHeight, fillsHeight, _asked.height, frame.height);
    // Filling it both ways is a maximised frame whose state the window manager tells before or
    // after its size, or a window fitted to a monitor too small for it: neither is the user's.
    if (fillsWidth && fillsHeight) return;
    WindowFrame kept = frame;
    if (_fittedWidth) kept.width = _asked.width;
    if (_fittedHeight) kept.height = _asked.height;
    const std::pair<int, int> decoration{sample.decorationWidth, sample.decorationHeight};
    const bool borderTakenOff = _decoration && decoration != *_decoration && decoration.first <= _decoration->first &&
        decoration.second <= _decoration->second;
    if (borderTakenOff && kept.width == _frame.width && kept.height == _frame.height &&
        (kept.x != _frame.x || kept.y != _frame.y)) {
        _possibleFirstStep = kept;
        _possibleFirstStepDecoration = decoration;
        return;
    }
    _frame = kept;
    _decoration = decoration;
    _possibleFirstStep.reset();
}

WindowFrame WindowFrameDefaults::UserFrameTracker::frameAtClose(const FrameSample& now)
{
    sample(now);
    if (now.normal && _possibleFirstStep) {
        _frame = *_possibleFirstStep;
        _decoration = _possibleFirstStepDecoration;
        _possibleFirstStep.reset();
    }
    return _frame;
}
