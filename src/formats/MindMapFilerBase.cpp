#include "formats/MindMapFilerBase.h"

#include "MindMaps/MindMap.h"
#include "MindMaps/MindMapNode.h"
#include "MindMaps/TopicTextLimit.h"
#include "Utils/FeedbackSink.h"

#include <utility>

MindMapFilerBase::MindMapFilerBase(MindMap& mindMap) : _mindMap(mindMap)
{
}

MindMapNode* MindMapFilerBase::addNodeLoadingAtLocation(Point location)
{
    return _mindMap.addNodeLoadingAtLocation(location);
}

void MindMapFilerBase::nodesLoadedFromIndex(size_t index)
{
    _mindMap.nodesLoadedFromIndex(index);
}

CrossLink* MindMapFilerBase::addCrossLinkFromSource(MindMapNode* source, MindMapNode* target)
{
    return _mindMap.internalAddCrossLinkFromSource(source, target);
}

void MindMapFilerBase::resetIdsForExistingNodes()
{
    _mindMap.resetIdsForExistingNodes();
}

void MindMapFilerBase::setTopicText(MindMapNode* node, std::string_view text)
{
    if (text.size() <= TopicTextLimit::MaximumCharacters) {
        node->setText(text);
        return;
    }
    // Cut once valid: the characters counted are those the topic will hold.
    std::string fitted = MindMapNode::validateNodeText(text);
    if (!TopicTextLimit::fitText(fitted)) ++_cutTextCount;
    node->setText(fitted);
}

void MindMapFilerBase::reportCutTexts() const
{
    if (_cutTextCount == 0) return;
    const Error error = TopicTextLimit::cutTextsError(_cutTextCount);
    feedbackSinkInstance().showEditorNotification(error.localizedDescription, error.failureReason,
                                                  FeedbackStateWarning);
}

std::vector<MindMapNode*> MindMapFilerBase::outlineRoots(MindMap& mindMap, bool selectionOnly)
{
    if (selectionOnly) return mindMap.getSelectedRootNodes();
    return mindMap.centralThemes();
}

const char* MindMapFilerBase::xmlIndentation(const std::vector<MindMapNode*>& roots)
{
    std::vector<std::pair<const MindMapNode*, int64_t>> pending;
    for (const MindMapNode* root : roots) pending.emplace_back(root, 0);
    while (!pending.empty()) {
        auto [node, depth] = pending.back();
        pending.pop_back();
        if (depth > MaximumIndentedDepth) return "";
        for (const MindMapNode* child : node->children()) pending.emplace_back(child, depth + 1);
    }
    return "  ";
}

bool MindMapImporterBase::importMindMap()
{
    return false;
}
