// The map's commands that change how selected elements look.

#include "MindMaps/MindMap.h"

#include "MindMaps/CommandPrompts.h"
#include "MindMaps/MindMapImage.h"
#include "MindMaps/MindMapNode.h"
#include "MindMaps/MindMapRelation.h"
#include "MindMaps/MindMapText.h"
#include "MindMaps/NodeStyle.h"
#include "MindMaps/PropertyPanels.h"
#include "MindMaps/RelationStyle.h"
#include "MindMaps/StyleHelpers.h"
#include "MindMaps/StylePresets.h"
#include "MindMaps/StyleSheet.h"
#include "MindMaps/TextStyle.h"
#include "Utils/FeedbackSink.h"
#include "platform/Color.h"
#include "platform/Font.h"
#include "platform/Localizer.h"

#include <cmath>
#include <memory>
#include <vector>

namespace {

constexpr uint32_t TopicsMask = ElementTypeNode;
constexpr uint32_t TopicsAndTextsMask = ElementTypeNode | ElementTypeText;
constexpr uint32_t RelationsMask = ElementTypeCrossLink | ElementTypeParentRelation;
constexpr uint32_t StyledElementsMask = TopicsMask | RelationsMask | ElementTypeText;

constexpr const char* ChangeStyleKey = "undoable_op_change_style";

// The largest line width and font size a document keeps; larger ones could not be drawn or laid
// out and would not survive a save.
constexpr double MaxLineWidth = 1000.0;
constexpr double MaxFontSize = 100.0 * TextStyle::BaseFontSize;

bool isWidth(double width)
{
    return std::isfinite(width) && width >= 0 && width <= MaxLineWidth;
}

bool inRange(int64_t value, int64_t lowest, int64_t highest)
{
    return value >= lowest && value <= highest;
}

bool isFiniteColor(const Color& color)
{
    return std::isfinite(color.red()) && std::isfinite(color.green()) && std::isfinite(color.blue()) &&
        std::isfinite(color.alpha());
}

// The common road of the style commands: leave the editor's modes, take the selection of the
// kinds, and change every element in selection order inside one step and one update.
template <typename Change> void changeSelection(MindMap& map, uint32_t mask, const char* undoKey, Change change)
{
    map.cancelEditorModes();
    // A copy: the selection may change while the elements do.
    const std::vector<MindMapElement*> elements = map.selectionWithMask(mask);
    if (elements.empty()) return;
    map.prepareUndoableOperation(localized(undoKey));
    MindMap::UpdateGuard update(map);
    for (MindMapElement* element : elements) change(element);
}

TextStyle* textStyleOf(MindMapElement* element)
{
    if (auto* node = dynamic_cast<MindMapNode*>(element)) return node->style();
    if (auto* text = dynamic_cast<MindMapText*>(element)) return text->style();
    return nullptr;
}

RelationStyle* relationStyleOf(MindMapElement* element)
{
    auto* relation = dynamic_cast<MindMapRelation*>(element);
    return relation ? relation->ownStyle() : nullptr;
}

NodeStyle* nodeStyleOf(MindMapElement* element)
{
    auto* node = dynamic_cast<MindMapNode*>(element);
    return node ? node->style() : nullptr;
}

} // namespace

// ---- Colours and customisation ----

void MindMap::changeColor(const Color& color)
{
    if (_readOnly || !isFiniteColor(color)) return;
    MindMapElement* primary = selectedElement();
    if (!primary || primary->elementType() == ElementTypeImage) return;
    // The colour panel works beside an open text editor: its modes stay as they are.
    const std::vector<MindMapElement*> elements = _selection;
    pushStateToUndoManager(localized("undoable_op_apply_custom_color"));
    UpdateGuard update(*this);
    for (MindMapElement* element : elements) element->setColor(color);
}

void MindMap::clearStyleCustomization()
{
    if (_readOnly) return;
    changeSelection(*this, StyledElementsMask, "undoable_op_clear_customization",
                    [](MindMapElement* element) { element->clearStyleCustomization(); });
}

void MindMap::applyPaletteIndex(int64_t index)
{
    if (index < 0) return;
    performMultipleSelectionNodeOperation([index](MindMapNode* node) { node->setColorPaletteIndex(index); },
                                          localized("undoable_op_apply_palette_color"));
}

void MindMap::applyDefaultWordWrap()
{
    changeSelection(*this, TopicsAndTextsMask, "undoable_op_word_wrap", [](MindMapElement* element) {
        if (auto* node = dynamic_cast<MindMapNode*>(element)) {
            node->applyDefaultWrap(true);
        } else if (auto* text = dynamic_cast<MindMapText*>(element)) {
            text->applyDefaultWrap(true);
        }
    });
}

void MindMap::changeElementColor(const Color& color, uint64_t aspect)
{
    if (!isFiniteColor(color)) return;
    if (aspect != TextStyle::TextColorMask && aspect != TextStyle::FillColorMask &&
        aspect != NodeStyle::StrokeColorMask) {
        return;
    }
    changeSelection(*this, TopicsAndTextsMask, ChangeStyleKey, [&](MindMapElement* element) {
        TextStyle* style = textStyleOf(element);
        if (!style) return;
        ElementStyle::UpdateGuard batch(*style);
        style->setPropCustomized(aspect, true);
        if (aspect == TextStyle::TextColorMask) {
            style->setTextColor(color);
        } else if (aspect == TextStyle::FillColorMask) {
            style->setFillColor(color);
        } else if (NodeStyle* nodeStyle = nodeStyleOf(element)) {
            nodeStyle->setStrokeColor(color);
        }
    });
}

// ---- Fonts and text ----

TextStyle* MindMap::getElementTextStyleDefaults(MindMapElement* element, uint64_t& defaultStyle,
                                                double& defaultSize) const
{
    std::optional<Font> referenceFont;
    TextStyle* style = nullptr;
    if (auto* text = dynamic_cast<MindMapText*>(element)) {
        style = text->style();
        referenceFont = StyleSheet::textFont();
    } else if (auto* node = dynamic_cast<MindMapNode*>(element)) {
        style = node->style();
        referenceFont = node->styleSheetFont();
    } else {
        return nullptr;
    }
    if (referenceFont) {
        defaultStyle = SwapBoldItalicBits(referenceFont->traits());
        defaultSize = referenceFont->pointSize();
    }
    return style;
}

void MindMap::changeFontSize(double size)
{
    if (!std::isfinite(size) || size <= 0 || size > MaxFontSize) return;
    changeSelection(*this, TopicsAndTextsMask, ChangeStyleKey, [&](MindMapElement* element) {
        uint64_t defaultStyle = 0;
        double defaultSize = TextStyle::BaseFontSize;
        if (TextStyle* style = getElementTextStyleDefaults(element, defaultStyle, defaultSize)) {
            style->changeFontSize(size, defaultStyle, defaultSize);
        }
    });
}

void MindMap::toggleFontStyleAspect(FontTraitMask trait)
{
    toggleFontStyleBits(SwapBoldItalicBits(trait));
}

void MindMap::toggleFontStyleBits(uint64_t bits)
{
    constexpr uint64_t FontStyleBits = 1 | 2 | 4 | 8;
    bits &= FontStyleBits;
    if (bits == 0) return;
    cancelEditorModes();
    const std::vector<MindMapElement*> elements = selectionWithMask(TopicsAndTextsMask);
    if (elements.empty()) return;

    // The primary element decides for all, so that a mixed selection ends up alike.
    uint64_t primaryDefaultStyle = 0;
    double primaryDefaultSize = TextStyle::BaseFontSize;
    const TextStyle* primaryStyle =
        getElementTextStyleDefaults(elements.front(), primaryDefaultStyle, primaryDefaultSize);
    if (!primaryStyle) return;
    const uint64_t current =
        primaryStyle->isPropDefined(TextStyle::FontMask) ? primaryStyle->fontStyle() : primaryDefaultStyle;
    const bool enable = (current & bits) != bits;

    prepareUndoableOperation(localized(ChangeStyleKey));
    UpdateGuard update(*this);
    for (MindMapElement* element : elements) {
        uint64_t defaultStyle = 0;
        double defaultSize = TextStyle::BaseFontSize;
        if (TextStyle* style = getElementTextStyleDefaults(element, defaultStyle, defaultSize)) {
            style->changeFontStyleAspect(bits, enable, defaultStyle, defaultSize);
        }
    }
}

void MindMap::changeTextAlignment(int32_t alignment)
{
    if (!inRange(alignment, 0, 2)) return;
    changeSelection(*this, TopicsAndTextsMask, ChangeStyleKey, [&](MindMapElement* element) {
        if (TextStyle* style = textStyleOf(element)) style->changeAlignment(alignment);
    });
}

// ---- Borders ----

void MindMap::changeBorderStyle(int32_t borderStyle)
{
    if (!inRange(borderStyle, 0, NodeStyle::NoBorder)) return;
    changeSelection(*this, TopicsMask, ChangeStyleKey, [&](MindMapElement* element) {
        if (NodeStyle* style = nodeStyleOf(element)) style->changeBorderStyle(borderStyle);
    });
}

void MindMap::changeBorderWidth(double borderWidth)
{
    if (!isWidth(borderWidth)) return;
    changeSelection(*this, TopicsMask, ChangeStyleKey, [&](MindMapElement* element) {
        if (NodeStyle* style = nodeStyleOf(element)) style->changeBorderWidth(borderWidth);
    });
}

// ---- Relation lines ----

void MindMap::changeLineStyle(int32_t lineStyle)
{
    if (!inRange(lineStyle, 0, 9)) return;
    changeSelection(*this, RelationsMask, ChangeStyleKey, [&](MindMapElement* element) {
        if (RelationStyle* style = relationStyleOf(element)) style->changeLineStyle(lineStyle);
    });
}

void MindMap::changeLineWidth(double lineWidth)
{
    if (!isWidth(lineWidth)) return;
    changeSelection(*this, RelationsMask, ChangeStyleKey, [&](MindMapElement* element) {
        if (RelationStyle* style = relationStyleOf(element)) style->changeLineWidth(lineWidth);
    });
}

void MindMap::changePathStyle(int32_t pathStyle)
{
    if (!inRange(pathStyle, 0, 2)) return;
    changeSelection(*this, RelationsMask, ChangeStyleKey, [&](MindMapElement* element) {
        if (RelationStyle* style = relationStyleOf(element)) style->changePathStyle(pathStyle);
    });
}

void MindMap::changeSourceArrowStyle(int32_t arrowStyle)
{
    if (!inRange(arrowStyle, 0, 8)) return;
    changeSelection(*this, RelationsMask, ChangeStyleKey, [&](MindMapElement* element) {
        if (RelationStyle* style = relationStyleOf(element)) style->changeSourceArrow(arrowStyle);
    });
}

void MindMap::changeTargetArrowStyle(int32_t arrowStyle)
{
    if (!inRange(arrowStyle, 0, 8)) return;
    changeSelection(*this, RelationsMask, ChangeStyleKey, [&](MindMapElement* element) {
        if (RelationStyle* style = relationStyleOf(element)) style->changeTargetArrow(arrowStyle);
    });
}

void MindMap::clearPathCustomization()
{
    changeSelection(*this, RelationsMask, "undoable_op_clear_path_customization", [](MindMapElement* element) {
        if (auto* relation = dynamic_cast<MindMapRelation*>(element)) relation->setHasCustomPath(false);
    });
}

// ---- Presets and the style buffer ----

void MindMap::applyStylePresetToSelection(const StylePreset* preset)
{
    if (!preset || !preset->style()) return;
    const ElementStyle* style = preset->style();
    changeSelection(*this, StyledElementsMask, ChangeStyleKey,
                    [style](MindMapElement* element) { element->applyPreset(style); });
}

void MindMap::copyStyle()
{
    forceSingleSelection();
    MindMapElement* primary = selectedElement();
    if (!primary) return;
    if (auto* node = dynamic_cast<MindMapNode*>(primary)) {
        auto copy = std::make_unique<NodeStyle>();
        copy->assign(node->style());
        _styleBuffer = std::move(copy);
    } else if (auto* relation = dynamic_cast<MindMapRelation*>(primary)) {
        auto copy = std::make_unique<RelationStyle>();
        copy->assign(relation->style());
        _styleBuffer = std::move(copy);
    } else if (auto* text = dynamic_cast<MindMapText*>(primary)) {
        auto copy = std::make_unique<TextStyle>();
        copy->assign(text->style());
        _styleBuffer = std::move(copy);
    }
}

void MindMap::pasteStyle()
{
    if (!_styleBuffer) return;
    cancelEditorModes();
    const std::vector<MindMapElement*> elements = selectionWithMask(StyledElementsMask);
    if (elements.empty()) return;
    prepareUndoableOperation(localized(ChangeStyleKey));
    UpdateGuard update(*this);
    const ElementStyle* buffer = _styleBuffer.get();
    for (MindMapElement* element : elements) {
        // A topic's style holds a text style, so it pastes onto texts; the reverse would leave a
        // topic without border or stroke.
        bool pasted = false;
        if (auto* node = dynamic_cast<MindMapNode*>(element)) {
            if (const auto* style = dynamic_cast<const NodeStyle*>(buffer)) {
                node->style()->assign(style);
                pasted = true;
            }
        } else if (auto* relation = dynamic_cast<MindMapRelation*>(element)) {
            if (const auto* style = dynamic_cast<const RelationStyle*>(buffer)) {
                relation->ownStyle()->assign(style);
                pasted = true;
            }
        } else if (auto* text = dynamic_cast<MindMapText*>(element)) {
            if (const auto* style = dynamic_cast<const TextStyle*>(buffer)) {
                text->style()->assign(style);
                pasted = true;
            }
        } else {
            continue;
        }
        if (!pasted) {
            feedbackSinkInstance().showEditorNotification(localized("unable_to_paste_style_error_title"),
                                                          localized("unable_to_paste_style_error_message"),
                                                          FeedbackStateError);
            return;
        }
    }
}

// ---- Dialogs and panels ----

void MindMap::editProperties()
{
    MindMapElement* primary = selectedElement();
    cancelEditorModes();
    forceSingleSelection();
    if (!primary || primary != selectedElement()) return;
    switch (primary->elementType()) {
    case ElementTypeNode:
        editNodeProperties(static_cast<MindMapNode*>(primary));
        break;
    case ElementTypeCrossLink:
    case ElementTypeParentRelation:
        editRelation(static_cast<MindMapRelation*>(primary));
        break;
    case ElementTypeImage:
        editImage();
        break;
    case ElementTypeText:
        editTextProperties(static_cast<MindMapText*>(primary));
        break;
    default:
        break;
    }
}

void MindMap::editNodeProperties(MindMapNode* node)
{
    if (!node || !containsElement(node)) return;
    forceNodeVisible(node);
    commitModelessEditor();
    if (_readOnly) {
        PropertyPanels::shared().editNoteProperties(node);
    } else {
        PropertyPanels::shared().editNodeProperties(node);
    }
}

void MindMap::editTextProperties(MindMapText* text)
{
    if (_readOnly || !text || !containsElement(text)) return;
    PropertyPanels::shared().editTextProperties(text);
}

void MindMap::editMindMapStyle()
{
    PropertyPanels::shared().editMindMapStyle(this);
}

void MindMap::editRelation(MindMapRelation* relation)
{
    if (_readOnly || !relation || !containsElement(relation)) return;
    RelationStyle working;
    working.assign(relation->style());
    if (!working.color()) {
        if (MindMapNode* target = relation->targetNode()) working.setColor(target->colorSchemeStrokeColor());
    }
    RelationStyle edited;
    if (!commandPromptsInstance().runRelationStyleDialog(localized("relation_style_dialog_default_title"),
                                                         localized("relation_style_dialog_message"), working, edited)) {
        return;
    }
    // The dialog ran modally: the relation may have gone meanwhile.
    if (!containsElement(relation) || edited.equals(relation->style())) return;
    prepareUndoableOperation(localized("relation_style_dialog_default_title"));
    if (!containsElement(relation)) return;
    UpdateGuard update(*this);
    relation->ownStyle()->assign(&edited);
}
