#pragma once

#include <event2/event.h>
#include <event2/thread.h>

#include <string>

// The functions of libevent the link server calls, each under its own name.
#define LIBEVENT_LIBRARY_FUNCTIONS(X)                                                                                  \
    X(event_base_new)                                                                                                  \
    X(event_base_free)                                                                                                 \
    X(event_base_loop)                                                                                                 \
    X(event_new)                                                                                                       \
    X(event_add)                                                                                                       \
    X(event_del)                                                                                                       \
    X(event_active)                                                                                                    \
    X(event_free)

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
