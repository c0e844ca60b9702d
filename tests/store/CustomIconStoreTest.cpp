#include "ImageTestSupport.h"

#include "MindMaps/CustomIcon.h"
#include "MindMaps/MindMap.h"
#include "MindMaps/MindMapNode.h"
#include "MindMaps/NodeIcon.h"
#include "store/CustomImageStore.h"
#include "support/ScopedEnvironment.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

namespace {

// A custom icon names its picture by hash; a hash that climbs out of the store's folder must not
// pick up a file that lies beside it.
TEST(CustomIconStore, HostileHashesReachNoFile)
{
    TempDir resources;
    ScopedEnvironment environment("TARNWICK_RESOURCES", resources.path());
    std::filesystem::create_directories(resources.file("images"));
    ASSERT_TRUE(
        solidImage(32, 32).writePng(resources.file("images/" + std::string(NodeIcon::MissingImageName) + ".png")));

    TempDir storeFolder;
    auto store = std::make_shared<CustomImageStore>(storeFolder.file("Images"));
    MindMap map{store};
    MindMapNode* node = map.internalAddCentralTheme("Topic");

    // Outside the store's folder lies a picture the icon must not show.
    ASSERT_TRUE(solidImage(96, 48).writePng(storeFolder.file("outside.png")));
    CustomIcon icon(node, "#../outside");
    EXPECT_EQ(icon.image(), NodeIcon::applicationImageNamed("missing_32"));
}

} // namespace
