#pragma once

#include "MindMaps/CompositeElement.h"
#include "MindMaps/ElementStyleListener.h"
#include "layout/WordWrappableElement.h"
#include "platform/AttributedString.h"
#include "platform/Color.h"
#include "platform/Font.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class NodeStyle;
class ParentRelation;

// A topic of a map: a central theme when it has no parent, otherwise a branch topic.
//
// Ownership: the map owns every node (its node list holds them). A node's children and parent are
// plain pointers into that list; a node owns its parent relation and its style. Destroying a node
// detaches it from its parent and its children from it, and reports nothing to the map.
//
// While a node is loading (made by a reader), its setters only store values: no update bits, no
// reports to the map and no restyling; loaded() ends that state.
class MindMapNode : public CompositeElement, public ElementStyleListener, public WordWrappableElement {
public:
    // Pending update bits: what became stale and is recomputed at the next validation.
    enum UpdateBits : uint64_t {
        UpdateDefaultStyle = 1,
        UpdateFont = 2,
        UpdateText = 4,
        UpdateOuterSize = 16,
        UpdateAppearance = 32,
        UpdateAutoNumber = 64,
        UpdateDateText = 128,
    };
    static constexpr uint64_t InitialUpdateState = 0xC3;

    static constexpr double DefaultWidth = 100;
    static constexpr double DefaultHeight = 20;
    static constexpr double DefaultHalfRoundArcRadius = 10;
    static constexpr double AutoNumberBoxHeight = 16;

    // The node joins the parent's children (at the end) when a parent is given. A coordinate of the
    // location that is not a finite number becomes 0.
    explicit MindMapNode(MindMap* mindMap, MindMapNode* parent = nullptr, Point location = {},
                         bool isLoading = false);
    ~MindMapNode() override;

    int32_t elementType() const override;

    // Ends loading: called by the readers once the node is complete. A hidden node without parent
    // is shown again. Marks everything for validation without telling the map, which validates
    // all elements after loading.
    void loaded();
    bool isLoading() const { return _isLoading; }

    // ---- Tree ----

    MindMapNode* parent() const { return _parent; }
    // Moves the node under another parent (or makes it a central theme with nullptr), resetting
    // palette entries by the node's former level and restyling the branch. A parent that is the
    // node itself, one of its descendants or a node of another map is refused.
    void setParent(MindMapNode* parent);
    // The bare tree move, without palette resets or restyling.
    void linkToParent(MindMapNode* parent);
    // Appends the node to the children (taking it from its former parent).
    void insertChildNode(MindMapNode* node);
    // Detaches a child; a node left without children is no longer collapsed.
    void removeChildNode(MindMapNode* node);
    // Out-of-range indexes are ignored.
    void moveChildFromIndex(int64_t fromIndex, int64_t toIndex);
    void hierarchyChanged();

    const std::vector<MindMapNode*>& children() const { return _children; }
    size_t childCount() const { return _children.size(); }
    // nullptr for an index that is not below childCount().
    MindMapNode* childAtIndex(size_t index) const;
    // NotFound when the node is not a child.
    size_t indexOfChild(const MindMapNode* node) const;
    MindMapNode* getRootNode();
    int64_t nodeLevel() const;
    // Among the parent's children, or among the map's central themes for a central theme; 0 when
    // the node is in neither.
    size_t indexInParent() const;
    bool isLastChild() const;
    MindMapNode* nextSibling() const;
    // Depth first, pre-order, across the central themes of the map.
    MindMapNode* nextNode() const;
    // True for nullptr and for any node that is neither this node nor one of its descendants.
    bool isValidParentNode(const MindMapNode* node) const;
    // Appends this node and then its subtree, depth first, pre-order.
    void collectNodeAndChildrenInArray(std::vector<MindMapNode*>& nodes);

    Point location() const override { return _location; }
    void setLocation(Point location) override;
    static void translateMindMapNodes(const std::vector<MindMapNode*>& nodes, double dx, double dy);

    // ---- Visibility, collapse and hide ----

    bool isVisible() const override { return _visible; }
    void setVisible(bool visible);
    void updateChildrenVisibility();
    bool collapsed() const { return _collapsed; }
    void setCollapsed(bool collapsed);
    bool isHidden() const { return _hidden; }
    void setIsHidden(bool hidden);
    void fullExpand();
    void fullCollapse();
    bool outlineCollapsed() const { return _outlineCollapsed; }
    void setOutlineCollapsed(bool collapsed) { _outlineCollapsed = collapsed; }

    // ---- Text and note ----

    // Line ends become LF; every other control character becomes a space; bytes that are not
    // UTF-8 become U+FFFD.
    static std::string validateNodeText(std::string_view text);

    const std::string& text() const override { return _text; }
    void setText(std::string_view text);
    void applyWrappedText(const std::string& text) override;
    const std::string& note() const { return _note; }
    // Trimmed of white space and newlines at both ends, then validated as a text.
    void setNote(std::string_view note);
    bool hasNote() const { return !_note.empty(); }
    std::string stringForToolTip(void* view, Point point, void* userData) override;

    bool isDropTarget() const { return _dropTarget; }
    void setIsDropTarget(bool dropTarget) { _dropTarget = dropTarget; }
    // 0 not edited; 1 queued for in-place editing (not counted as editing); 2 edited; 3 edited
    // right after creation.
    int32_t editingState() const { return _editingState; }
    void setEditingState(int32_t editingState);
    bool isEditing() const override { return _editingState > 1; }

    // ---- Relations and style ----

    ParentRelation* parentRelation() const { return _parentRelation.get(); }
    NodeStyle* style() const { return _style.get(); }
    void styleChanged(ElementStyle* style) override;
    // Gives the node and then its descendants (parents first) the style sheet's default style.
    void reevaluateSubtreeStyle();
    // The map's node style changed.
    void mapNodeStyleChanged();

    int64_t paletteInfo() const { return _paletteInfo; }
    void setPaletteInfo(int64_t paletteInfo) { _paletteInfo = paletteInfo; }

    // The scheme colours that the style sheet puts into the node.
    const Color& colorSchemeFillColor() const { return _colorSchemeFillColor; }
    void setColorSchemeFillColor(const Color& color);
    const Color& colorSchemeStrokeColor() const { return _colorSchemeStrokeColor; }
    void setColorSchemeStrokeColor(const Color& color);
    const Color& colorSchemeTextColor() const { return _colorSchemeTextColor; }
    void setColorSchemeTextColor(const Color& color);
    // The style's own colour when it gives one, else the scheme colour.
    Color fillColor() const;
    Color strokeColor() const;
    Color textColor() const;
    const std::optional<Color>& hullColor() const { return _hullColor; }
    void setHullColor(const std::optional<Color>& color) { _hullColor = color; }

    const std::optional<Font>& font() const { return _font; }
    const std::optional<Font>& styleSheetFont() const { return _styleSheetFont; }
    void setStyleSheetFont(const std::optional<Font>& font);

    // Layout mode 0 free, 1 strict horizontal, 2 strict vertical, 3 tree list, 4 top-down. A node's
    // own mode governs its descendants; the outermost ancestor with a mode lays out the branch.
    int32_t layoutMode() const { return _layoutMode; }
    void setLayoutMode(int32_t layoutMode);
    int32_t layoutDirection() const { return _layoutDirection; }
    void setLayoutDirection(int32_t layoutDirection);
    int32_t effectiveLayoutMode() const;
    bool isAutoLayout() const { return effectiveLayoutMode() != 0; }

    // ---- Update state ----

    uint64_t updateState() const { return _updateState; }
    // Records stale state; the first bit recorded while the node is valid reports the node to
    // the map as invalid. Ignored while loading.
    void includeNodeUpdateState(uint64_t bits);
    void validateNodeState();
    void invalidateAutoNumberPath();

    // ---- Sizes and geometry ----

    Size size() const { return _size; }
    Rect bounds() const override;
    Size textSize() override { return _textSize; }
    Size minTextSize() override { return _minSize; }
    Size calcTextSize(const std::string& text) override;
    double halfRoundArcRadius() const { return _halfRoundArcRadius; }
    int32_t borderStyle() const { return _borderStyle; }
    const std::string& autoNumberPath() const { return _autoNumberPath; }
    Size autoNumberIconSize() const { return _autoNumberIconSize; }
    Size autoNumberTextSize() const { return _autoNumberTextSize; }
    const AttributedString& displayText() const { return _displayText; }

    // ---- Tasks and attachments held by the node ----

    // 0 none, 1 checkbox, 2 progress, 3 roll-up progress.
    int32_t checkboxMode() const { return _checkboxMode; }
    bool showCheckbox() const { return _checkboxMode != 0; }
    int64_t progress() const { return _progress; }
    int32_t checkedState() const { return _progress > 99 ? 1 : 0; }
    const std::string& dateText() const { return _dateText; }
    Size dateTextSize() const { return _dateTextSize; }
    const std::string& voiceMemo() const { return _voiceMemo; }
    bool hasVoiceMemo() const { return !_voiceMemo.empty(); }

    // ---- Fields the document readers, writers, painter and layouters keep ----

    int64_t nodeId() const { return _id; }
    void setNodeId(int64_t nodeId) { _id = nodeId; }
    int64_t parentId() const { return _parentId; }
    void setParentId(int64_t parentId) { _parentId = parentId; }
    int64_t originalLevel() const { return _originalLevel; }
    void setOriginalLevel(int64_t level) { _originalLevel = level; }
    bool noteSearchMatch() const { return _noteSearchMatch; }
    void setNoteSearchMatch(bool match) { _noteSearchMatch = match; }
    Rect belowAutoNumberIcon() const { return _belowAutoNumberIcon; }
    void setBelowAutoNumberIcon(Rect rect) { _belowAutoNumberIcon = rect; }
    Size measuredSize() const { return _measuredSize; }
    void setMeasuredSize(Size size) { _measuredSize = size; }
    Point connectionPoint() const { return _connectionPoint; }
    void setConnectionPoint(Point point) { _connectionPoint = point; }

    void assignDefaultLocation(ContainedElement* element) override;
    void customImagesChanged(const std::string& imageHash, int operation) override;

private:
    // The map to report to: none once destruction has begun.
    MindMap* reportingMap() const;
    // Whether the node may hang below the parent (nullptr included): not itself, not one of its
    // descendants, not a node of another map.
    bool acceptsParent(const MindMapNode* parent) const;
    // Takes the child out of the list and renumbers the later children.
    void detachChildAt(size_t index);
    void renumberChildrenFrom(size_t index);
    // Stores the flag and records the change, without touching the children.
    void storeVisible(bool visible);
    // Applies the collapse request without updating the children's visibility; true when the
    // flag changed.
    bool storeCollapsed(bool collapsed);
    void setSubtreeCollapsed(bool collapsed);

    MindMapNode* _parent = nullptr;
    std::vector<MindMapNode*> _children;
    size_t _indexInParent = 0; // valid while _parent is set
    std::unique_ptr<ParentRelation> _parentRelation;
    std::unique_ptr<NodeStyle> _style;
    Point _location;
    Size _size{DefaultWidth, DefaultHeight};
    Size _textSize{DefaultWidth, DefaultHeight};
    Size _minSize;
    double _halfRoundArcRadius = DefaultHalfRoundArcRadius;
    int32_t _layoutMode = 0;
    int32_t _layoutDirection = 0;
    std::optional<Font> _font;
    std::optional<Font> _styleSheetFont;
    std::string _autoNumberPath;
    Size _autoNumberIconSize{0, AutoNumberBoxHeight};
    Size _autoNumberTextSize;
    Color _colorSchemeFillColor;
    Color _colorSchemeStrokeColor;
    Color _colorSchemeTextColor;
    std::optional<Color> _hullColor;
    int32_t _borderStyle = 1;
    bool _dropTarget = false;
    int32_t _editingState = 0;
    uint64_t _updateState = 0;
    bool _validatingState = false;
    bool _isLoading = false;
    bool _visible = true;
    bool _collapsed = false;
    bool _hidden = false;
    std::string _note;
    bool _outlineCollapsed = false;
    int64_t _parentId = -1;
    int64_t _id = -1;
    int64_t _paletteInfo = 0;
    Rect _belowAutoNumberIcon;
    Size _measuredSize;
    Point _connectionPoint;
    bool _noteSearchMatch = false;
    int64_t _originalLevel = 0;
    std::string _text;
    AttributedString _displayText;
    int32_t _checkboxMode = 0;
    int64_t _progress = 0;
    std::string _dateText;
    Size _dateTextSize;
    std::string _voiceMemo;
    bool _tearingDown = false;
};
