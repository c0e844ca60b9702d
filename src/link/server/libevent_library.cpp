#include "link/server/libevent_library.h"

#include "platform/SharedLibrary.h"

namespace {

const SharedLibrary::Loaded<libevent_library>& loaded()
{
    return SharedLibrary::loadOnce<libevent_library>([](libevent_library& library, std::string& error) {
        return libevent_library::load("libevent-2.1.so.7", "libevent_pthreads-2.1.so.7", library, error);
    });
}

} // namespace

bool libevent_library::load(const char* soname, const char* threads_soname, libevent_library& library,
                            std::string& error)
{
    error.clear();
    // The thread support sets the locks of the libevent it finds first: opened for all, the one
    // the server's functions come from is that one, not a second copy of its core under it.
    void* handle = SharedLibrary::open(soname, "libevent", error, SharedLibrary::Visibility::Global);
    if (!handle) return false;
    void* threads = SharedLibrary::open(threads_soname, "libevent's thread support", error);
    if (!threads) return false;
    bool ok = true;
#define LIBEVENT_LIBRARY_BIND(name) ok = SharedLibrary::bind(handle, #name, library.name, "libevent", error) && ok;
    LIBEVENT_LIBRARY_FUNCTIONS(LIBEVENT_LIBRARY_BIND)
#undef LIBEVENT_LIBRARY_BIND
    ok = SharedLibrary::bind(threads, "evthread_use_pthreads", library.evthread_use_pthreads,
                             "libevent's thread support", error) &&
        ok;
    return ok;
}

const libevent_library* libevent_library::get()
{
    return loaded().get();
}

const std::string& libevent_library::load_error()
{
    return loaded().error;
}
