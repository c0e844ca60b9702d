#include "editor-view/CloudDocumentLinks.h"

#include "Utils/LinkLaunchPolicy.h"
#include "Utils/URLUtils.h"
#include "editor-view/PdfPreviewManager.h"

#include <glib.h>

#include <cstring>

namespace CloudDocumentLinks {

namespace {

// The pattern is plain ASCII, so an offset found here is an offset into the link as given.
size_t findIgnoringCase(const std::string& text, const char* pattern)
{
    const size_t length = std::strlen(pattern);
    for (size_t at = 0; at + length <= text.size(); ++at) {
        if (g_ascii_strncasecmp(text.c_str() + at, pattern, length) == 0) return at;
    }
    return std::string::npos;
}

} // namespace

CloudLink splitCloudLink(const std::string& link)
{
    size_t at = findIgnoringCase(link, ".pdf#");
    if (at == std::string::npos) at = findIgnoringCase(link, ".pdf?");
    if (at == std::string::npos) return {link, std::nullopt};
    return {link.substr(0, at + 4), link.substr(at + 5)};
}

bool openDownloadedDocument(const std::string& path, const std::string& params)
{
    if (path.empty()) return false;
    if (!params.empty() && PdfPreviewManager::openPdfLink(path + "#" + params)) return true;
    return launchDocumentLink(fileURLWithPath(path));
}

} // namespace CloudDocumentLinks
