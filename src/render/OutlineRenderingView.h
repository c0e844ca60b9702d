#pragma once

#include "platform/Error.h"
#include "platform/Geometry.h"
#include "render/PdfOutlineGenerator.h"
#include "render/PrintablePages.h"

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

class MindMap;

// A map's outline as a document of pages, for the outline PDF export and for printing.
class OutlineRenderingView : public PrintablePages {
public:
    // Measures the outline at once: the frame and page count are known from the start.
    OutlineRenderingView(MindMap& mindMap, bool selectionOnly, uint64_t options, Size pageSize);

    // The outline PDF on sheets of the paper format; empty with the cause in the error on failure.
    static std::vector<uint8_t> pdfDataWithMindMap(MindMap& mindMap, bool selectionOnly, uint64_t options,
                                                   int64_t pageFormat, Error* error = nullptr);

    Rect frame() const { return {0, 0, _pageSize.width, double(pageCount()) * _pageSize.height}; }
    bool isFlipped() const { return true; }
    bool isOpaque() const { return true; }
    // First page and number of pages.
    std::pair<int64_t, int64_t> knowsPageRange() const { return {1, pageCount()}; }
    // Page n counts from 1.
    Rect rectForPage(int64_t page) const
    {
        return {0, double(page - 1) * _pageSize.height, _pageSize.width, _pageSize.height};
    }

    int64_t pageCount() const override { return _outlineGenerator.pageCount(); }
    Size pageSize() const override { return _pageSize; }
    bool drawPage(GraphicsContext& context, int64_t pageIndex) const override;
    const std::string& printJobTitle() const override { return _jobTitle; }

private:
    Size _pageSize;
    PdfOutlineGenerator _outlineGenerator;
    std::string _jobTitle;
};
