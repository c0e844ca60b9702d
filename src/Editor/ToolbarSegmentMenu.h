#pragma once

#include "platform/Menu.h"

// The drop-down menu of a toolbar segment, refreshed just before it opens (palettes and style
// lists follow the map).
class ToolbarSegmentMenu : public Menu {
public:
    explicit ToolbarSegmentMenu(std::string title) : Menu(std::move(title)) {}

    virtual void updateMenuBeforeDropDown() {}
    void menuNeedsUpdate() override { updateMenuBeforeDropDown(); }
};
