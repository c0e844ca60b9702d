#include "editor-view/gtk/GspellLibrary.h"

#include "platform/SharedLibrary.h"

namespace {

const SharedLibrary::Loaded<GspellLibrary>& loaded()
{
    return SharedLibrary::loadOnce<GspellLibrary>([](GspellLibrary& library, std::string& error) {
        return GspellLibrary::load("libgspell-1.so.2", library, error);
    });
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
    return loaded().get();
}

const std::string& GspellLibrary::loadError()
{
    return loaded().error;
}
