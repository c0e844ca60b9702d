#include "formats/PdfEngine.h"

#include "platform/Folders.h"

#include <dlfcn.h>

#include <mutex>

namespace PdfEngineLoader {

std::vector<std::string> modulePaths()
{
    std::vector<std::string> paths;
    const std::string programs = Folders::executableFolder();
    if (!programs.empty()) {
        paths.push_back(programs + "/../lib/tarnwick/" + ModuleFileName);
#ifdef TARNWICK_INSTALLED_LIBDIR
        // An installed tree moved elsewhere as a whole still finds its module.
        const std::string installed = programs + "/../" TARNWICK_INSTALLED_LIBDIR "/tarnwick/" + ModuleFileName;
        if (installed != paths.back()) paths.push_back(installed);
#endif
    }
#ifdef TARNWICK_INSTALLED_MODULE_DIR
    paths.push_back(std::string(TARNWICK_INSTALLED_MODULE_DIR) + "/" + ModuleFileName);
#endif
    return paths;
}

const PdfEngine* load(const std::vector<std::string>& paths, std::string& error)
{
    error.clear();
    for (const std::string& path : paths) {
        std::string reason;
        // Resolved at once: a module missing one of its libraries fails here, not at a first call.
        void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (!handle) {
            const char* text = dlerror();
            reason = text ? text : path + ": unknown reason";
        } else if (auto* entry = reinterpret_cast<const PdfEngine* (*)()>(dlsym(handle, TARNWICK_PDF_ENGINE_ENTRY))) {
            const PdfEngine* engine = entry();
            // Kept loaded for the process's lifetime: documents and their pages may outlive any caller.
            if (engine && engine->version == PdfEngine::CurrentVersion && engine->openDocument &&
                engine->openRenderer) {
                error.clear();
                return engine;
            }
            reason = path + ": a PDF module of another version of the program";
            dlclose(handle);
        } else {
            reason = path + ": not a PDF module of this program";
            dlclose(handle);
        }
        if (!error.empty()) error += "; ";
        error += reason;
    }
    if (error.empty()) error = "no place to look for the PDF module";
    return nullptr;
}

namespace {

struct Loaded {
    const PdfEngine* engine = nullptr;
    std::string error;
};

Loaded& loaded()
{
    static std::once_flag once;
    static Loaded result;
    std::call_once(once, [] { result.engine = load(modulePaths(), result.error); });
    return result;
}

} // namespace

const PdfEngine* get()
{
    return loaded().engine;
}

const std::string& loadError()
{
    return loaded().error;
}

} // namespace PdfEngineLoader
