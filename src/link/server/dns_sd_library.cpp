#include "link/server/dns_sd_library.h"

#include <dlfcn.h>

#include <mutex>

namespace {

template <typename Function> bool bind(void* handle, const char* name, Function& function, std::string& error)
{
    function = reinterpret_cast<Function>(dlsym(handle, name));
    if (!function && error.empty()) error = std::string("the DNS-SD library has no ") + name;
    return function != nullptr;
}

struct loaded_library {
    dns_sd_library library{};
    bool complete = false;
    std::string error;
};

const loaded_library& loaded()
{
    static std::once_flag once;
    static loaded_library result;
    std::call_once(once,
                   [] { result.complete = dns_sd_library::load("libdns_sd.so.1", result.library, result.error); });
    return result;
}

} // namespace

bool dns_sd_library::load(const char* soname, dns_sd_library& library, std::string& error)
{
    error.clear();
    void* handle = dlopen(soname, RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        const char* reason = dlerror();
        error = std::string("the DNS-SD library could not be loaded: ") + (reason ? reason : "unknown reason");
        return false;
    }
    dns_sd_library& l = library;
    bool ok = bind(handle, "DNSServiceRegister", l.service_register, error);
    ok = bind(handle, "DNSServiceRefSockFD", l.ref_sock_fd, error) && ok;
    ok = bind(handle, "DNSServiceProcessResult", l.process_result, error) && ok;
    ok = bind(handle, "DNSServiceRefDeallocate", l.ref_deallocate, error) && ok;
    ok = bind(handle, "TXTRecordCreate", l.txt_record_create, error) && ok;
    ok = bind(handle, "TXTRecordSetValue", l.txt_record_set_value, error) && ok;
    ok = bind(handle, "TXTRecordGetBytesPtr", l.txt_record_get_bytes_ptr, error) && ok;
    ok = bind(handle, "TXTRecordGetLength", l.txt_record_get_length, error) && ok;
    ok = bind(handle, "TXTRecordDeallocate", l.txt_record_deallocate, error) && ok;
    // Kept loaded for the process's lifetime: a registration may outlive any one caller.
    return ok;
}

const dns_sd_library* dns_sd_library::get()
{
    const loaded_library& result = loaded();
    return result.complete ? &result.library : nullptr;
}

const std::string& dns_sd_library::load_error()
{
    return loaded().error;
}
