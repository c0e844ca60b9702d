#pragma once

#include <dns_sd.h>

#include <string>

// The DNS-SD compatibility library's functions, loaded when the link first advertises itself.
// Linked into the program, it and the name server's client libraries under it were loaded and
// relocated at every start, before the first frame, although the link starts after it.
struct dns_sd_library {
    DNSServiceErrorType(DNSSD_API* service_register)(DNSServiceRef* reference, DNSServiceFlags flags,
                                                     uint32_t interface_index, const char* name, const char* type,
                                                     const char* domain, const char* host, uint16_t port,
                                                     uint16_t txt_length, const void* txt_record,
                                                     DNSServiceRegisterReply reply, void* context);
    int(DNSSD_API* ref_sock_fd)(DNSServiceRef reference);
    DNSServiceErrorType(DNSSD_API* process_result)(DNSServiceRef reference);
    void(DNSSD_API* ref_deallocate)(DNSServiceRef reference);
    void(DNSSD_API* txt_record_create)(TXTRecordRef* record, uint16_t buffer_length, void* buffer);
    DNSServiceErrorType(DNSSD_API* txt_record_set_value)(TXTRecordRef* record, const char* key, uint8_t value_size,
                                                         const void* value);
    const void*(DNSSD_API* txt_record_get_bytes_ptr)(const TXTRecordRef* record);
    uint16_t(DNSSD_API* txt_record_get_length)(const TXTRecordRef* record);
    void(DNSSD_API* txt_record_deallocate)(TXTRecordRef* record);

    // Loads the library once; nullptr when it or one of its functions is missing, the reason then
    // in load_error().
    static const dns_sd_library* get();
    static const std::string& load_error();

    // Loads the library of that name into a table of its own; used by get() and by tests.
    static bool load(const char* soname, dns_sd_library& library, std::string& error);
};
