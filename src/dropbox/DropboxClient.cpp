#include "dropbox/DropboxClient.h"

#include "cloud/AnswerBounds.h"
#include "cloud/CacheFiles.h"
#include "cloud/OAuthClient.h"
#include "dropbox/DropboxFileInfoCache.h"
#include "platform/FileUtils.h"
#include "platform/Localizer.h"
#include "platform/MainLoop.h"

#include <nlohmann/json.hpp>

#include <cerrno>
#include <cstdio>

using nlohmann::json;

struct DropboxClient::Route {
    std::string name;
    std::string url;
    std::string argument;
    bool content = false;
    std::string body;
    std::string downloadPath;
    std::string downloadName;
    // Sent again after a failure on the service's side: the call does no harm when it arrives
    // twice. A read; an upload, which the service stores once when its bytes are already there; a
    // deletion, whose repeat finds the item gone as wanted. Not a move or a new folder, whose
    // repeat would fail or make a second one.
    bool repeatable = false;
    // What a success answers: a JSON document, or a download's file.
    CloudAnswer answer = CloudAnswer::Document;
    std::function<std::optional<uint64_t>(const HttpResponse&)> announcedBytes;
};

struct DropboxCallState {
    HttpRequestHandle request;
    DelayedPerform early;
    bool done = false;
    bool refreshed = false;
    // Drops the completion and whatever it holds.
    std::function<void()> release;
};

namespace {

std::string dumpArgument(const json& argument)
{
    // The header is ASCII: everything else goes as \uXXXX, DEL included.
    std::string text = argument.dump(-1, ' ', true);
    std::string escaped;
    for (char c : text) {
        if (c == '\x7f') {
            escaped += "\\u007f";
        } else {
            escaped += c;
        }
    }
    return escaped;
}

DropboxNetworkError networkError(long status, HttpTransportError transport, std::string content, bool auth = false)
{
    DropboxNetworkError error;
    error.status = status;
    error.transport = transport;
    error.content = std::move(content);
    error.authError = auth;
    return error;
}

// What the user reads of a failure on the service's side, and of the tries that went before it.
std::string serverFailureText(const HttpResponse& answer)
{
    const std::string status = std::to_string(answer.status);
    if (answer.retries <= 0) return formatText(localized("db_server_error"), {status});
    return formatText(localized("db_server_error_retried"), {status, std::to_string(answer.retries + 1)});
}

// Fills the response's error from an answer that is not a success; false for a success.
template <class Result> bool takeFailure(const HttpResponse& answer, DropboxResponse<Result>& response)
{
    if (answer.isTransportError()) {
        response.networkError = networkError(0, answer.error, answer.errorText);
        return true;
    }
    if (answer.status == 200) return false;
    if (answer.status == 401) {
        std::string problem;
        auto error = DropboxAnswers::readRouteError(answer.body, problem);
        response.networkError = networkError(401, HttpTransportError::None,
                                             error ? error->summary : "The sign-in is no longer valid.", true);
        return true;
    }
    if (answer.status == 409) {
        std::string problem;
        if (auto error = DropboxAnswers::readRouteError(answer.body, problem)) {
            response.routeError = std::move(*error);
        } else {
            response.networkError = networkError(409, HttpTransportError::None, problem);
        }
        return true;
    }
    if (answer.status == 400) {
        response.networkError = networkError(400, HttpTransportError::None, answer.body);
        return true;
    }
    response.networkError = networkError(answer.status, HttpTransportError::None, serverFailureText(answer));
    return true;
}

template <class Result> using Reader = std::function<std::optional<Result>(const HttpResponse&, std::string& problem)>;

// The finishing step of a call: classify, read the result, complete once.
template <class Result>
std::function<void(const HttpResponse&, DropboxCallState&)> finisher(DropboxClient::Completion<Result> completion,
                                                                     Reader<Result> reader)
{
    auto shared = std::make_shared<DropboxClient::Completion<Result>>(std::move(completion));
    return [shared, reader](const HttpResponse& answer, DropboxCallState& state) {
        DropboxResponse<Result> response;
        if (!takeFailure(answer, response)) {
            std::string problem;
            if (auto result = reader(answer, problem)) {
                response.result = std::move(*result);
            } else {
                response.networkError = networkError(answer.status, HttpTransportError::None, problem);
            }
        }
        state.done = true;
        auto completion = std::move(*shared);
        *shared = nullptr;
        if (completion) completion(response);
    };
}

template <class Result>
std::function<void(const HttpResponse&, DropboxCallState&)> finisher(DropboxClient::Completion<Result> completion,
                                                                     std::optional<Result> (*reader)(const std::string&,
                                                                                                     std::string&))
{
    return finisher<Result>(std::move(completion), [reader](const HttpResponse& answer, std::string& problem) {
        return reader(answer.body, problem);
    });
}

// What Dropbox itself answers a call made without an account.
HttpResponse notLinkedAnswer()
{
    HttpResponse answer;
    answer.status = 401;
    answer.body = R"({"error_summary":"not_linked/","error":{".tag":"not_linked"}})";
    return answer;
}

} // namespace

DropboxCall& DropboxCall::operator=(DropboxCall&& other) noexcept
{
    if (this != &other) {
        cancel();
        _state = std::move(other._state);
    }
    return *this;
}

void DropboxCall::cancel()
{
    std::shared_ptr<DropboxCallState> state = std::move(_state);
    _state.reset();
    if (!state || state->done) return;
    state->done = true;
    state->request.cancel();
    state->early.cancel();
    if (state->release) state->release();
}

bool DropboxCall::isPending() const
{
    return _state && !_state->done;
}

DropboxClient::DropboxClient(HttpEngine& engine, OAuthClient& authorization, DropboxEndpoints endpoints)
    : _engine(engine), _authorization(authorization), _endpoints(std::move(endpoints))
{
}

std::string DropboxClient::normalizePath(const std::string& path)
{
    std::string normal = path;
    while (!normal.empty() && normal.back() == '/') normal.pop_back();
    if (!normal.empty() && normal[0] != '/' && normal.rfind("id:", 0) != 0) normal.insert(normal.begin(), '/');
    return normal;
}

std::string DropboxClient::headerArgument(const std::string& text)
{
    json argument = json::parse(text, nullptr, false);
    if (argument.is_discarded()) return {};
    return dumpArgument(argument);
}

DropboxCall DropboxClient::start(Route route, std::function<void(const HttpResponse&, DropboxCallState&)> finish)
{
    auto state = std::make_shared<DropboxCallState>();
    auto finishShared =
        std::make_shared<std::function<void(const HttpResponse&, DropboxCallState&)>>(std::move(finish));
    state->release = [finishShared] { *finishShared = nullptr; };
    std::weak_ptr<DropboxCallState> weak = state;
    auto fail = [weak, finishShared](HttpResponse answer) {
        auto state = weak.lock();
        if (!state || state->done || !*finishShared) return;
        (*finishShared)(answer, *state);
    };
    if (!_authorization.isLinked()) {
        state->early = performAfterDelay(0, [fail] { fail(notLinkedAnswer()); });
        return DropboxCall(state);
    }
    auto routeShared = std::make_shared<Route>(std::move(route));
    auto send = std::make_shared<std::function<void()>>();
    *send = [this, weak, routeShared, finishShared, send] {
        auto state = weak.lock();
        if (!state || state->done) return;
        HttpRequest request;
        request.method = "POST";
        request.url = routeShared->url;
        request.retryServerErrors = routeShared->repeatable;
        boundAnswer(request, routeShared->answer);
        const std::string token = _authorization.accessToken();
        request.headers = {{"Authorization", "Bearer " + token}};
        if (routeShared->content) {
            request.headers.emplace_back("Dropbox-API-Arg", routeShared->argument);
            // A download has no body, and so no type for one.
            request.headers.emplace_back("Content-Type",
                                         routeShared->downloadPath.empty() ? "application/octet-stream" : "");
            request.body = routeShared->body;
            request.downloadPath = routeShared->downloadPath;
            request.downloadName = routeShared->downloadName;
            request.announcedDownloadBytes = routeShared->announcedBytes;
        } else {
            request.headers.emplace_back("Content-Type", "application/json");
            request.body = routeShared->argument;
        }
        state->request =
            _engine.start(std::move(request), [this, weak, finishShared, send, token](HttpResponse answer) {
                auto state = weak.lock();
                if (!state || state->done) return;
                if (answer.status == 401 && !state->refreshed &&
                    DropboxAnswers::readAuthErrorTag(answer.body) == "expired_access_token") {
                    // Access tokens run out every few hours: renew once and send once more.
                    state->refreshed = true;
                    if (_authorization.accessToken() != token) {
                        if (!_authorization.isLinked()) {
                            // Another call's renewal was refused and the sign-in is gone: sending
                            // again would go without a token at all.
                            (*finishShared)(notLinkedAnswer(), *state);
                            *send = nullptr;
                            return;
                        }
                        // Another call renewed it while this one was under way.
                        (*send)();
                        return;
                    }
                    _authorization.refresh([weak, finishShared, send](const OAuthResult& result) {
                        auto state = weak.lock();
                        if (!state || state->done) return;
                        if (result.ok()) {
                            (*send)();
                            return;
                        }
                        HttpResponse failed;
                        if (result.status == OAuthStatus::NetworkError) {
                            failed.error = HttpTransportError::Other;
                            failed.errorText = result.message;
                        } else {
                            failed.status = 401;
                            failed.body =
                                json{{"error_summary", result.message}, {"error", {{".tag", "invalid_grant"}}}}.dump();
                        }
                        (*finishShared)(failed, *state);
                        // The retry closure refers to itself; the call is over.
                        *send = nullptr;
                    });
                    return;
                }
                (*finishShared)(answer, *state);
                *send = nullptr;
            });
    };
    state->release = [finishShared, send] {
        *finishShared = nullptr;
        *send = nullptr;
    };
    (*send)();
    return DropboxCall(state);
}

DropboxCall DropboxClient::getMetadata(const std::string& path, Completion<DropboxMetadata> completion)
{
    Route route{"files/get_metadata", _endpoints.api + "/2/files/get_metadata",
                json{{"path", normalizePath(path)}}.dump()};
    route.repeatable = true;
    return start(std::move(route), finisher<DropboxMetadata>(std::move(completion), &DropboxAnswers::readMetadata));
}

DropboxCall DropboxClient::listFolder(const std::string& path, Completion<DropboxListing> completion)
{
    Route route{"files/list_folder", _endpoints.api + "/2/files/list_folder",
                json{{"path", normalizePath(path)}, {"recursive", false}}.dump()};
    route.repeatable = true;
    return start(std::move(route), finisher<DropboxListing>(std::move(completion), &DropboxAnswers::readListing));
}

DropboxCall DropboxClient::listFolderContinue(const std::string& cursor, Completion<DropboxListing> completion)
{
    Route route{"files/list_folder/continue", _endpoints.api + "/2/files/list_folder/continue",
                json{{"cursor", cursor}}.dump()};
    route.repeatable = true;
    return start(std::move(route), finisher<DropboxListing>(std::move(completion), &DropboxAnswers::readListing));
}

DropboxCall DropboxClient::search(const std::string& path, const std::string& query,
                                  Completion<DropboxSearchPage> completion)
{
    json options = {{"filename_only", true}, {"max_results", 1000}};
    // The whole account unless a folder is named.
    if (!normalizePath(path).empty()) options["path"] = normalizePath(path);
    Route route{"files/search_v2", _endpoints.api + "/2/files/search_v2",
                json{{"query", query}, {"options", options}}.dump()};
    route.repeatable = true;
    return start(std::move(route), finisher<DropboxSearchPage>(std::move(completion), &DropboxAnswers::readSearchPage));
}

DropboxCall DropboxClient::searchContinue(const std::string& cursor, Completion<DropboxSearchPage> completion)
{
    Route route{"files/search/continue_v2", _endpoints.api + "/2/files/search/continue_v2",
                json{{"cursor", cursor}}.dump()};
    route.repeatable = true;
    return start(std::move(route), finisher<DropboxSearchPage>(std::move(completion), &DropboxAnswers::readSearchPage));
}

std::optional<DropboxUploadContents> DropboxClient::readUploadContents(const std::string& localFile,
                                                                       std::string& problem)
{
    DropboxUploadContents contents;
    contents.modificationDate = fileModificationDate(localFile);
    Error readError;
    auto bytes = readFileData(localFile, MaximumCloudFileSize, &readError);
    if (!bytes) {
        problem = readError.failureReason.empty() ? readError.localizedDescription : readError.failureReason;
        if (problem.empty()) problem = "The file could not be read: " + localFile;
        return std::nullopt;
    }
    contents.bytes.assign(bytes->begin(), bytes->end());
    return contents;
}

DropboxCall DropboxClient::upload(const std::string& path, const DropboxWriteMode& mode, bool autorename,
                                  const std::string& localFile, Completion<DropboxMetadata> completion)
{
    std::string problem;
    auto contents = readUploadContents(localFile, problem);
    if (contents) return upload(path, mode, autorename, std::move(*contents), std::move(completion));
    auto finish = finisher<DropboxMetadata>(std::move(completion), &DropboxAnswers::readMetadata);
    auto state = std::make_shared<DropboxCallState>();
    state->early = performAfterDelay(0, [weak = std::weak_ptr<DropboxCallState>(state), finish, problem] {
        auto state = weak.lock();
        if (!state || state->done) return;
        HttpResponse answer;
        answer.error = HttpTransportError::Other;
        answer.errorText = problem;
        finish(answer, *state);
    });
    state->release = [] {};
    return DropboxCall(state);
}

DropboxCall DropboxClient::upload(const std::string& path, const DropboxWriteMode& mode, bool autorename,
                                  DropboxUploadContents contents, Completion<DropboxMetadata> completion)
{
    json argument = {{"path", normalizePath(path)}, {"autorename", autorename}, {"mute", false}};
    if (mode.updateRev.empty()) {
        argument["mode"] = "add";
    } else {
        argument["mode"] = {{".tag", "update"}, {"update", mode.updateRev}};
    }
    Route route{"files/upload", _endpoints.content + "/2/files/upload", dumpArgument(argument), true,
                std::move(contents.bytes)};
    route.repeatable = true;
    return start(std::move(route), finisher<DropboxMetadata>(std::move(completion), &DropboxAnswers::readMetadata));
}

DropboxCall DropboxClient::download(const std::string& path, const std::string& localFile,
                                    Completion<DropboxMetadata> completion)
{
    const std::string partial = localFile + ".download";
    Route route{"files/download",
                _endpoints.content + "/2/files/download",
                dumpArgument(json{{"path", normalizePath(path)}}),
                true,
                {},
                partial};
    route.repeatable = true;
    route.answer = CloudAnswer::File;
    // The file's metadata comes in the header: its body is no longer than the size said there.
    route.announcedBytes = [](const HttpResponse& answer) -> std::optional<uint64_t> {
        std::string problem;
        const auto metadata = DropboxAnswers::readMetadata(answer.header("Dropbox-API-Result"), problem);
        if (!metadata || metadata->isFolder) return std::nullopt;
        return metadata->size;
    };
    // The file as the user knows it: its name on the service, not the cache's temporary one.
    const size_t slash = path.find_last_of('/');
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    route.downloadName = name;
    Reader<DropboxMetadata> reader = [partial, localFile, name](const HttpResponse& answer, std::string& problem) {
        auto metadata = DropboxAnswers::readMetadata(answer.header("Dropbox-API-Result"), problem);
        if (metadata && metadata->isFolder) {
            problem = "The file service sent a folder as a download.";
            metadata.reset();
        }
        if (!metadata) {
            std::remove(partial.c_str());
            return metadata;
        }
        if (std::rename(partial.c_str(), localFile.c_str()) != 0) {
            problem = HttpEngine::fileWriteFailureText(name, errno);
            std::remove(partial.c_str());
            return std::optional<DropboxMetadata>();
        }
        return metadata;
    };
    return start(std::move(route), finisher<DropboxMetadata>(std::move(completion), reader));
}

DropboxCall DropboxClient::deleteItem(const std::string& path, Completion<DropboxMetadata> completion)
{
    Route route{"files/delete_v2", _endpoints.api + "/2/files/delete_v2", json{{"path", normalizePath(path)}}.dump()};
    route.repeatable = true;
    return start(std::move(route),
                 finisher<DropboxMetadata>(std::move(completion), &DropboxAnswers::readWrappedMetadata));
}

DropboxCall DropboxClient::move(const std::string& fromPath, const std::string& toPath, bool autorename,
                                Completion<DropboxMetadata> completion)
{
    Route route{
        "files/move_v2", _endpoints.api + "/2/files/move_v2",
        json{{"from_path", normalizePath(fromPath)}, {"to_path", normalizePath(toPath)}, {"autorename", autorename}}
            .dump()};
    return start(std::move(route),
                 finisher<DropboxMetadata>(std::move(completion), &DropboxAnswers::readWrappedMetadata));
}

DropboxCall DropboxClient::createFolder(const std::string& path, bool autorename,
                                        Completion<DropboxMetadata> completion)
{
    Route route{"files/create_folder_v2", _endpoints.api + "/2/files/create_folder_v2",
                json{{"path", normalizePath(path)}, {"autorename", autorename}}.dump()};
    return start(std::move(route),
                 finisher<DropboxMetadata>(std::move(completion), &DropboxAnswers::readWrappedMetadata));
}
