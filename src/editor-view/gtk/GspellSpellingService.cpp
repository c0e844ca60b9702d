#include "editor-view/gtk/GspellSpellingService.h"

#include "editor-view/gtk/GspellLibrary.h"

namespace {

// Only reached with a checker made, which the library was loaded for.
const GspellLibrary& gspell()
{
    return *GspellLibrary::get();
}

const GspellLanguage* chosenLanguage(const GspellLibrary& library)
{
    if (const GspellLanguage* language = library.gspell_language_get_default()) return language;
    const GList* available = library.gspell_language_get_available();
    return available ? static_cast<const GspellLanguage*>(available->data) : nullptr;
}

} // namespace

GspellChecker* sharedSpellChecker()
{
    // Never freed: the process may end after GTK has gone.
    static GspellChecker* const checker = []() -> GspellChecker* {
        const GspellLibrary* library = GspellLibrary::get();
        const GspellLanguage* language = library ? chosenLanguage(*library) : nullptr;
        return language ? library->gspell_checker_new(language) : nullptr;
    }();
    return checker;
}

GspellSpellingService::~GspellSpellingService()
{
    if (!_listening) return;
    // The words ignored in this service's run leave the shared dictionary with it.
    forgetIgnoredWords();
    g_signal_handlers_disconnect_by_data(sharedSpellChecker(), this);
}

GspellChecker* GspellSpellingService::checker() const
{
    GspellChecker* checker = sharedSpellChecker();
    if (!checker || _listening) return checker;
    _listening = true;
    auto* self = const_cast<GspellSpellingService*>(this);
    // The dialog's "Ignore All" and the text views' menus change the shared dictionary behind
    // this service's back.
    g_signal_connect(checker, "word-added-to-session", G_CALLBACK(+[](GspellChecker*, gchar* word, gpointer data) {
                         if (word) static_cast<GspellSpellingService*>(data)->wordAddedToSession(word);
                     }),
                     self);
    g_signal_connect(checker, "word-added-to-personal", G_CALLBACK(+[](GspellChecker*, gchar* word, gpointer data) {
                         if (word) static_cast<GspellSpellingService*>(data)->wordAddedToPersonal(word);
                     }),
                     self);
    g_signal_connect(checker, "notify::language", G_CALLBACK(+[](GObject*, GParamSpec*, gpointer data) {
                         static_cast<GspellSpellingService*>(data)->languageChanged();
                     }),
                     self);
    return checker;
}

void GspellSpellingService::wordAddedToSession(const std::string& word)
{
    _ignoredWords.insert(word);
    // Adding a word to the session lifts its earlier exclusion.
    _forgottenWords.erase(word);
}

void GspellSpellingService::wordAddedToPersonal(const std::string& word)
{
    // The user's own word now: never taken out of the session again.
    _ignoredWords.erase(word);
    // A word taken out of the session stays misspelled even in the personal dictionary until it
    // is let into the session again.
    if (_forgottenWords.erase(word) > 0)
        if (EnchantDict* dict = gspell().gspell_checker_get_enchant_dict(sharedSpellChecker()))
            gspell().enchant_dict_add_to_session(dict, word.data(), static_cast<ssize_t>(word.size()));
}

void GspellSpellingService::languageChanged()
{
    // The new language's dictionary has a session of its own, and other words.
    _knownWords.clear();
    _ignoredWords.clear();
    _forgottenWords.clear();
}

std::string GspellSpellingService::language() const
{
    GspellChecker* spell = checker();
    const GspellLanguage* language = spell ? gspell().gspell_checker_get_language(spell) : nullptr;
    return language ? gspell().gspell_language_get_code(language) : std::string();
}

std::string GspellSpellingService::wantedLanguage() const
{
    const char* const* names = g_get_language_names();
    return names && names[0] ? names[0] : "C";
}

bool GspellSpellingService::checkWord(std::string_view word)
{
    GspellChecker* spell = checker();
    if (!spell || word.empty()) return true;
    std::string key(word);
    if (_knownWords.contains(key)) return true;
    const bool known =
        gspell().gspell_checker_check_word(spell, word.data(), static_cast<gssize>(word.size()), nullptr);
    // Only accepted words are remembered: a word is never taken out of the dictionary, while an
    // ignored one (also through the dialog's own "Ignore All") becomes accepted later.
    if (known) _knownWords.insert(std::move(key));
    return known;
}

std::vector<std::string> GspellSpellingService::suggestions(std::string_view word)
{
    std::vector<std::string> result;
    GspellChecker* spell = checker();
    if (!spell || word.empty()) return result;
    GSList* list = gspell().gspell_checker_get_suggestions(spell, word.data(), static_cast<gssize>(word.size()));
    for (GSList* item = list; item; item = item->next) result.emplace_back(static_cast<const char*>(item->data));
    g_slist_free_full(list, g_free);
    return result;
}

void GspellSpellingService::ignoreWord(std::string_view word)
{
    if (GspellChecker* spell = checker(); spell && !word.empty())
        gspell().gspell_checker_add_word_to_session(spell, word.data(), static_cast<gssize>(word.size()));
}

void GspellSpellingService::forgetIgnoredWords()
{
    if (_ignoredWords.empty()) return;
    // Each word leaves the session on its own: a new session would load the whole dictionary
    // again.
    EnchantDict* dict = _listening ? gspell().gspell_checker_get_enchant_dict(sharedSpellChecker()) : nullptr;
    for (const std::string& word : _ignoredWords) {
        if (dict) gspell().enchant_dict_remove_from_session(dict, word.data(), static_cast<ssize_t>(word.size()));
        _forgottenWords.insert(word);
        _knownWords.erase(word);
    }
    _ignoredWords.clear();
}

void attachInlineSpellChecker(GtkTextView* textView)
{
    const GspellLibrary* library = GspellLibrary::get();
    GspellChecker* checker = sharedSpellChecker();
    if (!library || !checker) return;
    library->gspell_text_buffer_set_spell_checker(
        library->gspell_text_buffer_get_from_gtk_text_buffer(gtk_text_view_get_buffer(textView)), checker);
    library->gspell_text_view_set_enable_language_menu(library->gspell_text_view_get_from_gtk_text_view(textView),
                                                       TRUE);
}
