#pragma once

#include "GoogleDrive/GDriveAnswers.h"
#include "GoogleDrive/GDriveError.h"
#include "GoogleDrive/GDriveMetadata.h"
#include "platform/HttpEngine.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class OAuthClient;

// Exactly one of the two is set.
template <class Result> struct GDriveResponse {
    std::optional<Result> result;
    std::optional<GDriveError> error;
};

// Calls that answer nothing but success.
struct GDriveDone {};

struct GDriveCallState;

// Answers a started call (the service's ticket); destroying or cancelling it stops the call, whose
// completion is then never called.
class GDriveCall {
public:
    GDriveCall() = default;
    explicit GDriveCall(std::shared_ptr<GDriveCallState> state) : _state(std::move(state)) {}
    GDriveCall(GDriveCall&&) noexcept = default;
    GDriveCall& operator=(GDriveCall&& other) noexcept;
    GDriveCall(const GDriveCall&) = delete;
    GDriveCall& operator=(const GDriveCall&) = delete;
    ~GDriveCall() { cancel(); }

    void cancel();
    bool isPending() const;
    // Whether the completion has run.
    bool hasCalledCallback() const;

private:
    std::shared_ptr<GDriveCallState> _state;
};

struct GDriveEndpoints {
    // Files, lists, ids and media.
    std::string api = "https://www.googleapis.com";
    // Multipart and resumable uploads.
    std::string upload = "https://www.googleapis.com";
};

// A file object as sent with files.create and files.update: only the fields set go out.
struct GDriveFileObject {
    std::string id;
    std::optional<std::string> name;
    std::optional<std::string> mimeType;
    // Sent only when not empty.
    std::vector<std::string> parents;
};

// Local content to upload, with its type.
struct GDriveUpload {
    std::string localPath;
    std::string mimeType;
};

// Drive's files interface (version 3) on the HTTP engine. Every call completes once, on the main
// loop, with a result or a GDriveError. The access token is renewed shortly before it runs out, and
// once more after a 401 before the call is sent again; only a refused renewal is a sign-in error.
// Drive's rate limit (403 with a rate-limit reason) is waited out like the engine's 429 and 503.
// Ids that are not Drive ids are refused as not found without a request. Main thread only.
class GDriveClient {
public:
    template <class Result> using Completion = std::function<void(const GDriveResponse<Result>&)>;

    // Uploads up to this size go in one multipart request; larger ones through a resumable session.
    static constexpr size_t MultipartLimit = 5 * 1024 * 1024;
    static constexpr size_t ChunkSize = 8 * 1024 * 1024;
    static constexpr int ListPageSize = 150;

    GDriveClient(HttpEngine& engine, OAuthClient& authorization, GDriveEndpoints endpoints = {});

    const GDriveEndpoints& endpoints() const { return _endpoints; }
    // Tests: the clock the token's expiry is compared with (seconds since 1970) and the chunk size
    // of resumable uploads.
    void setClock(std::function<double()> now) { _now = std::move(now); }
    void setChunkSize(size_t bytes) { _chunkSize = bytes; }

    // id may be "root".
    [[nodiscard]] GDriveCall getFile(const std::string& id, const std::string& fields,
                                     Completion<GDriveMetadata> completion);
    // Every page of the query, answered once.
    [[nodiscard]] GDriveCall listFiles(const std::string& q, const std::string& fields,
                                       Completion<std::vector<GDriveMetadata>> completion);
    // With content, or a bare object (a folder) when upload is none.
    [[nodiscard]] GDriveCall createFile(const GDriveFileObject& file, std::optional<GDriveUpload> upload,
                                        const std::string& fields, Completion<GDriveMetadata> completion);
    // addParents and removeParents: comma-joined ids, or empty.
    [[nodiscard]] GDriveCall updateFile(const std::string& id, const GDriveFileObject& file,
                                        const std::string& addParents, const std::string& removeParents,
                                        std::optional<GDriveUpload> upload, const std::string& fields,
                                        Completion<GDriveMetadata> completion);
    [[nodiscard]] GDriveCall deleteFile(const std::string& id, Completion<GDriveDone> completion);
    [[nodiscard]] GDriveCall generateIds(int count, Completion<std::vector<std::string>> completion);
    // The file's content into savePath, which is replaced only once all of it has arrived. A body
    // other than maxBytes long (Drive's size of the file; when not 0), or longer than any cloud
    // file may hold, fails the download. name is the file's as the user knows it, for the error
    // when savePath cannot be written.
    [[nodiscard]] GDriveCall download(const std::string& id, const std::string& name, const std::string& savePath,
                                      uint64_t maxBytes, Completion<GDriveDone> completion);

    // A value for a q clause between single quotes: backslash before \ and '.
    static std::string escapeQueryValue(const std::string& value);
    // The metadata part of an upload or the body of a bare create.
    static std::string fileObjectJson(const GDriveFileObject& file);

private:
    GDriveCall startUpload(std::string method, std::string url, const GDriveFileObject& file,
                           std::optional<GDriveUpload> upload, const std::string& fields,
                           Completion<GDriveMetadata> completion, std::vector<std::string> ids = {});

    friend struct GDriveCallState;
    HttpEngine& _engine;
    OAuthClient& _authorization;
    GDriveEndpoints _endpoints;
    std::function<double()> _now;
    size_t _chunkSize = ChunkSize;
};
