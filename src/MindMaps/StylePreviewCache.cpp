#include "MindMaps/StylePreviewCache.h"

#include "MindMaps/LayoutModes.h"
#include "MindMaps/MindMap.h"
#include "MindMaps/MindMapFormats.h"
#include "MindMaps/MindMapNode.h"
#include "MindMaps/RelationStyle.h"
#include "MindMaps/StyleManager.h"
#include "MindMaps/StyleSheet.h"
#include "platform/FileUtils.h"
#include "platform/Folders.h"

#include <utility>

namespace {

constexpr int32_t NativeFormat = static_cast<int32_t>(MindMapReadFormat::Native);
// Relations drawn with right angles look best between strictly laid out topics.
constexpr int32_t OrthogonalPathStyle = 1;

StylePreviewCache::ThumbnailRenderer& installedRenderer()
{
    static StylePreviewCache::ThumbnailRenderer renderer;
    return renderer;
}

} // namespace

StylePreviewCache& StylePreviewCache::instance()
{
    static StylePreviewCache shared;
    return shared;
}

StylePreviewCache::StylePreviewCache()
    : _mindMap(std::make_unique<MindMap>()), _angledMindMap(std::make_unique<MindMap>()), _renderer(installedRenderer())
{
    const std::optional<std::vector<uint8_t>> sample =
        readFileData(Folders::resourcePath(SampleResource), MaximumMindMapFileSize);
    if (!sample) return;
    _mindMap->readFromData(*sample, "", NativeFormat);
    // Only a sample with a central theme can be laid out at an angle; without one every sheet
    // is drawn on the plain sample.
    if (_angledMindMap->readFromData(*sample, "", NativeFormat) && !_angledMindMap->centralThemes().empty()) {
        _angledMindMap->centralThemes().front()->setLayoutMode(LayoutModeStrictHorizontal);
        _angledMindMap->validateElementStates();
        _hasAngledSample = true;
    }
}

StylePreviewCache::~StylePreviewCache() = default;

std::vector<uint8_t> StylePreviewCache::stylePreviewImage(const std::shared_ptr<StyleSheet>& styleSheet)
{
    if (!styleSheet) return {};
    const std::string& key = styleSheet->styleKeyName();
    if (const auto cached = _cache.find(key); cached != _cache.end()) return cached->second;

    const bool angled = _hasAngledSample && styleSheet->parentRelationStyle() &&
        styleSheet->parentRelationStyle()->relationPathStyle() == OrthogonalPathStyle;
    MindMap& sample = angled ? *_angledMindMap : *_mindMap;
    // Assigned rather than set: a preview is no edit of the sample, and takes no undo step.
    sample.assignStyleSheet(styleSheet);
    std::vector<uint8_t> image = _renderer ? _renderer(sample, PreviewSize, true) : std::vector<uint8_t>();
    // The sample must not keep a sheet alive that the user may delete.
    sample.assignStyleSheet(StyleManager::styleManager().defaultStyle());
    // A failed drawing is tried again on the next request.
    if (!image.empty()) _cache.emplace(key, image);
    return image;
}

void StylePreviewCache::styleSheetChanged(const StyleSheet* styleSheet)
{
    if (styleSheet) _cache.erase(styleSheet->styleKeyName());
}

void StylePreviewCache::installThumbnailRenderer(ThumbnailRenderer renderer)
{
    installedRenderer() = std::move(renderer);
}

void StylePreviewCache::setThumbnailRenderer(ThumbnailRenderer renderer)
{
    _renderer = std::move(renderer);
}
