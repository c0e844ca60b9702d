#pragma once

#include "platform/Color.h"
#include "platform/Error.h"
#include "platform/Geometry.h"
#include "render/PaperSizes.h"
#include "render/PrintablePages.h"

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

class GraphicsContext;
class MindMap;
class MindMapPaintSelection;

// How a printed map meets the paper.
enum PrintMode : uint32_t {
    PrintModeFitToPage = 0,
    PrintModeShrinkToPage = 1,
    PrintModeTiledFit = 2,
    PrintModeTiledScaled = 3,
};

// What marks each sheet's printable area; bits, though the print options offer one at a time.
enum PageBorderOptions : uint32_t {
    PageBorderRectangle = 1,
    PageBorderCornerMarkers = 2,
};

// A map (or its selection) printed on one sheet or tiled over a grid of sheets, each keeping a
// 20 mm margin, painted once per sheet clipped to its printable area. As a view its frame is the
// grid of sheets side by side, pages running along a row, then down.
class TiledMindMapRenderingView : public PrintablePages {
public:
    static constexpr double PageBorderLineWidth = 0.5;
    // The border rectangle lies this far outside the printable area.
    static constexpr double PageBorderOutset = 0.5;
    static constexpr double CornerMarkerLength = 18;
    // The platform's light grey.
    static constexpr Color PageBorderColor{2.0 / 3, 2.0 / 3, 2.0 / 3};

    // The page size is the portrait sheet; it is turned when the matrix is landscape.
    TiledMindMapRenderingView(MindMap& mindMap, bool selectionOnly, uint32_t printMode, double tileScale, Size pageSize,
                              uint32_t options);
    ~TiledMindMapRenderingView() override;
    TiledMindMapRenderingView(const TiledMindMapRenderingView&) = delete;
    TiledMindMapRenderingView& operator=(const TiledMindMapRenderingView&) = delete;

    // The map in print mode 0 on sheets of the paper format, as one PDF document.
    static std::vector<uint8_t> pdfDataWithMindMapTiled(MindMap& mindMap, bool selectionOnly, int64_t pageFormat,
                                                        Error* error = nullptr);

    const PrintMatrix& printMatrix() const { return _printMatrix; }
    Rect frame() const
    {
        return {0, 0, double(_printMatrix.columns()) * _pageSize.width, double(_printMatrix.rows()) * _pageSize.height};
    }
    bool isFlipped() const { return true; }
    bool isOpaque() const { return true; }
    // First page and number of pages.
    std::pair<int64_t, int64_t> knowsPageRange() const { return {1, _printMatrix.pages()}; }
    // Column and row of the page of that index (from 0).
    std::pair<int64_t, int64_t> pageCell(int64_t pageIndex) const;
    // Page n counts from 1.
    Rect rectForPage(int64_t page) const;
    // Map units to points, the same on every sheet.
    double printScale() const;

    // Draws the page of that index (from 0) in the view's coordinates.
    bool drawRect(GraphicsContext& context, int64_t pageIndex) const;
    void drawPageBounds(GraphicsContext& context, const Rect& printableRect) const;

    int64_t pageCount() const override { return _printMatrix.pages(); }
    Size pageSize() const override { return _pageSize; }
    bool drawPage(GraphicsContext& context, int64_t pageIndex) const override;
    const std::string& printJobTitle() const override { return _jobTitle; }
    bool isCurrent() const override;

private:
    // The printed map area: the visual area grown by the print margin.
    Rect printedArea() const;

    PrintMatrix _printMatrix;
    std::unique_ptr<MindMapPaintSelection> _selection;
    double _tileScale;
    uint32_t _printMode;
    uint32_t _options;
    Size _pageSize;
    std::string _jobTitle;
};
