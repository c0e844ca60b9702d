#include "formats/MinizipLibrary.h"

#include "platform/SharedLibrary.h"

namespace {

const SharedLibrary::Loaded<MinizipLibrary>& loaded()
{
    return SharedLibrary::loadOnce<MinizipLibrary>([](MinizipLibrary& library, std::string& error) {
        return MinizipLibrary::load("libminizip.so.1", library, error);
    });
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
    return loaded().get();
}

const std::string& MinizipLibrary::loadError()
{
    return loaded().error;
}
