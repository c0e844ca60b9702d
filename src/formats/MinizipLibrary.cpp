#include "formats/MinizipLibrary.h"

#include "platform/SharedLibrary.h"

#include <mutex>

namespace {

struct Loaded {
    MinizipLibrary library{};
    bool complete = false;
    std::string error;
};

const Loaded& loaded()
{
    static std::once_flag once;
    static Loaded result;
    std::call_once(once,
                   [] { result.complete = MinizipLibrary::load("libminizip.so.1", result.library, result.error); });
    return result;
}

} // namespace

bool MinizipLibrary::load(const char* soname, MinizipLibrary& library, std::string& error)
{
    error.clear();
    void* handle = SharedLibrary::open(soname, "minizip", error);
    if (!handle) return false;
    bool ok = true;
#define MINIZIP_LIBRARY_BIND(name) ok = SharedLibrary::bind(handle, #name, library.name, "minizip", error) && ok;
    MINIZIP_LIBRARY_FUNCTIONS(MINIZIP_LIBRARY_BIND)
#undef MINIZIP_LIBRARY_BIND
    return ok;
}

const MinizipLibrary* MinizipLibrary::get()
{
    const Loaded& result = loaded();
    return result.complete ? &result.library : nullptr;
}

const std::string& MinizipLibrary::loadError()
{
    return loaded().error;
}
