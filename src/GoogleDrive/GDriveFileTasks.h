#pragma once

#include "MindMaps/MindMapFormats.h"

#include <optional>
#include <string>

// The work of the Drive file actions that needs no service: reading links, naming copies,
// converting maps of other formats and opening downloaded files. The service
// (GDriveServiceTasks.cpp) brings the files and the folders.
namespace GDriveFileTasks {

// A link from a map: the Drive path or id, and for a PDF the part after its "#" or "?" (a page),
// which only the PDF viewer's page parser reads.
struct CloudLink {
    std::string target;
    std::optional<std::string> params;
};
CloudLink splitCloudLink(const std::string& link);

// "Plan.twkx" gives "Plan Copy.twkx"; a name without an extension gets " Copy" at its end.
std::string copyName(const std::string& name);
// The name without its extension, as a title.
std::string titleOfName(const std::string& name);

// The native archive of a map kept in another format (by its file name's extension: mm, opml,
// pdf, txt), or the user's message. link: where the source lies (its Drive link for a cloud file),
// which a PDF's map points to.
struct Conversion {
    std::optional<MindMapData> archive;
    std::string error;
};
Conversion convertToNative(const MindMapData& bytes, const std::string& fileName, const std::string& link,
                           bool isCloud = true);

// Opens a downloaded file that is not a map: with params a PDF at its page in the PDF viewer,
// else in the desktop's default application, by the rule of document links (a program or a
// launcher is only shown in the file manager). false when nothing took it.
bool openDownloadedFile(const std::string& path, const std::string& params);

} // namespace GDriveFileTasks
