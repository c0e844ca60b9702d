#include "EditorViewTestSupport.h"

#include "MindMaps/MindMapImage.h"
#include "Utils/RecordingFeedbackSink.h"
#include "editor-view/PictureTestSupport.h"
#include "platform/ImagePasteboard.h"
#include "platform/Localizer.h"
#include "platform/Pasteboard.h"
#include "store/CustomImageStore.h"

#include "support/ScriptedFileChooser.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

using namespace editortest;
using namespace picturetest;

namespace {

class PictureCommandsTest : public EditorViewTest {
protected:
    void SetUp() override
    {
        EditorViewTest::SetUp();
        map->setImageStore(store);
        showMap();
        writePicture(folder.file("photo.png"), 640, 480);
        writePicture(folder.file("small.png"), 64, 48);
    }

    Size storedSize(const std::string& hash) const
    {
        return Image::fromFile(store->customImageFilePath(hash)).pixelSize();
    }

    TempDir folder;
    std::shared_ptr<CustomImageStore> store = std::make_shared<CustomImageStore>(folder.file("images"));
    EditorInterfaceScope scope;
    ScriptedImageLinkPanel panel;
    ScriptedFileChooser chooser;
    RecordingFeedbackSink sink;
};

TEST_F(PictureCommandsTest, TheFilePanelAsksForOnePictureFile)
{
    EXPECT_FALSE(editor->pickImageFile());
    ASSERT_EQ(chooser.openRequests.size(), 1u);
    const FileChooser::OpenOptions& options = chooser.openRequests[0];
    EXPECT_EQ(options.title, localized("explorer_select_image_title"));
    EXPECT_FALSE(options.allowsMultipleSelection);
    EXPECT_NE(std::find(options.allowedTypes.begin(), options.allowedTypes.end(), "png"), options.allowedTypes.end());
    chooser.openAnswer = {folder.file("photo.png")};
    EXPECT_EQ(editor->pickImageFile(), folder.file("photo.png"));
}

TEST_F(PictureCommandsTest, EmbeddedImagesAndImageTopicsAreStoredAtMost320Long)
{
    chooser.openAnswer = {folder.file("photo.png")};
    editor->invokeEmbeddedImagePicker();
    ASSERT_FALSE(theme->embeddedImageName().empty());
    EXPECT_EQ(storedSize(theme->embeddedImageName()), Size(320, 240));

    const size_t before = map->nodes().size();
    map->setSelectedElement(theme);
    editor->addImageAsTopic();
    ASSERT_EQ(map->nodes().size(), before + 1);
    EXPECT_EQ(map->selectedNode()->parent(), theme);
    EXPECT_EQ(storedSize(map->selectedNode()->embeddedImageName()), Size(320, 240));

    // A cancelled panel, or a file that holds no picture, changes nothing.
    chooser.openAnswer.clear();
    editor->addImageAsTopic();
    writeTestFile(folder.file("fake.png"), "no picture");
    chooser.openAnswer = {folder.file("fake.png")};
    editor->addImageAsTopic();
    EXPECT_EQ(map->nodes().size(), before + 1);
}

TEST_F(PictureCommandsTest, CustomImagesAreAddedToTheSelectedTopicAndChangedInPlace)
{
    chooser.openAnswer = {folder.file("small.png")};
    editor->addCustomImage();
    ASSERT_EQ(theme->containedElements().size(), 1u);
    auto* image = dynamic_cast<MindMapImage*>(theme->containedElements().front());
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(map->selectedImage(), image);
    EXPECT_EQ(storedSize(image->imageHash()), Size(64, 48));

    // A large file goes through the image-link panel.
    chooser.openAnswer = {folder.file("photo.png")};
    editor->editSelectedImage();
    ASSERT_EQ(panel.shownOptions.size(), 1u);
    EXPECT_EQ(panel.shownOptions[0], ImageLinkData::LocalMindMap | ImageLinkData::HasFilePath);
    EXPECT_EQ(theme->containedElements().size(), 1u);
    EXPECT_EQ(storedSize(image->imageHash()), Size(320, 240));
    EXPECT_EQ(storedSize(image->thumbnailHash()), Size(160, 120));
}

TEST_F(PictureCommandsTest, APastedPictureGoesToTheTopic)
{
    MemoryPasteboard pasteboard;
    pasteboard.declareTypes({ImagePasteboard::PNGType});
    pasteboard.setData(pictureData(100, 100), ImagePasteboard::PNGType);
    editor->addImageFromPasteboard(&pasteboard, nullptr);
    EXPECT_TRUE(child->containedElements().empty());
    editor->addImageFromPasteboard(&pasteboard, child);
    EXPECT_EQ(child->containedElements().size(), 1u);
}

TEST_F(PictureCommandsTest, AReadOnlyMapTakesNoPicture)
{
    editor->setReadOnly(true);
    chooser.openAnswer = {folder.file("photo.png")};
    editor->addCustomImage();
    editor->invokeEmbeddedImagePicker();
    editor->addImageAsTopic();
    editor->addImageFromFile(folder.file("photo.png"), theme);
    EXPECT_TRUE(chooser.openRequests.empty());
    EXPECT_TRUE(theme->embeddedImageName().empty());
    EXPECT_TRUE(theme->containedElements().empty());
}

} // namespace
