#include "GoogleDrive/GDriveFileTasks.h"

#include "formats/ExportFormats.h"
#include "platform/Localizer.h"
#include "store/ForeignMapConversion.h"

namespace GDriveFileTasks {

namespace {

std::pair<std::string, std::string> splitExtension(const std::string& name)
{
    const size_t dot = name.find_last_of('.');
    if (dot == std::string::npos || dot == 0) return {name, {}};
    return {name.substr(0, dot), name.substr(dot)};
}

} // namespace

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

} // namespace GDriveFileTasks
