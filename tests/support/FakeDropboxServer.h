#pragma once

#include "support/FakeCloudServer.h"
#include "support/LoopbackHttpServer.h"

#include <nlohmann/json.hpp>

#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

struct FakeDropboxRequest {
    // "files/list_folder", "oauth2/token", ...
    std::string route;
    std::string authorization;
    // The JSON argument: the body of an RPC route, the header of a content route.
    std::string argument;
    std::string body;
    int status = 0;
};

// A stand-in for the cloud file service on 127.0.0.1, speaking its wire protocol version 2: RPC
// routes with JSON bodies, content routes with their argument in the "Dropbox-API-Arg" header,
// bearer tokens checked on every route, the sign-in's authorize and token endpoints with PKCE, and
// the service's error shapes. Its tree lives in memory; names compare ignoring case and keep the
// case they were made with. Tests set its state and read its request log from the main thread while
// the server thread answers.
class FakeDropboxServer : public FakeCloudServer<FakeDropboxRequest> {
public:
    using LoggedRequest = FakeDropboxRequest;

    FakeDropboxServer();

    std::string baseUrl() const { return _server.baseUrl(); }
    // Of the answers streamed (LoopbackReply::streamedBytes): the bytes written, and how many the
    // client hung up on before their end.
    uint64_t streamedBytes() const { return _server.streamedBytes(); }
    size_t streamsCut() const { return _server.streamsCut(); }
    // The app key the sign-in endpoints accept, and the redirect address they answer to.
    static constexpr const char* AppKey = "k3x9q2mzt8w4p1a";
    static std::string redirectUri();

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

    // Every access token issued so far is refused as invalid (revoked from another device, say);
    // refresh tokens stay as they are.
    void invalidateAccessTokens();

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
    LoopbackReply answer(const LoopbackRequest& request);
    LoopbackReply route(const std::string& name, const LoopbackRequest& request, LoggedRequest& logged);
    LoopbackReply authorize(const LoopbackRequest& request);
    LoopbackReply token(const LoopbackRequest& request);
    LoopbackReply getMetadata(const std::string& argument);
    LoopbackReply listFolder(const std::string& argument);
    LoopbackReply listFolderContinue(const std::string& argument);
    LoopbackReply search(const std::string& argument);
    LoopbackReply searchContinue(const std::string& argument);
    LoopbackReply searchPageOf(std::vector<nlohmann::json> matches);
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

    std::map<std::string, Item> _items;
    std::map<std::string, std::vector<std::string>> _cursors;
    // The matches of a search still to come, by cursor.
    std::map<std::string, std::vector<nlohmann::json>> _searchCursors;
    long long _counter = 0;
    LoopbackHttpServer _server;
};
