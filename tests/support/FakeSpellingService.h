#pragma once

#include "platform/SpellingService.h"

#include <set>
#include <string>
#include <vector>

// A dictionary that knows every word except those listed as misspelled; suggestions are the
// word with "ok" appended. Counts the words it was asked about.
class FakeSpellingService : public SpellingService {
public:
    std::set<std::string> misspelledWords;
    std::set<std::string> ignored;
    std::string dictionaryLanguage = "en_US";
    std::string lookedFor = "de_CH";
    size_t checks = 0;

    std::string language() const override { return dictionaryLanguage; }
    std::string wantedLanguage() const override { return lookedFor; }
    bool checkWord(std::string_view word) override
    {
        ++checks;
        const std::string text(word);
        return !misspelledWords.count(text) || ignored.count(text);
    }
    std::vector<std::string> suggestions(std::string_view word) override { return {std::string(word) + "ok"}; }
    void ignoreWord(std::string_view word) override { ignored.insert(std::string(word)); }
    void forgetIgnoredWords() override { ignored.clear(); }
};
