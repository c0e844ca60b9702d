#include "link/server/dns_sd_library.h"

#include "platform/SharedLibrary.h"

namespace {

template <typename Function> bool bind(void* handle, const char* name, Function& function, std::string& error)
{
    return SharedLibrary::bind(handle, name, function, "the DNS-SD library", error);
}

const SharedLibrary::Loaded<dns_sd_library>& loaded()
{
    return SharedLibrary::loadOnce<dns_sd_library>([](dns_sd_library& library, std::string& error) {
        return dns_sd_library::load("libdns_sd.so.1", library, error);
    });
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
    return loaded().get();
}

const std::string& dns_sd_library::load_error()
{
    return loaded().error;
}
