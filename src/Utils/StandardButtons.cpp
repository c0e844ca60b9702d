#include "Utils/StandardButtons.h"

#include "platform/Localizer.h"

AlertButton& addOKButton(Alert& alert)
{
    AlertButton& button = alert.addButtonWithTitle(localized("ok_button_title"));
    button.setKeyEquivalent("\r");
    return button;
}

AlertButton& addCancelButton(Alert& alert)
{
    AlertButton& button = alert.addButtonWithTitle(localized("cancel_button_title"));
    button.setKeyEquivalent("\x1b");
    return button;
}
