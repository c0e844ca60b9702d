#include "MindMaps/MindMapCommandValidation.h"

#include "MindMaps/ContainedElement.h"
#include "MindMaps/MMColorScheme.h"
#include "MindMaps/MindMap.h"
#include "MindMaps/MindMapFormats.h"
#include "MindMaps/MindMapNode.h"
#include "MindMaps/MindMapNodeEditor.h"
#include "MindMaps/MindMapRelation.h"
#include "MindMaps/MindMapText.h"
#include "MindMaps/StyleSheet.h"
#include "platform/ImagePasteboard.h"
#include "platform/Pasteboard.h"

namespace {

// What the enable rules look at, gathered once per question.
struct SelectionFacts {
    MindMapNode* topic = nullptr; // the primary element when it is a topic
    int32_t kind = ElementTypeNone;
    bool collapsed = false;
    bool central = false;
    bool palette = false;
    bool several = false;
    bool readOnly = false;

    bool kindIs(int32_t mask) const { return kind != ElementTypeNone && (kind & mask) != 0; }
    bool editableTopic() const { return topic && !readOnly; }
};

bool offersNativeData(const Pasteboard& pasteboard)
{
    return pasteboard.availableTypeFromArray({MindMapPasteboardType}).has_value();
}

bool offersText(const Pasteboard& pasteboard)
{
    return pasteboard.availableTypeFromArray({Pasteboard::StringType}).has_value();
}

bool isFreeLayoutTopic(const MindMapNode* topic)
{
    return topic && !topic->isAutoLayout() && topic->layoutMode() == 0;
}

} // namespace

bool MindMap::validateUserInterfaceItem(MindMapAction action, bool& handled) const
{
    handled = true;
    if (!_enabled) return false;
    switch (action) {
    case MindMapAction::copyAsOutline:
    case MindMapAction::copyAsImage:
        return true;
    case MindMapAction::editMindMapStyle:
        return !_readOnly;
    default:
        break;
    }
    if (!_nodeEditor || !_nodeEditor->isFocused()) return false;
    if (action == MindMapAction::addCentralTheme) return !_readOnly;

    SelectionFacts facts;
    facts.topic = selectedNode();
    facts.kind = selectedElementType();
    facts.collapsed = facts.topic && facts.topic->collapsed();
    facts.central = facts.topic && !facts.topic->parent();
    if (_styleSheet && _styleSheet->colorScheme()) {
        facts.palette = _styleSheet->colorScheme()->isPalettized() && !_styleSheet->colorScheme()->isLevelBased();
    }
    facts.several = hasMultipleSelection();
    facts.readOnly = _readOnly;
    const bool ro = facts.readOnly;
    MindMapNode* topic = facts.topic;

    switch (action) {
    case MindMapAction::editProperties:
        return topic || (!ro && facts.kind != ElementTypeNone);
    case MindMapAction::copy:
        return facts.kindIs(ElementTypeNode | ElementTypeImage | ElementTypeText);
    case MindMapAction::cut:
        return !ro && facts.kindIs(ElementTypeNode | ElementTypeImage | ElementTypeText);
    case MindMapAction::delete_:
        return !ro && facts.kind != ElementTypeNone;
    case MindMapAction::clearStyleCustomization:
        return !ro && facts.kind != ElementTypeNone && facts.kind != ElementTypeImage;

    case MindMapAction::addDiagramLink:
    case MindMapAction::addContactLink:
    case MindMapAction::addURLLink:
    case MindMapAction::showIconPickerPanel:
    case MindMapAction::showDatePickerPanel:
    case MindMapAction::setupCheckboxes:
    case MindMapAction::toggleCheckedState:
    case MindMapAction::deleteAlt:
    case MindMapAction::addCustomImage:
    case MindMapAction::changeBorderStyle:
    case MindMapAction::changeBorderWidth:
    case MindMapAction::invokeEmbeddedImagePicker:
        return facts.editableTopic();
    case MindMapAction::addImageAsTopic:
        return !ro && (topic || facts.kind == ElementTypeNone);
    case MindMapAction::clearEmbeddedImage:
        return facts.editableTopic() && topic->hasEmbeddedImage();
    case MindMapAction::toggleShowHull:
        return facts.editableTopic() && (facts.several || !facts.central);

    case MindMapAction::changeTextAlignment:
    case MindMapAction::applyDefaultWordWrap:
        return !ro && facts.kindIs(ElementTypeNode | ElementTypeText);
    case MindMapAction::changeLineStyle:
    case MindMapAction::changeLineWidth:
    case MindMapAction::changePathStyle:
    case MindMapAction::changeSourceArrowStyle:
    case MindMapAction::changeTargetArrowStyle:
    case MindMapAction::clearPathCustomization:
        return !ro && facts.kindIs(ElementTypeCrossLink | ElementTypeParentRelation);

    case MindMapAction::addChildNode:
        return facts.editableTopic() && !facts.collapsed;
    case MindMapAction::makeMainCentralTheme: {
        if (!facts.editableTopic() || facts.several || !facts.central) return false;
        // The main central theme as the map would name it, without choosing one here.
        const MindMapNode* main =
            _mainCentralTheme ? _mainCentralTheme : (_centralThemes.empty() ? nullptr : _centralThemes.front());
        return topic != main;
    }
    case MindMapAction::addSiblingNode:
    case MindMapAction::insertSiblingNode:
        return facts.editableTopic() && !facts.central;
    case MindMapAction::insertNode:
        return !ro && !facts.several && ((topic && !facts.central) || facts.kind == ElementTypeParentRelation);
    case MindMapAction::addBranchWithPaletteIndex:
        return facts.editableTopic() && !facts.collapsed && facts.palette;
    case MindMapAction::applyPaletteIndex:
        return facts.editableTopic() && facts.palette;

    case MindMapAction::paste: {
        if (ro) return false;
        const Pasteboard& pasteboard = Pasteboard::generalPasteboard();
        const bool native = offersNativeData(pasteboard);
        if (selectedRelation() && native) return true;
        if (((topic && !facts.collapsed) || _nodes.empty()) && (native || offersText(pasteboard))) return true;
        return topic && ImagePasteboard::canInitWithPasteboard(pasteboard);
    }
    case MindMapAction::pasteAsCentralTheme:
        return !ro && offersNativeData(Pasteboard::generalPasteboard());
    case MindMapAction::pasteTextAsList:
        return facts.editableTopic() && offersText(Pasteboard::generalPasteboard());
    case MindMapAction::changeLayoutMode:
        return facts.editableTopic() && !facts.several && !topic->isAutoLayout();
    case MindMapAction::copyStyle:
        return facts.kind != ElementTypeNone && facts.kind != ElementTypeImage;
    case MindMapAction::pasteStyle:
        return !ro && _styleBuffer && facts.kind != ElementTypeNone && facts.kind != ElementTypeImage;

    case MindMapAction::toggleCollapsed:
    case MindMapAction::fullExpand:
    case MindMapAction::fullCollapse:
    case MindMapAction::expandChildren:
    case MindMapAction::collapseChildren:
        return topic && !topic->isEditing() && (facts.several || topic->childCount() > 0);
    case MindMapAction::collapse:
        return topic && !topic->isEditing() && (facts.several || (topic->childCount() > 0 && !facts.collapsed));
    case MindMapAction::expand:
        return topic && !topic->isEditing() && (facts.several || (topic->childCount() > 0 && facts.collapsed));
    case MindMapAction::hideSelected:
    case MindMapAction::hideChildren:
    case MindMapAction::fullHide:
    case MindMapAction::showSelected:
    case MindMapAction::showChildren:
    case MindMapAction::fullShow:
        return facts.kindIs(ElementTypeNode | ElementTypeParentRelation);

    case MindMapAction::rotate90CW:
    case MindMapAction::rotate90CCW:
    case MindMapAction::rotate180:
    case MindMapAction::flipBranchHorizontal:
    case MindMapAction::flipBranchVertical:
        return facts.editableTopic() && !facts.several && isFreeLayoutTopic(topic);
    case MindMapAction::clearHyperlink:
        return facts.editableTopic() && (facts.several || topic->diagramLink());
    case MindMapAction::editText: {
        if (ro) return false;
        if (topic) return !topic->isEditing();
        const MindMapText* text = selectedTextElement();
        return text && !text->isEditing();
    }
    case MindMapAction::editImage:
    case MindMapAction::editImageLink:
        return !ro && !facts.several && facts.kind == ElementTypeImage;

    case MindMapAction::orderContainedElementBackward:
    case MindMapAction::orderContainedElementForward: {
        const ContainedElement* contained = selectedContainedElement();
        if (!contained || ro || facts.several || !contained->container()) return false;
        const size_t index = contained->indexInContainer();
        if (index == CompositeElement::NotFound) return false;
        if (action == MindMapAction::orderContainedElementBackward) return index != 0;
        return index + 1 < contained->container()->containedElementCount();
    }
    case MindMapAction::orderElementForward:
    case MindMapAction::orderElementBackward:
        return !ro && (topic || selectedContainedElement());
    case MindMapAction::orderUpSelectedNode:
        return facts.editableTopic() && !facts.several && !facts.central;
    case MindMapAction::addText: {
        if (ro || facts.kind == ElementTypeNone) return false;
        if (!facts.kindIs(ElementTypeCrossLink | ElementTypeParentRelation)) return true;
        const MindMapRelation* relation = selectedRelation();
        return relation && relation->targetNode() && relation->targetNode()->isVisible();
    }

    default:
        handled = false;
        return true;
    }
}
