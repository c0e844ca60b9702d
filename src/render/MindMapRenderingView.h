#pragma once

#include "platform/Color.h"
#include "platform/Error.h"
#include "platform/Geometry.h"
#include "platform/Image.h"
#include "render/PrintablePages.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

class GraphicsContext;
class MindMap;
class MindMapPaintSelection;

// Bitmap file types of the image exports.
enum BitmapFileType : int32_t {
    BitmapFileTypeTIFF = 0,
    BitmapFileTypePNG = 4,
};

// Renders a whole map, or only its selection, into export data: PDF (with clickable links) and
// EPS as one page in points, PNG and TIFF as pictures at a scale. Every result is empty on
// failure, with the cause in the error.
//
// As a view it is one page of the map at the PDF scale: the paint selection's visual area grown by
// the image margin, moved to the origin, y growing downwards.
class MindMapRenderingView : public PrintablePages {
public:
    // Points per map unit of PDF, EPS and printed output: the double just below 0.54.
    static constexpr double PdfScale = 0.5399999999999999;
    // Room round the painted area of every rendering, in map units.
    static constexpr double ImageMargin = 30;
    // Four bytes a pixel must stay within this.
    static constexpr double MaxImageBytes = 4e9;
    // PNG and TIFF readers refuse pictures with a side longer than this by default, so a larger
    // export would be a file nobody opens.
    static constexpr int64_t MaxImageSide = 1'000'000;

    MindMapRenderingView(MindMap& mindMap, bool selectionOnly);
    ~MindMapRenderingView() override;
    MindMapRenderingView(const MindMapRenderingView&) = delete;
    MindMapRenderingView& operator=(const MindMapRenderingView&) = delete;

    // The rendered area in scaled map coordinates.
    const Rect& originalPage() const { return _originalPage; }
    // The same moved to the origin: the view's frame and its only page.
    const Rect& page() const { return _page; }
    const Rect& bounds() const { return _page; }
    const std::string& printJobTitle() const override { return _jobTitle; }
    bool isCurrent() const override;
    bool isFlipped() const { return true; }
    bool isOpaque() const { return true; }
    // First page and number of pages.
    std::pair<int64_t, int64_t> knowsPageRange() const { return {1, 1}; }
    Rect rectForPage(int64_t) const { return _page; }

    int64_t pageCount() const override { return 1; }
    Size pageSize() const override { return _page.size; }
    bool drawPage(GraphicsContext& context, int64_t) const override { return drawRect(context, _page); }

    // Paints the page into the context, whose user space is the view's (points, y down). False
    // when the context has failed.
    bool drawRect(GraphicsContext& context, const Rect& dirtyRect) const;

    // What every rendering of the map lies on, as the canvas shows it.
    static Color backgroundColor(const MindMap& mindMap);
    // The page of an area grown by the image margin, scaled to points.
    static Rect originalPageForVisualArea(const Rect& visualArea);
    // The pixel size of an image of the area (already grown by the margin) at the scale. Nothing,
    // with the cause in the error, for a scale that is not a positive number, for a side below
    // one pixel, and for an image too large to make.
    static std::optional<std::pair<int64_t, int64_t>> imagePixelSize(const Rect& area, double scaleFactor,
                                                                     Error* error = nullptr);

    static std::vector<uint8_t> pdfDataWithMindMap(MindMap& mindMap, bool selectionOnly, Error* error = nullptr);
    static std::vector<uint8_t> epsDataWithMindMap(MindMap& mindMap, bool selectionOnly, Error* error = nullptr);
    // The picture in one piece; null when it would be too large for one image surface.
    static Image createImageWithMindMap(MindMap& mindMap, double scaleFactor, bool selectionOnly,
                                        Error* error = nullptr);
    static std::vector<uint8_t> tiffDataWithMindMap(MindMap& mindMap, double scaleFactor, bool selectionOnly,
                                                    Error* error = nullptr);
    static std::vector<uint8_t> bitmapDataWithMindMap(MindMap& mindMap, int32_t representation, double scaleFactor,
                                                      bool selectionOnly, Error* error = nullptr);

private:
    MindMap& _mindMap;
    std::unique_ptr<MindMapPaintSelection> _paintSelection;
    Rect _originalPage;
    Rect _page;
    std::string _jobTitle;
};
