#pragma once

#include "platform/SpellingService.h"

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

class MindMap;
class MindMapElement;

// Checks the spelling of a whole map, one misspelled word at a time, for the spelling dialog:
// topics in map order, each followed by its free texts and those of the relation from its
// parent, then the free texts of the cross links. Every correction of one check run is one undo
// step, unless the user changed the map in between. Positions count characters
// (SpellingWords). Main thread only.
class MindMapSpellChecker {
public:
    // What the checker asks of the editor round it; each may be left empty.
    struct Hooks {
        std::function<void()> scrollSelectedElementToCenter;
        // The check run ended while the dialog may still be open: close it.
        std::function<void()> closeSpellingPanel;
    };

    // The map is not owned and must outlive the checker or be replaced through setMindMap().
    MindMapSpellChecker(MindMap* mindMap, SpellingService& service, Hooks hooks = {});
    ~MindMapSpellChecker();
    MindMapSpellChecker(const MindMapSpellChecker&) = delete;
    MindMapSpellChecker& operator=(const MindMapSpellChecker&) = delete;

    void setMindMap(MindMap* mindMap);

    // The next misspelled word, selected and centred; none at the end of the map, where the
    // "complete" message is shown and the run ends. Without a dictionary the run never starts:
    // the message names the missing language.
    std::optional<std::string> checkSpelling();
    // Replaces the word found last; false (with a message) when that was not possible, which
    // ends the run.
    bool changeSpelling(const std::string& replacement);
    // Replaces the word found last and every later find of the same word in this run.
    bool changeAllSpelling(const std::string& word, const std::string& replacement);
    // The word passes for the rest of the run.
    void ignoreSpelling(const std::string& word);
    std::vector<std::string> suggestions(const std::string& word);

    void cancelSpellCheck();
    // Closing the dialog ends the run; the next check starts from the first element.
    void spellingPanelClosed();

    bool busy() const { return _busy; }
    MindMapElement* currentElement() const { return _currentElement; }
    const std::string& misspelled() const { return _misspelled; }
    int64_t currentLocation() const { return _currentLocation; }
    SpellingWords::Range correctionRange() const { return _correctionRange; }
    // Whether the service has a dictionary; the dialog is not opened without one.
    bool reportMissingDictionary();

    std::vector<MindMapElement*> collectElements() const;

    static std::string textOf(MindMapElement* element);

private:
    void stopSpellingCheck();
    void showMessage(const std::string& text, unsigned state);
    bool replaceCurrentWord(const std::string& replacement);
    void openUndoStepIfNeeded();

    MindMap* _mindMap = nullptr;
    SpellingService& _service;
    Hooks _hooks;
    MindMapElement* _currentElement = nullptr;
    int64_t _currentLocation = 0;
    SpellingWords::Range _correctionRange;
    std::string _misspelled;
    bool _busy = false;
    bool _undoCaptured = false;
    // The undo manager's count of changes right after this run's last correction: anything else
    // registered since means the user edited in between, and the next correction is a new step.
    uint64_t _undoChangeCountAfterCorrection = 0;
    std::map<std::string, std::string> _changeAll;
};
