#include "link/server/link_server.h"

#include "link/server/dns_sd_library.h"
#include "link/server/http_wire.h"
#include "link/server/libevent_library.h"
#include "link/server/link_server_internal.h"
#include "link/server/pairing.h"

#include <arpa/inet.h>
#include <dlfcn.h>
#include <malloc.h>
#include <netinet/in.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

// One client connection, from its accept to its close.
struct link_connection {
    enum class phase { head, body, handling, writing, lingering };

    link_server_context* context = nullptr;
    uint64_t id = 0;
    int fd = -1;
    // The peer's address bytes; an IPv4 peer on the IPv6 socket counts as its IPv4 address.
    std::string address;
    event* readable = nullptr;
    event* writable = nullptr;
    event* timer = nullptr;
    bool reading = false;
    bool writing = false;
    phase stage = phase::head;
    std::chrono::steady_clock::time_point stage_start;

    std::string input;
    size_t input_used = 0;
    size_t head_scanned = 0;
    http_wire_head head;
    http_body_reader body_reader;
    std::unique_ptr<link_body> body;
    std::shared_ptr<http_request> request;
    http_handler* handler = nullptr;

    std::string output;
    size_t output_sent = 0;
    bool close_after_reply = false;
    size_t lingered = 0;
};

// A thread that runs handlers one after the other.
class link_lane {
public:
    explicit link_lane(link_server_callbacks* callbacks) : thread_([this, callbacks] { run(callbacks); }) {}
    ~link_lane() { stop(); }
    link_lane(const link_lane&) = delete;
    link_lane& operator=(const link_lane&) = delete;

    void post(std::function<void()> job)
    {
        {
            const std::lock_guard lock(mutex_);
            jobs_.push_back(std::move(job));
        }
        ready_.notify_one();
    }

    // The job that runs finishes; those still waiting are dropped with their connections.
    void stop()
    {
        {
            const std::lock_guard lock(mutex_);
            stopping_ = true;
            jobs_.clear();
        }
        ready_.notify_one();
        if (thread_.joinable()) thread_.join();
    }

private:
    void run(link_server_callbacks* callbacks)
    {
        if (callbacks) callbacks->link_thread_started();
        while (true) {
            std::function<void()> job;
            {
                std::unique_lock lock(mutex_);
                ready_.wait(lock, [this] { return stopping_ || !jobs_.empty(); });
                if (stopping_) break;
                job = std::move(jobs_.front());
                jobs_.pop_front();
            }
            job();
        }
        if (callbacks) callbacks->link_thread_ending();
    }

    std::mutex mutex_;
    std::condition_variable ready_;
    std::deque<std::function<void()>> jobs_;
    bool stopping_ = false;
    // Last, so that it starts once everything it uses exists.
    std::thread thread_;
};

namespace {

using phase = link_connection::phase;
using clock_type = std::chrono::steady_clock;

constexpr const char* service_type = "_tarnwick._tcp";
constexpr const char* error_page_format = "<html><head><title>Error %d</title></head><body>Error %d</body></html>";
// Headers are a few short lines; a client that sends more is not a phone of ours.
constexpr size_t max_head_size = 64 * 1024;
constexpr size_t read_chunk = 16 * 1024;
// What one connection may read in one turn, so that a fast sender cannot hold the others.
constexpr size_t read_per_turn = 256 * 1024;
// A body kept in memory while it arrives, and every such body together; more waits on disk.
constexpr size_t body_memory_limit = 256 * 1024;
constexpr size_t body_budget_limit = size_t{4} << 20;
// After a reply that closes its connection, what the client still sends is read and dropped for
// this long, or up to this much.
constexpr int linger_milliseconds = 2000;
constexpr size_t linger_bytes = size_t{1} << 20;
// After a body or a reply of this size has gone, the allocator gives its pages back.
constexpr size_t release_after_bytes = size_t{1} << 20;
// Accepting pauses after an error, first briefly, then up to the longest pause.
constexpr int accept_pause_first_ms = 100;
constexpr int accept_pause_last_ms = 2000;
// An address regains a pairing question once per interval.
constexpr double pairing_question_regained_seconds = 60;

int net_startup()
{
    return 1;
}

void net_cleanup()
{
}

// Only called once link_event_base_create has loaded the library: every event comes from a base
// it made.
const libevent_library& libevent()
{
    return *libevent_library::get();
}

link_server_state& state_of(link_server_context& context)
{
    return *context.state;
}

timeval milliseconds(int count)
{
    return timeval{count / 1000, (count % 1000) * 1000};
}

// Freed pages of a large body or reply would otherwise stay with the allocator. The program runs
// on jemalloc, whose arenas are purged through its control call (arena 4096 stands for all of
// them); where the C library's allocator is the one in use, it is trimmed.
void release_memory()
{
    using mallctl_function = int (*)(const char*, void*, size_t*, void*, size_t);
    static const auto mallctl = reinterpret_cast<mallctl_function>(::dlsym(RTLD_DEFAULT, "mallctl"));
    if (mallctl) mallctl("arena.4096.purge", nullptr, nullptr, nullptr, 0);
    ::malloc_trim(0);
}

event_base* link_event_base_create(link_server_context& context)
{
    if (!libevent_library::get()) {
        link_error_print(context.errors, "%s\n", libevent_library::load_error().c_str());
        return nullptr;
    }
    static std::once_flag threads;
    // The main thread wakes the loop, and the handlers' threads hand their replies back: the base
    // needs locks.
    std::call_once(threads, [] { libevent().evthread_use_pthreads(); });
    return net_startup() ? libevent().event_base_new() : nullptr;
}

void link_event_base_release(event_base* base)
{
    libevent().event_base_free(base);
    net_cleanup();
}

int listen_on(const sockaddr* address, socklen_t length, bool both_families)
{
    const int fd = ::socket(address->sa_family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) return -1;
    const int on = 1;
    const int off = 0;
    if (::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on) == 0 &&
        (!both_families || ::setsockopt(fd, IPPROTO_IPV6, IPV6_V6ONLY, &off, sizeof off) == 0) &&
        ::bind(fd, address, length) == 0 && ::listen(fd, SOMAXCONN) == 0)
        return fd;
    ::close(fd);
    return -1;
}

int listen_on_text(const char* text)
{
    sockaddr_in v4{};
    v4.sin_family = AF_INET;
    if (::inet_pton(AF_INET, text, &v4.sin_addr) == 1)
        return listen_on(reinterpret_cast<const sockaddr*>(&v4), sizeof v4, false);
    sockaddr_in6 v6{};
    v6.sin6_family = AF_INET6;
    if (::inet_pton(AF_INET6, text, &v6.sin6_addr) == 1)
        return listen_on(reinterpret_cast<const sockaddr*>(&v6), sizeof v6, false);
    return -1;
}

// A phone may pick any address the advertisement publishes, IPv6 ones included, so the listener
// takes both families on one socket; where IPv6 is missing, IPv4 alone.
int bind_listener(const link_server_context& context)
{
    if (!context.listen_address.empty()) return listen_on_text(context.listen_address.c_str());
    if (context.loopback_only) return listen_on_text("127.0.0.1");
    sockaddr_in6 any6{};
    any6.sin6_family = AF_INET6;
    any6.sin6_addr = in6addr_any;
    const int fd = listen_on(reinterpret_cast<const sockaddr*>(&any6), sizeof any6, true);
    return fd >= 0 ? fd : listen_on_text("0.0.0.0");
}

bool bound_port(int fd, uint16_t& port)
{
    sockaddr_storage address{};
    socklen_t length = sizeof address;
    if (::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) return false;
    if (address.ss_family == AF_INET6) port = ntohs(reinterpret_cast<const sockaddr_in6*>(&address)->sin6_port);
    else if (address.ss_family == AF_INET) port = ntohs(reinterpret_cast<const sockaddr_in*>(&address)->sin_port);
    else return false;
    return true;
}

std::string address_key(const sockaddr_storage& address)
{
    if (address.ss_family == AF_INET) {
        const auto& v4 = reinterpret_cast<const sockaddr_in&>(address);
        return std::string(reinterpret_cast<const char*>(&v4.sin_addr), sizeof v4.sin_addr);
    }
    if (address.ss_family == AF_INET6) {
        const auto& v6 = reinterpret_cast<const sockaddr_in6&>(address);
        const auto* bytes = reinterpret_cast<const char*>(&v6.sin6_addr);
        if (IN6_IS_ADDR_V4MAPPED(&v6.sin6_addr)) return std::string(bytes + 12, 4);
        return std::string(bytes, sizeof v6.sin6_addr);
    }
    return {};
}

void http_server_open(link_server_context& context, http_server& server, event_base* base)
{
    server.base = base;
    context.server_state = 0;
    server.listener = bind_listener(context);
    if (server.listener < 0) {
        link_error_print(context.errors, "bind() failed: %s\n", std::strerror(errno));
        return;
    }
    context.server_state = 1;
    if (!bound_port(server.listener, server.port)) {
        link_error_print(context.errors, "getsockname() failed\n");
        ::close(server.listener);
        server.listener = -1;
        server.port = 0;
        return;
    }
    context.port = server.port;
    context.server_state = 2;
}

bool http_router_add(http_router& router, const char* path, http_handler* handler)
{
    handler->router = &router;
    if (path) router.routes.emplace_back(path, handler);
    else router.generic = handler;
    return true;
}

// Paths are matched exactly, decoded and without their query.
http_handler* http_route(const http_router& router, std::string_view path)
{
    for (const auto& [route, handler] : router.routes)
        if (route == path) return handler;
    return router.generic;
}

// ---- Connections ----

void arm_timer(link_connection& connection, int milliseconds_from_now)
{
    libevent().event_del(connection.timer);
    if (milliseconds_from_now <= 0) return;
    const timeval after = milliseconds(milliseconds_from_now);
    libevent().event_add(connection.timer, &after);
}

void set_reading(link_connection& connection, bool on)
{
    if (connection.reading == on) return;
    connection.reading = on;
    if (on) libevent().event_add(connection.readable, nullptr);
    else libevent().event_del(connection.readable);
}

void set_writing(link_connection& connection, bool on)
{
    if (connection.writing == on) return;
    connection.writing = on;
    if (on) libevent().event_add(connection.writable, nullptr);
    else libevent().event_del(connection.writable);
}

void enter(link_connection& connection, phase stage, int timeout_milliseconds)
{
    connection.stage = stage;
    connection.stage_start = clock_type::now();
    arm_timer(connection, timeout_milliseconds);
}

void close_connection(link_server_context& context, uint64_t id)
{
    link_server_state& state = state_of(context);
    const auto found = state.connections.find(id);
    if (found == state.connections.end()) return;
    link_connection& connection = *found->second;
    for (event* watched : {connection.readable, connection.writable, connection.timer}) {
        if (!watched) continue;
        libevent().event_del(watched);
        libevent().event_free(watched);
    }
    if (connection.fd >= 0) ::close(connection.fd);
    if (const auto count = state.connections_by_address.find(connection.address);
        count != state.connections_by_address.end() && --count->second <= 0)
        state.connections_by_address.erase(count);
    const bool large = connection.output.size() > release_after_bytes ||
        (connection.body && connection.body->size() > release_after_bytes);
    state.connections.erase(found);
    if (large) release_memory();
}

// The connection that has waited longest for a request (or lingers after its last reply), of the
// address when one is given. Connections whose request is being read, handled or answered are
// never taken: those are the ones already serving someone.
bool evict_oldest_waiting(link_server_context& context, const std::string* address)
{
    const link_connection* oldest = nullptr;
    for (const auto& [id, connection] : state_of(context).connections) {
        if (address && connection->address != *address) continue;
        if (connection->stage != phase::head && connection->stage != phase::lingering) continue;
        if (!oldest || connection->stage_start < oldest->stage_start) oldest = connection.get();
    }
    if (!oldest) return false;
    close_connection(context, oldest->id);
    return true;
}

bool advance(link_server_context& context, link_connection& connection);
bool send_reply(link_server_context& context, link_connection& connection);

bool reply_sent(link_server_context& context, link_connection& connection)
{
    const bool large = connection.output.size() > release_after_bytes;
    std::string().swap(connection.output);
    connection.output_sent = 0;
    if (large) release_memory();
    if (connection.close_after_reply) {
        // Bytes the client still sends (a body that was never read) would turn a close into a
        // reset, which can destroy the reply before the client has read it: the sending side
        // closes first, and what arrives meanwhile is read and dropped for a moment.
        ::shutdown(connection.fd, SHUT_WR);
        std::string().swap(connection.input);
        connection.input_used = 0;
        enter(connection, phase::lingering, linger_milliseconds);
        set_reading(connection, true);
        return true;
    }
    connection.head = http_wire_head{};
    connection.body_reader = http_body_reader{};
    connection.body.reset();
    connection.handler = nullptr;
    enter(connection, phase::head, context.header_timeout_seconds * 1000);
    set_reading(connection, true);
    // A request that came behind this one is already here.
    return advance(context, connection);
}

bool flush(link_server_context& context, link_connection& connection)
{
    while (connection.output_sent < connection.output.size()) {
        const ssize_t sent = ::send(connection.fd, connection.output.data() + connection.output_sent,
                                    connection.output.size() - connection.output_sent, MSG_NOSIGNAL);
        if (sent > 0) {
            connection.output_sent += static_cast<size_t>(sent);
            continue;
        }
        if (sent < 0 && errno == EINTR) continue;
        if (sent < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            set_writing(connection, true);
            // Counted from the last progress: a large map to a slow phone is not cut off.
            arm_timer(connection, context.connection_timeout_seconds * 1000);
            return true;
        }
        close_connection(context, connection.id);
        return false;
    }
    set_writing(connection, false);
    return reply_sent(context, connection);
}

bool send_reply(link_server_context& context, link_connection& connection)
{
    std::shared_ptr<http_request> request = std::move(connection.request);
    if (!request->replied) {
        request->status = 500;
        http_reply_error_page(*request);
    }
    const bool closing =
        connection.close_after_reply || !connection.head.keep_alive || state_of(context).stop_requested;
    connection.close_after_reply = closing;
    connection.output =
        http_reply_bytes(*request, connection.head.minor_version, connection.head.method == "HEAD", closing);
    connection.output_sent = 0;
    request.reset();
    set_reading(connection, false);
    enter(connection, phase::writing, context.connection_timeout_seconds * 1000);
    return flush(context, connection);
}

// A request refused before any handler saw it: bad syntax, a head or body over its limit, or a
// body that could not be kept.
bool refuse(link_server_context& context, link_connection& connection, int status)
{
    connection.request = std::make_shared<http_request>();
    connection.request->status = status;
    http_reply_error_page(*connection.request);
    connection.close_after_reply = true;
    connection.body.reset();
    return send_reply(context, connection);
}

void post_finished(link_server_context& context, uint64_t id, std::shared_ptr<http_request> request, bool pairing)
{
    link_server_state& state = state_of(context);
    {
        const std::lock_guard lock(state.finished_mutex);
        state.finished.push_back({id, std::move(request), pairing});
    }
    libevent().event_active(state.finished_event, EV_READ, 0);
}

bool start_job(link_server_context& context, link_connection& connection, link_lane& lane)
{
    link_server_state& state = state_of(context);
    set_reading(connection, false);
    enter(connection, phase::handling, 0);
    const bool pairing = &lane == state.pairing_lane.get();
    std::shared_ptr<link_body> body(std::move(connection.body));
    lane.post([&context, &state, handler = connection.handler, id = connection.id, request = connection.request,
               body = std::move(body), pairing]() mutable {
        // Only an upload comes with a body; it is parsed here, off the server's thread.
        if (body) http_request_parse(*request, request->uri, body->view());
        handler->handle(*state.router, small_string(request->uri), *request);
        // The reply is made: the body and its fields go here, so that their pages can be given
        // back at once.
        const bool large = body && body->size() > release_after_bytes;
        request->params.destroy();
        body.reset();
        if (large) release_memory();
        post_finished(context, id, std::move(request), pairing);
    });
    connection.request.reset();
    return true;
}

// A pairing question costs the user's attention: one address may ask a few, regained slowly.
bool pairing_question_allowed(const link_server_context& context, link_server_state& state, const std::string& address)
{
    const clock_type::time_point now = clock_type::now();
    const double pairing_questions_per_address = context.pairing_questions_per_address;
    const auto regained = [now, pairing_questions_per_address](const link_server_state::pairing_allowance& allowance) {
        const double seconds = std::chrono::duration<double>(now - allowance.at).count();
        return std::min(pairing_questions_per_address,
                        allowance.questions + seconds / pairing_question_regained_seconds);
    };
    if (state.pairing_allowances.size() > 1024)
        std::erase_if(state.pairing_allowances,
                      [&](const auto& entry) { return regained(entry.second) >= pairing_questions_per_address; });
    const auto [entry, fresh] = state.pairing_allowances.try_emplace(address);
    link_server_state::pairing_allowance& allowance = entry->second;
    allowance.questions = fresh ? pairing_questions_per_address : regained(allowance);
    allowance.at = now;
    if (allowance.questions < 1) return false;
    allowance.questions -= 1;
    return true;
}

bool send_continue(link_connection& connection)
{
    // Sent once the request has proved its pairing; a client that waits for it sends its body
    // only then.
    const std::string_view line = "HTTP/1.1 100 Continue\r\n\r\n";
    const ssize_t sent = ::send(connection.fd, line.data(), line.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
    return sent == static_cast<ssize_t>(line.size());
}

// The head has arrived: the request is routed, and checked before any of its body is read.
bool dispatch(link_server_context& context, link_connection& connection)
{
    link_server_state& state = state_of(context);
    ++context.request_count;
    auto request = std::make_shared<http_request>();
    request->method = connection.head.method;
    request->uri = connection.head.target;
    request->input_headers = connection.head.headers;
    http_request_parse_path(*request, request->uri);
    http_handler* handler = http_route(*state.router, request->path.view());
    connection.handler = handler;
    connection.request = request;

    link_lane* lane = nullptr;
    const bool upload = handler == state.handlers[4].get();
    if (handler == state.handlers[0].get()) {
        if (pair_request_asks(*request)) {
            if (state.pairing_question_open || !pairing_question_allowed(context, state, connection.address)) {
                request->pairing_refused = true;
            } else {
                lane = state.pairing_lane.get();
                state.pairing_question_open = true;
            }
        }
    } else if (handler != state.handlers[1].get()) {
        pairing_session record;
        if (check_authenticate(state, record, *request))
            lane = upload ? state.upload_lane.get() : state.maps_lane.get();
    }

    if (upload && lane) {
        if (connection.head.expects_continue && connection.head.has_body() && !send_continue(connection)) {
            close_connection(context, connection.id);
            return false;
        }
        const std::string folder = !context.scratch_directory.empty() ? context.scratch_directory
                                                                      : std::string(state.working_directory.view());
        connection.body = std::make_unique<link_body>(*state.body_budget, folder, body_memory_limit);
        connection.body_reader.start(connection.head, link_max_body_size);
        enter(connection, phase::body, context.body_timeout_seconds * 1000);
        return true;
    }
    // No other request needs its body, and none is read: the connection closes after the reply.
    if (connection.head.has_body()) connection.close_after_reply = true;
    if (lane) return start_job(context, connection, *lane);
    handler->handle(*state.router, small_string(request->uri), *request);
    return send_reply(context, connection);
}

bool advance(link_server_context& context, link_connection& connection)
{
    const http_wire_limits limits{max_head_size, 100, link_max_body_size};
    while (true) {
        const std::string_view pending = std::string_view(connection.input).substr(connection.input_used);
        if (connection.stage == phase::head) {
            const size_t end = http_find_head_end(pending, connection.head_scanned);
            if (end == std::string_view::npos) {
                if (pending.size() > max_head_size)
                    return refuse(context, connection, http_wire_status(http_wire_error::head_too_large));
                break;
            }
            http_wire_error error = http_wire_error::none;
            if (!http_parse_head(pending.substr(0, end), limits, connection.head, error))
                return refuse(context, connection, http_wire_status(error));
            connection.input_used += end;
            connection.head_scanned = 0;
            if (!dispatch(context, connection)) return false;
            continue;
        }
        if (connection.stage == phase::body) {
            link_body& body = *connection.body;
            connection.input_used +=
                connection.body_reader.consume(pending, [&body](std::string_view bytes) { return body.append(bytes); });
            if (connection.body_reader.failed()) {
                const http_wire_error error = connection.body_reader.error();
                // No error of the request's own: the body could not be kept.
                return refuse(context, connection, error == http_wire_error::none ? 500 : http_wire_status(error));
            }
            if (!connection.body_reader.done()) break;
            start_job(context, connection, *state_of(context).upload_lane);
            continue;
        }
        break;
    }
    if (connection.input_used == connection.input.size()) {
        connection.input.clear();
        connection.input_used = 0;
    } else if (connection.input_used > read_per_turn) {
        connection.input.erase(0, connection.input_used);
        connection.input_used = 0;
    }
    return true;
}

void connection_readable(evutil_socket_t, short, void* argument)
{
    link_connection& connection = *static_cast<link_connection*>(argument);
    link_server_context& context = *connection.context;
    const uint64_t id = connection.id;
    char buffer[read_chunk];
    for (size_t taken = 0; taken < read_per_turn;) {
        const ssize_t count = ::recv(connection.fd, buffer, sizeof buffer, 0);
        if (count == 0 || (count < 0 && errno != EINTR && errno != EAGAIN && errno != EWOULDBLOCK)) {
            // The client went: whatever it left unfinished goes with it.
            close_connection(context, id);
            return;
        }
        if (count < 0) {
            if (errno == EINTR) continue;
            break;
        }
        taken += static_cast<size_t>(count);
        if (connection.stage == phase::lingering) {
            connection.lingered += static_cast<size_t>(count);
            if (connection.lingered > linger_bytes) {
                close_connection(context, id);
                return;
            }
            continue;
        }
        connection.input.append(buffer, static_cast<size_t>(count));
        // A body goes to its storage as it comes, and a head is looked at before more is read.
        if (!advance(context, connection)) return;
        if (!connection.reading) return;
    }
}

void connection_writable(evutil_socket_t, short, void* argument)
{
    link_connection& connection = *static_cast<link_connection*>(argument);
    flush(*connection.context, connection);
}

void connection_timed_out(evutil_socket_t, short, void* argument)
{
    link_connection& connection = *static_cast<link_connection*>(argument);
    close_connection(*connection.context, connection.id);
}

void admit(link_server_context& context, int fd, std::string address)
{
    link_server_state& state = state_of(context);
    const auto held = state.connections_by_address.find(address);
    if (held != state.connections_by_address.end() && held->second >= context.max_connections_per_address &&
        !evict_oldest_waiting(context, &address)) {
        ::close(fd);
        return;
    }
    if (static_cast<int>(state.connections.size()) >= state.connection_limit &&
        !evict_oldest_waiting(context, nullptr)) {
        ::close(fd);
        return;
    }
    auto connection = std::make_unique<link_connection>();
    link_connection& made = *connection;
    made.context = &context;
    made.id = state.next_connection_id++;
    made.fd = fd;
    made.address = std::move(address);
    made.readable = libevent().event_new(state.base, fd, EV_READ | EV_PERSIST, connection_readable, &made);
    made.writable = libevent().event_new(state.base, fd, EV_WRITE | EV_PERSIST, connection_writable, &made);
    made.timer = libevent().event_new(state.base, -1, 0, connection_timed_out, &made);
    ++state.connections_by_address[made.address];
    state.connections.emplace(made.id, std::move(connection));
    if (!made.readable || !made.writable || !made.timer) {
        close_connection(context, made.id);
        return;
    }
    enter(made, phase::head, context.header_timeout_seconds * 1000);
    set_reading(made, true);
}

void accept_resume(evutil_socket_t, short, void* argument)
{
    auto& context = *static_cast<link_server_context*>(argument);
    libevent().event_add(state_of(context).server->accepting, nullptr);
}

// Out of descriptors (or memory), every try fails at once while the connection waits: accepting
// pauses, and the reason is said once for the whole spell, not once per try.
void pause_accepting(link_server_context& context, int error)
{
    link_server_state& state = state_of(context);
    if (!state.accept_error_said)
        link_error_print(context.errors, "The device link pauses taking connections: %s\n", std::strerror(error));
    state.accept_error_said = true;
    state.accept_pause_ms =
        state.accept_pause_ms ? std::min(state.accept_pause_ms * 2, accept_pause_last_ms) : accept_pause_first_ms;
    libevent().event_del(state.server->accepting);
    const timeval after = milliseconds(state.accept_pause_ms);
    libevent().event_add(state.accept_pause, &after);
}

void accept_ready(evutil_socket_t listener, short, void* argument)
{
    auto& context = *static_cast<link_server_context*>(argument);
    link_server_state& state = state_of(context);
    // A few at a time, so that a flood of connections cannot hold the loop.
    for (int accepted = 0; accepted < 64; ++accepted) {
        sockaddr_storage address{};
        socklen_t length = sizeof address;
        const int fd =
            ::accept4(listener, reinterpret_cast<sockaddr*>(&address), &length, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (fd < 0) {
            if (errno == EINTR || errno == ECONNABORTED || errno == EPROTO) continue;
            if (errno != EAGAIN && errno != EWOULDBLOCK) pause_accepting(context, errno);
            return;
        }
        state.accept_pause_ms = 0;
        state.accept_error_said = false;
        admit(context, fd, address_key(address));
    }
}

void finished_ready(evutil_socket_t, short, void* argument)
{
    auto& context = *static_cast<link_server_context*>(argument);
    link_server_state& state = state_of(context);
    std::vector<link_server_state::finished_request> finished;
    {
        const std::lock_guard lock(state.finished_mutex);
        finished.swap(state.finished);
    }
    for (link_server_state::finished_request& done : finished) {
        if (done.pairing) state.pairing_question_open = false;
        const auto found = state.connections.find(done.connection);
        if (found == state.connections.end()) continue;
        found->second->request = std::move(done.request);
        send_reply(context, *found->second);
    }
}

void close_all_connections(link_server_context& context)
{
    link_server_state& state = state_of(context);
    while (!state.connections.empty()) close_connection(context, state.connections.begin()->first);
}

// Connections are kept within a quarter of the descriptors the process may open.
int connection_limit(const link_server_context& context)
{
    rlimit limit{};
    int allowed = context.max_connections;
    if (::getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY)
        allowed =
            static_cast<int>(std::min<rlim_t>(static_cast<rlim_t>(allowed), std::max<rlim_t>(4, limit.rlim_cur / 4)));
    return std::max(1, allowed);
}

bool link_server_start(link_server_context& context, event_base* base, uint16_t& port)
{
    link_server_state& state = *context.state;
    // A hook given beforehand (a test's) stays.
    if (!context.errors.error_hook) link_error_hook_install(context.errors);
    state.server = std::make_unique<http_server>();
    http_server_open(context, *state.server, base);
    if (state.server->listener < 0) {
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

    state.connection_limit = connection_limit(context);
    state.finished_event = libevent().event_new(base, -1, 0, finished_ready, &context);
    state.accept_pause = libevent().event_new(base, -1, 0, accept_resume, &context);
    state.server->accepting =
        libevent().event_new(base, state.server->listener, EV_READ | EV_PERSIST, accept_ready, &context);
    if (state.server->accepting) libevent().event_add(state.server->accepting, nullptr);
    state.pairing_lane = std::make_unique<link_lane>(context.callbacks);
    state.maps_lane = std::make_unique<link_lane>(context.callbacks);
    state.upload_lane = std::make_unique<link_lane>(context.callbacks);
    port = state.server->port;
    return true;
}

void link_server_stop(link_server_context& context)
{
    link_server_state& state = *context.state;
    close_all_connections(context);
    // The lanes end before what their handlers use goes.
    state.pairing_lane.reset();
    state.maps_lane.reset();
    state.upload_lane.reset();
    state.finished.clear();
    for (event** owned : {&state.finished_event, &state.accept_pause}) {
        if (!*owned) continue;
        libevent().event_del(*owned);
        libevent().event_free(*owned);
        *owned = nullptr;
    }
    if (state.server) {
        if (state.server->accepting) {
            libevent().event_del(state.server->accepting);
            libevent().event_free(state.server->accepting);
        }
        if (state.server->listener >= 0) ::close(state.server->listener);
    }
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

} // namespace

link_server_state::link_server_state() : body_budget(std::make_unique<link_body_budget>(body_budget_limit))
{
}

link_server_state::~link_server_state() = default;

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
    request.content_type = "text/plain";
    request.reply_body.assign(body);
    request.replied = true;
}

void http_reply_html(http_request& request, std::string_view body)
{
    request.content_type = "text/html";
    request.reply_body.assign(body);
    request.replied = true;
}

void http_reply_error_page(http_request& request)
{
    const small_string page = small_string_format(error_page_format, request.status, request.status);
    http_reply_html(request, page.view());
}

std::string http_reply_bytes(const http_request& request, int minor_version, bool head_only, bool closing)
{
    std::string bytes = "HTTP/1." + std::to_string(minor_version) + " " + std::to_string(request.status) +
        (request.status < 400 ? " OK" : " ERROR") + "\r\n";
    for (const auto& [name, value] : request.output_headers) bytes += name + ": " + value + "\r\n";
    bytes += "Content-Type: " + request.content_type + "\r\n";
    bytes += "Content-Length: " + std::to_string(request.reply_body.size()) + "\r\n";
    if (closing) bytes += "Connection: close\r\n";
    else if (minor_version == 0) bytes += "Connection: keep-alive\r\n";
    bytes += "\r\n";
    // The body is sent whole, zero bytes included.
    if (!head_only) bytes += request.reply_body;
    return bytes;
}

bool http_get_header(const http_request& request, const char* name, small_string& out)
{
    const std::string_view wanted(name);
    for (const auto& [key, value] : request.input_headers) {
        if (key.size() != wanted.size() || !std::equal(key.begin(), key.end(), wanted.begin(), [](char a, char b) {
                return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
            }))
            continue;
        out = small_string(std::string_view(value));
        return true;
    }
    return false;
}

bool http_set_header(http_request& request, const char* name, const char* value)
{
    // A line end in a value would start a header of its own.
    if (std::strpbrk(value, "\r\n")) return false;
    request.output_headers.emplace_back(name, value);
    return true;
}
