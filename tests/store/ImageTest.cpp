#include "platform/Image.h"

#include "ImageTestSupport.h"
#include "support/ScopedEnvironment.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

uint32_t pixelAt(const Image& image, int x, int y)
{
    cairo_surface_flush(image.surface());
    const unsigned char* data = cairo_image_surface_get_data(image.surface());
    return reinterpret_cast<const uint32_t*>(data + y * cairo_image_surface_get_stride(image.surface()))[x];
}

} // namespace

TEST(ImageTest, TranslucentPixelsArePremultiplied)
{
    const Image opaque = Image::fromData(encodedImage(2, 2, "png"));
    ASSERT_FALSE(opaque.isNull());
    EXPECT_EQ(pixelAt(opaque, 0, 0), 0xFF3366CCu);

    Image half(1, 1);
    {
        const CairoContext cr(cairo_create(half.surface()));
        cairo_set_source_rgba(cr.get(), 1, 1, 1, 0.5);
        cairo_paint(cr.get());
    }
    const uint32_t pixel = pixelAt(Image::fromData(*half.pngData()), 0, 0);
    EXPECT_NEAR(double(pixel >> 24), 128, 1);
    EXPECT_NEAR(double((pixel >> 16) & 0xFF), 128, 1);
}

TEST(ImageTest, DataThatIsNoPictureGivesNothing)
{
    EXPECT_TRUE(Image::fromData(nullptr, 0).isNull());
    const std::string text = "this is not a picture at all";
    EXPECT_TRUE(Image::fromData(std::vector<uint8_t>(text.begin(), text.end())).isNull());
    EXPECT_TRUE(Image::fromData(pngHeaderOnly(0, 100)).isNull());
}

TEST(ImageTest, TruncatedOrCorruptedPicturesGiveNothing)
{
    for (const char* type : {"png", "jpeg"}) {
        std::vector<uint8_t> data = type == std::string("png") ? pngBytes(64, 64) : encodedImage(64, 64, type);
        std::vector<uint8_t> cut(data.begin(), data.begin() + data.size() / 2);
        EXPECT_TRUE(Image::fromData(cut).isNull()) << type;
    }
    std::vector<uint8_t> png = pngBytes(64, 64, 0.1, 0.9, 0.3);
    for (size_t i = png.size() / 2; i < png.size() / 2 + 16; ++i) png[i] ^= 0x5A; // checksums no longer match
    EXPECT_TRUE(Image::fromData(png).isNull());
}

TEST(ImageTest, HugeStatedSizesAreRefusedBeforeAnythingIsAllocated)
{
    EXPECT_TRUE(Image::fromData(pngHeaderOnly(100000, 100000)).isNull());
    EXPECT_TRUE(Image::fromData(pngHeaderOnly(0xFFFFFFFF, 0xFFFFFFFF)).isNull());
}

TEST(ImageTest, OnlyRegularFilesAreRead)
{
    TempDir dir;
    EXPECT_TRUE(Image::fromFile(dir.path()).isNull());
    EXPECT_TRUE(Image::fromFile("/dev/zero").isNull());
}

TEST(ImageTest, ResourceNamesStayInsideTheImagesFolder)
{
    TempDir resources;
    std::filesystem::create_directories(resources.file("images"));
    ASSERT_TRUE(solidImage(5, 5).writePng(resources.file("images/dot.png")));
    ASSERT_TRUE(solidImage(5, 5).writePng(resources.file("outside.png")));
    ASSERT_TRUE(solidImage(5, 5).writePng(resources.file("images/.hidden.png")));
    ScopedEnvironment environment("TARNWICK_RESOURCES", resources.path());

    EXPECT_FALSE(Image::fromResource("dot").isNull());
    EXPECT_TRUE(Image::fromResource("../outside").isNull());
    EXPECT_TRUE(Image::fromResource(".hidden").isNull());
    EXPECT_TRUE(Image::fromResource(std::string("dot\0x", 5)).isNull());
}
