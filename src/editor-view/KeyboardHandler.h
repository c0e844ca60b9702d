#pragma once

#include <cstdint>
#include <vector>

class MindMap;
class MindMapElement;
class MindMapNode;

// What the keyboard handler needs of the editor view that owns it.
class KeyboardHandlerEditor {
public:
    virtual ~KeyboardHandlerEditor() = default;
    // The map shown, or nullptr when none is open.
    virtual MindMap* mindMap() const = 0;
    virtual void scrollElementVisible(MindMapElement* element) = 0;
};

// Moves the selection from topic to topic with the arrow keys, along the rows of list and
// top-down layouts, along the tree of strict layouts with the keys turned to the side on which a
// topic lies, and by a geometric search in free layout.
class KeyboardHandler {
public:
    // GDK key values of the arrow keys.
    enum ArrowKey : int32_t {
        KeyLeft = 0xff51,
        KeyUp = 0xff52,
        KeyRight = 0xff53,
        KeyDown = 0xff54,
    };

    // Direction angles of the geometric search in the flipped view space (y grows downward).
    static constexpr double AngleRight = 0;
    static constexpr double AngleDown = 1.5707963267948966;
    static constexpr double AngleLeft = 3.141592653589793;
    static constexpr double AngleUp = 4.71238898038469;

    // The editor is not owned and must outlive the handler.
    explicit KeyboardHandler(KeyboardHandlerEditor* editor) : _editor(editor) {}

    static bool isArrowKey(int32_t key) { return key >= KeyLeft && key <= KeyDown; }

    // Any other key is ignored; false then.
    bool arrowKeyPressed(int32_t key);

    // Selects the element alone, shows a hidden topic and scrolls the element into view; nullptr
    // does nothing.
    void selectElement(MindMapElement* element);

    // Moves along the tree from whatever is selected (a topic, a relation or a contained element).
    void defaultHandler(int32_t key);
    void selectParentElement();
    void selectFirstChild();
    void selectNextSibling();
    void selectPreviousSibling();

    // The layout rules; each answers whether it handled the key.
    bool handleListNavigation(MindMapNode* node, int32_t key, bool isTopDown);
    bool handleStrictHorizontalNavigation(MindMapNode* node, int32_t key);
    bool handleStrictVerticalNavigation(MindMapNode* node, int32_t key);

    // The geometric search among the node's children, its parent and its siblings.
    void defaultNodeKeyHandler(MindMapNode* node, int32_t key);
    void selectNode(MindMapNode* node, const std::vector<MindMapNode*>& related, double angle);
    // Selects the nearest candidate within the cone of the half-angle around the direction and
    // within the distance; on equal distances the earlier one. Whether one was selected.
    bool searchNode(MindMapNode* node, const std::vector<MindMapNode*>& related, double angle, double searchAngle,
                    double maxDistance);

    void scrollElementVisible(MindMapElement* element);

private:
    void selectSibling(int step);
    // Up and down select the given elements, left and right the previous and the next sibling.
    void selectAlongTree(int32_t key, MindMapElement* upward, MindMapElement* downward);

    KeyboardHandlerEditor* _editor;
};
