#pragma once

#include "dropbox/DropboxAnswers.h"
#include "platform/HttpEngine.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class OAuthClient;

// A failure below the routes: no connection, a refused request (400, with the service's text), a
// sign-in that is no longer valid, or an answer that made no sense.
struct DropboxNetworkError {
    long status = 0;
    HttpTransportError transport = HttpTransportError::None;
    bool authError = false;
    std::string content;

    // The account's sign-in is gone for good: a refresh was tried and refused.
    bool isAuthError() const { return authError; }
    // The 400's plain text, the transport's text, or what was wrong with the answer.
    const std::string& errorContent() const { return content; }
};

// Exactly one of the three is set.
template <class Result> struct DropboxResponse {
    std::optional<Result> result;
    std::optional<DropboxRouteError> routeError;
    std::optional<DropboxNetworkError> networkError;
};

struct DropboxCallState;

// Answers a started call; destroying or cancelling it stops the call, whose completion is then
// never called.
class DropboxCall {
public:
    DropboxCall() = default;
    explicit DropboxCall(std::shared_ptr<DropboxCallState> state) : _state(std::move(state)) {}
    DropboxCall(DropboxCall&&) noexcept = default;
    DropboxCall& operator=(DropboxCall&& other) noexcept;
    DropboxCall(const DropboxCall&) = delete;
    DropboxCall& operator=(const DropboxCall&) = delete;
    ~DropboxCall() { cancel(); }

    void cancel();
    bool isPending() const;

private:
    std::shared_ptr<DropboxCallState> _state;
};

// How an upload treats a file already at its path.
struct DropboxWriteMode {
    // Empty: a new file ("add"); otherwise replace that revision ("update").
    std::string updateRev;
    static DropboxWriteMode add() { return {}; }
    static DropboxWriteMode update(std::string rev) { return {std::move(rev)}; }
};

// A local file's bytes with the date the file had when they were read. A synchronisation records
// this date after the upload, never the file's date by then: an edit saved while the upload ran
// then still looks like a change, and goes up the next time.
struct DropboxUploadContents {
    std::string bytes;
    // Seconds since 2001-01-01 UTC, to the microsecond.
    std::optional<double> modificationDate;
};

struct DropboxEndpoints {
    std::string api = "https://api.dropboxapi.com";
    std::string content = "https://content.dropboxapi.com";
};

// The calls of the file service's HTTP interface (version 2) that the storage uses. Every call
// completes once, on the main loop, with a result, a route error or a network error. An expired
// access token is renewed once and the call sent once more before a failure counts as a sign-in
// error. Main thread only.
class DropboxClient {
public:
    template <class Result> using Completion = std::function<void(const DropboxResponse<Result>&)>;

    DropboxClient(HttpEngine& engine, OAuthClient& authorization, DropboxEndpoints endpoints = {});

    [[nodiscard]] DropboxCall getMetadata(const std::string& path, Completion<DropboxMetadata> completion);
    // The root is "" or "/".
    [[nodiscard]] DropboxCall listFolder(const std::string& path, Completion<DropboxListing> completion);
    [[nodiscard]] DropboxCall listFolderContinue(const std::string& cursor, Completion<DropboxListing> completion);
    // Files and folders under path whose names hold every word of query: the first page.
    [[nodiscard]] DropboxCall search(const std::string& path, const std::string& query,
                                     Completion<DropboxSearchPage> completion);
    // The page after the one whose cursor is given.
    [[nodiscard]] DropboxCall searchContinue(const std::string& cursor, Completion<DropboxSearchPage> completion);
    // Sends the local file's bytes as they are when the call starts.
    [[nodiscard]] DropboxCall upload(const std::string& path, const DropboxWriteMode& mode, bool autorename,
                                     const std::string& localFile, Completion<DropboxMetadata> completion);
    [[nodiscard]] DropboxCall upload(const std::string& path, const DropboxWriteMode& mode, bool autorename,
                                     DropboxUploadContents contents, Completion<DropboxMetadata> completion);
    // The file's date first, then its bytes: a change between the two makes the date older than the
    // bytes, which costs one more upload, never a lost edit. nullopt (and problem) when unreadable.
    static std::optional<DropboxUploadContents> readUploadContents(const std::string& localFile, std::string& problem);
    // Replaces the local file only when the whole file and its metadata have arrived.
    [[nodiscard]] DropboxCall download(const std::string& path, const std::string& localFile,
                                       Completion<DropboxMetadata> completion);
    [[nodiscard]] DropboxCall deleteItem(const std::string& path, Completion<DropboxMetadata> completion);
    [[nodiscard]] DropboxCall move(const std::string& fromPath, const std::string& toPath, bool autorename,
                                   Completion<DropboxMetadata> completion);
    [[nodiscard]] DropboxCall createFolder(const std::string& path, bool autorename,
                                           Completion<DropboxMetadata> completion);

    // A path as the service takes it: "" for the root, a leading "/", no trailing "/".
    static std::string normalizePath(const std::string& path);
    // A JSON argument for the "Dropbox-API-Arg" header: ASCII only, the rest as \uXXXX escapes.
    static std::string headerArgument(const std::string& json);

    struct Route;

private:
    DropboxCall start(Route route, std::function<void(const HttpResponse&, DropboxCallState&)> finish);

    HttpEngine& _engine;
    OAuthClient& _authorization;
    DropboxEndpoints _endpoints;
};
