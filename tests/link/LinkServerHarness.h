#pragma once

// A real link server on 127.0.0.1 with an ephemeral port, a registrar that never reaches a name
// server, services that answer from tables, and a libcurl client.

#include "link/server/link_server.h"

#include <arpa/inet.h>
#include <curl/curl.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// Records what it was handed; its socket is a pipe that the test makes readable to deliver the
// reply the way the name server's socket would.
class fake_registrar final : public dns_sd_registrar {
public:
    struct record {
        std::string service_type;
        uint16_t port = 0;
        std::vector<uint8_t> txt;
        int process_calls = 0;
        bool deallocated = false;
    };

    fake_registrar(std::shared_ptr<record> seen, int32_t register_error = 0, int32_t reply_error = 0,
                   bool give_reference = true)
        : seen_(std::move(seen)),
          register_error_(register_error),
          reply_error_(reply_error),
          give_reference_(give_reference)
    {
        if (::pipe2(pipe_, O_CLOEXEC | O_NONBLOCK) != 0) pipe_[0] = pipe_[1] = -1;
    }
    ~fake_registrar() override
    {
        for (const int fd : pipe_)
            if (fd >= 0) ::close(fd);
    }

    int32_t register_service(const char* service_type, uint16_t port, std::span<const uint8_t> txt_record,
                             reply_hook reply, void* context) override
    {
        seen_->service_type = service_type;
        seen_->port = port;
        seen_->txt.assign(txt_record.begin(), txt_record.end());
        reply_ = reply;
        context_ = context;
        if (register_error_ == 0 && give_reference_) registered_ = true;
        return register_error_;
    }
    bool has_reference() const override { return registered_; }
    int socket_fd() const override { return registered_ ? pipe_[0] : -1; }
    int32_t process_result() override
    {
        ++seen_->process_calls;
        char byte;
        while (::read(pipe_[0], &byte, 1) == 1) {}
        if (reply_) reply_(context_, reply_error_);
        return 0;
    }
    void deallocate() override
    {
        seen_->deallocated = true;
        registered_ = false;
    }

    // The write end: a byte written here makes the "name server" answer.
    int reply_trigger() const { return pipe_[1]; }

private:
    std::shared_ptr<record> seen_;
    int32_t register_error_;
    int32_t reply_error_;
    bool give_reference_;
    bool registered_ = false;
    int pipe_[2] = {-1, -1};
    reply_hook reply_ = nullptr;
    void* context_ = nullptr;
};

// Answers from what the test put in; records what it was asked.
class fake_services final : public link_server_callbacks {
public:
    std::mutex mutex;
    std::string index;
    std::string index_on_second_call; // when set, the index grows between the two calls
    int index_result = 0;             // a negative value is answered as it is
    std::map<std::string, std::string> data;
    int data_result = 0;
    int save_result = 1;
    int pin = -1;
    std::vector<std::string> pin_devices;
    std::vector<int> index_calls;
    std::vector<std::pair<std::string, int>> data_calls;
    std::vector<std::tuple<std::string, std::string, std::string>> saves;
    // Off, a save records its text's size alone, so that a large upload leaves nothing behind.
    bool keep_saved_texts = true;
    std::vector<size_t> saved_sizes;

    int LinkServerGetMindMapIndex(char* buffer, size_t size) override
    {
        const std::lock_guard lock(mutex);
        index_calls.push_back(static_cast<int>(size));
        if (index_result < 0) return index_result;
        const std::string& text =
            index_calls.size() > 1 && !index_on_second_call.empty() ? index_on_second_call : index;
        return copy(text, buffer, size);
    }
    int LinkServerGetMindMapData(const char* key, char* buffer, size_t size, int stream_version) override
    {
        const std::lock_guard lock(mutex);
        data_calls.emplace_back(key, stream_version);
        if (data_result < 0) return data_result;
        const auto found = data.find(key);
        return copy(found == data.end() ? std::string() : found->second, buffer, size);
    }
    int LinkServerSaveMindMapData(const char* key, const char* user_id, const char* text) override
    {
        const std::lock_guard lock(mutex);
        saved_sizes.push_back(std::strlen(text));
        if (keep_saved_texts) saves.emplace_back(key, user_id, text);
        return save_result;
    }
    int LinkServerGetPinCode(const char* device_name) override
    {
        const std::lock_guard lock(mutex);
        pin_devices.emplace_back(device_name);
        return pin;
    }

private:
    static int copy(const std::string& text, char* buffer, size_t size)
    {
        if (text.size() > size) return static_cast<int>(text.size());
        std::memcpy(buffer, text.data(), text.size());
        return 0;
    }
};

// Waits for a condition the server thread brings about; the bound is generous and only keeps a
// broken server from hanging the test run.
inline bool eventually(const std::function<bool()>& condition)
{
    for (int attempt = 0; attempt < 1000; ++attempt) {
        if (condition()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return condition();
}

class running_link_server {
public:
    // Settings of the context are made by configure, before the server thread starts.
    explicit running_link_server(const std::string& folder,
                                 const std::function<void(link_server_context&)>& configure = nullptr)
        : running_link_server(folder, 0, 0, true, configure)
    {
    }
    // Served by the test's own callbacks instead of the tables.
    running_link_server(const std::string& folder, link_server_callbacks& callbacks,
                        const std::function<void(link_server_context&)>& configure = nullptr)
        : running_link_server(folder, 0, 0, true, configure, &callbacks)
    {
    }
    running_link_server(const std::string& folder, int32_t register_error, int32_t reply_error = 0,
                        bool give_reference = true,
                        const std::function<void(link_server_context&)>& configure = nullptr,
                        link_server_callbacks* callbacks = nullptr)
        : seen(std::make_shared<fake_registrar::record>())
    {
        auto registrar = std::make_unique<fake_registrar>(seen, register_error, reply_error, give_reference);
        registrar_ = registrar.get();
        context = std::make_unique<link_server_context>(callbacks ? callbacks : &services, std::move(registrar));
        context->loopback_only = true;
        if (configure) configure(*context);
        thread_ = std::thread([this, folder] {
            link_server_run(*context, folder.c_str());
            finished = true;
        });
        EXPECT_TRUE(eventually([this] { return link_data_server_status(*context) >= 3 || finished; }));
    }
    ~running_link_server() { stop(); }

    void stop()
    {
        if (!thread_.joinable()) return;
        link_server_request_stop(*context);
        thread_.join();
    }

    // Makes the fake name server's reply arrive, and waits until the server has read it.
    void deliver_registration_reply()
    {
        const int calls = seen->process_calls;
        ASSERT_EQ(::write(registrar_->reply_trigger(), "r", 1), 1);
        ASSERT_TRUE(eventually([&] { return seen->process_calls > calls; }));
    }

    std::string url(const std::string& path) const
    {
        return "http://127.0.0.1:" + std::to_string(link_server_port(*context)) + path;
    }

    fake_services services;
    std::shared_ptr<fake_registrar::record> seen;
    std::unique_ptr<link_server_context> context;
    std::atomic<bool> finished{false};

private:
    fake_registrar* registrar_ = nullptr;
    std::thread thread_;
};

struct http_reply_seen {
    long status = 0;
    std::string reason;
    std::string body;
    std::map<std::string, std::string> headers; // names in lower case
    bool ok = false;

    std::string header(const std::string& name) const
    {
        const auto found = headers.find(name);
        return found == headers.end() ? std::string() : found->second;
    }
};

struct http_call {
    std::string method = "GET";
    std::vector<std::pair<std::string, std::string>> headers;
    std::string body;
    std::string content_type;
};

inline http_reply_seen http_fetch(const std::string& url, const http_call& call = {})
{
    http_reply_seen reply;
    CURL* curl = curl_easy_init();
    if (!curl) return reply;
    curl_slist* list = nullptr;
    for (const auto& [name, value] : call.headers) list = curl_slist_append(list, (name + ": " + value).c_str());
    if (!call.content_type.empty()) list = curl_slist_append(list, ("Content-Type: " + call.content_type).c_str());
    // curl would otherwise wait for a "100 Continue" before sending a large body.
    list = curl_slist_append(list, "Expect:");
    curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl, CURLOPT_HTTPHEADER, list);
    curl_easy_setopt(curl, CURLOPT_NOPROXY, "*");
    curl_easy_setopt(curl, CURLOPT_TIMEOUT, 60L);
    if (call.method == "POST" || !call.body.empty()) {
        curl_easy_setopt(curl, CURLOPT_POSTFIELDS, call.body.data());
        curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(call.body.size()));
    }
    if (call.method != "POST") curl_easy_setopt(curl, CURLOPT_CUSTOMREQUEST, call.method.c_str());
    const auto write = +[](char* data, size_t size, size_t count, void* out) {
        static_cast<std::string*>(out)->append(data, size * count);
        return size * count;
    };
    const auto header = +[](char* data, size_t size, size_t count, void* out) {
        auto& seen = *static_cast<http_reply_seen*>(out);
        std::string line(data, size * count);
        while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
        if (line.starts_with("HTTP/")) {
            const size_t first = line.find(' ');
            const size_t second = first == std::string::npos ? first : line.find(' ', first + 1);
            seen.reason = second == std::string::npos ? "" : line.substr(second + 1);
        } else if (const size_t colon = line.find(':'); colon != std::string::npos) {
            std::string name = line.substr(0, colon);
            for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
            std::string value = line.substr(colon + 1);
            while (!value.empty() && value.front() == ' ') value.erase(0, 1);
            seen.headers[name] = value;
        }
        return size * count;
    };
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, write);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &reply.body);
    curl_easy_setopt(curl, CURLOPT_HEADERFUNCTION, header);
    curl_easy_setopt(curl, CURLOPT_HEADERDATA, &reply);
    reply.ok = curl_easy_perform(curl) == CURLE_OK;
    curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &reply.status);
    curl_slist_free_all(list);
    curl_easy_cleanup(curl);
    return reply;
}

// A client on a socket of its own, from any address of the loopback network, for what no HTTP
// library sends: a head without its body, half a head, nothing at all.
class raw_client {
public:
    raw_client(uint16_t port, const std::string& source = "127.0.0.1")
    {
        fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (fd_ < 0) return;
        sockaddr_in local{};
        local.sin_family = AF_INET;
        ::inet_pton(AF_INET, source.c_str(), &local.sin_addr);
        sockaddr_in server{};
        server.sin_family = AF_INET;
        server.sin_port = htons(port);
        ::inet_pton(AF_INET, "127.0.0.1", &server.sin_addr);
        if (::bind(fd_, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0 ||
            ::connect(fd_, reinterpret_cast<sockaddr*>(&server), sizeof server) != 0) {
            ::close(fd_);
            fd_ = -1;
        }
    }
    ~raw_client()
    {
        if (fd_ >= 0) ::close(fd_);
    }
    raw_client(const raw_client&) = delete;
    raw_client& operator=(const raw_client&) = delete;

    bool connected() const { return fd_ >= 0; }
    int fd() const { return fd_; }

    bool send_all(std::string_view bytes)
    {
        while (!bytes.empty()) {
            const ssize_t sent = ::send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL);
            if (sent <= 0) return false;
            bytes.remove_prefix(static_cast<size_t>(sent));
        }
        return true;
    }

    // What the server has sent once a whole reply (its head and the body its length gives) has
    // arrived or the server closed; the wait is bounded only so that a broken server cannot hang
    // the run.
    std::string read_reply()
    {
        std::string received;
        for (int round = 0; round < 2000; ++round) {
            const size_t head_end = received.find("\r\n\r\n");
            if (head_end != std::string::npos) {
                const size_t at = received.find("Content-Length: ");
                if (at != std::string::npos && at < head_end &&
                    received.size() >= head_end + 4 + std::stoul(received.substr(at + 16)))
                    return received;
            }
            pollfd ready{fd_, POLLIN, 0};
            if (::poll(&ready, 1, 10) <= 0) continue;
            char buffer[4096];
            const ssize_t count = ::recv(fd_, buffer, sizeof buffer, 0);
            if (count <= 0) return received;
            received.append(buffer, static_cast<size_t>(count));
        }
        return received;
    }

    // True once the server has closed the connection; whatever it sent before is dropped.
    bool closed_by_server()
    {
        pollfd ready{fd_, POLLIN, 0};
        if (::poll(&ready, 1, 0) <= 0) return false;
        char buffer[4096];
        const ssize_t count = ::recv(fd_, buffer, sizeof buffer, MSG_DONTWAIT);
        return count == 0 || (count < 0 && errno != EAGAIN && errno != EWOULDBLOCK);
    }

private:
    int fd_ = -1;
};

// The head of a request as it goes on the wire.
inline std::string raw_head(const std::string& method, const std::string& path, const http_call& call,
                            const std::vector<std::string>& more = {})
{
    std::string head = method + " " + path + " HTTP/1.1\r\nHost: 127.0.0.1\r\n";
    for (const auto& [name, value] : call.headers) head += name + ": " + value + "\r\n";
    for (const std::string& line : more) head += line + "\r\n";
    return head + "\r\n";
}

// The resident memory of this process in bytes.
inline uint64_t resident_bytes()
{
    unsigned long pages = 0;
    unsigned long resident = 0;
    if (FILE* statm = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(statm, "%lu %lu", &pages, &resident) != 2) resident = 0;
        std::fclose(statm);
    }
    return static_cast<uint64_t>(resident) * static_cast<uint64_t>(::sysconf(_SC_PAGESIZE));
}

inline std::string b64(std::string_view bytes)
{
    small_string out;
    base64url_encode(bytes, out);
    return std::string(out.view());
}

inline std::string unb64(std::string_view text)
{
    small_string out;
    base64url_decode(text, out);
    return std::string(out.view());
}

inline std::string digest(std::string_view bytes)
{
    return std::string(sha256_string(small_string(bytes)).view());
}

// The bonjour challenge the server published, from the TXT bytes the registrar was handed.
inline std::string published_challenge(const std::vector<uint8_t>& txt)
{
    const std::string record(txt.begin(), txt.end());
    const size_t at = record.find("challenge=");
    if (at == std::string::npos || at == 0) return {};
    const size_t length = static_cast<unsigned char>(record[at - 1]);
    return record.substr(at + 10, length - 10);
}

// What an honest app does: it keeps its secret and the last challenge the desktop issued to it.
struct test_phone {
    std::string app_id = "com.example.phone-1";
    std::string own_challenge = std::string(32, '\x5a');
    std::string secret;
    std::string issued; // raw bytes; empty right after a pairing was loaded from its file

    static std::string secret_for(uint32_t pin, std::string_view app_challenge)
    {
        std::string secret{static_cast<char>(pin >> 24), static_cast<char>(pin >> 16), static_cast<char>(pin >> 8),
                           static_cast<char>(pin)};
        return secret + std::string(app_challenge);
    }

    http_call pair_call(const std::string& bonjour_challenge, uint32_t pin, const std::string& device) const
    {
        const std::string assumed = secret_for(pin, own_challenge);
        http_call call;
        call.method = "POST";
        call.headers = {{"fernquill-app-id", app_id},
                        {"fernquill-challenge", b64(own_challenge)},
                        {"fernquill-device", device},
                        {"fernquill-authenticate", b64(digest(assumed + unb64(bonjour_challenge)))}};
        return call;
    }

    http_call paired_call(const std::string& method = "GET") const
    {
        http_call call;
        call.method = method;
        call.headers = {{"fernquill-app-id", app_id},
                        {"fernquill-challenge", b64(own_challenge)},
                        {"fernquill-authenticate", b64(digest(secret + issued))}};
        return call;
    }

    // Takes the next challenge and checks the desktop's proof; false when the desktop did not
    // prove it holds the secret.
    bool take(const http_reply_seen& reply)
    {
        const auto challenge = reply.headers.find("fernquill-challenge");
        const auto answer = reply.headers.find("fernquill-authenticate");
        if (challenge == reply.headers.end() || answer == reply.headers.end()) return false;
        issued = unb64(challenge->second);
        return answer->second == b64(digest(secret + own_challenge));
    }
};

// Pairs one more phone with the server, whose services answer PIN 1234.
inline test_phone pair_phone(running_link_server& server, const std::string& app_id = test_phone{}.app_id)
{
    test_phone phone;
    phone.app_id = app_id;
    phone.secret = test_phone::secret_for(1234, phone.own_challenge);
    const http_reply_seen reply =
        http_fetch(server.url("/pair"), phone.pair_call(published_challenge(server.seen->txt), 1234, "phone"));
    EXPECT_EQ(reply.body, "OK") << app_id;
    EXPECT_TRUE(phone.take(reply)) << app_id;
    return phone;
}

// A body that costs a search comparing a delimiter from its end at every position the product of
// the two lengths: a delimiter line of a third of the body, then twice that of bytes that match
// all of it but its first byte.
inline std::string hostile_body(size_t size)
{
    const size_t delimiter = size / 3;
    return "b" + std::string(delimiter - 1, 'a') + "\r\n" + std::string(2 * delimiter, 'a');
}

// A server with one phone paired with PIN 1234.
struct paired_fixture {
    explicit paired_fixture(const std::string& folder) : server(folder)
    {
        server.services.pin = 1234;
        phone = pair_phone(server);
    }

    http_reply_seen call(const std::string& path, http_call request)
    {
        const http_reply_seen reply = http_fetch(server.url(path), request);
        phone.take(reply);
        return reply;
    }
    http_reply_seen call(const std::string& path) { return call(path, phone.paired_call()); }

    running_link_server server;
    test_phone phone;
};
