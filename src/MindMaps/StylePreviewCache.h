#pragma once

#include "platform/Geometry.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

class MindMap;
class StyleSheet;

// The pictures of the style menu: a sample map drawn in each style sheet, kept by style key until
// the sheet changes. Sheets whose relations run orthogonally are shown on a second copy of the
// sample whose central theme is laid out strictly horizontally.
class StylePreviewCache {
public:
    // The sample map, a native document among the application's resources.
    static constexpr const char* SampleResource = "maps/style_sample.twkx";
    // The size of a preview in points; pictures are drawn at high resolution.
    static constexpr Size PreviewSize{192, 108};

    // Draws the map into PNG data of an image of that size.
    using ThumbnailRenderer =
        std::function<std::vector<uint8_t>(MindMap& mindMap, Size thumbnailSize, bool highResolution)>;

    // The shared cache, made on first use.
    static StylePreviewCache& instance();

    // Reads both samples through the registered native format. Without a readable sample holding
    // a central theme, every sheet is drawn on the plain sample, however empty.
    StylePreviewCache();
    ~StylePreviewCache();
    StylePreviewCache(const StylePreviewCache&) = delete;
    StylePreviewCache& operator=(const StylePreviewCache&) = delete;

    // PNG data of the sample in the sheet; empty for no sheet or when nothing could be drawn.
    std::vector<uint8_t> stylePreviewImage(const std::shared_ptr<StyleSheet>& styleSheet);
    // Forgets the picture of the sheet's key. The style menu passes the sheet of every style
    // sheet notification.
    // Waits for its caller in the panels.
    void styleSheetChanged(const StyleSheet* styleSheet);

    // The renderer of caches made from now on: the painting library installs its thumbnails at
    // start-up. Without one nothing is drawn and every preview is empty.
    static void installThumbnailRenderer(ThumbnailRenderer renderer);
    // This cache's renderer from now on (tests draw with a stand-in).
    void setThumbnailRenderer(ThumbnailRenderer renderer);

private:
    std::unique_ptr<MindMap> _mindMap;
    std::unique_ptr<MindMap> _angledMindMap;
    std::unordered_map<std::string, std::vector<uint8_t>> _cache;
    ThumbnailRenderer _renderer;
    bool _hasAngledSample = false;
};
