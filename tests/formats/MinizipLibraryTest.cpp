#include "formats/MinizipLibrary.h"

#include <gtest/gtest.h>

namespace {

TEST(MinizipLibrary, LoadsOnlyALibraryWithEveryFunction)
{
    const struct {
        const char* soname;
        bool loads;
        const char* inError;
    } cases[] = {
        {"libminizip.so.1", true, ""},
        {"libminizip-that-is-not-there.so.1", false, "minizip could not be loaded: libminizip-that-is-not-there.so.1"},
        // A library that loads but is not minizip names the first function it lacks.
        {"libm.so.6", false, "minizip has no unzOpen64"},
    };
    for (const auto& c : cases) {
        MinizipLibrary library{};
        std::string error;
        EXPECT_EQ(MinizipLibrary::load(c.soname, library, error), c.loads) << c.soname;
        EXPECT_NE(error.find(c.inError), std::string::npos) << c.soname << ": " << error;
        if (c.loads) {
            EXPECT_TRUE(error.empty()) << error;
        }
    }
    ASSERT_NE(MinizipLibrary::get(), nullptr) << MinizipLibrary::loadError();
    EXPECT_EQ(MinizipLibrary::loadError(), "");
}

} // namespace
