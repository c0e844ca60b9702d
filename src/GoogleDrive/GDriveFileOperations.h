#pragma once

#include "GoogleDrive/GDriveClient.h"

#include <functional>
#include <string>

// Single Drive calls for the file synchronizer: each keeps its call so that it can be cancelled,
// and cancels it when destroyed. Completions run once, on the main loop, with the file's metadata
// or the error (the other one null); a cancelled call never completes.

using GDriveMetadataCompletion = std::function<void(const GDriveMetadata* metadata, const GDriveError* error)>;

// Every operation takes the process's client unless given one.
class GDriveFileOperation {
public:
    GDriveFileOperation();
    explicit GDriveFileOperation(GDriveClient& client) : _client(&client) {}
    virtual ~GDriveFileOperation() = default;
    GDriveFileOperation(const GDriveFileOperation&) = delete;
    GDriveFileOperation& operator=(const GDriveFileOperation&) = delete;

    // Cancels the call unless it has called back; then only releases it.
    void cancel();
    bool isBusy() const { return _call.isPending(); }

protected:
    GDriveClient& client() { return *_client; }
    static GDriveClient::Completion<GDriveMetadata> adapt(GDriveMetadataCompletion completion);

    GDriveClient* _client;
    GDriveCall _call;
};

// Replaces a file's content with a local file's.
class GDriveFileUpdate : public GDriveFileOperation {
public:
    using GDriveFileOperation::GDriveFileOperation;
    void update(const std::string& fileId, const std::string& filePath, const std::string& mimeType,
                GDriveMetadataCompletion completion);
};

// Makes a file with a chosen id (from the identifier pool) from a local file; parentId empty puts
// it where Drive puts files without a parent.
class GDriveFileCreate : public GDriveFileOperation {
public:
    using GDriveFileOperation::GDriveFileOperation;
    void create(const std::string& fileId, const std::string& name, const std::string& parentId,
                const std::string& filePath, const std::string& mimeType, GDriveMetadataCompletion completion);
};

class GDriveFileMetadataGet : public GDriveFileOperation {
public:
    using GDriveFileOperation::GDriveFileOperation;
    void get(const std::string& fileId, GDriveMetadataCompletion completion);
};

// Brings a file's content into savePath, replaced only once all of it has arrived. A declared size
// (not 0) is the download's: a longer one is aborted, a shorter one fails.
class GDriveFileDownload : public GDriveFileOperation {
public:
    using GDriveFileOperation::GDriveFileOperation;
    void download(const std::string& fileId, const std::string& name, const std::string& savePath,
                  std::function<void(const GDriveError*)> completion, uint64_t declaredSize = 0);
};
