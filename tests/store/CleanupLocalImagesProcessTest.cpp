#include "ImageTestSupport.h"
#include "MindMapStoreTestSupport.h"

#include "platform/Localizer.h"
#include "platform/MainLoop.h"
#include "store/CleanupLocalImagesProcess.h"
#include "store/CustomImageStore.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <thread>

using namespace storetest;
namespace fs = std::filesystem;

namespace {

std::string image(const std::string& hash)
{
    return "<image name=\"" + hash + "\" x=\"0\" y=\"0\"/>";
}

class RecordingQuit : public TerminationProcessDelegate {
public:
    void terminationProcessCompleted(TerminationProcess*) override
    {
        ++completions, thread = std::this_thread::get_id();
    }
    void terminationProcessActionChanged(TerminationProcess*) override {}
    int completions = 0;
    std::thread::id thread;
};

class CleanupLocalImagesProcessTest : public StoreTest {
protected:
    std::string topicImage, relationImage, linkImage;

    // The map uses one image on a topic, one in the topic's parent relation and one on a cross
    // link; a fourth image is used by nothing.
    void buildStore()
    {
        start();
        auto images = CustomImageStore::localImageStore();
        topicImage = images->storeImagePngData(pngBytes(30, 30, 0.1));
        relationImage = images->storeImagePngData(pngBytes(30, 30, 0.3));
        linkImage = images->storeImagePngData(pngBytes(30, 30, 0.5));
        images->storeImagePngData(pngBytes(30, 30, 0.7));
        MindMapStore::releaseMindMapStoreInstance();
        std::string map = nativeDocument(
            GuidA, "A",
            "<topic id=\"0\" parent=\"-1\" text=\"Root\"/><topic id=\"1\" parent=\"0\" text=\"Child\"><children>" +
                image(topicImage) + "</children><parent-relation><children>" + image(relationImage) +
                "</children></parent-relation></topic>",
            3, true);
        map.replace(map.find("<relations></relations>"), 23,
                    "<relations><relation source=\"0\" target=\"1\"><children>" + image(linkImage) +
                        "</children></relation></relations>");
        placeFile(GuidA + ".twkx", map);
        start();
    }

    bool exists(const std::string& hash) const
    {
        return fs::exists(CustomImageStore::localImageStore()->customImageFilePath(hash));
    }
};

TEST_F(CleanupLocalImagesProcessTest, DeletesOnlyUnusedImagesAsideAndCompletesOnTheMainLoop)
{
    buildStore();
    RecordingQuit quit;
    CleanupLocalImagesProcess process;
    process.setDelegate(&quit);
    EXPECT_EQ(process.title(), localized("cleanup_image_progress"));
    EXPECT_EQ(process.iconImage(), "recycle_bin_full_16");
    process.run();
    EXPECT_FALSE(process.completed()) << "completion waits for the main loop";
    ASSERT_TRUE(MainLoop::runUntil([&] { return process.completed(); }, 10.0));
    EXPECT_EQ(quit.completions, 1);
    EXPECT_EQ(quit.thread, std::this_thread::get_id());
    EXPECT_EQ(process.deletedImages(), 1);
    EXPECT_TRUE(exists(topicImage));
    EXPECT_TRUE(exists(relationImage)) << "images in relations are in use too";
    EXPECT_TRUE(exists(linkImage)) << "images on cross links are in use too";
}

TEST_F(CleanupLocalImagesProcessTest, AProcessReleasedWhenItCompletesIsNotTouchedAgain)
{
    buildStore();
    class Releasing : public TerminationProcessDelegate {
    public:
        std::unique_ptr<CleanupLocalImagesProcess> process;
        void terminationProcessCompleted(TerminationProcess*) override { process.reset(); }
        void terminationProcessActionChanged(TerminationProcess*) override {}
    } quit;
    quit.process = std::make_unique<CleanupLocalImagesProcess>();
    quit.process->setDelegate(&quit);
    quit.process->run();
    EXPECT_TRUE(MainLoop::runUntil([&] { return !quit.process; }, 10.0));
}

} // namespace
