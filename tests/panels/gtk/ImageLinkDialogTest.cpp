#include "panels/gtk/ImageLinkDialog.h"

#include "MindMaps/MindMap.h"
#include "MindMaps/MindMapImage.h"
#include "MindMaps/MindMapNode.h"
#include "RealInput.h"
#include "editor-view/CustomImageHandler.h"
#include "editor-view/PictureTestSupport.h"
#include "panels/PanelsInstallation.h"
#include "platform/Localizer.h"
#include "platform/UserDefaults.h"
#include "store/CustomImageSettings.h"
#include "store/CustomImageStore.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>

using namespace picturetest;

namespace {

// A picture added through the real panel, answered with clicks that go through the X server.
class ImageLinkDialogTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!RealInput::startGtk()) TARNWICK_REQUIRE_DISPLAY(false);
        UserDefaults::standard().removeObject(ImageLinkPanelController::FrameName);
        settings.setImageSizeLimit(480, false, 160);
        installPanels();
        installImageLinkDialog();
        map->setImageStore(store);
        map->newMindMap("", true, std::string("Theme"));
        map->setSelectedElement(map->mainCentralTheme());
        picture = folder.file("harbour.png");
        writePicture(picture, 1200, 900);
    }
    void TearDown() override
    {
        setImageLinkDialogShownObserver(nullptr);
        ImageLinkPanelController::setWindow(nullptr);
        ImageLinkPanel::setShared(nullptr);
        settings.setImageSizeLimit(CustomImageSettings::DefaultImageSizeLimit, false,
                                   CustomImageSettings::DefaultThumbnailSize);
    }

    // Runs the step once the dialog is on screen, from the dialog's own loop.
    static void whenShown(std::function<void(ImageLinkDialog&)> step)
    {
        setImageLinkDialogShownObserver([step](ImageLinkDialog& dialog) {
            Glib::signal_timeout().connect_once([step, &dialog] { step(dialog); }, 200);
        });
    }

    static void clickCentre(Gtk::Widget& widget)
    {
        RealInput::click(widget, widget.get_allocated_width() / 2, widget.get_allocated_height() / 2);
        RealInput::pump();
    }
    static void clickRadio(Gtk::Widget& widget)
    {
        // The indicator sits at the start of the radio.
        RealInput::click(widget, 8, widget.get_allocated_height() / 2);
        RealInput::pump();
    }

    static void shoot(Gtk::Window& window, const char* name)
    {
        const char* folder = std::getenv("TARNWICK_SCREENSHOT_DIR");
        if (!folder || !window.get_window()) return;
        RealInput::pump(300);
        auto pixbuf = Gdk::Pixbuf::create(window.get_window(), 0, 0, window.get_width(), window.get_height());
        if (pixbuf) pixbuf->save(std::string(folder) + "/" + name + ".png", "png");
    }

    std::vector<MindMapImage*> images()
    {
        std::vector<MindMapImage*> found;
        for (ContainedElement* element : map->mainCentralTheme()->containedElements())
            if (auto* image = dynamic_cast<MindMapImage*>(element)) found.push_back(image);
        return found;
    }

    CustomImageSettings& settings = CustomImageSettings::customImageSettings();
    TempDir folder;
    std::shared_ptr<CustomImageStore> store = std::make_shared<CustomImageStore>(folder.file("images"));
    std::shared_ptr<MindMap> map = std::make_shared<MindMap>();
    EditorInterfaceScope scope;
    std::string picture;
};

} // namespace

TEST_F(ImageLinkDialogTest, APictureOnALocalMapIsLinkedToItsFileByClicks)
{
    struct Seen {
        bool embedOn = false, uploadSensitive = true, linkSensitive = false, pngShown = true;
        bool sizeShownForEmbed = false, sizeShownForLink = true;
        std::string sizeChoice, sourceSize;
    } seen;
    whenShown([&seen](ImageLinkDialog& dialog) {
        shoot(dialog, "image-link-panel-embed");
        seen.embedOn = dialog.modeRadio(0).get_active();
        seen.linkSensitive = dialog.modeRadio(1).is_sensitive();
        seen.uploadSensitive = dialog.modeRadio(2).is_sensitive();
        seen.pngShown = dialog.convertToPngBox().get_visible();
        seen.sizeShownForEmbed = dialog.sizePopup().get_visible();
        seen.sizeChoice = dialog.sizePopup().get_active_text();
        seen.sourceSize = dialog.sourceSizeLabel().get_text();
        clickRadio(dialog.modeRadio(1));
        seen.sizeShownForLink = dialog.sizePopup().get_visible();
        clickCentre(dialog.okButton());
    });
    auto adding = std::make_shared<CustomImageHandler>(map);
    adding->addImageFromFile(picture);

    EXPECT_TRUE(seen.embedOn);
    EXPECT_TRUE(seen.linkSensitive);
    EXPECT_FALSE(seen.uploadSensitive);
    EXPECT_FALSE(seen.pngShown);
    EXPECT_TRUE(seen.sizeShownForEmbed);
    EXPECT_EQ(seen.sizeChoice, localized("image_size_limit_large"));
    EXPECT_EQ(seen.sourceSize, "1200 x 900");
    EXPECT_FALSE(seen.sizeShownForLink);
    const std::vector<MindMapImage*> added = images();
    ASSERT_EQ(added.size(), 1u);
    EXPECT_EQ(added[0]->imageLink(), picture);
    EXPECT_NE(UserDefaults::standard().objectForKey(ImageLinkPanelController::FrameName).type(),
              PropertyList::Type::None)
        << "the panel's frame is kept";
}

TEST_F(ImageLinkDialogTest, CancelAddsNothing)
{
    whenShown([](ImageLinkDialog& dialog) {
        clickRadio(dialog.modeRadio(1));
        Gtk::Widget* cancel = dialog.get_widget_for_response(Gtk::RESPONSE_CANCEL);
        ASSERT_TRUE(cancel);
        clickCentre(*cancel);
    });
    auto adding = std::make_shared<CustomImageHandler>(map);
    adding->addImageFromFile(picture);
    EXPECT_TRUE(images().empty());
}

TEST_F(ImageLinkDialogTest, UploadsOfANonPortableFileOfferPngAndStartAt1280)
{
    struct Seen {
        bool uploadOn = false, pngShown = false, pngChecked = false, hintShown = false;
        std::string uploadSize, embedSize, uploadAgain, embedLabel;
    } seen;
    const std::string tiffNamed = folder.file("scan.bmp.png");
    writePicture(tiffNamed, 1500, 1000);
    ImageLinkPanelController controller;
    ImageLinkData data(nullptr, ImageLinkData::HasFilePath | ImageLinkData::NotPortableFile, {1500, 1000});
    controller.setLinkData(data);
    ImageLinkDialog dialog(controller);
    dialog.present();
    ASSERT_TRUE(RealInput::pumpUntil([&] { return dialog.get_window() && dialog.get_window()->is_viewable(); }));
    RealInput::pump(200);
    shoot(dialog, "image-link-panel-upload");
    seen.uploadOn = dialog.modeRadio(2).get_active();
    seen.pngShown = dialog.convertToPngBox().get_visible();
    seen.pngChecked = dialog.convertToPngBox().get_active();
    seen.hintShown = dialog.convertToPngHint().get_visible();
    seen.uploadSize = dialog.sizePopup().get_active_text();
    clickRadio(dialog.modeRadio(0));
    seen.embedSize = dialog.sizePopup().get_active_text();
    seen.embedLabel = dialog.sizeLabel().get_text();
    const bool pngShownForEmbed = dialog.convertToPngBox().get_visible();
    clickRadio(dialog.modeRadio(2));
    seen.uploadAgain = dialog.sizePopup().get_active_text();

    EXPECT_TRUE(seen.uploadOn);
    EXPECT_TRUE(seen.pngShown);
    EXPECT_TRUE(seen.pngChecked);
    EXPECT_TRUE(seen.hintShown);
    EXPECT_FALSE(pngShownForEmbed);
    EXPECT_EQ(seen.uploadSize, localized("image_upload_size_extra_large"));
    EXPECT_EQ(seen.embedSize, localized("image_size_limit_large"));
    EXPECT_EQ(seen.embedLabel, localized("image_picker_embedded_image_size"));
    EXPECT_EQ(seen.uploadAgain, localized("image_upload_size_extra_large"));
    EXPECT_EQ(controller.selectedLinkMode(), ImageLinkData::UploadToCloud);
}
