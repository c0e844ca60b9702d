#pragma once

#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

// An HTTP server on 127.0.0.1 with a port of the system's choice, run by libevent on a thread of its
// own, so that clients on the test's main loop talk to it as to a real server. The handler runs on
// the server's thread.
struct LoopbackRequest {
    std::string method;
    // The path of the request, without the query, percent escapes kept.
    std::string path;
    std::string query;
    std::vector<std::pair<std::string, std::string>> headers;
    std::string body;

    // The first header of that name, compared ignoring case; empty when missing.
    std::string header(const std::string& name) const;
    bool hasHeader(const std::string& name) const;
};

struct LoopbackReply {
    int status = 200;
    std::vector<std::pair<std::string, std::string>> headers;
    std::string body;
    // The answer goes out after this time; other requests are served meanwhile.
    double delaySeconds = 0;
    // Never answered: the connection stays open until the client gives up or the server ends.
    bool hang = false;
    // The connection is closed without an answer, as when the network drops it.
    bool drop = false;

    static LoopbackReply text(int status, std::string body);
    static LoopbackReply json(int status, std::string body);
};

class LoopbackHttpServer {
public:
    using Handler = std::function<LoopbackReply(const LoopbackRequest&)>;
    enum class Transport { Plain, SelfSignedTls };
    // SelfSignedTls serves HTTPS with a certificate for 127.0.0.1 that no authority signed.
    explicit LoopbackHttpServer(Handler handler, Transport transport = Transport::Plain);
    ~LoopbackHttpServer();
    LoopbackHttpServer(const LoopbackHttpServer&) = delete;
    LoopbackHttpServer& operator=(const LoopbackHttpServer&) = delete;

    int port() const { return _port; }
    // "http://127.0.0.1:<port>" ("https://" with TLS)
    std::string baseUrl() const;

    // Every request received so far, oldest first.
    std::vector<LoopbackRequest> requests() const;
    size_t requestCount() const;

    struct State;

private:
    std::unique_ptr<State> _state;
    int _port = 0;
    bool _tls = false;
};
