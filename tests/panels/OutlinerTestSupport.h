#pragma once

#include "MindMaps/MindMap.h"
#include "MindMaps/MindMapNode.h"
#include "editor-view/MindMapEditor.h"
#include "formats/TwkxMindMapReader.h"
#include "panels/OutlineViewAdapter.h"
#include "panels/OutlinerViewController.h"
#include "platform/TextMeasurer.h"
#include "platform/UndoManager.h"
#include "platform/UserDefaults.h"
#include "support/FakeTextMeasurer.h"
#include "support/ManualScheduler.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace outlinertest {

// An outline widget as GTK behaves: it builds its rows from the data source, and reports every
// selection, expansion and collapse back to the adapter, also those the adapter itself makes. A
// rename in progress is committed when the view takes the focus, as GTK's cell editor does.
class FakeOutlineView : public OutlineView {
public:
    explicit FakeOutlineView(OutlineViewAdapter& adapter) : adapter(adapter) {}

    void reloadData() override
    {
        ++reloads;
        rows.clear();
        parents.clear();
        expanded.clear();
        selected = nullptr;
        editing = nullptr;
        add(nullptr);
    }
    void expandItem(MindMapNode* item, bool children) override
    {
        if (!rows.count(item) || !adapter.isItemExpandable(item)) return;
        expanded.insert(item);
        adapter.itemDidExpand(item);
        if (children)
            for (size_t i = 0; i < adapter.numberOfChildrenOfItem(item); ++i) expandItem(adapter.child(i, item), true);
    }
    void collapseItem(MindMapNode* item, bool children) override
    {
        if (children)
            for (size_t i = 0; i < adapter.numberOfChildrenOfItem(item); ++i)
                collapseItem(adapter.child(i, item), true);
        if (!expanded.count(item)) return;
        // Like GTK, closing a row forgets how its descendants were open.
        forgetExpansionBelow(item);
        expanded.erase(item);
        adapter.itemDidCollapse(item);
    }
    bool isItemExpanded(MindMapNode* item) const override { return expanded.count(item) > 0; }
    void selectItem(MindMapNode* item) override
    {
        MindMapNode* now = item && isShown(item) ? item : nullptr;
        if (now == selected) return;
        selected = now;
        adapter.selectionDidChange();
    }
    MindMapNode* selectedItem() const override { return selected; }
    void setNeedsDisplay() override { ++displays; }
    void applyOutlineState(const OutlineViewState& newState) override { state = newState; }
    void takeFocusFromEditor() override
    {
        if (!editing) return;
        MindMapNode* item = editing;
        editing = nullptr;
        adapter.cellEndEdit(item, editText);
    }
    bool isFirstResponder() const override { return focused; }
    Rect dateIconFrame(MindMapNode* item) override
    {
        const auto found = dateIcons.find(item);
        return found != dateIcons.end() && isShown(item) ? found->second : Rect();
    }

    // The user's actions, as the widget reports them.
    void click(MindMapNode* item)
    {
        focused = true;
        selected = item;
        adapter.selectionDidChange();
    }
    void userCollapse(MindMapNode* item) { collapseItem(item, false); }
    void userExpand(MindMapNode* item) { expandItem(item, false); }
    void beginEditing(MindMapNode* item, const std::string& text)
    {
        editing = item;
        editText = text;
    }
    void endEditing()
    {
        MindMapNode* item = editing;
        editing = nullptr;
        adapter.cellEndEdit(item, editText);
    }

    // A row is shown when every ancestor row is open.
    bool isShown(MindMapNode* item) const
    {
        if (!rows.count(item)) return false;
        for (MindMapNode* parent = parents.at(item); parent; parent = parents.at(parent))
            if (!expanded.count(parent)) return false;
        return true;
    }
    std::vector<MindMapNode*> topRows() const
    {
        std::vector<MindMapNode*> top;
        for (size_t i = 0; i < adapter.numberOfChildrenOfItem(nullptr); ++i) top.push_back(adapter.child(i, nullptr));
        return top;
    }

    OutlineViewAdapter& adapter;
    std::set<MindMapNode*> rows;
    std::map<MindMapNode*, MindMapNode*> parents;
    std::set<MindMapNode*> expanded;
    MindMapNode* selected = nullptr;
    MindMapNode* editing = nullptr;
    std::string editText;
    // Where each row's date icon is on screen, as the widget would answer.
    std::map<MindMapNode*, Rect> dateIcons;
    OutlineViewState state;
    bool focused = false;
    int reloads = 0;
    int displays = 0;

private:
    void add(MindMapNode* item)
    {
        for (size_t i = 0; i < adapter.numberOfChildrenOfItem(item); ++i) {
            MindMapNode* child = adapter.child(i, item);
            rows.insert(child);
            parents[child] = item;
            add(child);
        }
    }
    void forgetExpansionBelow(MindMapNode* item)
    {
        for (size_t i = 0; i < adapter.numberOfChildrenOfItem(item); ++i) {
            MindMapNode* child = adapter.child(i, item);
            expanded.erase(child);
            forgetExpansionBelow(child);
        }
    }
};

// A map of two central themes, "Alpha" with children A1 (children A1a, A1b) and A2, and "Beta"
// with child B1, shown by an editor whose outliner tab is open in the tree mode.
class OutlinerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        registerNativeFormat();
        UserDefaults::standard().removeObject(OutlinerViewController::OutlineModeKey);
        TextMeasurer::setShared(&measurer);
        editor = std::make_unique<MindMapEditor>(&scheduler);
        editor->setFrameSize({800, 600});
        map = std::make_shared<MindMap>();
        map->newMindMap("", true, std::string("Alpha"));
        alpha = map->mainCentralTheme();
        a1 = child(alpha, "A1");
        a1a = child(a1, "A1a");
        a1b = child(a1, "A1b");
        a2 = child(alpha, "A2");
        beta = map->internalAddCentralTheme("Beta");
        b1 = child(beta, "B1");
        map->validateElementStates();
        map->setEnabled(true);
        editor->setMindMap(map);
        controller = std::make_unique<OutlinerViewController>(editor.get());
        view = std::make_unique<FakeOutlineView>(controller->adapter());
        controller->loadView(view.get(), UserDefaults::standard());
        editor->setHierarchyListener(controller.get());
        controller->setHidden(false);
        controller->hierarchyChanged();
        map->undoManager()->removeAllActions();
    }

    void TearDown() override
    {
        editor->setHierarchyListener(nullptr);
        controller.reset();
        view.reset();
        editor.reset();
        map.reset();
        TextMeasurer::setShared(nullptr);
        UserDefaults::standard().removeObject(OutlinerViewController::OutlineModeKey);
    }

    MindMapNode* child(MindMapNode* parent, const std::string& text)
    {
        MindMapNode* node = map->addMindMapNodeAsChild(parent, {0, 0});
        node->setText(text);
        return node;
    }

    OutlineViewAdapter& adapter() { return controller->adapter(); }
    uint64_t undoChanges() const { return map->undoManager()->changeCount(); }

    static std::vector<std::string> texts(const std::vector<MindMapNode*>& nodes)
    {
        std::vector<std::string> result;
        for (MindMapNode* node : nodes) result.push_back(node->text());
        return result;
    }

    FakeTextMeasurer measurer;
    ManualScheduler scheduler;
    std::unique_ptr<MindMapEditor> editor;
    std::shared_ptr<MindMap> map;
    std::unique_ptr<OutlinerViewController> controller;
    std::unique_ptr<FakeOutlineView> view;
    MindMapNode* alpha = nullptr;
    MindMapNode* a1 = nullptr;
    MindMapNode* a1a = nullptr;
    MindMapNode* a1b = nullptr;
    MindMapNode* a2 = nullptr;
    MindMapNode* beta = nullptr;
    MindMapNode* b1 = nullptr;
};

} // namespace outlinertest
