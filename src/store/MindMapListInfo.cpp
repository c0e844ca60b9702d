#include "store/MindMapListInfo.h"

#include <utility>

MindMapListInfo::MindMapListInfo(std::string title, std::string folderInfo)
    : _title(std::move(title)), _folderInfo(std::move(folderInfo))
{
}

MindMapListInfo MindMapListInfo::infoWithTitle(const std::string& title, const std::string& folderInfo)
{
    return MindMapListInfo(title, folderInfo);
}
