#include "MindMaps/MindMap.h"

#include "Utils/StringUtils.h"

#include "MindMaps/CompositeElement.h"
#include "MindMaps/ContainedElement.h"
#include "MindMaps/MapLayouter.h"
#include "MindMaps/MindMapNode.h"
#include "MindMaps/MindMapNodeEditor.h"
#include "MindMaps/MindMapText.h"
#include "MindMaps/NodeStyle.h"
#include "MindMaps/ParentRelation.h"
#include "MindMaps/StyleSheet.h"
#include "Utils/GeometryHelpers.h"
#include "platform/Color.h"
#include "platform/Localizer.h"

#include <limits>

namespace {

// The gap between a new topic and the topic it is placed below.
constexpr double NewTopicGap = 12;

double bottomEdge(const MindMapNode* node)
{
    const Rect bounds = node->bounds();
    return bounds.origin.y + bounds.size.height;
}

// A new topic is placed by the size it shows, not by the one it has before it is first measured.
void measureNewTopic(MindMapNode* topic)
{
    topic->validateNodeState();
}

// A new child in free layout goes below the sibling that reaches lowest, at that sibling's x,
// unless its parent is a central theme or it has no siblings: then the layouter finds it a place.
void placeNewChild(MindMapNode* parent, MindMapNode* child)
{
    if (child->isAutoLayout()) return;
    measureNewTopic(child);
    const MindMapNode* lowest = nullptr;
    for (const MindMapNode* sibling : parent->children()) {
        if (sibling == child) continue;
        if (!lowest || bottomEdge(sibling) > bottomEdge(lowest)) lowest = sibling;
    }
    if (!parent->parent() || !lowest) {
        MapLayouter::shared().assignDefaultNodeLocation(child);
        return;
    }
    const double y = bottomEdge(lowest) + child->bounds().size.height / 2 + NewTopicGap;
    child->setLocation(Point{lowest->location().x, y});
    MapLayouter::shared().avoidOverlap(child);
}

// A new sibling in free layout goes right below the topic, unless that is a main branch, whose
// siblings spread around the central theme.
void placeNewSibling(const MindMapNode* node, MindMapNode* sibling)
{
    if (sibling->isAutoLayout()) return;
    measureNewTopic(sibling);
    if (node->nodeLevel() < 2) {
        MapLayouter::shared().assignDefaultNodeLocation(sibling);
        return;
    }
    const double heights = node->bounds().size.height + sibling->bounds().size.height;
    const double y = node->location().y + heights / 2 + NewTopicGap;
    sibling->setLocation(Point{node->location().x, y});
    MapLayouter::shared().avoidOverlap(sibling);
}

void placeByLayouter(MindMapNode* node)
{
    if (!node->isAutoLayout()) MapLayouter::shared().assignDefaultNodeLocation(node);
}

// Whether the text holds anything but white space once cleaned as a topic text.
bool hasVisibleText(const std::string& text)
{
    return !trimWhitespaceAndNewlines(MindMapNode::validateNodeText(text)).empty();
}

// Moves a topic among its siblings to the index.
void moveToIndex(MindMapNode* topic, size_t index)
{
    topic->parent()->moveChildFromIndex(static_cast<int64_t>(topic->indexInParent()), static_cast<int64_t>(index));
}

// The selected topic a new child goes to, after leaving the editor's modes: none when no topic is
// selected or it is collapsed.
MindMapNode* topicForNewChild(MindMap& map)
{
    MindMapNode* node = map.cancelEditorModes();
    if (!node) return nullptr;
    map.forceSingleSelection();
    return node->collapsed() || !map.acceptsLevelsBelow(node, 1) ? nullptr : node;
}

// A new topic right after the topic among its siblings.
MindMapNode* addSiblingAfter(MindMap& map, MindMapNode* node, Point location)
{
    MindMapNode* sibling = map.addMindMapNodeAsChild(node->parent(), location);
    moveToIndex(sibling, node->indexInParent() + 1);
    return sibling;
}

// The common road of the commands that add a topic and edit it at once: one delayed step, the
// topic made inside one update and selected, then the editor started on it.
template <typename Make> void addTopicAndEdit(MindMap& map, const char* undoKey, Make make)
{
    const UndoState undoState = map.prepareDelayedUndoableOperation(localized(undoKey));
    MindMapNode* topic = nullptr;
    {
        MindMap::UpdateGuard update(map);
        topic = make();
        map.setSelectedElement(topic);
    }
    // After the update, so that the editor starts on the map as it now is.
    map.startEditingNewNode(topic, undoState);
}

} // namespace

// ---- Central themes ----

void MindMap::addCentralTheme()
{
    if (_readOnly) return;
    addCentralThemeAtLocation(MapLayouter::shared().newCentralThemeLocation(*this));
}

void MindMap::addCentralThemeAtLocation(Point location)
{
    if (_readOnly) return;
    cancelEditorModes();
    addTopicAndEdit(*this, "undoable_op_add_central_theme", [this, location] {
        MindMapNode* theme = internalAddCentralTheme(std::string());
        theme->setLocation(location);
        return theme;
    });
}

// ---- Children and siblings ----

void MindMap::addChildNode()
{
    if (_readOnly) return;
    MindMapNode* node = topicForNewChild(*this);
    if (!node) return;
    addTopicAndEdit(*this, "undoable_op_add_topic", [this, node] {
        MindMapNode* child = addMindMapNodeAsChild(node, node->location());
        placeNewChild(node, child);
        return child;
    });
}

void MindMap::addChildNodeAtLocation(Point location)
{
    if (_readOnly) return;
    MindMapNode* node = topicForNewChild(*this);
    if (!node) return;
    addTopicAndEdit(*this, "undoable_op_add_topic",
                    [this, node, location] { return addMindMapNodeAsChild(node, location); });
}

void MindMap::addSiblingNode()
{
    if (_readOnly) return;
    MindMapNode* node = cancelEditorModes();
    forceSingleSelection();
    if (!node || !node->parent() || node->parent()->collapsed()) return;
    addTopicAndEdit(*this, "undoable_op_add_topic", [this, node] {
        MindMapNode* sibling = addSiblingAfter(*this, node, node->location());
        placeNewSibling(node, sibling);
        return sibling;
    });
}

void MindMap::addSiblingNodeAtLocation(Point location)
{
    if (_readOnly) return;
    MindMapNode* node = cancelEditorModes();
    forceSingleSelection();
    if (!node || !node->parent()) return;
    addTopicAndEdit(*this, "undoable_op_add_topic",
                    [this, node, location] { return addSiblingAfter(*this, node, location); });
}

void MindMap::insertSiblingNode()
{
    if (_readOnly) return;
    MindMapNode* node = cancelEditorModes();
    forceSingleSelection();
    if (!node || !node->parent() || node->parent()->collapsed()) return;
    addTopicAndEdit(*this, "undoable_op_add_topic", [this, node] {
        const size_t index = node->indexInParent();
        MindMapNode* sibling = addMindMapNodeAsChild(node->parent(), node->location());
        moveToIndex(sibling, index);
        placeByLayouter(sibling);
        return sibling;
    });
}

void MindMap::insertNode()
{
    if (_readOnly) return;
    MindMapNode* node = cancelEditorModes();
    forceSingleSelection();
    if (!node) {
        if (auto* relation = dynamic_cast<ParentRelation*>(selectedElement())) node = relation->targetNode();
    }
    // The inserted topic takes the node's place: its branch goes one level deeper.
    if (!node || !node->parent() || !acceptsLevelsBelow(node, node->branchLevels())) return;
    addTopicAndEdit(*this, "undoable_op_add_topic", [this, node] {
        MindMapNode* parent = node->parent();
        MindMapNode* inserted = addMindMapNodeAsChild(parent, pointMidpoint(node->location(), parent->location()));
        inserted->setPaletteInfo(node->paletteInfo());
        if (_styleSheet) _styleSheet->applyDefaultNodeStyle(inserted);
        const size_t index = node->indexInParent();
        node->setParent(inserted);
        moveToIndex(inserted, index);
        return inserted;
    });
}

void MindMap::addBranchWithPaletteIndex(int64_t paletteIndex)
{
    if (_readOnly) return;
    // The palette entry is stored one above the index: the largest index has no entry.
    if (paletteIndex < 0 || paletteIndex == std::numeric_limits<int64_t>::max()) return;
    MindMapNode* node = topicForNewChild(*this);
    if (!node) return;
    addTopicAndEdit(*this, "undoable_op_add_topic", [this, node, paletteIndex] {
        MindMapNode* branch = addMindMapNodeAsChild(node, node->location());
        branch->setColorPaletteIndex(paletteIndex);
        placeByLayouter(branch);
        return branch;
    });
}

// ---- Dropped text and pictures ----

void MindMap::textDropped(const std::string& text, Point location)
{
    if (_readOnly || !hasVisibleText(text)) return;
    cancelEditorModes();
    // Refused before the undo step, which would otherwise undo nothing.
    MindMapNode* below = hitTestNodes(location, nullptr);
    if (!below) below = selectedNode();
    if (below && !acceptsLevelsBelow(below, 1)) return;
    const std::string topicText = fittedText(MindMapNode::validateNodeText(text));
    pushStateToUndoManager(localized("undoable_op_add_topic"));
    UpdateGuard update(*this);
    MindMapNode* target = hitTestNodes(location, nullptr);
    const bool droppedOnTopic = target != nullptr;
    if (target) {
        setSelectedElement(target);
    } else {
        forceSingleSelection();
        target = selectedNode();
        if (!target) {
            if (auto* contained = dynamic_cast<ContainedElement*>(selectedElement())) {
                target = dynamic_cast<MindMapNode*>(contained->container());
            }
        }
    }
    MindMapNode* topic = nullptr;
    if (target) {
        topic = addMindMapNodeAsChild(target, location);
        topic->setText(topicText);
        topic->applyDefaultWrap();
        if (droppedOnTopic && !topic->isAutoLayout()) MapLayouter::shared().assignDefaultNodeLocation(topic);
    } else {
        topic = internalAddCentralTheme(topicText);
        topic->setEditingState(0);
        topic->setLocation(location);
        topic->applyDefaultWrap();
    }
    setSelectedElement(topic);
    addChangeBits(MindMapChangeScrollSelection);
}

MindMapNode* MindMap::addImageAsTopicWithHash(const std::string& imageHash)
{
    if (_readOnly || imageHash.empty()) return nullptr;
    MindMapNode* node = cancelEditorModes();
    forceSingleSelection();
    if (node && !acceptsLevelsBelow(node, 1)) return nullptr;
    UpdateGuard update(*this);
    // The step comes before the selection is cleared, so that undoing brings the selection back.
    pushStateToUndoManager(localized("topic_menu_image_as_topic"));
    MindMapNode* topic = nullptr;
    if (node) {
        topic = addMindMapNodeAsChild(node, node->location());
    } else {
        if (!_selection.empty()) setSelectedElement(nullptr);
        topic = internalAddCentralTheme(std::string());
    }
    topic->setEditingState(0);
    topic->setEmbeddedImageName(imageHash);
    {
        NodeStyle* style = topic->style();
        ElementStyle::UpdateGuard batch(*style);
        style->setCustomizedProps(TextStyle::FillColorMask | NodeStyle::BorderStyleMask);
        style->setBorderStyle(NodeStyle::NoBorder);
        style->setFillColor(Color::normalizedClearColor());
    }
    forceNodeVisible(topic);
    topic->validateNodeState();
    if (!topic->isAutoLayout()) {
        if (node) MapLayouter::shared().assignDefaultNodeLocation(topic);
        else topic->setLocation(MapLayouter::shared().newCentralThemeLocation(*this));
    }
    setSelectedElement(topic);
    scrollSelectedElementVisible();
    return topic;
}

void MindMap::addImageAsTopic()
{
    if (_readOnly) return;
    if (_nodeEditor) _nodeEditor->addImageAsTopic();
}

// ---- Free texts ----

void MindMap::addText()
{
    if (_readOnly) return;
    forceSingleSelection();
    MindMapElement* primary = selectedElement();
    cancelEditorModes();
    // Compared by address only: leaving the modes may have destroyed the element.
    if (!primary || primary != selectedElement()) return;
    MindMapElement* element = primary;
    if (auto* contained = dynamic_cast<ContainedElement*>(element)) element = contained->container();
    auto* composite = dynamic_cast<CompositeElement*>(element);
    if (!composite) return;
    const UndoState undoState = prepareDelayedUndoableOperation(localized("topic_menu_add_label"));
    MindMapText* text = nullptr;
    {
        UpdateGuard update(*this);
        text = composite->addText();
        text->assignDefaultLocation();
    }
    if (_nodeEditor) _nodeEditor->startEditingText(text, undoState, true);
    else pushDelayedUndoableOperation(undoState);
}

void MindMap::editText()
{
    if (_readOnly) return;
    MindMapElement* primary = selectedElement();
    cancelEditorModes();
    forceSingleSelection();
    if (!primary || primary != selectedElement() || !primary->isVisible() || !_nodeEditor) return;
    if (auto* text = dynamic_cast<MindMapText*>(primary)) {
        _nodeEditor->startEditingText(text, nullptr, false);
    } else if (auto* node = dynamic_cast<MindMapNode*>(primary)) {
        _nodeEditor->startEditingExistingNode(node);
    }
}
