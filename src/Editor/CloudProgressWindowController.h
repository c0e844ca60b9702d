#pragma once

#include "editor-view/CloudFetchProgress.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

// What shows the cloud progress window: a small window with a line of text and a busy indicator.
class CloudProgressWindowView {
public:
    virtual ~CloudProgressWindowView() = default;
    virtual void setLabel(const std::string& text) = 0;
    virtual void startProgressIndicator() = 0;
    // Shows the window in the middle of the window it belongs to.
    virtual void showCentred() = 0;
    virtual void close() = 0;
};

// The small window the map editor shows while it fetches a picture from the cloud, closed when the
// picture arrives or the fetch fails. Installed at start-up as the editor's progress window.
class CloudProgressWindowController : public CloudFetchProgress {
public:
    static constexpr const char* DropboxProgressTextKey = "db_download_progress";
    static constexpr const char* GoogleDriveProgressTextKey = "gdrive_download_progress";

    // The window's line names the service the picture comes from (no line for a provider without
    // one).
    CloudProgressWindowController(std::unique_ptr<CloudProgressWindowView> view, int32_t providerType);
    ~CloudProgressWindowController() override;

    void showWindow();
    // Once closed it stays closed.
    void close() override;

    using ViewFactory = std::function<std::unique_ptr<CloudProgressWindowView>()>;
    // The editor's fetches show their progress in windows the factory makes.
    static void install(ViewFactory factory);

private:
    std::unique_ptr<CloudProgressWindowView> _view;
};
