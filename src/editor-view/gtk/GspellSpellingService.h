#pragma once

#include "platform/SpellingService.h"

#include <string>
#include <unordered_set>

typedef struct _GspellChecker GspellChecker;
typedef struct _GtkTextView GtkTextView;

// The dictionary of the user's language through gspell (Enchant with hunspell dictionaries):
// the language follows the locale, else the first installed dictionary. The inline checker of the
// text view uses the same choice. Made on first use; main thread only.
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
    mutable GspellChecker* _checker = nullptr;
    mutable bool _made = false;
    bool _sessionHasWords = false;
    std::unordered_set<std::string> _knownWords;
};

// Underlines the words the installed dictionary of the user's language does not know, as the
// text is typed, and offers corrections and the language in the view's context menu. Every text
// view the user types in (the in-place editor, the note) checks alike.
void attachInlineSpellChecker(GtkTextView* textView);
