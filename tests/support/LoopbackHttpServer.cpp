#include "support/LoopbackHttpServer.h"

#include <event2/buffer.h>
#include <event2/bufferevent.h>
#include <event2/bufferevent_ssl.h>
#include <event2/event.h>
#include <event2/http.h>
#include <event2/keyvalq_struct.h>
#include <event2/thread.h>
#include <glib.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <openssl/evp.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>
#include <strings.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <stdexcept>
#include <thread>

std::string LoopbackRequest::header(const std::string& name) const
{
    for (const auto& [key, value] : headers) {
        if (strcasecmp(key.c_str(), name.c_str()) == 0) return value;
    }
    return {};
}

bool LoopbackRequest::hasHeader(const std::string& name) const
{
    for (const auto& header : headers) {
        if (strcasecmp(header.first.c_str(), name.c_str()) == 0) return true;
    }
    return false;
}

LoopbackReply LoopbackReply::text(int status, std::string body)
{
    LoopbackReply reply;
    reply.status = status;
    reply.headers = {{"Content-Type", "text/plain; charset=utf-8"}};
    reply.body = std::move(body);
    return reply;
}

LoopbackReply LoopbackReply::json(int status, std::string body)
{
    LoopbackReply reply;
    reply.status = status;
    reply.headers = {{"Content-Type", "application/json"}};
    reply.body = std::move(body);
    return reply;
}

LoopbackReply LoopbackReply::streamed(int status, std::string start, uint64_t length)
{
    LoopbackReply reply;
    reply.status = status;
    reply.headers = {{"Content-Type", "application/json"}};
    reply.body = std::move(start);
    reply.streamedBytes = length;
    return reply;
}

namespace {

// A key and a certificate for 127.0.0.1, signed by themselves.
SSL_CTX* selfSignedContext()
{
    SSL_CTX* context = SSL_CTX_new(TLS_server_method());
    EVP_PKEY* key = EVP_EC_gen("P-256");
    X509* certificate = X509_new();
    X509_set_version(certificate, 2);
    ASN1_INTEGER_set(X509_get_serialNumber(certificate), 1);
    X509_gmtime_adj(X509_getm_notBefore(certificate), -60);
    X509_gmtime_adj(X509_getm_notAfter(certificate), 3600);
    X509_set_pubkey(certificate, key);
    X509_NAME* name = X509_get_subject_name(certificate);
    X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC, reinterpret_cast<const unsigned char*>("127.0.0.1"), -1, -1,
                               0);
    X509_set_issuer_name(certificate, name);
    X509V3_CTX extensionContext;
    X509V3_set_ctx_nodb(&extensionContext);
    X509V3_set_ctx(&extensionContext, certificate, certificate, nullptr, nullptr, 0);
    if (X509_EXTENSION* alternative =
            X509V3_EXT_conf_nid(nullptr, &extensionContext, NID_subject_alt_name, "IP:127.0.0.1")) {
        X509_add_ext(certificate, alternative, -1);
        X509_EXTENSION_free(alternative);
    }
    X509_sign(certificate, key, EVP_sha256());
    SSL_CTX_use_certificate(context, certificate);
    SSL_CTX_use_PrivateKey(context, key);
    X509_free(certificate);
    EVP_PKEY_free(key);
    return context;
}

bufferevent* tlsConnection(event_base* base, void* context)
{
    return bufferevent_openssl_socket_new(base, -1, SSL_new(static_cast<SSL_CTX*>(context)), BUFFEREVENT_SSL_ACCEPTING,
                                          BEV_OPT_CLOSE_ON_FREE);
}

} // namespace

struct LoopbackHttpServer::State {
    Handler handler;
    SSL_CTX* tls = nullptr;
    event_base* base = nullptr;
    evhttp* http = nullptr;
    // Made active from the test's thread to end the loop: a break asked for before the loop has
    // started would be forgotten when it starts.
    event* stop = nullptr;
    std::thread thread;
    mutable std::mutex mutex;
    std::vector<LoopbackRequest> log;
    struct Delayed {
        State* state;
        evhttp_request* request;
        LoopbackReply reply;
        event* timer = nullptr;
    };
    // Touched on the server's thread only.
    std::vector<std::unique_ptr<Delayed>> delayed;

    // An answer written by hand on a second descriptor of the request's socket, as the socket takes
    // it: libevent's own replies are held whole in memory. The request stays unanswered for
    // libevent, which only reads the socket and ends the connection once the client has gone.
    struct Stream {
        State* state;
        evutil_socket_t fd;
        event* writable = nullptr;
        std::string prefix;
        uint64_t length;
        bool chunked;
        char fill;
        uint64_t sent = 0;
        bool ended = false;
        std::string pending;
        size_t written = 0;
    };
    std::vector<std::unique_ptr<Stream>> streams;
    std::atomic<uint64_t> streamedBytes{0};
    std::atomic<size_t> streamsCut{0};

    static void startStream(State* state, evhttp_request* request, const LoopbackReply& reply)
    {
        evhttp_connection* connection = evhttp_request_get_connection(request);
        bufferevent* channel = connection ? evhttp_connection_get_bufferevent(connection) : nullptr;
        const evutil_socket_t socket = channel ? bufferevent_getfd(channel) : -1;
        if (socket < 0 || state->tls) return;
        auto stream = std::make_unique<Stream>();
        stream->state = state;
        stream->fd = dup(socket);
        stream->prefix = reply.body;
        stream->length = *reply.streamedBytes;
        stream->fill = reply.fill;
        bool announced = false;
        std::string head =
            "HTTP/1.1 " + std::to_string(reply.status) + (reply.status < 400 ? " OK" : " Error") + "\r\n";
        for (const auto& [name, value] : reply.headers) {
            if (strcasecmp(name.c_str(), "Content-Length") == 0) announced = true;
            head += name + ": " + value + "\r\n";
        }
        stream->chunked = reply.chunked && !announced;
        if (stream->chunked) head += "Transfer-Encoding: chunked\r\n";
        // The connection ends with the answer: libevent, which still holds this request, would
        // never answer another on it.
        head += "Connection: close\r\n\r\n";
        stream->pending = head;
        stream->writable =
            event_new(state->base, stream->fd, EV_WRITE | EV_PERSIST, &State::streamWritable, stream.get());
        event_add(stream->writable, nullptr);
        state->streams.push_back(std::move(stream));
    }

    static void streamWritable(evutil_socket_t, short, void* data)
    {
        auto* stream = static_cast<Stream*>(data);
        constexpr uint64_t Piece = 64 * 1024;
        while (!stream->ended) {
            if (stream->written == stream->pending.size()) {
                stream->pending.clear();
                stream->written = 0;
                if (stream->sent < stream->length) {
                    const uint64_t size = std::min(Piece, stream->length - stream->sent);
                    std::string piece(size_t(size), stream->fill);
                    if (stream->sent < stream->prefix.size()) {
                        const size_t from = size_t(stream->sent);
                        piece.replace(0, std::min(piece.size(), stream->prefix.size() - from),
                                      stream->prefix.substr(from, piece.size()));
                    }
                    stream->sent += size;
                    if (stream->chunked) {
                        char length[32];
                        std::snprintf(length, sizeof(length), "%llx\r\n", static_cast<unsigned long long>(size));
                        stream->pending = length + piece + "\r\n";
                    } else {
                        stream->pending = std::move(piece);
                    }
                } else if (stream->chunked && stream->sent == stream->length) {
                    stream->pending = "0\r\n\r\n";
                    // Past the length: the last chunk has been made.
                    ++stream->sent;
                } else {
                    shutdown(stream->fd, SHUT_WR);
                    endStream(*stream, false);
                    return;
                }
            }
            const ssize_t count = ::send(stream->fd, stream->pending.data() + stream->written,
                                         stream->pending.size() - stream->written, MSG_NOSIGNAL);
            if (count < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) return;
            if (count <= 0) {
                endStream(*stream, true);
                return;
            }
            stream->written += size_t(count);
            stream->state->streamedBytes += uint64_t(count);
        }
    }

    static void endStream(Stream& stream, bool cut)
    {
        stream.ended = true;
        event_del(stream.writable);
        close(stream.fd);
        if (cut) ++stream.state->streamsCut;
        // A test waiting on its main loop for the end hears of it at once.
        g_main_context_wakeup(nullptr);
    }

    static void send(evhttp_request* request, const LoopbackReply& reply)
    {
        evkeyvalq* output = evhttp_request_get_output_headers(request);
        for (const auto& [name, value] : reply.headers) evhttp_add_header(output, name.c_str(), value.c_str());
        if (!evhttp_find_header(output, "Content-Type")) evhttp_add_header(output, "Content-Type", "text/plain");
        evbuffer* buffer = evbuffer_new();
        evbuffer_add(buffer, reply.body.data(), reply.body.size());
        evhttp_send_reply(request, reply.status, reply.status < 400 ? "OK" : "Error", buffer);
        evbuffer_free(buffer);
    }

    static void received(evhttp_request* request, void* data)
    {
        auto* state = static_cast<State*>(data);
        // Real servers send without Nagle's wait: with it, the tail of a reply larger than one write
        // waits for the client's delayed acknowledgement, some 40 ms per request on loopback.
        if (evhttp_connection* connection = evhttp_request_get_connection(request)) {
            if (bufferevent* channel = evhttp_connection_get_bufferevent(connection)) {
                const int on = 1;
                const evutil_socket_t fd = bufferevent_getfd(channel);
                if (fd >= 0) setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof(on));
            }
        }
        LoopbackRequest incoming;
        switch (evhttp_request_get_command(request)) {
        case EVHTTP_REQ_GET:
            incoming.method = "GET";
            break;
        case EVHTTP_REQ_POST:
            incoming.method = "POST";
            break;
        case EVHTTP_REQ_PUT:
            incoming.method = "PUT";
            break;
        case EVHTTP_REQ_DELETE:
            incoming.method = "DELETE";
            break;
        case EVHTTP_REQ_HEAD:
            incoming.method = "HEAD";
            break;
        case EVHTTP_REQ_PATCH:
            incoming.method = "PATCH";
            break;
        default:
            incoming.method = "OTHER";
            break;
        }
        const evhttp_uri* uri = evhttp_request_get_evhttp_uri(request);
        if (const char* path = uri ? evhttp_uri_get_path(uri) : nullptr) incoming.path = path;
        if (const char* query = uri ? evhttp_uri_get_query(uri) : nullptr) incoming.query = query;
        evkeyvalq* headers = evhttp_request_get_input_headers(request);
        for (evkeyval* header = headers->tqh_first; header; header = header->next.tqe_next) {
            incoming.headers.emplace_back(header->key, header->value);
        }
        evbuffer* input = evhttp_request_get_input_buffer(request);
        incoming.body.resize(evbuffer_get_length(input));
        evbuffer_copyout(input, incoming.body.data(), incoming.body.size());
        {
            std::lock_guard lock(state->mutex);
            state->log.push_back(incoming);
        }
        LoopbackReply reply = state->handler(incoming);
        if (reply.hang) return;
        if (reply.streamedBytes && reply.delaySeconds <= 0 && !reply.drop) {
            startStream(state, request, reply);
            return;
        }
        // A connection is closed from the loop, never inside its own request's callback.
        if (reply.delaySeconds <= 0 && !reply.drop) {
            send(request, reply);
            return;
        }
        auto waiting = std::make_unique<Delayed>(Delayed{state, request, std::move(reply)});
        Delayed* pending = waiting.get();
        pending->timer = evtimer_new(state->base, &State::delayPassed, pending);
        timeval delay{};
        delay.tv_sec = long(pending->reply.delaySeconds);
        delay.tv_usec = long(std::lround((pending->reply.delaySeconds - double(delay.tv_sec)) * 1e6));
        evtimer_add(pending->timer, &delay);
        state->delayed.push_back(std::move(waiting));
    }

    static void delayPassed(evutil_socket_t, short, void* data)
    {
        auto* pending = static_cast<Delayed*>(data);
        State* state = pending->state;
        if (pending->reply.drop) {
            evhttp_connection_free(evhttp_request_get_connection(pending->request));
        } else {
            send(pending->request, pending->reply);
        }
        event_free(pending->timer);
        std::erase_if(state->delayed, [pending](const auto& entry) { return entry.get() == pending; });
    }
};

LoopbackHttpServer::LoopbackHttpServer(Handler handler, Transport transport)
    : _state(std::make_unique<State>()), _tls(transport == Transport::SelfSignedTls)
{
    static bool threadsReady = evthread_use_pthreads() == 0;
    if (!threadsReady) throw std::runtime_error("libevent has no thread support");
    // OpenSSL writes a TLS reply with a plain write: a client that hung up mid-reply (as the tests
    // of cut-off transfers make it) would end the whole test program with a signal.
    static const bool pipeSignalIgnored = std::signal(SIGPIPE, SIG_IGN) != SIG_ERR;
    (void)pipeSignalIgnored;
    _state->handler = std::move(handler);
    _state->base = event_base_new();
    _state->http = evhttp_new(_state->base);
    evhttp_set_allowed_methods(_state->http,
                               EVHTTP_REQ_GET | EVHTTP_REQ_POST | EVHTTP_REQ_PUT | EVHTTP_REQ_DELETE | EVHTTP_REQ_HEAD |
                                   EVHTTP_REQ_PATCH);
    evhttp_set_gencb(_state->http, &State::received, _state.get());
    if (_tls) {
        _state->tls = selfSignedContext();
        evhttp_set_bevcb(_state->http, &tlsConnection, _state->tls);
    }
    evhttp_bound_socket* socket = evhttp_bind_socket_with_handle(_state->http, "127.0.0.1", 0);
    if (!socket) throw std::runtime_error("no loopback port");
    sockaddr_storage address{};
    socklen_t length = sizeof(address);
    getsockname(evhttp_bound_socket_get_fd(socket), reinterpret_cast<sockaddr*>(&address), &length);
    _port = ntohs(reinterpret_cast<sockaddr_in*>(&address)->sin_port);
    _state->stop = event_new(
        _state->base, -1, 0,
        [](evutil_socket_t, short, void* base) { event_base_loopbreak(static_cast<event_base*>(base)); }, _state->base);
    State* state = _state.get();
    _state->thread = std::thread([state] { event_base_loop(state->base, EVLOOP_NO_EXIT_ON_EMPTY); });
}

LoopbackHttpServer::~LoopbackHttpServer()
{
    event_active(_state->stop, 0, 0);
    _state->thread.join();
    event_free(_state->stop);
    for (auto& pending : _state->delayed) event_free(pending->timer);
    _state->delayed.clear();
    evhttp_free(_state->http);
    for (auto& stream : _state->streams) {
        if (!stream->ended) close(stream->fd);
        event_free(stream->writable);
    }
    _state->streams.clear();
    event_base_free(_state->base);
    if (_state->tls) SSL_CTX_free(_state->tls);
}

std::string LoopbackHttpServer::baseUrl() const
{
    return (_tls ? "https://127.0.0.1:" : "http://127.0.0.1:") + std::to_string(_port);
}

std::vector<LoopbackRequest> LoopbackHttpServer::requests() const
{
    std::lock_guard lock(_state->mutex);
    return _state->log;
}

uint64_t LoopbackHttpServer::streamedBytes() const
{
    return _state->streamedBytes;
}

size_t LoopbackHttpServer::streamsCut() const
{
    return _state->streamsCut;
}

size_t LoopbackHttpServer::requestCount() const
{
    std::lock_guard lock(_state->mutex);
    return _state->log.size();
}
