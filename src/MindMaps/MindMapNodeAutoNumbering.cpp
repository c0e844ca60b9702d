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

const std::string& MindMapNode::autoNumberPath() const
{
    if (_autoNumberPathPending) {
        std::string label = calcAutoNumberPath();
        if (!label.empty() || _extras) extras().autoNumberPath = std::move(label);
        _autoNumberPathPending = false;
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
            Extras& extras = this->extras();
            extras.autoNumberPath = calcAutoNumberPath();
            _autoNumberPathPending = false;
            extras.autoNumberTextSize =
                TextSizeCalculator::instance().sizeForText(extras.autoNumberPath, StyleSheet::autoNumberFont());
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
