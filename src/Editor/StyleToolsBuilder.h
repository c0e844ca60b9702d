#pragma once

#include "Editor/SegmentedControlItem.h"

#include <functional>
#include <memory>
#include <vector>

class MindMap;
class Responder;

// What the style toolbar needs of its window: the window controller, which handles the colour,
// font, preset and style-sheet actions itself, the document, which applies palettes and clears
// customisations, and the map on show, whose palette and style sheet the menus follow.
struct StyleToolsOwner {
    Responder* windowController = nullptr;
    Responder* document = nullptr;
    std::function<MindMap*()> currentMindMap;
};

// The six controls of the style toolbar with their drop-down menus, in strip order: style sheet,
// presets, text, shape and colour, relations, colours and the style clipboard. Segments without
// a target send their action along the responder chain; a segment with a menu opens it, and its
// own action only enables it through validation.
class StyleToolsBuilder {
public:
    static std::vector<std::shared_ptr<SegmentedControlItem>> buildStyleTools(const StyleToolsOwner& owner);
};
