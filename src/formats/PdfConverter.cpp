#include "formats/PdfConverter.h"

#include "MindMaps/MindMap.h"
#include "MindMaps/MindMapNode.h"
#include "Utils/GuidCreation.h"
#include "formats/TwkxMindMapWriter.h"

#include <poppler.h>

#include <filesystem>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

namespace {

constexpr int32_t StrictHorizontalLayout = 1;

struct DocumentRelease {
    void operator()(PopplerDocument* document) const { g_object_unref(document); }
};
struct IterRelease {
    void operator()(PopplerIndexIter* iter) const { poppler_index_iter_free(iter); }
};
struct ActionRelease {
    void operator()(PopplerAction* action) const { poppler_action_free(action); }
};
struct DestRelease {
    void operator()(PopplerDest* dest) const { poppler_dest_free(dest); }
};
using DocumentPtr = std::unique_ptr<PopplerDocument, DocumentRelease>;
using IterPtr = std::unique_ptr<PopplerIndexIter, IterRelease>;
using ActionPtr = std::unique_ptr<PopplerAction, ActionRelease>;
using DestPtr = std::unique_ptr<PopplerDest, DestRelease>;

DocumentPtr openDocument(const MindMapData& data)
{
    if (data.empty()) return nullptr;
    GBytes* bytes = g_bytes_new(data.data(), data.size());
    GError* error = nullptr;
    PopplerDocument* document = poppler_document_new_from_bytes(bytes, nullptr, &error);
    g_bytes_unref(bytes);
    if (error) g_error_free(error);
    return DocumentPtr(document);
}

// The page a destination names, counted from 1; nothing when the document has no such page.
std::optional<int> pageOfDestination(PopplerDocument* document, const PopplerDest* dest)
{
    if (!dest) return std::nullopt;
    int page = dest->page_num;
    if (dest->type == POPPLER_DEST_NAMED) {
        if (!dest->named_dest) return std::nullopt;
        DestPtr named(poppler_document_find_dest(document, dest->named_dest));
        if (!named) return std::nullopt;
        page = named->page_num;
    }
    if (page < 1 || page > poppler_document_get_n_pages(document)) return std::nullopt;
    return page;
}

struct Bookmark {
    std::string label;
    std::optional<int> page;
};

Bookmark bookmarkAt(PopplerDocument* document, PopplerIndexIter* iter)
{
    Bookmark bookmark;
    ActionPtr action(poppler_index_iter_get_action(iter));
    if (!action) return bookmark;
    if (action->any.title) bookmark.label = action->any.title;
    if (action->type == POPPLER_ACTION_GOTO_DEST) bookmark.page = pageOfDestination(document, action->goto_dest.dest);
    return bookmark;
}

} // namespace

PdfConverter::PdfConverter(MindMap& mindMap, MindMapData pdfData, std::string path, bool isCloud)
    : MindMapImporterBase(mindMap), _path(std::move(path)), _isCloud(isCloud), _pdfData(std::move(pdfData))
{
}

MindMapData PdfConverter::twkxDataFromPdf(const MindMapData& pdfData, const std::string& path, bool isCloud)
{
    MindMap mindMap;
    PdfConverter converter(mindMap, pdfData, path, isCloud);
    if (!mindMap.importWithImporter([&] { return converter.importMindMap(); }, createGUIDString())) return {};
    return TwkxMindMapWriter::writeMindMap(mindMap);
}

void PdfConverter::linkNode(MindMapNode* node, const std::string& target) const
{
    if (_isCloud) node->linkToCloudDocument(target, std::string());
    else node->linkToURL(target);
}

bool PdfConverter::importMindMap()
{
    DocumentPtr document = openDocument(_pdfData);
    if (!document) return false;
    MindMap& map = mindMap();
    const size_t firstNew = map.nodes().size();

    MindMapNode* root = addNodeLoadingAtLocation(Point{0, 0});
    root->setText(std::filesystem::path(_path).stem().string());
    linkNode(root, _path);

    // Each level of the walk: the iterator over its bookmarks and the topic they hang under.
    struct Level {
        IterPtr iter;
        MindMapNode* parent;
        size_t depth; // 1 for the outline's top bookmarks
    };
    std::vector<Level> levels;
    std::vector<MindMapNode*> children;
    if (IterPtr top{poppler_index_iter_new(document.get())}) levels.push_back({std::move(top), root, 1});
    size_t items = 0;
    while (!levels.empty() && items < MaximumOutlineItems) {
        Level& level = levels.back();
        PopplerIndexIter* iter = level.iter.get();
        const Bookmark bookmark = bookmarkAt(document.get(), iter);
        MindMapNode* node = addNodeLoadingAtLocation(Point{0, 0});
        node->linkToParent(level.parent);
        node->setText(bookmark.label);
        if (bookmark.page) linkNode(node, _path + "#page=" + std::to_string(*bookmark.page));
        children.push_back(node);
        ++items;

        // Too deep: what lies below is left out. Opening a level costs poppler a walk over all
        // the levels above it, so a hostile depth must not be opened at all.
        const size_t depth = level.depth;
        IterPtr child{depth < MaximumOutlineDepth ? poppler_index_iter_get_child(iter) : nullptr};
        if (!poppler_index_iter_next(iter)) levels.pop_back();
        if (child) levels.push_back({std::move(child), node, depth + 1});
    }

    map.rethinkCentralThemes();
    nodesLoadedFromIndex(firstNew);
    map.validateElementStates();
    for (MindMapNode* node : children) node->applyDefaultWrap(false);
    root->setLayoutMode(StrictHorizontalLayout);
    return true;
}
