#include "platform/SharedLibrary.h"

namespace SharedLibrary {

void* open(const char* soname, const std::string& what, std::string& error, Visibility visibility)
{
    void* handle = dlopen(soname, RTLD_NOW | (visibility == Visibility::Global ? RTLD_GLOBAL : RTLD_LOCAL));
    if (!handle) {
        const char* reason = dlerror();
        error = what + " could not be loaded: " + (reason ? reason : "unknown reason");
    }
    return handle;
}

} // namespace SharedLibrary
