#include "explorers/FileListItem.h"

#include "Utils/LocalizedCompare.h"
#include "Utils/StringUtils.h"
#include "explorers/FileNameFormatter.h"

#include <gdk-pixbuf/gdk-pixbuf.h>

#include <algorithm>
#include <cstring>
#include <set>
#include <sys/stat.h>

namespace {

// The extensions the installed image loaders read, in lower case; read once.
const std::set<std::string, std::less<>>& imageExtensions()
{
    static const std::set<std::string, std::less<>> extensions = [] {
        std::set<std::string, std::less<>> result;
        GSList* formats = gdk_pixbuf_get_formats();
        for (GSList* format = formats; format; format = format->next) {
            gchar** names = gdk_pixbuf_format_get_extensions(static_cast<GdkPixbufFormat*>(format->data));
            for (gchar** name = names; name && *name; ++name) result.insert(lowercased(*name));
            g_strfreev(names);
        }
        g_slist_free(formats);
        return result;
    }();
    return extensions;
}

// Folders, then files, then the navigate-up entry.
int kindRank(int32_t type)
{
    if (type == FileListItemType::NavigateUp) return 2;
    return type == FileListItemType::Folder ? 0 : 1;
}

int sign(int value)
{
    return (value > 0) - (value < 0);
}

} // namespace

int32_t fileListItemTypeFilter(int32_t explorerMode)
{
    switch (explorerMode) {
    case 1:
    case 2:
        return FileListItemMask::LinkableDocuments;
    case 3:
        return FileListItemMask::FoldersAndMaps;
    default:
        return FileListItemMask::AllButNavigateUp;
    }
}

int32_t FileListItem::detectItemType(const std::string& localPath)
{
    struct stat status {};
    if (::stat(localPath.c_str(), &status) == 0 && S_ISDIR(status.st_mode)) return FileListItemType::Folder;
    const size_t slash = localPath.rfind('/');
    return extensionToItemType(
        fileNameExtension(std::string_view(localPath).substr(slash == std::string::npos ? 0 : slash + 1)));
}

int32_t FileListItem::extensionToItemType(std::string_view extension)
{
    if (extension.empty()) return FileListItemType::OtherFile;
    const std::string lower = lowercased(extension);
    if (lower == "twkx") return FileListItemType::NativeMindMap;
    if (lower == "opml") return FileListItemType::Opml;
    if (lower == "mm") return FileListItemType::Freemind;
    if (lower == "pdf") return FileListItemType::Pdf;
    if (imageExtensions().count(lower)) return FileListItemType::Image;
    return FileListItemType::OtherFile;
}

void FileListItem::setFileName(std::string fileName)
{
    _fileName = std::move(fileName);
    _justFileName.reset();
    _sortKey.reset();
}

const std::string& FileListItem::justFileName() const
{
    if (!_justFileName) _justFileName = std::string(fileNameWithoutExtension(_fileName));
    return *_justFileName;
}

const std::string& FileListItem::sortKey() const
{
    if (!_sortKey) _sortKey = localizedStandardSortKey(justFileName());
    return *_sortKey;
}

int FileListItem::compare(const FileListItem& other) const
{
    // The navigate-up entry counts as a folder, but sorting it by name among the folders while
    // it sorts after the files would make the order contradict itself.
    const int rank = kindRank(_type) - kindRank(other._type);
    if (rank != 0) return sign(rank);
    if (const int byName = sortKey().compare(other.sortKey())) return sign(byName);
    // Names the locale counts as equal still need one order every time.
    if (_type != other._type) return _type < other._type ? -1 : 1;
    if (const int byFileName = _fileName.compare(other._fileName)) return sign(byFileName);
    return sign(_path.compare(other._path));
}

void sortFileListItems(FileListItems& items)
{
    std::sort(items.begin(), items.end(),
              [](const std::shared_ptr<FileListItem>& a, const std::shared_ptr<FileListItem>& b) { return *a < *b; });
}
