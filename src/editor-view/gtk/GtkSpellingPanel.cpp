#include "editor-view/gtk/GtkSpellingPanel.h"

#include "editor-view/MindMapSpellChecker.h"
#include "editor-view/gtk/GspellLibrary.h"
#include "editor-view/gtk/GspellSpellingService.h"
#include "platform/gtk/GtkModalRun.h"

#include <gtkmm/window.h>

// ---- The navigator: a GObject that gspell's dialog asks for words ----

struct _TwkSpellNavigator {
    GInitiallyUnowned parent;
    MindMapSpellChecker* checker;
    GspellSpellingService* service;
};

struct TwkSpellNavigatorClass {
    GInitiallyUnownedClass parent_class;
};

namespace {

void navigatorInterfaceInit(GspellNavigatorInterface* iface);

} // namespace

G_DEFINE_TYPE_WITH_CODE(TwkSpellNavigator, twk_spell_navigator, G_TYPE_INITIALLY_UNOWNED,
                        G_IMPLEMENT_INTERFACE(GspellLibrary::get()->gspell_navigator_get_type(),
                                              navigatorInterfaceInit))

static void twk_spell_navigator_init(TwkSpellNavigator* self)
{
    self->checker = nullptr;
    self->service = nullptr;
}

static void twk_spell_navigator_class_init(TwkSpellNavigatorClass*)
{
}

namespace {

gboolean gotoNext(GspellNavigator* navigator, gchar** word, GspellChecker** spellChecker, GError**)
{
    auto* self = reinterpret_cast<TwkSpellNavigator*>(navigator);
    // A detached navigator belongs to a dialog that is about to go: it has nothing more to show.
    if (!self->checker || !self->service || !self->service->checker()) return FALSE;
    std::optional<std::string> found = self->checker->checkSpelling();
    // The checker may have ended the run and detached this navigator meanwhile.
    if (!found || !self->checker) return FALSE;
    if (word) *word = g_strdup(found->c_str());
    if (spellChecker) *spellChecker = static_cast<GspellChecker*>(g_object_ref(self->service->checker()));
    return TRUE;
}

void change(GspellNavigator* navigator, const gchar* /*word*/, const gchar* changeTo)
{
    auto* self = reinterpret_cast<TwkSpellNavigator*>(navigator);
    if (self->checker && changeTo) self->checker->changeSpelling(changeTo);
}

void changeAll(GspellNavigator* navigator, const gchar* word, const gchar* changeTo)
{
    auto* self = reinterpret_cast<TwkSpellNavigator*>(navigator);
    if (self->checker && word && changeTo) self->checker->changeAllSpelling(word, changeTo);
}

void navigatorInterfaceInit(GspellNavigatorInterface* iface)
{
    iface->goto_next = gotoNext;
    iface->change = change;
    iface->change_all = changeAll;
}

} // namespace

// ---- The panel ----

GtkSpellingPanel::~GtkSpellingPanel()
{
    detach();
    if (_closeSource) g_source_remove(_closeSource);
    if (_dialog) {
        g_signal_handlers_disconnect_by_data(_dialog, this);
        gtk_widget_destroy(_dialog);
    }
    if (_fallbackParent) {
        gtk_widget_destroy(_fallbackParent);
        g_object_unref(_fallbackParent);
    }
}

void GtkSpellingPanel::detach()
{
    if (!_navigator) return;
    _navigator->checker = nullptr;
    _navigator->service = nullptr;
    g_object_unref(_navigator);
    _navigator = nullptr;
}

void GtkSpellingPanel::showSpellingPanel(MindMapSpellChecker& checker)
{
    // Without gspell there is neither a dialog nor a word to check.
    const GspellLibrary* gspell = GspellLibrary::get();
    if (!gspell) return;
    if (_dialog && _navigator && _navigator->checker == &checker) {
        gtk_window_present(GTK_WINDOW(_dialog));
        return;
    }
    if (_dialog) {
        // A dialog left from another checker, or one about to close: a fresh one replaces it.
        detach();
        if (_closeSource) g_source_remove(_closeSource);
        _closeSource = 0;
        g_signal_handlers_disconnect_by_data(_dialog, this);
        gtk_widget_destroy(_dialog);
        _dialog = nullptr;
    }
    _navigator = static_cast<TwkSpellNavigator*>(g_object_new(twk_spell_navigator_get_type(), nullptr));
    g_object_ref_sink(_navigator);
    _navigator->checker = &checker;
    _navigator->service = &_service;
    GtkWindow* parent = nullptr;
    if (Gtk::Window* active = GtkModalRun::activeWindow()) parent = active->gobj();
    if (!parent) {
        // gspell's dialog needs a parent; without a window of the application it gets a hidden one.
        if (!_fallbackParent) _fallbackParent = g_object_ref_sink(gtk_window_new(GTK_WINDOW_TOPLEVEL));
        parent = GTK_WINDOW(_fallbackParent);
    }
    _dialog = gspell->gspell_checker_dialog_new(parent, reinterpret_cast<GspellNavigator*>(_navigator));
    gtk_window_set_destroy_with_parent(GTK_WINDOW(_dialog), TRUE);
    g_signal_connect(_dialog, "response", G_CALLBACK(gtk_widget_destroy), nullptr);
    g_signal_connect(_dialog, "destroy", G_CALLBACK(&GtkSpellingPanel::dialogDestroyed), this);
    gtk_widget_show(_dialog);
}

void GtkSpellingPanel::dialogDestroyed(GtkWidget* dialog, void* data)
{
    auto* self = static_cast<GtkSpellingPanel*>(data);
    if (dialog != self->_dialog) return;
    self->_dialog = nullptr;
    MindMapSpellChecker* checker = self->_navigator ? self->_navigator->checker : nullptr;
    self->detach();
    if (checker) checker->spellingPanelClosed();
}

void GtkSpellingPanel::closeSpellingPanel()
{
    detach();
    if (!_dialog || _closeSource) return;
    // The dialog may be inside one of its calls into the checker: it goes once that returned.
    _closeSource = g_idle_add(
        [](gpointer data) -> gboolean {
            auto* self = static_cast<GtkSpellingPanel*>(data);
            self->_closeSource = 0;
            if (self->_dialog) gtk_widget_destroy(self->_dialog);
            return G_SOURCE_REMOVE;
        },
        this);
}

void installSpelling()
{
    // Never destroyed: the process may end after GTK has gone.
    static auto* service = new GspellSpellingService;
    static auto* panel = new GtkSpellingPanel(*service);
    SpellingService::setShared(service);
    SpellingPanel::setShared(panel);
}
