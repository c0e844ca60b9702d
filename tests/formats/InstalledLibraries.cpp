// Maps in these tests are laid out, wrapped and drawn by the libraries the application installs,
// and read and written in every format.

#include "formats/MindMapConverter.h"
#include "formats/TwkxMindMapReader.h"
#include "layout/LayoutInstallation.h"
#include "render/RenderInstallation.h"

#include <gtest/gtest.h>

namespace {

class InstalledLibraries : public ::testing::Environment {
public:
    void SetUp() override
    {
        registerNativeFormat();
        registerForeignFormats();
        installLayout();
        installRendering();
    }
};

[[maybe_unused]] const ::testing::Environment* const installed =
    ::testing::AddGlobalTestEnvironment(new InstalledLibraries);

} // namespace
