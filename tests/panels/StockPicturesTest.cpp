#include "Editor/FeedbackCenter.h"
#include "panels/LayoutModePanelController.h"
#include "platform/Image.h"
#include "render/CalloutStyleImage.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// The pictures the screens load from the build's resources by name: a missing one leaves its place
// empty without a word.
TEST(StockPicturesTest, EveryPictureTheScreensLoadByNameIsRendered)
{
    struct Case {
        std::string name;
        int pixels; // 0: any size
    };
    std::vector<Case> cases = {
        {"recyclebin_128", 128},
        {"voice_memo_icon", 0},
        {FeedbackCenter::dropboxImage(), 16},
        {FeedbackCenter::gdriveImage(), 16},
        {"dropbox_128", 128},
        {"google_drive_128", 128},
    };
    for (const char* name : LayoutModePanelController::ModeImageNames) cases.push_back({name, 32});
    for (uint64_t style : {0, 1, 2}) cases.push_back({CalloutStyleImage(style), 16});
    for (const Case& c : cases) {
        const Image picture = Image::fromResource(c.name);
        ASSERT_FALSE(picture.isNull()) << c.name;
        if (c.pixels == 0) continue;
        EXPECT_EQ(picture.pixelWidth(), c.pixels) << c.name;
        EXPECT_EQ(picture.pixelHeight(), c.pixels) << c.name;
    }
}

} // namespace
