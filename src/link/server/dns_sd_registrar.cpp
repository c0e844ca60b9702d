#include "link/server/link_server.h"

#include "link/server/dns_sd_library.h"

#include <arpa/inet.h>

namespace {

class system_dns_sd_registrar final : public dns_sd_registrar {
public:
    ~system_dns_sd_registrar() override { deallocate(); }

    int32_t register_service(const char* service_type, uint16_t port, std::span<const uint8_t> txt_record,
                             reply_hook reply, void* context) override
    {
        deallocate();
        reply_ = reply;
        context_ = context;
        // Without the library no name server can be reached: the link reports it as not there.
        library_ = dns_sd_library::get();
        if (!library_) return kDNSServiceErr_NotInitialized;
        const DNSServiceErrorType error =
            library_->service_register(&reference_, 0, 0, nullptr, service_type, "", nullptr, htons(port),
                                       static_cast<uint16_t>(txt_record.size()), txt_record.data(), registered, this);
        if (error != kDNSServiceErr_NoError) reference_ = nullptr;
        return error;
    }

    bool has_reference() const override { return reference_ != nullptr; }
    int socket_fd() const override { return reference_ ? library_->ref_sock_fd(reference_) : -1; }
    int32_t process_result() override
    {
        return reference_ ? library_->process_result(reference_) : kDNSServiceErr_BadReference;
    }

    void deallocate() override
    {
        if (reference_) library_->ref_deallocate(reference_);
        reference_ = nullptr;
    }

private:
    static void DNSSD_API registered(DNSServiceRef, DNSServiceFlags, DNSServiceErrorType error, const char*,
                                     const char*, const char*, void* argument)
    {
        auto* self = static_cast<system_dns_sd_registrar*>(argument);
        if (self->reply_) self->reply_(self->context_, error);
    }

    const dns_sd_library* library_ = nullptr;
    DNSServiceRef reference_ = nullptr;
    reply_hook reply_ = nullptr;
    void* context_ = nullptr;
};

} // namespace

std::unique_ptr<dns_sd_registrar> dns_sd_registrar_new()
{
    return std::make_unique<system_dns_sd_registrar>();
}
