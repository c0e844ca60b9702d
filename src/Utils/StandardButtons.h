#pragma once

#include "Utils/ModalAlert.h"

// The OK button: localized "ok_button_title", pressed by Return.
ModalAlert::Button& addOKButton(ModalAlert& alert);
// The Cancel button: localized "cancel_button_title", pressed by Escape.
ModalAlert::Button& addCancelButton(ModalAlert& alert);
// Both, OK first.
void addOKAndCancelButtons(ModalAlert& alert);
