#include "support/FakeGoogleDriveServer.h"

#include "Utils/Base64Url.h"
#include "Utils/CryptoDigest.h"

#include <glib.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <cstdio>
#include <cstring>

using nlohmann::json;

namespace {

constexpr const char* FolderType = "application/vnd.google-apps.folder";
constexpr const char* FilesPath = "/drive/v3/files";
constexpr const char* UploadPath = "/upload/drive/v3/files";
constexpr const char* SessionPath = "/upload/session/";

std::string decode(std::string value)
{
    std::replace(value.begin(), value.end(), '+', ' ');
    gchar* decoded = g_uri_unescape_string(value.c_str(), nullptr);
    std::string text = decoded ? decoded : "";
    g_free(decoded);
    return text;
}

// The fields of a query string or a form body; the fake decodes with GLib, not with the client's
// own decoder.
std::map<std::string, std::string> fieldsOf(const std::string& text)
{
    std::map<std::string, std::string> fields;
    gchar** pairs = g_strsplit(text.c_str(), "&", -1);
    for (gchar** pair = pairs; pair && *pair; ++pair) {
        std::string field = *pair;
        if (field.empty()) continue;
        size_t equals = field.find('=');
        fields[decode(field.substr(0, equals))] = equals == std::string::npos ? "" : decode(field.substr(equals + 1));
    }
    g_strfreev(pairs);
    return fields;
}

std::string hex(const std::vector<uint8_t>& bytes)
{
    static const char* digits = "0123456789abcdef";
    std::string text;
    for (uint8_t byte : bytes) {
        text += digits[byte >> 4];
        text += digits[byte & 15];
    }
    return text;
}

LoopbackReply driveError(int code, const std::string& reason, const std::string& message)
{
    json error = {{"error",
                   {{"errors", json::array({{{"domain", "global"}, {"reason", reason}, {"message", message}}})},
                    {"code", code},
                    {"message", message}}}};
    return LoopbackReply::json(code, error.dump());
}

LoopbackReply notFound(const std::string& id)
{
    return driveError(404, "notFound", "File not found: " + id + ".");
}

std::string rfc3339(long long milliseconds)
{
    time_t seconds = time_t(milliseconds / 1000);
    tm parts{};
    gmtime_r(&seconds, &parts);
    char text[64];
    std::snprintf(text, sizeof(text), "%04d-%02d-%02dT%02d:%02d:%02d.%03dZ", parts.tm_year + 1900, parts.tm_mon + 1,
                  parts.tm_mday, parts.tm_hour, parts.tm_min, parts.tm_sec, int(milliseconds % 1000));
    return text;
}

bool isDriveId(const std::string& id)
{
    return !id.empty() &&
        std::all_of(id.begin(), id.end(), [](char c) { return g_ascii_isalnum(c) || c == '-' || c == '_'; });
}

std::vector<std::string> splitIds(const std::string& list)
{
    std::vector<std::string> ids;
    gchar** parts = g_strsplit(list.c_str(), ",", -1);
    for (gchar** part = parts; part && *part; ++part) {
        if (**part) ids.emplace_back(*part);
    }
    g_strfreev(parts);
    return ids;
}

// One clause of a q expression: field, operator and value ("parents" "in" for "'X' in parents").
struct Clause {
    std::string field;
    std::string op;
    std::string value;
};

// The q forms the program sends: clauses joined by "and", each "'X' in parents", "trashed = B",
// or "mimeType|name" with "=", "!=" or "contains" and a quoted value with \\ and \' escapes.
std::optional<std::vector<Clause>> parseQuery(const std::string& q)
{
    std::vector<std::string> tokens;
    for (size_t i = 0; i < q.size();) {
        if (q[i] == ' ') {
            ++i;
        } else if (q[i] == '\'') {
            std::string value = "'";
            ++i;
            bool closed = false;
            while (i < q.size()) {
                if (q[i] == '\\' && i + 1 < q.size()) {
                    value += q[i + 1];
                    i += 2;
                } else if (q[i] == '\'') {
                    closed = true;
                    ++i;
                    break;
                } else {
                    value += q[i++];
                }
            }
            if (!closed) return std::nullopt;
            tokens.push_back(value);
        } else {
            size_t end = q.find_first_of(" '", i);
            tokens.push_back(q.substr(i, end == std::string::npos ? std::string::npos : end - i));
            i = end == std::string::npos ? q.size() : end;
        }
    }
    std::vector<Clause> clauses;
    for (size_t i = 0; i < tokens.size();) {
        if (!clauses.empty()) {
            if (tokens[i] != "and") return std::nullopt;
            ++i;
        }
        if (i + 2 >= tokens.size()) return std::nullopt;
        const std::string& first = tokens[i];
        const std::string& op = tokens[i + 1];
        const std::string& last = tokens[i + 2];
        if (first[0] == '\'' && op == "in" && last == "parents") {
            clauses.push_back({"parents", "in", first.substr(1)});
        } else if (first == "trashed" && op == "=" && (last == "true" || last == "false")) {
            clauses.push_back({"trashed", "=", last});
        } else if ((first == "mimeType" || first == "name") && (op == "=" || op == "!=" || op == "contains") &&
                   last[0] == '\'') {
            clauses.push_back({first, op, last.substr(1)});
        } else {
            return std::nullopt;
        }
        i += 3;
    }
    return clauses;
}

bool containsIgnoringCase(const std::string& text, const std::string& part)
{
    gchar* haystack = g_utf8_casefold(text.c_str(), -1);
    gchar* needle = g_utf8_casefold(part.c_str(), -1);
    const bool found = std::strstr(haystack, needle) != nullptr;
    g_free(haystack);
    g_free(needle);
    return found;
}

} // namespace

bool FakeGoogleDriveServer::File::isFolder() const
{
    return mimeType == FolderType;
}

FakeGoogleDriveServer::FakeGoogleDriveServer()
    : FakeCloudServer(2), _server([this](const LoopbackRequest& request) { return answer(request); })
{
    std::lock_guard lock(_mutex);
    File root;
    root.id = _rootId;
    root.name = "My Drive";
    root.mimeType = FolderType;
    _files[_rootId] = root;
}

std::string FakeGoogleDriveServer::rootId() const
{
    std::lock_guard lock(_mutex);
    return _rootId;
}

void FakeGoogleDriveServer::setRootId(const std::string& id)
{
    std::lock_guard lock(_mutex);
    File root = _files[_rootId];
    _files.erase(_rootId);
    for (auto& [key, file] : _files) {
        std::replace(file.parents.begin(), file.parents.end(), _rootId, id);
    }
    root.id = id;
    _rootId = id;
    _files[id] = root;
}

std::string FakeGoogleDriveServer::nextId()
{
    char text[40];
    std::snprintf(text, sizeof(text), "1Fk%08llx_%s", ++_counter, "drvId");
    return text;
}

void FakeGoogleDriveServer::touch(File& file, const std::string& contents)
{
    file.contents = contents;
    std::vector<uint8_t> bytes(contents.begin(), contents.end());
    file.md5 = hex(MD5(bytes));
    _clock += 1234;
    file.modifiedMilliseconds = _clock;
}

std::string FakeGoogleDriveServer::addFolder(const std::string& name, const std::string& parent, const std::string& id)
{
    std::lock_guard lock(_mutex);
    File folder;
    folder.id = id.empty() ? nextId() : id;
    folder.name = name;
    folder.mimeType = FolderType;
    folder.parents = {parent.empty() ? _rootId : parent};
    _clock += 1000;
    folder.modifiedMilliseconds = _clock;
    _files[folder.id] = folder;
    return folder.id;
}

std::string FakeGoogleDriveServer::addFile(const std::string& name, const std::string& contents,
                                           const std::string& parent, const std::string& id,
                                           const std::string& mimeType)
{
    std::lock_guard lock(_mutex);
    File file;
    file.id = id.empty() ? nextId() : id;
    file.name = name;
    file.mimeType = mimeType;
    file.parents = {parent.empty() ? _rootId : parent};
    touch(file, contents);
    _files[file.id] = file;
    return file.id;
}

void FakeGoogleDriveServer::trash(const std::string& id)
{
    std::lock_guard lock(_mutex);
    if (auto it = _files.find(id); it != _files.end()) it->second.trashed = true;
}

void FakeGoogleDriveServer::remove(const std::string& id)
{
    std::lock_guard lock(_mutex);
    _files.erase(id);
}

std::optional<FakeGoogleDriveServer::File> FakeGoogleDriveServer::file(const std::string& id) const
{
    std::lock_guard lock(_mutex);
    auto it = _files.find(resolve(id));
    if (it == _files.end()) return std::nullopt;
    return it->second;
}

std::vector<FakeGoogleDriveServer::File> FakeGoogleDriveServer::files() const
{
    std::lock_guard lock(_mutex);
    std::vector<File> all;
    for (const auto& [id, file] : _files) {
        if (id != _rootId) all.push_back(file);
    }
    return all;
}

std::vector<std::string> FakeGoogleDriveServer::idsNamed(const std::string& name) const
{
    std::lock_guard lock(_mutex);
    std::vector<std::string> ids;
    for (const auto& [id, file] : _files) {
        if (file.name == name) ids.push_back(id);
    }
    return ids;
}

void FakeGoogleDriveServer::dropNextChunks(int count)
{
    std::lock_guard lock(_mutex);
    _dropChunks = count;
}

void FakeGoogleDriveServer::padDownloads(size_t extraBytes)
{
    std::lock_guard lock(_mutex);
    _downloadPadding = extraBytes;
}

void FakeGoogleDriveServer::forgeField(const std::string& id, const std::string& field, const std::string& jsonValue)
{
    std::lock_guard lock(_mutex);
    _forged[id][field] = jsonValue;
}

void FakeGoogleDriveServer::failNextAsDrive(const std::string& route, int status, int count,
                                            std::optional<int> retryAfter, const std::string& reason)
{
    std::lock_guard lock(_mutex);
    _driveFaults.push_back(DriveFault{route, status, count, retryAfter, reason});
}

void FakeGoogleDriveServer::clearForgedFields()
{
    std::lock_guard lock(_mutex);
    _forged.clear();
}

std::string FakeGoogleDriveServer::resolve(const std::string& id) const
{
    return id == "root" ? _rootId : id;
}

bool FakeGoogleDriveServer::isDescendant(const std::string& id, const std::string& ancestor) const
{
    std::set<std::string> seen;
    std::vector<std::string> open = {id};
    while (!open.empty()) {
        std::string current = open.back();
        open.pop_back();
        if (current == ancestor) return true;
        if (!seen.insert(current).second) continue;
        auto it = _files.find(current);
        if (it != _files.end()) open.insert(open.end(), it->second.parents.begin(), it->second.parents.end());
    }
    return false;
}

std::string FakeGoogleDriveServer::fileJson(const File& file) const
{
    json object = {{"kind", "drive#file"},
                   {"id", file.id},
                   {"name", file.name},
                   {"mimeType", file.mimeType},
                   {"trashed", file.trashed},
                   {"parents", file.parents},
                   {"modifiedTime", rfc3339(file.modifiedMilliseconds)}};
    if (!file.isFolder() && file.mimeType.rfind("application/vnd.google-apps.", 0) != 0) {
        object["md5Checksum"] = file.md5;
        object["size"] = std::to_string(file.contents.size());
        size_t dot = file.name.rfind('.');
        if (dot != std::string::npos && dot + 1 < file.name.size()) object["fileExtension"] = file.name.substr(dot + 1);
    }
    if (auto forged = _forged.find(file.id); forged != _forged.end()) {
        for (const auto& [field, value] : forged->second) object[field] = json::parse(value);
    }
    return object.dump();
}

LoopbackReply FakeGoogleDriveServer::answer(const LoopbackRequest& request)
{
    std::lock_guard lock(_mutex);
    LoggedRequest logged;
    logged.method = request.method;
    logged.path = request.path;
    logged.query = request.query;
    logged.authorization = request.header("Authorization");
    logged.contentType = request.header("Content-Type");
    logged.body = request.body;
    const auto query = fieldsOf(request.query);
    std::string id;
    const std::string files = FilesPath;
    const std::string uploads = UploadPath;
    if (request.path == "/o/oauth2/v2/auth") {
        logged.route = "oauth.authorize";
    } else if (request.path == "/token") {
        logged.route = "oauth.token";
    } else if (request.path.rfind(SessionPath, 0) == 0) {
        logged.route = "upload.chunk";
        id = request.path.substr(std::string(SessionPath).size());
    } else if (request.path == files + "/generateIds") {
        logged.route = "files.generateIds";
    } else if (request.path == files) {
        logged.route = request.method == "GET" ? "files.list" : "files.create";
    } else if (request.path == uploads) {
        logged.route = "files.create";
    } else if (request.path.rfind(files + "/", 0) == 0 || request.path.rfind(uploads + "/", 0) == 0) {
        const size_t start = request.path.rfind(files + "/", 0) == 0 ? files.size() + 1 : uploads.size() + 1;
        id = decode(request.path.substr(start));
        logged.route = request.method == "GET" ? (query.count("alt") ? "files.media" : "files.get")
            : request.method == "DELETE"       ? "files.delete"
                                               : "files.update";
    } else {
        logged.route = "unknown";
    }
    LoopbackReply reply = route(logged.route, id, request);
    return this->logged(logged, std::move(reply));
}

LoopbackReply FakeGoogleDriveServer::route(const std::string& name, const std::string& id,
                                           const LoopbackRequest& request)
{
    const auto held = heldBack(name, [&id](int status, int) {
        switch (status) {
        case 401:
            return driveError(401, "authError", "Invalid Credentials");
        case 403:
        case 429:
            return driveError(status, "rateLimitExceeded", "Rate Limit Exceeded");
        case 404:
            return notFound(id);
        default:
            return LoopbackReply::text(status, "<html><body>Backend Error</body></html>");
        }
    });
    if (held) return *held;
    for (DriveFault& fault : _driveFaults) {
        if (fault.count <= 0 || (!fault.route.empty() && fault.route != name)) continue;
        --fault.count;
        LoopbackReply reply;
        switch (fault.status) {
        case 403:
        case 429: {
            const std::string reason = fault.reason.empty() ? "rateLimitExceeded" : fault.reason;
            reply = driveError(fault.status, reason,
                               reason == "userRateLimitExceeded" ? "User Rate Limit Exceeded" : "Rate Limit Exceeded");
            break;
        }
        case 500:
        case 503:
            reply = driveError(fault.status, "backendError", "Backend Error");
            break;
        default:
            reply = LoopbackReply::text(fault.status,
                                        "<!DOCTYPE html><html lang=en><title>Error " + std::to_string(fault.status) +
                                            " (Server Error)!!1</title><p>That's an error.</html>");
            reply.headers = {{"Content-Type", "text/html; charset=UTF-8"}};
            break;
        }
        if (fault.retryAfter) reply.headers.emplace_back("Retry-After", std::to_string(*fault.retryAfter));
        return reply;
    }
    if (name == "oauth.authorize") return authorize(request);
    if (name == "oauth.token") {
        if (auto canned = cannedAnswer(name)) return *canned;
        return token(request);
    }
    if (name == "unknown") return LoopbackReply::text(404, "Not Found");

    const std::string authorization = request.header("Authorization");
    const std::string bearer = authorization.rfind("Bearer ", 0) == 0 ? authorization.substr(7) : std::string();
    if (!_accessTokens.count(bearer)) {
        LoopbackReply reply = driveError(401, "authError", "Invalid Credentials");
        reply.headers.emplace_back("WWW-Authenticate", "Bearer realm=\"https://accounts.google.com/\"");
        return reply;
    }
    if (auto canned = cannedAnswer(name)) return *canned;
    const auto query = fieldsOf(request.query);
    if (name == "files.get") return getFile(id, query);
    if (name == "files.media") return media(id);
    if (name == "files.list") return listFiles(query);
    if (name == "files.generateIds") return generateIds(query);
    if (name == "files.delete") return deleteFile(id);
    if (name == "upload.chunk") return chunk(id, request);
    return writeFile(id, request, query);
}

LoopbackReply FakeGoogleDriveServer::getFile(const std::string& id, const std::map<std::string, std::string>&)
{
    auto it = _files.find(resolve(id));
    if (it == _files.end()) return notFound(id);
    return LoopbackReply::json(200, fileJson(it->second));
}

LoopbackReply FakeGoogleDriveServer::media(const std::string& id)
{
    auto it = _files.find(resolve(id));
    if (it == _files.end()) return notFound(id);
    if (it->second.isFolder())
        return driveError(403, "fileNotDownloadable", "Only files with binary content can be downloaded.");
    LoopbackReply reply;
    reply.status = 200;
    reply.headers = {{"Content-Type", "application/octet-stream"}};
    reply.body = it->second.contents + std::string(_downloadPadding, 'X');
    return reply;
}

LoopbackReply FakeGoogleDriveServer::listFiles(const std::map<std::string, std::string>& query)
{
    auto token = query.find("pageToken");
    std::vector<std::string> ids;
    if (token != query.end() && !token->second.empty()) {
        auto page = _pages.find(token->second);
        if (page == _pages.end()) return driveError(400, "invalid", "Invalid Value");
        ids = page->second;
        _pages.erase(page);
    } else {
        auto q = query.find("q");
        auto clauses = parseQuery(q == query.end() ? "" : q->second);
        if (!clauses) return driveError(400, "invalid", "Invalid Value");
        for (const auto& [fileId, file] : _files) {
            if (fileId == _rootId) continue;
            bool matches = true;
            for (const Clause& clause : *clauses) {
                if (clause.field == "parents") {
                    matches = std::find(file.parents.begin(), file.parents.end(), resolve(clause.value)) !=
                        file.parents.end();
                } else if (clause.field == "trashed") {
                    matches = file.trashed == (clause.value == "true");
                } else {
                    const std::string& value = clause.field == "name" ? file.name : file.mimeType;
                    matches = clause.op == "=" ? value == clause.value
                        : clause.op == "!="    ? value != clause.value
                                               : containsIgnoringCase(value, clause.value);
                }
                if (!matches) break;
            }
            if (matches) ids.push_back(fileId);
        }
    }
    json files = json::array();
    size_t count = std::min(ids.size(), size_t(_pageSize));
    for (size_t i = 0; i < count; ++i) {
        auto it = _files.find(ids[i]);
        if (it != _files.end()) files.push_back(json::parse(fileJson(it->second)));
    }
    json page = {{"kind", "drive#fileList"}, {"files", files}};
    if (count < ids.size()) {
        std::string next = "page-" + std::to_string(++_counter);
        _pages[next] = std::vector<std::string>(ids.begin() + long(count), ids.end());
        page["nextPageToken"] = next;
    }
    return LoopbackReply::json(200, page.dump());
}

LoopbackReply FakeGoogleDriveServer::generateIds(const std::map<std::string, std::string>& query)
{
    auto count = query.find("count");
    int wanted = count == query.end() ? 10 : std::atoi(count->second.c_str());
    if (wanted < 1 || wanted > 1000) return driveError(400, "invalid", "Invalid Value");
    json ids = json::array();
    for (int i = 0; i < wanted; ++i) ids.push_back(nextId());
    return LoopbackReply::json(200, json{{"kind", "drive#generatedIds"}, {"space", "drive"}, {"ids", ids}}.dump());
}

LoopbackReply FakeGoogleDriveServer::deleteFile(const std::string& id)
{
    auto it = _files.find(resolve(id));
    if (it == _files.end() || it->first == _rootId) return notFound(id);
    std::vector<std::string> gone = {it->first};
    for (size_t i = 0; i < gone.size(); ++i) {
        for (const auto& [childId, child] : _files) {
            if (std::find(child.parents.begin(), child.parents.end(), gone[i]) != child.parents.end()) {
                gone.push_back(childId);
            }
        }
        _files.erase(gone[i]);
    }
    LoopbackReply reply;
    reply.status = 204;
    return reply;
}

LoopbackReply FakeGoogleDriveServer::writeFile(const std::string& id, const LoopbackRequest& request,
                                               const std::map<std::string, std::string>& query)
{
    Session session;
    session.create = id.empty();
    session.fileId = resolve(id);
    if (!session.create && !_files.count(session.fileId)) return notFound(id);
    auto type = query.find("uploadType");
    const std::string uploadType = type == query.end() ? "" : type->second;
    const bool isUpload = request.path.rfind(UploadPath, 0) == 0;
    if (isUpload && uploadType != "multipart" && uploadType != "resumable" && uploadType != "media") {
        return driveError(400, "invalid", "Invalid uploadType");
    }
    std::string metadataText;
    std::string contents;
    bool hasContents = false;
    if (isUpload && uploadType == "multipart") {
        const std::string contentType = request.header("Content-Type");
        const std::string marker = "boundary=";
        size_t at = contentType.find(marker);
        if (contentType.rfind("multipart/related", 0) != 0 || at == std::string::npos) {
            return driveError(400, "badContent", "Multipart requests need a boundary.");
        }
        std::string boundary = contentType.substr(at + marker.size());
        if (!boundary.empty() && boundary.front() == '"') boundary = boundary.substr(1, boundary.size() - 2);
        const std::string delimiter = "--" + boundary;
        std::vector<std::string> parts;
        size_t position = request.body.find(delimiter);
        while (position != std::string::npos) {
            size_t start = position + delimiter.size();
            if (request.body.compare(start, 2, "--") == 0) break;
            size_t next = request.body.find("\r\n" + delimiter, start);
            if (next == std::string::npos) return driveError(400, "badContent", "Malformed multipart body.");
            parts.push_back(request.body.substr(start + 2, next - start - 2));
            position = next + 2;
        }
        if (parts.size() != 2) return driveError(400, "badContent", "Multipart bodies have two parts.");
        for (size_t i = 0; i < 2; ++i) {
            size_t blank = parts[i].find("\r\n\r\n");
            if (blank == std::string::npos) return driveError(400, "badContent", "Malformed multipart part.");
            const std::string headers = parts[i].substr(0, blank);
            if (i == 0 && headers.find("application/json") == std::string::npos) {
                return driveError(400, "badContent", "The first part must be JSON metadata.");
            }
            (i == 0 ? metadataText : contents) = parts[i].substr(blank + 4);
        }
        hasContents = true;
    } else {
        metadataText = request.body;
    }
    json metadata = metadataText.empty() ? json::object() : json::parse(metadataText, nullptr, false);
    if (!metadata.is_object()) return driveError(400, "parseError", "Parse Error");
    if (auto field = metadata.find("id"); field != metadata.end()) {
        if (!session.create)
            return driveError(403, "fieldNotWritable",
                              "The resource body includes fields which are not directly writable.");
        if (!field->is_string() || !isDriveId(field->get<std::string>()))
            return driveError(400, "invalid", "Invalid Value");
        if (_files.count(field->get<std::string>())) {
            return driveError(409, "duplicate", "A file already exists with the provided ID.");
        }
        session.metadata.id = field->get<std::string>();
    }
    if (auto field = metadata.find("name"); field != metadata.end() && field->is_string()) {
        session.metadata.name = field->get<std::string>();
    }
    if (auto field = metadata.find("mimeType"); field != metadata.end() && field->is_string()) {
        session.metadata.mimeType = field->get<std::string>();
    }
    if (auto field = metadata.find("parents"); field != metadata.end()) {
        if (!session.create) return driveError(403, "fieldNotWritable", "Use addParents and removeParents.");
        if (!field->is_array() || field->size() > 1) return driveError(400, "invalid", "Invalid parents");
        for (const json& parent : *field) {
            if (!parent.is_string()) return driveError(400, "invalid", "Invalid parents");
            session.metadata.parents.push_back(resolve(parent.get<std::string>()));
        }
    }
    for (const std::string& parent : session.metadata.parents) {
        auto it = _files.find(parent);
        if (it == _files.end() || it->second.trashed) return notFound(parent);
    }
    if (auto add = query.find("addParents"); add != query.end()) {
        for (const std::string& parent : splitIds(add->second)) {
            if (!_files.count(resolve(parent))) return notFound(parent);
            if (isDescendant(resolve(parent), session.fileId)) {
                return driveError(400, "invalidParent", "A folder cannot be moved into itself or its descendant.");
            }
            session.addParents.push_back(resolve(parent));
        }
    }
    if (auto removeList = query.find("removeParents"); removeList != query.end()) {
        for (const std::string& parent : splitIds(removeList->second)) session.removeParents.push_back(resolve(parent));
    }
    if (isUpload && uploadType == "resumable") {
        session.total = size_t(std::atoll(request.header("X-Upload-Content-Length").c_str()));
        if (!session.create && session.metadata.mimeType.empty()) {
            session.metadata.mimeType = request.header("X-Upload-Content-Type");
        }
        std::string key = "s" + std::to_string(++_counter);
        _sessions[key] = session;
        LoopbackReply reply;
        reply.status = 200;
        reply.headers = {{"Location", baseUrl() + SessionPath + key}};
        return reply;
    }
    return commit(session, contents, hasContents);
}

LoopbackReply FakeGoogleDriveServer::commit(Session& session, const std::string& contents, bool hasContents)
{
    File* target = nullptr;
    if (session.create) {
        File file = session.metadata;
        if (file.id.empty()) file.id = nextId();
        if (file.parents.empty()) file.parents = {_rootId};
        if (file.mimeType.empty()) file.mimeType = hasContents ? "application/octet-stream" : "text/plain";
        if (file.name.empty()) file.name = "Untitled";
        // The id may have been taken meanwhile (a resumable session).
        if (_files.count(file.id)) return driveError(409, "duplicate", "A file already exists with the provided ID.");
        target = &(_files[file.id] = file);
    } else {
        auto it = _files.find(session.fileId);
        if (it == _files.end()) return notFound(session.fileId);
        target = &it->second;
        if (!session.metadata.name.empty()) target->name = session.metadata.name;
        if (!session.metadata.mimeType.empty()) target->mimeType = session.metadata.mimeType;
        for (const std::string& parent : session.removeParents) std::erase(target->parents, parent);
        for (const std::string& parent : session.addParents) {
            if (std::find(target->parents.begin(), target->parents.end(), parent) == target->parents.end()) {
                target->parents.push_back(parent);
            }
        }
        _clock += 1000;
        target->modifiedMilliseconds = _clock;
    }
    if (hasContents) touch(*target, contents);
    return LoopbackReply::json(200, fileJson(*target));
}

LoopbackReply FakeGoogleDriveServer::chunk(const std::string& key, const LoopbackRequest& request)
{
    auto it = _sessions.find(key);
    if (it == _sessions.end() || request.method != "PUT") return driveError(404, "notFound", "No such upload session.");
    Session& session = it->second;
    const std::string range = request.header("Content-Range");
    auto incomplete = [&session] {
        LoopbackReply reply;
        reply.status = 308;
        if (!session.received.empty()) {
            reply.headers = {{"Range", "bytes=0-" + std::to_string(session.received.size() - 1)}};
        }
        return reply;
    };
    if (range == "bytes */" + std::to_string(session.total)) return incomplete();
    unsigned long long first = 0, last = 0, total = 0;
    if (std::sscanf(range.c_str(), "bytes %llu-%llu/%llu", &first, &last, &total) != 3 || total != session.total ||
        last < first || last - first + 1 != request.body.size() || first > session.received.size()) {
        return driveError(400, "badContent", "Invalid Content-Range.");
    }
    const size_t overlap = session.received.size() - size_t(first);
    if (_dropChunks > 0) {
        --_dropChunks;
        // Half the chunk arrived before the connection went.
        const size_t kept = request.body.size() / 2;
        if (kept > overlap) session.received += request.body.substr(overlap, kept - overlap);
        LoopbackReply reply;
        reply.drop = true;
        return reply;
    }
    if (overlap < request.body.size()) session.received += request.body.substr(overlap);
    if (session.received.size() < session.total) return incomplete();
    Session done = session;
    _sessions.erase(it);
    return commit(done, done.received, true);
}

LoopbackReply FakeGoogleDriveServer::authorize(const LoopbackRequest& request)
{
    auto fields = fieldsOf(request.query);
    if (fields["client_id"] != ClientId) return LoopbackReply::text(400, "Error 401: invalid_client");
    const std::string redirect = fields["redirect_uri"];
    if (redirect.rfind("http://127.0.0.1:", 0) != 0)
        return LoopbackReply::text(400, "Error 400: redirect_uri_mismatch");
    if (fields["response_type"] != "code") return LoopbackReply::text(400, "Error 400: unsupported_response_type");
    if (fields["scope"] != Scopes) return LoopbackReply::text(400, "Error 400: invalid_scope");
    if (fields["code_challenge_method"] != "S256" || fields["code_challenge"].size() != 43) {
        return LoopbackReply::text(400, "Error 400: invalid_request (code_challenge)");
    }
    std::string code = "4/0Fake" + std::to_string(++_counter);
    _grants[code] = Grant{fields["code_challenge"], redirect};
    gchar* state = g_uri_escape_string(fields["state"].c_str(), nullptr, false);
    LoopbackReply reply;
    reply.status = 302;
    reply.headers = {
        {"Location",
         redirect + "?state=" + state + "&code=" + code + "&scope=email%20https://www.googleapis.com/auth/drive"}};
    g_free(state);
    return reply;
}

LoopbackReply FakeGoogleDriveServer::token(const LoopbackRequest& request)
{
    auto fields = fieldsOf(request.body);
    auto invalidGrant = [](const std::string& description) {
        return LoopbackReply::json(400, json{{"error", "invalid_grant"}, {"error_description", description}}.dump());
    };
    if (fields["client_id"] != ClientId || fields["client_secret"] != ClientSecret) {
        return LoopbackReply::json(401, R"({"error":"invalid_client","error_description":"Unauthorized"})");
    }
    const std::string number = std::to_string(++_counter);
    if (fields["grant_type"] == "authorization_code") {
        auto grant = _grants.find(fields["code"]);
        if (grant == _grants.end()) return invalidGrant("Malformed auth code.");
        Grant granted = grant->second;
        _grants.erase(grant);
        std::vector<uint8_t> verifier(fields["code_verifier"].begin(), fields["code_verifier"].end());
        if (stringByBase64UrlSafeEncoding(SHA256(verifier)) != granted.challenge)
            return invalidGrant("Invalid code verifier.");
        if (fields["redirect_uri"] != granted.redirect) {
            return LoopbackReply::json(400, R"({"error":"redirect_uri_mismatch","error_description":"Bad Request"})");
        }
        const std::string access = "ya29.fake-" + number;
        const std::string refresh = "1//fake-refresh-" + number;
        _accessTokens.insert(access);
        _refreshTokens.insert(refresh);
        return LoopbackReply::json(200,
                                   json{{"access_token", access},
                                        {"expires_in", 3599},
                                        {"refresh_token", refresh},
                                        {"scope", "https://www.googleapis.com/auth/drive openid email"},
                                        {"token_type", "Bearer"},
                                        {"id_token", "header.payload.signature"}}
                                       .dump());
    }
    if (fields["grant_type"] == "refresh_token") {
        if (_refreshRevoked || !_refreshTokens.count(fields["refresh_token"])) {
            return invalidGrant("Token has been expired or revoked.");
        }
        const std::string access = "ya29.fake-" + number;
        _accessTokens.insert(access);
        return LoopbackReply::json(200,
                                   json{{"access_token", access},
                                        {"expires_in", 3599},
                                        {"scope", "https://www.googleapis.com/auth/drive openid email"},
                                        {"token_type", "Bearer"}}
                                       .dump());
    }
    return LoopbackReply::json(400, R"({"error":"unsupported_grant_type","error_description":"Invalid grant_type"})");
}
