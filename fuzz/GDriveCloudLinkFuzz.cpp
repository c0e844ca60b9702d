#include "FuzzHome.h"

#include "GoogleDrive/GDriveFileTasks.h"
#include "editor-view/CloudDocumentLinks.h"

#include <glib.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

// A link as a map carries it, and a Drive file as its name and bytes come: the link splits into
// its target and a PDF's page part without losing a byte, and a conversion answers with a native
// file or a message, never both and never neither.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string link(reinterpret_cast<const char*>(data), size);
    const CloudDocumentLinks::CloudLink split = CloudDocumentLinks::splitCloudLink(link);
    if (!split.params) {
        if (split.target != link) std::abort();
    } else {
        if (split.target.size() < 4 || split.target.size() + 1 + split.params->size() != link.size()) std::abort();
        if (g_ascii_strcasecmp(split.target.substr(split.target.size() - 4).c_str(), ".pdf") != 0) std::abort();
        if (link.compare(0, split.target.size(), split.target) != 0) std::abort();
    }

    // The first byte picks the name's extension, the rest is the file.
    if (size < 1) return 0;
    static const char* const names[] = {"f.mm", "f.opml", "f.txt", "f.pdf", "f.twkx", "f"};
    const GDriveFileTasks::Conversion converted =
        GDriveFileTasks::convertToNative(MindMapData(data + 1, data + size), names[data[0] % 6], "/fuzz/f");
    if (converted.archive.has_value() == !converted.error.empty()) std::abort();
    return 0;
}
