#include "store/MindMapStore.h"

#include "MindMaps/MindMap.h"
#include "Utils/FeedbackSink.h"
#include "Utils/GuidCreation.h"
#include "formats/MindMapFile.h"
#include "formats/TwkMindMapReader.h"
#include "platform/FileUtils.h"
#include "platform/Localizer.h"
#include "platform/UserDefaults.h"
#include "store/CustomImageStore.h"

#include <filesystem>
#include <system_error>
#include <vector>

namespace fs = std::filesystem;

namespace {

// The older documents of a folder, in directory order; nothing, with the cause, when it cannot be
// listed.
std::optional<std::vector<fs::path>> olderDocumentsIn(const std::string& folder)
{
    const std::string extension = std::string(".") + MindMapStore::OlderDocumentExtension;
    std::vector<fs::path> files;
    std::error_code ec;
    fs::directory_iterator it(folder, ec);
    if (ec) return std::nullopt;
    for (fs::directory_iterator end; !ec && it != end; it.increment(ec)) {
        std::error_code typeError;
        if (it->path().extension() == extension && it->is_regular_file(typeError)) files.push_back(it->path());
    }
    if (ec) return std::nullopt;
    return files;
}

// The file's name names the map when it can; a name that could not name a map file in the store
// gets a fresh GUID instead.
std::string guidForOlderDocument(const fs::path& olderFile)
{
    const std::string name = olderFile.stem().string();
    return MindMapStore::isValidMindMapGuid(name) ? name : createGUIDString();
}

bool convertOlderDocument(const fs::path& olderFile, const std::string& convertedFile, const std::string& guid,
                          Error* error)
{
    std::optional<MindMapData> data = readMindMapFile(olderFile.string(), error);
    if (!data) return false;
    MindMap mindMap(CustomImageStore::localImageStore());
    if (!TwkMindMapReader::readStoredMindMap(mindMap, *data, guid, error)) return false;
    MindMapData native = mindMap.dataOfType(int32_t(MindMapReadFormat::Native), error);
    if (native.empty()) return false;
    return writeFileAtomically(convertedFile, native, error);
}

void reportUnconvertedDocument(const fs::path& olderFile, const Error& error)
{
    std::string message = localizedFormat("older_document_not_converted_message", {olderFile.string()});
    if (!error.failureReason.empty()) message += " " + error.failureReason;
    feedbackSinkInstance().addItemWithTitle(localized("older_document_not_converted_title"), message,
                                            FeedbackStateError);
}

} // namespace

void MindMapStore::convertTwkFiles()
{
    UserDefaults& defaults = UserDefaults::standard();
    const bool documentsDone = defaults.boolForKey(DidConvertTwkDefaultsKey);
    const bool backupDone = defaults.boolForKey(DidConvertTwkdocDefaultsKey);
    if (documentsDone && backupDone) return;
    // Without a reader every older map would fail; they wait for one.
    if (_documentsDirectory.empty() || !MindMapFormats::reader(int32_t(MindMapReadFormat::PropertyList))) return;

    auto convertedPath = [this](const std::string& guid) {
        return _documentsDirectory + "/" + guid + "." + MindMapExtension;
    };
    auto exists = [](const std::string& path) {
        std::error_code ec;
        return fs::exists(fs::symlink_status(path, ec));
    };

    // An earlier version moved the older documents aside without converting them. This runs
    // before the documents folder's own files join them there, so that none is converted twice.
    if (!backupDone) {
        const std::string backupFolder = _documentsDirectory + "/" + OlderDocumentBackupFolderName;
        std::error_code ec;
        if (fs::is_directory(backupFolder, ec)) {
            std::optional<std::vector<fs::path>> backlog = olderDocumentsIn(backupFolder);
            if (!backlog) return;
            for (const fs::path& olderFile : *backlog) {
                const std::string name = olderFile.stem().string();
                if (isValidMindMapGuid(name) && exists(convertedPath(name))) continue;
                const std::string guid = guidForOlderDocument(olderFile);
                Error error;
                if (!convertOlderDocument(olderFile, convertedPath(guid), guid, &error))
                    reportUnconvertedDocument(olderFile, error);
            }
        }
        defaults.setBool(DidConvertTwkdocDefaultsKey, true);
    }

    if (!documentsDone) {
        std::optional<std::vector<fs::path>> olderFiles = olderDocumentsIn(_documentsDirectory);
        if (!olderFiles) return;
        for (const fs::path& olderFile : *olderFiles) {
            const std::string name = olderFile.stem().string();
            if (!isValidMindMapGuid(name) || !exists(convertedPath(name))) {
                const std::string guid = guidForOlderDocument(olderFile);
                Error error;
                if (!convertOlderDocument(olderFile, convertedPath(guid), guid, &error)) {
                    // Kept in place: the user's only copy of this map.
                    reportUnconvertedDocument(olderFile, error);
                    continue;
                }
            }
            std::string backup = twkdocBackupDirectory();
            const fs::path target = fs::path(backup) / olderFile.filename();
            // A rename would replace a file of that name kept there before.
            if (backup.empty() || exists(target.string())) continue;
            std::error_code moveError;
            fs::rename(olderFile, target, moveError);
        }
        defaults.setBool(DidConvertTwkDefaultsKey, true);
    }
}
