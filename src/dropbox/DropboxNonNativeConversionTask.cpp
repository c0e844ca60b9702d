#include "dropbox/DropboxNonNativeConversionTask.h"

#include "platform/Localizer.h"
#include "platform/NetworkController.h"
#include "store/ForeignMapConversion.h"

#include <filesystem>

namespace fs = std::filesystem;

namespace {

std::string parentFolder(const std::string& path)
{
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos || slash == 0 ? std::string("/") : path.substr(0, slash);
}

} // namespace

DropboxNonNativeConversionTask::DropboxNonNativeConversionTask(Dropbox& service, Completion completion)
    : DropboxTask(service), _completion(std::move(completion))
{
}

DropboxNonNativeConversionTask::~DropboxNonNativeConversionTask()
{
    *_alive = false;
    DropboxNonNativeConversionTask::cancel();
}

void DropboxNonNativeConversionTask::cancel()
{
    _completion = nullptr;
    clearState();
    setDownloading(false);
    DropboxTask::cancel();
}

std::string DropboxNonNativeConversionTask::stateAsString() const
{
    return _downloading ? localized("db_download_progress") : "Idle";
}

void DropboxNonNativeConversionTask::setDownloading(bool downloading)
{
    _downloading = downloading;
    setProgress(downloading ? localized("db_download_progress") : std::string());
}

void DropboxNonNativeConversionTask::deleteTempFile()
{
    if (_tempFile.empty()) return;
    std::error_code error;
    fs::remove(_tempFile, error);
    _tempFile.clear();
}

void DropboxNonNativeConversionTask::clearState()
{
    _call.cancel();
    _dbPath.clear();
    _twkxDbPath.clear();
    _format = 0;
    deleteTempFile();
    _client = nullptr;
}

void DropboxNonNativeConversionTask::convertNonNativeMindMap(const std::string& dbPath)
{
    if (busy()) {
        if (_completion) {
            Completion completion = _completion;
            completion(dbPath, {}, "Conversion in progress", *this);
        }
        return;
    }
    clearState();
    _dbPath = dbPath;
    _format = ForeignMapConversion::readFormatOfFileName(dbPath);
    if (_format == 0) {
        conversionCompleted("Unsupported mind map format");
        return;
    }
    _client = _service.dropboxClient();
    if (!_service.isInitialized() || !_client) {
        conversionCompleted(localized("db_disconnected_state"));
        return;
    }
    if (!NetworkController::networkAvailable()) {
        conversionCompleted(localized("no_network_available"));
        return;
    }
    setDownloading(true);
    _tempFile = ForeignMapConversion::temporaryFilePath();
    std::weak_ptr<bool> alive = _alive;
    _call = _client->download(dbPath, _tempFile, [this, alive](const DropboxResponse<DropboxMetadata>& response) {
        if (!alive.expired() && !isCancelled()) downloaded(response);
    });
}

void DropboxNonNativeConversionTask::downloaded(const DropboxResponse<DropboxMetadata>& response)
{
    if (response.networkError && _service.checkAuthorizationError(*response.networkError)) {
        conversionCompleted(localized("db_disconnected_state"));
        return;
    }
    if (!_downloading) {
        conversionCompleted("Illegal convert state (download)");
        return;
    }
    if (response.routeError && response.routeError->is("path", "not_found")) {
        _service.deleteLocalFile(_dbPath);
        conversionCompleted(localized("db_file_not_found"));
        return;
    }
    if (!response.result) {
        conversionCompleted(getDBErrorDescription(response.networkError, response.routeError));
        return;
    }

    std::string problem;
    std::optional<MindMapData> bytes = ForeignMapConversion::readFile(_tempFile, problem);
    deleteTempFile();
    if (!bytes || bytes->empty()) {
        conversionCompleted(problem.empty() ? localized("filer_read_error") : problem);
        return;
    }
    std::string readerError;
    const MindMapData document = ForeignMapConversion::nativeDocumentData(*bytes, _format, _dbPath, true, readerError);
    if (document.empty()) {
        std::string message = localized("error_unable_to_convert_to_native_mind_map");
        if (!readerError.empty()) message += "\n" + readerError;
        conversionCompleted(message);
        return;
    }
    std::optional<MindMapData> archive = ForeignMapConversion::nativeArchive(document);
    const std::string title = fs::path(_dbPath).stem().string();
    if (archive)
        _twkxDbPath = _service.provider()->createNewMindMapInDbDirectory(parentFolder(_dbPath), title, archive);
    if (_twkxDbPath.empty()) {
        conversionCompleted(localized("gdrive_file_save_error"));
        return;
    }
    conversionCompleted(std::nullopt);
}

void DropboxNonNativeConversionTask::conversionCompleted(const std::optional<std::string>& error)
{
    if (isCancelled()) return;
    const std::string source = _dbPath;
    const std::string created = _twkxDbPath;
    setDownloading(false);
    clearState();
    // The callee may let go of this task: nothing of it is touched afterwards.
    Completion completion = _completion;
    completion(source, created, error.value_or(std::string()), *this);
}
