#pragma once

#include "support/LoopbackHttpServer.h"

#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

// A stand-in for the cloud file service on 127.0.0.1, speaking its wire protocol version 2: RPC
// routes with JSON bodies, content routes with their argument in the "Dropbox-API-Arg" header,
// bearer tokens checked on every route, the sign-in's authorize and token endpoints with PKCE, and
// the service's error shapes. Its tree lives in memory; names compare ignoring case and keep the
// case they were made with. Tests set its state and read its request log from the main thread while
// the server thread answers.
class FakeDropboxServer {
public:
    FakeDropboxServer();

    std::string baseUrl() const { return _server.baseUrl(); }
    // The app key the sign-in endpoints accept, and the redirect address they answer to.
    static constexpr const char* AppKey = "k3x9q2mzt8w4p1a";
    static std::string redirectUri();

    // An access token accepted from now on, and the refresh token that renews it.
    std::string issueTokens(const std::string& accessToken = "access-0", const std::string& refreshToken = "refresh-0");
    // Every access token issued so far is answered as expired; refresh tokens stay good.
    void expireAccessTokens();
    // Refresh tokens are refused with invalid_grant from now on.
    void revokeRefreshTokens();

    // The tree. Paths start with "/"; folders on the way are made.
    std::string putFile(const std::string& path, const std::string& contents);
    void makeFolder(const std::string& path);
    void removeItem(const std::string& path);
    std::optional<std::string> fileContents(const std::string& path) const;
    std::optional<std::string> revision(const std::string& path) const;
    // The display path of an item, in the case it was made with.
    std::optional<std::string> displayPath(const std::string& path) const;
    // Display paths of every file, sorted.
    std::vector<std::string> filePaths() const;

    // Faults. The next count requests to the route ("files/upload", or "" for any route) are answered
    // with status: 429 and 503 with "Retry-After: retryAfter".
    void failNext(const std::string& route, int status, int count = 1, int retryAfter = 0);
    // Requests to the route (or "" for every route) are never answered.
    void hang(const std::string& route);
    // Every answer waits this long; the server keeps serving others meanwhile.
    void setDelay(double seconds);
    // Entries per page of a folder listing.
    void setPageSize(int entries);

    struct LoggedRequest {
        // "files/list_folder", "oauth2/token", ...
        std::string route;
        std::string authorization;
        // The JSON argument: the body of an RPC route, the header of a content route.
        std::string argument;
        std::string body;
        int status = 0;
    };
    std::vector<LoggedRequest> requests() const;
    std::vector<LoggedRequest> requestsTo(const std::string& route) const;
    void clearLog();

    // The sign-in as a browser would follow it: the authorize address answers with the redirect.
    // The code it hands out is exchanged once, with the verifier whose challenge it saw.

private:
    struct Item {
        bool isFolder = false;
        std::string displayPath;
        std::string contents;
        std::string rev;
        std::string id;
        long long modified = 0;
    };
    struct Fault {
        std::string route;
        int status;
        int count;
        int retryAfter;
    };
    struct Grant {
        std::string challenge;
        std::string redirect;
    };

    LoopbackReply answer(const LoopbackRequest& request);
    LoopbackReply route(const std::string& name, const LoopbackRequest& request, LoggedRequest& logged);
    LoopbackReply authorize(const LoopbackRequest& request);
    LoopbackReply token(const LoopbackRequest& request);
    LoopbackReply getMetadata(const std::string& argument);
    LoopbackReply listFolder(const std::string& argument);
    LoopbackReply listFolderContinue(const std::string& argument);
    LoopbackReply search(const std::string& argument);
    LoopbackReply upload(const std::string& argument, const std::string& body);
    LoopbackReply download(const std::string& argument);
    LoopbackReply deleteItem(const std::string& argument);
    LoopbackReply move(const std::string& argument);
    LoopbackReply createFolder(const std::string& argument);
    LoopbackReply pageOf(std::vector<std::string> keys, size_t start);

    std::string store(const std::string& path, const std::string& contents);
    void ensureFolders(const std::string& path);
    std::string displayOf(const std::string& path) const;
    std::string nextRev();
    std::string freeName(const std::string& path) const;

    mutable std::mutex _mutex;
    std::map<std::string, Item> _items;
    std::set<std::string> _accessTokens;
    std::set<std::string> _expiredTokens;
    std::set<std::string> _refreshTokens;
    bool _refreshRevoked = false;
    std::map<std::string, Grant> _grants;
    std::map<std::string, std::vector<std::string>> _cursors;
    std::vector<Fault> _faults;
    std::set<std::string> _hanging;
    double _delay = 0;
    int _pageSize = 3;
    long long _counter = 0;
    std::vector<LoggedRequest> _log;
    LoopbackHttpServer _server;
};
