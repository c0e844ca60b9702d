#pragma once

#include "panels/TextStyleFrame.h"

#include <functional>
#include <string>

class MindMapNode;

// The topic properties dialog: text, note and the topic's own style. The window (installed by the
// widgets) shows the fields, lets the user edit them and answers the modal result; on OK it has
// written the text views back into the controller first.
class NodePropertiesPanelController {
public:
    static constexpr const char* TitleKey = "node_properties_dialog_title";
    static constexpr const char* TopicTabKey = "mindmap_topic";
    static constexpr const char* StyleTabKey = "editor_menu_style_condensed";
    static constexpr const char* TextLabelKey = "node_editor_text_hint";
    static constexpr const char* NoteLabelKey = "note_dialog_note_hint";
    static constexpr const char* StyleLabelKey = "node_style_dialog_message";

    using Window = std::function<int(NodePropertiesPanelController& controller)>;
    static void setWindow(Window window);

    // Runs the dialog and applies a confirmed result as one undo step; true when confirmed.
    static bool editNodeProperties(MindMapNode* node);

    void loadNodeProperties(const MindMapNode& node);
    void applyNodeProperties(MindMapNode& node);

    std::string text;
    std::string note;
    NodeStyleFrame& nodeStyleFrame() { return _frame; }
    bool loading() const { return _loading; }
    bool modified() const { return _modified; }

private:
    NodeStyleFrame _frame;
    bool _loading = false;
    bool _modified = false;
};
