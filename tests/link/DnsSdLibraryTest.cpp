#include "link/server/dns_sd_library.h"

#include <gtest/gtest.h>

namespace {

TEST(DnsSdLibrary, LoadsOnlyALibraryWithEveryFunction)
{
    const struct {
        const char* soname;
        bool loads;
        const char* in_error;
    } cases[] = {
        {"libdns_sd.so.1", true, ""},
        {"libdns_sd-that-is-not-there.so.1", false, "could not be loaded: libdns_sd-that-is-not-there.so.1"},
        // A library that loads but is not the DNS-SD one names the first function it lacks.
        {"libm.so.6", false, "the DNS-SD library has no DNSServiceRegister"},
    };
    for (const auto& c : cases) {
        dns_sd_library library{};
        std::string error;
        EXPECT_EQ(dns_sd_library::load(c.soname, library, error), c.loads) << c.soname;
        EXPECT_NE(error.find(c.in_error), std::string::npos) << c.soname << ": " << error;
        if (c.loads) {
            EXPECT_TRUE(error.empty()) << error;
        }
    }
    ASSERT_NE(dns_sd_library::get(), nullptr) << dns_sd_library::load_error();
    EXPECT_EQ(dns_sd_library::load_error(), "");
}

} // namespace
