#pragma once

#include "panels/IconPickerController.h"

#include <functional>

class MindMap;

// Puts what the icon picker picks on the selected topics of the window's map: an icon, or the
// icon's picture as an image. A user's icon is a picture of the custom icon store, so its file is
// first copied into the map's own image store, which travels with the document.
class MapIconPickerDelegate : public IconPickerPanelDelegate {
public:
    // mindMap answers the window's map at the time of the pick (documents switch maps);
    // focusEditor gives the keyboard back to the canvas.
    MapIconPickerDelegate(std::function<MindMap*()> mindMap, std::function<void()> focusEditor);

    void iconPickerIconPicked(const std::string& iconName, bool addAsImage) override;
    void addIconFromURL(const std::string& fileUrl) override;
    void addIconAsCustomImage(const std::string& iconName);

    // The picker takes picks only for an editable map with a topic selected.
    static bool pickerEnabled(const MindMap* mindMap, bool editorReadOnly);
    // A selected topic has an icon to remove.
    static bool selectionHasAnIcon(const MindMap* mindMap);

    // The size at which an icon is put on a topic as an image.
    static constexpr double IconImageScale = 1.2;

private:
    // The hash of a user's icon, copied into the map's store; empty when the name is no user's icon.
    std::string copyCustomIconImage(MindMap& map, const std::string& iconName);

    std::function<MindMap*()> _mindMap;
    std::function<void()> _focusEditor;
};
