// The map's commands that attach links, icons, checkboxes, dates, hulls and images to topics.

#include "MindMaps/MindMap.h"

#include "Utils/StringUtils.h"

#include "MindMaps/CommandPrompts.h"
#include "MindMaps/MapImageServices.h"
#include "MindMaps/MindMapImage.h"
#include "MindMaps/MindMapNode.h"
#include "MindMaps/MindMapNodeEditor.h"
#include "MindMaps/NodeHullStyle.h"
#include "platform/Localizer.h"
#include "platform/NotificationCenter.h"

#include <string>

namespace {

// What the image settings' native density means as the scale of a new image.
constexpr double NativeDensityScale = 2.5;
// Scales up to this are taken as "none given".
constexpr double SmallestGivenScale = 0.01;

} // namespace

// ---- Per-topic commands ----

void MindMap::clearHyperlink()
{
    performMultipleSelectionNodeOperation(
        [this](MindMapNode* node) {
            if (!node->diagramLink()) return;
            node->clearHyperlink();
            forceNodeVisible(node);
        },
        localized("hyperlink_remove_link"));
}

void MindMap::selectIcon(const std::string& iconKey)
{
    if (_readOnly) return;
    performMultipleSelectionNodeOperation([&iconKey](MindMapNode* node) { node->setIconName(iconKey); },
                                          localized("undoable_op_change_icon"));
}

void MindMap::toggleCheckedState()
{
    performMultipleSelectionNodeOperation(
        [](MindMapNode* node) {
            switch (node->checkboxMode()) {
            case 0:
                node->setShowCheckbox(true);
                node->setProgress(0);
                break;
            case 1:
                node->setCheckedState(node->checkedState() == 0 ? 1 : 0);
                break;
            case 2:
                // 95 steps to 100 (clamped) and the next toggle starts again at 0.
                node->setProgress(node->progress() > 99 ? 0 : node->progress() + 10);
                break;
            default:
                // Roll-up progress follows the children.
                break;
            }
        },
        localized("undoable_op_change_topic_checkboxes"));
}

void MindMap::applyDate(const std::optional<std::chrono::system_clock::time_point>& date)
{
    performMultipleSelectionNodeOperation([&date](MindMapNode* node) { node->setDate(date); },
                                          localized("topic_menu_topic_set_date"));
}

void MindMap::toggleShowHull()
{
    performMultipleSelectionNodeOperation(
        [](MindMapNode* node) {
            // Central themes never show a hull.
            if (!node->parent()) return;
            if (node->hullStyle()) {
                node->setHullStyle(nullptr);
            } else {
                node->assureHullStyle();
            }
        },
        localized("topic_menu_hull_options"));
}

void MindMap::selectEmbeddedImage(const std::string& imageHash)
{
    if (_readOnly) return;
    performMultipleSelectionNodeOperation([&imageHash](MindMapNode* node) { node->setEmbeddedImageName(imageHash); },
                                          localized("undoable_op_change_image"));
}

void MindMap::clearEmbeddedImage()
{
    selectEmbeddedImage(std::string());
}

// ---- Links ----

void MindMap::addDiagramLink(const std::string& link, const std::string& nativeLink, int32_t linkType)
{
    MindMapNode* node = prepareUndoableNodeOperation(localized("action_add_hyperlink"));
    if (!node) return;
    forceSingleSelection();
    UpdateGuard update(*this);
    switch (linkType) {
    case 0:
        node->linkToLocalMap(link, std::string(), false);
        break;
    case 1:
        node->linkToURL(link);
        break;
    case 2:
        node->linkToCloudMap(link, nativeLink, std::string());
        break;
    case 3:
        node->linkToCloudDocument(link, nativeLink);
        break;
    case 4:
        node->linkToPhoneContact(link, std::string());
        break;
    case 5:
        node->linkToEmailContact(link, std::string());
        break;
    default:
        break;
    }
    forceNodeVisible(node);
}

void MindMap::linkNode(MindMapNode* node, const std::string& url)
{
    if (!node || !containsElement(node)) return;
    cancelEditorModes();
    // Leaving the editor's modes may have taken the node away.
    if (!containsElement(node)) return;
    prepareUndoableOperation(localized("hyperlink_link_doc"));
    UpdateGuard update(*this);
    setSelectedElement(node);
    node->linkToURL(url);
    forceNodeVisible(node);
}

void MindMap::addContactLink(const std::string& contact, const std::string& imageHash, int32_t linkType)
{
    MindMapNode* node = prepareUndoableNodeOperation(localized("action_add_hyperlink"));
    if (!node) return;
    forceSingleSelection();
    UpdateGuard update(*this);
    if (linkType == 5) {
        node->linkToEmailContact(contact, imageHash);
    } else if (linkType == 4) {
        node->linkToPhoneContact(contact, imageHash);
    } else {
        return;
    }
    forceNodeVisible(node);
}

// ---- Checkboxes and pickers ----

void MindMap::applyCheckedState(int32_t checkboxMode, int64_t progress)
{
    if (checkboxMode < 0 || checkboxMode > 3) return;
    cancelEditorModes();
    const std::vector<MindMapElement*> nodes = selectionWithMask(ElementTypeNode);
    if (nodes.empty()) return;
    prepareUndoableOperation(localized("undoable_op_change_topic_checkboxes"));
    UpdateGuard update(*this);
    for (MindMapElement* element : nodes) {
        auto* node = static_cast<MindMapNode*>(element);
        node->setCheckboxMode(checkboxMode);
        if (checkboxMode != 0 && checkboxMode != 3) node->setProgress(progress);
    }
}

void MindMap::showIconPickerPanel()
{
    NotificationCenter::defaultCenter().post(InvokeIconPickerNotification, this);
}

void MindMap::showDatePickerPanel()
{
    cancelEditorModes();
    NotificationCenter::defaultCenter().post(InvokeDatePickerNotification, this);
}

// ---- Images ----

void MindMap::invokeEmbeddedImagePicker()
{
    if (_nodeEditor) _nodeEditor->invokeEmbeddedImagePicker();
}

void MindMap::addCustomImage()
{
    if (_readOnly || !_nodeEditor) return;
    _nodeEditor->addCustomImage();
}

void MindMap::editImage()
{
    if (_readOnly || !_nodeEditor) return;
    _nodeEditor->editSelectedImage();
}

MindMapImage* MindMap::addCustomImageWithHash(const std::string& imageHash, const std::string& thumbnailHash,
                                              const std::string& imageLink, double scale)
{
    if (imageHash.empty()) return nullptr;
    MindMapNode* node = prepareUndoableNodeOperation(localized("undoable_op_add_image"));
    if (!node) return nullptr;
    UpdateGuard update(*this);
    MindMapImage* image = node->addCustomImage(imageHash, thumbnailHash);
    if (!image) return nullptr;
    if (scale > SmallestGivenScale) {
        image->setScale(scale);
    } else if (mapImageServicesInstance().addInNativeDensity()) {
        image->setScale(NativeDensityScale);
    }
    image->setImageLink(imageLink);
    image->assignDefaultLocation();
    setSelectedElement(image);
    addChangeBits(MindMapChangeScrollSelection);
    return image;
}

void MindMap::changeImage(MindMapImage* image, const std::string& imageHash, const std::string& thumbnailHash,
                          const std::string& imageLink)
{
    if (!image || imageHash.empty() || image != selectedImage()) return;
    // An image that already shows these pictures and link at scale 1 would not change at all; one
    // at another scale does, and that change is a step of its own like any other.
    if (image->isEqualImageHash(imageHash) && image->isEqualThumbnailHash(thumbnailHash) &&
        image->isEqualLink(imageLink) && image->scale() == 1.0) {
        return;
    }
    if (prepareUndoableImageOperation(localized("undoable_op_change_image")) != image) return;
    UpdateGuard update(*this);
    image->setImageHash(imageHash, thumbnailHash);
    image->setImageLink(imageLink);
    image->setScale(1.0);
    setSelectedElement(image);
    addChangeBits(MindMapChangeScrollSelection);
}

void MindMap::editImageLink()
{
    if (_readOnly) return;
    cancelEditorModes();
    forceSingleSelection();
    MindMapImage* image = selectedImage();
    if (!image) return;
    const std::string oldLink = image->imageLink();
    const std::optional<std::string> answer = commandPromptsInstance().runImageLinkPrompt(
        localized("image_edit_link"), localized("image_hyperlink"), localized("image_hyperlink"), oldLink);
    if (!answer) return;
    const std::string link = trimWhitespaceAndNewlines(*answer);
    if (link == oldLink) return;
    // The prompt ran modally: only the image still selected is changed.
    if (prepareUndoableImageOperation(localized("undoable_op_change_image")) != image) return;
    UpdateGuard update(*this);
    image->setImageLink(link);
}
