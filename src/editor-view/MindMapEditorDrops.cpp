// Things dropped onto the canvas: colours, files, pictures, URLs and text.
#include "MindMaps/ContainedElement.h"
#include "MindMaps/MindMap.h"
#include "MindMaps/MindMapImage.h"
#include "MindMaps/MindMapNode.h"
#include "editor-view/CustomImageHandler.h"
#include "editor-view/ImageDropInfo.h"
#include "editor-view/MindMapEditor.h"
#include "platform/Localizer.h"
#include "platform/Menu.h"
#include "store/CustomImageStore.h"

namespace {

// Embedded images and image topics are stored at most this long on a side, icons this long.
constexpr int64_t EmbeddedImageSizeLimit = 320;
constexpr int64_t IconImageSizeLimit = 240;

const ImageDropInfo* dropInfoOf(const ActionSender* sender)
{
    if (!sender) return nullptr;
    const std::any value = sender->representedValue();
    const auto* info = std::any_cast<std::shared_ptr<ImageDropInfo>>(&value);
    return info && *info ? info->get() : nullptr;
}

CustomImageStore* customImageStore(MindMap& map)
{
    return dynamic_cast<CustomImageStore*>(map.imageStore());
}

} // namespace

void MindMapEditor::registerDropActions()
{
    const std::pair<const char*, void (MindMapEditor::*)(const ImageDropInfo&)> actions[] = {
        {"addDroppedImage:", &MindMapEditor::addDroppedImage},
        {"embedDroppedImage:", &MindMapEditor::embedDroppedImage},
        {"addDroppedImageAsIcon:", &MindMapEditor::addDroppedImageAsIcon},
        {"linkDroppedImage:", &MindMapEditor::linkDroppedImage},
    };
    for (const auto& [action, method] : actions)
        addAction(action, [this, method = method](const ActionSender* sender) {
            const ImageDropInfo* info = dropInfoOf(sender);
            if (!info || !prepareForDragOperation()) return;
            // The menu stayed open while the map could change: a topic that went takes nothing.
            if (info->onTarget() && !info->targetNode(*_mindMap)) return;
            (this->*method)(*info);
        });
}

DragOperation MindMapEditor::dragOperationForDraggingInfo(const DraggingInfo& info)
{
    if (!prepareForDragOperation()) return DragOperationNone;
    MindMapNode* target = _mindMap->hitTestNodes(viewToMapSpace(info.location), nullptr);
    _mindMap->setDropTarget(target);
    const DraggingInfo::DropRule rule = info.ruleFor(target != nullptr, false);
    // Text goes where it is dropped, whatever lies under it.
    if (rule == DraggingInfo::DropRule::Text) _mindMap->setDropTarget(nullptr);
    return DraggingInfo::operationForRule(rule);
}

void MindMapEditor::draggingExited()
{
    if (_mindMap) _mindMap->setDropTarget(nullptr);
}

bool MindMapEditor::prepareForDragOperation() const
{
    return enabled() && !_readOnly;
}

bool MindMapEditor::canPerformDragOperation(const DraggingInfo& info)
{
    if (!prepareForDragOperation()) return false;
    MindMapNode* target = _mindMap->hitTestNodes(viewToMapSpace(info.location), nullptr);
    return info.ruleFor(target != nullptr, true) != DraggingInfo::DropRule::None;
}

bool MindMapEditor::performDragOperation(const DraggingInfo& info)
{
    if (!prepareForDragOperation()) return false;
    MindMap& map = *_mindMap;
    const Point point = viewToMapSpace(info.location);
    MindMapNode* target = map.hitTestNodes(point, nullptr);
    map.setDropTarget(nullptr);
    switch (info.ruleFor(target != nullptr, true)) {
    case DraggingInfo::DropRule::Color: {
        map.prepareUndoableOperation(localized("undoable_op_change_style"));
        MindMap::UpdateGuard update(map);
        target->setColor(info.color->withAlpha(1.0));
        return true;
    }
    case DraggingInfo::DropRule::ImageFile:
        imageDropped(ImageDropInfo::imageDropInfo(info.firstFileImage(), info.fileNames->front(), point, target));
        return true;
    case DraggingInfo::DropRule::LinkFile:
        map.linkNode(target, info.fileNames->front());
        return true;
    case DraggingInfo::DropRule::PasteboardImage:
        imageDropped(ImageDropInfo::imageDropInfoFromPboard(info.image(), point, target));
        return true;
    case DraggingInfo::DropRule::LinkURL:
        map.linkNode(target, *info.url);
        return true;
    case DraggingInfo::DropRule::CloudImage:
        addImageFromCloud(*info.cloudImagePath, target);
        return true;
    case DraggingInfo::DropRule::Text:
        map.textDropped(*info.string, point);
        return true;
    case DraggingInfo::DropRule::None:
        break;
    }
    return false;
}

void MindMapEditor::imageDropped(const std::shared_ptr<ImageDropInfo>& info)
{
    if (!info || !_mindMap) return;
    cancelEditorModes(true);
    MindMap& map = *_mindMap;
    MindMapNode* target = info->targetNode(map);
    if (info->onTarget() && !target) return;
    bool allowsCustomImage = true;
    if (target) {
        map.setSelectedElement(target);
    } else {
        map.forceSingleSelection();
        allowsCustomImage = map.selectedNode() || map.selectedImage();
    }

    auto menu = std::make_shared<Menu>();
    const auto addItem = [&](const char* key, const char* action) {
        MenuItem& item = menu->addItem(localized(key), action);
        item.setRepresentedValue(info);
    };
    if (allowsCustomImage) addItem("topic_menu_custom_image", "addDroppedImage:");
    if (target) {
        addItem("topic_menu_embedded_image", "embedDroppedImage:");
        addItem("image_drop_handler_add_as_icon", "addDroppedImageAsIcon:");
        if (!info->filePath().empty()) addItem("hyperlink_link_local_file", "linkDroppedImage:");
    } else {
        addItem("topic_menu_image_as_topic", "embedDroppedImage:");
    }
    _imageDropMenu = menu;
    if (!_menuPresenter) return;
    // The items act on this editor, whatever the responder chain holds, and are not validated.
    _menuPresenter->popUpMenu(*menu, mapToViewSpace(info->mapPoint()), -1,
                              [this](MenuItem& item) { performAction(item.action(), &item); });
}

void MindMapEditor::addDroppedImage(const ImageDropInfo& info)
{
    cancelEditorModes(true);
    MindMap& map = *_mindMap;
    map.forceSingleSelection();
    if (MindMapImage* image = map.selectedImage()) map.setSelectedElement(image->container());
    auto handler = std::make_shared<CustomImageHandler>(_mindMap);
    handler->setForceShowDialog(true);
    if (!info.onTarget()) handler->useTargetPoint(info.mapPoint());
    handler->addImage(*info.image(), info.filePath(), std::string());
}

void MindMapEditor::embedDroppedImage(const ImageDropInfo& info)
{
    cancelEditorModes(true);
    MindMap& map = *_mindMap;
    map.forceSingleSelection();
    CustomImageStore* store = customImageStore(map);
    if (!store) return;
    const std::string hash = store->importImage(*info.image(), EmbeddedImageSizeLimit);
    if (hash.empty()) return;
    if (info.onTarget()) {
        map.selectEmbeddedImage(hash);
        return;
    }
    if (ContainedElement* contained = map.selectedContainedElement()) map.setSelectedElement(contained->container());
    MindMapNode* topic = map.addImageAsTopicWithHash(hash);
    if (!topic) return;
    if (!topic->isAutoLayout()) topic->setLocation(info.mapPoint());
    scrollElementVisible(topic);
}

void MindMapEditor::addDroppedImageAsIcon(const ImageDropInfo& info)
{
    cancelEditorModes(true);
    MindMap& map = *_mindMap;
    map.forceSingleSelection();
    CustomImageStore* store = customImageStore(map);
    if (!store) return;
    const std::string hash = store->importImage(*info.image(), IconImageSizeLimit);
    if (!hash.empty()) map.selectIcon("#" + hash);
}

void MindMapEditor::linkDroppedImage(const ImageDropInfo& info)
{
    if (info.filePath().empty()) return;
    _mindMap->linkNode(_mindMap->selectedNode(), info.filePath());
}
