#include "panels/PdfViewState.h"
#include "Editor/EditorWindowController.h"
#include "editor-view/PdfPreviewManager.h"
#include "platform/Localizer.h"
#include "platform/UserDefaults.h"
#include "support/RecordingUriLauncher.h"
#include "support/ScriptedAlertPanel.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <limits>

namespace fs = std::filesystem;

namespace {

std::vector<PdfDocumentReader::PageSize> letterPages(int count)
{
    return std::vector<PdfDocumentReader::PageSize>(size_t(count), PdfDocumentReader::PageSize{600, 800});
}

TEST(PdfViewState, PageLinkFormat)
{
    EXPECT_EQ(pdfPageLink("/a/b.pdf", 12), "/a/b.pdf#page=12");
    // What the dialog writes, the link follower reads back.
    TempDir dir;
    const std::string path = dir.path() + "/Report.PDF";
    std::ofstream(path) << "x";
    const auto parsed = PdfPreviewManager::parsePdfLink(pdfPageLink(path, 7));
    ASSERT_TRUE(parsed);
    EXPECT_EQ(parsed->path, path);
    EXPECT_EQ(parsed->pageNumber, 7);
}

TEST(PdfViewState, GoToPageIgnoresPagesOutOfRange)
{
    PdfViewState none;
    EXPECT_EQ(none.currentPageNumber(), -1);
    EXPECT_FALSE(none.goToPage(1));

    PdfViewState state(letterPages(5));
    EXPECT_EQ(state.currentPageNumber(), 1);
    for (int page : {0, -1, 6, std::numeric_limits<int>::max(), std::numeric_limits<int>::min()}) {
        EXPECT_FALSE(state.goToPage(page)) << page;
        EXPECT_EQ(state.currentPageNumber(), 1);
    }
    EXPECT_TRUE(state.goToPage(5));
    EXPECT_EQ(state.currentPageNumber(), 5);
}

TEST(PdfViewState, LayoutPerDisplayMode)
{
    const struct {
        PdfDisplayMode mode;
        int currentPage;
        std::vector<int> pagesLaidOut;
        int pagesInFirstRow;
    } cases[] = {
        {PdfDisplayMode::SinglePage, 3, {3}, 1},
        {PdfDisplayMode::SinglePageContinuous, 3, {1, 2, 3, 4, 5}, 1},
        {PdfDisplayMode::TwoUp, 4, {3, 4}, 2},
        {PdfDisplayMode::TwoUp, 5, {5}, 1},
        {PdfDisplayMode::TwoUpContinuous, 1, {1, 2, 3, 4, 5}, 2},
    };
    for (const auto& c : cases) {
        PdfViewState state(letterPages(5));
        state.setDisplayMode(int32_t(c.mode));
        state.setScaleFactor(0.5);
        ASSERT_TRUE(state.goToPage(c.currentPage));
        const auto placements = state.layout(1000, 600);
        std::vector<int> pages;
        for (const auto& p : placements) pages.push_back(p.page);
        EXPECT_EQ(pages, c.pagesLaidOut) << int(c.mode);
        int firstRow = 0;
        for (const auto& p : placements) firstRow += p.y == placements.front().y;
        EXPECT_EQ(firstRow, c.pagesInFirstRow) << int(c.mode);
        for (const auto& p : placements) {
            EXPECT_DOUBLE_EQ(p.width, 300);
            EXPECT_DOUBLE_EQ(p.height, 400);
        }
    }
}

TEST(PdfViewState, UnknownDisplayModeAndBadScaleAreIgnored)
{
    PdfViewState state(letterPages(2));
    state.setDisplayMode(2);
    for (int32_t mode : {-1, 4, 100}) state.setDisplayMode(mode);
    EXPECT_EQ(state.displayMode(), PdfDisplayMode::TwoUp);
    state.setScaleFactor(std::nan(""));
    EXPECT_TRUE(state.autoScale());
    state.setScaleFactor(1e9);
    EXPECT_DOUBLE_EQ(state.scaleFactor(), PdfViewState::MaximumScale);
    state.setScaleFactor(-3);
    EXPECT_DOUBLE_EQ(state.scaleFactor(), PdfViewState::MinimumScale);
}

TEST(PdfViewState, AutoScaleFitsTheWidthAndOutsideContinuousTheHeight)
{
    PdfViewState state(letterPages(3));
    state.setDisplayMode(int32_t(PdfDisplayMode::SinglePageContinuous));
    EXPECT_DOUBLE_EQ(state.effectiveScale(600 + 2 * PdfViewState::PageGap, 100), 1.0);
    state.setDisplayMode(int32_t(PdfDisplayMode::SinglePage));
    EXPECT_DOUBLE_EQ(state.effectiveScale(600 + 2 * PdfViewState::PageGap, 400 + 2 * PdfViewState::PageGap), 0.5);
    state.setDisplayMode(int32_t(PdfDisplayMode::TwoUpContinuous));
    EXPECT_DOUBLE_EQ(state.effectiveScale(1200 + 3 * PdfViewState::PageGap, 100), 1.0);
}

TEST(PdfViewState, OnlyVisiblePagesAndTheCurrentPageFollowsScrolling)
{
    PdfViewState state(letterPages(1000));
    state.setScaleFactor(1);
    const auto placements = state.layout(700, 900);
    ASSERT_EQ(placements.size(), 1000u);
    const double row = 800 + PdfViewState::PageGap;
    const auto shown = PdfViewState::visible(placements, 699 * row, 900);
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[0].page, 700);
    EXPECT_EQ(shown[1].page, 701);

    ASSERT_TRUE(state.goToPage(700));
    EXPECT_DOUBLE_EQ(state.offsetOfCurrentPage(placements), 699 * row);
    state.scrolledTo(placements, 10 * row, 900);
    EXPECT_EQ(state.currentPageNumber(), 11);
    state.scrolledTo(placements, 1e12, 900);
    EXPECT_EQ(state.currentPageNumber(), 1000);
}

TEST(PdfViewState, RenderSizeFollowsTheDeviceScaleWithinABound)
{
    const PdfViewState::Placement page{1, 0, 0, 300, 400};
    int width = 0, height = 0;
    PdfViewState::renderSize(page, 2, width, height);
    EXPECT_EQ(width, 600);
    EXPECT_EQ(height, 800);
    const PdfViewState::Placement huge{1, 0, 0, 14400 * 10, 1e6};
    PdfViewState::renderSize(huge, 2, width, height);
    EXPECT_LE(std::max(width, height), int(PdfViewState::MaximumPagePixels));
    EXPECT_GE(width, 1);
}

TEST(PdfViewState, SettingsRoundTripUnderThePreviewKeys)
{
    UserDefaults& defaults = UserDefaults::standard();
    defaults.resetForTesting();
    for (const char* key : {"PdfPreview.DisplayMode", "PdfPreview.AutoScale", "PdfPreview.ScaleFactor"})
        defaults.removeObject(key);

    PdfViewState fresh(letterPages(1));
    fresh.loadSettings(defaults);
    EXPECT_TRUE(fresh.autoScale());
    EXPECT_EQ(fresh.displayMode(), PdfDisplayMode::SinglePageContinuous);

    PdfViewState state(letterPages(1));
    state.setDisplayMode(int32_t(PdfDisplayMode::TwoUp));
    state.setScaleFactor(1.5);
    state.storeSettings(defaults);
    EXPECT_EQ(defaults.integerForKey("PdfPreview.DisplayMode"), 3);
    EXPECT_FALSE(defaults.boolForKey("PdfPreview.AutoScale"));
    EXPECT_DOUBLE_EQ(defaults.doubleForKey("PdfPreview.ScaleFactor"), 1.5);

    PdfViewState reopened(letterPages(1));
    reopened.loadSettings(defaults);
    EXPECT_EQ(reopened.displayMode(), PdfDisplayMode::TwoUp);
    EXPECT_FALSE(reopened.autoScale());
    EXPECT_DOUBLE_EQ(reopened.scaleFactor(), 1.5);

    // A scale of 0.01 or less, and a mode beyond the four, are not applied.
    defaults.setDouble("PdfPreview.ScaleFactor", 0.01);
    defaults.setInteger("PdfPreview.DisplayMode", 9);
    PdfViewState odd(letterPages(1));
    odd.loadSettings(defaults);
    EXPECT_DOUBLE_EQ(odd.scaleFactor(), 1.0);
    EXPECT_EQ(odd.displayMode(), PdfDisplayMode::SinglePageContinuous);
    for (const char* key : {"PdfPreview.DisplayMode", "PdfPreview.AutoScale", "PdfPreview.ScaleFactor"})
        defaults.removeObject(key);
}

TEST(PdfViewState, StoredFrameOffEveryMonitorIsIgnored)
{
    const std::vector<WindowFrame> monitors{{0, 0, 1920, 1080}};
    const struct {
        WindowFrame stored;
        bool applied;
    } cases[] = {
        {{100, 100, 800, 600}, true},
        {{1800, 1000, 800, 600}, true},
        {{2000, 100, 800, 600}, false},  // on a monitor that has gone
        {{-900, -700, 800, 600}, false}, // above and left of the only one
    };
    for (const auto& c : cases) {
        const auto frame = pdfWindowFrame(c.stored.propertyList(), monitors);
        EXPECT_EQ(frame.has_value(), c.applied) << c.stored.x;
    }
    EXPECT_FALSE(pdfWindowFrame(PropertyList(std::string("{1, 2}")), monitors));
}

TEST(PdfViewState, PreviewWindowsAreKeyedByTheRealPathWithCaseKept)
{
    TempDir dir;
    const std::string upper = dir.path() + "/A.pdf";
    const std::string lower = dir.path() + "/a.pdf";
    std::ofstream(upper) << "1";
    std::ofstream(lower) << "2";
    fs::create_symlink(upper, dir.path() + "/link.pdf");
    fs::create_directory(dir.path() + "/sub");
    EXPECT_NE(PdfPreviewManager::normalizeKey(upper), PdfPreviewManager::normalizeKey(lower));
    EXPECT_EQ(PdfPreviewManager::normalizeKey(dir.path() + "/./sub/../A.pdf"), PdfPreviewManager::normalizeKey(upper));
    EXPECT_EQ(PdfPreviewManager::normalizeKey(dir.path() + "/link.pdf"), PdfPreviewManager::normalizeKey(upper));
}

TEST(PdfViewState, OpenInDefaultApplicationTellsTheUserWhenItFails)
{
    RecordingUriLauncher launcher;
    ScriptedAlertPanel alerts;
    EXPECT_TRUE(openPdfInDefaultApplication("/d/Report.pdf"));
    ASSERT_EQ(launcher.opened.size(), 1u);
    EXPECT_EQ(launcher.opened[0], "file:///d/Report.pdf");
    EXPECT_TRUE(alerts.requests.empty());

    launcher.succeeds = false;
    EXPECT_FALSE(openPdfInDefaultApplication("/d/Report.pdf"));
    ASSERT_EQ(alerts.requests.size(), 1u);
    EXPECT_EQ(alerts.requests[0].informativeText,
              localizedFormat("launch_failed_line",
                              {localizedFormat("launch_failed_named", {"/d/Report.pdf"}), launcher.reason}));
    EXPECT_EQ(alerts.requests[0].style, AlertPanel::Style::Informational);
}

} // namespace
