#include "Editor/CloudProgressWindowController.h"
#include "platform/Localizer.h"
#include "store/MindMapProvider.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

class RecordingView : public CloudProgressWindowView {
public:
    explicit RecordingView(std::vector<std::string>& log) : _log(log) {}
    void setLabel(const std::string& text) override { _log.push_back("label " + text); }
    void startProgressIndicator() override { _log.push_back("start"); }
    void showCentred() override { _log.push_back("show"); }
    void close() override { _log.push_back("close"); }

private:
    std::vector<std::string>& _log;
};

TEST(CloudProgressWindowControllerTest, TheEditorsFetchShowsTheDownloadLineUntilItClosesOnce)
{
    std::vector<std::string> log;
    CloudProgressWindowController::install([&] { return std::make_unique<RecordingView>(log); });
    // Each service names itself.
    const struct {
        int32_t providerType;
        const char* line;
    } services[] = {
        {MindMapProviderDropbox, "label Downloading from Dropbox"},
        {MindMapProviderGoogleDrive, "label Downloading from Google Drive"},
    };
    for (const auto& service : services) {
        log.clear();
        std::unique_ptr<CloudFetchProgress> progress = CloudFetchProgress::show(service.providerType);
        ASSERT_NE(progress, nullptr);
        EXPECT_EQ(log, (std::vector<std::string>{service.line, "start", "show"}));

        log.clear();
        progress->close();
        progress->close();
        progress.reset();
        EXPECT_EQ(log, std::vector<std::string>{"close"});
    }

    // A window let go without an answer closes too.
    CloudFetchProgress::show(MindMapProviderGoogleDrive).reset();
    EXPECT_EQ(log.back(), "close");

    CloudProgressWindowController::install(nullptr);
    EXPECT_EQ(CloudFetchProgress::show(MindMapProviderDropbox), nullptr);
}

} // namespace
