#include "platform/HttpEngine.h"

#include "platform/CurlLibrary.h"
#include "platform/Localizer.h"
#include "platform/Scheduler.h"

#include <glib-unix.h>
#include <glib.h>
#include <strings.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <iterator>
#include <unordered_map>

struct HttpTransfer {
    HttpEngine::Impl* engine = nullptr;
    HttpRequest request;
    HttpCompletion completion;
    CURL* easy = nullptr;
    curl_slist* headerList = nullptr;
    HttpResponse response;
    FILE* downloadFile = nullptr;
    std::string downloadTempPath;
    // The system's error code of a write into the download file that failed; 0 while none did.
    int downloadWriteError = 0;
    uint64_t downloadedBytes = 0;
    // The most the download's file takes: the request's bound, or less when the answer says so.
    uint64_t downloadBound = 0;
    uint64_t headerBytes = 0;
    // The bound the answer ran past (header, body or download), 0 while none.
    uint64_t passedBound = 0;
    // The length the answer announced for a successful download's body, by the service's own word
    // or else by its Content-Length, once the download has begun.
    std::optional<uint64_t> announcedBytes;
    int retries = 0;
    double retryWaited = 0;
    guint waitSource = 0;
    ScheduledCall retryCall;
    bool done = false;
    char errorBuffer[CURL_ERROR_SIZE] = {};

    bool openDownload();
    void readAnnouncedLength();
    bool cameShort() const { return downloadFile && announcedBytes && downloadedBytes < *announcedBytes; }
    void closeDownload(bool keep);
    void failedWrite();
    std::string downloadWriteFailureText() const;
    std::string tooLargeText() const;
    std::string shortText() const;
    void releaseEasy();
};

namespace {

bool isLoopbackHost(std::string host)
{
    std::transform(host.begin(), host.end(), host.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    if (host == "localhost" || host == "[::1]" || host == "::1") return true;
    // The whole 127.0.0.0/8 block is this machine.
    if (host.rfind("127.", 0) != 0) return false;
    return std::all_of(host.begin(), host.end(), [](char c) { return (c >= '0' && c <= '9') || c == '.'; });
}

struct UrlParts {
    std::string scheme;
    std::string host;
};

bool splitUrl(const std::string& url, UrlParts& parts)
{
    const CurlLibrary* lib = CurlLibrary::get();
    if (!lib) return false;
    CURLU* handle = lib->url();
    if (!handle) return false;
    bool ok = lib->urlSet(handle, CURLUPART_URL, url.c_str(), 0) == CURLUE_OK;
    char* scheme = nullptr;
    char* host = nullptr;
    ok = ok && lib->urlGet(handle, CURLUPART_SCHEME, &scheme, 0) == CURLUE_OK;
    ok = ok && lib->urlGet(handle, CURLUPART_HOST, &host, 0) == CURLUE_OK;
    if (ok) {
        parts.scheme = scheme;
        parts.host = host;
        std::transform(parts.scheme.begin(), parts.scheme.end(), parts.scheme.begin(),
                       [](unsigned char c) { return char(std::tolower(c)); });
    }
    lib->free(scheme);
    lib->free(host);
    lib->urlCleanup(handle);
    return ok;
}

HttpTransportError classify(CURLcode code)
{
    switch (code) {
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_RESOLVE_PROXY:
    case CURLE_COULDNT_CONNECT:
        return HttpTransportError::Offline;
    case CURLE_OPERATION_TIMEDOUT:
        return HttpTransportError::TimedOut;
    default:
        return HttpTransportError::Other;
    }
}

// "Sun, 06 Nov 1994 08:49:37 GMT" as seconds since 1970, read the same in every locale.
std::optional<double> parseHttpDate(const std::string& text)
{
    static const char* months[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    char month[4] = {};
    int day = 0, year = 0, hour = 0, minute = 0, second = 0, consumed = 0;
    const size_t comma = text.find(", ");
    if (comma == std::string::npos) return std::nullopt;
    const std::string rest = text.substr(comma + 2);
    if (std::sscanf(rest.c_str(), "%2d %3c %4d %2d:%2d:%2d GMT%n", &day, month, &year, &hour, &minute, &second,
                    &consumed) != 6 ||
        consumed != int(rest.size())) {
        return std::nullopt;
    }
    const auto found = std::find_if(std::begin(months), std::end(months),
                                    [&](const char* name) { return std::strncmp(name, month, 3) == 0; });
    if (found == std::end(months) || day < 1 || day > 31 || hour > 23 || minute > 59 || second > 60 || year < 1970)
        return std::nullopt;
    tm parts{};
    parts.tm_year = year - 1900;
    parts.tm_mon = int(found - std::begin(months));
    parts.tm_mday = day;
    parts.tm_hour = hour;
    parts.tm_min = minute;
    parts.tm_sec = second;
    return double(timegm(&parts));
}

double systemRandom()
{
    return g_random_double();
}

double wallClock()
{
    return double(g_get_real_time()) / 1e6;
}

} // namespace

std::string HttpResponse::header(const std::string& name) const
{
    for (const auto& [key, value] : headers) {
        if (key.size() == name.size() && strcasecmp(key.c_str(), name.c_str()) == 0) return value;
    }
    return {};
}

void HttpTransfer::closeDownload(bool keep)
{
    if (!downloadFile) return;
    // What is thrown away need not reach the disk first.
    if (keep && (std::fflush(downloadFile) != 0 || fsync(fileno(downloadFile)) != 0)) failedWrite();
    if (std::fclose(downloadFile) != 0) failedWrite();
    downloadFile = nullptr;
    if (keep && downloadWriteError == 0 && std::rename(downloadTempPath.c_str(), request.downloadPath.c_str()) != 0)
        failedWrite();
    if (keep && downloadWriteError == 0) {
        response.downloadedPath = request.downloadPath;
    } else {
        std::remove(downloadTempPath.c_str());
        if (keep && response.error == HttpTransportError::None) {
            response.error = HttpTransportError::Other;
            response.errorText = downloadWriteFailureText();
        }
    }
    downloadTempPath.clear();
}

void HttpTransfer::failedWrite()
{
    // A short write without a reason is the disk's doing all the same.
    if (downloadWriteError == 0) downloadWriteError = errno != 0 ? errno : EIO;
}

std::string HttpTransfer::downloadWriteFailureText() const
{
    const std::string& path = request.downloadPath;
    const std::string name = !request.downloadName.empty() ? request.downloadName : path.substr(path.rfind('/') + 1);
    return HttpEngine::fileWriteFailureText(name, downloadWriteError);
}

std::string HttpTransfer::shortText() const
{
    const std::string& path = request.downloadPath;
    const std::string name = !request.downloadName.empty() ? request.downloadName : path.substr(path.rfind('/') + 1);
    // Exact counts as well: a file one byte short reads the same as a whole one when rounded.
    const auto format = GFormatSizeFlags(G_FORMAT_SIZE_IEC_UNITS | G_FORMAT_SIZE_LONG_FORMAT);
    gchar* announced = g_format_size_full(announcedBytes.value_or(0), format);
    gchar* arrived = g_format_size_full(downloadedBytes, format);
    std::string text = localizedFormat("http_download_short", {name, announced, arrived});
    g_free(announced);
    g_free(arrived);
    return text;
}

void HttpTransfer::readAnnouncedLength()
{
    announcedBytes.reset();
    if (request.announcedDownloadBytes) announcedBytes = request.announcedDownloadBytes(response);
    // A coded body's length is not the file's.
    const std::string coding = response.header("Content-Encoding");
    if (!announcedBytes && (coding.empty() || strcasecmp(coding.c_str(), "identity") == 0)) {
        const std::string length = response.header("Content-Length");
        char* end = nullptr;
        errno = 0;
        const unsigned long long value = length.empty() ? 0 : std::strtoull(length.c_str(), &end, 10);
        if (!length.empty() && errno == 0 && end && *end == '\0' && std::isdigit((unsigned char)length[0]))
            announcedBytes = value;
    }
    if (announcedBytes) downloadBound = std::min(downloadBound, *announcedBytes);
}

std::string HttpTransfer::tooLargeText() const
{
    gchar* size = g_format_size_full(passedBound, G_FORMAT_SIZE_IEC_UNITS);
    std::string text;
    if (downloadFile) {
        const std::string& path = request.downloadPath;
        const std::string name =
            !request.downloadName.empty() ? request.downloadName : path.substr(path.rfind('/') + 1);
        text = localizedFormat("http_download_too_large", {name, size});
    } else {
        text = localizedFormat("http_answer_too_large", {size});
    }
    g_free(size);
    return text;
}

void HttpTransfer::releaseEasy()
{
    // A handle exists only once the library was loaded.
    if (easy) CurlLibrary::get()->easyCleanup(easy);
    easy = nullptr;
    if (headerList) CurlLibrary::get()->slistFreeAll(headerList);
    headerList = nullptr;
}

struct HttpEngine::Impl {
    HttpEngineTiming timing;
    // Nothing without the library: every request then ends with the reason.
    const CurlLibrary* lib = CurlLibrary::get();
    CURLM* multi = nullptr;
    guint timerSource = 0;
    struct SocketWatch {
        Impl* impl;
        curl_socket_t fd;
        guint source = 0;
    };
    std::unordered_map<curl_socket_t, std::unique_ptr<SocketWatch>> sockets;
    std::unordered_map<CURL*, std::shared_ptr<HttpTransfer>> running;
    // Transfers waiting for a retry or for the delivery of an early failure.
    std::vector<std::shared_ptr<HttpTransfer>> waiting;
    std::shared_ptr<bool> alive = std::make_shared<bool>(true);

    explicit Impl(HttpEngineTiming timingGiven) : timing(std::move(timingGiven))
    {
        if (!timing.random) timing.random = systemRandom;
        if (!lib) return;
        multi = lib->multiInit();
        lib->multiSetopt(multi, CURLMOPT_SOCKETFUNCTION, &Impl::socketCallback);
        lib->multiSetopt(multi, CURLMOPT_SOCKETDATA, this);
        lib->multiSetopt(multi, CURLMOPT_TIMERFUNCTION, &Impl::timerCallback);
        lib->multiSetopt(multi, CURLMOPT_TIMERDATA, this);
    }

    ~Impl()
    {
        *alive = false;
        for (auto& [easy, transfer] : running) {
            lib->multiRemoveHandle(multi, easy);
            transfer->engine = nullptr;
            transfer->closeDownload(false);
            transfer->releaseEasy();
            transfer->completion = nullptr;
        }
        running.clear();
        for (auto& transfer : waiting) {
            if (transfer->waitSource) g_source_remove(transfer->waitSource);
            transfer->waitSource = 0;
            transfer->retryCall.cancel();
            transfer->engine = nullptr;
            transfer->completion = nullptr;
        }
        waiting.clear();
        for (auto& [fd, watch] : sockets) {
            if (watch->source) g_source_remove(watch->source);
        }
        sockets.clear();
        if (timerSource) g_source_remove(timerSource);
        if (multi) lib->multiCleanup(multi);
    }

    static int socketCallback(CURL*, curl_socket_t fd, int what, void* userp, void*)
    {
        auto* impl = static_cast<Impl*>(userp);
        auto it = impl->sockets.find(fd);
        if (what == CURL_POLL_REMOVE) {
            if (it != impl->sockets.end()) {
                if (it->second->source) g_source_remove(it->second->source);
                impl->sockets.erase(it);
            }
            return 0;
        }
        if (it == impl->sockets.end()) {
            it = impl->sockets.emplace(fd, std::make_unique<SocketWatch>(SocketWatch{impl, fd, 0})).first;
        }
        SocketWatch* watch = it->second.get();
        if (watch->source) g_source_remove(watch->source);
        unsigned condition = G_IO_ERR | G_IO_HUP;
        if (what & CURL_POLL_IN) condition |= G_IO_IN;
        if (what & CURL_POLL_OUT) condition |= G_IO_OUT;
        watch->source = g_unix_fd_add(fd, GIOCondition(condition), &Impl::socketReady, watch);
        return 0;
    }

    static gboolean socketReady(gint fd, GIOCondition condition, gpointer data)
    {
        // curl may drop this watch while it acts; only locals are used afterwards.
        Impl* impl = static_cast<SocketWatch*>(data)->impl;
        int action = 0;
        if (condition & G_IO_IN) action |= CURL_CSELECT_IN;
        if (condition & G_IO_OUT) action |= CURL_CSELECT_OUT;
        if (condition & (G_IO_ERR | G_IO_HUP)) action |= CURL_CSELECT_ERR;
        int runningCount = 0;
        impl->lib->multiSocketAction(impl->multi, fd, action, &runningCount);
        impl->finishDone();
        return G_SOURCE_CONTINUE;
    }

    static int timerCallback(CURLM*, long timeoutMs, void* userp)
    {
        auto* impl = static_cast<Impl*>(userp);
        if (impl->timerSource) g_source_remove(impl->timerSource);
        impl->timerSource = 0;
        if (timeoutMs >= 0) impl->timerSource = g_timeout_add(guint(timeoutMs), &Impl::timerFired, impl);
        return 0;
    }

    static gboolean timerFired(gpointer data)
    {
        auto* impl = static_cast<Impl*>(data);
        impl->timerSource = 0;
        int runningCount = 0;
        impl->lib->multiSocketAction(impl->multi, CURL_SOCKET_TIMEOUT, 0, &runningCount);
        impl->finishDone();
        return G_SOURCE_REMOVE;
    }

    static size_t headerReceived(char* data, size_t size, size_t count, void* userp)
    {
        auto* transfer = static_cast<HttpTransfer*>(userp);
        transfer->headerBytes += size * count;
        if (transfer->headerBytes > HttpEngine::MaxHeaderBytes) {
            transfer->passedBound = HttpEngine::MaxHeaderBytes;
            return 0;
        }
        std::string line(data, size * count);
        while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
        if (line.rfind("HTTP/", 0) == 0) {
            // A new status line: an interim answer (100 Continue) came before.
            transfer->response.headers.clear();
        } else if (auto colon = line.find(':'); colon != std::string::npos) {
            std::string value = line.substr(colon + 1);
            size_t first = value.find_first_not_of(" \t");
            value = first == std::string::npos ? std::string() : value.substr(first);
            while (!value.empty() && (value.back() == ' ' || value.back() == '\t')) value.pop_back();
            transfer->response.headers.emplace_back(line.substr(0, colon), value);
        }
        return size * count;
    }

    static size_t bodyReceived(char* data, size_t size, size_t count, void* userp)
    {
        auto* transfer = static_cast<HttpTransfer*>(userp);
        size_t bytes = size * count;
        if (!transfer->request.downloadPath.empty() && !transfer->downloadFile && transfer->downloadTempPath.empty()) {
            long status = 0;
            CurlLibrary::get()->easyGetinfo(transfer->easy, CURLINFO_RESPONSE_CODE, &status);
            if (status >= 200 && status < 300 && !transfer->openDownload()) return 0;
            if (transfer->downloadFile) transfer->readAnnouncedLength();
        }
        // Returning less than was handed over stops the transfer: nothing more is read.
        if (transfer->downloadFile) {
            transfer->downloadedBytes += bytes;
            if (transfer->downloadedBytes > transfer->downloadBound) {
                transfer->passedBound = transfer->downloadBound;
                return 0;
            }
            if (std::fwrite(data, 1, bytes, transfer->downloadFile) != bytes) {
                transfer->failedWrite();
                return 0;
            }
        } else {
            if (bytes > transfer->request.maxBodyBytes -
                    std::min<uint64_t>(transfer->response.body.size(), transfer->request.maxBodyBytes)) {
                transfer->passedBound = transfer->request.maxBodyBytes;
                return 0;
            }
            transfer->response.body.append(data, bytes);
        }
        return bytes;
    }

    bool setUp(HttpTransfer& transfer)
    {
        const HttpRequest& request = transfer.request;
        transfer.response = HttpResponse();
        transfer.downloadedBytes = 0;
        transfer.downloadBound = request.maxDownloadBytes;
        transfer.headerBytes = 0;
        transfer.passedBound = 0;
        transfer.easy = lib->easyInit();
        if (!transfer.easy) return false;
        CURL* easy = transfer.easy;
        lib->easySetopt(easy, CURLOPT_URL, request.url.c_str());
        lib->easySetopt(easy, CURLOPT_PRIVATE, &transfer);
        lib->easySetopt(easy, CURLOPT_NOSIGNAL, 1L);
        lib->easySetopt(easy, CURLOPT_PROTOCOLS_STR, "http,https");
        lib->easySetopt(easy, CURLOPT_FOLLOWLOCATION, 0L);
        lib->easySetopt(easy, CURLOPT_SSL_VERIFYPEER, 1L);
        lib->easySetopt(easy, CURLOPT_SSL_VERIFYHOST, 2L);
        lib->easySetopt(easy, CURLOPT_ERRORBUFFER, transfer.errorBuffer);
        lib->easySetopt(easy, CURLOPT_CONNECTTIMEOUT_MS, long(std::max(request.connectTimeoutSeconds, 0.001) * 1000));
        lib->easySetopt(easy, CURLOPT_LOW_SPEED_LIMIT, request.lowSpeedBytes);
        lib->easySetopt(easy, CURLOPT_LOW_SPEED_TIME, request.lowSpeedSeconds);
        if (request.timeoutSeconds > 0) {
            lib->easySetopt(easy, CURLOPT_TIMEOUT_MS, long(request.timeoutSeconds * 1000));
        }
        UrlParts parts;
        // A proxy from the environment must not see a loopback exchange.
        if (splitUrl(request.url, parts) && isLoopbackHost(parts.host)) lib->easySetopt(easy, CURLOPT_NOPROXY, "*");
        lib->easySetopt(easy, CURLOPT_HEADERFUNCTION, &Impl::headerReceived);
        lib->easySetopt(easy, CURLOPT_HEADERDATA, &transfer);
        lib->easySetopt(easy, CURLOPT_WRITEFUNCTION, &Impl::bodyReceived);
        lib->easySetopt(easy, CURLOPT_WRITEDATA, &transfer);
        if (request.method == "GET") {
            lib->easySetopt(easy, CURLOPT_HTTPGET, 1L);
        } else if (request.method == "HEAD") {
            lib->easySetopt(easy, CURLOPT_NOBODY, 1L);
        } else {
            lib->easySetopt(easy, CURLOPT_POSTFIELDSIZE_LARGE, curl_off_t(request.body.size()));
            lib->easySetopt(easy, CURLOPT_POSTFIELDS, request.body.data());
            if (request.method != "POST") lib->easySetopt(easy, CURLOPT_CUSTOMREQUEST, request.method.c_str());
        }
        for (const auto& [name, value] : request.headers) {
            std::string line = name + ":" + (value.empty() ? "" : " " + value);
            transfer.headerList = lib->slistAppend(transfer.headerList, line.c_str());
        }
        // Waiting for "100 Continue" costs a round trip on every upload for nothing.
        transfer.headerList = lib->slistAppend(transfer.headerList, "Expect:");
        lib->easySetopt(easy, CURLOPT_HTTPHEADER, transfer.headerList);
        return true;
    }

    void launch(const std::shared_ptr<HttpTransfer>& transfer)
    {
        if (!multi) {
            transfer->response.error = HttpTransportError::Other;
            transfer->response.errorText = lib ? "The request could not be started." : CurlLibrary::loadError();
            deliverLater(transfer);
            return;
        }
        if (!setUp(*transfer) || lib->multiAddHandle(multi, transfer->easy) != CURLM_OK) {
            transfer->releaseEasy();
            transfer->response.error = HttpTransportError::Other;
            transfer->response.errorText = "The request could not be started.";
            deliverLater(transfer);
            return;
        }
        running[transfer->easy] = transfer;
    }

    void deliverLater(const std::shared_ptr<HttpTransfer>& transfer) { waitThen(transfer, 0, false); }

    void retryLater(const std::shared_ptr<HttpTransfer>& transfer, double seconds)
    {
        if (!timing.scheduler) {
            waitThen(transfer, seconds, true);
            return;
        }
        waiting.push_back(transfer);
        std::weak_ptr<HttpTransfer> weak = transfer;
        // A modal dialog or a drag must not hold a transfer back.
        transfer->retryCall = timing.scheduler->performAfterDelay(
            seconds,
            [weak] {
                auto transfer = weak.lock();
                if (!transfer || !transfer->engine) return;
                Impl* impl = transfer->engine;
                std::erase(impl->waiting, transfer);
                impl->launch(transfer);
            },
            CommonRunLoopModes);
    }

    void waitThen(const std::shared_ptr<HttpTransfer>& transfer, double seconds, bool retry)
    {
        struct Wait {
            std::weak_ptr<HttpTransfer> transfer;
            bool retry;
        };
        auto* wait = new Wait{transfer, retry};
        waiting.push_back(transfer);
        transfer->waitSource = g_timeout_add_full(
            G_PRIORITY_DEFAULT, guint(std::lround(seconds * 1000)),
            [](gpointer data) -> gboolean {
                auto* wait = static_cast<Wait*>(data);
                auto transfer = wait->transfer.lock();
                if (!transfer || !transfer->engine) return G_SOURCE_REMOVE;
                Impl* impl = transfer->engine;
                transfer->waitSource = 0;
                std::erase(impl->waiting, transfer);
                if (wait->retry) {
                    impl->launch(transfer);
                } else {
                    impl->complete(transfer);
                }
                return G_SOURCE_REMOVE;
            },
            wait, [](gpointer data) { delete static_cast<Wait*>(data); });
    }

    void finishDone()
    {
        std::vector<std::pair<CURL*, CURLcode>> finished;
        int left = 0;
        while (CURLMsg* message = lib->multiInfoRead(multi, &left)) {
            if (message->msg == CURLMSG_DONE) finished.emplace_back(message->easy_handle, message->data.result);
        }
        std::weak_ptr<bool> engineAlive = alive;
        for (auto [easy, result] : finished) {
            // An earlier completion may have cancelled this transfer or ended the engine.
            if (engineAlive.expired()) return;
            auto it = running.find(easy);
            if (it == running.end()) continue;
            std::shared_ptr<HttpTransfer> transfer = it->second;
            running.erase(it);
            lib->multiRemoveHandle(multi, easy);
            conclude(transfer, result);
        }
    }

    void conclude(const std::shared_ptr<HttpTransfer>& transfer, CURLcode result)
    {
        HttpResponse& response = transfer->response;
        lib->easyGetinfo(transfer->easy, CURLINFO_RESPONSE_CODE, &response.status);
        if (result != CURLE_OK) {
            const bool writeFailed = transfer->downloadWriteError != 0;
            const bool tooLarge = transfer->passedBound > 0;
            // The connection ended before the length the answer announced.
            const bool cameShort = !tooLarge && !writeFailed && result == CURLE_PARTIAL_FILE && transfer->cameShort();
            response.error = tooLarge ? HttpTransportError::TooLarge
                : writeFailed         ? HttpTransportError::Other
                                      : classify(result);
            response.errorText = tooLarge ? transfer->tooLargeText()
                : writeFailed             ? transfer->downloadWriteFailureText()
                : cameShort               ? transfer->shortText()
                            : (transfer->errorBuffer[0] ? transfer->errorBuffer : lib->easyStrerror(result));
            response.status = 0;
            // What came of a refused answer is no answer: nothing of it is handed on.
            if (tooLarge) {
                response.body.clear();
                response.body.shrink_to_fit();
            }
        } else if (!transfer->request.downloadPath.empty() && response.status >= 200 && response.status < 300 &&
                   !transfer->downloadFile && transfer->downloadTempPath.empty()) {
            // An empty body never reached the writer: the file is empty.
            if (transfer->openDownload()) transfer->readAnnouncedLength();
        }
        // A body that ended in good order short of the length its service gave for the file, or
        // of the length the answer announced, is a file cut short all the same: the copy kept
        // earlier must stay.
        if (response.error == HttpTransportError::None && transfer->cameShort()) {
            response.error = HttpTransportError::Other;
            response.errorText = transfer->shortText();
            response.status = 0;
        }
        transfer->closeDownload(response.error == HttpTransportError::None);
        transfer->releaseEasy();
        const HttpRequest& request = transfer->request;
        if (transfer->retries < request.maxRetries && HttpEngine::isRetryable(request, response)) {
            const double delay =
                HttpEngine::retryDelay(request, response, transfer->retries, timing.random(), wallClock());
            if (transfer->retryWaited + delay <= request.maxRetryWaitSeconds) {
                ++transfer->retries;
                transfer->retryWaited += delay;
                retryLater(transfer, delay);
                return;
            }
        }
        complete(transfer);
    }

    void complete(const std::shared_ptr<HttpTransfer>& transfer)
    {
        transfer->response.retries = transfer->retries;
        transfer->response.retryWaitSeconds = transfer->retryWaited;
        transfer->done = true;
        transfer->engine = nullptr;
        HttpCompletion completion = std::move(transfer->completion);
        transfer->completion = nullptr;
        if (completion) completion(std::move(transfer->response));
    }
};

bool HttpTransfer::openDownload()
{
    std::string pattern = request.downloadPath + ".partXXXXXX";
    int fd = mkstemp(pattern.data());
    if (fd < 0) {
        failedWrite();
        return false;
    }
    downloadFile = fdopen(fd, "wb");
    if (!downloadFile) {
        failedWrite();
        ::close(fd);
        std::remove(pattern.c_str());
        return false;
    }
    downloadTempPath = pattern;
    return true;
}

std::string HttpEngine::fileWriteFailureText(const std::string& name, int code)
{
    std::string cause;
    switch (code) {
    case ENOSPC:
        cause = localized("file_write_disk_full");
        break;
    case EDQUOT:
        cause = localized("file_write_quota_used_up");
        break;
    case EFBIG:
        cause = localized("file_write_too_large");
        break;
    case EROFS:
        cause = localized("file_write_read_only");
        break;
    default:
        cause = g_strerror(code);
        break;
    }
    return localizedFormat("file_write_failed", {name, cause});
}

HttpRequestHandle& HttpRequestHandle::operator=(HttpRequestHandle&& other) noexcept
{
    if (this != &other) {
        cancel();
        _transfer = std::move(other._transfer);
    }
    return *this;
}

void HttpRequestHandle::cancel()
{
    std::shared_ptr<HttpTransfer> transfer = std::move(_transfer);
    _transfer.reset();
    if (!transfer || transfer->done) return;
    transfer->done = true;
    transfer->completion = nullptr;
    if (HttpEngine::Impl* impl = transfer->engine) {
        transfer->engine = nullptr;
        if (transfer->easy) {
            impl->running.erase(transfer->easy);
            impl->lib->multiRemoveHandle(impl->multi, transfer->easy);
        }
        if (transfer->waitSource) g_source_remove(transfer->waitSource);
        transfer->waitSource = 0;
        transfer->retryCall.cancel();
        std::erase(impl->waiting, transfer);
    }
    transfer->closeDownload(false);
    transfer->releaseEasy();
}

bool HttpRequestHandle::isPending() const
{
    return _transfer && !_transfer->done;
}

HttpEngine::HttpEngine(HttpEngineTiming timing) : _impl(std::make_unique<Impl>(std::move(timing)))
{
}

HttpEngine::~HttpEngine() = default;

HttpEngine& HttpEngine::shared()
{
    static HttpEngine engine;
    return engine;
}

bool HttpEngine::isAllowedUrl(const std::string& url)
{
    UrlParts parts;
    if (!splitUrl(url, parts)) return false;
    if (parts.scheme == "https") return true;
    return parts.scheme == "http" && isLoopbackHost(parts.host);
}

HttpRequestHandle HttpEngine::start(HttpRequest request, HttpCompletion completion)
{
    auto transfer = std::make_shared<HttpTransfer>();
    transfer->engine = _impl.get();
    transfer->completion = std::move(completion);
    bool allowed = isAllowedUrl(request.url);
    transfer->request = std::move(request);
    if (!allowed) {
        transfer->response.error = HttpTransportError::Other;
        transfer->response.errorText = "Refused to connect to an unsafe address: " + transfer->request.url;
        _impl->deliverLater(transfer);
    } else {
        _impl->launch(transfer);
    }
    return HttpRequestHandle(transfer);
}

std::optional<double> HttpEngine::retryAfterSeconds(const std::string& value, double now)
{
    if (value.empty()) return std::nullopt;
    if (std::all_of(value.begin(), value.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        return value.size() > 9 ? 1e9 : std::strtod(value.c_str(), nullptr);
    }
    if (const std::optional<double> date = parseHttpDate(value)) return std::max(*date - now, 0.0);
    return std::nullopt;
}

double HttpEngine::retryDelay(const HttpRequest& request, const HttpResponse& answer, int attempt, double random,
                              double now)
{
    const double cap = std::max(request.maxRetryDelaySeconds, 0.0);
    if (const std::optional<double> asked = retryAfterSeconds(answer.header("Retry-After"), now)) {
        return std::min(*asked, cap);
    }
    const double backoff =
        std::min(cap, std::max(request.firstRetryDelaySeconds, 0.0) * std::ldexp(1.0, std::clamp(attempt, 0, 30)));
    return backoff * (0.5 + 0.5 * std::clamp(random, 0.0, 1.0));
}

bool HttpEngine::isRetryable(const HttpRequest& request, const HttpResponse& answer)
{
    if (answer.isTransportError()) return false;
    switch (answer.status) {
    case 429:
    case 503:
        return true;
    case 500:
    case 502:
    case 504:
        if (request.retryServerErrors) return true;
        break;
    default:
        break;
    }
    return request.retryWhen && request.retryWhen(answer);
}

size_t HttpEngine::activeCount() const
{
    return _impl->running.size() + _impl->waiting.size();
}

size_t HttpEngine::retryingCount() const
{
    return size_t(std::count_if(_impl->waiting.begin(), _impl->waiting.end(),
                                [](const auto& transfer) { return transfer->retries > 0; }));
}
