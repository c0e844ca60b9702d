#include "Utils/StandardButtons.h"

#include "platform/Localizer.h"

ModalAlert::Button& addOKButton(ModalAlert& alert)
{
    return alert.addButtonWithTitle(localized("ok_button_title"), "\r");
}

ModalAlert::Button& addCancelButton(ModalAlert& alert)
{
    return alert.addButtonWithTitle(localized("cancel_button_title"), "\x1b");
}

void addOKAndCancelButtons(ModalAlert& alert)
{
    addOKButton(alert);
    addCancelButton(alert);
}
