#include "GoogleDrive/GDriveClient.h"

#include "cloud/AnswerBounds.h"
#include "cloud/CacheFiles.h"
#include "cloud/OAuthClient.h"
#include "platform/FileUtils.h"
#include "platform/MainLoop.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>

using nlohmann::json;

namespace {

// The token is renewed this long before Drive would refuse it, so that a call never goes out with
// a token that runs out on the way.
constexpr double ExpiryMargin = 60;
// A dropped connection of a resumable upload is resumed this often before the upload fails.
constexpr int MaxResumes = 3;

double wallClock()
{
    return std::chrono::duration<double>(std::chrono::system_clock::now().time_since_epoch()).count();
}

// The HTTP engine's rule for transport failures, as a Drive error.
GDriveError refreshFailure(const OAuthResult& result)
{
    if (result.status == OAuthStatus::NetworkError) {
        // A renewal that never reached the token endpoint says nothing about the sign-in.
        return GDriveError::transport(HttpTransportError::Offline, result.message);
    }
    GDriveError error = GDriveError::httpStatus(result.status == OAuthStatus::NotLinked ? 401 : 400, result.message);
    if (result.status == OAuthStatus::InvalidGrant) {
        error.tokenError = "invalid_grant";
        error.tokenErrorDescription = result.message;
    } else if (result.status != OAuthStatus::NotLinked) {
        error.tokenError = "invalid_request";
        error.tokenErrorDescription = result.message;
    }
    return error;
}

std::string queryString(const std::vector<std::pair<std::string, std::string>>& fields)
{
    std::string text;
    for (const auto& [name, value] : fields) {
        if (value.empty()) continue;
        text += text.empty() ? '?' : '&';
        text += OAuthClient::percentEncode(name) + "=" + OAuthClient::percentEncode(value);
    }
    return text;
}

// repeatable: the request does no harm when it arrives twice, so that a failure on Drive's side
// after it may have done the work is sent again too. Its answer is a JSON document unless the
// caller bounds it otherwise.
HttpRequest makeRequest(std::string method, std::string url, bool repeatable)
{
    HttpRequest request;
    request.method = std::move(method);
    request.url = std::move(url);
    request.retryServerErrors = repeatable;
    boundAnswer(request, CloudAnswer::Document);
    return request;
}

bool isSuccess(long status)
{
    return status >= 200 && status < 300;
}

// Bytes a=first..last of "bytes=0-1234" in a resumable session's Range header; -1 when none.
long long receivedThrough(const std::string& range)
{
    size_t dash = range.rfind('-');
    if (range.rfind("bytes=0-", 0) != 0 || dash == std::string::npos) return -1;
    std::string last = range.substr(dash + 1);
    if (last.empty() || last.size() > 18 || last.find_first_not_of("0123456789") != std::string::npos) return -1;
    return std::stoll(last);
}

} // namespace

struct GDriveCallState : std::enable_shared_from_this<GDriveCallState> {
    GDriveClient* client = nullptr;
    HttpRequestHandle request;
    DelayedPerform timer;
    bool done = false;
    bool called = false;
    // Completes with a failure; whatever the completion holds goes with release().
    std::function<void(const GDriveError&)> failure;
    std::function<void()> release;

    using Build = std::function<HttpRequest()>;
    using Handler = std::function<void(const HttpResponse&)>;

    // Sends the request with the current bearer token and hands the answer to the handler once a
    // renewal of the token has been dealt with. The engine sends it again after Drive's rate limit,
    // which Drive words as a 403 of its own, and after 429 and 503; after 500, 502 and 504 only
    // when the builder marked the request as one that does no harm when it arrives twice.
    void send(Build build, Handler handler, bool refreshed = false)
    {
        if (done) return;
        OAuthClient& authorization = client->_authorization;
        const auto& tokens = authorization.tokens();
        if (!refreshed && tokens && tokens->expiresAt > 0 && client->_now() >= tokens->expiresAt - ExpiryMargin) {
            renewThenSend(std::move(build), std::move(handler));
            return;
        }
        HttpRequest request = build();
        request.retryWhen = [](const HttpResponse& answer) {
            return answer.status == 403 && GDriveError::fromResponse(answer).isRateLimit();
        };
        const std::string token = authorization.accessToken();
        request.headers.emplace_back("Authorization", "Bearer " + token);
        std::weak_ptr<GDriveCallState> weak = weak_from_this();
        this->request =
            client->_engine.start(std::move(request), [weak, build, handler, refreshed, token](HttpResponse answer) {
                auto state = weak.lock();
                if (!state || state->done) return;
                if (answer.status == 401 && !refreshed) {
                    const OAuthClient& authorization = state->client->_authorization;
                    if (!authorization.isLinked()) {
                        // Another call's renewal was refused and the sign-in is gone: sending
                        // again would go without a token at all.
                        state->finish(GDriveError::httpStatus(401, "Not signed in to Google Drive."));
                    } else if (authorization.accessToken() != token) {
                        // Another call renewed it while this one was under way.
                        state->send(build, handler, true);
                    } else {
                        state->renewThenSend(build, handler);
                    }
                    return;
                }
                handler(answer);
            });
    }

    void renewThenSend(Build build, Handler handler)
    {
        std::weak_ptr<GDriveCallState> weak = weak_from_this();
        client->_authorization.refresh([weak, build, handler](const OAuthResult& result) {
            auto state = weak.lock();
            if (!state || state->done) return;
            if (!result.ok()) {
                state->finish(refreshFailure(result));
                return;
            }
            state->send(build, handler, true);
        });
    }

    void finish(const GDriveError& error)
    {
        if (done) return;
        done = true;
        called = true;
        auto complete = std::move(failure);
        failure = nullptr;
        auto releaseAll = std::move(release);
        release = nullptr;
        // The completion may end the call's owner, and this state with it: only locals from here.
        if (complete) complete(error);
        if (releaseAll) releaseAll();
    }

    // Marks the call over and drops what its completions hold, keeping the running one alive.
    void end()
    {
        done = true;
        called = true;
        failure = nullptr;
        if (release) release();
    }
};

GDriveCall& GDriveCall::operator=(GDriveCall&& other) noexcept
{
    if (this != &other) {
        cancel();
        _state = std::move(other._state);
    }
    return *this;
}

void GDriveCall::cancel()
{
    std::shared_ptr<GDriveCallState> state = std::move(_state);
    _state.reset();
    if (!state || state->done) return;
    state->done = true;
    state->request.cancel();
    state->timer.cancel();
    state->failure = nullptr;
    if (state->release) state->release();
}

bool GDriveCall::isPending() const
{
    return _state && !_state->done;
}

bool GDriveCall::hasCalledCallback() const
{
    return _state && _state->called;
}

GDriveClient::GDriveClient(HttpEngine& engine, OAuthClient& authorization, GDriveEndpoints endpoints)
    : _engine(engine), _authorization(authorization), _endpoints(std::move(endpoints)), _now(wallClock)
{
}

std::string GDriveClient::escapeQueryValue(const std::string& value)
{
    std::string escaped;
    for (char c : value) {
        if (c == '\\' || c == '\'') escaped += '\\';
        escaped += c;
    }
    return escaped;
}

std::string GDriveClient::fileObjectJson(const GDriveFileObject& file)
{
    json object = json::object();
    if (!file.id.empty()) object["id"] = file.id;
    if (file.name) object["name"] = *file.name;
    if (file.mimeType) object["mimeType"] = *file.mimeType;
    if (!file.parents.empty()) object["parents"] = file.parents;
    // Names come from the user: invalid UTF-8 is replaced rather than refused.
    return object.dump(-1, ' ', false, json::error_handler_t::replace);
}

namespace {

// A call's state with its typed completion: success and failure complete once and release both.
template <class Result>
std::shared_ptr<GDriveCallState> makeState(GDriveClient* client, GDriveClient::Completion<Result> completion,
                                           std::function<void(Result)>& succeed)
{
    auto state = std::make_shared<GDriveCallState>();
    state->client = client;
    auto shared = std::make_shared<GDriveClient::Completion<Result>>(std::move(completion));
    std::weak_ptr<GDriveCallState> weak = state;
    state->failure = [shared](const GDriveError& error) {
        auto completion = std::move(*shared);
        *shared = nullptr;
        GDriveResponse<Result> response;
        response.error = error;
        if (completion) completion(response);
    };
    succeed = [weak, shared](Result result) {
        auto state = weak.lock();
        if (!state || state->done) return;
        auto completion = std::move(*shared);
        state->end();
        GDriveResponse<Result> response;
        response.result = std::move(result);
        if (completion) completion(response);
    };
    state->release = [shared] { *shared = nullptr; };
    return state;
}

// The early failures: not signed in, an id that is no Drive id, an unreadable local file.
void failSoon(const std::shared_ptr<GDriveCallState>& state, GDriveError error)
{
    std::weak_ptr<GDriveCallState> weak = state;
    state->timer = performAfterDelay(0, [weak, error] {
        if (auto state = weak.lock()) state->finish(error);
    });
}

GDriveError notFound(const std::string& id)
{
    GDriveError error = GDriveError::httpStatus(404, "File not found.");
    error.structured = GDriveStructuredError{"File not found: " + id.substr(0, 64) + ".", 404, "notFound"};
    return error;
}

// Checks before any request: false when the call already failed.
bool mayStart(const std::shared_ptr<GDriveCallState>& state, OAuthClient& authorization,
              std::initializer_list<const std::string*> ids)
{
    for (const std::string* id : ids) {
        if (!GDriveAnswers::isValidId(*id)) {
            failSoon(state, notFound(*id));
            return false;
        }
    }
    if (!authorization.isLinked()) {
        failSoon(state, GDriveError::httpStatus(401, "Not signed in to Google Drive."));
        return false;
    }
    return true;
}

template <class Result>
using Reader = std::function<std::optional<Result>(const std::string& body, std::string& problem)>;

// The common ending of the one-request calls: a success read by the reader, or a failure.
template <class Result>
GDriveCallState::Handler readingHandler(std::weak_ptr<GDriveCallState> weak, std::function<void(Result)> succeed,
                                        Reader<Result> reader)
{
    return [weak, succeed, reader](const HttpResponse& answer) {
        auto state = weak.lock();
        if (!state) return;
        if (!isSuccess(answer.status) || answer.isTransportError()) {
            state->finish(GDriveError::fromResponse(answer));
            return;
        }
        std::string problem;
        auto result = reader(answer.body, problem);
        if (!result) {
            state->finish(GDriveError::other(problem));
            return;
        }
        succeed(std::move(*result));
    };
}

} // namespace

GDriveCall GDriveClient::getFile(const std::string& id, const std::string& fields,
                                 Completion<GDriveMetadata> completion)
{
    std::function<void(GDriveMetadata)> succeed;
    auto state = makeState<GDriveMetadata>(this, std::move(completion), succeed);
    if (!mayStart(state, _authorization, {&id})) return GDriveCall(state);
    const std::string url = _endpoints.api + "/drive/v3/files/" + OAuthClient::percentEncode(id) +
        queryString({{"fields", fields}, {"supportsAllDrives", "true"}});
    state->send([url] { return makeRequest("GET", url, true); },
                readingHandler<GDriveMetadata>(state, succeed, &GDriveAnswers::readFile));
    return GDriveCall(state);
}

GDriveCall GDriveClient::listFiles(const std::string& q, const std::string& fields,
                                   Completion<std::vector<GDriveMetadata>> completion)
{
    std::function<void(std::vector<GDriveMetadata>)> succeed;
    auto state = makeState<std::vector<GDriveMetadata>>(this, std::move(completion), succeed);
    if (!mayStart(state, _authorization, {})) return GDriveCall(state);
    // The fields of the files inside the list, and the token of the next page.
    const std::string listFields = "files(" + (fields.empty() ? std::string("*") : fields) + "),nextPageToken";
    const std::string base = _endpoints.api + "/drive/v3/files";
    auto collected = std::make_shared<std::vector<GDriveMetadata>>();
    auto seenTokens = std::make_shared<std::vector<std::string>>();
    auto page = std::make_shared<std::function<void(std::string)>>();
    std::weak_ptr<GDriveCallState> weak = state;
    *page = [weak, base, q, listFields, collected, seenTokens, succeed, page](std::string pageToken) {
        auto state = weak.lock();
        if (!state) return;
        const std::string url = base +
            queryString({{"q", q},
                         {"fields", listFields},
                         {"pageSize", std::to_string(ListPageSize)},
                         {"pageToken", pageToken}});
        std::weak_ptr<GDriveCallState> inner = weak;
        state->send([url] { return makeRequest("GET", url, true); },
                    [inner, collected, seenTokens, succeed, page](const HttpResponse& answer) {
                        auto state = inner.lock();
                        if (!state) return;
                        if (!isSuccess(answer.status) || answer.isTransportError()) {
                            state->finish(GDriveError::fromResponse(answer));
                            return;
                        }
                        std::string problem;
                        auto list = GDriveAnswers::readFileList(answer.body, problem);
                        if (!list) {
                            state->finish(GDriveError::other(problem));
                            return;
                        }
                        for (auto& file : list->files) collected->push_back(std::move(file));
                        if (list->nextPageToken.empty()) {
                            auto next = std::move(*page);
                            *page = nullptr;
                            succeed(std::move(*collected));
                            return;
                        }
                        // A server that hands out a token twice would page for ever.
                        if (std::find(seenTokens->begin(), seenTokens->end(), list->nextPageToken) !=
                            seenTokens->end()) {
                            state->finish(GDriveError::other("Google Drive repeated a page of a list."));
                            return;
                        }
                        seenTokens->push_back(list->nextPageToken);
                        (*page)(list->nextPageToken);
                    });
    };
    // The paging closure refers to itself: the call's release breaks the cycle.
    auto release = state->release;
    state->release = [release, page] {
        release();
        *page = nullptr;
    };
    (*page)(std::string());
    return GDriveCall(state);
}

GDriveCall GDriveClient::createFile(const GDriveFileObject& file, std::optional<GDriveUpload> upload,
                                    const std::string& fields, Completion<GDriveMetadata> completion)
{
    if (upload) {
        return startUpload("POST", "/upload/drive/v3/files", file, std::move(upload), fields, std::move(completion));
    }
    std::function<void(GDriveMetadata)> succeed;
    auto state = makeState<GDriveMetadata>(this, std::move(completion), succeed);
    if (!file.id.empty() && !mayStart(state, _authorization, {&file.id})) return GDriveCall(state);
    for (const std::string& parent : file.parents) {
        if (!mayStart(state, _authorization, {&parent})) return GDriveCall(state);
    }
    if (!mayStart(state, _authorization, {})) return GDriveCall(state);
    const std::string url = _endpoints.api + "/drive/v3/files" + queryString({{"fields", fields}});
    const std::string body = fileObjectJson(file);
    // A second create under the id given is refused as a duplicate; without one it makes a second item.
    const bool repeatable = !file.id.empty();
    state->send(
        [url, body, repeatable] {
            HttpRequest request = makeRequest("POST", url, repeatable);
            request.headers = {{"Content-Type", "application/json; charset=UTF-8"}};
            request.body = body;
            return request;
        },
        readingHandler<GDriveMetadata>(state, succeed, &GDriveAnswers::readFile));
    return GDriveCall(state);
}

GDriveCall GDriveClient::updateFile(const std::string& id, const GDriveFileObject& file, const std::string& addParents,
                                    const std::string& removeParents, std::optional<GDriveUpload> upload,
                                    const std::string& fields, Completion<GDriveMetadata> completion)
{
    std::vector<std::string> ids = {id};
    for (const std::string* list : {&addParents, &removeParents}) {
        size_t start = 0;
        while (!list->empty()) {
            size_t comma = list->find(',', start);
            ids.push_back(list->substr(start, comma == std::string::npos ? std::string::npos : comma - start));
            if (comma == std::string::npos) break;
            start = comma + 1;
        }
    }
    const std::string parameters = queryString({{"addParents", addParents}, {"removeParents", removeParents}});
    const std::string path = "/drive/v3/files/" + OAuthClient::percentEncode(id);
    if (upload) {
        return startUpload("PATCH", "/upload" + path + parameters, file, std::move(upload), fields,
                           std::move(completion), ids);
    }
    std::function<void(GDriveMetadata)> succeed;
    auto state = makeState<GDriveMetadata>(this, std::move(completion), succeed);
    for (const std::string& checked : ids) {
        if (!mayStart(state, _authorization, {&checked})) return GDriveCall(state);
    }
    if (!mayStart(state, _authorization, {})) return GDriveCall(state);
    GDriveFileObject object = file;
    object.id.clear();
    const std::string url = _endpoints.api + path + parameters + (parameters.empty() ? "?" : "&") +
        "fields=" + OAuthClient::percentEncode(fields);
    const std::string body = fileObjectJson(object);
    // A rename done twice renames once; a move's parents may have changed in between.
    const bool renameOnly = addParents.empty() && removeParents.empty();
    state->send(
        [url, body, renameOnly] {
            HttpRequest request = makeRequest("PATCH", url, renameOnly);
            request.headers = {{"Content-Type", "application/json; charset=UTF-8"}};
            request.body = body;
            return request;
        },
        readingHandler<GDriveMetadata>(state, succeed, &GDriveAnswers::readFile));
    return GDriveCall(state);
}

GDriveCall GDriveClient::deleteFile(const std::string& id, Completion<GDriveDone> completion)
{
    std::function<void(GDriveDone)> succeed;
    auto state = makeState<GDriveDone>(this, std::move(completion), succeed);
    if (!mayStart(state, _authorization, {&id})) return GDriveCall(state);
    const std::string url = _endpoints.api + "/drive/v3/files/" + OAuthClient::percentEncode(id);
    state->send([url] { return makeRequest("DELETE", url, true); },
                readingHandler<GDriveDone>(state, succeed, [](const std::string&, std::string&) {
                    return std::optional<GDriveDone>(GDriveDone{});
                }));
    return GDriveCall(state);
}

GDriveCall GDriveClient::generateIds(int count, Completion<std::vector<std::string>> completion)
{
    std::function<void(std::vector<std::string>)> succeed;
    auto state = makeState<std::vector<std::string>>(this, std::move(completion), succeed);
    if (!mayStart(state, _authorization, {})) return GDriveCall(state);
    // Drive hands out at most 1000 at a time.
    count = std::clamp(count, 1, 1000);
    const std::string url = _endpoints.api + "/drive/v3/files/generateIds" +
        queryString({{"count", std::to_string(count)}, {"space", "drive"}});
    state->send([url] { return makeRequest("GET", url, true); },
                readingHandler<std::vector<std::string>>(state, succeed, &GDriveAnswers::readGeneratedIds));
    return GDriveCall(state);
}

GDriveCall GDriveClient::download(const std::string& id, const std::string& name, const std::string& savePath,
                                  uint64_t maxBytes, Completion<GDriveDone> completion)
{
    std::function<void(GDriveDone)> succeed;
    auto state = makeState<GDriveDone>(this, std::move(completion), succeed);
    if (!mayStart(state, _authorization, {&id})) return GDriveCall(state);
    const std::string url = _endpoints.api + "/drive/v3/files/" + OAuthClient::percentEncode(id) + "?alt=media";
    std::weak_ptr<GDriveCallState> weak = state;
    state->send(
        [url, name, savePath, maxBytes] {
            HttpRequest request = makeRequest("GET", url, true);
            request.downloadPath = savePath;
            request.downloadName = name;
            boundAnswer(request, CloudAnswer::File);
            // Drive's size of the file: a body that ends short of it is a file cut short.
            if (maxBytes > 0)
                request.announcedDownloadBytes = [maxBytes](const HttpResponse&) {
                    return std::optional<uint64_t>(maxBytes);
                };
            return request;
        },
        [weak, succeed](const HttpResponse& answer) {
            auto state = weak.lock();
            if (!state) return;
            if (!isSuccess(answer.status) || answer.isTransportError() || answer.downloadedPath.empty()) {
                state->finish(GDriveError::fromResponse(answer));
                return;
            }
            succeed(GDriveDone{});
        });
    return GDriveCall(state);
}

GDriveCall GDriveClient::startUpload(std::string method, std::string path, const GDriveFileObject& file,
                                     std::optional<GDriveUpload> upload, const std::string& fields,
                                     Completion<GDriveMetadata> completion, std::vector<std::string> ids)
{
    std::function<void(GDriveMetadata)> succeed;
    auto state = makeState<GDriveMetadata>(this, std::move(completion), succeed);
    if (!file.id.empty()) ids.push_back(file.id);
    ids.insert(ids.end(), file.parents.begin(), file.parents.end());
    for (const std::string& checked : ids) {
        if (!mayStart(state, _authorization, {&checked})) return GDriveCall(state);
    }
    if (!mayStart(state, _authorization, {})) return GDriveCall(state);
    Error readError;
    auto bytes = readFileData(upload->localPath, MaximumCloudFileSize, &readError);
    if (!bytes) {
        std::string text = readError.failureReason.empty() ? readError.localizedDescription : readError.failureReason;
        failSoon(state, GDriveError::other(text.empty() ? "The file could not be read: " + upload->localPath : text));
        return GDriveCall(state);
    }
    auto content = std::make_shared<const std::string>(bytes->begin(), bytes->end());
    const std::string metadata = fileObjectJson(file);
    const std::string mimeType = upload->mimeType.empty() ? "application/octet-stream" : upload->mimeType;
    const std::string separator = path.find('?') == std::string::npos ? "?" : "&";
    const std::string fieldsParameter = "fields=" + OAuthClient::percentEncode(fields);
    // New content under an id of ours, or a file's content replaced, lands once however often it is
    // sent; a move of parents does not.
    const bool repeatable = method == "POST" ? !file.id.empty() : path.find("Parents=") == std::string::npos;
    std::weak_ptr<GDriveCallState> weak = state;

    if (content->size() <= MultipartLimit) {
        std::string boundary = "tarnwick_part_boundary";
        // The boundary must not occur inside the parts.
        for (int attempt = 0; content->find(boundary) != std::string::npos; ++attempt) {
            boundary = "tarnwick_part_" + std::to_string(std::rand()) + "_" + std::to_string(attempt);
        }
        std::string body = "--" + boundary + "\r\nContent-Type: application/json; charset=UTF-8\r\n\r\n" + metadata +
            "\r\n--" + boundary + "\r\nContent-Type: " + mimeType + "\r\n\r\n";
        body += *content;
        body += "\r\n--" + boundary + "--\r\n";
        auto shared = std::make_shared<const std::string>(std::move(body));
        const std::string url = _endpoints.upload + path + separator + "uploadType=multipart&" + fieldsParameter;
        state->send(
            [method, url, boundary, shared, repeatable] {
                HttpRequest request = makeRequest(method, url, repeatable);
                request.headers = {{"Content-Type", "multipart/related; boundary=" + boundary}};
                request.body = *shared;
                return request;
            },
            readingHandler<GDriveMetadata>(state, succeed, &GDriveAnswers::readFile));
        return GDriveCall(state);
    }

    // A resumable session: the metadata first, then the content in chunks to the session's
    // address; a dropped connection asks the session how far it got and goes on from there.
    const std::string url = _endpoints.upload + path + separator + "uploadType=resumable&" + fieldsParameter;
    const size_t chunkSize = std::max<size_t>(_chunkSize, 256 * 1024) / (256 * 1024) * (256 * 1024);
    auto sendChunk = std::make_shared<std::function<void(std::string, size_t, int)>>();
    *sendChunk = [weak, content, mimeType, chunkSize, succeed, sendChunk](std::string session, size_t offset,
                                                                          int resumes) {
        auto state = weak.lock();
        if (!state) return;
        const size_t total = content->size();
        const bool asking = offset == std::string::npos;
        const size_t end = asking ? 0 : std::min(offset + chunkSize, total);
        state->send(
            [session, content, offset, end, total, asking] {
                HttpRequest request = makeRequest("PUT", session, false);
                if (asking) {
                    request.headers = {{"Content-Range", "bytes */" + std::to_string(total)}};
                } else {
                    request.headers = {{"Content-Range",
                                        "bytes " + std::to_string(offset) + "-" + std::to_string(end - 1) + "/" +
                                            std::to_string(total)}};
                    request.body = content->substr(offset, end - offset);
                }
                return request;
            },
            [weak, session, end, total, resumes, succeed, sendChunk](const HttpResponse& answer) {
                auto state = weak.lock();
                if (!state) return;
                if (answer.isTransportError() || answer.status >= 500) {
                    // An answer longer than any Drive sends would come again as long.
                    if (resumes >= MaxResumes || answer.error == HttpTransportError::TooLarge) {
                        state->finish(GDriveError::fromResponse(answer));
                        return;
                    }
                    (*sendChunk)(session, std::string::npos, resumes + 1);
                    return;
                }
                if (answer.status == 308) {
                    const long long through = receivedThrough(answer.header("Range"));
                    const size_t next = through < 0 ? 0 : size_t(through + 1);
                    if (next > total) {
                        state->finish(GDriveError::other("Google Drive claims more of an upload than was sent."));
                        return;
                    }
                    (void)end;
                    (*sendChunk)(session, next, resumes);
                    return;
                }
                if (!isSuccess(answer.status)) {
                    state->finish(GDriveError::fromResponse(answer));
                    return;
                }
                std::string problem;
                auto metadata = GDriveAnswers::readFile(answer.body, problem);
                if (!metadata) {
                    state->finish(GDriveError::other(problem));
                    return;
                }
                *sendChunk = nullptr;
                succeed(std::move(*metadata));
            });
    };
    auto release = state->release;
    state->release = [release, sendChunk] {
        release();
        *sendChunk = nullptr;
    };
    const std::string total = std::to_string(content->size());
    state->send(
        [method, url, metadata, mimeType, total] {
            HttpRequest request = makeRequest(method, url, true);
            request.headers = {{"Content-Type", "application/json; charset=UTF-8"},
                               {"X-Upload-Content-Type", mimeType},
                               {"X-Upload-Content-Length", total}};
            request.body = metadata;
            return request;
        },
        [weak, sendChunk](const HttpResponse& answer) {
            auto state = weak.lock();
            if (!state) return;
            if (!isSuccess(answer.status) || answer.isTransportError()) {
                state->finish(GDriveError::fromResponse(answer));
                return;
            }
            const std::string session = answer.header("Location");
            if (session.empty() || !HttpEngine::isAllowedUrl(session)) {
                state->finish(GDriveError::other("Google Drive opened no usable upload session."));
                return;
            }
            (*sendChunk)(session, 0, 0);
        });
    return GDriveCall(state);
}
