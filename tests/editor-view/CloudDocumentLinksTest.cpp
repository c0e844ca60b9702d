#include "editor-view/CloudDocumentLinks.h"

#include "Utils/URLUtils.h"
#include "editor-view/PdfPreviewManager.h"
#include "support/RecordingUriLauncher.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace {

struct PageViewer : PdfPreviewManager::Viewer {
    std::vector<std::pair<std::string, int64_t>> opened;
    bool openPdfFile(const std::string& path, int64_t page) override
    {
        opened.emplace_back(path, page);
        return true;
    }
};

} // namespace

TEST(CloudDocumentLinks, LinksKeepAPdfsPageApart)
{
    const struct {
        const char* link;
        const char* target;
        std::optional<std::string> params;
    } cases[] = {
        {"/Docs/Guide.PDF#page=3", "/Docs/Guide.PDF", "page=3"},
        {"/Docs/Guide.pdf?page=12", "/Docs/Guide.pdf", "page=12"},
        {"/Docs/Guide.pdf#", "/Docs/Guide.pdf", ""},
        {"/Docs/Guide.pdf", "/Docs/Guide.pdf", std::nullopt},
        {"/Docs/Plan.twkx", "/Docs/Plan.twkx", std::nullopt},
        {"1AbCdEf", "1AbCdEf", std::nullopt},
        {"/a.pdfx/b.pdf#page=1", "/a.pdfx/b.pdf", "page=1"},
    };
    for (const auto& each : cases) {
        const CloudDocumentLinks::CloudLink split = CloudDocumentLinks::splitCloudLink(each.link);
        EXPECT_EQ(split.target, each.target) << each.link;
        EXPECT_EQ(split.params, each.params) << each.link;
    }
}

TEST(CloudDocumentLinks, DownloadedDocumentsOpenByTheRuleOfDocumentLinks)
{
    TempDir home;
    RecordingUriLauncher desktop;
    PageViewer viewer;
    PdfPreviewManager::setViewer(&viewer);
    const std::string picture = home.file("photo.png");
    const std::string pdf = home.file("Guide.pdf");
    const std::string launcher = home.file("run.desktop");
    writeTestFile(picture, "png");
    writeTestFile(pdf, "%PDF-1.4");
    writeTestFile(launcher, "[Desktop Entry]\nExec=rm -rf ~\n");

    EXPECT_TRUE(CloudDocumentLinks::openDownloadedDocument(pdf, "page=3"));
    EXPECT_EQ(viewer.opened, (std::vector<std::pair<std::string, int64_t>>{{pdf, 3}}));
    EXPECT_TRUE(desktop.opened.empty());

    // Parameters the viewer does not take leave the file to the desktop, without them.
    EXPECT_TRUE(CloudDocumentLinks::openDownloadedDocument(pdf, "zoom=200&cmd=x"));
    EXPECT_TRUE(CloudDocumentLinks::openDownloadedDocument(picture, ""));
    EXPECT_EQ(desktop.opened, (std::vector<std::string>{fileURLWithPath(pdf), fileURLWithPath(picture)}));

    EXPECT_TRUE(CloudDocumentLinks::openDownloadedDocument(launcher, ""));
    EXPECT_EQ(desktop.opened.size(), 2u) << "a launcher is never run";
    EXPECT_EQ(desktop.shownInFileManager, std::vector<std::string>{launcher});
    EXPECT_FALSE(CloudDocumentLinks::openDownloadedDocument("", "page=1"));
    PdfPreviewManager::setViewer(nullptr);
}
