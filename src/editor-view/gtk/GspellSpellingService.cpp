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

GspellSpellingService::~GspellSpellingService()
{
    if (_checker) g_object_unref(_checker);
}

GspellChecker* GspellSpellingService::checker() const
{
    if (!_made) {
        _made = true;
        const GspellLibrary* library = GspellLibrary::get();
        if (const GspellLanguage* language = library ? chosenLanguage(*library) : nullptr) {
            _checker = library->gspell_checker_new(language);
            // The dialog's "Ignore All" adds to the session behind this service's back.
            g_signal_connect(_checker, "word-added-to-session", G_CALLBACK(+[](GspellChecker*, gchar*, gpointer data) {
                                 static_cast<GspellSpellingService*>(data)->_sessionHasWords = true;
                             }),
                             const_cast<GspellSpellingService*>(this));
        }
    }
    return _checker;
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
    if (!_sessionHasWords) return;
    // The remembered words may include ignored ones.
    _knownWords.clear();
    // Clearing reloads the whole dictionary: only worth it when something was ignored.
    if (_checker) gspell().gspell_checker_clear_session(_checker);
    // The reload adds the program's own name to the session again.
    _sessionHasWords = false;
}

void attachInlineSpellChecker(GtkTextView* textView)
{
    const GspellLibrary* library = GspellLibrary::get();
    if (!library) return;
    GspellChecker* checker = library->gspell_checker_new(chosenLanguage(*library));
    library->gspell_text_buffer_set_spell_checker(
        library->gspell_text_buffer_get_from_gtk_text_buffer(gtk_text_view_get_buffer(textView)), checker);
    g_object_unref(checker);
    library->gspell_text_view_set_enable_language_menu(library->gspell_text_view_get_from_gtk_text_view(textView),
                                                       TRUE);
}
