#pragma once

// Recording listeners and small builders shared by the map tests.

#include "MindMaps/ContainedElement.h"
#include "MindMaps/CrossLink.h"
#include "MindMaps/HierarchyListener.h"
#include "MindMaps/MindMap.h"
#include "MindMaps/MindMapDocumentOwner.h"
#include "MindMaps/MindMapEditorScrollState.h"
#include "MindMaps/MindMapModelessEditor.h"
#include "MindMaps/MindMapNode.h"
#include "MindMaps/MindMapNodeEditor.h"
#include "MindMaps/ParentRelation.h"
#include "MindMaps/RearrangeMarker.h"
#include "MindMaps/SearchMatchListener.h"
#include "platform/NotificationCenter.h"
#include "platform/UndoManager.h"
#include "support/MemoryImageStore.h"
#include "support/QuietNodeEditor.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace maptest {

// One log shared by every recorder of a test, so that the order across listeners shows.
using CallLog = std::vector<std::string>;

// The editing view: records every call the map makes.
class RecordingNodeEditor : public MindMapNodeEditor {
public:
    explicit RecordingNodeEditor(CallLog& log) : _log(log) {}

    std::vector<MindMapElement*> toolElements;
    std::vector<MindMapElement*> scrolledElements;
    std::vector<int> loadedCodes;

    void mindMapLoaded(int code) override
    {
        loadedCodes.push_back(code);
        _log.push_back("editor.mindMapLoaded:" + std::to_string(code));
    }
    void mindMapChanged() override { _log.push_back("editor.mindMapChanged"); }
    void selectedElementChanged() override { _log.push_back("editor.selectedElementChanged"); }
    void updateElementTools(MindMapElement* element) override
    {
        toolElements.push_back(element);
        _log.push_back(element ? "editor.updateElementTools:element" : "editor.updateElementTools:none");
    }
    void scrollElementVisible(MindMapElement* element) override
    {
        scrolledElements.push_back(element);
        _log.push_back("editor.scrollElementVisible");
    }
    // What ending the edit does to the map, as the canvas's text editor may.
    std::function<void()> onCancelEditorModes;
    void cancelEditorModes() override
    {
        _log.push_back("editor.cancelEditorModes");
        if (onCancelEditorModes) onCancelEditorModes();
    }
    void getEditorScrollState(MindMapEditorScrollState&) override { _log.push_back("editor.getEditorScrollState"); }
    void setEditorScrollState(const MindMapEditorScrollState&) override
    {
        _log.push_back("editor.setEditorScrollState");
    }
    bool isReadOnly() override { return false; }
    bool isFocused() override { return true; }
    void startEditingNewNode(MindMapNode*, UndoState) override { _log.push_back("editor.startEditingNewNode"); }
    void startEditingExistingNode(MindMapNode*) override {}
    void startEditingText(MindMapText*, UndoState, bool) override {}

private:
    CallLog& _log;
};

// The editing view when only the redraws count: counts every report of a change outside an update
// and records the elements whose tools it rebuilds (only the primary selected element).
class CountingNodeEditor : public QuietNodeEditor {
public:
    int changes = 0;
    std::vector<MindMapElement*> toolUpdates;
    bool focused = true;

    void mindMapChanged() override { ++changes; }
    void updateElementTools(MindMapElement* element) override { toolUpdates.push_back(element); }
    bool isFocused() override { return focused; }
};

// The note panel or the outliner, by the prefix it logs under.
class RecordingModelessEditor : public HierarchyListener {
public:
    RecordingModelessEditor(CallLog& log, std::string prefix) : _log(log), _prefix(std::move(prefix)) {}

    std::function<void()> onBeforeChangingSelection;
    std::vector<MindMapElement*> outgoing;
    std::vector<MindMapElement*> incoming;
    int hierarchyChanges = 0;

    void beforeChangingSelection(MindMapElement* element) override
    {
        outgoing.push_back(element);
        _log.push_back(_prefix + ".beforeChangingSelection");
        if (onBeforeChangingSelection) onBeforeChangingSelection();
    }
    void afterChangingSelection(MindMapElement* element) override
    {
        incoming.push_back(element);
        _log.push_back(_prefix + ".afterChangingSelection");
    }
    void dropSelection() override { _log.push_back(_prefix + ".dropSelection"); }
    void attributeChanged(MindMapElement*, unsigned) override { _log.push_back(_prefix + ".attributeChanged"); }
    void hierarchyChanged() override
    {
        ++hierarchyChanges;
        _log.push_back(_prefix + ".hierarchyChanged");
    }

private:
    CallLog& _log;
    std::string _prefix;
};

class RecordingSearchListener : public SearchMatchListener {
public:
    explicit RecordingSearchListener(CallLog& log) : _log(log) {}
    int calls = 0;
    void searchMatchesChanged() override
    {
        ++calls;
        _log.push_back("search.searchMatchesChanged");
    }

private:
    CallLog& _log;
};

class FakeDocumentOwner : public MindMapDocumentOwner {
public:
    UndoManager manager;
    std::vector<ChangeKind> changes;
    bool edited = false;

    UndoManager* undoManager() override { return &manager; }
    bool isDocumentEdited() const override { return edited; }
    void updateChangeCount(ChangeKind kind) override { changes.push_back(kind); }
};

// Counts the title notifications of one map, logging them in the shared log.
class TitleObserver {
public:
    TitleObserver(MindMap& map, CallLog& log)
        : _token(NotificationCenter::defaultCenter().addObserver(
              MindMap::TitleChangedNotification, static_cast<const void*>(&map), [this, &log](const Notification&) {
                  ++count;
                  log.push_back("notification.titleChanged");
              }))
    {
    }
    int count = 0;

private:
    ObservationToken _token;
};

// A contained element with a box of a given size around its location.
class Box : public ContainedElement {
public:
    Box(CompositeElement* container, Size size) : ContainedElement(container), _size(size) {}

    Rect bounds() const override
    {
        Point at = location();
        return {at.x - _size.width / 2, at.y - _size.height / 2, _size.width, _size.height};
    }

private:
    Size _size;
};

// A node of the map at a point, under a parent or as a central theme.
inline MindMapNode* addTopic(MindMap& map, MindMapNode* parent, Point location, const std::string& text = {})
{
    MindMapNode* node = parent ? map.addMindMapNodeAsChild(parent, location) : map.internalAddCentralTheme(text);
    if (!parent) node->setLocation(location);
    if (!text.empty()) node->setText(text);
    return node;
}

// Two central themes, built by addTo:
//   A (0,0): A1 (200,0) with A1a (400,0) and A1b (400,60); A2 (200,100)
//   B (0,400): B1 (200,400)
struct TwoThemeTopics {
    MindMapNode* a = nullptr;
    MindMapNode* a1 = nullptr;
    MindMapNode* a1a = nullptr;
    MindMapNode* a1b = nullptr;
    MindMapNode* a2 = nullptr;
    MindMapNode* b = nullptr;
    MindMapNode* b1 = nullptr;

    void addTo(MindMap& map)
    {
        a = addTopic(map, nullptr, Point{0, 0}, "A");
        a1 = addTopic(map, a, Point{200, 0}, "A1");
        a1a = addTopic(map, a1, Point{400, 0}, "A1a");
        a1b = addTopic(map, a1, Point{400, 60}, "A1b");
        a2 = addTopic(map, a, Point{200, 100}, "A2");
        b = addTopic(map, nullptr, Point{0, 400}, "B");
        b1 = addTopic(map, b, Point{200, 400}, "B1");
    }
};

inline std::vector<MindMapElement*> elements(std::initializer_list<MindMapElement*> list)
{
    return std::vector<MindMapElement*>(list);
}

} // namespace maptest
