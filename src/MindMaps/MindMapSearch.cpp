#include "MindMaps/MindMap.h"

#include "MindMaps/CrossLink.h"
#include "MindMaps/MindMapNode.h"
#include "MindMaps/MindMapNodeEditor.h"
#include "MindMaps/MindMapText.h"
#include "MindMaps/ParentRelation.h"
#include "MindMaps/SearchMatchListener.h"
#include "Utils/StringUtils.h"

namespace {

// Case-insensitive; an empty search text is found nowhere.
bool containsSearchText(const std::string& text, const std::string& lowerSearchText)
{
    if (lowerSearchText.empty() || text.empty()) return false;
    return lowercased(text).find(lowerSearchText) != std::string::npos;
}

} // namespace

void MindMap::setSearchData(const MindMapSearchData* searchData)
{
    if (searchData) {
        if (searchData->isEqual(_searchData)) return;
        _searchData.assign(*searchData);
    } else {
        if (_searchData.isEmpty()) return;
        _searchData.clear();
    }
    updateSearchMatches();
}

void MindMap::invalidateSearchMatches()
{
    if (_updateCount > 0) {
        _lockedChanges |= MindMapChangeSearchMatches | MindMapChangeHierarchy;
        _progressDirty = true;
        return;
    }
    updateSearchMatches();
}

void MindMap::clearSearchMatchFlags()
{
    // Elements that no search visits any more (all of them, once the criteria are cleared) would
    // otherwise keep showing as matches.
    for (MindMapElement* element : _searchMatches) {
        element->setSearchMatch(false);
        if (auto* node = dynamic_cast<MindMapNode*>(element)) node->setNoteSearchMatch(false);
    }
}

void MindMap::updateSearchMatches()
{
    clearSearchMatchFlags();
    _searchMatches.clear();
    if (searching()) {
        const std::string& lowerSearchText = _searchData.searchText();
        for (size_t i = 0; i < _centralThemes.size(); ++i) searchNode(_centralThemes[i], lowerSearchText);
        for (size_t i = 0; i < _crossLinks.size(); ++i) {
            if (_crossLinks[i]->hasContainedElements()) searchContainedElements(_crossLinks[i], lowerSearchText);
        }
    }
    if (_nodeEditor) _nodeEditor->mindMapChanged();
    if (_searchListener) _searchListener->searchMatchesChanged();
    hierarchyChanged();
}

bool MindMap::nodePassesSearch(MindMapNode* node, const std::string& lowerSearchText)
{
    const uint32_t scope = _searchData.scope();
    bool candidate = false;
    if (scope == 0) {
        node->setNoteSearchMatch(false);
    } else if (scope & SearchScopeText) {
        const bool noteMatches = node->hasNote() && containsSearchText(node->note(), lowerSearchText);
        node->setNoteSearchMatch(noteMatches);
        candidate = noteMatches || containsSearchText(node->text(), lowerSearchText);
    } else {
        node->setNoteSearchMatch(false);
        candidate = true;
    }
    if (!candidate) return false;

    if ((scope & SearchScopeCheckedState) &&
        (!node->showCheckbox() || node->checkedState() != _searchData.checkedState()))
        return false;
    if ((scope & SearchScopeIcon) && !caseInsensitiveEqual(node->iconName(), _searchData.icon())) return false;
    if (scope & SearchScopeDate) {
        if (!node->hasDate()) return false;
        const MindMapSearchData::Date nodeDate = *node->date();
        const MindMapSearchData::Date criteriaDate = _searchData.date();
        if (_searchData.earlierDate() ? !(criteriaDate >= nodeDate) : !(criteriaDate <= nodeDate)) return false;
    }
    return true;
}

void MindMap::searchNode(MindMapNode* theme, const std::string& lowerSearchText)
{
    // Depth first with a stack of our own: a document may nest topics deeper than the call stack
    // allows. Children are pushed last to first so that they come out in order.
    std::vector<MindMapNode*> pending{theme};
    while (!pending.empty()) {
        MindMapNode* node = pending.back();
        pending.pop_back();
        if (nodePassesSearch(node, lowerSearchText)) {
            node->setSearchMatch(true);
            _searchMatches.push_back(node);
        } else {
            node->setSearchMatch(false);
            node->setNoteSearchMatch(false);
        }
        if (node->hasContainedElements()) searchContainedElements(node, lowerSearchText);
        ParentRelation* relation = node->parentRelation();
        if (relation->hasContainedElements()) searchContainedElements(relation, lowerSearchText);
        const auto& children = node->children();
        for (auto it = children.rbegin(); it != children.rend(); ++it) pending.push_back(*it);
    }
}

void MindMap::searchContainedElements(CompositeElement* composite, const std::string& lowerSearchText)
{
    const bool textOnly = _searchData.scope() == SearchScopeText;
    for (ContainedElement* element : composite->containedElements()) {
        auto* text = dynamic_cast<MindMapText*>(element);
        if (!text) continue;
        const bool matches = textOnly && containsSearchText(text->text(), lowerSearchText);
        text->setSearchMatch(matches);
        if (matches) _searchMatches.push_back(text);
    }
}
