#pragma once

#include "explorers/BreadcrumbBar.h"
#include "explorers/CloudTableView.h"
#include "explorers/FileListAdapter.h"
#include "explorers/FileNameDialog.h"
#include "explorers/MindMapSearchField.h"
#include "support/FakeTextMeasurer.h"
#include "support/ScriptedAlertPanel.h"

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// A table that keeps a selection of its own, the type it offers for dragging and the text it
// shows when empty.
class SelectingTable : public CloudTableView {
public:
    explicit SelectingTable(FileListAdapter& adapter) : adapter(adapter) {}
    std::vector<size_t> selectedRows() const override { return selection; }
    void selectRows(const std::vector<size_t>& rows) override { selection = rows; }
    void scrollRowToVisible(size_t) override {}
    void endEditing() override {}
    void setDraggedType(const std::optional<std::string>& type) override { draggedType = type; }

    FileListAdapter& adapter;
    std::vector<size_t> selection;
    std::optional<std::string> draggedType;
    std::string header;

protected:
    void reloadRows() override {}
    size_t numberOfRows() const override { return adapter.numberOfRows(); }
    void showEmptyText(const std::string& text) override { header = text; }
};

// Answers the name prompts from a script (nothing once it runs out) and notes what was asked.
struct ScriptedNames : FileNamePrompt {
    std::vector<std::optional<std::string>> answers;
    std::vector<std::string> asked;
    ScriptedNames() { FileNamePrompt::setShared(this); }
    ~ScriptedNames() override { FileNamePrompt::setShared(nullptr); }
    std::optional<std::string> selectNewFileName(int32_t mode, const std::string& initialName) override
    {
        asked.push_back(std::to_string(mode) + " " + initialName);
        if (answers.empty()) return std::nullopt;
        auto answer = answers.front();
        answers.erase(answers.begin());
        return answer;
    }
};

// What a cloud pane's widget gives its explorer, and the pane itself: a fixture's second base,
// after the service's fixture the pane works with.
template <class Explorer> struct CloudPaneParts {
    FakeTextMeasurer measurer;
    BreadcrumbBar bar{measurer};
    MindMapSearchField field;
    ScriptedNames names;
    ScriptedAlertPanel alerts;
    std::unique_ptr<Explorer> explorer;
    std::unique_ptr<SelectingTable> table;

    // A new pane in the mode, set up and activated as its widget does.
    void showPane(int32_t mode)
    {
        explorer = std::make_unique<Explorer>(mode);
        table = std::make_unique<SelectingTable>(explorer->adapter());
        explorer->setTableView(table.get());
        explorer->setBreadcrumbBar(&bar);
        explorer->setSearchBar(&field);
        explorer->loadView();
        explorer->setActive(true);
    }
    void select(size_t row) { table->selection = {row}; }
};
