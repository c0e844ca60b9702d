#include "render/RenderInstallation.h"

#include "MindMaps/MindMapFormats.h"
#include "MindMaps/StylePreviewCache.h"
#include "render/CloudShape.h"
#include "render/MindMapPainter.h"
#include "render/MindMapRenderingView.h"
#include "render/StylePresetsPreview.h"

void installRendering()
{
    LoadCloudShapePoints();
    MindMapFormats::registerWriter(MindMapExportFormat::Pdf,
                                   [](MindMap& mindMap, const MindMapExportOptions& options, Error*) {
                                       return MindMapRenderingView::pdfDataWithMindMap(mindMap, options.selectionOnly);
                                   });
    MindMapFormats::registerWriter(MindMapExportFormat::Png,
                                   [](MindMap& mindMap, const MindMapExportOptions& options, Error*) {
                                       return MindMapRenderingView::bitmapDataWithMindMap(
                                           mindMap, BitmapFileTypePNG, options.imageScaleFactor, options.selectionOnly);
                                   });
    MindMapFormats::registerWriter(
        MindMapExportFormat::Tiff, [](MindMap& mindMap, const MindMapExportOptions& options, Error*) {
            return MindMapRenderingView::tiffDataWithMindMap(mindMap, options.imageScaleFactor, options.selectionOnly);
        });
    MindMapFormats::registerWriter(MindMapExportFormat::Eps,
                                   [](MindMap& mindMap, const MindMapExportOptions& options, Error*) {
                                       return MindMapRenderingView::epsDataWithMindMap(mindMap, options.selectionOnly);
                                   });
    StylePreviewCache::installThumbnailRenderer([](MindMap& mindMap, Size size, bool highResolution) {
        return MindMapPainter::createThumbnailImage(mindMap, size, highResolution);
    });
    static StylePresetsPreview presetPictures;
    StylePresetPainter::install(&presetPictures);
}
