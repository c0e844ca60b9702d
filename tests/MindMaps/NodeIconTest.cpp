#include "MindMaps/NodeIcon.h"
#include "MindMaps/CustomIcon.h"
#include "MindMaps/EmbeddedImage.h"
#include "MindMaps/FakeMapImageServices.h"
#include "MindMaps/LinkIcon.h"
#include "MindMaps/MindMap.h"
#include "MindMaps/MindMapNode.h"
#include "MindMaps/NodeHullStyle.h"
#include "MindMaps/StockIcon.h"
#include "platform/Image.h"
#include "support/MemoryImageStore.h"
#include "support/ScopedEnvironment.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cairo.h>

#include <filesystem>
#include <limits>
#include <memory>
#include <stdexcept>
#include <string>

namespace {

// A picture of one colour; the colour makes pictures of equal size differ in their data.
Image colouredImage(int width, int height, double shade = 0.5)
{
    Image image(width, height);
    if (image.isNull()) throw std::runtime_error("no such picture");
    cairo_t* cr = cairo_create(image.surface());
    cairo_set_source_rgb(cr, shade, 0.3, 0.6);
    cairo_paint(cr);
    cairo_destroy(cr);
    cairo_surface_flush(image.surface());
    return image;
}

std::shared_ptr<const Image> sharedImage(int width, int height)
{
    return std::make_shared<const Image>(colouredImage(width, height));
}

// A picture of that many pixels shown at another size in points, as a high-density picture is.
std::shared_ptr<const Image> imageWithPoints(int pixelWidth, int pixelHeight, Size points)
{
    Image image = colouredImage(pixelWidth, pixelHeight);
    image.setSize(points);
    return std::make_shared<const Image>(std::move(image));
}

// Application pictures of the test's own in a temporary resources folder.
class ApplicationImages {
public:
    ApplicationImages() : _environment("TARNWICK_RESOURCES", _resources.path())
    {
        std::filesystem::create_directories(_resources.file("images"));
    }
    void add(const std::string& name, int width, int height)
    {
        if (!colouredImage(width, height).writePng(_resources.file("images/" + name + ".png")))
            throw std::runtime_error("cannot write " + name);
    }

private:
    TempDir _resources;
    ScopedEnvironment _environment;
};

class NodeIconTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        images.add(NodeIcon::MissingImageName, 32, 32);
        node = map.internalAddCentralTheme("Topic");
    }

    // Marks the node valid again, so that the next change shows in its update state.
    void settle() { node->validateNodeState(); }
    bool nodeHeardOfIconChange() const { return (node->updateState() & MindMapNode::UpdateOuterSize) != 0; }

    // The hash of a new picture in the map's image store, as a custom icon names it.
    std::string storeImage(int width, int height, double shade = 0.5)
    {
        const auto png = colouredImage(width, height, shade).pngData();
        const std::string hash = png ? store->storeImagePngData(*png) : std::string();
        if (hash.empty()) throw std::runtime_error("the store refused the picture");
        return hash;
    }

    // A stock icon name nobody else registers.
    std::string registerStockIcon(const std::string& name, std::shared_ptr<const Image> image)
    {
        const std::string iconName = "node-icon-test." + name;
        services.stockIcons[iconName] = std::move(image);
        return iconName;
    }

    ApplicationImages images;
    maptest::FakeMapImageServices services;
    std::shared_ptr<MemoryImageStore> store = std::make_shared<MemoryImageStore>();
    MindMap map{store};
    MindMapNode* node = nullptr;
};

} // namespace

TEST_F(NodeIconTest, StockIconThirtyTwoPointsWideIsDrawnTwentySquare)
{
    const auto picture = sharedImage(32, 32);
    StockIcon icon(registerStockIcon("32", picture));
    EXPECT_EQ(icon.image(), picture);
    EXPECT_EQ(icon.size(), (Size{20, 20}));
}

TEST_F(NodeIconTest, UnknownStockNameShowsTheMissingPictureAtItsOwnRule)
{
    StockIcon icon("node-icon-test.no-such-icon");
    ASSERT_NE(icon.image(), nullptr);
    EXPECT_EQ(icon.image(), NodeIcon::applicationImageNamed("missing_32"));
    EXPECT_EQ(icon.size(), (Size{20, 20}));
}

TEST_F(NodeIconTest, ApplicationPictureNamesNeverLeaveTheResourcesFolder)
{
    images.add("node_icon_test_inside", 16, 16);
    EXPECT_EQ(NodeIcon::applicationImageNamed(""), nullptr);
    EXPECT_EQ(NodeIcon::applicationImageNamed("../images/node_icon_test_inside"), nullptr);
    EXPECT_EQ(NodeIcon::applicationImageNamed("images/node_icon_test_inside"), nullptr);
    EXPECT_EQ(NodeIcon::applicationImageNamed("node_icon_test_absent"), nullptr);
}

TEST_F(NodeIconTest, ACorruptApplicationPictureIsNone)
{
    TempDir resources;
    ScopedEnvironment environment("TARNWICK_RESOURCES", resources.path());
    std::filesystem::create_directories(resources.file("images"));
    writeTestFile(resources.file("images/node_icon_test_bad.png"), std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16));
    EXPECT_EQ(NodeIcon::applicationImageNamed("node_icon_test_bad"), nullptr);
    LinkIcon icon("node_icon_test_bad");
    EXPECT_EQ(icon.size(), (Size{0, 0}));
}

TEST_F(NodeIconTest, CustomIconNamesNeedAHashSignAndAtLeastTwoCharacters)
{
    EXPECT_TRUE(CustomIcon::isCustomIconImageName("#a"));
    EXPECT_TRUE(CustomIcon::isCustomIconImageName("#0123456789abcdef0123456789abcdef01234567"));
    EXPECT_FALSE(CustomIcon::isCustomIconImageName("#"));
    EXPECT_FALSE(CustomIcon::isCustomIconImageName(""));
    EXPECT_FALSE(CustomIcon::isCustomIconImageName("a#"));
}

// Drawn at 0.625 of its pixels, no more than 96 x 24 wide or tall, never thinner than a point.
TEST_F(NodeIconTest, CustomIconSizes)
{
    const std::string hash = storeImage(96, 48);
    CustomIcon stored(node, "#" + hash);
    EXPECT_EQ(stored.image(), store->customImageWithHash(hash));
    EXPECT_EQ(stored.size(), (Size{60, 30}));

    struct Case {
        std::shared_ptr<const Image> image;
        Size expected;
    };
    const Case cases[] = {
        {sharedImage(400, 100), Size{96, 24}},
        {imageWithPoints(96, 48, {48, 24}), Size{60, 30}}, // pixels count, not points
        {sharedImage(1, 10), Size{1, 10}},
        {sharedImage(2, 40), Size{1.25, 25}},
    };
    for (const Case& c : cases) {
        CustomIcon icon(node, "");
        icon.setImage(c.image);
        icon.updateSize();
        EXPECT_EQ(icon.size(), c.expected);
    }
}

TEST_F(NodeIconTest, EmbeddedImageIsLimitedTo1000PointsAtEveryLargeScale)
{
    EmbeddedImage image(node, "");
    image.setImage(sharedImage(2000, 500));
    image.updateSize();
    EXPECT_EQ(image.size(), (Size{1000, 250}));
    image.setScale(5.0);
    EXPECT_EQ(image.size(), (Size{1000, 250}));
    image.setScale(0.5);
    EXPECT_NEAR(image.size().width, 533.333, 0.001);
    EXPECT_NEAR(image.size().height, 133.333, 0.001);
}

TEST_F(NodeIconTest, ScaleIsClampedToHalfAndFive)
{
    EmbeddedImage image(node, "");
    image.setScale(7);
    EXPECT_EQ(image.scale(), 5.0);
    image.setScale(0.1);
    EXPECT_EQ(image.scale(), 0.5);
    image.setScale(-std::numeric_limits<double>::infinity());
    EXPECT_EQ(image.scale(), 0.5);
    image.setScale(std::numeric_limits<double>::quiet_NaN());
    EXPECT_EQ(image.scale(), 0.5);
    image.setScale(2.5);
    EXPECT_EQ(image.scale(), 2.5);
}
