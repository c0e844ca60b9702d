#include "link/server/link_server.h"

#include <arpa/inet.h>
#include <benchmark/benchmark.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace {

// Nothing is advertised: the benchmark only hands the TXT record's challenge to its phone.
class quiet_registrar final : public dns_sd_registrar {
public:
    int32_t register_service(const char*, uint16_t, std::span<const uint8_t> txt, reply_hook, void*) override
    {
        txt_.assign(txt.begin(), txt.end());
        return 0;
    }
    bool has_reference() const override { return false; }
    int socket_fd() const override { return -1; }
    int32_t process_result() override { return 0; }
    void deallocate() override {}

    std::string challenge() const
    {
        const std::string record(txt_.begin(), txt_.end());
        const size_t at = record.find("challenge=");
        if (at == std::string::npos || at == 0) return {};
        return record.substr(at + 10, static_cast<unsigned char>(record[at - 1]) - 10);
    }

private:
    std::vector<uint8_t> txt_;
};

// A store of a few dozen maps, and a user who types the phone's PIN.
class store_services final : public link_server_callbacks {
public:
    store_services()
    {
        index_ = "<diagram-index>";
        for (int map = 0; map < 40; ++map)
            index_ += "<diagram name=\"Map " + std::to_string(map) + "\" id=\"" + std::to_string(100000 + map) + "\"/>";
        index_ += "</diagram-index>\n";
    }
    int LinkServerGetMindMapIndex(char* buffer, size_t size) override
    {
        if (index_.size() > size) return static_cast<int>(index_.size());
        std::memcpy(buffer, index_.data(), index_.size());
        return 0;
    }
    int LinkServerGetMindMapData(const char*, char*, size_t, int) override { return -1; }
    int LinkServerSaveMindMapData(const char*, const char*, const char*) override { return 0; }
    int LinkServerGetPinCode(const char*) override { return 1234; }

private:
    std::string index_;
};

std::string encoded(std::string_view bytes)
{
    small_string out;
    base64url_encode(bytes, out);
    return std::string(out.view());
}

std::string decoded(std::string_view text)
{
    small_string out;
    base64url_decode(text, out);
    return std::string(out.view());
}

std::string digest(const std::string& bytes)
{
    return std::string(sha256_string(small_string(std::string_view(bytes))).view());
}

int connect_from(uint16_t port, const char* source)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return -1;
    sockaddr_in local{};
    local.sin_family = AF_INET;
    ::inet_pton(AF_INET, source, &local.sin_addr);
    sockaddr_in server{};
    server.sin_family = AF_INET;
    server.sin_port = htons(port);
    ::inet_pton(AF_INET, "127.0.0.1", &server.sin_addr);
    if (::bind(fd, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0 ||
        ::connect(fd, reinterpret_cast<sockaddr*>(&server), sizeof server) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

// One request on a connection of its own; the whole reply, or what came before the server closed.
std::string round_trip(uint16_t port, const std::string& request)
{
    const int fd = connect_from(port, "127.0.0.1");
    if (fd < 0) return {};
    std::string reply;
    if (::send(fd, request.data(), request.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(request.size())) {
        char buffer[8192];
        while (true) {
            const size_t head_end = reply.find("\r\n\r\n");
            const size_t length = reply.find("Content-Length: ");
            if (head_end != std::string::npos && length != std::string::npos &&
                reply.size() >= head_end + 4 + std::stoul(reply.substr(length + 16)))
                break;
            const ssize_t count = ::recv(fd, buffer, sizeof buffer, 0);
            if (count <= 0) break;
            reply.append(buffer, static_cast<size_t>(count));
        }
    }
    ::close(fd);
    return reply;
}

std::string header_of(const std::string& reply, const std::string& name)
{
    const size_t at = reply.find(name + ": ");
    if (at == std::string::npos) return {};
    const size_t start = at + name.size() + 2;
    return reply.substr(start, reply.find("\r\n", start) - start);
}

// A paired phone's list of the store while 1,000 connections from strangers send their headers
// a byte at a time, as slowly as they may. The goal is 100 ms at most per list.
void BM_LinkPhoneListsWhileAThousandSlowConnectionsAreOpen(benchmark::State& state)
{
    // The strangers' sockets are this process's too.
    rlimit limit{};
    ::getrlimit(RLIMIT_NOFILE, &limit);
    limit.rlim_cur = limit.rlim_max;
    ::setrlimit(RLIMIT_NOFILE, &limit);

    const std::string folder = std::filesystem::temp_directory_path() / ("tw-link-bench-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    store_services services;
    auto registrar = std::make_unique<quiet_registrar>();
    quiet_registrar* advertised = registrar.get();
    link_server_context context(&services, std::move(registrar));
    context.loopback_only = true;
    std::thread server([&] { link_server_run(context, folder.c_str()); });
    while (link_data_server_status(context) < 3) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    const uint16_t port = link_server_port(context);

    const std::string app_id = "com.example.bench";
    const std::string own(32, '\x5a');
    const std::string secret = std::string("\x00\x00\x04\xd2", 4) + own;
    std::string issued;
    const std::string pairing = round_trip(port,
                                           "GET /pair HTTP/1.1\r\nHost: x\r\nfernquill-app-id: " + app_id +
                                               "\r\nfernquill-challenge: " + encoded(own) +
                                               "\r\nfernquill-device: bench\r\nfernquill-authenticate: " +
                                               encoded(digest(secret + decoded(advertised->challenge()))) + "\r\n\r\n");
    if (pairing.find("\r\n\r\nOK") == std::string::npos) state.SkipWithError("the phone did not pair");
    issued = decoded(header_of(pairing, "Fernquill-Challenge"));

    std::vector<int> strangers;
    for (int index = 0; index < 1000; ++index) {
        const std::string source = "127.0.2." + std::to_string(1 + index % 200);
        const int fd = connect_from(port, source.c_str());
        if (fd < 0) continue;
        ::send(fd, "G", 1, MSG_NOSIGNAL);
        strangers.push_back(fd);
    }
    if (strangers.size() < 1000) state.SkipWithError("not every stranger could connect");

    size_t trickle = 0;
    for (auto _ : state) {
        const std::string reply =
            round_trip(port,
                       "GET /mindmaps/list HTTP/1.1\r\nHost: x\r\nfernquill-app-id: " + app_id +
                           "\r\nfernquill-challenge: " + encoded(own) +
                           "\r\nfernquill-authenticate: " + encoded(digest(secret + issued)) + "\r\n\r\n");
        if (reply.find("<diagram-index>") == std::string::npos) {
            state.SkipWithError("the phone was not served");
            break;
        }
        issued = decoded(header_of(reply, "Fernquill-Challenge"));
        // Another byte from some of the strangers between two lists.
        state.PauseTiming();
        for (int step = 0; step < 50; ++step) ::send(strangers[trickle++ % strangers.size()], "E", 1, MSG_NOSIGNAL);
        state.ResumeTiming();
    }
    for (const int fd : strangers) ::close(fd);
    link_server_request_stop(context);
    server.join();
    std::filesystem::remove_all(folder);
}
BENCHMARK(BM_LinkPhoneListsWhileAThousandSlowConnectionsAreOpen)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
