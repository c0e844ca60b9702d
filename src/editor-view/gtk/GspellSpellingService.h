#pragma once

#include "platform/SpellingService.h"

#include <string>
#include <unordered_set>

typedef struct _GspellChecker GspellChecker;
typedef struct _GtkTextView GtkTextView;

// The dictionary of the user's language through gspell (Enchant with hunspell dictionaries):
// the language follows the locale, else the first installed dictionary, until the user picks
// another in a text view's menu. Main thread only.
class GspellSpellingService : public SpellingService {
public:
    GspellSpellingService() = default;
    ~GspellSpellingService() override;
    GspellSpellingService(const GspellSpellingService&) = delete;
    GspellSpellingService& operator=(const GspellSpellingService&) = delete;

    std::string language() const override;
    std::string wantedLanguage() const override;
    bool checkWord(std::string_view word) override;
    std::vector<std::string> suggestions(std::string_view word) override;
    void ignoreWord(std::string_view word) override;
    void forgetIgnoredWords() override;

    // The checker the spelling dialog shows (its "Ignore All" goes into this run's ignored words);
    // nullptr without a dictionary.
    GspellChecker* checker() const;

private:
    void wordAddedToSession(const std::string& word);
    void languageChanged();

    mutable bool _listening = false;
    // Words the dictionary itself accepted.
    std::unordered_set<std::string> _knownWords;
};

// The one checker of the program, with the one dictionary it loads: made on first use and kept,
// as loading a dictionary takes longer than the edit it is loaded for. Every text view and the
// whole-map check share it; nullptr without a dictionary.
GspellChecker* sharedSpellChecker();

// Underlines the words the installed dictionary of the user's language does not know, as the
// text is typed, and offers corrections and the language in the view's context menu. Every text
// view the user types in (the in-place editor, the note) checks alike, with the shared checker:
// a language picked in one view's menu is the language of every view from then on. A word its
// menu's "Ignore All" ignores is ignored in that view until it goes, never in a later view nor in
// a check run.
void attachInlineSpellChecker(GtkTextView* textView);
