#pragma once

#include "support/FakeCloudServer.h"
#include "support/LoopbackHttpServer.h"

#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

struct FakeGoogleDriveRequest {
    // "files.get", "files.list", "files.create", "files.update", "files.delete",
    // "files.generateIds", "files.media", "upload.chunk", "oauth.authorize", "oauth.token".
    std::string route;
    std::string method;
    std::string path;
    std::string query;
    std::string authorization;
    std::string contentType;
    std::string body;
    int status = 0;
};

// A stand-in for Google Drive on 127.0.0.1, speaking its files interface (version 3): files.get,
// files.list with its q forms and small pages, files.create and files.update as bare JSON,
// multipart and resumable uploads, files.delete, files.generateIds and alt=media downloads; bearer
// tokens checked on every call; the sign-in's authorize and token endpoints with PKCE and the
// client secret; and Drive's error shapes. Its tree lives in memory. Tests set its state and read
// its request log from the main thread while the server thread answers.
class FakeGoogleDriveServer : public FakeCloudServer<FakeGoogleDriveRequest> {
public:
    using LoggedRequest = FakeGoogleDriveRequest;

    FakeGoogleDriveServer();

    std::string baseUrl() const { return _server.baseUrl(); }
    // How many answers streamed (LoopbackReply::streamedBytes) the client hung up on before their end.
    size_t streamsCut() const { return _server.streamsCut(); }
    std::string authorizeUrl() const { return baseUrl() + "/o/oauth2/v2/auth"; }
    std::string tokenUrl() const { return baseUrl() + "/token"; }
    static constexpr const char* ClientId = "123456789012-abcdefghijklmnopqrstuvwxyz012345.apps.googleusercontent.com";
    static constexpr const char* ClientSecret = "GOCSPX-fake_secret_0123";
    static constexpr const char* Scopes = "https://www.googleapis.com/auth/drive email";

    // The tree. The root's real id, also reachable as "root".
    std::string rootId() const;
    void setRootId(const std::string& id);
    // Made with the next free id unless one is given; parent "" is the root.
    std::string addFolder(const std::string& name, const std::string& parent = "", const std::string& id = "");
    std::string addFile(const std::string& name, const std::string& contents, const std::string& parent = "",
                        const std::string& id = "", const std::string& mimeType = "application/x-zip");
    void trash(const std::string& id);
    void remove(const std::string& id);

    struct File {
        std::string id;
        std::string name;
        std::string mimeType;
        std::vector<std::string> parents;
        std::string contents;
        std::string md5;
        bool trashed = false;
        long long modifiedMilliseconds = 0;
        bool isFolder() const;
    };
    std::optional<File> file(const std::string& id) const;
    // Every file and folder but the root.
    std::vector<File> files() const;
    // Ids of the files and folders named so, in any folder.
    std::vector<std::string> idsNamed(const std::string& name) const;

    // Faults (failNext) are answered in Drive's shapes: 403 with the reason rateLimitExceeded, 429
    // and 503 with "Retry-After".
    // The next count requests to the route ("" for any) are answered as Drive and Google's front end
    // answer trouble on their side: 500 and 503 as a "backendError", 502 and 504 as the front end's
    // HTML page, 403 and 429 with the rate-limit reason given (rateLimitExceeded when none). They
    // carry "Retry-After" only when retryAfter is set.
    void failNextAsDrive(const std::string& route, int status, int count = 1,
                         std::optional<int> retryAfter = std::nullopt, const std::string& reason = "");
    // The next count chunks of resumable sessions are taken in half, then the connection drops.
    void dropNextChunks(int count);
    // Downloads send this many bytes more than the file holds.
    void padDownloads(size_t extraBytes);
    // Every answer about the file (get, list, create, update) carries the field with this JSON
    // value, as a broken or hostile server sends it: a fileExtension climbing out of a folder, an
    // id of another file, a name with a NUL in it.
    void forgeField(const std::string& id, const std::string& field, const std::string& jsonValue);
    void clearForgedFields();
    // The sign-in as a browser would follow it: the authorize address answers with a redirect to
    // the loopback address the client named, with a code exchanged once with the verifier whose
    // challenge it saw.

private:
    struct Session {
        std::string fileId;
        bool create = false;
        File metadata;
        std::vector<std::string> addParents;
        std::vector<std::string> removeParents;
        size_t total = 0;
        std::string received;
    };

    LoopbackReply answer(const LoopbackRequest& request);
    LoopbackReply route(const std::string& name, const std::string& id, const LoopbackRequest& request);
    LoopbackReply authorize(const LoopbackRequest& request);
    LoopbackReply token(const LoopbackRequest& request);
    LoopbackReply getFile(const std::string& id, const std::map<std::string, std::string>& query);
    LoopbackReply listFiles(const std::map<std::string, std::string>& query);
    LoopbackReply writeFile(const std::string& id, const LoopbackRequest& request,
                            const std::map<std::string, std::string>& query);
    LoopbackReply chunk(const std::string& session, const LoopbackRequest& request);
    LoopbackReply commit(Session& session, const std::string& contents, bool hasContents);
    LoopbackReply deleteFile(const std::string& id);
    LoopbackReply generateIds(const std::map<std::string, std::string>& query);
    LoopbackReply media(const std::string& id);

    std::string resolve(const std::string& id) const;
    std::string nextId();
    bool isDescendant(const std::string& id, const std::string& ancestor) const;
    std::string fileJson(const File& file) const;
    void touch(File& file, const std::string& contents);

    std::map<std::string, File> _files;
    std::string _rootId = "0AFakeRootFolderId";
    std::map<std::string, std::vector<std::string>> _pages;
    std::map<std::string, Session> _sessions;
    int _dropChunks = 0;
    size_t _downloadPadding = 0;
    std::map<std::string, std::map<std::string, std::string>> _forged;
    struct DriveFault {
        std::string route;
        int status;
        int count;
        std::optional<int> retryAfter;
        std::string reason;
    };
    std::vector<DriveFault> _driveFaults;
    long long _counter = 0;
    long long _clock = 1765000000000;
    LoopbackHttpServer _server;
};
