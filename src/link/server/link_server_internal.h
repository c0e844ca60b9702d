#pragma once

// The server's inner objects, shared by the frame, the pairing and the map handlers. Everything
// here belongs to the server thread, except where a field says otherwise.

#include "link/server/http_request.h"
#include "link/server/link_body.h"
#include "link/server/link_server.h"

#include <array>
#include <chrono>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

struct event;
struct event_base;

struct http_server {
    event_base* base = nullptr; // not owned
    int listener = -1;          // owned; -1 when opening failed
    event* accepting = nullptr; // the listener's read event
    uint16_t port = 0;          // host byte order
};

class http_handler;

struct http_router {
    http_server* server = nullptr;
    link_server_context* context = nullptr;
    bool busy = false;
    // Paths matched exactly, and the handler of every other path.
    std::vector<std::pair<std::string, http_handler*>> routes;
    http_handler* generic = nullptr;
};

class http_handler {
public:
    virtual ~http_handler() = default;
    // Must send exactly one reply.
    virtual void handle(http_router& router, const small_string& uri, http_request& request) = 0;

    http_router* router = nullptr;
};

class paired_http_handler : public http_handler {};

class pair_handler final : public paired_http_handler {
public:
    void handle(http_router& router, const small_string& uri, http_request& request) override;
};

class identify_handler final : public paired_http_handler {
public:
    void handle(http_router& router, const small_string& uri, http_request& request) override;
};

class mindmaps_list_handler final : public paired_http_handler {
public:
    void handle(http_router& router, const small_string& uri, http_request& request) override;
};

class mindmaps_retrieve_handler final : public paired_http_handler {
public:
    void handle(http_router& router, const small_string& uri, http_request& request) override;
};

class mindmaps_upload_handler final : public paired_http_handler {
public:
    void handle(http_router& router, const small_string& uri, http_request& request) override;
};

struct link_connection;
class link_lane;

struct link_server_state {
    link_server_state();
    ~link_server_state();

    small_string working_directory;
    small_string bonjour_challenge;
    // The pairing tables below are read and written by the server thread and by the threads that
    // run handlers; every access holds this.
    std::mutex pairing_mutex;
    string_map<small_string> paired_secrets;
    string_map<small_string> issued_challenges;
    // The challenge "/identify" last gave an app without a valid authenticator. Kept apart from the
    // issued one, so that a stranger asking there under a phone's app id cannot take the phone's
    // challenge away; either one passes the next check, which uses up both.
    string_map<small_string> identify_challenges;

    event_base* base = nullptr;
    std::unique_ptr<http_server> server;
    std::unique_ptr<http_router> router;
    std::array<std::unique_ptr<http_handler>, 5> handlers;
    event* bonjour_event = nullptr;
    dns_sd_registrar* registrar = nullptr; // the context's, or owned_registrar
    std::unique_ptr<dns_sd_registrar> owned_registrar;

    // The main thread wakes the loop through this event; the mutex guards the pointer, which the
    // server thread sets once the base exists and clears before freeing it.
    std::mutex wake_mutex;
    event* wake_event = nullptr;
    std::atomic<bool> stop_requested{false};
    std::atomic<bool> clear_requested{false};

    // Connections by id; the per-address counts bound what one address may hold.
    std::map<uint64_t, std::unique_ptr<link_connection>> connections;
    std::map<std::string, int> connections_by_address;
    uint64_t next_connection_id = 1;
    int connection_limit = 0;
    // Accepting pauses after an error such as running out of descriptors, said once a spell.
    event* accept_pause = nullptr;
    int accept_pause_ms = 0;
    bool accept_error_said = false;

    // Handlers that wait for the application run on threads of their own, one each for pairing,
    // for lists and fetches, and for uploads, so that none of them holds the server or another.
    std::unique_ptr<link_lane> pairing_lane;
    std::unique_ptr<link_lane> maps_lane;
    std::unique_ptr<link_lane> upload_lane;
    // What they have answered, for the server thread to send.
    struct finished_request {
        uint64_t connection = 0;
        std::shared_ptr<http_request> request;
        bool pairing = false;
    };
    std::mutex finished_mutex;
    std::vector<finished_request> finished;
    event* finished_event = nullptr;

    // One pairing question at a time, and only a few from one address.
    bool pairing_question_open = false;
    struct pairing_allowance {
        double questions = 0;
        std::chrono::steady_clock::time_point at;
    };
    std::map<std::string, pairing_allowance> pairing_allowances;

    std::unique_ptr<link_body_budget> body_budget;
};

// The largest body a request may carry, and the largest buffer a handler makes for an answer.
inline constexpr size_t link_max_body_size = size_t{64} << 20;

void set_working_directory(link_server_state& state, const char* text);

// Replies with the request's status; the body is sent whole, zero bytes included.
void http_reply_text(http_request& request, std::string_view body);
void http_reply_html(http_request& request, std::string_view body);
void http_reply_error_page(http_request& request);
// The reply as it goes on the wire; a HEAD request gets the headers alone.
std::string http_reply_bytes(const http_request& request, int minor_version, bool head_only, bool closing);
// Request header names are compared without regard to case. Absent leaves the out string as it was.
bool http_get_header(const http_request& request, const char* name, small_string& out);
bool http_set_header(http_request& request, const char* name, const char* value);

// The TXT record as the registrar gets it: "txtvers", "path", "pair" and "challenge" in this
// order, a value over 255 bytes cut to 255.
std::vector<uint8_t> bonjour_txt_record(std::string_view challenge);
