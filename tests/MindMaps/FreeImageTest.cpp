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

// A map whose image store is a folder of its own, with one topic to hold images.
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

    int editorReports() const { return static_cast<int>(std::count(log.begin(), log.end(), "editor.mindMapChanged")); }

    TempDir folder;
    std::shared_ptr<CustomImageStore> store = std::make_shared<CustomImageStore>(folder.path());
    CallLog log;
    RecordingNodeEditor editor{log};
    MindMap map{store};
    MindMapNode* topic = nullptr;
};

const std::string UnknownHash = "0123456789abcdef0123456789abcdef01234567";

} // namespace

// ---- Creation and device size ----

TEST_F(FreeImageTest, ImageWithoutPictureIsAPlaceholderSquare)
{
    MindMapImage* image = addImage(UnknownHash);
    EXPECT_EQ(image->elementType(), 8);
    EXPECT_EQ(image->image(), nullptr);
    EXPECT_EQ(image->scale(), 1.0);
    EXPECT_EQ(image->angle(), 0.0);
    EXPECT_EQ(image->deviceSize(), Size(32, 32));
    EXPECT_EQ(image->getImageSize(), Size());
    EXPECT_FALSE(image->isEditing());
}

TEST_F(FreeImageTest, PictureIsShownAtEightFifteenthsOfItsPixels)
{
    MindMapImage* image = addImage(storePicture(150, 75));
    ASSERT_NE(image->image(), nullptr);
    EXPECT_EQ(image->getImageSize(), Size(150, 75));
    EXPECT_DOUBLE_EQ(image->deviceSize().width, 80);
    EXPECT_DOUBLE_EQ(image->deviceSize().height, 40);
    EXPECT_EQ(image->scale(), 1.0);
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

TEST_F(FreeImageTest, RaisedScaleIsNotLimitedToTen)
{
    MindMapImage* image = addImage(storePicture(1, 2));
    EXPECT_DOUBLE_EQ(image->deviceSize().width, 24);
    EXPECT_DOUBLE_EQ(image->deviceSize().height, 48);
    EXPECT_DOUBLE_EQ(image->scale(), 45);
}

TEST_F(FreeImageTest, ScaleIsKeptBetweenATenthAndTen)
{
    MindMapImage* image = addImage(UnknownHash);
    image->setScale(0.05);
    EXPECT_EQ(image->scale(), 0.1);
    image->setScale(12);
    EXPECT_EQ(image->scale(), 10);
    image->setScale(2.5);
    EXPECT_EQ(image->scale(), 2.5);
    EXPECT_EQ(image->deviceSize(), Size(32, 32));

    MindMapImage* picture = addImage(storePicture(150, 75));
    picture->setScale(12);
    EXPECT_EQ(picture->scale(), 10);
    EXPECT_DOUBLE_EQ(picture->deviceSize().width, 800);
    EXPECT_DOUBLE_EQ(picture->deviceSize().height, 400);
}

TEST_F(FreeImageTest, ScaleThatIsNoNumberIsIgnored)
{
    MindMapImage* image = addImage(storePicture(150, 75));
    image->setScale(std::numeric_limits<double>::quiet_NaN());
    EXPECT_EQ(image->scale(), 1.0);
    EXPECT_DOUBLE_EQ(image->deviceSize().width, 80);
    image->setScale(std::numeric_limits<double>::infinity());
    EXPECT_EQ(image->scale(), 10);
    EXPECT_TRUE(std::isfinite(image->deviceSize().width));
}

TEST_F(FreeImageTest, ScaleBelowTheMinimumSideIsRaisedAgain)
{
    MindMapImage* image = addImage(storePicture(10, 10));
    image->setScale(1);
    EXPECT_DOUBLE_EQ(image->scale(), 4.5);
    EXPECT_DOUBLE_EQ(image->deviceSize().width, 24);
}

TEST_F(FreeImageTest, NewScaleAndAngleAreReportedSameOnesAreNot)
{
    MindMapImage* image = addImage(storePicture(150, 75));
    image->setScale(2);
    EXPECT_TRUE(map.needsLayout());
    EXPECT_GT(editorReports(), 0);

    log.clear();
    map.setNeedsLayout(false);
    image->setScale(2);
    image->setAngle(0);
    EXPECT_TRUE(log.empty());
    EXPECT_FALSE(map.needsLayout());

    image->setAngle(1.25);
    EXPECT_EQ(image->angle(), 1.25);
    EXPECT_TRUE(map.needsLayout());
}

TEST_F(FreeImageTest, AngleThatIsNoNumberIsIgnored)
{
    MindMapImage* image = addImage(UnknownHash);
    image->setAngle(0.5);
    image->setAngle(std::numeric_limits<double>::quiet_NaN());
    image->setAngle(-std::numeric_limits<double>::infinity());
    EXPECT_EQ(image->angle(), 0.5);
}

TEST_F(FreeImageTest, BoundsAreTheDeviceSizeCentredOnTheAbsoluteLocation)
{
    MindMapImage* image = addImage(storePicture(10, 10));
    image->setRelLocation(Point{10, -5});
    EXPECT_EQ(image->bounds(), Rect(98, 83, 24, 24));
    EXPECT_TRUE(image->hitTest(Point{110, 95}));
    EXPECT_FALSE(image->hitTest(Point{97, 95}));

    topic->setLocation(Point{0, 0});
    EXPECT_EQ(image->bounds(), Rect(-2, -17, 24, 24));
}

// ---- Hashes and link ----

TEST_F(FreeImageTest, HashesAreKeptInLowerCase)
{
    const std::string hash = storePicture(30, 30);
    std::string upper = hash;
    for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    MindMapImage* image = addImage(upper, "ABCDEF");
    EXPECT_EQ(image->imageHash(), hash);
    EXPECT_EQ(image->thumbnailHash(), "abcdef");
    ASSERT_NE(image->image(), nullptr);

    // The comparisons are exact.
    EXPECT_TRUE(image->isEqualImageHash(hash));
    EXPECT_FALSE(image->isEqualImageHash(upper));
    EXPECT_TRUE(image->isEqualThumbnailHash("abcdef"));
    EXPECT_FALSE(image->isEqualThumbnailHash("ABCDEF"));
}

TEST_F(FreeImageTest, EqualStringsTakesEmptyForAbsent)
{
    EXPECT_TRUE(MindMapImage::equalStrings("", ""));
    EXPECT_TRUE(MindMapImage::equalStrings("a", "a"));
    EXPECT_FALSE(MindMapImage::equalStrings("a", "A"));
    EXPECT_FALSE(MindMapImage::equalStrings("", "a"));
}

TEST_F(FreeImageTest, SameHashesKeepTheLinkNewHashesDropIt)
{
    const std::string hash = storePicture(30, 30);
    MindMapImage* image = addImage(hash);
    image->setImageLink("https://example.org/a");

    image->setImageHash(hash, "");
    EXPECT_EQ(image->imageLink(), "https://example.org/a");

    const std::string other = storePicture(40, 40);
    image->setImageHash(other, "");
    EXPECT_EQ(image->imageLink(), "");
    EXPECT_EQ(image->imageHash(), other);
    EXPECT_EQ(image->getImageSize(), Size(40, 40));
}

TEST_F(FreeImageTest, CurrentHashInUpperCaseCountsAsAChange)
{
    const std::string hash = storePicture(30, 30);
    MindMapImage* image = addImage(hash);
    image->setImageLink("somewhere");
    std::string upper = hash;
    for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));

    image->setImageHash(upper, "");
    EXPECT_EQ(image->imageLink(), "");
    EXPECT_EQ(image->imageHash(), hash);
    EXPECT_NE(image->image(), nullptr);
}

TEST_F(FreeImageTest, ImageLinkUsesSlashesAndEmptyMeansNone)
{
    MindMapImage* image = addImage(UnknownHash);
    image->setImageLink("C:\\maps\\picture.png");
    EXPECT_EQ(image->imageLink(), "C:/maps/picture.png");
    EXPECT_TRUE(image->isEqualLink("C:/maps/picture.png"));
    EXPECT_FALSE(image->isEqualLink("C:\\maps\\picture.png"));

    image->setImageLink("");
    EXPECT_EQ(image->imageLink(), "");
    EXPECT_TRUE(image->isEqualLink(""));
}

TEST_F(FreeImageTest, ReferencedImagesAreTheNonEmptyHashes)
{
    MindMapImage* both = addImage("aaaa", "bbbb");
    MindMapImage* single = addImage("cccc");
    std::set<std::string> images;
    both->collectReferencedImages(images);
    single->collectReferencedImages(images);
    EXPECT_EQ(images, (std::set<std::string>{"aaaa", "bbbb", "cccc"}));

    MindMapImage* none = addImage("");
    std::set<std::string> empty;
    none->collectReferencedImages(empty);
    EXPECT_TRUE(empty.empty());
}

// ---- Pictures from the store ----

TEST_F(FreeImageTest, ThumbnailIsPreferredOverTheFullImage)
{
    const std::string full = storePicture(150, 75);
    const std::string thumbnail = storePicture(30, 30);
    MindMapImage* image = addImage(full, thumbnail);
    EXPECT_EQ(image->getImageSize(), Size(30, 30));

    // A thumbnail hash the store does not know falls back to the full image.
    MindMapImage* fallback = addImage(full, UnknownHash);
    EXPECT_EQ(fallback->getImageSize(), Size(150, 75));
}

TEST_F(FreeImageTest, DeletedPictureLeavesThePlaceholderAndReturnsWhenAddedAgain)
{
    const std::string hash = storePicture(150, 75);
    MindMapImage* image = addImage(hash);
    store->deleteCustomImage(hash);
    EXPECT_EQ(image->image(), nullptr);
    EXPECT_EQ(image->deviceSize(), Size(32, 32));
    EXPECT_TRUE(map.needsLayout());

    EXPECT_EQ(storePicture(150, 75), hash);
    ASSERT_NE(image->image(), nullptr);
    EXPECT_DOUBLE_EQ(image->deviceSize().width, 80);
}

TEST_F(FreeImageTest, DeletedThumbnailReloadsFromTheFullImage)
{
    const std::string full = storePicture(150, 75);
    const std::string thumbnail = storePicture(30, 30);
    MindMapImage* image = addImage(full, thumbnail);
    store->deleteCustomImage(thumbnail);
    ASSERT_NE(image->image(), nullptr);
    EXPECT_EQ(image->getImageSize(), Size(150, 75));
    EXPECT_EQ(image->thumbnailHash(), thumbnail);
}

TEST_F(FreeImageTest, ReportsOfOtherOrEmptyHashesChangeNothing)
{
    const std::string hash = storePicture(150, 75);
    MindMapImage* image = addImage(hash);
    const auto picture = image->image();

    image->customImagesChanged("", CustomImageStore::ImageDeleted);
    image->customImagesChanged(UnknownHash, CustomImageStore::ImageDeleted);
    image->customImagesChanged(UnknownHash, CustomImageStore::ImageAdded);
    // A different case is a different hash.
    std::string upper = hash;
    for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    image->customImagesChanged(upper, CustomImageStore::ImageDeleted);
    // Operations other than adding and deleting mean nothing for the full image.
    image->customImagesChanged(hash, 7);

    EXPECT_EQ(image->image(), picture);
    EXPECT_TRUE(log.empty());
}

TEST_F(FreeImageTest, PictureOfAnotherStoreIsNotTaken)
{
    TempDir otherFolder;
    auto otherStore = std::make_shared<CustomImageStore>(otherFolder.path());
    const std::string hash = otherStore->storeImagePngData(*Image(150, 75).pngData());
    MindMapImage* image = addImage(hash);
    EXPECT_EQ(image->image(), nullptr);

    // The other store's announcement does not reach this map's images.
    otherStore->deleteCustomImage(hash);
    otherStore->storeImagePngData(*Image(150, 75).pngData());
    EXPECT_EQ(image->image(), nullptr);
}

// ---- Bad input ----

TEST_F(FreeImageTest, HostileHashesFindNothing)
{
    for (const std::string& hash : {std::string("../../../../etc/passwd"), std::string("/etc/hosts"),
                                    std::string(100000, 'a'), std::string("\xff\xfe", 2), std::string(".icon:")}) {
        MindMapImage* image = addImage(hash, hash);
        EXPECT_EQ(image->image(), nullptr) << hash.substr(0, 40);
        EXPECT_EQ(image->deviceSize(), Size(32, 32));
    }
}

TEST_F(FreeImageTest, PictureWithoutPixelsCountsAsNone)
{
    MindMapImage* image = addImage(storePicture(150, 75));
    image->setImage(std::make_shared<const Image>());
    EXPECT_EQ(image->image(), nullptr);
    EXPECT_EQ(image->deviceSize(), Size(32, 32));
    EXPECT_EQ(image->scale(), 1.0);
    EXPECT_EQ(image->stringForToolTip(nullptr, Point(), nullptr), "Image");
}

TEST_F(FreeImageTest, ImageOutsideAnyMapHasNoPicture)
{
    MindMapImage image(nullptr, "ABC", "");
    EXPECT_EQ(image.imageHash(), "abc");
    EXPECT_EQ(image.mindMap(), nullptr);
    EXPECT_EQ(image.deviceSize(), Size(32, 32));
    image.setScale(3);
    image.setAngle(1);
    image.updateImage();
    EXPECT_EQ(image.scale(), 3);
    EXPECT_EQ(image.image(), nullptr);
}

TEST_F(FreeImageTest, RemovedImageMayStillBeChanged)
{
    MindMapImage* image = addImage(storePicture(150, 75));
    std::unique_ptr<ContainedElement> removed = image->remove();
    ASSERT_EQ(removed.get(), image);
    image->setScale(2);
    image->setAngle(2);
    EXPECT_DOUBLE_EQ(image->deviceSize().width, 160);
}

// ---- Tool tip ----

TEST_F(FreeImageTest, ToolTipWithoutPictureNamesTheImage)
{
    MindMapImage* image = addImage(UnknownHash);
    EXPECT_EQ(image->stringForToolTip(nullptr, Point(), nullptr), localized("editor_menu_share_image_condensed"));
    EXPECT_EQ(image->stringForToolTip(nullptr, Point(), nullptr), "Image");
}

TEST_F(FreeImageTest, ToolTipGivesSizeScaleAndPrintResolution)
{
    MindMapImage* image = addImage(storePicture(150, 75));
    EXPECT_EQ(image->stringForToolTip(nullptr, Point(), nullptr),
              "Double-click to open the image at full size.\n\n150 x 75\nScale: 1.00\n300 dpi");

    MindMapImage* small = addImage(storePicture(10, 10));
    EXPECT_EQ(small->stringForToolTip(nullptr, Point(), nullptr),
              "Double-click to open the image at full size.\n\n10 x 10\nScale: 4.50\n67 dpi");

    image->setScale(10);
    EXPECT_EQ(image->stringForToolTip(nullptr, Point(), nullptr),
              "Double-click to open the image at full size.\n\n150 x 75\nScale: 10.00\n30 dpi");
}

TEST_F(FreeImageTest, ToolTipNumbersDoNotFollowTheProcessLocale)
{
    MindMapImage* image = addImage(storePicture(150, 75));
    image->setScale(2.5);
    const std::string saved = std::setlocale(LC_NUMERIC, nullptr);
    const bool switched = std::setlocale(LC_NUMERIC, "de_DE.UTF-8") || std::setlocale(LC_NUMERIC, "fr_FR.UTF-8");
    const std::string tip = image->stringForToolTip(nullptr, Point(), nullptr);
    std::setlocale(LC_NUMERIC, saved.c_str());
    EXPECT_NE(tip.find("Scale: 2.50\n120 dpi"), std::string::npos) << tip;
    if (!switched) GTEST_SKIP() << "no locale with a decimal comma is installed";
}
