#include "editor-view/gtk/GspellLibrary.h"

#include "platform/SharedLibrary.h"

#include <mutex>

namespace {

struct Loaded {
    GspellLibrary library{};
    bool complete = false;
    std::string error;
};

const Loaded& loaded()
{
    static std::once_flag once;
    static Loaded result;
    std::call_once(once,
                   [] { result.complete = GspellLibrary::load("libgspell-1.so.2", result.library, result.error); });
    return result;
}

} // namespace

bool GspellLibrary::load(const char* soname, GspellLibrary& library, std::string& error)
{
    error.clear();
    void* handle = SharedLibrary::open(soname, "gspell", error);
    if (!handle) return false;
    bool ok = true;
#define GSPELL_LIBRARY_BIND(name) ok = SharedLibrary::bind(handle, #name, library.name, "gspell", error) && ok;
    GSPELL_LIBRARY_FUNCTIONS(GSPELL_LIBRARY_BIND)
#undef GSPELL_LIBRARY_BIND
    return ok;
}

const GspellLibrary* GspellLibrary::get()
{
    const Loaded& result = loaded();
    return result.complete ? &result.library : nullptr;
}

const std::string& GspellLibrary::loadError()
{
    return loaded().error;
}
