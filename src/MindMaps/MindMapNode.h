#pragma once

#include "MindMaps/CompositeElement.h"
#include "MindMaps/ElementStyleListener.h"
#include "MindMaps/NodeLayoutState.h"
#include "MindMaps/NodeStyle.h"
#include "MindMaps/NodeTaskState.h"
#include "MindMaps/WordWrappableElement.h"
#include "platform/AttributedString.h"
#include "platform/Color.h"
#include "platform/Font.h"

#include <algorithm>
#include <bit>
#include <chrono>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

class CrossLink;
class DiagramLink;
class EmbeddedImage;
class NodeHullStyle;
class NodeIcon;
class ParentRelation;
class WordWrapping;

// A topic of a map: a central theme when it has no parent, otherwise a branch topic.
//
// Ownership: the map owns every node (its node list holds them). A node's children and parent are
// plain pointers into that list; a node owns its parent relation and its style. Destroying a node
// detaches it from its parent and its children from it, and reports nothing to the map.
//
// While a node is loading (made by a reader), its setters only store values: no update bits, no
// reports to the map and no restyling; loaded() ends that state.
class MindMapNode : public CompositeElement {
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
    static constexpr uint64_t AllUpdateBits = UpdateDefaultStyle | UpdateFont | UpdateText | UpdateOuterSize |
        UpdateAppearance | UpdateAutoNumber | UpdateDateText;

    using Date = std::chrono::system_clock::time_point;

    static constexpr double DefaultWidth = 100;
    static constexpr double DefaultHeight = 20;
    static constexpr double DefaultHalfRoundArcRadius = 10;
    static constexpr double AutoNumberBoxHeight = 16;

    // The node joins the parent's children (at the end) when a parent is given. A coordinate of the
    // location that is not a finite number becomes 0.
    explicit MindMapNode(MindMap* mindMap, MindMapNode* parent = nullptr, Point location = {}, bool isLoading = false);
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
    // node itself, one of its descendants or a node of another map is refused, and so is one that
    // would nest the branch deeper than TopicDepthLimit allows.
    void setParent(MindMapNode* parent);
    // The bare tree move, without palette resets or restyling.
    void linkToParent(MindMapNode* parent);
    // Appends the node to the children (taking it from its former parent).
    void insertChildNode(MindMapNode* node);
    // Detaches a child; a node left without children is no longer collapsed.
    void removeChildNode(MindMapNode* node);
    // Out-of-range indexes are ignored.
    void moveChildFromIndex(int64_t fromIndex, int64_t toIndex);
    // Renumbers the whole branch and tells the map that the tree changed.
    void hierarchyChanged();

    const std::vector<MindMapNode*>& children() const { return _children; }
    size_t childCount() const { return _children.size(); }
    // Room for exactly that many children, or for those there are when they are more: for a
    // reader that knows how many children a topic gets, or that it has made them all.
    void fitChildRoom(size_t count);
    // nullptr for an index that is not below childCount().
    MindMapNode* childAtIndex(size_t index) const;
    // NotFound when the node is not a child.
    size_t indexOfChild(const MindMapNode* node) const;
    MindMapNode* getRootNode();
    int64_t nodeLevel() const;
    // Among the parent's children, or among the map's central themes for a central theme; 0 when
    // the node is in neither.
    size_t indexInParent() const;
    // Waits for its caller in the editor.
    bool isLastChild() const;
    MindMapNode* nextSibling() const;
    // Depth first, pre-order, across the central themes of the map.
    // Waits for its caller in the editor.
    MindMapNode* nextNode() const;
    // True for nullptr and for any node that is neither this node nor one of its descendants.
    bool isValidParentNode(const MindMapNode* node) const;
    // Appends this node and then its subtree, depth first, pre-order.
    void collectNodeAndChildrenInArray(std::vector<MindMapNode*>& nodes);
    // The levels of the node's branch: 1 for a topic without children.
    size_t branchLevels() const;

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

    const std::string& text() const { return _sourceText ? *_sourceText : _displayText.string(); }
    void setText(std::string_view text);
    // Takes over a text that a wrap has broken into lines.
    void applyWrappedText(const std::string& text);
    const std::string& note() const { return extrasOrDefaults().note; }
    // Trimmed of white space and newlines at both ends, then validated as a text.
    void setNote(std::string_view note);
    bool hasNote() const { return _extras && !_extras->note.empty(); }
    std::string stringForToolTip(void* view, Point point, void* userData) override;

    // Waits for its caller in the editor.
    bool isDropTarget() const { return _dropTarget; }
    void setIsDropTarget(bool dropTarget) { _dropTarget = dropTarget; }
    // 0 not edited; 1 queued for in-place editing (not counted as editing); 2 edited; 3 edited
    // right after creation.
    int32_t editingState() const { return _editingState; }
    void setEditingState(int32_t editingState);
    bool isEditing() const override { return _editingState > 1; }

    // ---- Relations and style ----

    ParentRelation* parentRelation() const { return _parentRelation.get(); }
    // The node's own style, made on first need: most topics never carry a value of their own.
    NodeStyle* style() const;
    // The values the node is drawn, measured and written with, without making a style of its own:
    // a node that has none answers the map's blank node style, which carries nothing.
    const NodeStyle& currentStyle() const;
    bool hasOwnStyle() const { return _style != nullptr; }
    // The node's own style changed.
    void styleChanged(ElementStyle* style);
    // Gives the node and then its descendants (parents first) the style sheet's default style.
    void reevaluateSubtreeStyle();
    // The map's node style changed.
    void mapNodeStyleChanged();

    int64_t paletteInfo() const { return _paletteInfo; }
    // An entry beyond the 32-bit range is kept as the nearest one within it, which colours the
    // topic alike.
    void setPaletteInfo(int64_t paletteInfo);
    // The palette entries (above 0) the node's children have, each with the number of children
    // that have it; null when no child has one. Kept up to date as children come, go and change
    // their entry, so that colouring a child never has to look at all of its siblings.
    const std::map<int64_t, size_t>* childPaletteInfoCounts() const
    {
        return _extras ? _extras->childPaletteInfoCounts.get() : nullptr;
    }
    // Takes the palette entry of the zero-based index and hands the colours back to the scheme.
    void setColorPaletteIndex(int64_t index);
    void resetPaletteColor();

    // The fill colour with a darker stroke of the same hue; nothing for an empty colour.
    void setColor(const std::optional<Color>& color) override;
    // In one style update; an empty colour leaves that colour as it is.
    void setCustomFillColor(const std::optional<Color>& fillColor, const std::optional<Color>& strokeColor,
                            const std::optional<Color>& textColor);
    // Back to the style sheet's style, for the node and its whole branch.
    void clearStyleCustomization() override;
    // Merges a topic preset into the node's style; other styles are ignored.
    void applyPreset(const ElementStyle* style) override;
    // Fills a style of the style panels with the node's style and its effective values.
    void assignToStyle(NodeStyle* target) const;
    double borderWidth() const;
    double borderInset() const;

    // The scheme colours that the style sheet puts into the node.
    const Color& colorSchemeFillColor() const { return _look->schemeColors->fill; }
    void setColorSchemeFillColor(const Color& color);
    const Color& colorSchemeStrokeColor() const { return _look->schemeColors->stroke; }
    void setColorSchemeStrokeColor(const Color& color);
    const Color& colorSchemeTextColor() const { return _look->schemeColors->text; }
    void setColorSchemeTextColor(const Color& color);
    // The style's own colour when it gives one, else the scheme colour.
    Color fillColor() const;
    Color strokeColor() const;
    Color textColor() const;
    // Waits for its caller in the editor.
    const std::optional<Color>& hullColor() const { return extrasOrDefaults().hullColor; }
    void setHullColor(const std::optional<Color>& color);

    const std::optional<Font>& font() const { return _look->font ? *_look->font : noFont(); }
    // A font also sets the minimum text size of that font.
    void setFont(const std::optional<Font>& font);
    const std::optional<Font>& styleSheetFont() const
    {
        return _look->styleSheetFont ? *_look->styleSheetFont : noFont();
    }
    void setStyleSheetFont(const std::optional<Font>& font);
    // The font style bits of a customised font (bold, italic, strike-through, underline), else 0.
    uint64_t fontEffects() const;

    // Layout mode 0 free, 1 strict horizontal, 2 strict vertical, 3 tree list, 4 top-down. A node's
    // own mode governs its descendants; the outermost ancestor with a mode lays out the branch.
    int32_t layoutMode() const { return _layout.mode; }
    void setLayoutMode(int32_t layoutMode);
    int32_t layoutDirection() const { return _layout.direction; }
    void setLayoutDirection(int32_t layoutDirection);
    // 0 for a central theme, else the mode of the outermost ancestor that has one.
    int32_t effectiveLayoutMode() const;
    bool isAutoLayout() const { return effectiveLayoutMode() != 0; }
    // The outermost ancestor with a layout mode; the node itself when there is none.
    // Waits for its caller in the editor.
    MindMapNode* autoLayoutParent();

    // ---- Update state ----

    uint64_t updateState() const { return _updateState; }
    // Records stale state; the first bit recorded while the node is valid reports the node to
    // the map as invalid. Ignored while loading; bits that are no UpdateBits are dropped.
    void includeNodeUpdateState(uint64_t bits);
    // Recomputes what the pending bits mark as stale, in a fixed order (style, font, text,
    // auto number, border, date, outer size), and reports a new outer size to the map.
    void validateNodeState();
    // Runs the steps of validation before measuring (style, font, display text) for every node
    // and free text of the nodes, their parent relations and the cross links that awaits them and
    // measures all display texts in one batch; validation then takes the sizes. The steps run in
    // the order validation would run them.
    static void measureTextsAhead(const std::vector<MindMapNode*>& nodes,
                                  const std::vector<CrossLink*>& crossLinks = {});
    // The texts measureTextsAhead() hands the measurer at once, the last batch up to twice as many:
    // a large map's lists of all its texts would be alive beside them. Above what a measurer
    // remembers of a batch, so that each batch of a large import is measured as a large import is,
    // without remembering.
    static constexpr size_t AheadMeasureBatchSize = 131072;

    // ---- Auto numbering and date text ----

    // Marks the labels of the node and its whole branch for recomputation.
    void invalidateAutoNumberPath();
    // "2.3": the positions from the main branch down, with the central theme's position in front
    // when the map has several central themes; empty for a node without label.
    std::string calcAutoNumberPath() const;
    const std::string& validatedAutoNumberPath();
    void doValidateAutoNumberPath();
    const std::string& validatedDateText();
    void doValidateDateText();
    // The date in the medium style of the locale (LC_TIME of the process), local time zone, no
    // time: "Mar 14, 2024" in American English.
    static std::string formatDateText(const Date& date);

    // ---- Sizes and text measuring ----

    Size size() const { return _size; }
    Rect bounds() const override;
    Size textSize() const { return _textSize; }
    Size minTextSize() const { return _look->minSize; }
    // Also sets the radius of the half-round border's arcs.
    void setMinSize(Size minSize);
    // The size of a string in the topic's font.
    Size calcTextSize(const std::string& text);
    // The used size of the attributed text laid out on unbounded lines, through the shared
    // measurer (one layout reused for every call).
    static Size calcAttributedStringSize(const AttributedString& text);
    // Waits for its caller in the editor.
    double halfRoundArcRadius() const
    {
        return _look->hasMinSize ? (_look->minSize.height * 1.41 + 16) / 2 : DefaultHalfRoundArcRadius;
    }
    // The border style as of the last validation.
    int32_t borderStyle() const { return _borderStyle; }
    // The label as of the last validation (made on request while numbering is off).
    const std::string& autoNumberPath() const;
    Size autoNumberIconSize() const { return {autoNumberIconWidth(), AutoNumberBoxHeight}; }
    Size autoNumberTextSize() const { return extrasOrDefaults().autoNumberTextSize; }
    const AttributedString& displayText() const { return _displayText; }

    // An icon, voice memo, checkbox, link, or an auto-number box drawn inside the topic.
    bool hasTextAdornments() const;
    // Only the embedded picture is shown: no text and no adornments.
    bool isTextCollapsed() const;
    // No picture, no text, no adornments: at most the date is shown.
    // Waits for its caller in the editor.
    bool showsOnlyDate() const;
    // The size of the text line: the text with the adornments beside it.
    Size calculateTextContentSize() const;

    // ---- Word wrap ----

    void wordWrappingStarted();
    void wordWrappingEnded();
    bool isWordWrapping() const { return activeWrap() != nullptr; }
    void setWrapWidth(int64_t width);
    int64_t maxWrapWidth() const;
    int64_t minWrapWidth() const;
    // Breaks a long one-line text into lines; with force also a text with line breaks.
    void applyDefaultWrap(bool force = false);
    // The default wrap rule of topics and free texts, on an element whose sizes are current.
    static void applyDefaultWrap(WordWrappableElement& element, bool force);
    // The topics applyDefaultWraps() hands the measurer at once.
    static constexpr size_t AheadWrapBatchSize = 16384;
    // applyDefaultWrap() on each of many topics (an import): the wraps are found side by side where
    // the text measurer can, a batch of topics at a time, then given to the topics in their order,
    // as each topic's own would.
    static void applyDefaultWraps(const std::vector<MindMapNode*>& nodes, size_t batchSize = AheadWrapBatchSize);

    // ---- Tasks and attachments held by the node ----

    // 0 none, 1 checkbox, 2 progress, 3 roll-up progress. A plain checkbox keeps only a checked
    // state (progress 100); no checkbox means no progress.
    int32_t checkboxMode() const { return extrasOrDefaults().task.checkboxMode(); }
    void setCheckboxMode(int32_t checkboxMode);
    bool showCheckbox() const { return extrasOrDefaults().task.showCheckbox(); }
    void setShowCheckbox(bool show) { setCheckboxMode(show ? 1 : 0); }
    // 0 to 100; other values are clamped.
    int64_t progress() const { return extrasOrDefaults().task.progress(); }
    void setProgress(int64_t progress);
    int32_t checkedState() const { return extrasOrDefaults().task.checkedState(); }
    void setCheckedState(int32_t checkedState) { setProgress(checkedState == 1 ? 100 : 0); }
    // A roll-up node takes the mean progress of its children that show a checkbox.
    void updateRollUpProgress();

    const std::optional<Date>& date() const { return extrasOrDefaults().task.date(); }
    void setDate(const std::optional<Date>& date);
    bool hasDate() const { return date().has_value(); }
    // Waits for its caller in the editor.
    const std::string& dateText() const { return extrasOrDefaults().task.dateText(); }
    // The date text's box: a square date icon as high as the text, a gap of 4, the text.
    Size dateTextSize() const { return extrasOrDefaults().task.dateTextSize(); }
    const std::string& voiceMemo() const { return extrasOrDefaults().voiceMemo; }
    void setVoiceMemo(const std::string& voiceMemo);
    bool hasVoiceMemo() const { return _extras && !_extras->voiceMemo.empty(); }

    // ---- Hull ----

    NodeHullStyle* hullStyle() const { return _extras ? _extras->decorations.hullStyle.get() : nullptr; }
    void setHullStyle(std::unique_ptr<NodeHullStyle> hullStyle);
    // The hull style, made when missing.
    NodeHullStyle* assureHullStyle();
    // Central themes keep a hull style but never show a hull.
    bool showHull() const;
    // 0 without a shown hull, else the nesting depth of the hull (1 for the outermost).
    int64_t hullLevel() const;

    // ---- Icon, embedded image and link ----

    NodeIcon* icon() const { return _extras ? _extras->decorations.icon.get() : nullptr; }
    // The icon by its image name; the empty name for none. "#" followed by an image hash names
    // a picture of the map's images, any other name a stock icon.
    const std::string& iconName() const;
    void setIconName(const std::string& iconName);
    void collectReferencedIcons(std::set<std::string>& icons) const;
    // An icon or link icon of the node may have changed its size.
    void nodeIconChanged(NodeIcon* icon);

    EmbeddedImage* embeddedImage() const { return _extras ? _extras->decorations.embeddedImage.get() : nullptr; }
    bool hasEmbeddedImage() const { return embeddedImage() != nullptr; }
    // The picture's image hash; the empty string for none.
    std::string embeddedImageName() const;
    void setEmbeddedImageName(const std::string& imageHash);

    DiagramLink* diagramLink() const { return _extras ? _extras->decorations.diagramLink.get() : nullptr; }
    // Each of these replaces the link; a target that names nothing only removes it.
    void linkToLocalMap(const std::string& mapGuid, const std::string& element, bool hotLinked);
    void linkToURL(const std::string& url);
    void linkToCloudMap(const std::string& path, const std::string& nativeLink, const std::string& element);
    // A path with the extension "twkx" is linked as a cloud map.
    void linkToCloudDocument(const std::string& path, const std::string& nativeLink);
    void linkToPhoneContact(const std::string& contact, const std::string& imageHash);
    void linkToEmailContact(const std::string& contact, const std::string& imageHash);
    void clearHyperlink();
    // Re-checks the node's link (a linked local map may have changed).
    void refreshDiagramLink();
    // Waits for its caller in the editor.
    bool isHotLinked() const;
    void setIsHotLinked(bool hotLinked);

    // The node shows pictures of the map's image store.
    bool containsImages() const;
    void collectReferencedImages(std::set<std::string>& images) const override;

    // ---- Geometry ----

    // Hit-test codes of getHitTestInfo().
    enum HitTestCode : int32_t {
        HitOutside = 0,
        HitIcon = 1,
        HitLinkIcon = 2,
        HitVoiceMemo = 3,
        HitCheckbox = 4,
        HitEmbeddedImage = 5,
        HitDateIcon = 6,
        HitDateText = 7,
        HitBody = 8,
    };
    // The checkbox and the voice memo box are 16 x 16; with its gap of 2 each takes 18 points of
    // the text line. Every adornment is separated from its neighbour by the gap.
    static constexpr double AdornmentBoxSide = 16;
    static constexpr double AdornmentGap = 2;
    // Collapse and unhide markers are squares of this side.
    static constexpr double MarkerSide = 16;

    // The display text's rectangle; the text line is centred on the location, the embedded image
    // above it and the date box below it.
    Rect textBounds() const;
    Point textOrigin() const { return textBounds().origin; }
    Point autoNumberIconOrigin() const;
    Point checkboxOrigin() const;
    Point iconOrigin() const;
    Point diagramLinkOrigin() const;
    Point voiceMemoOrigin() const;
    Point embeddedImageOrigin() const;
    Rect embeddedImageBounds() const;
    Point dateTextOrigin() const;
    Rect dateTextBounds() const;
    // The part of the node under the point, as a HitTestCode.
    int32_t getHitTestInfo(Point point) const;

    // ---- Hit testing ----

    // A label exists: the node has a parent, or the map has several central themes.
    bool hasAutoNumberPath() const;
    bool hitTest(Point point) const override;
    // The topmost element of the branch under the point: children first (the last child first),
    // then this node's texts and images, then this node. The excluded composite itself is
    // skipped, its branch is not. The flag changes nothing here: a caller that wants topics only
    // drops any other answer.
    MindMapElement* performHitTest(Point point, const CompositeElement* excludedComposite,
                                   bool includeContainedElements);
    // The node whose collapse or unhide marker lies under the point.
    MindMapNode* performMarkerHitTest(Point point);
    // +1 or -1: the side on which the collapse marker sits is the opposite of the sign.
    int32_t collapseMarkerDirection() const;
    Rect getCollapseMarkerBounds() const;
    Rect getUnhideMarkerBounds() const;
    Rect boundsIncludingContainedElements() const;
    // The union of the nodes' bounds with their texts and images; invisible nodes only when hidden
    // ones are included; with relations, also the parent relations' texts and custom paths.
    static Rect boundsOfMindMapNodes(const std::vector<MindMapNode*>& nodes, bool includeHidden, bool includeRelations);
    // Whether a tree-list branch grows to the right (true for nullptr).
    static bool isListLayoutLeftToRight(const MindMapNode* node);
    // Whether a top-down branch orders its children left to right (true for nullptr).
    static bool isTopdownLayoutLeftToRight(const MindMapNode* node);

    // ---- Fields the document readers, writers, painter and layouters keep ----

    int64_t id() const { return _id; }
    // Tells the map, which keeps an index of the ids.
    void setId(int64_t nodeId);
    int64_t originalLevel() const { return extrasOrDefaults().originalLevel; }
    void setOriginalLevel(int64_t level);
    // Waits for its caller in the editor.
    bool noteSearchMatch() const { return _noteSearchMatch; }
    void setNoteSearchMatch(bool match) { _noteSearchMatch = match; }
    // Waits for its caller in the editor.
    Rect belowAutoNumberIcon() const { return extrasOrDefaults().belowAutoNumberIcon; }
    void setBelowAutoNumberIcon(Rect rect);
    Size measuredSize() const { return _layout.measuredSize(); }
    void setMeasuredSize(Size size) { _layout.setMeasuredSize(size); }
    Point connectionPoint() const { return _layout.connectionPoint(); }
    void setConnectionPoint(Point point) { _layout.setConnectionPoint(point); }

    void assignDefaultLocation(ContainedElement* element) override;
    void customImagesChanged(const std::string& imageHash, int operation) override;

private:
    // setParent without the depth limit: a topic made under its parent; commands that make one
    // measure the depth themselves.
    void placeUnder(MindMapNode* parent);

    // The hull, icon, picture and link of the few topics that have one, and the state of a wrap
    // the user is dragging.
    struct Decorations {
        std::unique_ptr<NodeHullStyle> hullStyle;
        std::unique_ptr<NodeIcon> icon;
        std::unique_ptr<EmbeddedImage> embeddedImage;
        std::unique_ptr<DiagramLink> diagramLink;
        std::unique_ptr<WordWrapping> wrapState;
    };
    // What few topics have, kept apart so that a map of many plain topics stays small: made the
    // first time one of these is set to something other than its default.
    struct Extras {
        std::string note;
        std::string voiceMemo;
        std::optional<Color> hullColor;
        NodeTaskState task;
        std::string autoNumberPath;
        Size autoNumberTextSize;
        Rect belowAutoNumberIcon;
        int64_t originalLevel = 0;
        // Where a central theme stood in the map's central themes when last asked: the search
        // starts there.
        size_t themeIndexHint = 0;
        Decorations decorations;
        // See childPaletteInfoCounts().
        std::unique_ptr<std::map<int64_t, size_t>> childPaletteInfoCounts;
    };
    // Topics share equal fonts: most topics of a map have one of a handful. A font once used is
    // kept for the rest of the process, so that a topic holds it by a plain pointer which any
    // thread may read; null for none.
    using SharedFont = const std::optional<Font>*;
    // Topics share their scheme colours the same way: a scheme gives a map a handful of them.
    struct SchemeColors {
        Color fill;
        Color stroke;
        Color text;
        friend bool operator==(const SchemeColors&, const SchemeColors&) = default;
    };
    using SharedSchemeColors = const SchemeColors*;
    // The fonts, scheme colours and minimum text size together: a map's topics have a handful of
    // sets of them, so that each topic holds its set by one plain pointer, shared as the fonts are.
    struct Look {
        SharedFont font = nullptr;
        SharedFont styleSheetFont = nullptr;
        SharedSchemeColors schemeColors = nullptr;
        Size minSize;
        // setMinSize() has changed the minimum size: the half-round border's arcs follow it from
        // then on.
        bool hasMinSize = false;
        // The sizes by their bits: a size that is not a number still finds its set.
        friend bool operator==(const Look& a, const Look& b)
        {
            return a.font == b.font && a.styleSheetFont == b.styleSheetFont && a.schemeColors == b.schemeColors &&
                std::bit_cast<uint64_t>(a.minSize.width) == std::bit_cast<uint64_t>(b.minSize.width) &&
                std::bit_cast<uint64_t>(a.minSize.height) == std::bit_cast<uint64_t>(b.minSize.height) &&
                a.hasMinSize == b.hasMinSize;
        }
    };
    using SharedLook = const Look*;

    // The node's own style with what passes its changes on to the node: only the topics that
    // carry a value of their own have one, so the node itself listens to no style.
    struct OwnStyle : ElementStyleListener {
        OwnStyle(MindMapNode& node, std::shared_ptr<NodeStyle> parentStyle);
        void styleChanged(ElementStyle* changed) override { node.styleChanged(changed); }
        MindMapNode& node;
        NodeStyle style;
    };

    WordWrapping* activeWrap() const { return _extras ? _extras->decorations.wrapState.get() : nullptr; }
    Decorations& decorations();

    static const Extras& defaultExtras();
    static const std::optional<Font>& noFont();
    const Extras& extrasOrDefaults() const { return _extras ? *_extras : defaultExtras(); }
    Extras& extras() const;
    // The font as a shared copy: the candidate when equal, else the process's copy.
    static SharedFont shareFont(const std::optional<Font>& font, SharedFont candidate);
    // The colours as the process's shared copy.
    static SharedSchemeColors shareSchemeColors(const SchemeColors& colors);
    static SharedSchemeColors defaultSchemeColors();
    static SharedLook defaultLook();
    // Shares the look with one value changed.
    template <class Change> void changeLook(Change change);

    // The steps of validation before measuring: the style sheet's style, the font, the display text.
    void prepareTextForMeasuring();
    // Takes the display text, keeping the text as set apart only when the display differs.
    void adoptDisplayText(AttributedString display);
    // The map to report to: none once destruction has begun.
    MindMap* reportingMap() const;
    // Whether the node may hang below the parent (nullptr included): not itself, not one of its
    // descendants, not a node of another map.
    bool acceptsParent(const MindMapNode* parent) const;
    // Takes the child out of the list and renumbers the later children.
    void detachChildAt(size_t index);
    void renumberChildrenFrom(size_t index);
    // Counts a child's palette entry in or out of childPaletteInfoCounts().
    void countChildPaletteInfo(int64_t paletteInfo, bool added);
    // The children from first to last (inclusive) changed their place: renumbers their branches
    // and tells the map that the tree changed.
    void childrenChanged(size_t first, size_t last);
    // Stores the flag and records the change, without touching the children.
    void storeVisible(bool visible);
    // Applies the collapse request without updating the children's visibility; true when the
    // flag changed.
    bool storeCollapsed(bool collapsed);
    void setSubtreeCollapsed(bool collapsed);
    // A task property changed: search matches and the given update bits.
    void taskChanged(uint64_t bits);
    // The auto-number box counts in the text line: a box exists and the map draws it inside.
    bool autoNumberBoxCounts() const;
    // The parent's label while it holds it as the tree is now (empty for a parent without label);
    // nullptr for a central theme, or when the parent's label is to be made again.
    const std::string* labelAbove() const;
    // Validates the labels of the node and the nodes above it that wait for it, from the top.
    void validateLabelsFromTop();
    // 0 without label, the plain box's side while the label is not shown, else as wide as the
    // label's text (kept in the extras) needs.
    double autoNumberIconWidth() const
    {
        return _hasAutoNumberBox ? std::max(AutoNumberBoxHeight, autoNumberTextSize().width + 2) : 0;
    }
    // Size of the link's icon; zero without link.
    Size linkIconSize() const;
    // Height of the text line for the placing of picture and date; 0 when the text is collapsed.
    double contentHeightForPlacing() const;
    // Makes the node's link, dropping the old one.
    DiagramLink* replaceDiagramLink();
    void validateOuterSize(double width, double height);
    // The node's position among the map's central themes; NotFound when it is not one of them.
    size_t themeIndex() const;
    // The level, hull depth and layout owners kept from the last computation, valid while the
    // tree, its hulls and its layout modes have not changed since.
    void refreshTreeCache() const;
    static void treeChanged();

    // The small fields come first: they fill the room the element's own fields leave at the end
    // of their last eight bytes, which would otherwise go unused.
    int8_t _editingState = 0;
    // As of the last validation: see validateNodeState().
    int8_t _borderStyle = 1;
    // UpdateBits: all of them fit in a byte.
    uint8_t _updateState = 0;
    // Every topic has these: kept as bits, next to each other.
    mutable bool _autoNumberPathPending : 1 = false;
    bool _dropTarget : 1 = false;
    bool _validatingState : 1 = false;
    // The steps before measuring have run ahead of validation; and a batch measured the text,
    // whose size waits in the text size for validation to take: the text size is stale until
    // then, as the pending text update says.
    bool _textPrepared : 1 = false;
    bool _hasPreparedTextSize : 1 = false;
    bool _isLoading : 1 = false;
    bool _visible : 1 = true;
    bool _collapsed : 1 = false;
    bool _hidden : 1 = false;
    bool _outlineCollapsed : 1 = false;
    bool _noteSearchMatch : 1 = false;
    bool _tearingDown : 1 = false;
    // The node has a label box (see autoNumberIconWidth()).
    bool _hasAutoNumberBox : 1 = false;
    MindMapNode* _parent = nullptr;
    std::vector<MindMapNode*> _children;
    std::unique_ptr<ParentRelation> _parentRelation;
    // Null until style() is first asked: see currentStyle().
    mutable std::unique_ptr<OwnStyle> _style;
    mutable std::unique_ptr<Extras> _extras;
    Point _location;
    Size _size{DefaultWidth, DefaultHeight};
    Size _textSize{DefaultWidth, DefaultHeight};
    SharedLook _look;
    int64_t _id = -1;
    // The text as set, kept apart only while it differs from the display text's string: a topic
    // without formatting holds its text once, in its display text.
    std::unique_ptr<std::string> _sourceText;
    AttributedString _displayText;
    NodeLayoutState _layout;
    // valid while _parent is set; no node holds 2^32 children
    uint32_t _indexInParent = 0;
    // See setPaletteInfo().
    int32_t _paletteInfo = 0;
};
