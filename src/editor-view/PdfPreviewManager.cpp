#include "editor-view/PdfPreviewManager.h"

#include "Utils/LinkLaunchPolicy.h"
#include "Utils/ProtocolUtils.h"
#include "Utils/URLUtils.h"
#include "platform/UriLauncher.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <filesystem>
#include <string_view>

namespace {

// Opens the file as any linked document: the desktop's viewer has no page to go to from a URI.
class DesktopPdfViewer : public PdfPreviewManager::Viewer {
public:
    bool openPdfFile(const std::string& path, int64_t /*pageNumber*/) override
    {
        // A file that would run is left to the caller, which shows it instead.
        const LinkLaunchDecision decision = decideLinkLaunch(fileURLWithPath(path));
        return decision.action == LinkLaunchAction::Open && UriLauncher::shared().openURL(decision.target);
    }
};

PdfPreviewManager::Viewer* gViewer = nullptr;

std::string lowercase(std::string_view text)
{
    std::string lower(text);
    std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    return lower;
}

int64_t leadingNumber(std::string_view text)
{
    int64_t number = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), number);
    (void)end;
    // Too many digits for a page count is no page.
    return ec == std::errc() && number >= 0 ? number : 0;
}

} // namespace

std::optional<PdfPreviewManager::PdfPageLink> PdfPreviewManager::parsePdfLink(const std::string& link)
{
    std::string path;
    std::string parameters;
    if (ProtocolUtils::containsProtocol(link)) {
        const std::optional<URLComponents> url = parseURLString(link);
        if (!url || url->scheme != "file") return std::nullopt;
        const size_t hash = link.find('#');
        if (hash == std::string::npos) return std::nullopt;
        path = pathWithFileURL(link.substr(0, hash));
        if (path.empty()) return std::nullopt;
        parameters = percentDecode(std::string_view(link).substr(hash + 1)).value_or(link.substr(hash + 1));
    } else {
        const std::optional<std::string> decoded = percentDecode(link);
        if (!decoded) return std::nullopt;
        const std::string lower = lowercase(*decoded);
        size_t found = lower.find(".pdf#");
        if (found == std::string::npos) found = lower.find(".pdf?");
        if (found == std::string::npos) return std::nullopt;
        path = decoded->substr(0, found + 4);
        parameters = decoded->substr(found + 5);
    }
    const size_t page = lowercase(parameters).find("page=");
    if (page == std::string::npos) return std::nullopt;
    std::error_code ec;
    if (path.empty() || path.find('\0') != std::string::npos || !std::filesystem::is_regular_file(path, ec))
        return std::nullopt;
    return PdfPageLink{path, leadingNumber(std::string_view(parameters).substr(page + 5))};
}

bool PdfPreviewManager::openPdfLink(const std::string& link)
{
    const std::optional<PdfPageLink> pdf = parsePdfLink(link);
    return pdf && openPdfFile(pdf->path, pdf->pageNumber);
}

bool PdfPreviewManager::openPdfFile(const std::string& path, int64_t pageNumber)
{
    static DesktopPdfViewer desktop;
    return (gViewer ? *gViewer : static_cast<Viewer&>(desktop)).openPdfFile(path, pageNumber);
}

std::string PdfPreviewManager::normalizeKey(const std::string& path)
{
    std::error_code ec;
    const std::filesystem::path real = std::filesystem::canonical(path, ec);
    return ec ? std::filesystem::path(path).lexically_normal().string() : real.string();
}

void PdfPreviewManager::setViewer(Viewer* viewer)
{
    gViewer = viewer;
}

bool PdfPreviewManager::hasViewer()
{
    return gViewer != nullptr;
}

std::optional<std::vector<std::string>> PdfPreviewManager::pageCommandLine(const std::string& program,
                                                                           const std::string& path, int64_t pageNumber)
{
    if (pageNumber < 1 || path.empty() || path.front() != '/') return std::nullopt;
    const std::string name = std::filesystem::path(program).filename().string();
    const std::string page = std::to_string(pageNumber);
    // "--" ends the options: whatever the file is called, it is a file.
    if (name == "evince" || name == "atril" || name == "xreader")
        return std::vector<std::string>{program, "--page-index=" + page, "--", path};
    if (name == "okular") return std::vector<std::string>{program, "--page", page, "--", path};
    if (name == "zathura") return std::vector<std::string>{program, "--page=" + page, "--", path};
    if (name == "mupdf" || name == "mupdf-gl" || name == "mupdf-x11")
        return std::vector<std::string>{program, path, page};
    return std::nullopt;
}
