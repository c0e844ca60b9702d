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
#include <string>
#include <vector>

namespace outlinertest {

// An outline widget as GTK behaves: it keeps its own copy of the rows, changed only by what the
// adapter tells it, and reports every selection back to the adapter, also those the adapter
// itself makes. A rename in progress is committed when the view takes the focus, as GTK's cell
// editor does.
class FakeOutlineView : public OutlineView {
public:
    explicit FakeOutlineView(OutlineViewAdapter& adapter) : adapter(adapter) {}

    void reloadData() override
    {
        ++reloads;
        rows = adapter.rows();
        selected = nullptr;
        editing = nullptr;
    }
    void replaceRows(size_t first, size_t removed, size_t inserted) override
    {
        ASSERT_LE(first + removed, rows.size());
        ASSERT_LE(first + inserted, adapter.rows().size());
        rows.erase(rows.begin() + long(first), rows.begin() + long(first + removed));
        rows.insert(rows.begin() + long(first), adapter.rows().begin() + long(first),
                    adapter.rows().begin() + long(first + inserted));
        removedRows += removed;
        insertedRows += inserted;
        // Like GTK, a selected row that goes takes the selection with it.
        if (selected && !hasRow(selected)) {
            selected = nullptr;
            adapter.selectionDidChange();
        }
    }
    void updateRows(size_t first, size_t count) override
    {
        ASSERT_LE(first + count, rows.size());
        for (size_t index = first; index < first + count; ++index) {
            EXPECT_EQ(rows[index].node, adapter.rows()[index].node) << "an updated row keeps its topic";
            rows[index] = adapter.rows()[index];
        }
        updatedRows += count;
    }
    void selectItem(MindMapNode* item) override
    {
        MindMapNode* now = hasRow(item) ? item : nullptr;
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
        return found != dateIcons.end() && hasRow(item) ? found->second : Rect();
    }

    // The user's actions, as the widget reports them.
    void click(MindMapNode* item)
    {
        focused = true;
        selected = item;
        adapter.selectionDidChange();
    }
    void userCollapse(MindMapNode* item) { adapter.itemDidCollapse(item); }
    void userExpand(MindMapNode* item) { adapter.itemDidExpand(item); }
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

    const OutlineRow* rowOf(const MindMapNode* item) const
    {
        for (const OutlineRow& row : rows)
            if (row.node == item) return &row;
        return nullptr;
    }
    bool hasRow(const MindMapNode* item) const { return item && rowOf(item); }
    bool isItemExpanded(const MindMapNode* item) const
    {
        const OutlineRow* row = rowOf(item);
        return row && row->expanded();
    }
    // The topic of the closest row above the item's one level up; nullptr at the top level.
    MindMapNode* parentRow(const MindMapNode* item) const
    {
        const OutlineRow* row = rowOf(item);
        if (!row || row->level == 0) return nullptr;
        for (const OutlineRow* above = row; above-- != rows.data();)
            if (above->level + 1 == row->level) return above->node;
        return nullptr;
    }
    std::vector<MindMapNode*> topRows() const
    {
        std::vector<MindMapNode*> top;
        for (const OutlineRow& row : rows)
            if (row.level == 0) top.push_back(row.node);
        return top;
    }

    OutlineViewAdapter& adapter;
    std::vector<OutlineRow> rows;
    MindMapNode* selected = nullptr;
    MindMapNode* editing = nullptr;
    std::string editText;
    // Where each row's date icon is on screen, as the widget would answer.
    std::map<MindMapNode*, Rect> dateIcons;
    OutlineViewState state;
    bool focused = false;
    int reloads = 0;
    int displays = 0;
    size_t removedRows = 0;
    size_t insertedRows = 0;
    size_t updatedRows = 0;
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
