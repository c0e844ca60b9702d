#pragma once

#include "dropbox/DropboxService.h"
#include "dropbox/DropboxSynchronizer.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

// Makes a native map beside a map kept on Dropbox in another format (FreeMind, OPML, text, a PDF's
// bookmarks): downloads it, converts it and stores the result as a new map in the same folder. The
// source stays as it is. Main thread only.
class DropboxNonNativeConversionTask : public DropboxTask, public DropboxUserTask {
public:
    // The source, the new map's path (empty on failure), the error (empty on success).
    using Completion = std::function<void(const std::string& dbPath, const std::string& twkxDbPath,
                                          const std::string& error, DropboxNonNativeConversionTask& task)>;

    DropboxNonNativeConversionTask(Dropbox& service, Completion completion);
    ~DropboxNonNativeConversionTask() override;

    void convertNonNativeMindMap(const std::string& dbPath);
    bool busy() const override { return _downloading; }
    bool isCancelled() const { return !_completion; }
    // No callback follows and no temporary file stays.
    void cancel() override;
    std::string stateAsString() const;
    // The download's file while it runs; empty otherwise.
    const std::string& tempFile() const { return _tempFile; }

private:
    void clearState();
    void deleteTempFile();
    void setDownloading(bool downloading);
    void downloaded(const DropboxResponse<DropboxMetadata>& response);
    void conversionCompleted(const std::optional<std::string>& error);

    Completion _completion;
    DropboxCall _call;
    std::string _dbPath;
    int32_t _format = 0;
    bool _downloading = false;
    std::string _tempFile;
    std::string _twkxDbPath;
    std::shared_ptr<bool> _alive = std::make_shared<bool>(true);
};
