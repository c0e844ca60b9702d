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

WindowFrame WindowFrameDefaults::frameToKeep(const WindowFrame& current, const WindowFrame& asked,
                                             const WindowFrame& opened)
{
    WindowFrame kept = current;
    if (current.width == opened.width && current.height == opened.height) {
        kept.width = asked.width;
        kept.height = asked.height;
    }
    return kept;
}
