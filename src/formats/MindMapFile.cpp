#include "formats/MindMapFile.h"

#include "formats/DocumentDamage.h"
#include "platform/FileUtils.h"

std::optional<MindMapData> readMindMapFile(const std::string& path, Error* error)
{
    Error readError;
    std::optional<MindMapData> data = readFileData(path, MaximumMindMapFileSize, &readError);
    if (!data && error)
        *error = isTooLargeToRead(readError) ? DocumentDamage::tooLarge(readError.failureReason) : std::move(readError);
    return data;
}
