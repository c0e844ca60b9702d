#include "preferences/SnapOptionsModel.h"

#include "layout/SnapEngine.h"

SnapOptionsModel::SnapOptionsModel(SnapEngineOptions& options) : _options(options)
{
}

SnapOptionsModel::Controls SnapOptionsModel::controls() const
{
    Controls controls;
    controls.snapEnabled = _options.snapEnabled();
    for (size_t i = 0; i < GuideLineBits.size(); ++i)
        controls.guideLines[i] = (_options.activeGuideLines() & GuideLineBits[i]) != 0;
    controls.snapToGrid = _options.snapToGrid();
    controls.gridSize = _options.gridSize();
    return controls;
}

void SnapOptionsModel::commit(const Controls& controls)
{
    _options.setSnapEnabled(controls.snapEnabled);
    uint64_t guideLines = 0;
    for (size_t i = 0; i < GuideLineBits.size(); ++i)
        if (controls.guideLines[i]) guideLines |= GuideLineBits[i];
    _options.setActiveGuideLines(guideLines);
    _options.setSnapToGrid(controls.snapToGrid);
    _options.setGridSize(controls.gridSize);
    _options.saveToDefaults();
}
