#include "MindMapTestSupport.h"

#include "MindMaps/MindMapImage.h"
#include "platform/Image.h"
#include "platform/Localizer.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <clocale>
#include <cmath>
#include <limits>
#include <memory>
#include <set>
#include <string>

using namespace maptest;

namespace {

// A map whose image store keeps its pictures in memory, with one topic to hold images.
class FreeImageTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        map.setNodeEditor(&editor);
        map.newMindMap("", false, std::nullopt);
        topic = addTopic(map, nullptr, Point{100, 100}, "theme");
        log.clear();
    }

    // Stores a transparent picture of that many pixels and answers its hash. Pictures of different
    // sizes get different hashes.
    std::string storePicture(int width, int height)
    {
        const auto png = Image(width, height).pngData();
        EXPECT_TRUE(png.has_value());
        const std::string hash = store->storeImagePngData(*png);
        EXPECT_EQ(hash.size(), 40u);
        return hash;
    }

    MindMapImage* addImage(const std::string& hash, const std::string& thumbnailHash = {})
    {
        MindMapImage* image = topic->addCustomImage(hash, thumbnailHash);
        log.clear();
        map.setNeedsLayout(false);
        return image;
    }

    std::shared_ptr<MemoryImageStore> store = std::make_shared<MemoryImageStore>();
    CallLog log;
    RecordingNodeEditor editor{log};
    MindMap map{store};
    MindMapNode* topic = nullptr;
};

const std::string UnknownHash = "0123456789abcdef0123456789abcdef01234567";

} // namespace

TEST_F(FreeImageTest, PictureIsShownAtEightFifteenthsOfItsPixels)
{
    MindMapImage* image = addImage(storePicture(150, 75));
    ASSERT_NE(image->image(), nullptr);
    EXPECT_EQ(image->getImageSize(), Size({150, 75}));
    EXPECT_DOUBLE_EQ(image->deviceSize().width, 80);
    EXPECT_DOUBLE_EQ(image->deviceSize().height, 40);
}

TEST_F(FreeImageTest, SmallPictureIsRaisedToASmallerSideOf24)
{
    MindMapImage* image = addImage(storePicture(10, 10));
    EXPECT_DOUBLE_EQ(image->deviceSize().width, 24);
    EXPECT_DOUBLE_EQ(image->deviceSize().height, 24);
    EXPECT_DOUBLE_EQ(image->scale(), 4.5);

    // Only the smaller side is held at 24: the other keeps the picture's shape.
    MindMapImage* wide = addImage(storePicture(60, 30));
    EXPECT_DOUBLE_EQ(wide->deviceSize().height, 24);
    EXPECT_DOUBLE_EQ(wide->deviceSize().width, 48);
    EXPECT_DOUBLE_EQ(wide->scale(), 1.5);
}

TEST_F(FreeImageTest, ScaleIsKeptBetweenATenthAndTenAndNonNumbersAreIgnored)
{
    MindMapImage* placeholder = addImage(UnknownHash);
    placeholder->setScale(0.05);
    EXPECT_EQ(placeholder->scale(), 0.1);

    MindMapImage* image = addImage(storePicture(150, 75));
    image->setScale(std::numeric_limits<double>::quiet_NaN());
    EXPECT_EQ(image->scale(), 1.0);
    image->setScale(std::numeric_limits<double>::infinity());
    EXPECT_EQ(image->scale(), 10);
    EXPECT_DOUBLE_EQ(image->deviceSize().width, 800);
    EXPECT_DOUBLE_EQ(image->deviceSize().height, 400);

    image->setAngle(0.5);
    image->setAngle(std::numeric_limits<double>::quiet_NaN());
    image->setAngle(-std::numeric_limits<double>::infinity());
    EXPECT_EQ(image->angle(), 0.5);
}

TEST_F(FreeImageTest, HostileHashesFindNothing)
{
    for (const std::string& hash : {std::string("../../../../etc/passwd"), std::string("/etc/hosts"),
                                    std::string(100000, 'a'), std::string("\xff\xfe", 2), std::string(".icon:")}) {
        MindMapImage* image = addImage(hash, hash);
        EXPECT_EQ(image->image(), nullptr) << hash.substr(0, 40);
        EXPECT_EQ(image->deviceSize(), Size({32, 32}));
    }
}

TEST_F(FreeImageTest, ToolTipNumbersDoNotFollowTheProcessLocale)
{
    MindMapImage* image = addImage(storePicture(150, 75));
    image->setScale(2.5);
    const std::string saved = std::setlocale(LC_NUMERIC, nullptr);
    const bool switched = std::setlocale(LC_NUMERIC, "de_DE.UTF-8") || std::setlocale(LC_NUMERIC, "fr_FR.UTF-8");
    const std::string tip = image->stringForToolTip(nullptr, Point(), nullptr);
    std::setlocale(LC_NUMERIC, saved.c_str());
    EXPECT_EQ(tip, "Double-click to open the image at full size.\n\n150 x 75\nScale: 2.50\n120 dpi");
    if (!switched) GTEST_SKIP() << "no locale with a decimal comma is installed";
}
