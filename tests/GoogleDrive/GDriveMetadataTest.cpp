#include "GoogleDrive/GDriveMetadata.h"

#include <gtest/gtest.h>

namespace {

TEST(GDriveMetadata, TakesItsItemTypeFromTheExtension)
{
    struct Case {
        std::optional<std::string> extension;
        int32_t itemType;
    };
    const Case cases[] = {
        {"twkx", 4}, {"TWKX", 4},  {"opml", 8}, {"mm", 16},          {"png", 32},
        {"pdf", 64}, {"txt", 128}, {"", 128},   {std::nullopt, 128},
    };
    for (const Case& test : cases) {
        GDriveMetadata metadata("1AbC", test.extension);
        EXPECT_EQ(metadata.itemType(), test.itemType) << test.extension.value_or("(none)");
        EXPECT_FALSE(metadata.isFolder());
    }
}

TEST(GDriveMetadata, ClearingTheExtensionMakesAnOtherFile)
{
    GDriveMetadata metadata("1AbC", "twkx");
    metadata.setExtension(std::nullopt);
    EXPECT_EQ(metadata.itemType(), 128);
    EXPECT_FALSE(metadata.extension());
}

TEST(GDriveMetadata, AFolderStaysAFolderUntilGivenAnExtension)
{
    GDriveMetadata folder = GDriveMetadata::folder("F1");
    EXPECT_TRUE(folder.isFolder());
    EXPECT_EQ(folder.itemType(), 2);
    folder.setExtension(std::nullopt);
    EXPECT_TRUE(folder.isFolder());
    folder.setExtension("opml");
    EXPECT_EQ(folder.itemType(), 8);
}

} // namespace
