#include "editor-view/gtk/GspellSpellingService.h"

#include "editor-view/gtk/GspellLibrary.h"

#include <unordered_map>
#include <unordered_set>
#include <vector>

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

// The words in the one session of the shared checker, by the spell document that ignored each: a
// text view the user types in, or a check run of a spelling service. A document ignores words for
// itself: a word leaves the session once no open document ignores it, so that it is not taken as
// right in a later edit, another view or the next check run. (While two text views are open, each
// sees the other's words: the session is one for all.)
class SessionWords {
public:
    // Never freed, as the checker it follows.
    static SessionWords& shared()
    {
        static auto* words = new SessionWords;
        return *words;
    }

    void follow(GspellChecker* checker)
    {
        _checker = checker;
        g_signal_connect(checker, "word-added-to-session", G_CALLBACK(+[](GspellChecker*, gchar* word, gpointer) {
                             if (word) shared().addedToSession(word);
                         }),
                         nullptr);
        g_signal_connect(checker, "word-added-to-personal", G_CALLBACK(+[](GspellChecker*, gchar* word, gpointer) {
                             if (word) shared().addedToPersonal(word);
                         }),
                         nullptr);
        // The new language's dictionary has a session of its own.
        g_signal_connect(checker, "notify::language", G_CALLBACK(+[](GObject*, GParamSpec*, gpointer) {
                             shared()._documents.clear();
                             shared()._forgotten.clear();
                         }),
                         nullptr);
    }

    // The text view whose context menu is up: a word ignored now is ignored in it.
    const void* menuOwner() const { return _menuOwner; }
    void setMenuOwner(const void* view) { _menuOwner = view; }

    void add(const void* document, const std::string& word) { _documents[document].insert(word); }
    bool ignoredBy(const void* document, const std::string& word) const
    {
        const auto found = _documents.find(document);
        return found != _documents.end() && found->second.contains(word);
    }
    // Ignored by an open document other than this one.
    bool ignoredElsewhere(const void* document, const std::string& word) const
    {
        for (const auto& [other, words] : _documents)
            if (other != document && words.contains(word)) return true;
        return false;
    }
    bool ignored(const std::string& word) const { return ignoredElsewhere(nullptr, word); }

    // The document closes: its words that no other document ignores leave the session, each on its
    // own (a new session would load the whole dictionary again). What left is answered.
    std::vector<std::string> close(const void* document)
    {
        std::vector<std::string> left;
        const auto found = _documents.find(document);
        if (found == _documents.end()) return left;
        const std::unordered_set<std::string> words = std::move(found->second);
        _documents.erase(found);
        EnchantDict* dict = _checker ? gspell().gspell_checker_get_enchant_dict(_checker) : nullptr;
        for (const std::string& word : words) {
            if (ignored(word)) continue;
            if (dict) gspell().enchant_dict_remove_from_session(dict, word.data(), static_cast<ssize_t>(word.size()));
            _forgotten.insert(word);
            left.push_back(word);
        }
        return left;
    }

private:
    void addedToSession(const std::string& word)
    {
        if (_menuOwner) add(_menuOwner, word);
        // Adding a word to the session lifts its earlier exclusion.
        _forgotten.erase(word);
    }

    void addedToPersonal(const std::string& word)
    {
        // The user's own word now: never taken out of the session again.
        for (auto& [document, words] : _documents) words.erase(word);
        // A word taken out of the session stays misspelled even in the personal dictionary until
        // it is let into the session again.
        if (_forgotten.erase(word) > 0)
            if (EnchantDict* dict = gspell().gspell_checker_get_enchant_dict(_checker))
                gspell().enchant_dict_add_to_session(dict, word.data(), static_cast<ssize_t>(word.size()));
    }

    GspellChecker* _checker = nullptr;
    std::unordered_map<const void*, std::unordered_set<std::string>> _documents;
    // Taken out of the session: the dictionary takes them for misspelled from then on.
    std::unordered_set<std::string> _forgotten;
    const void* _menuOwner = nullptr;
};

} // namespace

GspellChecker* sharedSpellChecker()
{
    // Never freed: the process may end after GTK has gone.
    static GspellChecker* const checker = []() -> GspellChecker* {
        const GspellLibrary* library = GspellLibrary::get();
        const GspellLanguage* language = library ? chosenLanguage(*library) : nullptr;
        GspellChecker* made = language ? library->gspell_checker_new(language) : nullptr;
        if (made) SessionWords::shared().follow(made);
        return made;
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
    g_signal_connect(checker, "notify::language", G_CALLBACK(+[](GObject*, GParamSpec*, gpointer data) {
                         static_cast<GspellSpellingService*>(data)->languageChanged();
                     }),
                     self);
    return checker;
}

void GspellSpellingService::wordAddedToSession(const std::string& word)
{
    // A word ignored in a text view's menu is that view's; the dialog's and this service's own
    // belong to the check run.
    if (!SessionWords::shared().menuOwner()) SessionWords::shared().add(this, word);
}

void GspellSpellingService::languageChanged()
{
    // The new language's dictionary has other words.
    _knownWords.clear();
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
    // A word another document ignored is in the one session, but misspelled for this run.
    const SessionWords& session = SessionWords::shared();
    if (!session.ignoredBy(this, key) && session.ignoredElsewhere(this, key)) return false;
    const bool known =
        gspell().gspell_checker_check_word(spell, word.data(), static_cast<gssize>(word.size()), nullptr);
    // Only words the dictionary itself accepts are remembered: an ignored word leaves the session
    // with its document.
    if (known && !session.ignored(key)) _knownWords.insert(std::move(key));
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
    if (!_listening) return;
    for (const std::string& word : SessionWords::shared().close(this)) _knownWords.erase(word);
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
    static const char* const Followed = "tarnwick-spell-document";
    if (g_object_get_data(G_OBJECT(textView), Followed)) return;
    g_object_set_data(G_OBJECT(textView), Followed, GINT_TO_POINTER(1));
    // The view is a spell document of its own: what "Ignore All" of its menu ignores is ignored in
    // it until it goes.
    g_signal_connect(textView, "populate-popup", G_CALLBACK(+[](GtkTextView* view, GtkWidget* popup, gpointer) {
                         SessionWords::shared().setMenuOwner(view);
                         if (!GTK_IS_MENU_SHELL(popup)) return;
                         // The item chosen is activated after its menu is put away.
                         g_signal_connect(popup, "deactivate", G_CALLBACK(+[](GtkMenuShell*, gpointer owner) {
                                              g_idle_add(
                                                  +[](gpointer owner) -> gboolean {
                                                      SessionWords& words = SessionWords::shared();
                                                      if (words.menuOwner() == owner) words.setMenuOwner(nullptr);
                                                      return G_SOURCE_REMOVE;
                                                  },
                                                  owner);
                                          }),
                                          view);
                     }),
                     nullptr);
    g_signal_connect(textView, "destroy", G_CALLBACK(+[](GtkWidget* view, gpointer) {
                         SessionWords& words = SessionWords::shared();
                         if (words.menuOwner() == view) words.setMenuOwner(nullptr);
                         words.close(view);
                     }),
                     nullptr);
}
