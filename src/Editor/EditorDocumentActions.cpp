#include "Editor/EditorDocument.h"

#include "MindMaps/MindMap.h"
#include "MindMaps/MindMapCommandValidation.h"
#include "platform/Color.h"

#include <cmath>
#include <numbers>
#include <optional>
#include <unordered_map>

namespace {

// The editing commands the document passes to its map as they are.
struct ForwardedAction {
    const char* action;
    MindMapAction validation;
    void (MindMap::*command)();
};

const ForwardedAction kForwardedActions[] = {
    {"addCentralTheme:", MindMapAction::addCentralTheme, &MindMap::addCentralTheme},
    {"addChildNode:", MindMapAction::addChildNode, &MindMap::addChildNode},
    {"addSiblingNode:", MindMapAction::addSiblingNode, &MindMap::addSiblingNode},
    {"insertSiblingNode:", MindMapAction::insertSiblingNode, &MindMap::insertSiblingNode},
    {"insertNode:", MindMapAction::insertNode, &MindMap::insertNode},
    {"editText:", MindMapAction::editText, &MindMap::editText},
    {"applyDefaultWordWrap:", MindMapAction::applyDefaultWordWrap, &MindMap::applyDefaultWordWrap},
    {"clearStyleCustomization:", MindMapAction::clearStyleCustomization, &MindMap::clearStyleCustomization},
    {"delete:", MindMapAction::delete_, &MindMap::delete_},
    {"deleteAlt:", MindMapAction::deleteAlt, &MindMap::deleteAlt},
    {"cut:", MindMapAction::cut, &MindMap::cut},
    {"copy:", MindMapAction::copy, &MindMap::copy},
    {"paste:", MindMapAction::paste, &MindMap::paste},
    {"pasteAsCentralTheme:", MindMapAction::pasteAsCentralTheme, &MindMap::pasteAsCentralTheme},
    {"pasteTextAsList:", MindMapAction::pasteTextAsList, &MindMap::pasteTextAsList},
    {"copyAsImage:", MindMapAction::copyAsImage, &MindMap::copyAsImage},
    {"copyAsOutline:", MindMapAction::copyAsOutline, &MindMap::copyAsOutline},
    {"changeLayoutMode:", MindMapAction::changeLayoutMode, &MindMap::changeLayoutMode},
    {"expand:", MindMapAction::expand, &MindMap::expand},
    {"collapse:", MindMapAction::collapse, &MindMap::collapse},
    {"expandChildren:", MindMapAction::expandChildren, &MindMap::expandChildren},
    {"collapseChildren:", MindMapAction::collapseChildren, &MindMap::collapseChildren},
    {"toggleCollapsed:", MindMapAction::toggleCollapsed, &MindMap::toggleCollapsed},
    {"fullExpand:", MindMapAction::fullExpand, &MindMap::fullExpand},
    {"fullCollapse:", MindMapAction::fullCollapse, &MindMap::fullCollapse},
    {"hideSelected:", MindMapAction::hideSelected, &MindMap::hideSelected},
    {"hideChildren:", MindMapAction::hideChildren, &MindMap::hideChildren},
    {"fullHide:", MindMapAction::fullHide, &MindMap::fullHide},
    {"showSelected:", MindMapAction::showSelected, &MindMap::showSelected},
    {"showChildren:", MindMapAction::showChildren, &MindMap::showChildren},
    {"fullShow:", MindMapAction::fullShow, &MindMap::fullShow},
    {"makeMainCentralTheme:", MindMapAction::makeMainCentralTheme, &MindMap::makeMainCentralTheme},
    {"clearHyperlink:", MindMapAction::clearHyperlink, &MindMap::clearHyperlink},
    {"showIconPickerPanel:", MindMapAction::showIconPickerPanel, &MindMap::showIconPickerPanel},
    {"toggleCheckedState:", MindMapAction::toggleCheckedState, &MindMap::toggleCheckedState},
    {"showDatePickerPanel:", MindMapAction::showDatePickerPanel, &MindMap::showDatePickerPanel},
    {"toggleShowHull:", MindMapAction::toggleShowHull, &MindMap::toggleShowHull},
    {"editProperties:", MindMapAction::editProperties, &MindMap::editProperties},
    {"editMindMapStyle:", MindMapAction::editMindMapStyle, &MindMap::editMindMapStyle},
    {"addText:", MindMapAction::addText, &MindMap::addText},
    {"addCustomImage:", MindMapAction::addCustomImage, &MindMap::addCustomImage},
    {"editImage:", MindMapAction::editImage, &MindMap::editImage},
    {"editImageLink:", MindMapAction::editImageLink, &MindMap::editImageLink},
    {"addImageAsTopic:", MindMapAction::addImageAsTopic, &MindMap::addImageAsTopic},
    {"invokeEmbeddedImagePicker:", MindMapAction::invokeEmbeddedImagePicker, &MindMap::invokeEmbeddedImagePicker},
    {"clearEmbeddedImage:", MindMapAction::clearEmbeddedImage, &MindMap::clearEmbeddedImage},
    {"orderElementForward:", MindMapAction::orderElementForward, &MindMap::orderElementForward},
    {"orderElementBackward:", MindMapAction::orderElementBackward, &MindMap::orderElementBackward},
    {"orderUpSelectedNode:", MindMapAction::orderUpSelectedNode, &MindMap::orderUpSelectedNode},
    {"orderContainedElementForward:", MindMapAction::orderContainedElementForward,
     &MindMap::orderContainedElementForward},
    {"orderContainedElementBackward:", MindMapAction::orderContainedElementBackward,
     &MindMap::orderContainedElementBackward},
    {"clearPathCustomization:", MindMapAction::clearPathCustomization, &MindMap::clearPathCustomization},
    {"copyStyle:", MindMapAction::copyStyle, &MindMap::copyStyle},
    {"pasteStyle:", MindMapAction::pasteStyle, &MindMap::pasteStyle},
};

// Styling commands: one action serves a whole menu, its sender carries the value (a style code,
// a width, a palette index).
struct ValuedAction {
    const char* action;
    MindMapAction validation;
    void (*command)(MindMap& mindMap, double value);
};

int32_t styleCode(double value)
{
    return static_cast<int32_t>(value);
}

const ValuedAction kValuedActions[] = {
    {"addBranchWithPaletteIndex:", MindMapAction::addBranchWithPaletteIndex,
     [](MindMap& map, double value) { map.addBranchWithPaletteIndex(static_cast<int64_t>(value)); }},
    {"applyPaletteIndex:", MindMapAction::applyPaletteIndex,
     [](MindMap& map, double value) { map.applyPaletteIndex(static_cast<int64_t>(value)); }},
    {"changeBorderStyle:", MindMapAction::changeBorderStyle,
     [](MindMap& map, double value) { map.changeBorderStyle(styleCode(value)); }},
    {"changeBorderWidth:", MindMapAction::changeBorderWidth,
     [](MindMap& map, double value) { map.changeBorderWidth(value); }},
    {"changeTextAlignment:", MindMapAction::changeTextAlignment,
     [](MindMap& map, double value) { map.changeTextAlignment(styleCode(value)); }},
    {"changeSourceArrowStyle:", MindMapAction::changeSourceArrowStyle,
     [](MindMap& map, double value) { map.changeSourceArrowStyle(styleCode(value)); }},
    {"changeTargetArrowStyle:", MindMapAction::changeTargetArrowStyle,
     [](MindMap& map, double value) { map.changeTargetArrowStyle(styleCode(value)); }},
    {"changeLineStyle:", MindMapAction::changeLineStyle,
     [](MindMap& map, double value) { map.changeLineStyle(styleCode(value)); }},
    {"changeLineWidth:", MindMapAction::changeLineWidth,
     [](MindMap& map, double value) { map.changeLineWidth(value); }},
    {"changePathStyle:", MindMapAction::changePathStyle,
     [](MindMap& map, double value) { map.changePathStyle(styleCode(value)); }},
};

// Commands the document calls with an argument of its own.
struct FixedArgumentAction {
    const char* action;
    MindMapAction validation;
    void (*command)(MindMap& mindMap);
};

const FixedArgumentAction kFixedArgumentActions[] = {
    {"rotate90CW:", MindMapAction::rotate90CW, [](MindMap& map) { map.rotateBranchBy(std::numbers::pi / 2); }},
    {"rotate90CCW:", MindMapAction::rotate90CCW, [](MindMap& map) { map.rotateBranchBy(-std::numbers::pi / 2); }},
    {"rotate180:", MindMapAction::rotate180, [](MindMap& map) { map.rotateBranchBy(std::numbers::pi); }},
    {"flipBranchHorizontal:", MindMapAction::flipBranchHorizontal, [](MindMap& map) { map.flipBranch(true); }},
    {"flipBranchVertical:", MindMapAction::flipBranchVertical, [](MindMap& map) { map.flipBranch(false); }},
    {"selectAllNodes:", MindMapAction::other, [](MindMap& map) { map.selectAll(1); }},
    {"selectAllCrossLinks:", MindMapAction::other, [](MindMap& map) { map.selectAll(2); }},
    {"selectAllRelations:", MindMapAction::other, [](MindMap& map) { map.selectAll(4); }},
    {"selectAllImages:", MindMapAction::other, [](MindMap& map) { map.selectAll(8); }},
    {"selectAllTexts:", MindMapAction::other, [](MindMap& map) { map.selectAll(16); }},
    {"selectSearchMatches:", MindMapAction::other, [](MindMap& map) { map.selectSearchMatches(); }},
    // Its menu item only carries the checkbox set-up submenu.
    {"setupCheckboxes:", MindMapAction::setupCheckboxes, [](MindMap&) {}},
};

// Enabled whenever a map is open, whatever it has selected.
const char* const kAlwaysEnabledWithMap[] = {
    "showMindMapInfo:", "printDocument:",  "exportDocument:",      "exportOutline:",
    "printOutline:",    "selectAllNodes:", "selectAllCrossLinks:", "selectAllRelations:",
    "selectAllImages:", "selectAllTexts:", "selectSearchMatches:",
};

// The value a styling sender carries: its represented number, else its tag.
std::optional<double> senderValue(const ActionSender* sender)
{
    if (!sender) return std::nullopt;
    const std::any value = sender->representedValue();
    if (const double* number = std::any_cast<double>(&value)) return *number;
    if (const float* number = std::any_cast<float>(&value)) return *number;
    if (const int* number = std::any_cast<int>(&value)) return *number;
    if (const int64_t* number = std::any_cast<int64_t>(&value)) return static_cast<double>(*number);
    if (const uint64_t* number = std::any_cast<uint64_t>(&value)) return static_cast<double>(*number);
    if (value.has_value()) return std::nullopt;
    return static_cast<double>(sender->tag());
}

const std::unordered_map<std::string, MindMapAction>& mapValidations()
{
    static const std::unordered_map<std::string, MindMapAction> validations = [] {
        std::unordered_map<std::string, MindMapAction> table;
        for (const ForwardedAction& entry : kForwardedActions) table.emplace(entry.action, entry.validation);
        for (const ValuedAction& entry : kValuedActions) table.emplace(entry.action, entry.validation);
        for (const FixedArgumentAction& entry : kFixedArgumentActions) table.emplace(entry.action, entry.validation);
        table.emplace("changeColor:", MindMapAction::changeColor);
        return table;
    }();
    return validations;
}

} // namespace

void EditorDocument::registerActions()
{
    addAction("saveDocument:", [this](const ActionSender*) { saveDocument(); });
    // The window's undo, which is the document's: in-place edits end first, so that what is undone
    // is what the user sees.
    addAction("undo:", [this](const ActionSender*) {
        commitModelessEditors();
        _undoManager.undo();
    });
    addAction("redo:", [this](const ActionSender*) {
        commitModelessEditors();
        _undoManager.redo();
    });
    registerMapActions();
    registerPanelActions();
}

void EditorDocument::registerMapActions()
{
    for (const ForwardedAction& entry : kForwardedActions)
        addAction(entry.action, [this, command = entry.command](const ActionSender*) { (_mindMap.get()->*command)(); });
    for (const ValuedAction& entry : kValuedActions)
        addAction(entry.action, [this, command = entry.command](const ActionSender* sender) {
            std::optional<double> value = senderValue(sender);
            if (value && std::isfinite(*value)) command(*_mindMap, *value);
        });
    for (const FixedArgumentAction& entry : kFixedArgumentActions)
        addAction(entry.action, [this, command = entry.command](const ActionSender*) { command(*_mindMap); });
    addAction("changeColor:", [this](const ActionSender* sender) {
        if (!sender) return;
        const std::any value = sender->representedValue();
        if (const Color* color = std::any_cast<Color>(&value)) _mindMap->changeColor(*color);
    });
}

ItemValidation EditorDocument::validateUserInterfaceItem(const ValidatedUserInterfaceItem& item)
{
    if (!_storage || !_mindMap->enabled()) return ItemValidation::enabledIf(false);
    const std::string action = item.action();
    if (action == "saveDocument:" || action == "revertDocumentToSaved:")
        return ItemValidation::enabledIf(isDocumentEdited());
    for (const char* always : kAlwaysEnabledWithMap)
        if (action == always) return {};
    if (action == "undo:") return ItemValidation::enabledIf(_undoManager.canUndo());
    if (action == "redo:") return ItemValidation::enabledIf(_undoManager.canRedo());
    const auto& validations = mapValidations();
    auto it = validations.find(action);
    if (it != validations.end()) {
        bool handled = false;
        const bool enabled = _mindMap->validateUserInterfaceItem(it->second, handled);
        if (handled) return ItemValidation::enabledIf(enabled);
    }
    return {};
}
