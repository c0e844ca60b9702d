// Each text view the user types in, and each check run of the whole map, ignores words for itself:
// "Ignore All" in one view's menu reaches neither a later view nor a check run, although all of
// them share one checker. Its words are its own: another test of this program adds a word to the
// personal dictionary, which stays for the process.

#include "editor-view/gtk/GspellLibrary.h"
#include "editor-view/gtk/GspellSpellingService.h"

#include "support/DisplayRequirement.h"

#include <gtest/gtest.h>
#include <gtk/gtk.h>
#include <gtkmm/main.h>

#include <functional>
#include <string>

namespace {

std::string withoutMnemonic(const char* label)
{
    std::string text = label ? label : "";
    std::erase(text, '_');
    return text;
}

// Runs the main loop until the condition holds or five seconds have passed; a timer wakes the loop
// to look again.
bool spinUntil(const std::function<bool()>& condition)
{
    const guint wake = g_timeout_add(
        10, +[](gpointer) -> gboolean { return G_SOURCE_CONTINUE; }, nullptr);
    const gint64 end = g_get_monotonic_time() + 5 * G_USEC_PER_SEC;
    while (!condition() && g_get_monotonic_time() < end) g_main_context_iteration(nullptr, TRUE);
    g_source_remove(wake);
    return condition();
}

// The item of that label in the menu or its submenus.
GtkWidget* findItem(GtkWidget* menu, const std::string& label)
{
    GList* items = gtk_container_get_children(GTK_CONTAINER(menu));
    GtkWidget* found = nullptr;
    for (GList* each = items; each && !found; each = each->next) {
        if (!GTK_IS_MENU_ITEM(each->data)) continue;
        GtkMenuItem* item = GTK_MENU_ITEM(each->data);
        if (withoutMnemonic(gtk_menu_item_get_label(item)) == label) found = GTK_WIDGET(item);
        else if (GtkWidget* submenu = gtk_menu_item_get_submenu(item)) found = findItem(submenu, label);
    }
    g_list_free(items);
    return found;
}

// A text view in a window of its own, checked as the in-place editor and the note are.
struct CheckedView {
    GtkWidget* window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    GtkWidget* view = gtk_text_view_new();

    explicit CheckedView(const char* text)
    {
        gtk_container_add(GTK_CONTAINER(window), view);
        attachInlineSpellChecker(GTK_TEXT_VIEW(view));
        // Checking while typing, as the user's setting has it by default.
        const GspellLibrary& gspell = *GspellLibrary::get();
        gspell.gspell_text_view_set_inline_spell_checking(
            gspell.gspell_text_view_get_from_gtk_text_view(GTK_TEXT_VIEW(view)), TRUE);
        GtkTextBuffer* buffer = gtk_text_view_get_buffer(GTK_TEXT_VIEW(view));
        gtk_text_buffer_set_text(buffer, text, -1);
        GtkTextIter start;
        gtk_text_buffer_get_start_iter(buffer, &start);
        gtk_text_buffer_place_cursor(buffer, &start);
        gtk_widget_show_all(window);
        // The view underlines the misspelt words a moment after it shows: its menu offers to
        // ignore only an underlined word.
        spinUntil([this] { return underlined(); });
    }
    bool underlined() const
    {
        GtkTextIter start;
        gtk_text_buffer_get_start_iter(gtk_text_view_get_buffer(GTK_TEXT_VIEW(view)), &start);
        GSList* tags = gtk_text_iter_get_tags(&start);
        const bool any = tags != nullptr;
        g_slist_free(tags);
        return any;
    }
    ~CheckedView() { gtk_widget_destroy(window); }

    // The user opens the view's menu on the word at the cursor and chooses the item.
    bool choose(const std::string& item)
    {
        GtkWidget* menu = nullptr;
        const gulong capture = g_signal_connect_after(
            view, "populate-popup",
            G_CALLBACK(+[](GtkTextView*, GtkWidget* popup, gpointer out) { *static_cast<GtkWidget**>(out) = popup; }),
            &menu);
        gboolean handled = FALSE;
        g_signal_emit_by_name(view, "popup-menu", &handled);
        // The menu is filled once the clipboard has said what it holds.
        spinUntil([&menu] { return menu != nullptr; });
        g_signal_handler_disconnect(view, capture);
        if (!menu || !GTK_IS_MENU_SHELL(menu)) return false;
        GtkWidget* chosen = findItem(menu, item);
        // As a click does: the menu is put away, then the item acts.
        gtk_menu_shell_deactivate(GTK_MENU_SHELL(menu));
        if (chosen) gtk_widget_activate(chosen);
        while (gtk_events_pending()) gtk_main_iteration();
        return chosen != nullptr;
    }
};

TEST(SpellDocumentsTest, AWordIgnoredInAViewsMenuIsIgnoredInThatViewAlone)
{
    TARNWICK_REQUIRE_DISPLAY(gtk_init_check(nullptr, nullptr));
    Gtk::Main::init_gtkmm_internals();
    GspellSpellingService run;
    ASSERT_TRUE(run.hasDictionary()) << "no dictionary for " << run.wantedLanguage();
    const GspellLibrary& gspell = *GspellLibrary::get();
    GspellChecker* checker = sharedSpellChecker();
    const auto acceptedInViews = [&](const char* word) {
        return gspell.gspell_checker_check_word(checker, word, -1, nullptr) != FALSE;
    };
    EXPECT_FALSE(run.checkWord("Blorptik")) << "the check run's own look, before any ignore";
    {
        CheckedView edit("Blorptik plans");
        ASSERT_TRUE(edit.choose("Ignore All"));
        EXPECT_TRUE(acceptedInViews("Blorptik")) << "the view takes the word from now on";
        EXPECT_FALSE(run.checkWord("Blorptik")) << "a check run ignores its own words only";
        // The run ignores it too; the view's going leaves it ignored in the run.
        run.ignoreWord("Blorptik");
        run.ignoreWord("Zxcvbq");
    }
    EXPECT_TRUE(run.checkWord("Blorptik"));
    run.forgetIgnoredWords();
    {
        CheckedView next("Blorptik again, Zxcvbq");
        EXPECT_FALSE(acceptedInViews("Blorptik")) << "an ignore of a view that went";
        EXPECT_FALSE(acceptedInViews("Zxcvbq")) << "an ignore of a check run that ended";
        EXPECT_FALSE(run.checkWord("Blorptik"));
        // The menu's own words still ignore in a view opened afterwards.
        ASSERT_TRUE(next.choose("Ignore All"));
        EXPECT_TRUE(acceptedInViews("Blorptik"));
    }
    EXPECT_FALSE(acceptedInViews("Blorptik"));
}

} // namespace
