#pragma once

#include "explorers/CloudTableView.h"
#include "explorers/FileListAdapter.h"
#include "explorers/FileNameDialog.h"

#include <cstddef>
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
