#include "platform/Image.h"
#include "platform/ImagePasteboard.h"
#include "platform/Pasteboard.h"
#include "store/CustomImageStore.h"

#include "ImageTestSupport.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

TEST(ImageDecodingLimitTest, LargePicturesAreReducedWhileDecodedAndKeepTheirDeclaredSize)
{
    struct Case {
        const char* type;
        int width, height, maxSide;
        Size decoded;
    };
    const Case cases[] = {
        {"png", 2000, 500, 320, {320, 80}}, {"jpeg", 2000, 500, 320, {320, 80}}, {"png", 500, 2000, 320, {80, 320}},
        {"png", 300, 200, 320, {300, 200}}, {"png", 321, 100, 320, {320, 100}},  {"png", 2000, 500, 0, {2000, 500}},
        {"jpeg", 640, 480, -5, {640, 480}},
    };
    for (const Case& c : cases) {
        const Image image = Image::fromData(encodedImage(c.width, c.height, c.type), c.maxSide);
        ASSERT_FALSE(image.isNull()) << c.type << " " << c.width << "x" << c.height;
        EXPECT_EQ(image.pixelSize(), c.decoded) << c.type << " " << c.width << "x" << c.height << " " << c.maxSide;
        EXPECT_EQ(image.sourcePixelSize(), Size(c.width, c.height)) << c.type << " " << c.width << "x" << c.height;
    }
}

TEST(ImageDecodingLimitTest, BadDataStaysRefusedWhenReduced)
{
    EXPECT_TRUE(Image::fromData(pngHeaderOnly(100000, 100000), 320).isNull());
    EXPECT_TRUE(Image::fromData(pngHeaderOnly(0xFFFFFFFF, 1), 320).isNull());
    EXPECT_TRUE(Image::fromData(pngHeaderOnly(4000, 3000), 320).isNull());
    // Cut pictures stay refused, also where the loader reduces them itself (JPEG).
    for (const char* type : {"png", "jpeg"}) {
        std::vector<uint8_t> data = encodedImage(900, 600, type);
        data.resize(data.size() / 2);
        EXPECT_TRUE(Image::fromData(data, 320).isNull()) << type;
        data.resize(data.size() / 4);
        EXPECT_TRUE(Image::fromData(data, 320).isNull()) << type;
    }
}

TEST(ImageDecodingLimitTest, TheMinimumSizeIsJudgedByTheDeclaredSize)
{
    TempDir folder;
    CustomImageStore store(folder.path());
    // Reduced to 320 x 6 while decoded: the picture itself is 40 pixels high.
    const Image wide = Image::fromData(encodedImage(2000, 40, "png"), 320);
    ASSERT_EQ(wide.pixelSize(), Size(320, 6));
    EXPECT_FALSE(store.importImage(wide, 320).empty());
    EXPECT_TRUE(store.importImage(Image::fromData(encodedImage(2000, 20, "png"), 320), 320).empty());
}

TEST(ImageDecodingLimitTest, ReadableTypesNameTheCommonPictures)
{
    const std::vector<std::string> extensions = Image::readableFileExtensions();
    for (const char* extension : {"png", "jpg", "jpeg", "gif"})
        EXPECT_NE(std::find(extensions.begin(), extensions.end(), extension), extensions.end()) << extension;
    const std::vector<std::string> types = Image::readableMediaTypes();
    EXPECT_NE(std::find(types.begin(), types.end(), "image/png"), types.end());
    for (const char* path : {"/a/b.PNG", "c.jpeg", "x.y.Gif"}) EXPECT_TRUE(Image::isReadableFileType(path)) << path;
    for (const char* path : {"/a.png/b", "notes.txt", "png", "/a/b.", ""})
        EXPECT_FALSE(Image::isReadableFileType(path)) << path;
}

TEST(ImageDecodingLimitTest, APasteboardGivesItsFirstPictureThatDecodesWithinTheSize)
{
    MemoryPasteboard pasteboard;
    EXPECT_TRUE(ImagePasteboard::imageFromPasteboard(pasteboard, 320).isNull());
    pasteboard.declareTypes({Pasteboard::StringType, "image/png", "image/jpeg"});
    pasteboard.setString("text", Pasteboard::StringType);
    const std::string junk = "no picture";
    pasteboard.setData(std::vector<uint8_t>(junk.begin(), junk.end()), "image/png");
    EXPECT_TRUE(ImagePasteboard::imageFromPasteboard(pasteboard, 320).isNull());
    pasteboard.setData(encodedImage(1000, 500, "jpeg"), "image/jpeg");
    const Image image = ImagePasteboard::imageFromPasteboard(pasteboard, 320);
    EXPECT_EQ(image.pixelSize(), Size(320, 160));
    EXPECT_EQ(image.sourcePixelSize(), Size(1000, 500));
}

} // namespace
