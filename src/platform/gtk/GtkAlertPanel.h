#pragma once

#include "platform/AlertPanel.h"

// Alerts as GTK message dialogs: the buttons in order, Return on the button that names it, Escape
// on the one that names Escape (else Escape dismisses), and an entry for prompts.
class GtkAlertPanel : public AlertPanel {
public:
    Answer runModal(const Request& request) override;
};
