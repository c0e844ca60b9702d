#pragma once

#include "link/server/link_server.h"
#include "link/server/link_support.h"

#include <curl/curl.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <map>
#include <mutex>
#include <random>
#include <string>
#include <utility>
#include <vector>

// A mobile app as the tests play it: a real HTTP client on the loopback interface that pairs,
// answers challenges and keeps the one the desktop issued last.
namespace linktest {

// Records the advertisement and answers its registration at the first look at its socket, as a
// name server does, without any name server.
class FakeRegistrar : public dns_sd_registrar {
public:
    struct Record {
        std::mutex mutex;
        std::vector<uint8_t> txt;
        std::string serviceType;
    };

    explicit FakeRegistrar(std::shared_ptr<Record> record) : _record(std::move(record)) {}
    ~FakeRegistrar() override { deallocate(); }

    int32_t register_service(const char* serviceType, uint16_t, std::span<const uint8_t> txt, reply_hook reply,
                             void* context) override
    {
        {
            std::lock_guard lock(_record->mutex);
            _record->txt.assign(txt.begin(), txt.end());
            _record->serviceType = serviceType ? serviceType : "";
        }
        if (pipe2(_pipe, O_CLOEXEC) != 0) return -65537;
        _reply = reply;
        _context = context;
        const char byte = 1;
        if (write(_pipe[1], &byte, 1) != 1) return -65537;
        return 0;
    }
    bool has_reference() const override { return _pipe[0] >= 0; }
    int socket_fd() const override { return _pipe[0]; }
    int32_t process_result() override
    {
        char byte = 0;
        if (read(_pipe[0], &byte, 1) == 1 && _reply) _reply(_context, 0);
        return 0;
    }
    void deallocate() override
    {
        for (int& fd : _pipe) {
            if (fd >= 0) close(fd);
            fd = -1;
        }
    }

private:
    std::shared_ptr<Record> _record;
    int _pipe[2] = {-1, -1};
    reply_hook _reply = nullptr;
    void* _context = nullptr;
};

// The TXT record's entries, "key=value" each behind its length byte.
inline std::map<std::string, std::string> txtEntries(const std::vector<uint8_t>& txt)
{
    std::map<std::string, std::string> entries;
    for (size_t at = 0; at < txt.size();) {
        const size_t length = txt[at++];
        const std::string entry(txt.begin() + at, txt.begin() + std::min(txt.size(), at + length));
        at += length;
        const size_t equals = entry.find('=');
        entries[entry.substr(0, equals)] = equals == std::string::npos ? std::string() : entry.substr(equals + 1);
    }
    return entries;
}

inline std::string encode(const std::string& bytes)
{
    small_string out;
    base64url_encode(bytes, out);
    return std::string(out.view());
}

inline std::string decode(const std::string& text)
{
    small_string out;
    base64url_decode(text, out);
    return std::string(out.view());
}

inline std::string sha256Of(const std::string& bytes)
{
    unsigned char digest[32];
    sha256(bytes.data(), bytes.size(), digest);
    return std::string(reinterpret_cast<const char*>(digest), 32);
}

struct Reply {
    long status = 0;
    std::string body;
    // Names in lower case.
    std::map<std::string, std::string> headers;
    bool failed = false;
};

struct FormPart {
    std::string name;
    std::string value;
};

// From the source address given (any of 127.0.0.0/8), or the default one.
inline Reply request(uint16_t port, const std::string& path, const std::vector<std::string>& headers,
                     const std::vector<FormPart>& form = {}, const std::string& source = {})
{
    Reply reply;
    CURL* curl = curl_easy_init();
    const std::string url = "http://127.0.0.1:" + std::to_string(port) + path;
    curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
    const std::string interface = "host!" + source;
    if (!source.empty()) curl_easy_setopt(curl, CURLOPT_INTERFACE, interface.c_str());
    curl_easy_setopt(curl, CURLOPT_NOPROXY, "*");
    curl_easy_setopt(curl, CURLOPT_TIMEOUT, 60L);
    curl_slist* list = nullptr;
    for (const std::string& header : headers) list = curl_slist_append(list, header.c_str());
    curl_easy_setopt(curl, CURLOPT_HTTPHEADER, list);
    curl_mime* mime = nullptr;
    if (!form.empty()) {
        mime = curl_mime_init(curl);
        for (const FormPart& part : form) {
            curl_mimepart* field = curl_mime_addpart(mime);
            curl_mime_name(field, part.name.c_str());
            curl_mime_data(field, part.value.data(), part.value.size());
        }
        curl_easy_setopt(curl, CURLOPT_MIMEPOST, mime);
    }
    curl_easy_setopt(
        curl, CURLOPT_WRITEFUNCTION, +[](char* data, size_t size, size_t count, void* out) {
            static_cast<std::string*>(out)->append(data, size * count);
            return size * count;
        });
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &reply.body);
    curl_easy_setopt(
        curl, CURLOPT_HEADERFUNCTION, +[](char* data, size_t size, size_t count, void* out) {
            std::string line(data, size * count);
            const size_t colon = line.find(':');
            if (colon != std::string::npos) {
                std::string name = line.substr(0, colon);
                std::transform(name.begin(), name.end(), name.begin(), [](unsigned char c) { return std::tolower(c); });
                std::string value = line.substr(colon + 1);
                value.erase(0, value.find_first_not_of(' '));
                while (!value.empty() && (value.back() == '\r' || value.back() == '\n')) value.pop_back();
                (*static_cast<std::map<std::string, std::string>*>(out))[name] = value;
            }
            return size * count;
        });
    curl_easy_setopt(curl, CURLOPT_HEADERDATA, &reply.headers);
    reply.failed = curl_easy_perform(curl) != CURLE_OK;
    curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &reply.status);
    if (mime) curl_mime_free(mime);
    curl_slist_free_all(list);
    curl_easy_cleanup(curl);
    return reply;
}

inline std::string randomBytes(size_t count)
{
    static std::mt19937 generator(7);
    std::string bytes(count, '\0');
    for (char& byte : bytes) byte = static_cast<char>(generator() & 0xFF);
    return bytes;
}

// One app: pairs with a PIN, then signs each request with the challenge the desktop issued last.
class App {
public:
    explicit App(std::string id, std::string source = {}) : _id(std::move(id)), _source(std::move(source)) {}

    Reply pair(uint16_t port, int pin, const std::string& bonjourChallenge, const std::string& deviceName)
    {
        const std::string own = randomBytes(32);
        std::string secret;
        for (int shift : {24, 16, 8, 0}) secret += static_cast<char>((static_cast<uint32_t>(pin) >> shift) & 0xFF);
        secret += own;
        const std::string authenticator = encode(sha256Of(secret + decode(bonjourChallenge)));
        Reply reply = request(port, "/pair",
                              {"fernquill-app-id: " + _id, "fernquill-challenge: " + encode(own),
                               "fernquill-device: " + encode(deviceName), "fernquill-authenticate: " + authenticator},
                              {}, _source);
        if (reply.body == "OK") {
            _secret = secret;
            take(reply);
        }
        return reply;
    }

    // A request of a paired app: the authenticator over the last challenge, a fresh own challenge.
    Reply get(uint16_t port, const std::string& path, std::vector<std::string> headers = {},
              const std::vector<FormPart>& form = {})
    {
        headers.push_back("fernquill-app-id: " + _id);
        headers.push_back("fernquill-authenticate: " + encode(sha256Of(_secret + _challenge)));
        headers.push_back("fernquill-challenge: " + encode(randomBytes(32)));
        Reply reply = request(port, path, headers, form, _source);
        take(reply);
        return reply;
    }

    // As after the desktop's restart: it has issued nothing since.
    void forgetChallenge() { _challenge.clear(); }
    const std::string& secret() const { return _secret; }

private:
    void take(const Reply& reply)
    {
        const auto challenge = reply.headers.find("fernquill-challenge");
        if (challenge != reply.headers.end()) _challenge = decode(challenge->second);
    }

    std::string _id;
    std::string _source;
    std::string _secret;
    std::string _challenge;
};

} // namespace linktest
