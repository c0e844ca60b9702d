#include "render/TiffLibrary.h"

#include <gtest/gtest.h>

namespace {

TEST(TiffLibrary, LoadsOnlyALibraryWithEveryFunction)
{
    const struct {
        const char* soname;
        bool loads;
        const char* inError;
    } cases[] = {
        {"libtiff.so.6", true, ""},
        {"libtiff-that-is-not-there.so.6", false, "libtiff could not be loaded: libtiff-that-is-not-there.so.6"},
        // A library that loads but is not libtiff names the first function it lacks.
        {"libm.so.6", false, "libtiff has no TIFFOpenOptionsAlloc"},
    };
    for (const auto& c : cases) {
        TiffLibrary library{};
        std::string error;
        EXPECT_EQ(TiffLibrary::load(c.soname, library, error), c.loads) << c.soname;
        EXPECT_NE(error.find(c.inError), std::string::npos) << c.soname << ": " << error;
        if (c.loads) {
            EXPECT_TRUE(error.empty()) << error;
        }
    }
    ASSERT_NE(TiffLibrary::get(), nullptr) << TiffLibrary::loadError();
    EXPECT_EQ(TiffLibrary::loadError(), "");
}

} // namespace
