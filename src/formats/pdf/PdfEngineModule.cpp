// The PDF module: everything that needs the PDF library, loaded by the program on first use so
// that the library and the ones under it cost nothing at start.
#include "formats/PdfEngine.h"

#include "platform/Utf8.h"

// The document's own object layer: an outline item is known by its object reference, which is
// what lets the walk meet every item once however the outline loops or shares its branches.
#include <Catalog.h>
#include <Error.h>
#include <GlobalParams.h>
#include <Link.h>
#include <Object.h>
#include <PDFDoc.h>
#include <Page.h>
#include <Stream.h>
#include <UTF.h>
#include <XRef.h>

#include <poppler.h>

#include <unordered_map>
#include <unordered_set>
#include <utility>

using OutlineItem = PdfDocumentReader::OutlineItem;
using PageSize = PdfDocumentReader::PageSize;
constexpr size_t NoParent = PdfDocumentReader::NoParent;
constexpr size_t MaximumOutlineDepth = PdfDocumentReader::MaximumOutlineDepth;
constexpr size_t MaximumOutlineItems = PdfDocumentReader::MaximumOutlineItems;

namespace {

void preparePdfLibrary()
{
    static const bool prepared = [] {
        if (!globalParams) globalParams = std::make_unique<GlobalParams>();
        // What the library finds wrong with a hostile file is no message for the user's terminal:
        // a document that cannot be read is reported by its reader, a damaged outline gives what
        // could be read.
        setErrorCallback([](ErrorCategory, Goffset, const char*) {});
        return true;
    }();
    (void)prepared;
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

// An outline item's label and page, read as the outline's items are: its destination, or else
// its action when that goes to a place in this document.
OutlineItem itemOf(PDFDoc& document, PageIndex& pages, const Object& item)
{
    OutlineItem bookmark;
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

class Document final : public PdfEngineDocument {
public:
    explicit Document(std::unique_ptr<PDFDoc> document) : _document(std::move(document)) {}

    int pageCount() const override { return _document->getNumPages(); }

    std::optional<PageSize> pageSize(int page) const override
    {
        if (page < 1 || page > pageCount()) return std::nullopt;
        Page* shown = _document->getPage(page);
        if (!shown) return std::nullopt;
        PageSize size{shown->getCropWidth(), shown->getCropHeight()};
        if (shown->getRotate() % 180 != 0) std::swap(size.width, size.height);
        if (!(size.width > 0) || !(size.height > 0)) return std::nullopt;
        return size;
    }

    std::vector<OutlineItem> outline() const override
    {
        std::vector<OutlineItem> items;
        XRef& xref = *_document->getXRef();
        PageIndex pages(*_document);
        // Every item is read once: an entry that names an item already met (the outline looping
        // back, or a branch hung in two places) ends its list there. The outline's own dictionary
        // counts as met, so that no entry leads back into it.
        std::unordered_set<Ref> met;
        const Object catalog = xref.getCatalog();
        if (const std::optional<Ref> outlines = itemReference(catalog, "Outlines", xref)) met.insert(*outlines);
        const Object outlines = catalog.isDict() ? catalog.dictLookup("Outlines") : Object(objNull);

        // Each level of the walk: the next item of its list and the item the list hangs under.
        struct Level {
            std::optional<Ref> next;
            size_t parent;
            size_t depth; // 1 for the outline's top bookmarks
        };
        std::vector<Level> levels;
        levels.push_back({itemReference(outlines, "First", xref), NoParent, 1});
        while (!levels.empty() && items.size() < MaximumOutlineItems) {
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
            OutlineItem bookmark = itemOf(*_document, pages, item);
            bookmark.parent = level.parent;
            bookmark.depth = level.depth;
            items.push_back(std::move(bookmark));

            // Too deep: what lies below is left out.
            const size_t depth = level.depth;
            if (depth < MaximumOutlineDepth) {
                if (std::optional<Ref> first = itemReference(item, "First", xref))
                    levels.push_back({first, items.size() - 1, depth + 1});
            }
        }
        return items;
    }

private:
    std::unique_ptr<PDFDoc> _document;
};

std::unique_ptr<PdfEngineDocument> openDocument(const uint8_t* data, size_t size)
{
    if (!data || size == 0) return nullptr;
    preparePdfLibrary();
    auto* stream = new MemStream(reinterpret_cast<const char*>(data), 0, static_cast<Goffset>(size), Object(objNull));
    auto document = std::make_unique<PDFDoc>(stream);
    if (!document->isOk()) return nullptr;
    return std::make_unique<Document>(std::move(document));
}

// Pages are drawn by the library's cairo output.
class Renderer final : public PdfPageRenderer {
public:
    explicit Renderer(PopplerDocument* document) : _document(document) {}
    ~Renderer() override { g_object_unref(_document); }
    Renderer(const Renderer&) = delete;
    Renderer& operator=(const Renderer&) = delete;

    int pageCount() const override { return poppler_document_get_n_pages(_document); }

    void renderPage(int page, cairo_t* context, double pixelWidth, double pixelHeight) const override
    {
        if (page < 1 || page > pageCount()) return;
        PopplerPage* shown = poppler_document_get_page(_document, page - 1);
        if (!shown) return;
        double width = 0, height = 0;
        poppler_page_get_size(shown, &width, &height);
        if (width > 0 && height > 0) {
            cairo_save(context);
            cairo_scale(context, pixelWidth / width, pixelHeight / height);
            poppler_page_render(shown, context);
            cairo_restore(context);
        }
        g_object_unref(shown);
    }

private:
    PopplerDocument* _document;
};

std::unique_ptr<PdfPageRenderer> openRenderer(const uint8_t* data, size_t size)
{
    if (!data || size == 0) return nullptr;
    GBytes* bytes = g_bytes_new(data, size);
    PopplerDocument* document = poppler_document_new_from_bytes(bytes, nullptr, nullptr);
    g_bytes_unref(bytes);
    if (!document) return nullptr;
    return std::make_unique<Renderer>(document);
}

} // namespace

extern "C" const PdfEngine* tarnwick_pdf_engine()
{
    static const PdfEngine engine{PdfEngine::CurrentVersion, &openDocument, &openRenderer};
    return &engine;
}
