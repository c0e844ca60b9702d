#include "Editor/StandardMenuBuilder.h"

#include "platform/Localizer.h"

namespace {

void addAction(Menu& menu, const char* key, const char* action)
{
    menu.addItem(localized(key), action);
}

} // namespace

void StandardMenuBuilder::buildImageMenu(Menu& menu)
{
    addAction(menu, "topic_menu_custom_image", "addCustomImage:");
    addAction(menu, "action_add_image_from_cloud", "addImageFromCloud:");
    menu.addItem(MenuItem::separatorItem());
    addAction(menu, "topic_menu_embedded_image", "invokeEmbeddedImagePicker:");
    addAction(menu, "topic_menu_clear_embedded_image", "clearEmbeddedImage:");
    menu.addItem(MenuItem::separatorItem());
    addAction(menu, "topic_menu_image_as_topic", "addImageAsTopic:");
}

void StandardMenuBuilder::buildLinkMenu(Menu& menu, bool contactsSupported)
{
    addAction(menu, "hyperlink_link_mindmap", "addDiagramLink:");
    addAction(menu, "hyperlink_link_cloud_doc", "addCloudDocumentLink:");
    addAction(menu, "hyperlink_link_document_webpage", "addURLLink:");
    if (contactsSupported) addAction(menu, "hyperlink_link_contact", "addContactLink:");
    menu.addItem(MenuItem::separatorItem());
    addAction(menu, "hyperlink_link_copy_link", "copyLink:");
    addAction(menu, "hyperlink_link_paste_link", "pasteLink:");
    menu.addItem(MenuItem::separatorItem());
    addAction(menu, "hyperlink_remove_link", "clearHyperlink:");
}
