#pragma once

#include "panels/TextStyleFrame.h"

#include <functional>
#include <string>

class MindMapText;

// The free-text properties dialog: the text and its style with the call-out.
class TextPanelController {
public:
    static constexpr const char* TitleKey = "label_properties_dialog_title";
    static constexpr const char* TextTabKey = "label_dialog_title";
    static constexpr const char* StyleTabKey = "editor_menu_style_condensed";
    static constexpr const char* StyleLabelKey = "label_style_dialog_message";

    using Window = std::function<int(TextPanelController& controller)>;
    static void setWindow(Window window);

    // Runs the dialog and applies a confirmed result as one undo step; true when confirmed.
    static bool editTextProperties(MindMapText* text);

    void loadTextProperties(const MindMapText& element);
    void applyTextProperties(MindMapText& element) const;

    std::string text;
    TextStyleFrame& textStyleFrame() { return _frame; }

private:
    TextStyleFrame _frame;
};
