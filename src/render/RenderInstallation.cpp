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
    MindMapFormats::registerWriter(
        MindMapExportFormat::Pdf, [](MindMap& mindMap, const MindMapExportOptions& options, Error* error) {
            return MindMapRenderingView::pdfDataWithMindMap(mindMap, options.selectionOnly, error);
        });
    MindMapFormats::registerWriter(
        MindMapExportFormat::Png, [](MindMap& mindMap, const MindMapExportOptions& options, Error* error) {
            return MindMapRenderingView::bitmapDataWithMindMap(mindMap, BitmapFileTypePNG, options.imageScaleFactor,
                                                               options.selectionOnly, error);
        });
    MindMapFormats::registerWriter(MindMapExportFormat::Tiff,
                                   [](MindMap& mindMap, const MindMapExportOptions& options, Error* error) {
                                       return MindMapRenderingView::tiffDataWithMindMap(
                                           mindMap, options.imageScaleFactor, options.selectionOnly, error);
                                   });
    MindMapFormats::registerWriter(
        MindMapExportFormat::Eps, [](MindMap& mindMap, const MindMapExportOptions& options, Error* error) {
            return MindMapRenderingView::epsDataWithMindMap(mindMap, options.selectionOnly, error);
        });
    StylePreviewCache::installThumbnailRenderer([](MindMap& mindMap, Size size, bool highResolution) {
        return MindMapPainter::createThumbnailImage(mindMap, size, highResolution);
    });
    static StylePresetsPreview presetPictures;
    StylePresetPainter::install(&presetPictures);
}
