#include "Utils/LinkLaunchPolicy.h"

#include "Utils/URLUtils.h"
#include "platform/Localizer.h"
#include "platform/UriLauncher.h"

#include <sys/stat.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <filesystem>
#include <string_view>
#include <utility>

namespace fs = std::filesystem;

namespace {

// Kinds of file the desktop's default handler would run, or install, rather than show.
constexpr std::array<std::string_view, 24> RunnableExtensions = {
    "desktop", "kdelnk", "appimage", "run", "bin", "sh",  "bash", "zsh", "csh", "ksh", "py",         "pl",
    "rb",      "jar",    "exe",      "msi", "bat", "cmd", "com",  "scr", "vbs", "ps1", "flatpakref", "flatpakrepo",
};

std::string lowercaseExtension(const fs::path& path)
{
    std::string extension = path.extension().string();
    if (!extension.empty()) extension.erase(0, 1);
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return char(std::tolower(c)); });
    return extension;
}

bool isRunnable(const fs::path& path, const struct stat& info)
{
    if (info.st_mode & (S_IXUSR | S_IXGRP | S_IXOTH)) return true;
    const std::string extension = lowercaseExtension(path);
    return std::find(RunnableExtensions.begin(), RunnableExtensions.end(), extension) != RunnableExtensions.end();
}

LinkLaunchDecision fileDecision(const std::string& url)
{
    const std::string path = pathWithFileURL(url);
    // An escaped NUL would end the path early and name another file than the link shows.
    if (path.empty() || path.find('\0') != std::string::npos) return {};
    // A link through a symbolic link is judged, and opened, by what it points at.
    std::error_code ec;
    const fs::path target = fs::canonical(path, ec);
    if (ec) return {};
    struct stat info {};
    if (::stat(target.c_str(), &info) != 0) return {};
    if (S_ISDIR(info.st_mode)) return {LinkLaunchAction::Open, fileURLWithPath(target.string())};
    // Devices, pipes and sockets are no documents.
    if (!S_ISREG(info.st_mode)) return {};
    if (isRunnable(target, info)) return {LinkLaunchAction::ShowInFileManager, target.string()};
    return {LinkLaunchAction::Open, fileURLWithPath(target.string())};
}

// A "mailto" link with an "attach" or "attachment" field, in any case and escaped or not.
bool namesAttachment(const std::string& url)
{
    const size_t query = url.find('?');
    if (query == std::string::npos) return false;
    std::string fields = percentDecode(std::string_view(url).substr(query + 1)).value_or(url.substr(query + 1));
    std::transform(fields.begin(), fields.end(), fields.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    size_t start = 0;
    while (start <= fields.size()) {
        size_t end = fields.find('&', start);
        if (end == std::string::npos) end = fields.size();
        std::string_view field = std::string_view(fields).substr(start, end - start);
        while (!field.empty() && std::isspace(static_cast<unsigned char>(field.front()))) field.remove_prefix(1);
        const std::string_view name = field.substr(0, field.find('='));
        if (name.rfind("attach", 0) == 0) return true;
        start = end + 1;
    }
    return false;
}

} // namespace

LinkLaunchDecision decideLinkLaunch(const std::string& url)
{
    const std::optional<URLComponents> components = parseURLString(url);
    if (!components) return {};
    const std::string& scheme = components->scheme;
    if (scheme == "http" || scheme == "https") {
        if (components->host.empty()) return {};
        return {LinkLaunchAction::Open, url};
    }
    if (scheme == "mailto" || scheme == "tel") {
        if (url.size() <= scheme.size() + 1) return {};
        // Some mail programs attach the files a link names: a link must never send the user's files.
        if (scheme == "mailto" && namesAttachment(url)) return {};
        return {LinkLaunchAction::Open, url};
    }
    if (scheme == "file") return fileDecision(url);
    return {};
}

bool launchDocumentLink(const std::string& url, LinkLaunchAction* taken, Error* error, UriLauncher::Outcome shown)
{
    const LinkLaunchDecision decision = decideLinkLaunch(url);
    if (taken) *taken = decision.action;
    switch (decision.action) {
    case LinkLaunchAction::Open:
        return UriLauncher::shared().openURL(decision.target, error);
    case LinkLaunchAction::ShowInFileManager:
        return UriLauncher::shared().showInFileManager(decision.target, error, std::move(shown));
    case LinkLaunchAction::Refuse:
        break;
    }
    // A link to a file that is not there is no link of a refused kind.
    const std::string path = pathWithFileURL(url);
    std::error_code missing;
    const bool gone = !path.empty() && !fs::exists(path, missing) && !missing;
    return setError(
        error, UriLauncher::openError(url, localized(gone ? "launch_failed_not_found" : "launch_failed_refused_link")));
}
