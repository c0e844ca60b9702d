#include "panels/StylePresetsBrowser.h"

#include "MindMaps/MindMapElement.h"
#include "MindMaps/MindMapNode.h"
#include "MindMaps/MindMapRelation.h"
#include "MindMaps/MindMapText.h"
#include "MindMaps/NodeStyle.h"
#include "MindMaps/RelationStyle.h"
#include "MindMaps/StylePresets.h"
#include "MindMaps/TextStyle.h"
#include "platform/AlertPanel.h"
#include "platform/Error.h"
#include "platform/Localizer.h"

const Image& PresetBrowserItem::imageRepresentation() const
{
    if (_preset.image().isNull()) _preset.setImage(Image::fromResource(FallbackImageName));
    return _preset.image();
}

const std::string& PresetBrowserItem::imageUID() const
{
    return _preset.UID();
}

StylePresets* StylePresetsBrowser::sharedPresetsForElementType(int32_t elementType)
{
    switch (elementType) {
    case ElementTypeNode:
        return &NodeStylePresets::nodeStylePresets();
    case ElementTypeCrossLink:
    case ElementTypeParentRelation:
        return &RelationStylePresets::relationStylePresets();
    case ElementTypeText:
        return &TextStylePresets::textStylePresets();
    default:
        return nullptr;
    }
}

std::unique_ptr<StylePresetsBrowser> StylePresetsBrowser::forElement(const MindMapElement& element,
                                                                     const PresetsLookup& lookup)
{
    // The reference style has no parent: it holds the element's effective values itself, so that
    // the previews show the preset as it would look on this element.
    std::unique_ptr<ElementStyle> reference;
    switch (element.elementType()) {
    case ElementTypeNode:
        if (auto* node = dynamic_cast<const MindMapNode*>(&element)) {
            auto style = std::make_unique<NodeStyle>();
            node->assignToStyle(style.get());
            reference = std::move(style);
        }
        break;
    case ElementTypeCrossLink:
    case ElementTypeParentRelation:
        if (auto* relation = dynamic_cast<const MindMapRelation*>(&element)) {
            auto style = std::make_unique<RelationStyle>();
            relation->assignToStyle(style.get());
            reference = std::move(style);
        }
        break;
    case ElementTypeText:
        if (auto* text = dynamic_cast<const MindMapText*>(&element)) {
            auto style = std::make_unique<TextStyle>();
            text->assignToStyle(style.get());
            reference = std::move(style);
        }
        break;
    default:
        break;
    }
    if (!reference || !lookup) return nullptr;
    StylePresets* presets = lookup(element.elementType());
    if (!presets) return nullptr;
    return std::make_unique<StylePresetsBrowser>(*presets, std::move(reference));
}

StylePresetsBrowser::StylePresetsBrowser(StylePresets& presets, std::unique_ptr<ElementStyle> referenceStyle)
    : _presets(presets), _referenceStyle(std::move(referenceStyle))
{
}

StylePresetsBrowser::~StylePresetsBrowser() = default;

void StylePresetsBrowser::reloadPresets(bool redraw)
{
    _items.clear();
    for (const std::unique_ptr<StylePreset>& preset : _presets.presets()) {
        if (redraw) preset->updateImage(_referenceStyle.get());
        _items.emplace_back(*preset);
    }
    if (_view) _view->reloadBrowser();
}

StylePreset* StylePresetsBrowser::selectedPreset() const
{
    if (!_view) return nullptr;
    std::optional<size_t> index = _view->selectedIndex();
    if (!index || *index >= _items.size()) return nullptr;
    return &_items[*index].preset();
}

void StylePresetsBrowser::updateButtonStates()
{
    if (!_view) return;
    const bool selected = selectedPreset() != nullptr;
    _view->setOkEnabled(selected);
    _view->setDeleteEnabled(selected && _editMode);
}

void StylePresetsBrowser::finish(int result)
{
    // A session ends once: the selection change that a closing window may still send is too late.
    if (_result) return;
    _result = result;
    if (_view) {
        _view->passivateBrowser();
        _view->stopModal(result);
    }
}

void StylePresetsBrowser::okButtonClicked()
{
    if (!selectedPreset()) return;
    finish(OkResult);
}

void StylePresetsBrowser::cancelButtonClicked()
{
    finish(AbortResult);
}

void StylePresetsBrowser::windowWillClose()
{
    finish(AbortResult);
}

void StylePresetsBrowser::deleteButtonClicked()
{
    if (!_view) return;
    std::optional<size_t> index = _view->selectedIndex();
    if (!index || *index >= _items.size()) return;
    Error error;
    const bool saved = _presets.deletePresetAtIndex(*index, &error);
    reloadPresets(false);
    updateButtonStates();
    if (!saved) reportSaveFailure(error);
}

void StylePresetsBrowser::editModeButtonClicked()
{
    _editMode = !_editMode;
    if (_view) {
        _view->setEditModeShown(_editMode);
        _view->setReorderingAllowed(_editMode);
    }
    updateButtonStates();
}

void StylePresetsBrowser::cellWasDoubleClicked(size_t)
{
    okButtonClicked();
}

void StylePresetsBrowser::selectionDidChange()
{
    // Outside edit mode a single click picks.
    if (!_editMode && selectedPreset()) okButtonClicked();
    updateButtonStates();
}

bool StylePresetsBrowser::moveItems(const std::vector<size_t>& indexes, size_t toIndex)
{
    if (indexes.empty()) {
        if (_view) _view->reloadBrowser();
        return true;
    }
    Error error;
    const bool saved = _presets.movePresetFromIndex(indexes.front(), toIndex, &error);
    reloadPresets(false);
    if (!saved) reportSaveFailure(error);
    return true;
}

void StylePresetsBrowser::reportSaveFailure(const Error& error) const
{
    // The grid already shows the change, which the next start would undo: the user must know.
    AlertPanel::Request request;
    request.messageText = localized(SaveFailedKey);
    request.informativeText = error.localizedDescription;
    if (!error.failureReason.empty())
        request.informativeText += (request.informativeText.empty() ? "" : " ") + error.failureReason;
    request.style = AlertPanel::Style::Warning;
    AlertPanel::shared().runModal(request);
}

StylePreset* StylePresetsBrowser::chosenPreset(int result) const
{
    return result == OkResult ? selectedPreset() : nullptr;
}
