#include "Editor/ExportFormatViewController.h"

#include "Editor/ExportFormatChoice.h"
#include "Editor/OutlineOptionsChoice.h"
#include "formats/ExportFormats.h"

#include "platform/Localizer.h"
#include "platform/UserDefaults.h"

#include <gtest/gtest.h>

#include <cctype>
#include <string>
#include <vector>

namespace {

class ExportFormatViewControllerTest : public ::testing::Test {
protected:
    void SetUp() override { clear(); }
    void TearDown() override { clear(); }
    static void clear()
    {
        UserDefaults::standard().removeObject(ExportFormatViewController::FormatKey);
        UserDefaults::standard().removeObject(ExportFormatViewController::QualityKey);
    }
};

} // namespace

TEST_F(ExportFormatViewControllerTest, TheRadiosAreTheFormatsWithoutNativeAndTiff)
{
    const ExportFormatViewController controller(Size{100, 100}, Size{});
    const std::vector<int32_t> expected{1, 2, 4, 5, 6, 7, 8};
    std::vector<int32_t> formats;
    for (const auto& radio : controller.formatRadios()) formats.push_back(radio.format);
    EXPECT_EQ(formats, expected);
    EXPECT_STREQ(controller.formatRadios()[2].titleKey, "share_dialog_eps");
}

TEST_F(ExportFormatViewControllerTest, TheExportAndOutlineChoicesAreStoredUnderTheirKeys)
{
    const std::pair<const char*, const char*> keys[] = {
        {ExportFormatChoice::ExtensionKey, "export.format.type.extension"},
        {ExportFormatChoice::ImageQualityKey, "export.image.quality"},
        {ExportFormatViewController::FormatKey, "ExportFormatViewController.ExportFormat"},
        {ExportFormatViewController::QualityKey, "ExportFormatViewController.ExportQuality"},
        {OutlineOptionsChoice::OptionsKey, "OutlineOptions.Options"},
        {OutlineOptionsChoice::PageFormatKey, "OutlineOptions.PageFormat"},
    };
    for (const auto& [key, expected] : keys) EXPECT_STREQ(key, expected);
}

TEST_F(ExportFormatViewControllerTest, TheStoredFormatTurnsOnItsRadioAndAnythingElseCountsAsPdf)
{
    struct Case {
        PropertyList stored;
        int radiosOn;
        int32_t format;
        const char* extension;
    };
    const std::vector<Case> cases{
        {PropertyList(), 0, 1, "pdf"},           {PropertyList(int64_t(2)), 1, 2, "png"},
        {PropertyList(int64_t(8)), 1, 8, "mm"},  {PropertyList(int64_t(3)), 0, 1, "pdf"}, // TIFF has no radio here
        {PropertyList(int64_t(0)), 0, 1, "pdf"}, {PropertyList(std::string("2")), 0, 1, "pdf"},
    };
    for (const Case& c : cases) {
        if (c.stored.type() == PropertyList::Type::None)
            UserDefaults::standard().removeObject(ExportFormatViewController::FormatKey);
        else UserDefaults::standard().setObject(ExportFormatViewController::FormatKey, c.stored);
        const ExportFormatViewController controller(Size{100, 100}, Size{});
        int on = 0;
        for (const auto& radio : controller.formatRadios()) on += radio.on;
        EXPECT_EQ(on, c.radiosOn) << c.format;
        EXPECT_EQ(controller.selectedExportFormat(), c.format);
        EXPECT_EQ(controller.selectedExtension(), c.extension);
    }
}

TEST_F(ExportFormatViewControllerTest, OkFollowsTheBitmapSizeAtEveryChange)
{
    // 40000 x 30000 points at density tag 2 (factor 1.0) need 4.8e9 bytes.
    ExportFormatViewController controller(Size{40000, 30000}, Size{100, 100});
    std::vector<bool> told;
    controller.setOkButton([&told](bool enabled) { told.push_back(enabled); });
    ASSERT_EQ(told.size(), 1u) << "told at once";
    EXPECT_TRUE(told.back()) << "PDF";
    struct Step {
        int32_t format;
        bool selection;
        bool ok;
        bool red;
    };
    for (const Step& step : {Step{2, false, false, true}, Step{4, false, true, false}, Step{2, true, true, false},
                             Step{7, true, true, false}, Step{2, false, false, true}, Step{6, false, true, false}}) {
        controller.selectFormat(step.format);
        controller.setSelectionRangeChosen(step.selection);
        EXPECT_EQ(told.back(), step.ok) << step.format << " " << step.selection;
        EXPECT_EQ(controller.okEnabled(), step.ok);
        if (controller.densityControlsVisible()) {
            EXPECT_EQ(!controller.sizeAcceptable(), step.red);
        }
    }
    controller.selectFormat(2);
    EXPECT_EQ(controller.sizeText(), "40000 x 30000\n" + localized("share_dialog_image_too_large"));
}

TEST_F(ExportFormatViewControllerTest, OnlyFormatsOneToSixExportASelection)
{
    ExportFormatViewController controller(Size{400, 300}, Size{50, 40});
    ASSERT_TRUE(controller.allowSelectionRange());
    for (const auto& radio : controller.formatRadios()) {
        controller.selectFormat(radio.format);
        controller.setSelectionRangeChosen(true);
        const bool offered = radio.format >= 1 && radio.format <= 6;
        EXPECT_EQ(controller.selectionRangeOffered(), offered) << radio.format;
        EXPECT_EQ(controller.selectionOnly(), offered) << radio.format;
    }
    // OPML turned the whole map on; going back to PNG keeps it.
    controller.selectFormat(7);
    controller.selectFormat(2);
    EXPECT_FALSE(controller.selectionOnly());

    ExportFormatViewController nothingSelected(Size{400, 300}, Size{});
    nothingSelected.selectFormat(2);
    nothingSelected.setSelectionRangeChosen(true);
    EXPECT_FALSE(nothingSelected.selectionOnly());
}

TEST_F(ExportFormatViewControllerTest, TheCommittedChoiceIsTheNextQuestionsStart)
{
    {
        ExportFormatViewController controller(Size{400, 300}, Size{});
        controller.selectFormat(5);
        controller.selectDensityIndex(3);
        controller.commitSelectedFormat();
    }
    EXPECT_EQ(UserDefaults::standard().integerForKey(ExportFormatViewController::FormatKey), 5);
    EXPECT_EQ(UserDefaults::standard().integerForKey(ExportFormatViewController::QualityKey), 6);
    const ExportFormatViewController next(Size{400, 300}, Size{});
    EXPECT_EQ(next.selectedExportFormat(), 5);
    EXPECT_EQ(next.selectedImageQuality(), 6);
}

TEST_F(ExportFormatViewControllerTest, EachBitmapTypeNamesItsOwnDensity)
{
    size_t bitmaps = 0;
    for (const ExportFormatChoice::FileType& type : ExportFormatChoice::FileTypes) {
        if (!IsBitmapExportFormat(type.format)) continue;
        ++bitmaps;
        std::string name = type.extension;
        for (char& c : name) c = char(std::toupper(static_cast<unsigned char>(c)));
        EXPECT_NE(localized(ImageDensityChoice::labelKey(type.format)).find(name), std::string::npos) << name;
    }
    EXPECT_EQ(bitmaps, 2u);
}
