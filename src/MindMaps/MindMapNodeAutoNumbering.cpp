#include "MindMaps/MindMapNode.h"

#include "MindMaps/MindMap.h"
#include "MindMaps/StyleSheet.h"
#include "MindMaps/TextSizeCalculator.h"

#include <algorithm>

bool MindMapNode::hasAutoNumberPath() const
{
    if (_parent) return true;
    MindMap* map = mindMap();
    return map && map->centralThemes().size() > 1;
}

void MindMapNode::invalidateAutoNumberPath()
{
    if (_isLoading) return;
    std::vector<MindMapNode*> nodes;
    collectNodeAndChildrenInArray(nodes);
    for (MindMapNode* node : nodes) node->includeNodeUpdateState(UpdateAutoNumber);
}

std::string MindMapNode::calcAutoNumberPath() const
{
    MindMap* map = mindMap();
    const bool severalThemes = map && map->centralThemes().size() > 1;
    if (!severalThemes && !_parent) return std::string();
    std::vector<size_t> numbers;
    for (const MindMapNode* node = this; node; node = node->_parent) {
        if (!node->_parent && !severalThemes) break;
        numbers.push_back(node->indexInParent() + 1);
    }
    std::string label;
    for (auto number = numbers.rbegin(); number != numbers.rend(); ++number) {
        if (!label.empty()) label += '.';
        label += std::to_string(*number);
    }
    return label;
}

namespace {

// A label is the label above it, a dot and its own number.
std::string labelBelow(const std::string& above, size_t number)
{
    std::string label;
    label.reserve(above.size() + 21);
    label.append(above);
    if (!label.empty()) label += '.';
    label += std::to_string(number);
    return label;
}

// Whether a label ending in the character is as wide as its own width and the width of a dot and
// a number after it: true unless the font kerns the character with the dot.
bool dotJoinsWithoutKerning(char last, const Font& font)
{
    TextSizeCalculator& measure = TextSizeCalculator::instance();
    const double apart = measure.sizeForText(std::string(1, last), font).width + measure.sizeForText(".", font).width;
    return measure.sizeForText(std::string{last, '.'}, font).width == apart;
}

} // namespace

const std::string* MindMapNode::labelAbove() const
{
    static const std::string none;
    if (!_parent) return nullptr;
    if (!_parent->hasAutoNumberPath()) return &none;
    if ((_parent->_updateState & UpdateAutoNumber) || _parent->_autoNumberPathPending || _parent->_isLoading)
        return nullptr;
    return &_parent->extrasOrDefaults().autoNumberPath;
}

void MindMapNode::validateLabelsFromTop()
{
    // Each label is made from the one above it, so the labels above come first: a branch whose
    // labels are all stale costs the length of its labels instead of a walk to the root for each.
    std::vector<MindMapNode*> stale;
    for (MindMapNode* node = this;
         node && (node->_updateState & UpdateAutoNumber) && !node->_validatingState && !node->_isLoading;
         node = node->_parent)
        stale.push_back(node);
    for (auto node = stale.rbegin(); node != stale.rend(); ++node) (*node)->doValidateAutoNumberPath();
}

const std::string& MindMapNode::autoNumberPath() const
{
    if (_autoNumberPathPending) {
        std::vector<const MindMapNode*> pending;
        for (const MindMapNode* node = this; node && node->_autoNumberPathPending; node = node->_parent)
            pending.push_back(node);
        for (auto node = pending.rbegin(); node != pending.rend(); ++node) {
            const std::string* above = (*node)->labelAbove();
            std::string label =
                above ? labelBelow(*above, (*node)->indexInParent() + 1) : (*node)->calcAutoNumberPath();
            if (!label.empty() || (*node)->_extras) (*node)->extras().autoNumberPath = std::move(label);
            (*node)->_autoNumberPathPending = false;
        }
    }
    return extrasOrDefaults().autoNumberPath;
}

const std::string& MindMapNode::validatedAutoNumberPath()
{
    if ((_updateState & UpdateAutoNumber) && !_validatingState) doValidateAutoNumberPath();
    return autoNumberPath();
}

void MindMapNode::doValidateAutoNumberPath()
{
    if (!(_updateState & UpdateAutoNumber)) return;
    if (hasAutoNumberPath()) {
        MindMap* map = mindMap();
        if (map && map->autoNumberStyle() != AutoNumberDisabled) {
            if (_parent) _parent->validateLabelsFromTop();
            const std::string* above = labelAbove();
            Extras& extras = this->extras();
            extras.autoNumberPath = above ? labelBelow(*above, indexInParent() + 1) : calcAutoNumberPath();
            _autoNumberPathPending = false;
            // A label measured whole would cost the square of the depth over a deep branch: the
            // label above was measured already, and only the dot and the number are new.
            const Font& font = StyleSheet::autoNumberFont();
            if (above && !above->empty() && dotJoinsWithoutKerning(above->back(), font)) {
                const Size head = _parent->autoNumberTextSize();
                const Size tail =
                    TextSizeCalculator::instance().sizeForText(extras.autoNumberPath.substr(above->size()), font);
                extras.autoNumberTextSize = {head.width + tail.width, std::max(head.height, tail.height)};
            } else {
                extras.autoNumberTextSize = TextSizeCalculator::instance().sizeForText(extras.autoNumberPath, font);
            }
        } else {
            // Nothing shows the label, and the box does not depend on it: it is made when asked
            // for. A label holds one number per level, so making every label of a deep branch
            // would cost the square of its depth for nothing.
            _autoNumberPathPending = true;
            if (_extras) _extras->autoNumberTextSize = Size();
        }
        _hasAutoNumberBox = true;
    } else {
        if (_extras) _extras->autoNumberTextSize = Size();
        _hasAutoNumberBox = false;
    }
    _updateState &= ~static_cast<uint64_t>(UpdateAutoNumber);
    _updateState |= UpdateOuterSize;
}
