#include "panels/MapStyleController.h"

#include "MindMaps/MindMap.h"
#include "MindMaps/MindMapStyle.h"
#include "MindMaps/NodeStyle.h"
#include "MindMaps/RelationStyle.h"
#include "MindMaps/TextStyle.h"
#include "panels/ModalResult.h"
#include "platform/Localizer.h"

namespace {

MapStyleController::Window& installedWindow()
{
    static MapStyleController::Window window;
    return window;
}

} // namespace

void MapStyleFrame::controlsChanged() const
{
    if (_controlsChangedHandler) _controlsChangedHandler();
}

void MapStyleFrame::loadMindMapStyle(const MindMap& mindMap)
{
    _loading = true;
    _autoNumberingStyle = mindMap.autoNumberStyle();
    if (const MindMapStyle* style = mindMap.style()) {
        _checks[0] = style->isPropCustomized(MindMapStyle::BackgroundColorMask);
        _checks[1] = style->isPropCustomized(MindMapStyle::CheckboxColorMask);
        // The effective colours: white and green 600 when neither the map nor its sheet has one.
        _backgroundColor = style->backgroundColor();
        _checkboxColor = style->checkboxColor();
    }
    controlsChanged();
    _loading = false;
}

void MapStyleFrame::commitMindMapStyle(MindMapStyle& style) const
{
    ElementStyle::UpdateGuard batch(style);
    style.setPropCustomized(MindMapStyle::BackgroundColorMask, isChecked(Check::BackgroundColor));
    if (isChecked(Check::BackgroundColor)) style.setBackgroundColor(_backgroundColor);
    style.setPropCustomized(MindMapStyle::CheckboxColorMask, isChecked(Check::CheckboxColor));
    if (isChecked(Check::CheckboxColor)) style.setCheckboxColor(_checkboxColor);
}

void MapStyleFrame::setAutoNumberingStyle(int32_t style)
{
    if (style < AutoNumberDisabled || style > AutoNumberBelow) style = AutoNumberDisabled;
    _autoNumberingStyle = style;
    controlsChanged();
}

void MapStyleFrame::setCheckBox(Check check, bool checked)
{
    _checks.at(static_cast<size_t>(check)) = checked;
    controlsChanged();
}

void MapStyleFrame::backgroundColorSelected(const Color& color)
{
    _backgroundColor = color;
    if (!_loading) setCheckBox(Check::BackgroundColor, true);
}

void MapStyleFrame::checkboxColorSelected(const Color& color)
{
    _checkboxColor = color;
    if (!_loading) setCheckBox(Check::CheckboxColor, true);
}

void MapStyleController::setWindow(Window window)
{
    installedWindow() = std::move(window);
}

MapStyleController::MapStyleController()
{
    // The map's fonts are edited elsewhere; these tabs carry them through unchanged.
    _nodeStyleFrame.hideFontControls();
    _crossLinkFrame.hideConnectionStyle();
    _textStyleFrame.hideFontControls();
}

void MapStyleController::loadFromMindMap(MindMap& mindMap)
{
    _mindMap = &mindMap;
    _generation = mindMap.contentGeneration();
    _mapStyleFrame.loadMindMapStyle(mindMap);
    const MindMapStyle* style = mindMap.style();
    if (!style) return;
    _parentStyleFrame.loadConnectionStyle(*style);
    _parentStyleFrame.loadFromRelationStyle(*style->parentRelationStyle());
    _crossLinkFrame.loadFromRelationStyle(*style->crossLinkStyle());
    _nodeStyleFrame.loadFromNodeStyle(*style->nodeStyle());
    _textStyleFrame.loadFromTextStyle(*style->textStyle());
}

bool MapStyleController::commitToMindMap(MindMap& mindMap) const
{
    MindMapStyle* current = mindMap.style();
    if (!current) return false;
    const int32_t autoNumbering = _mapStyleFrame.autoNumberingStyle();
    MindMapStyle edited;
    _mapStyleFrame.commitMindMapStyle(edited);
    _parentStyleFrame.commitConnectionStyle(edited);
    _parentStyleFrame.commitToRelationStyle(*edited.parentRelationStyle());
    _crossLinkFrame.commitToRelationStyle(*edited.crossLinkStyle());
    _nodeStyleFrame.commitToNodeStyle(*edited.nodeStyle());
    _textStyleFrame.commitToTextStyle(*edited.textStyle());
    if (autoNumbering == mindMap.autoNumberStyle() && current->equals(&edited)) return false;
    MindMap::UpdateGuard update(mindMap);
    mindMap.prepareUndoableOperation(localized(TitleKey));
    mindMap.setAutoNumberStyle(autoNumbering);
    current->assign(&edited);
    return true;
}

MindMap* MapStyleController::liveMindMap() const
{
    // After a reload the map holds other content; the settings were read from the old one.
    if (!_mindMap || _mindMap->contentGeneration() != _generation) return nullptr;
    return _mindMap;
}

bool MapStyleController::applyButtonClicked()
{
    MindMap* mindMap = liveMindMap();
    return mindMap && commitToMindMap(*mindMap);
}

bool MapStyleController::editMindMapStyle(MindMap* mindMap)
{
    if (!mindMap || mindMap->readOnly() || !installedWindow()) return false;
    MapStyleController controller;
    controller.loadFromMindMap(*mindMap);
    const int result = installedWindow()(controller);
    if (result != ModalResult::MapStyleOK) return false;
    // A map reloaded while the dialog ran is not written, and nothing counts as confirmed.
    if (!controller.liveMindMap()) return false;
    controller.applyButtonClicked();
    return true;
}
