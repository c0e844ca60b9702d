#include "panels/RelationStyleDialog.h"

#include "MindMaps/RelationStyle.h"
#include "panels/RelationStyleFrame.h"
#include "platform/AlertPanel.h"
#include "platform/Localizer.h"

bool RelationStyleDialog::run(const std::string& messageText, const std::string& informativeText,
                              const RelationStyle& working, RelationStyle& edited)
{
    RelationStyleFrame frame;
    frame.hideConnectionStyle();
    frame.loadFromRelationStyle(working);
    AlertPanel::Request request;
    request.messageText = messageText;
    request.informativeText = informativeText;
    request.style = AlertPanel::Style::Informational;
    request.buttons = {{localized("ok_button_title"), "\r"}, {localized("cancel_button_title"), "\033"}};
    request.accessory = AlertPanel::Accessory{AccessoryName, &frame};
    if (AlertPanel::shared().runModal(request).button != AlertPanel::FirstButtonReturn) return false;
    frame.commitToRelationStyle(edited);
    return true;
}
