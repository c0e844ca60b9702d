#pragma once

#include <string>

// What a provider tells about a map id for lists and history menus: its title and where it lies
// (the folder path in the local store, the folder part of a cloud path).
class MindMapListInfo {
public:
    static MindMapListInfo infoWithTitle(const std::string& title, const std::string& folderInfo);

    const std::string& title() const { return _title; }
    const std::string& folderInfo() const { return _folderInfo; }

private:
    MindMapListInfo(std::string title, std::string folderInfo);

    std::string _title;
    std::string _folderInfo;
};
