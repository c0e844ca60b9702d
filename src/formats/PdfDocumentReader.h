#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class PdfEngineDocument;
class PdfPageRenderer;

// One PDF opened for reading its pages and its bookmark outline. Documents come from outside:
// the outline walk is iterative and reads every outline item once, so that an outline that loops
// back on itself or hangs one branch in several places gives each bookmark one item. It ends
// after MaximumOutlineItems bookmarks and leaves out bookmarks nested deeper than
// MaximumOutlineDepth. The PDF library is reached through a module loaded on first use.
class PdfDocumentReader {
public:
    // A document larger than this is not opened: as much as an import converts.
    static constexpr uint64_t MaximumFileSize = uint64_t(64) << 20;
    static constexpr size_t MaximumOutlineDepth = 256;
    static constexpr size_t MaximumOutlineItems = 500000;
    static constexpr size_t NoParent = static_cast<size_t>(-1);

    struct OutlineItem {
        std::string label;
        // Counted from 1; nothing when the bookmark names no page of this document.
        std::optional<int> page;
        // Index of the enclosing item in the outline, NoParent for a top bookmark.
        size_t parent = NoParent;
        size_t depth = 1;
    };

    struct PageSize {
        double width = 0;
        double height = 0;
    };

    // Nothing when the bytes are no PDF the library can open, or when the module that reads PDFs
    // could not be loaded (unavailableReason() then says why).
    static std::unique_ptr<PdfDocumentReader> openData(std::vector<uint8_t> data);
    // Only an existing regular file is read.
    static std::unique_ptr<PdfDocumentReader> openFile(const std::string& path);

    // Empty while PDFs can be read; else why the PDF module could not be loaded.
    static std::string unavailableReason();

    ~PdfDocumentReader();
    PdfDocumentReader(const PdfDocumentReader&) = delete;
    PdfDocumentReader& operator=(const PdfDocumentReader&) = delete;

    int pageCount() const;
    // In points, as the page is shown (rotation applied); nothing for a page out of range.
    std::optional<PageSize> pageSize(int page) const;
    // Every bookmark in document order, each after its parent; empty without an outline. Read
    // once: a damaged file's objects may be repaired while the outline is read, and both answers
    // must stay those of the first reading.
    std::vector<OutlineItem> outline() const;
    bool hasOutline() const;
    const std::vector<uint8_t>& data() const { return _data; }
    // Draws this document's pages; nothing when the drawing library cannot open the bytes.
    std::unique_ptr<PdfPageRenderer> pageRenderer() const;

private:
    explicit PdfDocumentReader(std::vector<uint8_t> data);

    // The document reads the bytes in place: they are kept for its lifetime.
    std::vector<uint8_t> _data;
    std::unique_ptr<PdfEngineDocument> _document;
    mutable std::optional<std::vector<OutlineItem>> _outline;
};
