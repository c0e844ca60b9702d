#include "link/server/link_server.h"

#include "link/server/dns_sd_library.h"
#include "link/server/libevent_library.h"
#include "link/server/link_server_internal.h"
#include "link/server/pairing.h"

#include <arpa/inet.h>
#include <event2/keyvalq_struct.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <mutex>

namespace {

constexpr const char* service_type = "_tarnwick._tcp";
constexpr const char* error_page_format = "<html><head><title>Error %d</title></head><body>Error %d</body></html>";
// Headers are a few short lines; a client that sends more is not a phone of ours.
constexpr ev_ssize_t max_headers_size = 64 * 1024;

int net_startup()
{
    return 1;
}

void net_cleanup()
{
}

// Only called once link_event_base_create has loaded the library: every event, request and server
// comes from a base it made.
const libevent_library& libevent()
{
    return *libevent_library::get();
}

event_base* link_event_base_create(link_server_context& context)
{
    if (!libevent_library::get()) {
        link_error_print(context.errors, "%s\n", libevent_library::load_error().c_str());
        return nullptr;
    }
    static std::once_flag threads;
    // The main thread wakes the loop to stop it or to clear the pairings: the base needs locks.
    std::call_once(threads, [] { libevent().evthread_use_pthreads(); });
    return net_startup() ? libevent().event_base_new() : nullptr;
}

void link_event_base_release(event_base* base)
{
    libevent().event_base_free(base);
    net_cleanup();
}

// A phone may pick any address the advertisement publishes, IPv6 ones included, so the listener
// takes both families on one socket; where IPv6 is missing, IPv4 alone.
evhttp_bound_socket* bind_listener(evhttp* http, const link_server_context& context)
{
    if (!context.listen_address.empty())
        return libevent().evhttp_bind_socket_with_handle(http, context.listen_address.c_str(), 0);
    if (context.loopback_only) return libevent().evhttp_bind_socket_with_handle(http, "127.0.0.1", 0);
    const int fd = ::socket(AF_INET6, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd >= 0) {
        const int off = 0;
        const int on = 1;
        sockaddr_in6 address{};
        address.sin6_family = AF_INET6;
        address.sin6_addr = in6addr_any;
        if (::setsockopt(fd, IPPROTO_IPV6, IPV6_V6ONLY, &off, sizeof off) == 0 &&
            ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on) == 0 &&
            ::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0 && ::listen(fd, 128) == 0) {
            if (evhttp_bound_socket* bound = libevent().evhttp_accept_socket_with_handle(http, fd)) return bound;
        }
        ::close(fd);
    }
    return libevent().evhttp_bind_socket_with_handle(http, "0.0.0.0", 0);
}

bool bound_port(evhttp_bound_socket* bound, uint16_t& port)
{
    sockaddr_storage address{};
    socklen_t length = sizeof address;
    if (::getsockname(libevent().evhttp_bound_socket_get_fd(bound), reinterpret_cast<sockaddr*>(&address), &length) !=
        0)
        return false;
    if (address.ss_family == AF_INET6) port = ntohs(reinterpret_cast<const sockaddr_in6*>(&address)->sin6_port);
    else if (address.ss_family == AF_INET) port = ntohs(reinterpret_cast<const sockaddr_in*>(&address)->sin_port);
    else return false;
    return true;
}

void http_server_open(link_server_context& context, http_server& server, event_base* base)
{
    server.base = base;
    context.server_state = 0;
    server.http = libevent().evhttp_new(base);
    if (!server.http) {
        link_error_print(context.errors, "libevent().evhttp_new(base) failed\n");
        return;
    }
    libevent().evhttp_set_max_body_size(server.http, static_cast<ev_ssize_t>(link_max_body_size));
    libevent().evhttp_set_max_headers_size(server.http, max_headers_size);
    libevent().evhttp_set_timeout(server.http, context.connection_timeout_seconds);
    evhttp_bound_socket* bound = bind_listener(server.http, context);
    if (!bound) {
        link_error_print(context.errors, "bind() failed\n");
        libevent().evhttp_free(server.http);
        server.http = nullptr;
        return;
    }
    context.server_state = 1;
    if (!bound_port(bound, server.port)) {
        link_error_print(context.errors, "getsockname() failed\n");
        libevent().evhttp_free(server.http);
        server.http = nullptr;
        server.port = 0;
        return;
    }
    context.port = server.port;
    context.server_state = 2;
}

void http_request_dispatch(evhttp_request* evrequest, void* argument)
{
    auto* handler = static_cast<http_handler*>(argument);
    http_router& router = *handler->router;
    ++router.context->request_count;

    http_request request;
    request.evrequest = evrequest;
    request.timeout_seconds = router.context->connection_timeout_seconds;
    const char* uri = libevent().evhttp_request_get_uri(evrequest);
    evbuffer* input = libevent().evhttp_request_get_input_buffer(evrequest);
    const size_t length = libevent().evbuffer_get_length(input);
    const unsigned char* bytes = length ? libevent().evbuffer_pullup(input, -1) : nullptr;
    http_request_parse(request, uri ? uri : "",
                       std::string_view(reinterpret_cast<const char*>(bytes), bytes ? length : 0));
    const small_string uri_copy(uri ? uri : "");
    handler->handle(router, uri_copy, request);
    http_request_free(request);
}

bool http_router_add(http_router& router, const char* path, http_handler* handler)
{
    handler->router = &router;
    if (path) return libevent().evhttp_set_cb(router.server->http, path, http_request_dispatch, handler) == 0;
    libevent().evhttp_set_gencb(router.server->http, http_request_dispatch, handler);
    return true;
}

bool link_server_start(link_server_context& context, event_base* base, uint16_t& port)
{
    link_server_state& state = *context.state;
    link_error_hook_install(context.errors);
    state.server = std::make_unique<http_server>();
    http_server_open(context, *state.server, base);
    if (!state.server->http) {
        // Without a bound port there is nothing to route to and nothing to advertise.
        std::fputs("Couldn't open net interface\n", stderr);
        state.server.reset();
        return false;
    }
    state.router = std::make_unique<http_router>();
    state.router->server = state.server.get();
    state.router->context = &context;
    state.handlers[0] = std::make_unique<pair_handler>();
    state.handlers[1] = std::make_unique<identify_handler>();
    state.handlers[2] = std::make_unique<mindmaps_list_handler>();
    state.handlers[3] = std::make_unique<mindmaps_retrieve_handler>();
    state.handlers[4] = std::make_unique<mindmaps_upload_handler>();
    http_router_add(*state.router, "/pair", state.handlers[0].get());
    http_router_add(*state.router, "/identify", state.handlers[1].get());
    http_router_add(*state.router, "/mindmaps/list", state.handlers[2].get());
    http_router_add(*state.router, nullptr, state.handlers[3].get());
    http_router_add(*state.router, "/mindmaps/upload", state.handlers[4].get());
    port = state.server->port;
    return true;
}

void link_server_stop(link_server_context& context)
{
    link_server_state& state = *context.state;
    // The evhttp server goes first: it holds the handlers as callback arguments.
    if (state.server && state.server->http) libevent().evhttp_free(state.server->http);
    state.server.reset();
    state.router.reset();
    for (auto& handler : state.handlers) handler.reset();
}

void http_loop_once(http_router& router)
{
    router.context->server_state = 3;
    libevent().event_base_loop(router.server->base, EVLOOP_ONCE);
    router.context->server_state = 4;
}

void http_router_run_once(http_router& router, bool& did_work)
{
    did_work = false;
    if (router.busy) return;
    router.busy = true;
    http_loop_once(router);
    router.busy = false;
}

void link_server_loop(link_server_context& context)
{
    link_server_state& state = *context.state;
    while (!state.stop_requested) {
        if (state.clear_requested.exchange(false)) pairing_clear_cache(state);
        bool did_work = false;
        http_router_run_once(*state.router, did_work);
    }
}

// The wake event only makes the current pass return; the loop reads the requests.
void wake_ready(evutil_socket_t, short, void*)
{
}

void wake(link_server_state& state)
{
    const std::lock_guard lock(state.wake_mutex);
    if (state.wake_event) libevent().event_active(state.wake_event, EV_READ, 0);
}

const char* bonjour_challenge_new(link_server_context& context)
{
    link_server_state& state = *context.state;
    unsigned char bytes[32];
    random_challenge_bytes(bytes);
    state.bonjour_challenge.clear();
    if (!base64url_encode(std::string_view(reinterpret_cast<const char*>(bytes), sizeof bytes),
                          state.bonjour_challenge)) {
        link_error_print(context.errors, "Unable to base64 encode a challenge\n");
        return nullptr;
    }
    return state.bonjour_challenge.c_str();
}

void bonjour_register_reply(void* argument, int32_t error)
{
    auto& context = *static_cast<link_server_context*>(argument);
    context.name_server_status = error;
    if (error == 0) context.bonjour_registered = true;
}

void bonjour_socket_ready(evutil_socket_t, short events, void* argument)
{
    auto& context = *static_cast<link_server_context*>(argument);
    link_server_state& state = *context.state;
    if (!(events & EV_READ) || !state.registrar) return;
    const int32_t result = state.registrar->process_result();
    if (result == 0) return;
    context.name_server_status = result;
    // A name server that went away leaves its socket readable for ever: watching it further
    // would spin the loop without serving anything.
    if (state.bonjour_event) libevent().event_del(state.bonjour_event);
}

bool bonjour_register(link_server_context& context, event_base* base, const char* type, uint16_t port,
                      std::string_view challenge)
{
    link_server_state& state = *context.state;
    if (context.registrar) {
        state.registrar = context.registrar.get();
    } else {
        state.owned_registrar = dns_sd_registrar_new();
        state.registrar = state.owned_registrar.get();
    }
    const std::vector<uint8_t> txt = bonjour_txt_record(challenge);
    const int32_t error = state.registrar->register_service(type, port, txt, bonjour_register_reply, &context);
    if (error != 0) {
        context.name_server_status = error;
        return false;
    }
    if (state.registrar->has_reference()) {
        state.bonjour_event = libevent().event_new(base, state.registrar->socket_fd(), EV_READ | EV_PERSIST,
                                                   bonjour_socket_ready, &context);
        if (state.bonjour_event && libevent().event_add(state.bonjour_event, nullptr) == 0) {
            context.name_server_status = 0;
            return true;
        }
    }
    context.name_server_status = kDNSServiceErr_Unknown;
    return false;
}

void bonjour_unregister(link_server_context& context)
{
    link_server_state& state = *context.state;
    context.bonjour_registered = false;
    if (state.bonjour_event) {
        libevent().event_del(state.bonjour_event);
        libevent().event_free(state.bonjour_event);
        state.bonjour_event = nullptr;
    }
    if (state.registrar) state.registrar->deallocate();
    state.registrar = nullptr;
    state.owned_registrar.reset();
}

void http_reply(http_request& request, std::string_view body, const char* type, int timeout_seconds)
{
    evhttp_request* evrequest = request.evrequest;
    // The time-out counts from the last transfer, and a handler may have waited for the user far
    // longer than that: without a fresh start the reply would be dropped as soon as it is queued.
    // The loop's clock stands still while a handler runs, so it is moved on first.
    if (evhttp_connection* connection = libevent().evhttp_request_get_connection(evrequest)) {
        libevent().event_base_update_cache_time(libevent().evhttp_connection_get_base(connection));
        libevent().evhttp_connection_set_timeout(connection, timeout_seconds);
    }
    libevent().evhttp_add_header(libevent().evhttp_request_get_output_headers(evrequest), "Content-Type", type);
    evbuffer* buffer = libevent().evbuffer_new();
    if (buffer) libevent().evbuffer_add(buffer, body.data(), body.size());
    libevent().evhttp_send_reply(evrequest, request.status, request.status < 400 ? "OK" : "ERROR", buffer);
    if (buffer) libevent().evbuffer_free(buffer);
}

} // namespace

link_server_context::link_server_context(link_server_callbacks* callbacks, std::unique_ptr<dns_sd_registrar> registrar)
    : callbacks(callbacks), registrar(std::move(registrar)), state(std::make_unique<link_server_state>())
{
    // The compatibility library warns on standard error at its first call unless told not to;
    // the environment is set here, on the thread that makes the server, before any thread reads it.
    ::setenv("AVAHI_COMPAT_NOWARN", "1", 0);
}

link_server_context::~link_server_context() = default;

void set_working_directory(link_server_state& state, const char* text)
{
    state.working_directory = text;
    const std::string_view folder = state.working_directory.view();
    if (!folder.empty() && !folder.ends_with('/') && !folder.ends_with('\\')) state.working_directory.append('/');
}

std::vector<uint8_t> bonjour_txt_record(std::string_view challenge)
{
    // Without the library nothing can be advertised, so there is no record to make either.
    const dns_sd_library* library = dns_sd_library::get();
    if (!library) return {};
    unsigned char storage[1024] = {};
    TXTRecordRef record;
    library->txt_record_create(&record, sizeof storage, storage);
    const auto set = [&record, library](const char* key, std::string_view value) {
        // An entry is one length byte's worth of "key=value"; one that does not fit would be left
        // out altogether, so the value is cut until it fits.
        const size_t room = 255 - std::strlen(key) - 1;
        const size_t length = std::min({value.size(), size_t{255}, room});
        library->txt_record_set_value(&record, key, static_cast<uint8_t>(length), value.data());
    };
    set("txtvers", "1");
    set("path", "/mindmaps/");
    set("pair", "/pair");
    set("challenge", challenge);
    const auto* bytes = static_cast<const uint8_t*>(library->txt_record_get_bytes_ptr(&record));
    std::vector<uint8_t> txt(bytes, bytes + library->txt_record_get_length(&record));
    library->txt_record_deallocate(&record);
    return txt;
}

void link_server_run(link_server_context& context, const char* working_directory)
{
    link_server_state& state = *context.state;
    event_base* base = link_event_base_create(context);
    if (!base) return;
    state.base = base;
    set_working_directory(state, working_directory ? working_directory : "");
    uint16_t port = 0;
    if (link_server_start(context, base, port)) {
        {
            const std::lock_guard lock(state.wake_mutex);
            state.wake_event = libevent().event_new(base, -1, 0, wake_ready, nullptr);
        }
        const char* challenge = bonjour_challenge_new(context);
        bonjour_register(context, base, service_type, port, challenge ? challenge : "");
        link_server_loop(context);
        bonjour_unregister(context);
        const std::lock_guard lock(state.wake_mutex);
        if (state.wake_event) libevent().event_free(state.wake_event);
        state.wake_event = nullptr;
    }
    link_server_stop(context);
    state.base = nullptr;
    link_event_base_release(base);
}

void link_server_request_stop(link_server_context& context)
{
    context.state->stop_requested = true;
    wake(*context.state);
}

void link_clear_pairing_cache(link_server_context& context)
{
    context.state->clear_requested = true;
    wake(*context.state);
}

bool link_is_functioning(const link_server_context& context)
{
    return context.bonjour_registered && context.server_state > 2;
}

int32_t link_name_server_status(const link_server_context& context)
{
    return context.name_server_status;
}

int32_t link_data_server_status(const link_server_context& context)
{
    return context.server_state;
}

int32_t link_request_count(const link_server_context& context)
{
    return context.request_count;
}

uint16_t link_server_port(const link_server_context& context)
{
    return context.port;
}

void http_reply_text(http_request& request, std::string_view body)
{
    http_reply(request, body, "text/plain", request.timeout_seconds);
}

void http_reply_html(http_request& request, std::string_view body)
{
    http_reply(request, body, "text/html", request.timeout_seconds);
}

void http_reply_error_page(http_request& request)
{
    const small_string page = small_string_format(error_page_format, request.status, request.status);
    http_reply_html(request, page.view());
}

bool http_get_header(const http_request& request, const char* name, small_string& out)
{
    if (!request.evrequest) return false;
    const char* value =
        libevent().evhttp_find_header(libevent().evhttp_request_get_input_headers(request.evrequest), name);
    if (!value) return false;
    out = value;
    return true;
}

bool http_set_header(http_request& request, const char* name, const char* value)
{
    return request.evrequest &&
        libevent().evhttp_add_header(libevent().evhttp_request_get_output_headers(request.evrequest), name, value) == 0;
}
