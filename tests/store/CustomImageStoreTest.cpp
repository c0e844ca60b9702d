#include "store/CustomImageStore.h"

#include "ImageTestSupport.h"
#include "Utils/CryptoDigest.h"
#include "Utils/RecordingFeedbackSink.h"
#include "platform/FileUtils.h"
#include "platform/Folders.h"
#include "platform/Localizer.h"
#include "platform/NotificationCenter.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <random>

namespace fs = std::filesystem;

namespace {

struct Posted {
    std::string hash;
    int operation = -1;
};

std::string lowerHexSha1(const std::vector<uint8_t>& data)
{
    static const char digits[] = "0123456789abcdef";
    std::string hex;
    for (uint8_t byte : SHA1(data)) {
        hex += digits[byte >> 4];
        hex += digits[byte & 15];
    }
    return hex;
}

std::string upper(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return char(std::toupper(c)); });
    return text;
}

class CustomImageStoreTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        fs::create_directories(_folder);
        _observation = NotificationCenter::defaultCenter().addObserver(
            CustomImageStore::CustomImagesChangedNotification, nullptr, [this](const Notification& n) {
                _posted.push_back({n.value<std::string>(CustomImageStore::ImageHashKey, "?"),
                                   n.value<int>(CustomImageStore::OperationKey, -1)});
            });
    }

    TempDir _dir;
    std::string _folder = _dir.file("Images");
    CustomImageStore _store{_folder};
    std::vector<Posted> _posted;
    ObservationToken _observation;
    RecordingFeedbackSink _feedback;
};

} // namespace

TEST_F(CustomImageStoreTest, NamesAndKeysAreTheAgreedOnes)
{
    EXPECT_STREQ(CustomImageStore::CustomImagesChangedNotification, "CustomImagesChangedNotification");
    EXPECT_STREQ(CustomImageStore::ImageHashKey, "imageHash");
    EXPECT_STREQ(CustomImageStore::OperationKey, "operation");
    EXPECT_EQ(CustomImageStore::ImageAdded, 0);
    EXPECT_EQ(CustomImageStore::ImageDeleted, 1);
    EXPECT_EQ(CustomImageStore::defaultImagesDirectory("Images"), Folders::userDataFolder() + "/Mind Maps/Images");
}

TEST_F(CustomImageStoreTest, StoringTheSameDataTwiceGivesOneHashAndOneNotification)
{
    const auto png = pngBytes(40, 30);
    const std::string first = _store.storeImagePngData(png);
    const std::string second = _store.storeImagePngData(png);
    EXPECT_EQ(first, lowerHexSha1(png));
    EXPECT_EQ(second, first);
    ASSERT_EQ(_posted.size(), 1u);
    EXPECT_EQ(_posted[0].operation, CustomImageStore::ImageAdded);
    EXPECT_EQ(readFileData(_folder + "/" + first + ".png", Image::MaxFileSize), png);
}

TEST_F(CustomImageStoreTest, OnlyDecodablePngDataIsStored)
{
    auto png = pngBytes(50, 50);
    png.resize(png.size() / 2);
    for (const auto& data : {std::vector<uint8_t>(), png, encodedImage(30, 30, "jpeg"), pngHeaderOnly(0, 0)})
        EXPECT_EQ(_store.storeImagePngData(data), "");
    EXPECT_TRUE(_posted.empty());
    EXPECT_TRUE(_store.imageFiles().empty());
}

TEST_F(CustomImageStoreTest, ImagesBelowTheMinimumSizeAreRefusedAndTheUserIsTold)
{
    EXPECT_EQ(_store.importImage(solidImage(23, 500), 320), "");
    ASSERT_EQ(_feedback.notifications.size(), 1u);
    EXPECT_EQ(_feedback.notifications[0].title, localized("image_picker_image_to_small_condensed"));
    EXPECT_NE(_feedback.notifications[0].message.find("24"), std::string::npos);
    EXPECT_TRUE(_posted.empty());
    EXPECT_NE(_store.importImage(solidImage(24, 24), 320), "");
}

TEST_F(CustomImageStoreTest, LargeImagesAreScaledDownToTheLimitOthersOnlyConverted)
{
    const std::string wide = _store.importImage(solidImage(1000, 500), 320);
    EXPECT_EQ(pictureFileSize(_store.customImageFilePath(wide)), (std::pair{320, 160}));
    const std::string thin = _store.importImage(solidImage(20000, 24), 320);
    EXPECT_EQ(pictureFileSize(_store.customImageFilePath(thin)), (std::pair{320, 1})) << "never scaled to nothing";
    const Image image = solidImage(300, 200);
    EXPECT_EQ(_store.importImage(image, 320), lowerHexSha1(*image.pngData()));
}

TEST_F(CustomImageStoreTest, ImportingFromFilesAndUrls)
{
    ASSERT_TRUE(solidImage(64, 48).writePng(_dir.file("a picture.png")));
    writeTestFile(_dir.file("broken.png"), "broken");
    const std::string fromFile = _store.importImageFromFile(_dir.file("a picture.png"), 320);
    const std::string url = "file://" + _dir.path() + "/a%20picture.png";
    EXPECT_EQ(_store.importImageFromURL(url, 320), fromFile);
    EXPECT_EQ(_store.importImageFromURL("http://example.com/a.png", 320), "");
    EXPECT_EQ(_store.importImageUrls({url, "file://" + _dir.path() + "/broken.png"}, 320),
              std::vector<std::string>{fromFile});
}

TEST_F(CustomImageStoreTest, UnusedLocalImagesAreDeletedSilently)
{
    // The shared local store, bound to this test's folder, with nothing of earlier tests cached.
    auto store = CustomImageStore::initLocalImageStore(_folder);
    store->dropUnusedImages();
    const std::string used = store->storeImagePngData(pngBytes(30, 30, 0.1, 0.2, 0.3));
    const std::string usedInCapitals = store->storeImagePngData(pngBytes(30, 30, 0.3, 0.2, 0.1));
    const std::string unused = store->storeImagePngData(pngBytes(500, 400, 0.9, 0.9, 0.9));
    ASSERT_NE(store->customImageWithHash(unused), nullptr); // makes its thumbnail
    _posted.clear();

    EXPECT_EQ(store->deleteUnusedImages({used, upper(usedInCapitals), "something else"}), 1);
    EXPECT_TRUE(_posted.empty());
    EXPECT_TRUE(fs::exists(store->customImageFilePath(usedInCapitals)));
    EXPECT_FALSE(fs::exists(store->customImageFilePath(unused)));
    EXPECT_FALSE(fs::exists(store->thumbnailFilePath(unused)));

    CustomImageStore other(_dir.file("Other"));
    other.storeImagePngData(pngBytes(30, 30));
    EXPECT_EQ(other.deleteUnusedImages({}), 0) << "only the local store deletes unused images";

    // A store of one kind of picture, such as a cloud's thumbnails, is swept by what it keeps.
    const std::string kept = other.storeImagePngData(pngBytes(20, 20, 0.5, 0.5, 0.5));
    const std::string stale = other.storeImagePngData(pngBytes(20, 20, 0.7, 0.1, 0.1));
    _posted.clear();
    EXPECT_EQ(other.deleteImagesExcept({upper(kept)}), 2);
    EXPECT_TRUE(_posted.empty());
    EXPECT_TRUE(fs::exists(other.customImageFilePath(kept)));
    EXPECT_FALSE(fs::exists(other.customImageFilePath(stale)));
    EXPECT_EQ(other.imageFiles().size(), 1u);
}

TEST_F(CustomImageStoreTest, HashesThatAreNotFortyHexDigitsNeverReachTheFileSystem)
{
    const std::string valid = "0123456789abcdef0123456789abcdef01234567";
    const std::vector<std::string> hostile = {
        "../x",
        "../victim",
        valid + "8",
        "../../../../../../../../../../etc/passwd", // forty characters
        std::string("0123456789abcdef0123456789abcdef0123456\0", 40),
    };
    EXPECT_EQ(_store.customImageFilePath(upper(valid)), _folder + "/" + valid + ".png");

    // Files beside the store's folder that a traversing name would reach.
    ASSERT_TRUE(solidImage(30, 30).writePng(_dir.file("x.png")));
    writeTestFile(_dir.file("victim.png"), "precious");
    CustomImageStore source(_dir.path());
    for (const std::string& hash : hostile) {
        EXPECT_EQ(_store.customImageFilePath(hash), "") << hash;
        EXPECT_EQ(_store.thumbnailFilePath(hash), "") << hash;
        EXPECT_EQ(_store.customImageWithHash(hash), nullptr) << hash;
        _store.deleteCustomImage(hash);
        _store.copyImage(hash, &source);
        _store.imageExternallyImported(hash);
        EXPECT_EQ(_store.importImageWithExternalHash(solidImage(30, 30), hash), "") << hash;
    }
    EXPECT_TRUE(fs::exists(_dir.file("x.png")));
    EXPECT_EQ(readTestFile(_dir.file("victim.png")), "precious");
    EXPECT_TRUE(_store.imageFiles().empty());
    EXPECT_TRUE(_posted.empty());
}

TEST_F(CustomImageStoreTest, AnEmptyCustomIconFolderGetsTheSixHats)
{
    const std::string folder = _dir.file("Custom Icons");
    auto icons = CustomImageStore::initCustomIconStore(folder);
    EXPECT_EQ(CustomImageStore::customIconStore(), icons);
    EXPECT_EQ(icons->imageFiles().size(), 6u);
    ASSERT_EQ(_posted.size(), 6u);
    EXPECT_EQ(pictureFileSize(icons->customImageFilePath(_posted[5].hash)), (std::pair{48, 48}));
    const auto blackHat = Image::fromResource("ic8_48_black_hat").pngData();
    ASSERT_TRUE(blackHat);
    EXPECT_EQ(_posted[0].hash, lowerHexSha1(*blackHat));
    EXPECT_EQ(icons->deleteUnusedImages({}), 0);
}

TEST_F(CustomImageStoreTest, AScheduledStartWritesTheHatsWhenTheWorkRunsAndKeepsWhatTheUserAddedMeanwhile)
{
    std::vector<std::function<void()>> pending;
    CustomImageStore::setDefaultIconsScheduler([&](std::function<void()> work) { pending.push_back(std::move(work)); });
    struct Reset {
        ~Reset() { CustomImageStore::setDefaultIconsScheduler(nullptr); }
    } reset;

    // Nothing is written while the start goes on.
    auto icons = CustomImageStore::initCustomIconStore(_dir.file("Scheduled"));
    EXPECT_TRUE(icons->imageFiles().empty());
    EXPECT_TRUE(_posted.empty());
    ASSERT_EQ(pending.size(), 1u);
    pending.front()();
    EXPECT_EQ(icons->imageFiles().size(), 6u);
    EXPECT_EQ(_posted.size(), 6u);

    // A folder that got an icon of the user's before the work ran is no empty folder: no hats.
    _posted.clear();
    auto rebound = CustomImageStore::initCustomIconStore(_dir.file("Users"));
    ASSERT_EQ(pending.size(), 2u);
    ASSERT_FALSE(rebound->importImage(solidImage(30, 30), 320).empty());
    pending.back()();
    EXPECT_EQ(rebound->imageFiles().size(), 1u);
}
