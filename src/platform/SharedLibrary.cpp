#include "platform/SharedLibrary.h"

namespace SharedLibrary {

void* open(const char* soname, const std::string& what, std::string& error)
{
    void* handle = dlopen(soname, RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        const char* reason = dlerror();
        error = what + " could not be loaded: " + (reason ? reason : "unknown reason");
    }
    return handle;
}

} // namespace SharedLibrary
