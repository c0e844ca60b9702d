#pragma once

// Recording listeners and small builders shared by the map tests.

#include "MindMaps/CrossLink.h"
#include "MindMaps/HierarchyListener.h"
#include "MindMaps/MindMap.h"
#include "MindMaps/MindMapDocumentOwner.h"
#include "MindMaps/MindMapModelessEditor.h"
#include "MindMaps/MindMapNode.h"
#include "MindMaps/MindMapNodeEditor.h"
#include "MindMaps/ParentRelation.h"
#include "MindMaps/SearchMatchListener.h"
#include "editor-view/MindMapEditorScrollState.h"
#include "editor-view/RearrangeMarker.h"
#include "platform/NotificationCenter.h"
#include "platform/UndoManager.h"
#include "store/CustomImageStore.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace maptest {

// One log shared by every recorder of a test, so that the order across listeners shows.
using CallLog = std::vector<std::string>;

// The editing view: records every call the map makes; hooks let a test act inside a call.
class RecordingNodeEditor : public MindMapNodeEditor {
public:
    explicit RecordingNodeEditor(CallLog& log) : _log(log) {}

    std::function<void()> onSelectedElementChanged;
    std::function<void()> onMindMapChanged;
    std::function<void()> onCancelEditorModes;
    std::vector<MindMapElement*> toolElements;
    std::vector<MindMapElement*> scrolledElements;
    std::vector<int> loadedCodes;
    double zoomToReport = 2.0;
    MindMapEditorScrollState receivedScrollState;

    void mindMapLoaded(int code) override
    {
        loadedCodes.push_back(code);
        _log.push_back("editor.mindMapLoaded:" + std::to_string(code));
    }
    void mindMapChanged() override
    {
        _log.push_back("editor.mindMapChanged");
        if (onMindMapChanged) onMindMapChanged();
    }
    void selectedElementChanged() override
    {
        _log.push_back("editor.selectedElementChanged");
        if (onSelectedElementChanged) onSelectedElementChanged();
    }
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
    void cancelEditorModes() override
    {
        _log.push_back("editor.cancelEditorModes");
        if (onCancelEditorModes) onCancelEditorModes();
    }
    void getEditorScrollState(MindMapEditorScrollState& state) override
    {
        _log.push_back("editor.getEditorScrollState");
        state.setZoomScale(zoomToReport);
    }
    void setEditorScrollState(const MindMapEditorScrollState& state) override
    {
        _log.push_back("editor.setEditorScrollState");
        receivedScrollState.setScrollState(state);
    }
    bool isReadOnly() override { return false; }
    bool isFocused() override { return true; }
    void startEditingNewNode(MindMapNode* node, UndoState) override
    {
        editedNode = node;
        _log.push_back("editor.startEditingNewNode");
    }
    void startEditingExistingNode(MindMapNode*) override {}
    void startEditingText(MindMapText*, UndoState, bool) override {}

    MindMapNode* editedNode = nullptr;

private:
    CallLog& _log;
};

// The note panel or the outliner, by the prefix it logs under.
class RecordingModelessEditor : public HierarchyListener {
public:
    RecordingModelessEditor(CallLog& log, std::string prefix) : _log(log), _prefix(std::move(prefix)) {}

    std::function<void()> onBeforeChangingSelection;
    std::vector<MindMapElement*> outgoing;
    std::vector<MindMapElement*> incoming;
    std::vector<std::pair<MindMapElement*, unsigned>> attributes;

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
    void attributeChanged(MindMapElement* element, unsigned attribute) override
    {
        attributes.emplace_back(element, attribute);
        _log.push_back(_prefix + ".attributeChanged");
    }
    void hierarchyChanged() override { _log.push_back(_prefix + ".hierarchyChanged"); }

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

class FakeImageStore : public CustomImageStore {
public:
    int drops = 0;
    void dropUnusedImages() override { ++drops; }
};

// Counts the title notifications of one map, logging them in the shared log.
class TitleObserver {
public:
    TitleObserver(MindMap& map, CallLog& log)
        : _token(NotificationCenter::defaultCenter().addObserver(MindMap::TitleChangedNotification,
                                                                 static_cast<const void*>(&map),
                                                                 [this, &log](const Notification&) {
                                                                     ++count;
                                                                     log.push_back("notification.titleChanged");
                                                                 }))
    {
    }
    int count = 0;

private:
    ObservationToken _token;
};

// A node of the map at a point, under a parent or as a central theme.
inline MindMapNode* addTopic(MindMap& map, MindMapNode* parent, Point location, const std::string& text = {})
{
    MindMapNode* node = parent ? map.addMindMapNodeAsChild(parent, location) : map.internalAddCentralTheme(text);
    if (!parent) node->setLocation(location);
    if (!text.empty()) node->setText(text);
    return node;
}

inline std::vector<MindMapElement*> elements(std::initializer_list<MindMapElement*> list)
{
    return std::vector<MindMapElement*>(list);
}

} // namespace maptest
