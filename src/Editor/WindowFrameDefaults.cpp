#include "Editor/WindowFrameDefaults.h"

#include "platform/UserDefaults.h"

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
