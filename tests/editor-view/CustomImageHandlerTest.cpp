#include "editor-view/CustomImageHandler.h"
#include "MindMaps/MindMap.h"
#include "MindMaps/MindMapImage.h"
#include "MindMaps/MindMapNode.h"
#include "Utils/RecordingFeedbackSink.h"
#include "editor-view/CloudFetchProgress.h"
#include "editor-view/ImageLinkData.h"
#include "editor-view/PictureTestSupport.h"
#include "platform/ImagePasteboard.h"
#include "platform/Pasteboard.h"
#include "store/CustomImageSettings.h"
#include "store/CustomImageStore.h"

#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace picturetest;

namespace {

class CustomImageHandlerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        settings.setThumbnailSize(160);
        settings.setImageSizeLimit(320);
        map->setImageStore(store);
        map->newMindMap("", true, std::string("Theme"));
        map->setSelectedElement(map->mainCentralTheme());
    }
    void TearDown() override
    {
        settings.setThumbnailSize(CustomImageSettings::DefaultThumbnailSize);
        settings.setImageSizeLimit(CustomImageSettings::DefaultImageSizeLimit);
    }

    std::shared_ptr<CustomImageHandler> handler() { return std::make_shared<CustomImageHandler>(map); }
    Size storedSize(const std::string& hash) { return Image::fromFile(store->customImageFilePath(hash)).pixelSize(); }
    size_t imageCount() { return map->mainCentralTheme()->containedElements().size(); }

    CustomImageSettings& settings = CustomImageSettings::customImageSettings();
    TempDir folder;
    std::shared_ptr<CustomImageStore> store = std::make_shared<CustomImageStore>(folder.file("images"));
    std::shared_ptr<MindMap> map = std::make_shared<MindMap>();
    EditorInterfaceScope scope;
    ScriptedImageLinkPanel panel;
    RecordingFeedbackSink sink;
};

TEST_F(CustomImageHandlerTest, APictureWithinTheThumbnailSizeIsImportedDirectlyWithoutThePanel)
{
    settings.setThumbnailSize(256);
    const std::string path = folder.file("small.gif.png");
    writePicture(path, 100, 80);
    auto adding = handler();
    adding->setForceShowDialog(true);
    adding->addImageFromFile(path);
    EXPECT_TRUE(panel.shownOptions.empty());
    ASSERT_EQ(imageCount(), 1u);
    auto* image = dynamic_cast<MindMapImage*>(map->mainCentralTheme()->containedElements().front());
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(storedSize(image->imageHash()), Size(100, 80));
    EXPECT_TRUE(image->thumbnailHash().empty());
    EXPECT_TRUE(image->imageLink().empty());
}

TEST_F(CustomImageHandlerTest, APictureBelowTheMinimumSizeAddsNothingAndSaysSo)
{
    std::string thumbnail, link;
    for (const Size size : {Size(23, 100), Size(100, 23), Size(10, 10)}) {
        const Image picture = makePicture(int(size.width), int(size.height));
        EXPECT_FALSE(handler()->handleImage(picture, "", &thumbnail, &link, "")) << size.width << "x" << size.height;
    }
    EXPECT_EQ(sink.notifications.size(), 3u);
    EXPECT_TRUE(handler()->handleImage(makePicture(24, 24), "", &thumbnail, &link, ""));
}

TEST_F(CustomImageHandlerTest, TheImageLinkOptionsTellMapKindPathAndPortability)
{
    struct Case {
        const char* path;
        bool cloudMap;
        const char* cloudLink;
        uint32_t options;
    };
    const Case cases[] = {
        {"photo.png", false, "", 1 | 4},
        {"photo.JPG", false, "", 1 | 4},
        {"photo.Jpeg", false, "/c/p.jpeg", 1 | 4},
        {"photo.gif", false, "", 1 | 4 | 8},
        {"photo", false, "", 1 | 4 | 8},
        {"", true, "", 0},
        {"", true, "/c/p.png", 2},
        {"photo.tiff", true, "/c/p.tiff", 2 | 4 | 8},
        {"photo.png", true, "", 4},
    };
    panel.confirms = false;
    for (const Case& c : cases) {
        if (c.cloudMap) scope.useCloudMap();
        else scope.useLocalMap();
        auto adding = handler();
        adding->setForceShowDialog(true);
        std::string thumbnail, link;
        EXPECT_FALSE(adding->handleImage(makePicture(400, 300), c.path, &thumbnail, &link, c.cloudLink));
        ASSERT_FALSE(panel.shownOptions.empty());
        EXPECT_EQ(panel.shownOptions.back(), c.options) << c.path << " " << c.cloudMap << " " << c.cloudLink;
        EXPECT_EQ(panel.shownSourceSizes.back(), Size(400, 300));
    }
}

TEST_F(CustomImageHandlerTest, OnlyAForcedDialogAFileOrACloudMapAsksThePanel)
{
    struct Case {
        bool force;
        const char* path;
        bool cloudMap;
        bool asked;
    };
    const Case cases[] = {
        {false, "", false, false}, {true, "", false, true}, {false, "p.png", false, true}, {false, "", true, true}};
    for (const Case& c : cases) {
        if (c.cloudMap) scope.useCloudMap();
        else scope.useLocalMap();
        panel.shownOptions.clear();
        auto adding = handler();
        adding->setForceShowDialog(c.force);
        std::string thumbnail, link;
        adding->handleImage(makePicture(400, 300), c.path, &thumbnail, &link, "");
        EXPECT_EQ(!panel.shownOptions.empty(), c.asked) << c.force << c.path << c.cloudMap;
    }
}

TEST_F(CustomImageHandlerTest, APastedLargePictureOnALocalMapIsEmbeddedWithTheSettingsSizes)
{
    settings.setThumbnailSize(100);
    settings.setImageSizeLimit(250);
    MemoryPasteboard pasteboard;
    pasteboard.declareTypes({ImagePasteboard::PNGType});
    pasteboard.setData(pictureData(500, 400), ImagePasteboard::PNGType);
    handler()->addImageFromPasteboard(pasteboard);
    EXPECT_TRUE(panel.shownOptions.empty());
    ASSERT_EQ(imageCount(), 1u);
    auto* image = static_cast<MindMapImage*>(map->mainCentralTheme()->containedElements().front());
    EXPECT_EQ(storedSize(image->imageHash()), Size(250, 200));
    EXPECT_EQ(storedSize(image->thumbnailHash()), Size(100, 80));
}

TEST_F(CustomImageHandlerTest, LinkModesDecideHashesAndLinks)
{
    const std::string path = folder.file("photo.png");
    writePicture(path, 600, 400);
    struct Case {
        const char* what;
        bool cloudMap;
        int32_t mode;
        int64_t thumbnail;
        int64_t upload;
        const char* cloudLink;
        bool added;
        Size full;
        Size thumb; // zero: no thumbnail
        std::string link;
    };
    const Case cases[] = {
        {"embed with a full-size copy", false, 0, 120, 300, "", true, {300, 200}, {120, 80}, ""},
        {"embed, upload not larger", false, 0, 150, 150, "", true, {150, 100}, {}, ""},
        {"link to the file", false, 1, 150, 300, "", true, {150, 100}, {}, path},
        {"link to the cloud file on a local map", false, 1, 150, 300, "/Pics/p.png", false, {}, {}, ""},
        {"link to the cloud file", true, 1, 150, 300, "/Pics/p.png", true, {150, 100}, {}, "cloud://Pics/p.png"},
        {"upload from a local map", false, 2, 150, 300, "", false, {}, {}, ""},
        {"upload reduced", true, 2, 150, 300, "", true, {150, 100}, {}, "cloud://Apps/Images/photo.png"},
        {"unknown mode", false, 7, 150, 300, "", true, {150, 100}, {}, ""},
    };
    for (const Case& c : cases) {
        if (c.cloudMap) scope.useCloudMap();
        else scope.useLocalMap();
        panel.linkMode = c.mode;
        panel.thumbnailSize = c.thumbnail;
        panel.uploadSize = c.upload;
        std::string thumbnail = "stale", link = "stale";
        const std::optional<std::string> hash =
            handler()->handleImage(Image::fromFile(path), path, &thumbnail, &link, c.cloudLink);
        ASSERT_EQ(hash.has_value(), c.added) << c.what;
        if (!hash) continue;
        EXPECT_EQ(storedSize(*hash), c.full) << c.what;
        if (c.thumb.width > 0) EXPECT_EQ(storedSize(thumbnail), c.thumb) << c.what;
        else EXPECT_TRUE(thumbnail.empty()) << c.what;
        EXPECT_EQ(link, c.link) << c.what;
    }
}

TEST_F(CustomImageHandlerTest, UploadsConvertLargePicturesToPngNamedAfterTheFileAndKeepOriginalsAtOriginalSize)
{
    scope.useCloudMap();
    const std::string path = folder.file("Holiday Photo.png");
    writePicture(path, 800, 600);
    panel.linkMode = ImageLinkData::UploadToCloud;

    panel.uploadSize = 400;
    std::string thumbnail, link;
    ASSERT_TRUE(handler()->handleImage(Image::fromFile(path), path, &thumbnail, &link, ""));
    ASSERT_EQ(scope.cloud->uploads.size(), 1u);
    EXPECT_EQ(scope.cloud->uploads[0].targetName, "Holiday Photo.png");
    EXPECT_EQ(scope.cloud->uploads[0].width, 400);
    EXPECT_EQ(scope.cloud->uploads[0].height, 300);
    // The temporary PNG is gone.
    EXPECT_FALSE(std::filesystem::exists(scope.cloud->uploads[0].fromPath));

    panel.uploadSize = ImageLinkData::OriginalSize;
    ASSERT_TRUE(handler()->handleImage(Image::fromFile(path), path, &thumbnail, &link, ""));
    ASSERT_EQ(scope.cloud->uploads.size(), 2u);
    EXPECT_EQ(scope.cloud->uploads[1].fromPath, path);
    EXPECT_EQ(scope.cloud->uploads[1].targetName, "Holiday Photo.png");
    EXPECT_EQ(link, "cloud://Apps/Images/Holiday Photo.png");

    // A picture without a file is always converted, under a new name.
    ASSERT_TRUE(handler()->handleImage(makePicture(800, 600), "", &thumbnail, &link, ""));
    ASSERT_EQ(scope.cloud->uploads.size(), 3u);
    EXPECT_EQ(scope.cloud->uploads[2].width, 800);
    EXPECT_NE(scope.cloud->uploads[2].targetName, ".png");
    EXPECT_EQ(std::filesystem::path(scope.cloud->uploads[2].targetName).extension(), ".png");

    // A failed upload links to nothing and adds nothing.
    scope.cloud->uploadAnswer.clear();
    EXPECT_FALSE(handler()->handleImage(Image::fromFile(path), path, &thumbnail, &link, ""));
}

TEST_F(CustomImageHandlerTest, PngConversionRoundsTheReducedSidesAndKeepsSmallAndOriginalSizes)
{
    struct Case {
        int width, height;
        int64_t limit;
        Size expected;
    };
    const Case cases[] = {
        {1000, 333, 500, {500, 167}},                         // 166.5 rounds up
        {333, 1000, 500, {167, 500}}, {1000, 1, 10, {10, 1}}, // never below one pixel
        {100, 50, 500, {100, 50}},    {1000, 333, ImageLinkData::OriginalSize, {1000, 333}},
    };
    for (const Case& c : cases) {
        const std::string path = CustomImageHandler::convertImageToPng(makePicture(c.width, c.height), c.limit);
        ASSERT_FALSE(path.empty());
        EXPECT_EQ(Image::fromFile(path).pixelSize(), c.expected) << c.width << "x" << c.height << " " << c.limit;
        std::filesystem::remove(path);
    }
    EXPECT_TRUE(CustomImageHandler::convertImageToPng(Image(), 100).empty());
}

TEST_F(CustomImageHandlerTest, PortableImagesArePngAndJpegInAnyCase)
{
    for (const char* path : {"a.png", "a.PNG", "dir.x/a.jpg", "a.JpEg"})
        EXPECT_TRUE(CustomImageHandler::isPortableImage(path)) << path;
    for (const char* path : {"a.gif", "a.tiff", "a", "a.png.svg", "png", "a.jpe"})
        EXPECT_FALSE(CustomImageHandler::isPortableImage(path)) << path;
}

TEST_F(CustomImageHandlerTest, SwitchingMapsWhileThePanelIsOpenAddsNothing)
{
    const std::string path = folder.file("photo.png");
    writePicture(path, 600, 400);
    panel.whileShown = [this] { scope.useCloudMap(); };
    handler()->addImageFromFile(path);
    EXPECT_EQ(imageCount(), 0u);
    EXPECT_TRUE(store->imageFiles().empty());
    panel.whileShown = nullptr;

    // A cancelled panel adds nothing either.
    scope.useLocalMap();
    panel.confirms = false;
    handler()->addImageFromFile(path);
    EXPECT_EQ(imageCount(), 0u);
}

TEST_F(CustomImageHandlerTest, ANewImageGoesToTheTargetPointAndAChangedOneKeepsItsElement)
{
    const std::string path = folder.file("photo.png");
    writePicture(path, 120, 90);
    auto adding = handler();
    adding->useTargetPoint({900, 250});
    adding->addImageFromFile(path);
    ASSERT_EQ(imageCount(), 1u);
    auto* image = static_cast<MindMapImage*>(map->mainCentralTheme()->containedElements().front());
    EXPECT_EQ(image->location(), Point(900, 250));

    const std::string other = folder.file("other.png");
    writePicture(other, 60, 30);
    const std::string before = image->imageHash();
    handler()->changeImage(image, other);
    EXPECT_EQ(imageCount(), 1u);
    EXPECT_NE(image->imageHash(), before);
    EXPECT_EQ(storedSize(image->imageHash()), Size(60, 30));
    // A file that holds no picture changes nothing.
    writeTestFile(folder.file("broken.png"), "not a picture");
    const std::string current = image->imageHash();
    handler()->changeImage(image, folder.file("broken.png"));
    EXPECT_EQ(image->imageHash(), current);
}

TEST_F(CustomImageHandlerTest, ACloudPictureIsAddedOnlyToTheTopicStillSelectedOnTheSameMap)
{
    const std::string path = folder.file("cloud.png");
    writePicture(path, 100, 80);
    MindMapNode* theme = map->mainCentralTheme();
    MindMapNode* child = map->addMindMapNodeAsChild(theme, {700, 400});

    // On a local map nothing is fetched.
    handler()->addImageFromCurrentCloud("/Pics/a.png");
    EXPECT_TRUE(scope.cloud->fetched.empty());

    scope.useCloudMap();
    map->setSelectedElement(theme);
    handler()->addImageFromCurrentCloud("/Pics/a.png");
    ASSERT_EQ(scope.cloud->fetched, std::vector<std::string>{"/Pics/a.png"});
    map->setSelectedElement(child);
    scope.cloud->pendingFetch(path, "/Pics/a.png");
    EXPECT_TRUE(theme->containedElements().empty());
    EXPECT_TRUE(child->containedElements().empty());

    map->setSelectedElement(theme);
    handler()->addImageFromCurrentCloud("/Pics/a.png");
    scope.useLocalMap();
    scope.cloud->pendingFetch(path, "/Pics/a.png");
    EXPECT_TRUE(theme->containedElements().empty());

    scope.useCloudMap();
    handler()->addImageFromCurrentCloud("/Pics/a.png");
    // The handler lives on in the callback alone.
    scope.cloud->pendingFetch(path, "/Pics/a.png");
    EXPECT_EQ(theme->containedElements().size(), 1u);
}

// The progress window shows from the start of a cloud fetch until its answer, whatever it is.
TEST_F(CustomImageHandlerTest, ACloudFetchShowsItsProgressWindowUntilTheAnswerComes)
{
    class RecordingProgress : public CloudFetchProgress {
    public:
        explicit RecordingProgress(std::vector<std::string>& log) : _log(log) {}
        void close() override { _log.push_back("close"); }

    private:
        std::vector<std::string>& _log;
    };
    std::vector<std::string> log;
    CloudFetchProgress::setPresenter([&](int32_t) {
        log.push_back("show");
        return std::make_unique<RecordingProgress>(log);
    });
    const std::string path = folder.file("cloud.png");
    writePicture(path, 100, 80);
    MindMapNode* theme = map->mainCentralTheme();
    MindMapNode* child = map->addMindMapNodeAsChild(theme, {700, 400});

    struct Case {
        const char* what;
        bool cloudMap;
        bool busy;
        std::string arrives; // the file the provider hands back
        bool selectOther;
        std::vector<std::string> log;
        size_t added;
    };
    const Case cases[] = {
        {"the picture arrives", true, false, path, false, {"show", "close"}, 1},
        {"the download failed", true, false, "", false, {"show", "close"}, 0},
        {"another topic was chosen meanwhile", true, false, path, true, {"show", "close"}, 0},
        {"the service is busy", true, true, "", false, {"show", "close"}, 0},
        {"a local map fetches nothing", false, false, path, false, {}, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        log.clear();
        scope.cloud->pendingFetch = nullptr;
        scope.cloud->busy = c.busy;
        if (c.cloudMap) scope.useCloudMap();
        else scope.useLocalMap();
        map->setSelectedElement(child);
        const size_t before = child->containedElements().size();
        handler()->addImageFromCurrentCloud("/Pics/a.png");
        if (scope.cloud->pendingFetch) {
            EXPECT_EQ(log, std::vector<std::string>{"show"}) << "open while the picture comes";
            if (c.selectOther) map->setSelectedElement(theme);
            scope.cloud->pendingFetch(c.arrives, "/Pics/a.png");
        }
        EXPECT_EQ(log, c.log);
        EXPECT_EQ(child->containedElements().size() - before, c.added);
    }
    CloudFetchProgress::setPresenter(nullptr);
}

} // namespace
