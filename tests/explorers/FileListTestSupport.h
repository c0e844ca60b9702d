#pragma once

#include "explorers/FileListAdapter.h"

#include <string>
#include <vector>

// A table that remembers what the adapter asked of it.
class RecordingFileListTable : public FileListTable {
public:
    void reloadData() override
    {
        ++reloads;
        ++reloading;
        if (duringReload) duringReload();
        --reloading;
    }
    bool isReloadingData() const override { return reloading != 0; }
    std::vector<size_t> selectedRows() const override { return selection; }
    void selectRows(const std::vector<size_t>& rows) override { selection = rows; }
    void scrollRowToVisible(size_t row) override { scrolledTo.push_back(row); }
    void endEditing() override { ++editsEnded; }
    void setDraggedType(const std::optional<std::string>& type) override { draggedType = type; }

    int reloads = 0;
    int reloading = 0;
    int editsEnded = 0;
    std::function<void()> duringReload;
    std::vector<size_t> selection;
    std::vector<size_t> scrolledTo;
    std::optional<std::string> draggedType;
};

// An owner that records what it was told and answers as set.
class RecordingFileListDelegate : public FileListAdapterDelegate {
public:
    void renameFileItem(FileListItem& item, const std::string& newName) override
    {
        renames.push_back(item.fileName() + " -> " + newName);
    }
    bool allowInplaceEditing() override { return allowEditing; }
    bool moveSourceItem(FileListItem& source, FileListItem& toDirectory) override
    {
        moves.push_back(source.path() + " -> " + toDirectory.path());
        return true;
    }
    bool allowCloudImageDrag() override { return allowImageDrag; }
    void fetchThumbnail(FileListItem& item) override { fetched.push_back(item.fileName()); }

    bool allowEditing = true;
    bool allowImageDrag = false;
    std::vector<std::string> renames;
    std::vector<std::string> moves;
    std::vector<std::string> fetched;
};

inline std::shared_ptr<FileListItem> makeItem(int32_t type, const std::string& name, const std::string& path = {})
{
    auto item = std::make_shared<FileListItem>(type);
    item->setFileName(name);
    item->setPath(path.empty() ? "/" + name : path);
    return item;
}
