#pragma once

#include "editor-view/SpellingPanel.h"

typedef struct _GtkWidget GtkWidget;
typedef struct _TwkSpellNavigator TwkSpellNavigator;
class GspellSpellingService;

// The spelling dialog of gspell, driven through a navigator of ours that asks the map's checker
// for the next word and hands it the user's corrections. One dialog at a time.
class GtkSpellingPanel : public SpellingPanel {
public:
    explicit GtkSpellingPanel(GspellSpellingService& service) : _service(service) {}
    ~GtkSpellingPanel() override;

    void showSpellingPanel(MindMapSpellChecker& checker) override;
    void closeSpellingPanel() override;

    GtkWidget* dialog() const { return _dialog; }

private:
    static void dialogDestroyed(GtkWidget* dialog, void* self);
    void detach();

    GspellSpellingService& _service;
    GtkWidget* _dialog = nullptr;
    GtkWidget* _fallbackParent = nullptr;
    TwkSpellNavigator* _navigator = nullptr;
    unsigned _closeSource = 0;
};

// Installs the gspell dictionary and dialog as the spelling service and panel of the editor.
void installSpelling();
