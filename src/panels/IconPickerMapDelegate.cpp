#include "panels/IconPickerMapDelegate.h"

#include "MindMaps/CustomIcon.h"
#include "MindMaps/MindMap.h"
#include "MindMaps/MindMapNode.h"
#include "store/CustomImageStore.h"

#include <algorithm>

namespace {

bool selectionHasIcon(const MindMap& map, const std::string& iconName)
{
    const std::vector<MindMapElement*>& nodes = map.selectionWithMask(ElementTypeNode);
    if (nodes.empty()) return false;
    for (MindMapElement* element : nodes)
        if (static_cast<MindMapNode*>(element)->iconName() != iconName) return false;
    return true;
}

} // namespace

MapIconPickerDelegate::MapIconPickerDelegate(std::function<MindMap*()> mindMap, std::function<void()> focusEditor)
    : _mindMap(std::move(mindMap)), _focusEditor(std::move(focusEditor))
{
}

bool MapIconPickerDelegate::pickerEnabled(const MindMap* mindMap, bool editorReadOnly)
{
    return mindMap && !editorReadOnly && !mindMap->readOnly() && mindMap->selectedElementType() == ElementTypeNode;
}

bool MapIconPickerDelegate::selectionHasAnIcon(const MindMap* mindMap)
{
    return mindMap && std::ranges::any_of(mindMap->selectionWithMask(ElementTypeNode), [](MindMapElement* element) {
               return !static_cast<MindMapNode*>(element)->iconName().empty();
           });
}

std::string MapIconPickerDelegate::copyCustomIconImage(MindMap& map, const std::string& iconName)
{
    if (!CustomIcon::isCustomIconImageName(iconName)) return {};
    const std::string hash = iconName.substr(1);
    std::shared_ptr<CustomImageStore> icons = CustomImageStore::customIconStore();
    if (ImageStore* store = map.imageStore(); store && icons && store != icons.get())
        store->copyImages(std::set<std::string>{hash}, icons.get());
    return hash;
}

void MapIconPickerDelegate::iconPickerIconPicked(const std::string& iconName, bool addAsImage)
{
    MindMap* map = _mindMap ? _mindMap() : nullptr;
    if (map) {
        if (addAsImage) {
            addIconAsCustomImage(iconName);
        } else {
            copyCustomIconImage(*map, iconName);
            // A second click on the icon just put on (the rest of a double click) adds no step.
            if (!selectionHasIcon(*map, iconName)) map->selectIcon(iconName);
        }
    }
    if (_focusEditor) _focusEditor();
}

void MapIconPickerDelegate::addIconAsCustomImage(const std::string& iconName)
{
    MindMap* map = _mindMap ? _mindMap() : nullptr;
    // No icon is no picture.
    if (!map || iconName.empty() || map->readOnly()) return;
    std::string hash = copyCustomIconImage(*map, iconName);
    if (hash.empty()) hash = CustomImageStore::StockIconHashPrefix + iconName;
    map->addCustomImageWithHash(hash, "", "", IconImageScale);
}

void MapIconPickerDelegate::addIconFromURL(const std::string& fileUrl)
{
    MindMap* map = _mindMap ? _mindMap() : nullptr;
    auto* store = map ? dynamic_cast<CustomImageStore*>(map->imageStore()) : nullptr;
    if (store && !map->readOnly()) {
        const std::string hash = store->importImageFromURL(fileUrl, CustomImageBrowserController::imageSizeLimit());
        if (!hash.empty()) map->selectIcon("#" + hash);
    }
    if (_focusEditor) _focusEditor();
}
