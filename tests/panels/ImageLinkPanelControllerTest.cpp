#include "panels/ImageLinkPanelController.h"

#include "panels/ModalResult.h"
#include "store/CustomImageSettings.h"

#include <gtest/gtest.h>

namespace {

using Data = ImageLinkData;
constexpr uint32_t Local = Data::LocalMindMap;
constexpr uint32_t CloudLink = Data::CloudLinkGiven;
constexpr uint32_t HasFile = Data::HasFilePath;
constexpr uint32_t NotPortable = Data::NotPortableFile;

// The image settings the panel reads, put back when the test ends.
class ImageLinkPanelTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        CustomImageSettings& settings = CustomImageSettings::customImageSettings();
        _saved = settings;
        settings.setImageSizeLimit(480, false, 240);
    }
    void TearDown() override
    {
        CustomImageSettings::customImageSettings() = _saved;
        ImageLinkPanelController::setWindow(nullptr);
    }

    static ImageLinkPanelController shown(uint32_t options, int64_t uploadSize = 320)
    {
        Data data(nullptr, options, {2000, 1500});
        data.setUploadSize(uploadSize);
        ImageLinkPanelController panel;
        panel.setLinkData(data);
        return panel;
    }

private:
    CustomImageSettings _saved;
};

} // namespace

TEST_F(ImageLinkPanelTest, OptionBitsPreselectAndEnableTheModes)
{
    struct Case {
        uint32_t options;
        int32_t preselected;
        bool linkEnabled, uploadEnabled;
    };
    for (const Case& c : {
             Case{0, Data::UploadToCloud, false, true},
             Case{Local, Data::Embed, false, false},
             Case{Local | HasFile, Data::Embed, true, false},
             Case{Local | HasFile | NotPortable, Data::Embed, true, false},
             Case{CloudLink, Data::LinkToFile, false, false},
             Case{CloudLink | HasFile, Data::LinkToFile, true, false},
             Case{Local | CloudLink, Data::Embed, false, false},
             Case{HasFile, Data::UploadToCloud, true, true},
             Case{HasFile | NotPortable, Data::UploadToCloud, true, true},
         }) {
        const ImageLinkPanelController panel = shown(c.options);
        EXPECT_EQ(panel.selectedLinkMode(), c.preselected) << c.options;
        const auto& radios = panel.modeRadios();
        EXPECT_TRUE(radios[Data::Embed].enabled) << c.options;
        EXPECT_EQ(radios[Data::LinkToFile].enabled, c.linkEnabled) << c.options;
        EXPECT_EQ(radios[Data::UploadToCloud].enabled, c.uploadEnabled) << c.options;
        int on = 0;
        for (const auto& radio : radios) on += radio.on;
        EXPECT_EQ(on, 1) << c.options;
    }
}

TEST_F(ImageLinkPanelTest, EachModeShowsItsSizePopupAndThePngBoxOnlyForUploadsOfNonPortableFiles)
{
    struct Case {
        uint32_t options;
        int32_t mode;
        bool sizeVisible;
        const char* sizeLabel;
        int64_t size;
        bool pngVisible, pngChecked;
    };
    for (const Case& c : {
             // Embed starts at the image size limit, whatever the record's size was.
             Case{HasFile | NotPortable, Data::Embed, true, "image_picker_embedded_image_size", 480, false, false},
             Case{HasFile | NotPortable, Data::LinkToFile, false, "", 0, false, false},
             Case{HasFile | NotPortable, Data::UploadToCloud, true, "image_picker_upload_size", 1280, true, true},
             Case{HasFile, Data::UploadToCloud, true, "image_picker_upload_size", 1280, false, false},
             // No file: the PNG box stays hidden even for a picture that would need converting.
             Case{NotPortable, Data::UploadToCloud, true, "image_picker_upload_size", 1280, false, true},
             Case{0, Data::UploadToCloud, true, "image_picker_upload_size", 1280, false, false},
         }) {
        ImageLinkPanelController panel = shown(c.options, 640);
        panel.linkModeRadioClicked(c.mode);
        ASSERT_EQ(panel.selectedLinkMode(), c.mode) << c.options;
        EXPECT_EQ(panel.sizePopup().visible, c.sizeVisible) << c.options << " " << c.mode;
        if (c.sizeVisible) {
            EXPECT_STREQ(panel.sizePopup().labelKey, c.sizeLabel);
            EXPECT_EQ(panel.selectedSize(), c.size) << c.options << " " << c.mode;
        }
        EXPECT_EQ(panel.convertToPngVisible(), c.pngVisible) << c.options << " " << c.mode;
        // Only an upload shows the box at all.
        if (c.mode == Data::UploadToCloud) {
            EXPECT_EQ(panel.convertToPngChecked(), c.pngChecked) << c.options;
        }
    }
}

TEST_F(ImageLinkPanelTest, SwitchingModesResetsTheSizePopup)
{
    ImageLinkPanelController panel = shown(HasFile);
    ASSERT_EQ(panel.selectedLinkMode(), Data::UploadToCloud);
    EXPECT_EQ(panel.selectedSize(), 1280);
    panel.selectSizeIndex(0);
    EXPECT_EQ(panel.selectedSize(), 320);
    panel.linkModeRadioClicked(Data::Embed);
    EXPECT_EQ(panel.selectedSize(), 480);
    EXPECT_EQ(panel.sizePopup().items.size(), ImageSizePopupButtons::EmbeddedImageSizes.size());
    panel.selectSizeIndex(5);
    EXPECT_EQ(panel.selectedSize(), ImageSizePopupButtons::UnrestrictedSize);
    panel.linkModeRadioClicked(Data::UploadToCloud);
    EXPECT_EQ(panel.selectedSize(), 1280);
}

TEST_F(ImageLinkPanelTest, ADisabledModeCannotBeChosen)
{
    ImageLinkPanelController panel = shown(Local);
    panel.linkModeRadioClicked(Data::UploadToCloud);
    panel.linkModeRadioClicked(Data::LinkToFile);
    EXPECT_EQ(panel.selectedLinkMode(), Data::Embed);
}

TEST_F(ImageLinkPanelTest, TheCommitWritesTheModeSizesAndPngOnlyForUploads)
{
    struct Case {
        int32_t mode;
        int64_t uploadSize;
        bool png;
    };
    for (const Case& c :
         {Case{Data::Embed, 480, false}, Case{Data::LinkToFile, 480, false}, Case{Data::UploadToCloud, 1280, true}}) {
        ImageLinkPanelController panel = shown(HasFile | NotPortable);
        panel.linkModeRadioClicked(c.mode);
        panel.selectThumbnailIndex(0);
        // Checked by the user in every mode: only an upload converts.
        panel.setConvertToPngChecked(true);
        Data data(nullptr, HasFile | NotPortable, {2000, 1500});
        panel.commitToLinkData(data);
        EXPECT_EQ(data.linkMode(), c.mode);
        EXPECT_EQ(data.thumbnailSize(), 100);
        // The link mode keeps the embedded size its popup last had.
        if (c.mode != Data::LinkToFile) {
            EXPECT_EQ(data.uploadSize(), c.uploadSize);
        }
        EXPECT_EQ(data.convertToPng(), c.png) << c.mode;
    }
}

TEST_F(ImageLinkPanelTest, TheThumbnailStartsAtTheSettingsAndTheSourceSizeIsFormatted)
{
    const ImageLinkPanelController panel = shown(Local);
    EXPECT_EQ(panel.thumbnailSize(), 240);
    EXPECT_EQ(panel.sourceSizeText(), "2000 x 1500");
}

TEST_F(ImageLinkPanelTest, ASourceSizeWithFormatCharactersIsShownAsText)
{
    // The size fills the project's own formatter; nothing of it reaches printf.
    Data data(nullptr, Local, {-1.0 / 0.0, 1e300});
    ImageLinkPanelController panel;
    panel.setLinkData(data);
    EXPECT_EQ(panel.sourceSizeText().find('%'), std::string::npos);
    EXPECT_FALSE(panel.sourceSizeText().empty());
}

TEST_F(ImageLinkPanelTest, OnlyOkWritesTheRecord)
{
    struct Case {
        int result;
        bool confirmed;
    };
    for (const Case& c :
         {Case{ModalResult::OK, true}, Case{ModalResult::Closed, false}, Case{-4, false}, Case{0, false}}) {
        ImageLinkPanelController::setWindow([&](ImageLinkPanelController& panel) {
            panel.linkModeRadioClicked(Data::UploadToCloud);
            panel.setConvertToPngChecked(true);
            return c.result;
        });
        Data data(nullptr, HasFile | NotPortable, {2000, 1500});
        data.setLinkMode(Data::LinkToFile);
        data.setThumbnailSize(77);
        data.setUploadSize(99);
        EXPECT_EQ(ImageLinkPanelController::executeWithImageLinkData(data), c.confirmed) << c.result;
        EXPECT_EQ(data.linkMode(), c.confirmed ? Data::UploadToCloud : Data::LinkToFile);
        EXPECT_EQ(data.thumbnailSize(), c.confirmed ? 240 : 77);
        EXPECT_EQ(data.uploadSize(), c.confirmed ? 1280 : 99);
        EXPECT_EQ(data.convertToPng(), c.confirmed);
    }
}

TEST_F(ImageLinkPanelTest, WithoutAWindowThePictureIsNotAdded)
{
    Data data(nullptr, Local, {2000, 1500});
    EXPECT_FALSE(ImageLinkPanelController::executeWithImageLinkData(data));
    EXPECT_EQ(data.thumbnailSize(), 0);
}

TEST(ImageSizePopupButtons, AnIndexOutsideThePopupReadsAsItsFirstItem)
{
    using P = ImageSizePopupButtons;
    EXPECT_EQ(P::imageSizeAt(P::UploadImageSizes, -1), 320);
    EXPECT_EQ(P::imageSizeAt(P::ThumbnailImageSizes, 4), 100);
    EXPECT_EQ(P::imageSizeAt({}, 0), 0);
    EXPECT_EQ(P::indexForImageSize({}, 10), 0u);
    EXPECT_EQ(P::indexForImageSize(P::EmbeddedImageSizes, P::UnrestrictedSize + 1), 0u);
}
