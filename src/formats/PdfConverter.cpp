#include "formats/PdfConverter.h"

#include "MindMaps/MindMap.h"
#include "MindMaps/MindMapNode.h"
#include "Utils/GuidCreation.h"
#include "formats/TwkxMindMapWriter.h"
#include "platform/Utf8.h"

// The document's own object layer: an outline item is known by its object reference, which is
// what lets the walk meet every item once however the outline loops or shares its branches.
#include <Catalog.h>
#include <Error.h>
#include <GlobalParams.h>
#include <Link.h>
#include <Object.h>
#include <PDFDoc.h>
#include <Stream.h>
#include <UTF.h>
#include <XRef.h>

#include <filesystem>
#include <memory>
#include <optional>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

namespace {

constexpr int32_t StrictHorizontalLayout = 1;

void preparePdfLibrary()
{
    static const bool prepared = [] {
        if (!globalParams) globalParams = std::make_unique<GlobalParams>();
        // What the library finds wrong with a hostile file is no message for the user's terminal:
        // a document that cannot be read gives no map, and a damaged outline what could be read.
        setErrorCallback([](ErrorCategory, Goffset, const char*) {});
        return true;
    }();
    (void)prepared;
}

// The document reads the bytes in place: they must outlive it.
std::unique_ptr<PDFDoc> openDocument(const MindMapData& data)
{
    if (data.empty()) return nullptr;
    preparePdfLibrary();
    auto* stream = new MemStream(reinterpret_cast<const char*>(data.data()), 0, static_cast<Goffset>(data.size()),
                                 Object(objNull));
    auto document = std::make_unique<PDFDoc>(stream);
    if (!document->isOk()) return nullptr;
    return document;
}

// A bookmark's label as UTF-8; a character the text cannot hold becomes U+FFFD, and the label
// ends at a NUL.
std::string labelOf(const Object& title)
{
    if (!title.isString()) return std::string();
    Unicode* characters = nullptr;
    const int count = TextStringToUCS4(title.getString()->toStr(), &characters);
    std::string label;
    for (int i = 0; i < count; ++i) {
        char32_t c = characters[i];
        if (c == 0) break;
        if (c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) c = 0xFFFD;
        Utf8::append(label, c);
    }
    gfree(characters);
    return label;
}

// The pages of the document by their object reference, made on first use: a bookmark names its
// page by reference, and looking each one up among all pages would cost a walk over them.
class PageIndex {
public:
    explicit PageIndex(PDFDoc& document) : _document(document) {}

    // The page a destination names, counted from 1; nothing when the document has no such page.
    std::optional<int> pageOf(const LinkDest& dest)
    {
        int page = dest.getPageNum();
        if (dest.isPageRef()) {
            if (!_pagesByRef) {
                _pagesByRef.emplace();
                Catalog* catalog = _document.getCatalog();
                const int pages = catalog->getNumPages();
                for (int i = 1; i <= pages; ++i) {
                    if (const Ref* ref = catalog->getPageRef(i)) _pagesByRef->emplace(*ref, i);
                }
            }
            const auto found = _pagesByRef->find(dest.getPageRef());
            if (found == _pagesByRef->end()) return std::nullopt;
            page = found->second;
        }
        if (page < 1 || page > _document.getNumPages()) return std::nullopt;
        return page;
    }

private:
    PDFDoc& _document;
    std::optional<std::unordered_map<Ref, int>> _pagesByRef;
};

struct Bookmark {
    std::string label;
    std::optional<int> page;
};

// An outline item's label and page, read as the outline's items are: its destination, or else
// its action when that goes to a place in this document.
Bookmark bookmarkOf(PDFDoc& document, PageIndex& pages, const Object& item)
{
    Bookmark bookmark;
    bookmark.label = labelOf(item.dictLookup("Title"));
    std::unique_ptr<LinkAction> action;
    const Object dest = item.dictLookup("Dest");
    if (!dest.isNull()) {
        action = LinkAction::parseDest(&dest);
    } else {
        const Object onClick = item.dictLookup("A");
        if (!onClick.isNull()) action = LinkAction::parseAction(&onClick);
    }
    if (!action || !action->isOk() || action->getKind() != actionGoTo) return bookmark;
    const auto* goTo = static_cast<const LinkGoTo*>(action.get());
    if (const LinkDest* direct = goTo->getDest()) {
        bookmark.page = pages.pageOf(*direct);
    } else if (const GooString* name = goTo->getNamedDest()) {
        if (std::unique_ptr<LinkDest> named = document.getCatalog()->findDest(name))
            bookmark.page = pages.pageOf(*named);
    }
    return bookmark;
}

// The item an outline entry ("First" or "Next") names, when it names one by reference.
std::optional<Ref> itemReference(const Object& dictionary, const char* key, const XRef& xref)
{
    if (!dictionary.isDict()) return std::nullopt;
    const Object& entry = dictionary.dictLookupNF(key);
    if (!entry.isRef()) return std::nullopt;
    const Ref ref = entry.getRef();
    if (ref.num < 0 || ref.num >= xref.getNumObjects()) return std::nullopt;
    return ref;
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
    std::unique_ptr<PDFDoc> document = openDocument(_pdfData);
    if (!document) return false;
    MindMap& map = mindMap();
    const size_t firstNew = map.nodes().size();

    MindMapNode* root = addNodeLoadingAtLocation(Point{0, 0});
    root->setText(std::filesystem::path(_path).stem().string());
    linkNode(root, _path);

    XRef& xref = *document->getXRef();
    PageIndex pages(*document);
    // Every item is read once: an entry that names an item already met (the outline looping
    // back, or a branch hung in two places) ends its list there. The outline's own dictionary
    // counts as met, so that no entry leads back into it.
    std::unordered_set<Ref> met;
    const Object catalog = xref.getCatalog();
    if (const std::optional<Ref> outlines = itemReference(catalog, "Outlines", xref)) met.insert(*outlines);
    const Object outlines = catalog.isDict() ? catalog.dictLookup("Outlines") : Object(objNull);

    // Each level of the walk: the next item of its list and the topic the list hangs under.
    struct Level {
        std::optional<Ref> next;
        MindMapNode* parent;
        size_t depth; // 1 for the outline's top bookmarks
    };
    std::vector<Level> levels;
    std::vector<MindMapNode*> children;
    levels.push_back({itemReference(outlines, "First", xref), root, 1});
    size_t items = 0;
    while (!levels.empty() && items < MaximumOutlineItems) {
        Level& level = levels.back();
        if (!level.next || !met.insert(*level.next).second) {
            levels.pop_back();
            continue;
        }
        const Object item = xref.fetch(*level.next);
        if (!item.isDict()) {
            levels.pop_back();
            continue;
        }
        level.next = itemReference(item, "Next", xref);
        const Bookmark bookmark = bookmarkOf(*document, pages, item);
        MindMapNode* node = addNodeLoadingAtLocation(Point{0, 0});
        node->linkToParent(level.parent);
        node->setText(bookmark.label);
        if (bookmark.page) linkNode(node, _path + "#page=" + std::to_string(*bookmark.page));
        children.push_back(node);
        ++items;

        // Too deep: what lies below is left out.
        const size_t depth = level.depth;
        if (depth < MaximumOutlineDepth) {
            if (std::optional<Ref> first = itemReference(item, "First", xref))
                levels.push_back({first, node, depth + 1});
        }
    }

    map.rethinkCentralThemes();
    nodesLoadedFromIndex(firstNew);
    map.validateElementStates();
    for (MindMapNode* node : children) node->applyDefaultWrap(false);
    root->setLayoutMode(StrictHorizontalLayout);
    return true;
}
