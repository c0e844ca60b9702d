#pragma once

#include <functional>
#include <string>

class MindMapNode;

// The topic dialog of a map that may not be changed: text and note only, shown read-only with
// OK disabled while the map is read-only.
class NotePanelController {
public:
    using Window = std::function<int(NotePanelController& controller)>;
    static void setWindow(Window window);

    // Runs the dialog; true when confirmed on a map that may be changed (then as one undo step).
    static bool editNodeProperties(MindMapNode* node);

    void loadNodeProperties(const MindMapNode& node);
    void applyNodeProperties(MindMapNode& node) const;

    std::string text;
    std::string note;
    // The text views are editable and OK enabled only when this is false.
    bool readOnly() const { return _readOnly; }

private:
    bool _readOnly = true;
};
