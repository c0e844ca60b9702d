#include "link/LinkStatusPane.h"

#include "Utils/VersionInfoUtils.h"
#include "link/iPhoneLink.h"
#include "platform/AlertPanel.h"
#include "platform/Localizer.h"
#include "store/MindMapStore.h"

#include <filesystem>

namespace fs = std::filesystem;

std::string LinkStatusPane::versionLine()
{
    return formatText("%@ version %@",
                      {bundleInfoValue("CFBundleName"), VersionInfoUtils::readibleVersionBuildNumber()});
}

std::string LinkStatusPane::statusText(const iPhoneLink* link)
{
    iPhoneLinkStatus status;
    if (!link || !link->getIPhoneLinkStatusDetails(&status)) return localized(StatusErrorKey);
    return statusText(status);
}

std::string LinkStatusPane::statusText(const iPhoneLinkStatus& status)
{
    std::string text = formatText("%@\nCommunication requests: %ld\nName Server Status : %ld\nData Server Status : %ld",
                                  {versionLine(), std::to_string(status.requestCount),
                                   std::to_string(status.nameServerStatus), std::to_string(status.dataServerStatus)});
    // The compatibility library answers "unknown" when it finds no daemon to talk to; a daemon
    // that went away later answers "service not running".
    constexpr int64_t unknown = -65537;
    constexpr int64_t serviceNotRunning = -65563;
    if (status.nameServerStatus == unknown || status.nameServerStatus == serviceNotRunning)
        text += "\n\n" + localized(NameServerNotRunningKey);
    return text;
}

bool LinkStatusPane::removePairingFiles(const std::string& folder)
{
    if (folder.empty()) return false;
    std::error_code error;
    fs::directory_iterator it(folder, error);
    bool removedAll = true;
    const std::string extension = std::string(".") + PairingFileExtension;
    for (; !error && it != fs::directory_iterator(); it.increment(error)) {
        const fs::path path = it->path();
        if (path.extension() != extension) continue;
        std::error_code removal;
        // A directory of that name is not a pairing: it is reported, never emptied.
        if (fs::is_directory(fs::symlink_status(path, removal)) || !fs::remove(path, removal) || removal)
            removedAll = false;
    }
    if (error) return false;
    return removedAll;
}

bool LinkStatusPane::clearDeviceParingInformation()
{
    MindMapStore* store = MindMapStore::mindMapStoreInstance();
    const bool cleared = removePairingFiles(store ? store->documentsDirectory() : std::string());
    if (iPhoneLink* link = iPhoneLinkInstance()) link->clearDeviceParingCache();

    AlertPanel::Request request;
    request.messageText = localized(cleared ? "iphone_link_clear_success_title" : "error_caption");
    request.informativeText =
        localized(cleared ? "iphone_link_clear_success_message" : "iphone_link_clear_error_message");
    request.style = cleared ? AlertPanel::Style::Informational : AlertPanel::Style::Warning;
    request.buttons = {{localized("close_button_title"), "\r"}};
    AlertPanel::shared().runModal(request);
    return cleared;
}
