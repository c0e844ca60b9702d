#include "link/server/libevent_library.h"

#include <gtest/gtest.h>

namespace {

TEST(LibeventLibrary, LoadsOnlyLibrariesWithEveryFunction)
{
    const struct {
        const char* soname;
        const char* threads_soname;
        bool loads;
        const char* in_error;
    } cases[] = {
        {"libevent-2.1.so.7", "libevent_pthreads-2.1.so.7", true, ""},
        {"libevent-that-is-not-there.so.7", "libevent_pthreads-2.1.so.7", false,
         "libevent could not be loaded: libevent-that-is-not-there.so.7"},
        {"libevent-2.1.so.7", "libevent_pthreads-that-is-not-there.so.7", false,
         "libevent's thread support could not be loaded: libevent_pthreads-that-is-not-there.so.7"},
        // Libraries that load but are not libevent name the first function they lack.
        {"libm.so.6", "libevent_pthreads-2.1.so.7", false, "libevent has no event_base_new"},
        {"libevent-2.1.so.7", "libm.so.6", false, "libevent's thread support has no evthread_use_pthreads"},
    };
    for (const auto& c : cases) {
        libevent_library library{};
        std::string error;
        EXPECT_EQ(libevent_library::load(c.soname, c.threads_soname, library, error), c.loads) << c.soname;
        EXPECT_NE(error.find(c.in_error), std::string::npos) << c.soname << ": " << error;
        if (c.loads) {
            EXPECT_TRUE(error.empty()) << error;
        }
    }
    ASSERT_NE(libevent_library::get(), nullptr) << libevent_library::load_error();
    EXPECT_EQ(libevent_library::load_error(), "");
}

} // namespace
