#include "MindMaps/MindMapNode.h"

#include "MindMaps/ContainedElement.h"
#include "MindMaps/CrossLink.h"
#include "MindMaps/CustomIcon.h"
#include "MindMaps/DiagramLink.h"
#include "MindMaps/EmbeddedImage.h"
#include "MindMaps/MMColorScheme.h"
#include "MindMaps/MapLayouter.h"
#include "MindMaps/MarkdownSpanParser.h"
#include "MindMaps/MinTextSizeCalculator.h"
#include "MindMaps/MindMap.h"
#include "MindMaps/MindMapStyle.h"
#include "MindMaps/MindMapText.h"
#include "MindMaps/NodeHullStyle.h"
#include "MindMaps/NodeIcon.h"
#include "MindMaps/NodeStyle.h"
#include "MindMaps/ParentRelation.h"
#include "MindMaps/StockIcon.h"
#include "MindMaps/StyleHelpers.h"
#include "MindMaps/StyleSheet.h"
#include "MindMaps/TextSizeCalculator.h"
#include "MindMaps/TopicDepthLimit.h"
#include "MindMaps/WordWrapping.h"
#include "Utils/StringUtils.h"
#include "platform/TextExcerpt.h"
#include "platform/TextMeasurer.h"
#include "platform/Utf8.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <deque>
#include <mutex>
#include <optional>
#include <unordered_map>
#include <utility>

// Every topic is one: the allocator serves it from its 256-byte size class, where a few bytes more
// would take the next one (320) for every topic of a large map.
static_assert(sizeof(MindMapNode) <= 256);

namespace {

double finiteOrZero(double value)
{
    return std::isfinite(value) ? value : 0.0;
}

Point sanitizedPoint(Point point)
{
    return {finiteOrZero(point.x), finiteOrZero(point.y)};
}

// The platform's named colours that a node shows until a colour scheme gives it its own.
const Color OrangeColor(1.0, 0.5, 0.0);
const Color CyanColor(0.0, 1.0, 1.0);

// The central themes' positions in the list of the map asked last (see themeIndex()).
struct ThemePositions {
    static ThemePositions& shared()
    {
        static ThemePositions positions;
        return positions;
    }
    const MindMap* map = nullptr;
    std::unordered_map<const MindMapNode*, size_t> positions;
};

// 1/sqrt(3) in single precision: the slope of the diamond border.
constexpr double DiamondSlope = 0.5773502588272095;
// The cloud border's outline around its text box.
constexpr double CloudWidthFactor = 183.0 / 137.0;
constexpr double CloudHeightFactor = 52.0 / 35.0;

// The width a wrap state starts from when there is none: the text width, rounded in single
// precision.
int64_t roundedFloat(double value)
{
    if (!std::isfinite(value)) return 0;
    const float rounded = std::round(static_cast<float>(value));
    return static_cast<int64_t>(std::clamp(rounded, -1e15f, 1e15f));
}

// Control characters that a topic's text must not hold: the C0 and C1 controls and the format
// characters. Kept: LF, and the format characters that written text needs to come out right
// (the joiners of scripts and emoji sequences, the direction marks and embeddings, and the tag
// characters of flag emoji).
bool isReplacedControlCharacter(char32_t c)
{
    if (c == U'\n') return false;
    if (c < 0x20 || (c >= 0x7F && c <= 0x9F)) return true;
    if (c == 0x200C || c == 0x200D || c == 0x200E || c == 0x200F) return false;
    if ((c >= 0x202A && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069)) return false;
    if (c >= 0xE0020 && c <= 0xE007F) return false;
    return c == 0x00AD || (c >= 0x0600 && c <= 0x0605) || c == 0x061C || c == 0x06DD || c == 0x070F ||
        (c >= 0x0890 && c <= 0x0891) || c == 0x08E2 || c == 0x180E || c == 0x200B || (c >= 0x2060 && c <= 0x2064) ||
        (c >= 0x206A && c <= 0x206F) || c == 0xFEFF || (c >= 0xFFF9 && c <= 0xFFFB) || c == 0x110BD || c == 0x110CD ||
        (c >= 0x13430 && c <= 0x1343F) || (c >= 0x1BCA0 && c <= 0x1BCA3) || (c >= 0x1D173 && c <= 0x1D17A) ||
        c == 0xE0001;
}

// The process's one copy of a value equal to the given one, made on first use and never freed:
// topics hold it by a plain pointer, and the threads that measure topics read it while the main
// thread shares more. Each thread first looks among the copies it was handed lately: a map is
// styled topic after topic, mostly with the values the topic before got.
template <class Value> const Value* sharedValue(const Value& value)
{
    constexpr size_t Recent = 16;
    thread_local std::array<const Value*, Recent> recent{};
    thread_local size_t next = 0;
    for (const Value* kept : recent) {
        if (kept && *kept == value) return kept;
    }
    static std::mutex mutex;
    // Never destroyed: topics that outlive the statics (a map torn down at exit) still point here.
    static auto* values = new std::deque<Value>;
    const Value* shared = nullptr;
    {
        std::lock_guard lock(mutex);
        for (const Value& kept : *values) {
            if (kept == value) {
                shared = &kept;
                break;
            }
        }
        if (!shared) shared = &values->emplace_back(value);
    }
    recent[next] = shared;
    next = (next + 1) % Recent;
    return shared;
}

} // namespace

MindMapNode::MindMapNode(MindMap* mindMap, MindMapNode* parent, Point location, bool isLoading)
    : CompositeElement(mindMap), _isLoading(isLoading), _location(sanitizedPoint(location)), _look(defaultLook())
{
    _parentRelation = std::make_unique<ParentRelation>(this);
    placeUnder(parent);
    _updateState = InitialUpdateState;
    if (mindMap) mindMap->noteStatesPending();
}

MindMapNode::~MindMapNode()
{
    // Nothing is reported from here on: the map may itself be going away.
    _tearingDown = true;
    if (_style) _style->style.setListener(nullptr);
    // The icons and the link point back at the node: they go while it is still whole.
    if (_extras) _extras->decorations.wrapState.reset();
    if (_extras) _extras->decorations.diagramLink.reset();
    if (_extras) _extras->decorations.embeddedImage.reset();
    if (_extras) _extras->decorations.icon.reset();
    treeChanged();
    while (!_children.empty()) {
        _children.back()->_parent = nullptr;
        _children.pop_back();
    }
    if (MindMapNode* parent = _parent) {
        parent->detachChildAt(_indexInParent);
        if (parent->_children.empty()) {
            parent->_collapsed = false;
            parent->_outlineCollapsed = false;
        }
    }
}

const MindMapNode::Extras& MindMapNode::defaultExtras()
{
    static const Extras defaults;
    return defaults;
}

const std::optional<Font>& MindMapNode::noFont()
{
    static const std::optional<Font> none;
    return none;
}

MindMapNode::Decorations& MindMapNode::decorations()
{
    return extras().decorations;
}

MindMapNode::Extras& MindMapNode::extras() const
{
    if (!_extras) _extras = std::make_unique<Extras>();
    return *_extras;
}

MindMapNode::SharedFont MindMapNode::shareFont(const std::optional<Font>& font, SharedFont candidate)
{
    if (!font) return nullptr;
    if (candidate && *candidate == font) return candidate;
    return sharedValue(font);
}

MindMapNode::SharedSchemeColors MindMapNode::defaultSchemeColors()
{
    static const SharedSchemeColors defaults = sharedValue(SchemeColors{OrangeColor, CyanColor, Color::black()});
    return defaults;
}

MindMapNode::SharedSchemeColors MindMapNode::shareSchemeColors(const SchemeColors& colors)
{
    return sharedValue(colors);
}

MindMapNode::SharedLook MindMapNode::defaultLook()
{
    static const SharedLook defaults = [] {
        Look look;
        look.schemeColors = defaultSchemeColors();
        return sharedValue(look);
    }();
    return defaults;
}

template <class Change> void MindMapNode::changeLook(Change change)
{
    Look look = *_look;
    change(look);
    // Styling a topic passes through a set for each value it takes, and a map's levels take
    // different ones: more than the shared values keep at hand. A table of this thread's, by the
    // set's hash, finds each of them with one comparison.
    auto bits = [](const void* pointer) { return reinterpret_cast<uintptr_t>(pointer) >> 4; };
    size_t hash = bits(look.font) * 31 + bits(look.styleSheetFont);
    hash = hash * 31 + bits(look.schemeColors);
    hash = hash * 31 + std::bit_cast<uint64_t>(look.minSize.width);
    hash = hash * 31 + std::bit_cast<uint64_t>(look.minSize.height) + (look.hasMinSize ? 1 : 0);
    hash ^= hash >> 17;
    thread_local std::array<SharedLook, 256> recent{};
    SharedLook& slot = recent[hash % recent.size()];
    if (!slot || !(*slot == look)) slot = sharedValue(look);
    _look = slot;
}

void MindMapNode::setHullColor(const std::optional<Color>& color)
{
    if (!_extras && !color) return;
    extras().hullColor = color;
}

void MindMapNode::setOriginalLevel(int64_t level)
{
    if (!_extras && level == 0) return;
    extras().originalLevel = level;
}

void MindMapNode::setBelowAutoNumberIcon(Rect rect)
{
    if (!_extras && rect == Rect()) return;
    extras().belowAutoNumberIcon = rect;
}

int32_t MindMapNode::elementType() const
{
    return ElementTypeNode;
}

MindMap* MindMapNode::reportingMap() const
{
    return _tearingDown ? nullptr : mindMap();
}

void MindMapNode::loaded()
{
    if (!_isLoading) return;
    _isLoading = false;
    if (_hidden && !_parent) {
        _hidden = false;
        setVisible(true);
    }
    _updateState |= InitialUpdateState;
    if (MindMap* map = mindMap()) map->noteStatesPending();
}

// ---- Tree ----

bool MindMapNode::acceptsParent(const MindMapNode* parent) const
{
    if (!parent) return true;
    if (parent == this || parent->mindMap() != mindMap()) return false;
    if (_children.empty()) return true;
    // The parent must not lie in this node's branch. Walking up from the parent and down through
    // the branch in turns stops after the shorter of the two walks, so that linking stays cheap
    // for long chains read from a document as well as for wide branches.
    const MindMapNode* ancestor = parent->_parent;
    std::vector<std::pair<const MindMapNode*, size_t>> pending{{this, 0}};
    while (true) {
        if (!ancestor) return true;
        if (ancestor == this) return false;
        ancestor = ancestor->_parent;

        if (pending.empty()) return true;
        auto& [node, next] = pending.back();
        if (next < node->_children.size()) {
            const MindMapNode* child = node->_children[next++];
            if (child == parent) return false;
            pending.emplace_back(child, 0);
        } else {
            pending.pop_back();
        }
    }
}

void MindMapNode::setParent(MindMapNode* parent)
{
    if (parent == _parent || !acceptsParent(parent)) return;
    // A branch moved deeper than the limit would make a map every reader refuses, its own file
    // included. (Readers measure what they read beforehand; their topics load.)
    if (!_isLoading && parent && !TopicDepthLimit::acceptsLevelsBelow(parent->nodeLevel(), branchLevels())) return;
    placeUnder(parent);
}

void MindMapNode::placeUnder(MindMapNode* parent)
{
    if (parent == _parent || !acceptsParent(parent)) return;
    if (!_isLoading) {
        if (parent) {
            int64_t level = nodeLevel();
            if (level == 1) {
                setPaletteInfo(0);
            } else if (level == 0) {
                setPaletteInfo(0);
                for (MindMapNode* child : _children) child->setPaletteInfo(0);
            }
        } else {
            setIsHidden(false);
        }
    }
    linkToParent(parent);
    if (!_isLoading) {
        // The node takes the visibility of its new place: a root is shown, a child under a
        // collapsed or invisible parent is not.
        if (_parent) setVisible(_parent->_visible && !_parent->_collapsed && !_hidden);
        else setVisible(!_hidden);
        reevaluateSubtreeStyle();
    }
}

void MindMapNode::linkToParent(MindMapNode* parent)
{
    if (parent == _parent || !acceptsParent(parent)) return;
    if (_parent) _parent->removeChildNode(this);
    if (parent) parent->insertChildNode(this);
    else includeNodeUpdateState(UpdateAutoNumber);
}

void MindMapNode::insertChildNode(MindMapNode* node)
{
    if (!node || node->_parent == this || !node->acceptsParent(this)) return;
    // A node is in one parent's list only.
    if (node->_parent) node->_parent->removeChildNode(node);
    node->_parent = this;
    node->_indexInParent = static_cast<uint32_t>(_children.size());
    _children.push_back(node);
    countChildPaletteInfo(node->_paletteInfo, true);
    treeChanged();
    childrenChanged(node->_indexInParent, node->_indexInParent);
}

void MindMapNode::fitChildRoom(size_t count)
{
    count = std::max(count, _children.size());
    if (_children.capacity() == count) return;
    // shrink_to_fit is only a request, and reserve never shrinks.
    std::vector<MindMapNode*> fitted;
    fitted.reserve(count);
    fitted.assign(_children.begin(), _children.end());
    _children.swap(fitted);
}

void MindMapNode::removeChildNode(MindMapNode* node)
{
    if (!node || node->_parent != this) return;
    const size_t index = node->_indexInParent;
    detachChildAt(index);
    if (_children.empty()) {
        _collapsed = false;
        _outlineCollapsed = false;
    }
    childrenChanged(index, _children.size());
}

void MindMapNode::detachChildAt(size_t index)
{
    if (index >= _children.size()) return;
    MindMapNode* child = _children[index];
    countChildPaletteInfo(child->_paletteInfo, false);
    child->_parent = nullptr;
    child->_indexInParent = 0;
    _children.erase(_children.begin() + static_cast<std::ptrdiff_t>(index));
    treeChanged();
    renumberChildrenFrom(index);
}

void MindMapNode::countChildPaletteInfo(int64_t paletteInfo, bool added)
{
    if (paletteInfo <= 0) return;
    if (added) {
        auto& counts = extras().childPaletteInfoCounts;
        if (!counts) counts = std::make_unique<std::map<int64_t, size_t>>();
        ++(*counts)[paletteInfo];
        return;
    }
    if (!_extras || !_extras->childPaletteInfoCounts) return;
    auto& counts = _extras->childPaletteInfoCounts;
    auto entry = counts->find(paletteInfo);
    if (entry == counts->end()) return;
    if (--entry->second == 0) counts->erase(entry);
    if (counts->empty()) counts.reset();
}

void MindMapNode::setPaletteInfo(int64_t paletteInfo)
{
    // No palette has 2^31 entries, and a topic whose entry is beyond its palette takes the
    // palette's last one: a larger entry (an old document may hold one) colours the topic as the
    // largest kept one does, and that negative entries mean none holds as well at the other end.
    const auto kept = static_cast<int32_t>(std::clamp<int64_t>(paletteInfo, INT32_MIN, INT32_MAX));
    if (kept == _paletteInfo) return;
    if (_parent) _parent->countChildPaletteInfo(_paletteInfo, false);
    _paletteInfo = kept;
    if (_parent) _parent->countChildPaletteInfo(_paletteInfo, true);
}

void MindMapNode::renumberChildrenFrom(size_t index)
{
    for (size_t i = index; i < _children.size(); ++i) _children[i]->_indexInParent = static_cast<uint32_t>(i);
}

void MindMapNode::moveChildFromIndex(int64_t fromIndex, int64_t toIndex)
{
    const auto count = static_cast<int64_t>(_children.size());
    if (fromIndex == toIndex || fromIndex < 0 || fromIndex >= count || toIndex < 0 || toIndex >= count) return;
    auto first = _children.begin();
    if (fromIndex < toIndex) std::rotate(first + fromIndex, first + fromIndex + 1, first + toIndex + 1);
    else std::rotate(first + toIndex, first + fromIndex, first + fromIndex + 1);
    const auto low = static_cast<size_t>(std::min(fromIndex, toIndex));
    const auto high = static_cast<size_t>(std::max(fromIndex, toIndex));
    for (size_t i = low; i <= high; ++i) _children[i]->_indexInParent = static_cast<uint32_t>(i);
    childrenChanged(low, high);
}

void MindMapNode::hierarchyChanged()
{
    MindMap* map = reportingMap();
    if (!map || _isLoading) return;
    invalidateAutoNumberPath();
    map->hierarchyChanged();
}

void MindMapNode::childrenChanged(size_t first, size_t last)
{
    MindMap* map = reportingMap();
    if (!map || _isLoading) return;
    // Only the children whose position changed, and their branches, get new numbers; the rest of
    // the branch keeps its labels. Invalidating the whole branch on every change would make
    // building or clearing a wide branch quadratic.
    for (size_t i = first; i <= last && i < _children.size(); ++i) _children[i]->invalidateAutoNumberPath();
    map->hierarchyChanged();
}

MindMapNode* MindMapNode::childAtIndex(size_t index) const
{
    return index < _children.size() ? _children[index] : nullptr;
}

size_t MindMapNode::indexOfChild(const MindMapNode* node) const
{
    if (!node || node->_parent != this) return NotFound;
    return node->_indexInParent;
}

MindMapNode* MindMapNode::getRootNode()
{
    MindMapNode* node = this;
    while (node->_parent) node = node->_parent;
    return node;
}

size_t MindMapNode::themeIndex() const
{
    MindMap* map = mindMap();
    if (!map) return NotFound;
    const std::vector<MindMapNode*>& themes = map->centralThemes();
    const size_t hint = extrasOrDefaults().themeIndexHint;
    if (hint < themes.size() && themes[hint] == this) return hint;
    // The positions of all central themes are kept for the map asked last, so that numbering a
    // map with many central themes does not search the list once per theme. A kept position is
    // trusted only when the list still holds the node there; anything else rebuilds the table.
    ThemePositions& kept = ThemePositions::shared();
    if (kept.map == map) {
        auto found = kept.positions.find(this);
        if (found != kept.positions.end() && found->second < themes.size() && themes[found->second] == this) {
            if (found->second != 0 || _extras) extras().themeIndexHint = found->second;
            return found->second;
        }
    }
    kept.map = map;
    kept.positions.clear();
    kept.positions.reserve(themes.size());
    for (size_t i = 0; i < themes.size(); ++i) kept.positions.emplace(themes[i], i);
    auto found = kept.positions.find(this);
    if (found == kept.positions.end()) return NotFound;
    if (found->second != 0 || _extras) extras().themeIndexHint = found->second;
    return found->second;
}

size_t MindMapNode::indexInParent() const
{
    if (_parent) return _indexInParent;
    const size_t index = themeIndex();
    return index == NotFound ? 0 : index;
}

bool MindMapNode::isLastChild() const
{
    return _parent && _parent->_children.back() == this;
}

MindMapNode* MindMapNode::nextSibling() const
{
    if (_parent) {
        size_t next = _indexInParent + 1;
        return next < _parent->_children.size() ? _parent->_children[next] : nullptr;
    }
    const size_t index = themeIndex();
    if (index == NotFound) return nullptr;
    const std::vector<MindMapNode*>& themes = mindMap()->centralThemes();
    return index + 1 < themes.size() ? themes[index + 1] : nullptr;
}

MindMapNode* MindMapNode::nextNode() const
{
    if (!_children.empty()) return _children.front();
    for (const MindMapNode* node = this; node; node = node->_parent) {
        if (MindMapNode* sibling = node->nextSibling()) return sibling;
    }
    return nullptr;
}

bool MindMapNode::isValidParentNode(const MindMapNode* node) const
{
    for (const MindMapNode* ancestor = node; ancestor; ancestor = ancestor->_parent) {
        if (ancestor == this) return false;
    }
    return true;
}

size_t MindMapNode::branchLevels() const
{
    size_t deepest = 0;
    std::vector<std::pair<const MindMapNode*, size_t>> pending{{this, 1}};
    while (!pending.empty()) {
        const auto [node, level] = pending.back();
        pending.pop_back();
        deepest = std::max(deepest, level);
        for (const MindMapNode* child : node->_children) pending.emplace_back(child, level + 1);
    }
    return deepest;
}

void MindMapNode::collectNodeAndChildrenInArray(std::vector<MindMapNode*>& nodes)
{
    std::vector<MindMapNode*> pending{this};
    while (!pending.empty()) {
        MindMapNode* node = pending.back();
        pending.pop_back();
        nodes.push_back(node);
        pending.insert(pending.end(), node->_children.rbegin(), node->_children.rend());
    }
}

void MindMapNode::setLocation(Point location)
{
    location = sanitizedPoint(location);
    if (location == _location) return;
    _location = location;
    MindMap* map = reportingMap();
    if (!map || !map->autoLayoutBusy()) includeNodeUpdateState(UpdateOuterSize);
}

void MindMapNode::translateMindMapNodes(const std::vector<MindMapNode*>& nodes, double dx, double dy)
{
    for (MindMapNode* node : nodes) {
        if (!node) continue;
        Point location = node->location();
        node->setLocation({location.x + dx, location.y + dy});
    }
}

// ---- Visibility, collapse and hide ----

void MindMapNode::storeVisible(bool visible)
{
    if (visible == _visible) return;
    _visible = visible;
    includeNodeUpdateState(UpdateOuterSize);
}

void MindMapNode::setVisible(bool visible)
{
    storeVisible(visible);
    updateChildrenVisibility();
}

void MindMapNode::updateChildrenVisibility()
{
    // Walks the branch with a work list rather than by recursion: a document may nest topics
    // deeper than the stack allows.
    std::vector<MindMapNode*> pending{this};
    while (!pending.empty()) {
        MindMapNode* node = pending.back();
        pending.pop_back();
        const bool showsChildren = node->_visible && !node->_collapsed;
        for (MindMapNode* child : node->_children) {
            child->storeVisible(showsChildren && !child->_hidden);
            pending.push_back(child);
        }
    }
}

bool MindMapNode::storeCollapsed(bool collapsed)
{
    if (!_isLoading && collapsed && _children.empty()) collapsed = false;
    if (collapsed == _collapsed) return false;
    _collapsed = collapsed;
    if (!_isLoading) {
        if (MindMap* map = reportingMap()) map->updateElementTools(this);
        includeNodeUpdateState(UpdateOuterSize);
    }
    return true;
}

void MindMapNode::setCollapsed(bool collapsed)
{
    if (storeCollapsed(collapsed) && !_isLoading) updateChildrenVisibility();
}

void MindMapNode::setIsHidden(bool hidden)
{
    if (hidden == _hidden) return;
    _hidden = hidden;
    if (_isLoading) return;
    if (!_parent) setVisible(!hidden);
    else setVisible(_parent->_visible && !hidden && !_parent->_collapsed);
}

void MindMapNode::setSubtreeCollapsed(bool collapsed)
{
    // The flags of the whole branch first, then one visibility pass: collapsing node by node
    // would walk every branch once per ancestor.
    std::vector<MindMapNode*> nodes;
    collectNodeAndChildrenInArray(nodes);
    bool changed = false;
    for (MindMapNode* node : nodes) changed = node->storeCollapsed(collapsed) || changed;
    if (changed) updateChildrenVisibility();
}

void MindMapNode::fullExpand()
{
    setSubtreeCollapsed(false);
}

void MindMapNode::fullCollapse()
{
    setSubtreeCollapsed(true);
}

// ---- Text and note ----

std::string MindMapNode::validateNodeText(std::string_view text)
{
    if (text.empty()) return std::string();
    // Printable ASCII and line feeds need no change; most texts are such, and a large map
    // sets them all when it is read.
    const bool plain =
        std::all_of(text.begin(), text.end(), [](char c) { return c == '\n' || (c >= 0x20 && c <= 0x7E); });
    if (plain) return std::string(text);
    const std::string normalized = NormalizeNewlines(text);
    std::string result;
    result.reserve(normalized.size());
    size_t pos = 0;
    while (pos < normalized.size()) {
        char32_t c = Utf8::decodeNext(normalized, pos);
        if (c == Utf8::Invalid) c = 0xFFFD;
        else if (isReplacedControlCharacter(c)) c = U' ';
        Utf8::append(result, c);
    }
    return result;
}

void MindMapNode::setText(std::string_view text)
{
    std::string validated = validateNodeText(text);
    if (validated == this->text()) return;
    if (_sourceText) *_sourceText = std::move(validated);
    else _sourceText = std::make_unique<std::string>(std::move(validated));
    if (_isLoading) return;
    includeNodeUpdateState(UpdateText);
    MindMap* map = reportingMap();
    if (!map) return;
    map->invalidateSearchMatches();
    map->hierarchyChanged();
    // Only a central theme can be the main one; asking the map about other nodes is wasted.
    if (!_parent && map->mainCentralTheme() == this) map->titleChanged();
}

void MindMapNode::applyWrappedText(const std::string& text)
{
    setText(text);
}

void MindMapNode::setNote(std::string_view note)
{
    std::string validated = validateNodeText(trimmedWhitespaceAndNewlines(note));
    if (validated == this->note()) return;
    const bool hadNote = hasNote();
    extras().note = std::move(validated);
    if (_isLoading) return;
    MindMap* map = reportingMap();
    if (hadNote != hasNote()) {
        includeNodeUpdateState(UpdateAppearance);
        if (map) map->hierarchyChanged();
    }
    if (!map) return;
    map->invalidateSearchMatches();
    if (isSelected()) map->modelessAttributeChanged(this, 0);
}

std::string MindMapNode::stringForToolTip(void*, Point, void*)
{
    return TextExcerpt::excerpt(note(), TextExcerpt::Passage);
}

void MindMapNode::setEditingState(int32_t editingState)
{
    if (editingState == _editingState) return;
    _editingState = editingState;
    includeNodeUpdateState(UpdateText);
}

// ---- Relations and style ----

void MindMapNode::styleChanged(ElementStyle*)
{
    if (_isLoading) return;
    includeNodeUpdateState(UpdateFont);
    reevaluateSubtreeStyle();
}

void MindMapNode::reevaluateSubtreeStyle()
{
    MindMap* map = reportingMap();
    StyleSheet* styleSheet = map ? map->styleSheet() : nullptr;
    if (!styleSheet) return;
    std::vector<MindMapNode*> pending{this};
    while (!pending.empty()) {
        MindMapNode* node = pending.back();
        pending.pop_back();
        // A node still being read gets its style when its map validates after loading.
        if (node->_isLoading) continue;
        styleSheet->applyDefaultNodeStyle(node);
        pending.insert(pending.end(), node->_children.rbegin(), node->_children.rend());
    }
}

void MindMapNode::mapNodeStyleChanged()
{
    includeNodeUpdateState(UpdateText | UpdateOuterSize);
}

MindMapNode::OwnStyle::OwnStyle(MindMapNode& node, std::shared_ptr<NodeStyle> parentStyle)
    : node(node), style(std::move(parentStyle))
{
    style.setListener(this);
}

NodeStyle* MindMapNode::style() const
{
    if (!_style) {
        const MindMapStyle* mapStyle = mindMap() ? mindMap()->style() : nullptr;
        _style =
            std::make_unique<OwnStyle>(const_cast<MindMapNode&>(*this), mapStyle ? mapStyle->nodeStyle() : nullptr);
    }
    return &_style->style;
}

const NodeStyle& MindMapNode::currentStyle() const
{
    if (_style) return _style->style;
    if (const MindMapStyle* mapStyle = givenMap() ? givenMap()->style() : nullptr) return mapStyle->blankNodeStyle();
    static const NodeStyle detached;
    return detached;
}

void MindMapNode::setColorPaletteIndex(int64_t index)
{
    setPaletteInfo(index + 1);
    // A node without a style of its own has no colour to hand back.
    if (_style) _style->style.clearColorCustomization();
    reevaluateSubtreeStyle();
}

void MindMapNode::resetPaletteColor()
{
    setPaletteInfo(0);
    reevaluateSubtreeStyle();
}

void MindMapNode::setColor(const std::optional<Color>& color)
{
    if (!color) return;
    setCustomFillColor(color, MMColorScheme::getReducedLuminanceStrokeColor(*color), std::nullopt);
}

void MindMapNode::setCustomFillColor(const std::optional<Color>& fillColor, const std::optional<Color>& strokeColor,
                                     const std::optional<Color>& textColor)
{
    NodeStyle& style = *this->style();
    ElementStyle::UpdateGuard batch(style);
    if (fillColor) {
        style.setPropCustomized(TextStyle::FillColorMask, true);
        style.setFillColor(fillColor);
    }
    if (strokeColor) {
        style.setPropCustomized(NodeStyle::StrokeColorMask, true);
        style.setStrokeColor(strokeColor);
    }
    if (textColor) {
        style.setPropCustomized(TextStyle::TextColorMask, true);
        style.setTextColor(textColor);
    }
}

void MindMapNode::clearStyleCustomization()
{
    MindMap* map = reportingMap();
    StyleSheet* styleSheet = map ? map->styleSheet() : nullptr;
    // Parents before children, so that a child can take over the colours its parent has just
    // received. Each style is reset without telling the node: the listener would restyle the
    // whole branch below every node once more, which for a long chain of topics is quadratic;
    // the walk restyles each node once instead.
    std::vector<std::pair<MindMapNode*, int64_t>> pending{{this, nodeLevel()}};
    while (!pending.empty()) {
        const auto [node, level] = pending.back();
        pending.pop_back();
        if (level >= 2) node->setPaletteInfo(0);
        if (OwnStyle* own = node->_style.get()) {
            own->style.setListener(nullptr);
            own->style.reset();
            own->style.setListener(own);
        }
        node->includeNodeUpdateState(UpdateFont);
        if (styleSheet) styleSheet->applyDefaultNodeStyle(node);
        for (auto child = node->_children.rbegin(); child != node->_children.rend(); ++child)
            pending.emplace_back(*child, level + 1);
    }
}

void MindMapNode::applyPreset(const ElementStyle* style)
{
    const auto* preset = dynamic_cast<const NodeStyle*>(style);
    if (!preset) return;
    NodeStyle& own = *this->style();
    ElementStyle::UpdateGuard batch(own);
    own.merge(preset);
    // A preset that gives a border width but no border style would otherwise stay invisible on a
    // topic without border.
    if (preset->isPropCustomized(NodeStyle::BorderWidthMask) && preset->borderWidth() > 0 &&
        !preset->isPropCustomized(NodeStyle::BorderStyleMask) && own.borderStyle() == NodeStyle::NoBorder) {
        own.setPropCustomized(NodeStyle::BorderStyleMask, true);
        own.setBorderStyle(0);
    }
}

void MindMapNode::assignToStyle(NodeStyle* target) const
{
    if (!target) return;
    ElementStyle::UpdateGuard batch(*target);
    target->assign(&currentStyle());
    target->setBorderWidth(borderWidth());
    target->setFillColor(fillColor());
    target->setStrokeColor(strokeColor());
    target->setTextColor(textColor());
    if (const std::optional<Font>& font = this->font(); !currentStyle().isPropCustomized(TextStyle::FontMask) && font) {
        target->setFontStyle(SwapBoldItalicBits(font->traits()));
        target->setFontSize(font->pointSize());
    }
}

double MindMapNode::borderWidth() const
{
    return currentStyle().isPropDefined(NodeStyle::BorderWidthMask) ? currentStyle().borderWidth() : 2.0;
}

double MindMapNode::borderInset() const
{
    return currentStyle().borderStyle() == NodeStyle::NoBorder ? 0.0 : 5.0 - borderWidth() / 2;
}

void MindMapNode::setColorSchemeFillColor(const Color& color)
{
    if (color == _look->schemeColors->fill) return;
    SchemeColors colors = *_look->schemeColors;
    colors.fill = color;
    changeLook([&](Look& look) { look.schemeColors = shareSchemeColors(colors); });
    includeNodeUpdateState(UpdateAppearance);
}

void MindMapNode::setColorSchemeStrokeColor(const Color& color)
{
    if (color == _look->schemeColors->stroke) return;
    SchemeColors colors = *_look->schemeColors;
    colors.stroke = color;
    changeLook([&](Look& look) { look.schemeColors = shareSchemeColors(colors); });
    includeNodeUpdateState(UpdateAppearance);
}

void MindMapNode::setColorSchemeTextColor(const Color& color)
{
    if (color == _look->schemeColors->text) return;
    SchemeColors colors = *_look->schemeColors;
    colors.text = color;
    changeLook([&](Look& look) { look.schemeColors = shareSchemeColors(colors); });
    includeNodeUpdateState(UpdateText);
}

Color MindMapNode::fillColor() const
{
    return currentStyle().fillColor().value_or(_look->schemeColors->fill);
}

Color MindMapNode::strokeColor() const
{
    return currentStyle().strokeColor().value_or(_look->schemeColors->stroke);
}

Color MindMapNode::textColor() const
{
    return currentStyle().textColor().value_or(_look->schemeColors->text);
}

void MindMapNode::setFont(const std::optional<Font>& font)
{
    if (font == this->font()) return;
    changeLook([&](Look& look) { look.font = shareFont(font, look.styleSheetFont); });
    if (font) setMinSize(MinTextSizeCalculator::instance().minTextSizeForFont(*font));
}

uint64_t MindMapNode::fontEffects() const
{
    return currentStyle().isPropCustomized(TextStyle::FontMask) ? currentStyle().fontStyle() : 0;
}

void MindMapNode::setStyleSheetFont(const std::optional<Font>& font)
{
    if (font == styleSheetFont()) return;
    changeLook([&](Look& look) { look.styleSheetFont = shareFont(font, look.font); });
    if (font) includeNodeUpdateState(UpdateFont);
}

// ---- Update state ----

void MindMapNode::includeNodeUpdateState(uint64_t bits)
{
    if (_isLoading) return;
    // A bit no validation step answers would keep the node pending for ever.
    bits &= AllUpdateBits;
    // A display text built ahead of a batch measurement no longer stands for the node.
    if (bits & (UpdateDefaultStyle | UpdateFont | UpdateText)) {
        _textPrepared = false;
        _hasPreparedTextSize = false;
    }
    if (MindMap* map = mindMap(); map && bits != 0) map->noteStatesPending();
    if ((_updateState & bits) == bits) return;
    if (_updateState != 0) {
        _updateState |= bits;
        return;
    }
    _updateState = static_cast<uint8_t>(bits);
    if (_validatingState) return;
    if (MindMap* map = reportingMap()) map->elementInvalidated(this);
}

void MindMapNode::prepareTextForMeasuring()
{
    // Each step may record further bits (applying the style sheet changes the font, a new font
    // the text): the state is read afresh before every step. A step that ran clears its bit, so
    // that validating after a batch measurement does not run it twice.
    MindMap* map = reportingMap();
    if (_updateState & UpdateDefaultStyle) {
        _updateState &= ~static_cast<uint64_t>(UpdateDefaultStyle);
        if (StyleSheet* styleSheet = map ? map->styleSheet() : nullptr) styleSheet->applyDefaultNodeStyle(this);
    }
    if (_updateState & UpdateFont) {
        _updateState &= ~static_cast<uint64_t>(UpdateFont);
        if (const std::optional<Font>& font = styleSheetFont()) setFont(currentStyle().derivedFont(*font));
        _updateState |= UpdateText;
        _hasPreparedTextSize = false;
        _textPrepared = false;
    }
    if ((_updateState & UpdateText) && !_textPrepared) {
        AttributedString display;
        if (!text().empty()) {
            display = MarkdownSpanParser::markdownToAttributedString(text(), font().value_or(Font()),
                                                                     static_cast<unsigned>(fontEffects()));
            const TextRange whole{0, display.length()};
            display.setAlignment(whole, TextAlignmentForStyleAlignment(currentStyle().alignment()));
            display.setColor(whole, textColor());
        }
        adoptDisplayText(std::move(display));
    }
    _textPrepared = true;
}

void MindMapNode::adoptDisplayText(AttributedString display)
{
    if (display.string() == text()) {
        _displayText = std::move(display);
        _sourceText.reset();
        return;
    }
    if (!_sourceText) _sourceText = std::make_unique<std::string>(_displayText.string());
    _displayText = std::move(display);
}

void MindMapNode::measureTextsAhead(const std::vector<MindMapNode*>& nodes, const std::vector<CrossLink*>& crossLinks)
{
    std::vector<MindMapNode*> waiting;
    std::vector<MindMapText*> waitingFreeTexts;
    std::vector<const AttributedString*> texts;
    // Labels on relations are free texts as well: left out, each would be laid out alone later.
    auto collectFreeTexts = [&](const CompositeElement& owner) {
        if (!owner.hasContainedElements()) return;
        for (ContainedElement* element : owner.containedElements()) {
            auto* freeText = dynamic_cast<MindMapText*>(element);
            if (freeText && freeText->prepareTextForMeasuring()) waitingFreeTexts.push_back(freeText);
        }
    };
    auto measureWaiting = [&] {
        for (MindMapText* freeText : waitingFreeTexts) texts.push_back(&freeText->displayText());
        if (!texts.empty()) {
            const std::vector<Size> sizes = TextMeasurer::shared().sizesForAttributedStrings(texts);
            for (size_t i = 0; i < waiting.size(); ++i) {
                waiting[i]->_textSize = sizes[i];
                waiting[i]->_hasPreparedTextSize = true;
            }
            for (size_t i = 0; i < waitingFreeTexts.size(); ++i)
                waitingFreeTexts[i]->setPreparedTextSize(sizes[waiting.size() + i]);
        }
        waiting.clear();
        waitingFreeTexts.clear();
        texts.clear();
    };
    for (size_t index = 0; index < nodes.size(); ++index) {
        MindMapNode* node = nodes[index];
        if (!node->_isLoading && node->_updateState != 0 && !node->_validatingState) {
            node->_validatingState = true;
            node->prepareTextForMeasuring();
            node->_validatingState = false;
            if ((node->_updateState & UpdateText) && !node->text().empty()) {
                waiting.push_back(node);
                texts.push_back(&node->_displayText);
            }
        }
        collectFreeTexts(*node);
        collectFreeTexts(*node->parentRelation());
        // The last batch takes the rest of the topics when they are fewer than a batch: it stays
        // a large one too.
        if (waiting.size() + waitingFreeTexts.size() >= AheadMeasureBatchSize &&
            nodes.size() - index - 1 >= AheadMeasureBatchSize)
            measureWaiting();
    }
    for (const CrossLink* link : crossLinks) collectFreeTexts(*link);
    measureWaiting();
}

void MindMapNode::validateNodeState()
{
    if (_isLoading || (_updateState == 0 && !_textPrepared) || _validatingState) return;
    _validatingState = true;
    MindMap* map = reportingMap();
    prepareTextForMeasuring();
    if (_updateState & UpdateText) {
        if (!text().empty()) {
            const Size measured = _hasPreparedTextSize ? _textSize : calcAttributedStringSize(_displayText);
            const Size minSize = _look->minSize;
            _textSize = {std::max(measured.width, minSize.width), std::max(measured.height, minSize.height)};
        } else {
            _textSize = _look->minSize;
        }
        _updateState |= UpdateOuterSize;
    }
    _textPrepared = false;
    _hasPreparedTextSize = false;
    // A picture or a date alone: no room is kept for the empty text, unless it is being typed.
    if ((hasEmbeddedImage() || hasDate()) && text().empty() && !isEditing()) _textSize = Size();
    if (_updateState & UpdateAutoNumber) doValidateAutoNumberPath();

    Size content = calculateTextContentSize();
    if (embeddedImage()) {
        if (!(isTextCollapsed() && !hasDate())) content.height += 4;
        const Size imageSize = embeddedImage()->size();
        content.height += imageSize.height;
        content.width = std::max(content.width, imageSize.width);
    }
    // Every border style the painter and the sizes know is small: one beyond a byte is as unknown
    // to them at the byte's end.
    const auto styleBorder = static_cast<int8_t>(std::clamp<int32_t>(currentStyle().borderStyle(), INT8_MIN, INT8_MAX));
    if (_borderStyle != styleBorder) {
        _borderStyle = styleBorder;
        _updateState |= UpdateOuterSize;
    }
    if (_updateState & UpdateDateText) doValidateDateText();
    if (hasDate()) {
        content.height += dateTextSize().height;
        if (!isTextCollapsed()) content.height += 4;
        content.width = std::max(content.width, dateTextSize().width);
    }
    if (_updateState & UpdateOuterSize) {
        validateOuterSize(content.width, content.height);
        if (map) map->elementBoundsChanged(this);
    }
    _validatingState = false;
    _updateState = 0;
}

void MindMapNode::validateOuterSize(double width, double height)
{
    Size size{width + 16, height + 16};
    if (!(hasEmbeddedImage() && text().empty())) size.height += 0.41 * _look->minSize.height;
    switch (_borderStyle) {
    case 0: // rounded rectangle
    case 2: // drop rounded rectangle
        size.width += 3;
        break;
    case 1: // half round
        size.width += 2 * halfRoundArcRadius() / 3;
        break;
    case 3: // ellipse
        size.width = size.width * 1.3 + 4;
        size.height = height * 1.41 + 16;
        break;
    case 4: // rectangle
        break;
    case 5: // diamond
        size.width = (width + 4) + (height + 4) / DiamondSlope;
        size.height = size.width * DiamondSlope;
        break;
    case 6: // cloud
        size.width = (width + 12) * CloudWidthFactor;
        size.height = (height + 12) * CloudHeightFactor;
        break;
    case NodeStyle::NoBorder:
        size.width = width + 8;
        size.height = height + 4;
        break;
    default:
        break;
    }
    _size = size;
}

// ---- Sizes and text measuring ----

Rect MindMapNode::bounds() const
{
    return {_location.x - _size.width / 2, _location.y - _size.height / 2, _size.width, _size.height};
}

void MindMapNode::setMinSize(Size minSize)
{
    if (minSize == _look->minSize) return;
    changeLook([&](Look& look) {
        look.minSize = minSize;
        look.hasMinSize = true;
    });
    includeNodeUpdateState(UpdateText);
}

Size MindMapNode::calcAttributedStringSize(const AttributedString& text)
{
    return TextMeasurer::shared().sizeForAttributedString(text);
}

bool MindMapNode::autoNumberBoxCounts() const
{
    MindMap* map = mindMap();
    return autoNumberIconWidth() > 0 && map && map->autoNumberStyle() == AutoNumberInside;
}

Size MindMapNode::linkIconSize() const
{
    if (!diagramLink()) return Size();
    NodeIcon* linkIcon = diagramLink()->icon();
    return linkIcon ? linkIcon->size() : Size();
}

bool MindMapNode::hasTextAdornments() const
{
    return icon() || hasVoiceMemo() || showCheckbox() || diagramLink() || autoNumberBoxCounts();
}

bool MindMapNode::isTextCollapsed() const
{
    return hasEmbeddedImage() && text().empty() && !hasTextAdornments();
}

bool MindMapNode::showsOnlyDate() const
{
    return !hasEmbeddedImage() && text().empty() && !hasTextAdornments();
}

Size MindMapNode::calculateTextContentSize() const
{
    Size size = _textSize;
    if (autoNumberBoxCounts()) {
        size.width += autoNumberIconWidth() + AdornmentGap;
        size.height = std::max(size.height, AutoNumberBoxHeight);
    }
    if (showCheckbox()) {
        size.width += AdornmentBoxSide + AdornmentGap;
        size.height = std::max(size.height, AdornmentBoxSide);
    }
    if (icon()) {
        const Size iconSize = icon()->size();
        size.width += iconSize.width + AdornmentGap;
        size.height = std::max(size.height, iconSize.height);
    }
    if (diagramLink()) {
        const Size iconSize = linkIconSize();
        size.width += iconSize.width + AdornmentGap;
        size.height = std::max(size.height, iconSize.height);
    }
    if (hasVoiceMemo()) {
        size.width += AdornmentBoxSide + AdornmentGap;
        size.height = std::max(size.height, AdornmentBoxSide);
    }
    return size;
}

// ---- Word wrap ----

namespace {

// A topic as a wrap reads and rewrites it. A topic is no wrappable element itself, which would
// cost every topic of a map a pointer for what only a wrap asks.
class TopicWrapElement : public WordWrappableElement {
public:
    explicit TopicWrapElement(MindMapNode& node) : _node(node) {}
    const std::string& text() const override { return _node.text(); }
    Size textSize() override { return _node.textSize(); }
    Size minTextSize() override { return _node.minTextSize(); }
    Size calcTextSize(const std::string& text) override { return _node.calcTextSize(text); }
    void applyWrappedText(const std::string& text) override { _node.applyWrappedText(text); }

private:
    MindMapNode& _node;
};

// The wrap a topic holds while the user drags its wrap handle, keeping the element the wrap state
// points at for as long as the state lives.
class TopicWrap : public WordWrapping {
public:
    explicit TopicWrap(MindMapNode& node) : _element(node), _state(MapLayouter::shared().wordWrapping(&_element)) {}
    bool isMade() const { return _state != nullptr; }
    void setWrapWidth(int64_t width) override { _state->setWrapWidth(width); }
    int64_t maxWrapWith() const override { return _state->maxWrapWith(); }
    int64_t minWrapWith() const override { return _state->minWrapWith(); }

private:
    TopicWrapElement _element;
    std::unique_ptr<WordWrapping> _state;
};

} // namespace

void MindMapNode::wordWrappingStarted()
{
    auto wrap = std::make_unique<TopicWrap>(*this);
    if (wrap->isMade()) decorations().wrapState = std::move(wrap);
    else decorations().wrapState.reset();
}

void MindMapNode::wordWrappingEnded()
{
    if (_extras) _extras->decorations.wrapState.reset();
}

void MindMapNode::setWrapWidth(int64_t width)
{
    if (WordWrapping* wrap = activeWrap()) wrap->setWrapWidth(width);
}

int64_t MindMapNode::maxWrapWidth() const
{
    return activeWrap() ? activeWrap()->maxWrapWith() : roundedFloat(_textSize.width);
}

int64_t MindMapNode::minWrapWidth() const
{
    return activeWrap() ? activeWrap()->minWrapWith() : roundedFloat(_textSize.width);
}

void MindMapNode::applyDefaultWrap(bool force)
{
    validateNodeState();
    TopicWrapElement element(*this);
    applyDefaultWrap(element, force);
}

namespace {

// The ratio of width to height a default wrap starts from, when the text gets one: a text of
// several words far wider than high; forced, also any text of several words or lines.
std::optional<double> defaultWrapRatio(const std::string& text, Size textSize, bool force)
{
    if (textSize.height <= 0 || text.empty()) return std::nullopt;
    const bool hasSpace = text.find(' ') != std::string::npos;
    const bool hasNewline = text.find('\n') != std::string::npos;
    if (hasSpace) {
        const double ratio = textSize.width / textSize.height;
        if (!force && (ratio <= 10 || hasNewline)) return std::nullopt;
        return ratio;
    }
    if (!force || !hasNewline) return std::nullopt;
    return 0.0;
}

int64_t defaultWrapWidth(double ratio, double base)
{
    // Wider texts get relatively narrower: 0.6 of the width up to a ratio of 29, 0.4 up to 59...
    const int64_t n = roundedFloat(ratio);
    const double factor = 1.2 / static_cast<double>(n / 30 + 2);
    return roundedFloat(factor * base);
}

} // namespace

void MindMapNode::applyDefaultWrap(WordWrappableElement& element, bool force)
{
    const Size textSize = element.textSize();
    std::optional<double> ratio = defaultWrapRatio(element.text(), textSize, force);
    if (!ratio) return;
    const std::unique_ptr<WordWrapping> wrapState = MapLayouter::shared().wordWrapping(&element);
    if (!wrapState) return;
    if (force) ratio = static_cast<double>(wrapState->maxWrapWith()) / std::max(6.0, element.minTextSize().height);
    const double base = force ? static_cast<double>(wrapState->maxWrapWith()) : textSize.width;
    wrapState->setWrapWidth(defaultWrapWidth(*ratio, base));
}

void MindMapNode::applyDefaultWraps(const std::vector<MindMapNode*>& nodes, size_t batchSize)
{
    // A topic as its wrap reads it, measuring in the topic's font through the sizer of the thread
    // it is wrapped on. The topics stay as they are while the threads read them, so the text is
    // read in place (a large import would otherwise hold each text twice), and the wrapped text
    // is kept until the batch is done: the wrap that found it is not run again on the topic.
    struct AheadElement : WordWrappableElement {
        AheadElement(MindMapNode& node, int64_t wrapWidth)
            : node(&node), size(node._textSize), minSize(node._look->minSize), font(node._look->font), width(wrapWidth)
        {
        }
        const std::string& text() const override { return node->text(); }
        Size textSize() override { return size; }
        Size minTextSize() override { return minSize; }
        Size calcTextSize(const std::string& string) override
        {
            return font && *font && sizer ? sizer->sizeForText(string, **font) : Size();
        }
        void applyWrappedText(const std::string& text) override { wrapped = text; }

        MindMapNode* node;
        Size size;
        Size minSize;
        SharedFont font;
        int64_t width;
        PlainTextSizer* sizer = nullptr;
        std::optional<std::string> wrapped;
    };

    // A batch at a time: nearly every topic of an imported outline qualifies, and a list of them
    // all would be alive beside the topics. A batch still gives every thread plenty to measure.
    std::vector<AheadElement> elements;
    batchSize = std::max<size_t>(batchSize, 1);
    elements.reserve(std::min(nodes.size(), batchSize));
    auto wrapBatch = [&elements] {
        if (elements.empty()) return;
        TextMeasurer::shared().measureTextsAhead(elements.size(), [&](size_t i, PlainTextSizer& sizer) {
            AheadElement& element = elements[i];
            element.sizer = &sizer;
            if (std::unique_ptr<WordWrapping> wrapState = MapLayouter::shared().wordWrapping(&element))
                wrapState->setWrapWidth(element.width);
        });
        // Each topic's wrap depends on the topic alone: given now, the texts come out as wrapping
        // one topic after the other gives them.
        for (AheadElement& element : elements)
            if (element.wrapped) element.node->applyWrappedText(*element.wrapped);
        elements.clear();
    };
    for (MindMapNode* node : nodes) {
        // As applyDefaultWrap() finds the topic.
        node->validateNodeState();
        if (std::optional<double> ratio = defaultWrapRatio(node->text(), node->_textSize, false))
            elements.emplace_back(*node, defaultWrapWidth(*ratio, node->_textSize.width));
        if (elements.size() == batchSize) wrapBatch();
    }
    wrapBatch();
}

Size MindMapNode::calcTextSize(const std::string& text)
{
    const std::optional<Font>& font = this->font();
    return font ? TextSizeCalculator::instance().sizeForText(text, *font) : Size();
}

// ---- Fields of the documents ----

void MindMapNode::setId(int64_t nodeId)
{
    if (nodeId == _id) return;
    _id = nodeId;
    if (MindMap* map = reportingMap()) map->nodeIdChanged();
}

// ---- Hull ----

void MindMapNode::setHullStyle(std::unique_ptr<NodeHullStyle> hullStyle)
{
    if (!hullStyle && !this->hullStyle()) return;
    decorations().hullStyle = std::move(hullStyle);
    // Hull depths below this node change with it.
    treeChanged();
    if (!_isLoading) includeNodeUpdateState(UpdateOuterSize);
}

NodeHullStyle* MindMapNode::assureHullStyle()
{
    if (!hullStyle()) setHullStyle(std::make_unique<NodeHullStyle>());
    return hullStyle();
}

bool MindMapNode::showHull() const
{
    return hullStyle() && _parent;
}

int64_t MindMapNode::hullLevel() const
{
    if (!showHull()) return 0;
    refreshTreeCache();
    return _layout.hullDepth;
}

// ---- Icon and embedded image ----

const std::string& MindMapNode::iconName() const
{
    static const std::string none;
    return icon() ? icon()->imageName() : none;
}

void MindMapNode::setIconName(const std::string& iconName)
{
    if (iconName == this->iconName()) return;
    if (_extras) _extras->decorations.icon.reset();
    if (!iconName.empty()) {
        if (CustomIcon::isCustomIconImageName(iconName))
            decorations().icon = std::make_unique<CustomIcon>(this, iconName);
        else decorations().icon = std::make_unique<StockIcon>(iconName);
    }
    includeNodeUpdateState(UpdateOuterSize);
    if (_isLoading) return;
    if (MindMap* map = reportingMap()) map->invalidateSearchMatches();
}

void MindMapNode::collectReferencedIcons(std::set<std::string>& icons) const
{
    if (icon()) icons.insert(icon()->imageName());
}

void MindMapNode::nodeIconChanged(NodeIcon*)
{
    includeNodeUpdateState(UpdateOuterSize);
}

std::string MindMapNode::embeddedImageName() const
{
    return embeddedImage() ? embeddedImage()->imageHash() : std::string();
}

void MindMapNode::setEmbeddedImageName(const std::string& imageHash)
{
    if (imageHash == embeddedImageName()) return;
    if (_extras) _extras->decorations.embeddedImage.reset();
    if (!imageHash.empty())
        // The picture's first size reports the change through nodeIconChanged().
        decorations().embeddedImage = std::make_unique<EmbeddedImage>(this, imageHash);
    else includeNodeUpdateState(UpdateText | UpdateOuterSize);
}

namespace {

CustomIcon* asCustomIcon(NodeIcon* icon)
{
    return dynamic_cast<CustomIcon*>(icon);
}

} // namespace

bool MindMapNode::containsImages() const
{
    return asCustomIcon(icon()) || hasCustomImages() || embeddedImage() ||
        (diagramLink() && asCustomIcon(diagramLink()->icon()));
}

void MindMapNode::collectReferencedImages(std::set<std::string>& images) const
{
    for (const ContainedElement* element : containedElements()) element->collectReferencedImages(images);
    if (CustomIcon* customIcon = asCustomIcon(icon())) images.insert(customIcon->imageHash());
    if (embeddedImage()) images.insert(embeddedImage()->imageHash());
    if (diagramLink()) {
        if (CustomIcon* contactPicture = asCustomIcon(diagramLink()->icon()))
            images.insert(contactPicture->imageHash());
    }
}

void MindMapNode::assignDefaultLocation(ContainedElement* element)
{
    if (!element) return;
    // Just above the topic, with a gap of 2.
    const double height = element->bounds().height();
    element->setRelLocation({0, -((height + _size.height) / 2 + 2)});
}

void MindMapNode::customImagesChanged(const std::string& imageHash, int operation)
{
    CompositeElement::customImagesChanged(imageHash, operation);
    if (CustomIcon* customIcon = asCustomIcon(icon())) customIcon->customImagesChanged(imageHash, operation);
    if (diagramLink()) {
        if (CustomIcon* contactPicture = asCustomIcon(diagramLink()->icon()))
            contactPicture->customImagesChanged(imageHash, operation);
    }
    if (embeddedImage()) embeddedImage()->customImagesChanged(imageHash, operation);
}
