#include "GoogleDrive/GDriveFileTasks.h"

#include "Utils/LinkLaunchPolicy.h"
#include "Utils/URLUtils.h"
#include "editor-view/PdfPreviewManager.h"
#include "formats/ExportFormats.h"
#include "platform/Localizer.h"
#include "store/ForeignMapConversion.h"

#include <glib.h>

#include <cstring>

namespace GDriveFileTasks {

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

std::pair<std::string, std::string> splitExtension(const std::string& name)
{
    const size_t dot = name.find_last_of('.');
    if (dot == std::string::npos || dot == 0) return {name, {}};
    return {name.substr(0, dot), name.substr(dot)};
}

} // namespace

CloudLink splitCloudLink(const std::string& link)
{
    size_t at = findIgnoringCase(link, ".pdf#");
    if (at == std::string::npos) at = findIgnoringCase(link, ".pdf?");
    if (at == std::string::npos) return {link, std::nullopt};
    return {link.substr(0, at + 4), link.substr(at + 5)};
}

std::string copyName(const std::string& name)
{
    const auto [stem, extension] = splitExtension(name);
    return stem + " Copy" + extension;
}

std::string titleOfName(const std::string& name)
{
    return splitExtension(name).first;
}

Conversion convertToNative(const MindMapData& bytes, const std::string& fileName, const std::string& link, bool isCloud)
{
    const int32_t format = ForeignMapConversion::readFormatOfFileName(fileName);
    if (format == 0) return {std::nullopt, "Unsupported mind map format"};
    // A PDF's map links back to its source: without a link it would point nowhere.
    if (format == ImportFormatPdfBookmarks && link.empty())
        return {std::nullopt, localized("error_unable_to_convert_to_native_mind_map")};
    if (bytes.size() > ForeignMapConversion::MaximumFileSize) {
        return {std::nullopt,
                localizedFormat("conversion_file_too_large_error",
                                {std::to_string(ForeignMapConversion::MaximumFileSize >> 20)})};
    }
    std::string readerError;
    const MindMapData document = ForeignMapConversion::nativeDocumentData(bytes, format, link, isCloud, readerError);
    if (document.empty())
        return {std::nullopt,
                readerError.empty() ? localized("error_unable_to_convert_to_native_mind_map") : readerError};
    std::optional<MindMapData> archive = ForeignMapConversion::nativeArchive(document);
    if (!archive) return {std::nullopt, localized("gdrive_file_save_error")};
    return {std::move(archive), {}};
}

bool openDownloadedFile(const std::string& path, const std::string& params)
{
    if (path.empty()) return false;
    // The page is read by the PDF viewer alone; the desktop gets the bare file, so nothing of a
    // link's text reaches another program.
    if (!params.empty() && PdfPreviewManager::openPdfLink(path + "#" + params)) return true;
    return launchDocumentLink(fileURLWithPath(path));
}

} // namespace GDriveFileTasks
