#include "GoogleDrive/GDriveRedirectListener.h"

#include "platform/MainLoop.h"

#include <gio/gio.h>

#include <algorithm>
#include <vector>

namespace {

bool isTargetCharacter(char c)
{
    // Printable ASCII without blanks: anything else has no place in a request line.
    return c > 0x20 && c < 0x7f;
}

std::string reply(int status, const std::string& reason, const std::vector<std::string>& headers,
                  const std::string& body)
{
    std::string text = "HTTP/1.1 " + std::to_string(status) + " " + reason + "\r\n";
    for (const std::string& header : headers) text += header + "\r\n";
    text +=
        "Content-Length: " + std::to_string(body.size()) + "\r\nConnection: close\r\nCache-Control: no-store\r\n\r\n";
    return text + body;
}

} // namespace

GDriveRedirectListener::Parse GDriveRedirectListener::parseRequest(std::string_view bytes, std::string& target)
{
    const size_t end = bytes.find("\r\n\r\n");
    if (end == std::string_view::npos) {
        if (bytes.size() >= MaximumRequestBytes) return Parse::Bad;
        // A head that can no longer become a GET request is bad now, not at 8 KiB.
        const std::string_view start = bytes.substr(0, std::min<size_t>(bytes.size(), 4));
        if (std::string_view("GET ").substr(0, start.size()) != start) return Parse::Bad;
        return Parse::Incomplete;
    }
    if (end + 4 > MaximumRequestBytes) return Parse::Bad;
    const std::string_view line = bytes.substr(0, bytes.find("\r\n"));
    if (line.substr(0, 4) != "GET ") return Parse::Bad;
    const size_t space = line.find(' ', 4);
    if (space == std::string_view::npos) return Parse::Bad;
    const std::string_view path = line.substr(4, space - 4);
    const std::string_view version = line.substr(space + 1);
    if (version != "HTTP/1.1" && version != "HTTP/1.0") return Parse::Bad;
    if (path.empty() || path[0] != '/' || !std::all_of(path.begin(), path.end(), isTargetCharacter)) {
        return Parse::Bad;
    }
    target.assign(path);
    return Parse::Complete;
}

struct GDriveRedirectListener::Impl {
    struct Connection {
        Impl* impl = nullptr;
        GSocketConnection* connection = nullptr;
        GCancellable* cancellable = nullptr;
        std::string received;
        char buffer[1024];
    };

    std::string successUrl;
    Handler handler;
    std::function<void()> gaveUp;
    GSocketService* service = nullptr;
    gulong incomingHandler = 0;
    std::string redirectUrl;
    std::vector<std::unique_ptr<Connection>> connections;
    DelayedPerform giveUp;
    // Answers that end the listening run their handler last: it may end this listener.
    std::shared_ptr<bool> alive = std::make_shared<bool>(true);

    ~Impl()
    {
        *alive = false;
        close();
    }

    void close()
    {
        giveUp.cancel();
        for (auto& connection : connections) drop(*connection);
        connections.clear();
        if (service) {
            g_socket_service_stop(service);
            g_socket_listener_close(G_SOCKET_LISTENER(service));
            if (incomingHandler) g_signal_handler_disconnect(service, incomingHandler);
            g_object_unref(service);
        }
        service = nullptr;
        incomingHandler = 0;
    }

    static void drop(Connection& connection)
    {
        if (connection.cancellable) {
            g_cancellable_cancel(connection.cancellable);
            g_object_unref(connection.cancellable);
            connection.cancellable = nullptr;
        }
        if (connection.connection) {
            g_io_stream_close(G_IO_STREAM(connection.connection), nullptr, nullptr);
            g_object_unref(connection.connection);
            connection.connection = nullptr;
        }
    }

    void forget(Connection* connection)
    {
        drop(*connection);
        std::erase_if(connections, [connection](const auto& entry) { return entry.get() == connection; });
    }

    static gboolean incoming(GSocketService*, GSocketConnection* socket, GObject*, gpointer data)
    {
        auto* impl = static_cast<Impl*>(data);
        // A browser opens a few connections at most; a flood from another local program is shut out.
        if (impl->connections.size() >= MaximumConnections) {
            g_io_stream_close(G_IO_STREAM(socket), nullptr, nullptr);
            return TRUE;
        }
        auto connection = std::make_unique<Connection>();
        connection->impl = impl;
        connection->connection = G_SOCKET_CONNECTION(g_object_ref(socket));
        connection->cancellable = g_cancellable_new();
        Connection* started = connection.get();
        impl->connections.push_back(std::move(connection));
        impl->readMore(started);
        return TRUE;
    }

    void readMore(Connection* connection)
    {
        GInputStream* input = g_io_stream_get_input_stream(G_IO_STREAM(connection->connection));
        g_input_stream_read_async(input, connection->buffer, sizeof(connection->buffer), G_PRIORITY_DEFAULT,
                                  connection->cancellable, &Impl::readDone, connection);
    }

    static void readDone(GObject* source, GAsyncResult* result, gpointer data)
    {
        GError* error = nullptr;
        const gssize count = g_input_stream_read_finish(G_INPUT_STREAM(source), result, &error);
        if (error && g_error_matches(error, G_IO_ERROR, G_IO_ERROR_CANCELLED)) {
            // The connection (and maybe the listener) is gone: data points nowhere now.
            g_error_free(error);
            return;
        }
        auto* connection = static_cast<Connection*>(data);
        Impl* impl = connection->impl;
        if (error || count <= 0) {
            if (error) g_error_free(error);
            impl->forget(connection);
            return;
        }
        connection->received.append(connection->buffer, size_t(count));
        std::string target;
        switch (parseRequest(connection->received, target)) {
        case Parse::Incomplete:
            impl->readMore(connection);
            return;
        case Parse::Bad:
            impl->answer(connection, reply(400, "Bad Request", {"Content-Type: text/plain"}, "Bad request\n"));
            return;
        case Parse::Complete:
            break;
        }
        // The address the browser was sent to, made from our own redirect address, never from
        // the request's Host header.
        std::string base = impl->redirectUrl;
        if (!base.empty() && base.back() == '/') base.pop_back();
        std::weak_ptr<bool> alive = impl->alive;
        const bool taken = impl->handler && impl->handler(base + target);
        // The handler may have ended the listener, and the connection with it.
        if (alive.expired() || !impl->service) return;
        if (!taken) {
            impl->answer(connection, reply(400, "Bad Request", {"Content-Type: text/plain"}, "Bad request\n"));
            return;
        }
        const std::string text = impl->successUrl.empty()
            ? reply(200, "OK", {"Content-Type: text/html; charset=utf-8"},
                    "<!DOCTYPE html><html><body><p>Tarnwick is connected to Google Drive. You can close this "
                    "window.</p></body></html>\n")
            : reply(302, "Found", {"Location: " + impl->successUrl}, "");
        impl->answer(connection, text);
        impl->close();
    }

    void answer(Connection* connection, const std::string& text)
    {
        GOutputStream* output = g_io_stream_get_output_stream(G_IO_STREAM(connection->connection));
        // A few hundred bytes to a fresh loopback connection fit its buffer: this never waits.
        g_output_stream_write_all(output, text.data(), text.size(), nullptr, nullptr, nullptr);
        forget(connection);
    }
};

GDriveRedirectListener::GDriveRedirectListener(std::string successUrl, Handler handler, std::function<void()> gaveUp)
    : _impl(std::make_unique<Impl>())
{
    _impl->successUrl = std::move(successUrl);
    _impl->handler = std::move(handler);
    _impl->gaveUp = std::move(gaveUp);
}

GDriveRedirectListener::~GDriveRedirectListener() = default;

std::optional<std::string> GDriveRedirectListener::start(std::string& error)
{
    _impl->close();
    _impl->service = g_socket_service_new();
    GInetAddress* loopback = g_inet_address_new_loopback(G_SOCKET_FAMILY_IPV4);
    GSocketAddress* address = g_inet_socket_address_new(loopback, 0);
    g_object_unref(loopback);
    GSocketAddress* effective = nullptr;
    GError* failure = nullptr;
    const gboolean added =
        g_socket_listener_add_address(G_SOCKET_LISTENER(_impl->service), address, G_SOCKET_TYPE_STREAM,
                                      G_SOCKET_PROTOCOL_TCP, nullptr, &effective, &failure);
    g_object_unref(address);
    if (!added) {
        error = failure ? failure->message : "The sign-in listener could not be started.";
        if (failure) g_error_free(failure);
        _impl->close();
        return std::nullopt;
    }
    const guint16 port = g_inet_socket_address_get_port(G_INET_SOCKET_ADDRESS(effective));
    g_object_unref(effective);
    _impl->incomingHandler = g_signal_connect(_impl->service, "incoming", G_CALLBACK(&Impl::incoming), _impl.get());
    g_socket_service_start(_impl->service);
    _impl->redirectUrl = "http://127.0.0.1:" + std::to_string(port) + "/";
    Impl* impl = _impl.get();
    _impl->giveUp = performAfterDelay(_giveUpSeconds, [impl] {
        impl->close();
        auto gaveUp = impl->gaveUp;
        if (gaveUp) gaveUp();
    });
    return _impl->redirectUrl;
}

bool GDriveRedirectListener::isListening() const
{
    return _impl->service != nullptr;
}

void GDriveRedirectListener::stop()
{
    _impl->close();
}
