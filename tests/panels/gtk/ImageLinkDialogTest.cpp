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
