#include "editor-view/gtk/GspellLibrary.h"
#include "editor-view/gtk/GspellSpellingService.h"
#include "editor-view/gtk/GtkSpellingPanel.h"

#include "MindMaps/MindMap.h"
#include "MindMaps/MindMapNode.h"
#include "editor-view/MindMapSpellChecker.h"
#include "formats/TwkxMindMapReader.h"
#include "platform/UndoManager.h"

#include "support/DisplayRequirement.h"

#include <gtest/gtest.h>
#include <gtk/gtk.h>
#include <gtkmm/main.h>

#include <chrono>
#include <dlfcn.h>
#include <functional>
#include <memory>
#include <string>

namespace {

void collectWidgets(GtkWidget* widget, std::vector<GtkWidget*>& out)
{
    out.push_back(widget);
    if (!GTK_IS_CONTAINER(widget)) return;
    GList* children = gtk_container_get_children(GTK_CONTAINER(widget));
    for (GList* child = children; child; child = child->next) collectWidgets(GTK_WIDGET(child->data), out);
    g_list_free(children);
}

std::string withoutMnemonic(const char* label)
{
    std::string text = label ? label : "";
    std::erase(text, '_');
    return text;
}

// Runs the main loop until the condition holds or two seconds have passed.
bool spinUntil(const std::function<bool()>& condition)
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    while (!condition() && std::chrono::steady_clock::now() < end) g_main_context_iteration(nullptr, FALSE);
    return condition();
}

// The real dictionary (hunspell's American English, which the install script adds) in gspell's
// dialog on a map of two misspelt topics.
class SpellingDialogTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        TARNWICK_REQUIRE_DISPLAY(gtk_init_check(nullptr, nullptr));
        Gtk::Main::init_gtkmm_internals();
        registerNativeFormat();
        ASSERT_TRUE(service.hasDictionary()) << "no dictionary for " << service.wantedLanguage();
        map.newMindMap("", true, std::string("Teh plan"));
        map.addMindMapNodeAsChild(map.mainCentralTheme(), {300, 0})->setText("Helo world");
        map.undoManager()->removeAllActions();
        MindMapSpellChecker::Hooks hooks;
        hooks.closeSpellingPanel = [this] { panel.closeSpellingPanel(); };
        checker = std::make_unique<MindMapSpellChecker>(&map, service, hooks);
    }

    GtkWidget* find(const std::function<bool(GtkWidget*)>& match)
    {
        std::vector<GtkWidget*> widgets;
        if (panel.dialog()) collectWidgets(panel.dialog(), widgets);
        for (GtkWidget* widget : widgets)
            if (match(widget)) return widget;
        return nullptr;
    }
    GtkWidget* button(const std::string& label)
    {
        return find([&](GtkWidget* w) {
            return GTK_IS_BUTTON(w) && withoutMnemonic(gtk_button_get_label(GTK_BUTTON(w))) == label;
        });
    }

    GspellSpellingService service;
    GtkSpellingPanel panel{service};
    MindMap map;
    std::unique_ptr<MindMapSpellChecker> checker;
};

TEST_F(SpellingDialogTest, DictionarySuggestsAndSplitsLikeTheInlineChecker)
{
    EXPECT_FALSE(service.checkWord("Teh"));
    EXPECT_TRUE(service.checkWord("plan"));
    EXPECT_TRUE(service.checkWord("don't"));
    const std::vector<std::string> suggestions = service.suggestions("Teh");
    EXPECT_NE(suggestions.end(), std::find(suggestions.begin(), suggestions.end(), "The"));
    service.ignoreWord("Teh");
    EXPECT_TRUE(service.checkWord("Teh"));
    service.forgetIgnoredWords();
    EXPECT_FALSE(service.checkWord("Teh"));
}

// The whole-map check and every text view share one dictionary, loaded once: a new check run
// forgets the words ignored in the last one without loading the dictionary again.
TEST_F(SpellingDialogTest, OneDictionaryServesEveryTextViewAndEveryCheckRun)
{
    const GspellLibrary& gspell = *GspellLibrary::get();
    GspellChecker* checker = service.checker();
    ASSERT_NE(checker, nullptr);
    auto attachedChecker = [&gspell](GtkWidget* view) {
        attachInlineSpellChecker(GTK_TEXT_VIEW(view));
        return gspell.gspell_text_buffer_get_spell_checker(
            gspell.gspell_text_buffer_get_from_gtk_text_buffer(gtk_text_view_get_buffer(GTK_TEXT_VIEW(view))));
    };
    GtkWidget* note = g_object_ref_sink(gtk_text_view_new());
    GtkWidget* topic = g_object_ref_sink(gtk_text_view_new());
    EXPECT_EQ(attachedChecker(note), checker);
    EXPECT_EQ(attachedChecker(topic), checker);
    g_object_unref(note);
    g_object_unref(topic);

    int sessionsCleared = 0;
    g_signal_connect(checker, "session-cleared",
                     G_CALLBACK(+[](GspellChecker*, gpointer count) { ++*static_cast<int*>(count); }),
                     &sessionsCleared);
    EnchantDict* dictionary = gspell.gspell_checker_get_enchant_dict(checker);
    // What the "Add" of a text view's menu calls (the program itself never does).
    void* library = dlopen("libgspell-1.so.2", RTLD_NOW | RTLD_NOLOAD);
    ASSERT_NE(library, nullptr);
    auto addToPersonal = reinterpret_cast<decltype(&gspell_checker_add_word_to_personal)>(
        dlsym(library, "gspell_checker_add_word_to_personal"));
    ASSERT_NE(addToPersonal, nullptr);
    const struct {
        const char* step;
        std::function<void()> act;
        const char* word;
        bool known;
    } steps[] = {
        {"ignored in the run", [&] { service.ignoreWord("Teh"); }, "Teh", true},
        {"a new run", [&] { service.forgetIgnoredWords(); }, "Teh", false},
        // The dialog's "Ignore All" and a text view's menu ignore through the checker itself.
        {"ignored through the checker", [&] { gspell.gspell_checker_add_word_to_session(checker, "Helo", -1); }, "Helo",
         true},
        {"another new run", [&] { service.forgetIgnoredWords(); }, "Helo", false},
        {"ignored again", [&] { service.ignoreWord("Helo"); }, "Helo", true},
        // A forgotten word the user then adds to the personal dictionary is known.
        {"ignored once more", [&] { service.ignoreWord("Qwertzy"); }, "Qwertzy", true},
        {"forgotten", [&] { service.forgetIgnoredWords(); }, "Qwertzy", false},
        {"added to the personal dictionary", [&] { addToPersonal(checker, "Qwertzy", -1); }, "Qwertzy", true},
    };
    for (const auto& s : steps) {
        s.act();
        EXPECT_EQ(service.checkWord(s.word), s.known) << s.step;
    }
    EXPECT_EQ(sessionsCleared, 0) << "a new run reloaded the dictionary";
    EXPECT_EQ(gspell.gspell_checker_get_enchant_dict(checker), dictionary);
    g_signal_handlers_disconnect_by_data(checker, &sessionsCleared);
    dlclose(library);
}

TEST_F(SpellingDialogTest, ChangeInTheDialogCorrectsTheTopicAndOneUndoRestoresIt)
{
    panel.showSpellingPanel(*checker);
    ASSERT_NE(nullptr, panel.dialog());
    ASSERT_TRUE(spinUntil([&] { return checker->misspelled() == "Teh"; }));

    GtkWidget* entry = find([](GtkWidget* w) { return GTK_IS_ENTRY(w); });
    ASSERT_NE(nullptr, entry);
    gtk_entry_set_text(GTK_ENTRY(entry), "The");
    GtkWidget* change = button("Change");
    ASSERT_NE(nullptr, change);
    gtk_button_clicked(GTK_BUTTON(change));
    EXPECT_EQ("The plan", map.mainCentralTheme()->text());
    ASSERT_TRUE(spinUntil([&] { return checker->misspelled() == "Helo"; }));

    gtk_entry_set_text(GTK_ENTRY(entry), "Hello");
    gtk_button_clicked(GTK_BUTTON(change));
    EXPECT_EQ("Hello world", map.mainCentralTheme()->children()[0]->text());

    // The end of the map ends the run and closes the dialog.
    ASSERT_TRUE(spinUntil([&] { return panel.dialog() == nullptr; }));
    EXPECT_FALSE(checker->busy());

    map.undoManager()->undo();
    EXPECT_EQ("Teh plan", map.mainCentralTheme()->text());
    EXPECT_EQ("Helo world", map.mainCentralTheme()->children()[0]->text());
    EXPECT_FALSE(map.undoManager()->canUndo());
}

TEST_F(SpellingDialogTest, ClosingTheDialogEndsTheRun)
{
    panel.showSpellingPanel(*checker);
    ASSERT_TRUE(spinUntil([&] { return checker->busy(); }));
    gtk_dialog_response(GTK_DIALOG(panel.dialog()), GTK_RESPONSE_CLOSE);
    ASSERT_TRUE(spinUntil([&] { return panel.dialog() == nullptr; }));
    EXPECT_FALSE(checker->busy());
    // The checker may go while no dialog is open, and a new dialog opens on the next check.
    panel.showSpellingPanel(*checker);
    ASSERT_TRUE(spinUntil([&] { return checker->misspelled() == "Teh"; }));
    checker.reset();
    ASSERT_TRUE(spinUntil([&] { return panel.dialog() == nullptr; }));
}

} // namespace
