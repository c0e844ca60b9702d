#pragma once

#include "platform/Geometry.h"

#include <cstddef>
#include <string_view>
#include <vector>

class CrossLink;
class MindMap;
class MindMapNode;

// The common ground of the import and export filers: the map a filer reads into or writes from,
// and the map's loading operations that every reader uses. The caller owns the map; a filer is
// made for one operation on it.
class MindMapFilerBase {
public:
    explicit MindMapFilerBase(MindMap& mindMap);
    virtual ~MindMapFilerBase() = default;
    MindMapFilerBase(const MindMapFilerBase&) = delete;
    MindMapFilerBase& operator=(const MindMapFilerBase&) = delete;

    MindMap& mindMap() const { return _mindMap; }

    // A parentless node in loading mode at that location.
    MindMapNode* addNodeLoadingAtLocation(Point location);
    // Finishes every node of the map's node list from that index on.
    void nodesLoadedFromIndex(size_t index);
    // Without an undo step and without checks.
    CrossLink* addCrossLinkFromSource(MindMapNode* source, MindMapNode* target);
    void resetIdsForExistingNodes();
    // Gives a topic read from a foreign document the text, cut to what TopicTextLimit lets new
    // text have; the texts cut are counted.
    void setTopicText(MindMapNode* node, std::string_view text);
    size_t cutTextCount() const { return _cutTextCount; }
    // Tells the user over the editor how many texts were cut; nothing when none was.
    void reportCutTexts() const;

    // The topics an outline export starts from: every central theme, or only the roots of the
    // selected subtrees.
    static std::vector<MindMapNode*> outlineRoots(MindMap& mindMap, bool selectionOnly);

    // The indentation of a pretty-printed XML export. Indentation grows with nesting, so beyond
    // MaximumIndentedDepth levels below the roots (a map only hostile input makes) elements are
    // written one a line without it: indenting would make the file quadratic in the depth.
    static constexpr int64_t MaximumIndentedDepth = 64;
    static const char* xmlIndentation(const std::vector<MindMapNode*>& roots);

private:
    MindMap& _mindMap;
    size_t _cutTextCount = 0;
};

// An importer that fills its map by itself, from data it was given when it was made.
class MindMapImporterBase : public MindMapFilerBase {
public:
    using MindMapFilerBase::MindMapFilerBase;

    // false in the base: there is nothing to import.
    virtual bool importMindMap();
};
