#include "Editor/EditorWindowActions.h"

#include "Editor/FeedbackCenter.h"
#include "Editor/WindowModes.h"
#include "MindMaps/ElementStyle.h"
#include "MindMaps/MindMap.h"
#include "MindMaps/MindMapElement.h"
#include "MindMaps/MindMapNode.h"
#include "MindMaps/MindMapRelation.h"
#include "MindMaps/MindMapText.h"
#include "MindMaps/NodeStyle.h"
#include "MindMaps/RelationStyle.h"
#include "MindMaps/StylePresets.h"
#include "MindMaps/StyleSheet.h"
#include "MindMaps/TextStyle.h"
#include "editor-view/MindMapEditor.h"
#include "platform/Localizer.h"

#include <cmath>

namespace {

constexpr std::pair<const char*, int64_t> kColorActions[] = {
    {"pickFillColor:", EditorWindowActions::FillColorAspect},
    {"pickStrokeColor:", EditorWindowActions::StrokeColorAspect},
    {"pickTextColor:", EditorWindowActions::TextColorAspect},
};

constexpr std::pair<const char*, uint64_t> kFontStyleActions[] = {
    {"toggleBoldFontStyle:", EditorWindowActions::BoldFontStyle},
    {"toggleItalicFontStyle:", EditorWindowActions::ItalicFontStyle},
    {"toggleStrikeThroughFontStyle:", EditorWindowActions::StrikeThroughFontStyle},
    {"toggleUnderlineFontStyle:", EditorWindowActions::UnderlineFontStyle},
};

constexpr std::pair<const char*, int32_t> kAutoFocusActions[] = {
    {"autoFocusDisabled:", 0},
    {"autoFocusSelected:", 1},
    {"autoFocusChildren:", 2},
    {"autoFocusBranch:", 3},
};

// Handed on to the editor as they come; it validates them itself.
constexpr const char* kEditorActions[] = {
    "zoomIn:",
    "zoomOut:",
    "zoomActualSize:",
    "scrollMapToCenter:",
    "scrollSelectedElementToCenter:",
    "scrollSelectedElementVisible:",
    "zoomContents:",
};

// Enabled whenever an enabled map shows.
constexpr const char* kMapEnabledActions[] = {"changeStyleSheet:", "zoomFactorSelected:", "showMapSearchbar:"};

constexpr const char* kPresetActions[] = {"applyPreset:", "addPresetFromSelection:"};

template <class Table> bool inTable(const Table& table, const std::string& action)
{
    for (const auto& entry : table)
        if (action == entry.first) return true;
    return false;
}

bool inList(const auto& list, const std::string& action)
{
    for (const char* entry : list)
        if (action == entry) return true;
    return false;
}

bool isTopicOrText(int32_t type)
{
    return type == ElementTypeNode || type == ElementTypeText;
}

// The style of the kinds of element presets are kept for.
const ElementStyle* presetStyleOf(MindMapElement* element)
{
    if (auto* node = dynamic_cast<MindMapNode*>(element)) return node->style();
    if (auto* relation = dynamic_cast<MindMapRelation*>(element)) return relation->style();
    if (auto* text = dynamic_cast<MindMapText*>(element)) return text->style();
    return nullptr;
}

} // namespace

EditorWindowActions::EditorWindowActions(EditorWindowActionsServices services) : _services(std::move(services))
{
}

EditorWindowActions::~EditorWindowActions()
{
    if (_colorPicker) _colorPicker->setDelegate(nullptr);
}

MindMapEditor* EditorWindowActions::editor() const
{
    return _services.editor ? _services.editor() : nullptr;
}

MindMap* EditorWindowActions::mindMap() const
{
    MindMapEditor* view = editor();
    return view ? view->mindMap() : nullptr;
}

bool EditorWindowActions::editorIsFirstResponder() const
{
    return editor() && (!_services.editorIsFirstResponder || _services.editorIsFirstResponder());
}

bool EditorWindowActions::editable() const
{
    MindMap* map = mindMap();
    return map && map->enabled() && !map->readOnly();
}

void EditorWindowActions::showNotification(const std::string& title, const std::string& message, unsigned state) const
{
    if (_services.showNotification) _services.showNotification(title, message, state);
    else FeedbackCenter::feedbackCenter().showEditorNotification(title, message, state);
}

StylePresets* EditorWindowActions::presetsFor(int32_t elementType) const
{
    if (_services.presetsForElementType) return _services.presetsForElementType(elementType);
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

void EditorWindowActions::registerActions(const ActionRegistrar& add)
{
    add("changeStyleSheet:", [this](const ActionSender* sender) { changeStyleSheet(sender); });
    for (const auto& [action, aspect] : kColorActions)
        add(action, [this, aspect = aspect](const ActionSender*) { pickColorAspect(aspect); });
    add("fontSizeSelected:", [this](const ActionSender* sender) { fontSizeSelected(sender); });
    for (const auto& [action, bits] : kFontStyleActions)
        add(action, [this, bits = bits](const ActionSender*) { toggleFontStyle(bits); });
    add("applyPreset:", [this](const ActionSender*) { applyPreset(); });
    add("addPresetFromSelection:", [this](const ActionSender*) { addPresetFromSelection(); });
    for (const char* action : kEditorActions)
        add(action, [this, action = std::string(action)](const ActionSender* sender) {
            if (MindMapEditor* view = editor()) view->performAction(action, sender);
        });
    add("zoomFactorSelected:", [this](const ActionSender* sender) { zoomFactorSelected(sender); });
    for (const auto& [action, mode] : kAutoFocusActions)
        add(action, [this, mode = mode](const ActionSender*) {
            MindMapEditor* view = editor();
            if (view && view->enabled()) view->autoFocusser().setAutoFocusMode(mode);
        });
    if (WindowModes* modes = _services.modes) {
        add("toggleFullScreenMode:", [modes](const ActionSender*) { modes->toggleFullScreenMode(); });
        add("togglePresentationMode:", [modes](const ActionSender*) { modes->togglePresentationMode(); });
    }
}

std::optional<ItemValidation> EditorWindowActions::validate(const ValidatedUserInterfaceItem& item) const
{
    const std::string action = item.action();
    MindMapEditor* view = editor();
    MindMap* map = mindMap();
    const bool mapEnabled = map && map->enabled();
    if (inList(kMapEnabledActions, action)) return ItemValidation::enabledIf(mapEnabled);
    if (inTable(kAutoFocusActions, action)) {
        ItemValidation validation = ItemValidation::enabledIf(mapEnabled);
        if (view) validation.checked = item.tag() == view->autoFocusser().autoFocusMode();
        return validation;
    }
    const int32_t type = map ? map->selectedElementType() : ElementTypeNone;
    const bool canStyle = editorIsFirstResponder() && editable();
    if (action == "pickFillColor:" || action == "pickTextColor:" || action == "fontSizeSelected:" ||
        inTable(kFontStyleActions, action))
        return ItemValidation::enabledIf(canStyle && isTopicOrText(type));
    if (inList(kPresetActions, action))
        return ItemValidation::enabledIf(
            canStyle && (isTopicOrText(type) || type == ElementTypeCrossLink || type == ElementTypeParentRelation));
    if (action == "pickStrokeColor:") return ItemValidation::enabledIf(canStyle && map->selectedNode());
    if (inList(kEditorActions, action)) {
        if (!view) return ItemValidation::enabledIf(false);
        return view->validateUserInterfaceItem(item);
    }
    if (_services.modes && (action == "toggleFullScreenMode:" || action == "togglePresentationMode:"))
        return ItemValidation{};
    return std::nullopt;
}

void EditorWindowActions::changeStyleSheet(const ActionSender* sender)
{
    MindMap* map = mindMap();
    if (!map || !sender) return;
    const std::any value = sender->representedValue();
    if (const auto* sheet = std::any_cast<std::shared_ptr<StyleSheet>>(&value)) {
        if (*sheet) map->setStyleSheet(*sheet);
    }
}

void EditorWindowActions::pickColorAspect(int64_t aspect)
{
    MindMapEditor* view = editor();
    MindMap* map = mindMap();
    if (!view || !map || !isTopicOrText(map->selectedElementType())) return;
    MindMapElement* element = map->selectedElement();
    if (!_colorPicker) {
        if (!_services.makeColorPicker) return;
        _colorPicker = _services.makeColorPicker();
        if (!_colorPicker) return;
        _colorPicker->setDelegate(this);
    }
    _colorPicker->setTag(aspect);
    _colorPicker->popupAtFrame(view->mapRectToViewRect(element->bounds()), PopoverPresenter::Edge::Top,
                               aspect == FillColorAspect);
}

void EditorWindowActions::popoverColorPicked(PopoverColorPicker& picker, const Color& color)
{
    // The selection may have changed to something the colour cannot go to, or the map to one the
    // user may not change, while the chooser was open: the map refuses both.
    if (MindMap* map = mindMap()) map->changeElementColor(color, static_cast<uint64_t>(picker.tag()));
}

void EditorWindowActions::fontSizeSelected(const ActionSender* sender)
{
    MindMap* map = mindMap();
    if (!map || !sender || sender->tag() < 1) return;
    map->changeFontSize(static_cast<double>(sender->tag()));
}

void EditorWindowActions::toggleFontStyle(uint64_t bits)
{
    if (MindMap* map = mindMap()) map->toggleFontStyleBits(bits);
}

void EditorWindowActions::applyPreset()
{
    MindMapEditor* view = editor();
    MindMap* map = mindMap();
    if (!view || !map) return;
    view->cancelEditorModes(true);
    MindMapElement* element = map->selectedElement();
    if (!element || !_services.pickStylePreset) return;
    // The browser answers later: the map may be gone or another by then.
    _services.pickStylePreset(*element, [this, expected = map](const StylePreset& preset) {
        if (MindMap* current = mindMap(); current == expected) current->applyStylePresetToSelection(&preset);
    });
}

void EditorWindowActions::addPresetFromSelection()
{
    MindMapEditor* view = editor();
    MindMap* map = mindMap();
    if (!view || !map) return;
    view->cancelEditorModes(true);
    MindMapElement* element = map->selectedElement();
    const ElementStyle* style = presetStyleOf(element);
    StylePresets* presets = element ? presetsFor(element->elementType()) : nullptr;
    if (!style || !presets) return;
    if (style->customizedProps() == 0) {
        showNotification(localized(ErrorCaptionKey), localized(UncustomizedPresetKey), 2);
        return;
    }
    presets->addPreset(style);
}

void EditorWindowActions::zoomFactorSelected(const ActionSender* sender)
{
    MindMapEditor* view = editor();
    if (!view || !sender || sender->tag() < 1) return;
    view->zoomAtCenterPoint(static_cast<double>(sender->tag()) / 100.0);
}

void EditorWindowActions::zoomFactorChangedNotification()
{
    MindMapEditor* view = editor();
    if (view && _services.setZoomFactorText) _services.setZoomFactorText(zoomFactorText(view->userScaleFactor()));
}

std::string EditorWindowActions::zoomFactorText(double userScaleFactor)
{
    // In double precision: 1.255 is a little below it and shows 125, as the menu's 125% does.
    const double percent = userScaleFactor * 100.0;
    const long rounded = std::isfinite(percent) ? std::lround(percent) : 0;
    return formatText(ZoomFactorFormat, {std::to_string(rounded)});
}
