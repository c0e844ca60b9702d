#include "FuzzHome.h"

// The spelling check over arbitrary bytes: the word splitter's ranges lie inside the text, in
// order, and a whole check run with a dictionary that rejects every other word (correcting each
// find) ends, with every position inside the topic's text.
#include "MindMaps/MindMap.h"
#include "MindMaps/MindMapNode.h"
#include "editor-view/MindMapSpellChecker.h"
#include "formats/TwkxMindMapReader.h"
#include "platform/SpellingService.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

// Rejects words whose first byte is odd; ignores what it is told to.
class OddWords : public SpellingService {
public:
    std::string language() const override { return "xx"; }
    std::string wantedLanguage() const override { return "xx"; }
    bool checkWord(std::string_view word) override
    {
        return word.empty() || (static_cast<unsigned char>(word[0]) % 2) == 0 || ignored == word;
    }
    std::vector<std::string> suggestions(std::string_view) override { return {}; }
    void ignoreWord(std::string_view word) override { ignored = word; }
    void forgetIgnoredWords() override { ignored.clear(); }
    std::string ignored;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0) return 0;
    const unsigned mode = data[0];
    const std::string text(reinterpret_cast<const char*>(data + 1), size - 1);
    const size_t length = SpellingWords::characterCount(text);

    size_t previousEnd = 0;
    for (const SpellingWords::Range& word : SpellingWords::words(text)) {
        if (word.length == 0 || word.location < previousEnd || word.end() > length) abort();
        previousEnd = word.end();
        if (SpellingWords::substring(text, word).empty()) abort();
    }

    static bool registered = (registerNativeFormat(), true);
    (void)registered;
    OddWords service;
    MindMap map;
    map.newMindMap("", true, text);
    MindMapSpellChecker checker(&map, service);
    // Each correction ("b" is accepted) or ignore moves past one word: the run must end long
    // before the text runs out of words.
    const std::string replacement = (mode & 1) ? "b" : "bb\xC3\xA9";
    for (size_t steps = 0;; ++steps) {
        if (steps > length + 2) abort();
        std::optional<std::string> found = checker.checkSpelling();
        if (!found) break;
        MindMapNode* topic = map.mainCentralTheme();
        if (!topic) abort();
        const size_t topicLength = SpellingWords::characterCount(topic->text());
        if (checker.correctionRange().end() > topicLength) abort();
        if (static_cast<size_t>(checker.currentLocation()) > topicLength) abort();
        if (mode & 2) {
            checker.ignoreSpelling(*found);
        } else if (!checker.changeSpelling(replacement)) {
            break;
        }
    }
    return 0;
}
