#pragma once

#include "MindMaps/MindMapFormats.h"

#include <optional>
#include <string>

// The work of the Drive file actions that needs no service: naming copies and converting maps of
// other formats. The service (GDriveServiceTasks.cpp) brings the files and the folders.
namespace GDriveFileTasks {

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

} // namespace GDriveFileTasks
