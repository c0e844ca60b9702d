#include "editor-view/MindMapEditor.h"

#include "MindMaps/CrossLink.h"
#include "MindMaps/MapLayouter.h"
#include "MindMaps/MindMap.h"
#include "MindMaps/MindMapElement.h"
#include "MindMaps/MindMapNode.h"
#include "MindMaps/MindMapText.h"
#include "MindMaps/ParentRelation.h"
#include "editor-view/MindMapSpellChecker.h"
#include "editor-view/SpellingPanel.h"
#include "platform/Localizer.h"
#include "platform/UndoManager.h"
#include "platform/UserDefaults.h"

#include <algorithm>

namespace {

constexpr const char* EditTextUndoKey = "undoable_op_edit_text";
constexpr const char* ContinuousSpellCheckingKey = "continuousSpellChecking";
constexpr const char* AutomaticSpellingCorrectionKey = "automaticSpellingCorrection";

// The editable text of a topic or a free text; nothing for other elements.
const std::string* editableText(const MindMapElement* element)
{
    if (const auto* node = dynamic_cast<const MindMapNode*>(element)) return &node->text();
    if (const auto* text = dynamic_cast<const MindMapText*>(element)) return &text->text();
    return nullptr;
}

// Whether the map still holds the element, asked without touching it: it may be gone.
bool mapHolds(const MindMap& map, const MindMapElement* element)
{
    if (!element) return false;
    const std::vector<MindMapNode*>& nodes = map.nodes();
    if (std::find(nodes.begin(), nodes.end(), element) != nodes.end()) return true;
    auto holds = [element](const CompositeElement* composite) {
        if (!composite) return false;
        const std::vector<ContainedElement*> contained = composite->containedElements();
        return std::find(contained.begin(), contained.end(), element) != contained.end();
    };
    for (const MindMapNode* node : nodes)
        if (holds(node) || holds(node->parentRelation())) return true;
    for (const CrossLink* link : map.crossLinks())
        if (holds(link)) return true;
    return false;
}

// Where the element's text is painted: the edited text lies over it.
Point textCenter(MindMapElement* element)
{
    if (auto* node = dynamic_cast<MindMapNode*>(element)) return node->textBounds().center();
    if (auto* text = dynamic_cast<MindMapText*>(element)) return text->textBounds().center();
    return element->location();
}

} // namespace

void MindMapEditor::startEditingNewNode(MindMapNode* node, UndoState undoState)
{
    startEditingElement(node, std::move(undoState), true);
}

void MindMapEditor::startEditingExistingNode(MindMapNode* node)
{
    startEditingElement(node, nullptr, false);
}

void MindMapEditor::startEditingText(MindMapText* text, UndoState undoState, bool creatingText)
{
    startEditingElement(text, std::move(undoState), creatingText);
}

void MindMapEditor::startEditingElement(MindMapElement* element, UndoState undoState, bool creating)
{
    if (!_mindMap) return;
    MindMap& map = *_mindMap;
    const std::string* text = editableText(element);
    if (!text || !map.containsElement(element)) {
        // A creation that cannot be edited is still one step to undo.
        if (undoState) map.pushDelayedUndoableOperation(undoState);
        return;
    }
    stopEditing(InplaceTextEditor::Commit);
    releaseRetiredEditors();
    // Committing may have changed the element's text, and with it where the text is kept.
    _originalEditText = *editableText(element);
    if (_undoState) map.dropDelayedUndoableOperation(_undoState);
    _undoState.reset();

    if (_userScaleFactor < InplaceTextEditor::MinimumEditingScale)
        userScale(InplaceTextEditor::MinimumEditingScale, mapToViewSpace(element->location()));
    // Zooming left the editor's modes: whatever that ended must not have taken the element.
    if (!mapHolds(map, element)) {
        if (undoState) map.pushDelayedUndoableOperation(undoState);
        return;
    }
    map.validateElementStates();
    scrollElementVisible(element);
    _undoState = undoState ? std::move(undoState) : map.prepareDelayedUndoableOperation(localized(EditTextUndoKey));
    map.setSelectedElement(element);

    const int32_t editingState = (creating ? 1 : 0) | 2;
    _placeholderSet = false;
    if (auto* node = dynamic_cast<MindMapNode*>(element)) {
        // A topic not yet typed into shows a space, selected, which the first key replaces.
        if (node->editingState() == 1 || (creating && node->text().empty())) {
            node->setText(InplaceTextEditor::Placeholder);
            _placeholderSet = true;
        }
        node->setEditingState(editingState);
    } else {
        static_cast<MindMapText*>(element)->setEditingState(editingState);
    }
    map.validateElementStates();

    _editingElement = element;
    _editingCreated = creating;
    std::unique_ptr<InplaceTextView> view = _host ? _host->newInplaceTextView() : nullptr;
    _inplaceEditor =
        std::make_unique<InplaceTextEditor>(*this, std::move(view), InplaceEditingData::editingDataForElement(element),
                                            _scaleFactor, textCenter(element), *editableText(element));
    updateElementToolsVisibility();
    _ignoreMouseDown = false;
    _resetIgnoreMouseDownCall.cancel();
    InplaceTextView& textView = _inplaceEditor->view();
    textView.setSpellingFlags(_continuousSpellCheckEnabled, _automaticSpellingCorrectionEnabled);
    textView.show();
    if (!_placeholderSet) textView.setSelectedRange({utf16Length(textView.text()), 0});
    setNeedsDisplay();
    interfaceChanged(InterfaceChange::Editing);
}

void MindMapEditor::becomeFirstResponder()
{
    stopEditing(InplaceTextEditor::Commit);
}

void MindMapEditor::stopEditing(int mode)
{
    if (!_inplaceEditor) return;
    // Let go of first: closing the view moves the keyboard focus, whose signals come back here.
    _retiredInplaceEditors.push_back(std::move(_inplaceEditor));
    InplaceTextEditor& session = *_retiredInplaceEditors.back();
    session.passivate();

    _ignoreMouseDown = true;
    if (_scheduler)
        _resetIgnoreMouseDownCall =
            _scheduler->performAfterDelay(IgnoreMouseDownAfterEditing, [this] { resetIgnoreMouseDown(); });

    InplaceTextView& textView = session.view();
    setContinuousSpellChecking(textView.continuousSpellChecking());
    setAutomaticSpellingCorrection(textView.automaticSpellingCorrection());

    // Focus that went elsewhere (another field of the window) stays there.
    const bool refocus = !textView.focusIsElsewhere();
    textView.remove();
    if (refocus) {
        if (_host) _host->focusEditor();
        if (_scheduler)
            _refocusCall = _scheduler->performAfterDelay(IgnoreMouseDownAfterEditing, [this] {
                if (_host && !_inplaceEditor) _host->focusEditor();
            });
    }

    std::string newText = MindMapNode::validateNodeText(session.text());
    // The space shown in a topic not typed into is no text of the user's.
    if (_placeholderSet && newText == InplaceTextEditor::Placeholder) newText.clear();
    MindMapElement* element = _editingElement;
    _editingElement = nullptr;
    const UndoState undoState = std::move(_undoState);
    _undoState.reset();
    bool applied = false;
    const bool kept = finishEditingElement(element, newText, mode, applied);

    if (_mindMap && undoState) {
        const UndoManager* undoManager = _mindMap->undoManager();
        const bool due = !undoManager || (!undoManager->isUndoing() && !undoManager->isRedoing());
        // A new element that stays is its creation's step; an existing one takes a step only when
        // its text changed.
        const bool takesStep = kept && (_editingCreated || applied);
        if (due && takesStep) _mindMap->pushDelayedUndoableOperation(undoState);
        else _mindMap->dropDelayedUndoableOperation(undoState);
    }
    _placeholderSet = false;
    _editingCreated = false;
    if (_scheduler) _releaseRetiredCall = _scheduler->performAfterDelay(0, [this] { releaseRetiredEditors(); });
    setNeedsDisplay();
    updateElementToolsVisibility();
    interfaceChanged(InterfaceChange::Editing);
}

bool MindMapEditor::finishEditingElement(MindMapElement* element, const std::string& newText, int mode, bool& applied)
{
    applied = false;
    if (!_mindMap || !mapHolds(*_mindMap, element)) return false;
    MindMap& map = *_mindMap;
    const bool defaultWrap = UserDefaults::standard().boolForKey(ApplyDefaultWordWrapKey);
    const bool cancelled = mode == InplaceTextEditor::Cancel;

    if (auto* text = dynamic_cast<MindMapText*>(element)) {
        const bool isNew = text->editingState() & 1;
        const bool apply = newText != text->text() && !cancelled;
        applied = apply;
        if (apply) {
            text->setText(map.fittedText(newText, text->text()));
            if (isNew) {
                if (defaultWrap) text->applyDefaultWrap();
                text->assignDefaultLocation();
            }
        }
        map.validateElementStates();
        map.scrollSelectedElementVisible();
        text->setEditingState(0);
        if (isNew && (cancelled || (mode == InplaceTextEditor::Commit && text->isEmpty()))) {
            map.removeContainedElement(text);
            return false;
        }
        return true;
    }

    auto* node = dynamic_cast<MindMapNode*>(element);
    if (!node) return true;
    const bool isNew = node->editingState() & 1;
    const bool apply = newText != node->text() && !cancelled;
    applied = apply;
    if (apply) {
        node->setText(map.fittedText(newText, node->text()));
        if (isNew) {
            if (defaultWrap) node->applyDefaultWrap();
            if (!node->isAutoLayout()) MapLayouter::shared().avoidOverlap(node);
        }
    } else if (_placeholderSet && node->text() == InplaceTextEditor::Placeholder) {
        // Cancelled: the topic keeps the text it had when the edit began.
        node->setText(_originalEditText);
    }
    map.validateElementStates();
    map.scrollSelectedElementVisible();
    if (apply) node->setIsHotLinked(false);
    node->setEditingState(0);
    const bool empty = node->text().empty();
    if (isNew && (cancelled || (mode == InplaceTextEditor::Commit && empty)) && node->parent() &&
        node->childCount() == 0) {
        map.removeMindMapNode(node);
        return false;
    }
    if (map.mainCentralTheme() == node) map.titleChanged();
    return true;
}

void MindMapEditor::setContinuousSpellChecking(bool enabled)
{
    if (enabled == _continuousSpellCheckEnabled) return;
    _continuousSpellCheckEnabled = enabled;
    UserDefaults::standard().setBool(ContinuousSpellCheckingKey, enabled);
}

void MindMapEditor::setAutomaticSpellingCorrection(bool enabled)
{
    if (enabled == _automaticSpellingCorrectionEnabled) return;
    _automaticSpellingCorrectionEnabled = enabled;
    UserDefaults::standard().setBool(AutomaticSpellingCorrectionKey, enabled);
}

void MindMapEditor::registerSpellingActions()
{
    // While a text is edited in place its view answers these first.
    addAction("toggleContinuousSpellChecking:", [this](const ActionSender*) {
        if (enabled()) setContinuousSpellChecking(!_continuousSpellCheckEnabled);
    });
    addAction("toggleAutomaticSpellingCorrection:", [this](const ActionSender*) {
        if (enabled()) setAutomaticSpellingCorrection(!_automaticSpellingCorrectionEnabled);
    });
    addAction("checkSpelling:", [this](const ActionSender*) { checkSpelling(); });
}

void MindMapEditor::checkSpelling()
{
    if (!_mindMap || !enabled() || _readOnly) return;
    if (!_spellChecker) {
        MindMapSpellChecker::Hooks hooks;
        hooks.scrollSelectedElementToCenter = [this] { scrollSelectedElementToCenter(); };
        hooks.closeSpellingPanel = [] {
            if (SpellingPanel* panel = SpellingPanel::shared()) panel->closeSpellingPanel();
        };
        _spellChecker = std::make_unique<MindMapSpellChecker>(_mindMap.get(), SpellingService::shared(), hooks);
    }
    _spellChecker->setMindMap(_mindMap.get());
    if (_spellChecker->reportMissingDictionary()) return;
    if (SpellingPanel* panel = SpellingPanel::shared()) panel->showSpellingPanel(*_spellChecker);
}

void MindMapEditor::releaseRetiredEditors()
{
    _retiredInplaceEditors.clear();
}
