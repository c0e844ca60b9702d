#pragma once

#include <event2/buffer.h>
#include <event2/event.h>
#include <event2/http.h>
#include <event2/thread.h>

#include <string>

// The functions of libevent the link server calls, each under its own name.
#define LIBEVENT_LIBRARY_FUNCTIONS(X)                                                                                  \
    X(event_base_new)                                                                                                  \
    X(event_base_free)                                                                                                 \
    X(event_base_loop)                                                                                                 \
    X(event_base_update_cache_time)                                                                                    \
    X(event_new)                                                                                                       \
    X(event_add)                                                                                                       \
    X(event_del)                                                                                                       \
    X(event_active)                                                                                                    \
    X(event_free)                                                                                                      \
    X(evbuffer_new)                                                                                                    \
    X(evbuffer_free)                                                                                                   \
    X(evbuffer_add)                                                                                                    \
    X(evbuffer_get_length)                                                                                             \
    X(evbuffer_pullup)                                                                                                 \
    X(evhttp_new)                                                                                                      \
    X(evhttp_free)                                                                                                     \
    X(evhttp_set_max_body_size)                                                                                        \
    X(evhttp_set_max_headers_size)                                                                                     \
    X(evhttp_set_timeout)                                                                                              \
    X(evhttp_set_cb)                                                                                                   \
    X(evhttp_set_gencb)                                                                                                \
    X(evhttp_bind_socket_with_handle)                                                                                  \
    X(evhttp_accept_socket_with_handle)                                                                                \
    X(evhttp_bound_socket_get_fd)                                                                                      \
    X(evhttp_request_get_uri)                                                                                          \
    X(evhttp_request_get_input_buffer)                                                                                 \
    X(evhttp_request_get_input_headers)                                                                                \
    X(evhttp_request_get_output_headers)                                                                               \
    X(evhttp_request_get_connection)                                                                                   \
    X(evhttp_connection_get_base)                                                                                      \
    X(evhttp_connection_set_timeout)                                                                                   \
    X(evhttp_find_header)                                                                                              \
    X(evhttp_add_header)                                                                                               \
    X(evhttp_send_reply)

// libevent and its thread support, loaded when the link first starts. Linked into the program, its
// three libraries were loaded and relocated at every start, before the first frame, although the
// link starts after it.
struct libevent_library {
#define LIBEVENT_LIBRARY_POINTER(name) decltype(&::name) name = nullptr;
    LIBEVENT_LIBRARY_FUNCTIONS(LIBEVENT_LIBRARY_POINTER)
#undef LIBEVENT_LIBRARY_POINTER
    decltype(&::evthread_use_pthreads) evthread_use_pthreads = nullptr;

    // Loads the libraries once; nullptr when one of them or of their functions is missing, the
    // reason then in load_error().
    static const libevent_library* get();
    static const std::string& load_error();

    // Loads the libraries of those names into a table of its own; used by get() and by tests.
    static bool load(const char* soname, const char* threads_soname, libevent_library& library, std::string& error);
};
