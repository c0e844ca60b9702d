#include "link/server/dns_sd_library.h"

#include "platform/SharedLibrary.h"

#include <mutex>

namespace {

template <typename Function> bool bind(void* handle, const char* name, Function& function, std::string& error)
{
    return SharedLibrary::bind(handle, name, function, "the DNS-SD library", error);
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
    void* handle = SharedLibrary::open(soname, "the DNS-SD library", error);
    if (!handle) return false;
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
