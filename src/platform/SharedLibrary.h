#pragma once

#include <dlfcn.h>

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

} // namespace SharedLibrary
