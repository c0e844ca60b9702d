#include "editor-view/MindMapSpellChecker.h"

#include "MindMaps/CompositeElement.h"
#include "MindMaps/CrossLink.h"
#include "MindMaps/MindMap.h"
#include "MindMaps/MindMapNode.h"
#include "MindMaps/MindMapText.h"
#include "MindMaps/ParentRelation.h"
#include "Utils/FeedbackSink.h"
#include "platform/Localizer.h"
#include "platform/UndoManager.h"

#include <algorithm>

namespace {

constexpr const char* CompleteKey = "spell_check_complete";
constexpr const char* ReadOnlyKey = "spell_check_read_only_mind_map_error";
constexpr const char* PositionLostKey = "spell_check_current_position_lost_and_restarting";
constexpr const char* TextModifiedKey = "spell_check_text_modified_while_busy";
constexpr const char* NoDictionaryKey = "spell_check_no_dictionary_error";
constexpr const char* UndoActionKey = "action_check_spelling";

void appendTexts(std::vector<MindMapElement*>& elements, const CompositeElement* composite)
{
    if (!composite) return;
    for (ContainedElement* contained : composite->containedElements())
        if (contained->elementType() == ElementTypeText) elements.push_back(contained);
}

} // namespace

MindMapSpellChecker::MindMapSpellChecker(MindMap* mindMap, SpellingService& service, Hooks hooks)
    : _mindMap(mindMap), _service(service), _hooks(std::move(hooks))
{
}

MindMapSpellChecker::~MindMapSpellChecker()
{
    stopSpellingCheck();
    // The dialog may hold on to the checker even between runs.
    if (_hooks.closeSpellingPanel) _hooks.closeSpellingPanel();
}

void MindMapSpellChecker::setMindMap(MindMap* mindMap)
{
    if (mindMap == _mindMap) return;
    cancelSpellCheck();
    _mindMap = mindMap;
}

std::string MindMapSpellChecker::textOf(MindMapElement* element)
{
    if (auto* node = dynamic_cast<MindMapNode*>(element)) return node->text();
    if (auto* text = dynamic_cast<MindMapText*>(element)) return text->text();
    return {};
}

std::vector<MindMapElement*> MindMapSpellChecker::collectElements() const
{
    std::vector<MindMapElement*> elements;
    if (!_mindMap) return elements;
    const std::vector<MindMapNode*>& themes = _mindMap->centralThemes();
    for (MindMapNode* node = themes.empty() ? nullptr : themes.front(); node; node = node->nextNode()) {
        elements.push_back(node);
        appendTexts(elements, node);
        appendTexts(elements, node->parentRelation());
    }
    for (CrossLink* link : _mindMap->crossLinks()) appendTexts(elements, link);
    return elements;
}

void MindMapSpellChecker::showMessage(const std::string& text, unsigned state)
{
    feedbackSinkInstance().showEditorNotification({}, text, state);
}

bool MindMapSpellChecker::reportMissingDictionary()
{
    if (_service.hasDictionary()) return false;
    stopSpellingCheck();
    showMessage(localizedFormat(NoDictionaryKey, {_service.wantedLanguage()}), FeedbackStateWarning);
    return true;
}

std::optional<std::string> MindMapSpellChecker::checkSpelling()
{
    if (!_mindMap || reportMissingDictionary()) return std::nullopt;
    const std::vector<MindMapElement*> elements = collectElements();
    auto position = std::find(elements.begin(), elements.end(), _currentElement);
    if (_currentElement && position == elements.end()) stopSpellingCheck();
    if (!_busy) {
        _busy = true;
        _undoCaptured = false;
        _changeAll.clear();
        _service.forgetIgnoredWords();
        _currentElement = elements.empty() ? nullptr : elements.front();
        _currentLocation = 0;
        position = elements.begin();
    }
    for (; position != elements.end(); ++position) {
        MindMapElement* element = *position;
        if (element != _currentElement) {
            _currentElement = element;
            _currentLocation = 0;
        }
        for (;;) {
            const std::string text = textOf(element);
            const std::optional<SpellingWords::Range> found =
                SpellingWords::findMisspelledWord(_service, text, static_cast<size_t>(_currentLocation));
            if (!found) break;
            _correctionRange = *found;
            _misspelled = SpellingWords::substring(text, *found);
            _currentLocation = static_cast<int64_t>(found->end());
            auto automatic = _changeAll.find(_misspelled);
            if (automatic != _changeAll.end()) {
                // A word the user chose to change everywhere is changed without stopping.
                if (!replaceCurrentWord(automatic->second)) return std::nullopt;
                continue;
            }
            _mindMap->forceElementVisible(element);
            _mindMap->setSelectedElement(element);
            if (_hooks.scrollSelectedElementToCenter) _hooks.scrollSelectedElementToCenter();
            return _misspelled;
        }
    }
    stopSpellingCheck();
    showMessage(localized(CompleteKey), FeedbackStateInformation);
    return std::nullopt;
}

void MindMapSpellChecker::openUndoStepIfNeeded()
{
    UndoManager* undo = _mindMap->undoManager();
    if (_undoCaptured && undo && undo->changeCount() == _undoChangeCountAfterCorrection) return;
    _mindMap->prepareUndoableOperation(localized(UndoActionKey));
    _undoCaptured = true;
}

bool MindMapSpellChecker::replaceCurrentWord(const std::string& replacement)
{
    const std::string text = textOf(_currentElement);
    if (SpellingWords::substring(text, _correctionRange) != _misspelled || _misspelled.empty()) {
        stopSpellingCheck();
        showMessage(localized(TextModifiedKey), FeedbackStateWarning);
        return false;
    }
    openUndoStepIfNeeded();
    const std::string changed = SpellingWords::replace(text, _correctionRange, replacement);
    if (auto* node = dynamic_cast<MindMapNode*>(_currentElement)) {
        node->setText(changed);
        if (_mindMap->mainCentralTheme() == node) _mindMap->titleChanged();
    } else if (auto* label = dynamic_cast<MindMapText*>(_currentElement)) {
        label->setText(changed);
    }
    _mindMap->validateElementStates();
    _currentLocation = static_cast<int64_t>(_correctionRange.location + SpellingWords::characterCount(replacement));
    if (UndoManager* undo = _mindMap->undoManager()) _undoChangeCountAfterCorrection = undo->changeCount();
    return true;
}

bool MindMapSpellChecker::changeSpelling(const std::string& replacement)
{
    if (!_mindMap || !_currentElement) return false;
    if (_mindMap->readOnly()) {
        showMessage(localized(ReadOnlyKey), FeedbackStateWarning);
        return false;
    }
    const std::vector<MindMapElement*> elements = collectElements();
    if (std::find(elements.begin(), elements.end(), _currentElement) == elements.end()) {
        showMessage(localized(PositionLostKey), FeedbackStateWarning);
        stopSpellingCheck();
        return false;
    }
    return replaceCurrentWord(replacement);
}

bool MindMapSpellChecker::changeAllSpelling(const std::string& word, const std::string& replacement)
{
    if (!changeSpelling(replacement)) return false;
    if (!word.empty()) _changeAll[word] = replacement;
    return true;
}

void MindMapSpellChecker::ignoreSpelling(const std::string& word)
{
    if (_busy && !word.empty()) _service.ignoreWord(word);
}

std::vector<std::string> MindMapSpellChecker::suggestions(const std::string& word)
{
    return _service.suggestions(word);
}

void MindMapSpellChecker::cancelSpellCheck()
{
    stopSpellingCheck();
}

void MindMapSpellChecker::spellingPanelClosed()
{
    // The dialog is going already; it must not be asked to close again.
    std::function<void()> close = std::move(_hooks.closeSpellingPanel);
    _hooks.closeSpellingPanel = nullptr;
    stopSpellingCheck();
    _hooks.closeSpellingPanel = std::move(close);
}

void MindMapSpellChecker::stopSpellingCheck()
{
    _currentElement = nullptr;
    _misspelled.clear();
    _currentLocation = 0;
    _correctionRange = {};
    if (!_busy) return;
    _busy = false;
    _undoCaptured = false;
    _changeAll.clear();
    _service.forgetIgnoredWords();
    if (_hooks.closeSpellingPanel) _hooks.closeSpellingPanel();
}
