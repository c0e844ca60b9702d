#pragma once

// What the application sees of the link server: the callbacks it provides, the object that holds
// one server's state, the thread's entry, its status and the calls that stop it.
//
// The services make one link_server_context, start a thread on link_server_run and read the status
// accessors from the main thread. To quit they first make every callback answer -1 at once (so no
// thread of the server waits for the main thread again), then call link_server_request_stop and
// join: the thread leaves its loop, ends the threads that run handlers, unregisters, frees its
// objects and returns.

#include "link/server/link_support.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>

// Called on threads of the server, never on the one that serves connections; each may block until
// the main thread has answered. Up to three run at once (a pairing question, a list or fetch, and
// an upload). Every text is zero-terminated UTF-8.
class link_server_callbacks {
public:
    virtual ~link_server_callbacks() = default;

    // 0: the index was copied to the start of the buffer; a positive value: the index's length in
    // bytes, nothing copied; -1: no services.
    virtual int LinkServerGetMindMapIndex(char* buffer, size_t size) = 0;
    // As the index, for the map or custom style named by the key; -2 (cannot convert) and -3
    // (internal error) are understood as well.
    virtual int LinkServerGetMindMapData(const char* key, char* buffer, size_t size, int stream_version) = 0;
    // 1 saved, 0 nothing imported, -1 no services. The data ends at its first zero byte.
    virtual int LinkServerSaveMindMapData(const char* key, const char* user_id, const char* data) = 0;
    // 0 to 9999 when the user confirmed the device, -1 when cancelled or no services; another
    // negative value is a failure other than a cancel.
    virtual int LinkServerGetPinCode(const char* device_name) = 0;
    // Called on each thread of the server that calls the four above, as it starts and before it
    // ends.
    virtual void link_thread_started() {}
    virtual void link_thread_ending() {}
};

// The advertisement on the local network, behind an interface so that headless tests never reach
// a name server. The reply arrives inside process_result, on the server thread.
class dns_sd_registrar {
public:
    using reply_hook = void (*)(void* context, int32_t error);

    virtual ~dns_sd_registrar() = default;
    // Answers the name server's error code; 0 when the call was accepted (a reference exists then,
    // unless the implementation has none to give).
    virtual int32_t register_service(const char* service_type, uint16_t port, std::span<const uint8_t> txt_record,
                                     reply_hook reply, void* context) = 0;
    virtual bool has_reference() const = 0;
    // The socket to watch for readability; -1 without a reference.
    virtual int socket_fd() const = 0;
    virtual int32_t process_result() = 0;
    virtual void deallocate() = 0;
};

// The registrar on the system's DNS-SD library (it needs the name server daemon running).
std::unique_ptr<dns_sd_registrar> dns_sd_registrar_new();

struct link_server_state;

// One server's whole state: made on the main thread before the thread starts, freed after it was
// joined. The status values are atomics, read from any thread.
struct link_server_context {
    link_server_context(link_server_callbacks* callbacks, std::unique_ptr<dns_sd_registrar> registrar = nullptr);
    ~link_server_context();
    link_server_context(const link_server_context&) = delete;
    link_server_context& operator=(const link_server_context&) = delete;

    // Not owned; must outlive the thread.
    link_server_callbacks* callbacks;
    // Null means the system registrar (made on the server thread when it registers).
    std::unique_ptr<dns_sd_registrar> registrar;
    // Tests listen on 127.0.0.1 alone; the application listens on every interface.
    bool loopback_only = false;
    // When set, the one address listened on, in place of the two above.
    std::string listen_address;
    // A reply the client stops taking for this long is dropped.
    int connection_timeout_seconds = 60;
    // A request's headers must arrive within this time of the connection's start (or of the
    // previous reply), and its body within this time of its headers; otherwise the connection is
    // dropped, so that slow or stalled clients cannot hold places a phone needs.
    int header_timeout_seconds = 10;
    int body_timeout_seconds = 120;
    // Connections held at once, in all and from one address; a new one beyond either takes the
    // place of the oldest that is still waiting for its headers, or is closed. The total is also
    // kept within a quarter of the descriptors the process may open, so that the rest of the
    // program always has descriptors left.
    int max_connections = 128;
    int max_connections_per_address = 16;
    // Pairing questions (PIN dialogs) one address may cause in a row; it regains one a minute.
    int pairing_questions_per_address = 3;
    // Where large bodies wait until their request is handled; empty means the working directory.
    std::string scratch_directory;

    std::atomic<int32_t> request_count{0};
    std::atomic<int32_t> server_state{0};
    std::atomic<int32_t> name_server_status{-65545};
    std::atomic<bool> bonjour_registered{false};
    std::atomic<uint16_t> port{0};

    link_context errors;
    // Everything else (event base, server, router, handlers, pairing tables) lives behind this,
    // touched by the server thread only.
    std::unique_ptr<link_server_state> state;
};

// The server thread's entry: starts, advertises and serves until link_server_request_stop, then
// tears itself down and returns. Returns at once (state below 3, nothing advertised) when nothing
// could be bound.
void link_server_run(link_server_context& context, const char* working_directory);

// From any thread, also before the loop has started: the thread leaves its loop as soon as it can.
void link_server_request_stop(link_server_context& context);

// Status for the link status pane.
bool link_is_functioning(const link_server_context& context);
int32_t link_name_server_status(const link_server_context& context);
int32_t link_data_server_status(const link_server_context& context);
int32_t link_request_count(const link_server_context& context);
// The bound port once the state has reached 2; 0 before (and when nothing was bound).
uint16_t link_server_port(const link_server_context& context);

// From the main thread: the in-memory pairings are forgotten on the server thread, between two
// requests, so the call never waits for the server (which may itself be waiting for the main
// thread's PIN dialog). Removing the pairing files is the caller's work.
void link_clear_pairing_cache(link_server_context& context);
