#include "support/FakeDropboxServer.h"

#include "Utils/Base64Url.h"
#include "Utils/CryptoDigest.h"

#include <glib.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <cstdio>
#include <ctime>

using nlohmann::json;

namespace {

// Names compare ignoring case and normalisation, as on the service.
std::string keyOf(const std::string& path)
{
    gchar* normal = g_utf8_normalize(path.c_str(), -1, G_NORMALIZE_NFC);
    if (!normal) return path;
    gchar* lower = g_utf8_strdown(normal, -1);
    std::string key = lower;
    g_free(lower);
    g_free(normal);
    return key;
}

std::string parentOf(const std::string& path)
{
    size_t slash = path.find_last_of('/');
    return slash == 0 || slash == std::string::npos ? std::string() : path.substr(0, slash);
}

std::string nameOf(const std::string& path)
{
    return path.substr(path.find_last_of('/') + 1);
}

std::string isoDate(long long seconds)
{
    time_t time = time_t(seconds);
    tm parts{};
    gmtime_r(&time, &parts);
    char text[32];
    strftime(text, sizeof(text), "%Y-%m-%dT%H:%M:%SZ", &parts);
    return text;
}

LoopbackReply routeError(const std::string& summary, json error)
{
    return LoopbackReply::json(409, json{{"error_summary", summary}, {"error", std::move(error)}}.dump());
}

// {".tag": outer, outer: {".tag": inner}}, as most lookup errors are shaped.
LoopbackReply lookupError(const std::string& outer, const std::string& inner)
{
    return routeError(outer + "/" + inner + "/..", json{{".tag", outer}, {outer, {{".tag", inner}}}});
}

LoopbackReply badRequest(const std::string& route, const std::string& text)
{
    return LoopbackReply::text(400, "Error in call to API function \"" + route + "\": " + text);
}

// The checks every path argument goes through, in the service's order. root: whether "" is allowed.
std::optional<LoopbackReply> checkPath(const std::string& route, const std::string& field, const std::string& path,
                                       bool root, const std::string& errorTag = "path")
{
    if (path == "/") {
        return badRequest(
            route, "request body: " + field + ": Specify the root folder as an empty string rather than as \"/\".");
    }
    if (path.empty()) {
        if (root) return std::nullopt;
        return badRequest(route, "request body: " + field + ": The root folder is unsupported.");
    }
    if (path[0] != '/' && path.rfind("id:", 0) != 0) {
        return badRequest(route,
                          "request body: " + field + ": '" + path +
                              "' did not match pattern '(/(.|[\\r\\n])*)|(ns:[0-9]+(/.*)?)|(id:.*)'");
    }
    const char last = path.back();
    if (last == '/' || last == ' ' || last == '\t' || path.find("/ ") != std::string::npos ||
        path.find(" /") != std::string::npos || path.find("//") != std::string::npos) {
        return lookupError(errorTag, "malformed_path");
    }
    return std::nullopt;
}

// The argument header of a content route must be ASCII: the rest is escaped as \uXXXX.
bool isAscii(const std::string& text)
{
    return std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

} // namespace

FakeDropboxServer::FakeDropboxServer()
    : FakeCloudServer(3), _server([this](const LoopbackRequest& request) { return answer(request); })
{
    std::lock_guard lock(_mutex);
    _items[""] = Item{true, "", "", "", "id:root", 0};
}

std::string FakeDropboxServer::redirectUri()
{
    return std::string("db-") + AppKey + "://2/token";
}

std::string FakeDropboxServer::nextRev()
{
    char text[32];
    std::snprintf(text, sizeof(text), "%09llx0", ++_counter + 0x5a1000000LL);
    return text;
}

void FakeDropboxServer::ensureFolders(const std::string& path)
{
    std::string parent = parentOf(path);
    if (parent.empty() || _items.count(keyOf(parent))) return;
    ensureFolders(parent);
    _items[keyOf(parent)] = Item{true, displayOf(parent), "", "", "id:f" + std::to_string(++_counter), 0};
}

std::string FakeDropboxServer::displayOf(const std::string& path) const
{
    // The folders on the way keep the case they were made with; the last name keeps its own.
    std::string parent = parentOf(path);
    if (parent.empty()) return path;
    auto it = _items.find(keyOf(parent));
    return (it != _items.end() ? it->second.displayPath : displayOf(parent)) + "/" + nameOf(path);
}

std::string FakeDropboxServer::store(const std::string& path, const std::string& contents)
{
    ensureFolders(path);
    Item& item = _items[keyOf(path)];
    if (item.rev.empty() || item.contents != contents) {
        item.rev = nextRev();
        item.modified = time(nullptr);
    }
    if (item.id.empty()) item.id = "id:" + std::to_string(++_counter);
    if (item.displayPath.empty()) item.displayPath = displayOf(path);
    item.isFolder = false;
    item.contents = contents;
    return item.rev;
}

std::string FakeDropboxServer::putFile(const std::string& path, const std::string& contents)
{
    std::lock_guard lock(_mutex);
    return store(path, contents);
}

void FakeDropboxServer::makeFolder(const std::string& path)
{
    std::lock_guard lock(_mutex);
    ensureFolders(path);
    _items[keyOf(path)] = Item{true, displayOf(path), "", "", "id:f" + std::to_string(++_counter), 0};
}

void FakeDropboxServer::removeItem(const std::string& path)
{
    std::lock_guard lock(_mutex);
    std::string key = keyOf(path);
    std::erase_if(_items,
                  [&](const auto& entry) { return entry.first == key || entry.first.rfind(key + "/", 0) == 0; });
}

std::optional<std::string> FakeDropboxServer::fileContents(const std::string& path) const
{
    std::lock_guard lock(_mutex);
    auto it = _items.find(keyOf(path));
    if (it == _items.end() || it->second.isFolder) return std::nullopt;
    return it->second.contents;
}

std::optional<std::string> FakeDropboxServer::revision(const std::string& path) const
{
    std::lock_guard lock(_mutex);
    auto it = _items.find(keyOf(path));
    if (it == _items.end() || it->second.isFolder) return std::nullopt;
    return it->second.rev;
}

std::optional<std::string> FakeDropboxServer::displayPath(const std::string& path) const
{
    std::lock_guard lock(_mutex);
    auto it = _items.find(keyOf(path));
    if (it == _items.end()) return std::nullopt;
    return it->second.displayPath;
}

void FakeDropboxServer::invalidateAccessTokens()
{
    std::lock_guard lock(_mutex);
    _accessTokens.clear();
}

std::vector<std::string> FakeDropboxServer::filePaths() const
{
    std::lock_guard lock(_mutex);
    std::vector<std::string> paths;
    for (const auto& [key, item] : _items) {
        if (!item.isFolder) paths.push_back(item.displayPath);
    }
    std::sort(paths.begin(), paths.end());
    return paths;
}

LoopbackReply FakeDropboxServer::answer(const LoopbackRequest& request)
{
    std::lock_guard lock(_mutex);
    LoggedRequest logged;
    logged.route = request.path.size() > 3 && request.path.rfind("/2/", 0) == 0 ? request.path.substr(3)
        : request.path.rfind("/oauth2/", 0) == 0                                ? request.path.substr(1)
                                                                                : request.path;
    logged.authorization = request.header("Authorization");
    logged.body = request.body;
    LoopbackReply reply = route(logged.route, request, logged);
    return this->logged(logged, std::move(reply));
}

LoopbackReply FakeDropboxServer::route(const std::string& name, const LoopbackRequest& request, LoggedRequest& logged)
{
    const auto held = heldBack(name, [&name](int status, int retryAfter) {
        if (status == 429) {
            return LoopbackReply::json(
                429,
                R"({"error_summary":"too_many_requests/..","error":{"reason":{".tag":"too_many_requests"},"retry_after":)" +
                    std::to_string(retryAfter) + "}}");
        }
        if (status == 400) {
            return badRequest(
                name, "request body: path: 'x' did not match pattern '(/(.|[\\r\\n])*)|(ns:[0-9]+(/.*)?)|(id:.*)'");
        }
        return LoopbackReply::text(status, "Service unavailable");
    });
    if (held) return *held;
    if (name == "oauth2/authorize") return authorize(request);
    if (name == "oauth2/token") {
        if (auto canned = cannedAnswer(name)) return *canned;
        return token(request);
    }
    if (request.method != "POST") return LoopbackReply::text(405, "Method not allowed");

    static const std::set<std::string> contentRoutes = {"files/upload", "files/download"};
    static const std::set<std::string> rpcRoutes = {
        "files/get_metadata", "files/list_folder",        "files/list_folder/continue",
        "files/search_v2",    "files/search/continue_v2", "files/delete_v2",
        "files/move_v2",      "files/create_folder_v2"};
    const bool content = contentRoutes.count(name) > 0;
    if (!content && !rpcRoutes.count(name)) return LoopbackReply::text(404, "Unknown API function: " + name);

    std::string authorization = request.header("Authorization");
    std::string bearer = authorization.rfind("Bearer ", 0) == 0 ? authorization.substr(7) : std::string();
    if (bearer.empty()) {
        return badRequest(name, "Must provide HTTP header \"Authorization\" or URL parameter \"authorization\".");
    }
    if (_expiredTokens.count(bearer)) {
        return LoopbackReply::json(
            401, R"({"error_summary":"expired_access_token/","error":{".tag":"expired_access_token"}})");
    }
    if (!_accessTokens.count(bearer)) {
        return LoopbackReply::json(
            401, R"({"error_summary":"invalid_access_token/","error":{".tag":"invalid_access_token"}})");
    }

    if (auto canned = cannedAnswer(name)) return *canned;

    if (content) {
        if (!request.hasHeader("Dropbox-API-Arg"))
            return badRequest(name, "Must provide HTTP header \"Dropbox-API-Arg\".");
        logged.argument = request.header("Dropbox-API-Arg");
        if (!isAscii(logged.argument)) {
            return badRequest(name, "HTTP header \"Dropbox-API-Arg\": could not decode input as JSON");
        }
        if (name == "files/upload" && request.header("Content-Type") != "application/octet-stream") {
            return badRequest(
                name,
                "Bad HTTP \"Content-Type\" header: \"" + request.header("Content-Type") +
                    "\".  Expecting one of \"application/octet-stream\", \"text/plain; charset=dropbox-cors-hack\".");
        }
        if (name == "files/upload") return upload(logged.argument, request.body);
        return download(logged.argument);
    }
    if (request.header("Content-Type") != "application/json") {
        return badRequest(name,
                          "Bad HTTP \"Content-Type\" header: \"" + request.header("Content-Type") +
                              "\".  Expecting one of \"application/json\", \"application/json; charset=utf-8\", "
                              "\"text/plain; charset=dropbox-cors-hack\".");
    }
    logged.argument = request.body;
    if (name == "files/get_metadata") return getMetadata(request.body);
    if (name == "files/list_folder") return listFolder(request.body);
    if (name == "files/list_folder/continue") return listFolderContinue(request.body);
    if (name == "files/search_v2") return search(request.body);
    if (name == "files/search/continue_v2") return searchContinue(request.body);
    if (name == "files/delete_v2") return deleteItem(request.body);
    if (name == "files/move_v2") return move(request.body);
    return createFolder(request.body);
}

namespace {

json metadataOf(const std::string& displayPath, bool isFolder, const std::string& id, const std::string& rev,
                long long modified, size_t size)
{
    json metadata = {{".tag", isFolder ? "folder" : "file"},
                     {"name", nameOf(displayPath)},
                     {"path_lower", keyOf(displayPath)},
                     {"path_display", displayPath},
                     {"id", id}};
    if (!isFolder) {
        metadata["rev"] = rev;
        metadata["size"] = size;
        metadata["server_modified"] = isoDate(modified);
        metadata["client_modified"] = isoDate(modified);
        metadata["is_downloadable"] = true;
    }
    return metadata;
}

// The argument's string field, or nullopt when missing or not a string.
std::optional<std::string> stringField(const json& document, const char* name)
{
    auto it = document.find(name);
    if (it == document.end() || !it->is_string()) return std::nullopt;
    return it->get<std::string>();
}

} // namespace

#define FAKE_PARSE(route, text, document)                                                                              \
    json document = json::parse(text, nullptr, false);                                                                 \
    if (document.is_discarded() || !document.is_object())                                                              \
    return badRequest(route, "request body: could not decode input as JSON")

#define FAKE_PATH(route, document, field, variable)                                                                    \
    auto variable##Field = stringField(document, field);                                                               \
    if (!variable##Field)                                                                                              \
        return badRequest(route, std::string("request body: missing required field '") + field + "'");                 \
    std::string variable = *variable##Field

LoopbackReply FakeDropboxServer::getMetadata(const std::string& argument)
{
    FAKE_PARSE("files/get_metadata", argument, document);
    FAKE_PATH("files/get_metadata", document, "path", path);
    if (auto refused = checkPath("files/get_metadata", "path", path, false)) return *refused;
    auto it = _items.find(keyOf(path));
    if (it == _items.end()) return lookupError("path", "not_found");
    const Item& item = it->second;
    return LoopbackReply::json(
        200,
        metadataOf(item.displayPath, item.isFolder, item.id, item.rev, item.modified, item.contents.size()).dump());
}

LoopbackReply FakeDropboxServer::pageOf(std::vector<std::string> keys, size_t start)
{
    json entries = json::array();
    size_t end = std::min(keys.size(), start + size_t(_pageSize));
    for (size_t i = start; i < end; ++i) {
        const Item& item = _items[keys[i]];
        entries.push_back(
            metadataOf(item.displayPath, item.isFolder, item.id, item.rev, item.modified, item.contents.size()));
    }
    std::string cursor = "cursor-" + std::to_string(++_counter);
    bool more = end < keys.size();
    if (more) keys.erase(keys.begin(), keys.begin() + long(end));
    _cursors[cursor] = more ? keys : std::vector<std::string>();
    return LoopbackReply::json(200, json{{"entries", entries}, {"cursor", cursor}, {"has_more", more}}.dump());
}

LoopbackReply FakeDropboxServer::listFolder(const std::string& argument)
{
    FAKE_PARSE("files/list_folder", argument, document);
    FAKE_PATH("files/list_folder", document, "path", path);
    if (auto refused = checkPath("files/list_folder", "path", path, true)) return *refused;
    bool recursive = document.value("recursive", false);
    std::string key = keyOf(path);
    auto folder = _items.find(key);
    if (folder == _items.end()) return lookupError("path", "not_found");
    if (!folder->second.isFolder) return lookupError("path", "not_folder");
    std::vector<std::string> keys;
    for (const auto& [itemKey, item] : _items) {
        if (itemKey.empty() || itemKey.rfind(key + "/", 0) != 0) continue;
        if (!recursive && itemKey.find('/', key.size() + 1) != std::string::npos) continue;
        keys.push_back(itemKey);
    }
    return pageOf(keys, 0);
}

LoopbackReply FakeDropboxServer::listFolderContinue(const std::string& argument)
{
    FAKE_PARSE("files/list_folder/continue", argument, document);
    auto cursor = stringField(document, "cursor");
    if (!cursor) return badRequest("files/list_folder/continue", "request body: missing required field 'cursor'");
    auto it = _cursors.find(*cursor);
    if (it == _cursors.end()) return routeError("reset/..", json{{".tag", "reset"}});
    std::vector<std::string> keys = it->second;
    std::erase_if(keys, [&](const std::string& key) { return !_items.count(key); });
    return pageOf(keys, 0);
}

LoopbackReply FakeDropboxServer::search(const std::string& argument)
{
    FAKE_PARSE("files/search_v2", argument, document);
    auto query = stringField(document, "query");
    if (!query) return badRequest("files/search_v2", "request body: missing required field 'query'");
    std::string scope;
    if (auto options = document.find("options"); options != document.end() && options->is_object()) {
        if (auto path = stringField(*options, "path")) {
            if (auto refused = checkPath("files/search_v2", "options.path", *path, true)) return *refused;
            scope = keyOf(*path);
        }
    }
    std::vector<std::string> terms;
    std::string lowered = keyOf(*query);
    for (size_t start = 0; start < lowered.size();) {
        size_t end = lowered.find(' ', start);
        if (end == std::string::npos) end = lowered.size();
        if (end > start) terms.push_back(lowered.substr(start, end - start));
        start = end + 1;
    }
    std::vector<json> matches;
    for (const auto& [key, item] : _items) {
        if (key.empty() || (!scope.empty() && key.rfind(scope + "/", 0) != 0)) continue;
        std::string name = nameOf(key);
        bool all = !terms.empty() && std::all_of(terms.begin(), terms.end(), [&](const std::string& term) {
            return name.find(term) != std::string::npos;
        });
        if (!all) continue;
        matches.push_back({{"match_type", {{".tag", "filename"}}},
                           {"metadata",
                            {{".tag", "metadata"},
                             {"metadata",
                              metadataOf(item.displayPath, item.isFolder, item.id, item.rev, item.modified,
                                         item.contents.size())}}}});
    }
    return searchPageOf(std::move(matches));
}

// Matches come a page at a time, as folder entries do.
LoopbackReply FakeDropboxServer::searchPageOf(std::vector<json> matches)
{
    const size_t end = std::min(matches.size(), size_t(_pageSize));
    json page = json::array();
    for (size_t i = 0; i < end; ++i) page.push_back(matches[i]);
    json answer = {{"matches", page}, {"has_more", end < matches.size()}};
    if (end < matches.size()) {
        const std::string cursor = "search-cursor-" + std::to_string(++_counter);
        _searchCursors[cursor] = std::vector<json>(matches.begin() + long(end), matches.end());
        answer["cursor"] = cursor;
    }
    return LoopbackReply::json(200, answer.dump());
}

LoopbackReply FakeDropboxServer::searchContinue(const std::string& argument)
{
    FAKE_PARSE("files/search/continue_v2", argument, document);
    auto cursor = stringField(document, "cursor");
    if (!cursor) return badRequest("files/search/continue_v2", "request body: missing required field 'cursor'");
    auto it = _searchCursors.find(*cursor);
    if (it == _searchCursors.end()) return routeError("invalid_argument/..", json{{".tag", "invalid_argument"}});
    std::vector<json> rest = std::move(it->second);
    _searchCursors.erase(it);
    return searchPageOf(std::move(rest));
}

std::string FakeDropboxServer::freeName(const std::string& path) const
{
    std::string parent = parentOf(path);
    std::string name = nameOf(path);
    size_t dot = name.find_last_of('.');
    std::string stem = dot == std::string::npos || dot == 0 ? name : name.substr(0, dot);
    std::string extension = dot == std::string::npos || dot == 0 ? std::string() : name.substr(dot);
    for (int n = 1;; ++n) {
        std::string candidate = parent + "/" + stem + " (" + std::to_string(n) + ")" + extension;
        if (!_items.count(keyOf(candidate))) return candidate;
    }
}

LoopbackReply FakeDropboxServer::upload(const std::string& argument, const std::string& body)
{
    FAKE_PARSE("files/upload", argument, document);
    FAKE_PATH("files/upload", document, "path", path);
    if (auto refused = checkPath("files/upload", "path", path, false)) {
        if (refused->status != 409) return *refused;
        // Upload errors carry their own fields beside the tag.
        return routeError("path/malformed_path/..",
                          json{{".tag", "path"},
                               {"reason", {{".tag", "malformed_path"}}},
                               {"upload_session_id", "session-" + std::to_string(++_counter)}});
    }
    bool autorename = document.value("autorename", false);
    std::string mode = "add";
    std::string updateRev;
    if (auto it = document.find("mode"); it != document.end()) {
        if (it->is_string()) {
            mode = it->get<std::string>();
        } else if (it->is_object() && it->value(".tag", "") == "update" && it->contains("update") &&
                   (*it)["update"].is_string()) {
            mode = "update";
            updateRev = (*it)["update"].get<std::string>();
        } else {
            return badRequest("files/upload", "request body: mode: unknown tag");
        }
        if (mode != "add" && mode != "overwrite" && mode != "update") {
            return badRequest("files/upload", "request body: mode: unknown tag '" + mode + "'");
        }
    }
    std::string target = path;
    auto existing = _items.find(keyOf(path));
    // Parents must be folders.
    for (std::string parent = parentOf(path); !parent.empty(); parent = parentOf(parent)) {
        auto it = _items.find(keyOf(parent));
        if (it != _items.end() && !it->second.isFolder) {
            return routeError("path/conflict/file/..",
                              json{{".tag", "path"},
                                   {"reason", {{".tag", "conflict"}, {"conflict", {{".tag", "file"}}}}},
                                   {"upload_session_id", "session"}});
        }
    }
    bool conflict = false;
    if (existing != _items.end()) {
        const Item& item = existing->second;
        if (item.isFolder) {
            conflict = true;
        } else if (mode == "add") {
            conflict = item.contents != body;
        } else if (mode == "update") {
            conflict = item.rev != updateRev && item.contents != body;
        }
    }
    if (conflict) {
        if (!autorename) {
            std::string kind = existing->second.isFolder ? "folder" : "file";
            return routeError("path/conflict/" + kind + "/..",
                              json{{".tag", "path"},
                                   {"reason", {{".tag", "conflict"}, {"conflict", {{".tag", kind}}}}},
                                   {"upload_session_id", "session-" + std::to_string(++_counter)}});
        }
        target = freeName(path);
    }
    store(target, body);
    const Item& item = _items[keyOf(target)];
    return LoopbackReply::json(
        200, metadataOf(item.displayPath, false, item.id, item.rev, item.modified, item.contents.size()).dump());
}

LoopbackReply FakeDropboxServer::download(const std::string& argument)
{
    FAKE_PARSE("files/download", argument, document);
    FAKE_PATH("files/download", document, "path", path);
    if (auto refused = checkPath("files/download", "path", path, false)) return *refused;
    auto it = _items.find(keyOf(path));
    if (it == _items.end()) return lookupError("path", "not_found");
    if (it->second.isFolder) return lookupError("path", "not_file");
    const Item& item = it->second;
    LoopbackReply reply;
    reply.status = 200;
    reply.body = item.contents;
    // Like the service, the result header is ASCII: the rest goes as \u escapes.
    std::string result =
        metadataOf(item.displayPath, false, item.id, item.rev, item.modified, item.contents.size()).dump(-1, ' ', true);
    reply.headers = {{"Content-Type", "application/octet-stream"}, {"Dropbox-API-Result", result}};
    return reply;
}

LoopbackReply FakeDropboxServer::deleteItem(const std::string& argument)
{
    FAKE_PARSE("files/delete_v2", argument, document);
    FAKE_PATH("files/delete_v2", document, "path", path);
    if (auto refused = checkPath("files/delete_v2", "path", path, false, "path_lookup")) return *refused;
    std::string key = keyOf(path);
    auto it = _items.find(key);
    if (it == _items.end()) return lookupError("path_lookup", "not_found");
    json metadata = metadataOf(it->second.displayPath, it->second.isFolder, it->second.id, it->second.rev,
                               it->second.modified, it->second.contents.size());
    std::erase_if(_items,
                  [&](const auto& entry) { return entry.first == key || entry.first.rfind(key + "/", 0) == 0; });
    return LoopbackReply::json(200, json{{"metadata", metadata}}.dump());
}

LoopbackReply FakeDropboxServer::move(const std::string& argument)
{
    FAKE_PARSE("files/move_v2", argument, document);
    FAKE_PATH("files/move_v2", document, "from_path", from);
    FAKE_PATH("files/move_v2", document, "to_path", to);
    if (auto refused = checkPath("files/move_v2", "from_path", from, false, "from_lookup")) return *refused;
    if (auto refused = checkPath("files/move_v2", "to_path", to, false, "to")) return *refused;
    std::string fromKey = keyOf(from);
    auto it = _items.find(fromKey);
    if (it == _items.end()) return lookupError("from_lookup", "not_found");
    const std::string fromDisplay = it->second.displayPath;
    std::string target = to;
    std::string toKey = keyOf(to);
    if (toKey.rfind(fromKey + "/", 0) == 0)
        return routeError("cant_move_folder_into_itself/..", json{{".tag", "cant_move_folder_into_itself"}});
    if (_items.count(toKey) && toKey != fromKey) {
        if (!document.value("autorename", false)) {
            return routeError("to/conflict/file/..",
                              json{{".tag", "to"}, {"to", {{".tag", "conflict"}, {"conflict", {{".tag", "file"}}}}}});
        }
        target = freeName(to);
    }
    ensureFolders(target);
    target = displayOf(target);
    std::string targetKey = keyOf(target);
    std::map<std::string, Item> moved;
    for (auto entry = _items.begin(); entry != _items.end();) {
        if (entry->first == fromKey || entry->first.rfind(fromKey + "/", 0) == 0) {
            Item item = entry->second;
            item.displayPath = target + item.displayPath.substr(fromDisplay.size());
            moved[targetKey + entry->first.substr(fromKey.size())] = item;
            entry = _items.erase(entry);
        } else {
            ++entry;
        }
    }
    _items.insert(moved.begin(), moved.end());
    const Item& item = _items[targetKey];
    return LoopbackReply::json(
        200,
        json{{"metadata",
              metadataOf(item.displayPath, item.isFolder, item.id, item.rev, item.modified, item.contents.size())}}
            .dump());
}

LoopbackReply FakeDropboxServer::createFolder(const std::string& argument)
{
    FAKE_PARSE("files/create_folder_v2", argument, document);
    FAKE_PATH("files/create_folder_v2", document, "path", path);
    if (auto refused = checkPath("files/create_folder_v2", "path", path, false)) return *refused;
    std::string target = path;
    if (_items.count(keyOf(path))) {
        if (!document.value("autorename", false)) {
            return routeError(
                "path/conflict/folder/..",
                json{{".tag", "path"}, {"path", {{".tag", "conflict"}, {"conflict", {{".tag", "folder"}}}}}});
        }
        target = freeName(path);
    }
    ensureFolders(target);
    const Item& made = _items[keyOf(target)] =
        Item{true, displayOf(target), "", "", "id:f" + std::to_string(++_counter), 0};
    return LoopbackReply::json(200, json{{"metadata", metadataOf(made.displayPath, true, made.id, "", 0, 0)}}.dump());
}

LoopbackReply FakeDropboxServer::authorize(const LoopbackRequest& request)
{
    std::map<std::string, std::string> fields;
    // The query's own decoding: the fake is no place for a second parser of the client's.
    gchar** pairs = g_strsplit(request.query.c_str(), "&", -1);
    for (gchar** pair = pairs; pair && *pair; ++pair) {
        std::string field = *pair;
        size_t equals = field.find('=');
        std::string name = field.substr(0, equals);
        std::string value = equals == std::string::npos ? std::string() : field.substr(equals + 1);
        std::replace(value.begin(), value.end(), '+', ' ');
        gchar* decoded = g_uri_unescape_string(value.c_str(), nullptr);
        fields[name] = decoded ? decoded : "";
        g_free(decoded);
    }
    g_strfreev(pairs);
    if (fields["client_id"] != AppKey) return LoopbackReply::text(400, "Invalid client_id");
    if (fields["redirect_uri"] != redirectUri()) return LoopbackReply::text(400, "Invalid redirect_uri");
    if (fields["code_challenge_method"] != "S256" || fields["code_challenge"].size() < 43) {
        return LoopbackReply::text(400, "Invalid code_challenge");
    }
    std::string code = "code-" + std::to_string(++_counter);
    _grants[code] = Grant{fields["code_challenge"], fields["redirect_uri"]};
    gchar* state = g_uri_escape_string(fields["state"].c_str(), nullptr, false);
    LoopbackReply reply;
    reply.status = 302;
    reply.headers = {{"Location", redirectUri() + "?code=" + code + "&state=" + state}};
    g_free(state);
    return reply;
}

LoopbackReply FakeDropboxServer::token(const LoopbackRequest& request)
{
    std::map<std::string, std::string> fields;
    gchar** pairs = g_strsplit(request.body.c_str(), "&", -1);
    for (gchar** pair = pairs; pair && *pair; ++pair) {
        std::string field = *pair;
        size_t equals = field.find('=');
        std::string value = equals == std::string::npos ? std::string() : field.substr(equals + 1);
        std::replace(value.begin(), value.end(), '+', ' ');
        gchar* decoded = g_uri_unescape_string(value.c_str(), nullptr);
        fields[field.substr(0, equals)] = decoded ? decoded : "";
        g_free(decoded);
    }
    g_strfreev(pairs);
    auto invalidGrant = [](const std::string& description) {
        return LoopbackReply::json(400, json{{"error", "invalid_grant"}, {"error_description", description}}.dump());
    };
    if (fields["client_id"] != AppKey) {
        return LoopbackReply::json(400, R"({"error":"invalid_client","error_description":"Invalid client_id"})");
    }
    std::string number = std::to_string(++_counter);
    if (fields["grant_type"] == "authorization_code") {
        auto grant = _grants.find(fields["code"]);
        if (grant == _grants.end()) return invalidGrant("code doesn't exist or has expired");
        Grant granted = grant->second;
        _grants.erase(grant);
        std::vector<uint8_t> verifier(fields["code_verifier"].begin(), fields["code_verifier"].end());
        if (stringByBase64UrlSafeEncoding(SHA256(verifier)) != granted.challenge) {
            return invalidGrant("invalid code verifier");
        }
        if (fields["redirect_uri"] != granted.redirect) return invalidGrant("redirect_uri mismatch");
        std::string access = "access-" + number;
        std::string refresh = "refresh-" + number;
        _accessTokens.insert(access);
        _refreshTokens.insert(refresh);
        return LoopbackReply::json(200,
                                   json{{"access_token", access},
                                        {"token_type", "bearer"},
                                        {"expires_in", 14400},
                                        {"refresh_token", refresh},
                                        {"account_id", "dbid:fake-account"},
                                        {"uid", "12345"},
                                        {"scope", "files.content.read files.content.write"}}
                                       .dump());
    }
    if (fields["grant_type"] == "refresh_token") {
        if (_refreshRevoked || !_refreshTokens.count(fields["refresh_token"]))
            return invalidGrant("refresh token is invalid or revoked");
        std::string access = "access-" + number;
        _accessTokens.insert(access);
        return LoopbackReply::json(
            200, json{{"access_token", access}, {"token_type", "bearer"}, {"expires_in", 14400}}.dump());
    }
    return LoopbackReply::json(400, R"({"error":"unsupported_grant_type"})");
}
