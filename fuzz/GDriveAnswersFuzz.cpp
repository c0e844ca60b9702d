#include "GoogleDrive/GDriveAnswers.h"
#include "GoogleDrive/GDriveError.h"
#include "GoogleDrive/GDriveFileInfoCache.h"
#include "GoogleDrive/GDriveUniqueNames.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

// Every reader of Drive's answers on the same bytes: none may crash, and what they accept must be
// whole: ids that can go into a path unescaped, sizes that are sizes, and a cache file name that
// is one name the file system can hold, or none.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    std::string problem;
    auto check = [](const GDriveMetadata& metadata) {
        if (!GDriveAnswers::isValidId(metadata.gdriveId())) std::abort();
        if (!metadata.parentIdentifier.empty() && !GDriveAnswers::isValidId(metadata.parentIdentifier)) std::abort();
        if (metadata.fileSize && *metadata.fileSize < 0) std::abort();
        if (metadata.isFolder() && (metadata.md5Checksum || metadata.modifiedTime || metadata.fileSize)) std::abort();
        if (metadata.md5Checksum && metadata.md5Checksum->size() != 32) std::abort();
        const std::string cacheName = GDriveCacheFileName(metadata.gdriveId(), metadata.extension().value_or(""));
        if (cacheName.size() > 255 || cacheName.find_first_of(std::string("/\0", 2)) != std::string::npos ||
            cacheName == "." || cacheName == "..")
            std::abort();
        // Names are compared when a free one is looked for: a comparison must end and agree with itself.
        if (!GDriveSameName(metadata.name, metadata.name)) std::abort();
    };
    if (auto file = GDriveAnswers::readFile(text, problem)) check(*file);
    if (auto list = GDriveAnswers::readFileList(text, problem)) {
        for (const auto& file : list->files) check(file);
    }
    if (auto ids = GDriveAnswers::readGeneratedIds(text, problem)) {
        for (const auto& id : *ids) {
            if (!GDriveAnswers::isValidId(id)) std::abort();
        }
    }
    HttpResponse response;
    response.status = 400;
    response.body = text;
    GDriveError error = GDriveError::fromResponse(response);
    (void)error.errorDescription();
    (void)error.invalidCredentials();
    (void)GDriveError::getDefaultErrorMessage(error);
    if (auto seconds = GDriveAnswers::parseDate(text)) {
        if (!GDriveAnswers::parseDate(GDriveAnswers::formatDate(*seconds)) && *seconds > -6e10 && *seconds < 2e11)
            std::abort();
    }
    return 0;
}
