// Maps in these tests are laid out and wrapped by the library the application installs, and read
// and written in every format. Nothing here draws: drawing is tested where it lives.

#include "formats/MindMapConverter.h"
#include "formats/TwkxMindMapReader.h"
#include "layout/LayoutInstallation.h"

#include <gtest/gtest.h>

namespace {

class InstalledLibraries : public ::testing::Environment {
public:
    void SetUp() override
    {
        registerNativeFormat();
        registerForeignFormats();
        installLayout();
    }
};

[[maybe_unused]] const ::testing::Environment* const installed =
    ::testing::AddGlobalTestEnvironment(new InstalledLibraries);

} // namespace
