#include "render/OutlineRenderingView.h"

#include "MindMaps/MindMap.h"
#include "platform/GraphicsContext.h"
#include "render/PaperSizes.h"

OutlineRenderingView::OutlineRenderingView(MindMap& mindMap, bool selectionOnly, uint64_t options, Size pageSize)
    : _pageSize(pageSize),
      _outlineGenerator(mindMap, selectionOnly, options, pageSize),
      _jobTitle(mindMap.singleLineTitle())
{
    _outlineGenerator.calculatePageHeight();
    _outlineGenerator.generateOutline();
}

std::vector<uint8_t> OutlineRenderingView::pdfDataWithMindMap(MindMap& mindMap, bool selectionOnly, uint64_t options,
                                                              int64_t pageFormat, Error* error)
{
    return OutlineRenderingView(mindMap, selectionOnly, options, PaperSizeForFormat(pageFormat)).pdfData(error);
}

bool OutlineRenderingView::drawPage(GraphicsContext& context, int64_t pageIndex) const
{
    _outlineGenerator.drawPage(context, pageIndex);
    return !context.hasFailed();
}
