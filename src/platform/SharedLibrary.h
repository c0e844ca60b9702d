#pragma once

#include <dlfcn.h>

#include <mutex>
#include <string>

// Libraries a feature needs are opened when it is first used instead of at every start. An opened
// library stays for the process's lifetime: tables of its functions, handles and callbacks may
// outlive any one user.
namespace SharedLibrary {

// Whether a library's symbols serve the libraries opened after it, as those linked into the
// program do, or only lookups through its own handle.
enum class Visibility { Local, Global };

// The library by its soname (the one the headers were written for: another major version may
// differ in its ABI), or nullptr with "<what> could not be loaded: <reason>" in the error.
void* open(const char* soname, const std::string& what, std::string& error, Visibility visibility = Visibility::Local);

// Looks a function up; the first one missing is named in the error as "<what> has no <name>".
template <typename Function>
bool bind(void* handle, const char* name, Function& function, const std::string& what, std::string& error)
{
    function = reinterpret_cast<Function>(dlsym(handle, name));
    if (!function && error.empty()) error = what + " has no " + name;
    return function != nullptr;
}

// A library's table of functions as its load function filled it, the first time any thread asked.
template <typename Table> struct Loaded {
    Table table{};
    bool complete = false;
    std::string error;

    // Nothing when the library or one of its functions is missing; the reason is then in the error.
    const Table* get() const { return complete ? &table : nullptr; }
};

// Loads the table once; later calls, from any thread, answer what that load gave.
template <typename Table> const Loaded<Table>& loadOnce(bool (*load)(Table&, std::string&))
{
    static std::once_flag once;
    static Loaded<Table> result;
    std::call_once(once, [load] { result.complete = load(result.table, result.error); });
    return result;
}

} // namespace SharedLibrary
