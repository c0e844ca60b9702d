#include "editor-view/gtk/GspellLibrary.h"

#include <gtest/gtest.h>

namespace {

TEST(GspellLibrary, LoadsOnlyALibraryWithEveryFunction)
{
    const struct {
        const char* soname;
        bool loads;
        const char* inError;
    } cases[] = {
        {"libgspell-1.so.2", true, ""},
        {"libgspell-that-is-not-there.so.2", false, "gspell could not be loaded: libgspell-that-is-not-there.so.2"},
        // A library that loads but is not gspell names the first function it lacks.
        {"libm.so.6", false, "gspell has no gspell_language_get_default"},
    };
    for (const auto& c : cases) {
        GspellLibrary library{};
        std::string error;
        EXPECT_EQ(GspellLibrary::load(c.soname, library, error), c.loads) << c.soname;
        EXPECT_NE(error.find(c.inError), std::string::npos) << c.soname << ": " << error;
        if (c.loads) {
            EXPECT_TRUE(error.empty()) << error;
        }
    }
    ASSERT_NE(GspellLibrary::get(), nullptr) << GspellLibrary::loadError();
    EXPECT_EQ(GspellLibrary::loadError(), "");
}

} // namespace
