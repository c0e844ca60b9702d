#include "FuzzHome.h"

// A topic's link text from a document: how it is resolved, whether it is a PDF page link, and
// what the link rule would let the desktop do with it. Nothing is opened; whatever the rule lets
// through must be what it claims to be.
#include "MindMaps/DiagramLink.h"
#include "Utils/LinkLaunchPolicy.h"
#include "Utils/URLUtils.h"
#include "editor-view/PdfPreviewManager.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

void check(const std::string& url)
{
    const LinkLaunchDecision decision = decideLinkLaunch(url);
    if (decision.target.find('\0') != std::string::npos) std::abort();
    std::error_code ec;
    switch (decision.action) {
    case LinkLaunchAction::Refuse:
        if (!decision.target.empty()) std::abort();
        break;
    case LinkLaunchAction::ShowInFileManager:
        if (!std::filesystem::is_regular_file(decision.target, ec)) std::abort();
        break;
    case LinkLaunchAction::Open: {
        const std::optional<URLComponents> parsed = parseURLString(decision.target);
        if (!parsed) std::abort();
        const std::string& scheme = parsed->scheme;
        if (scheme == "file") {
            if (!std::filesystem::exists(pathWithFileURL(decision.target), ec)) std::abort();
        } else if (scheme != "http" && scheme != "https" && scheme != "mailto" && scheme != "tel") {
            std::abort();
        }
        break;
    }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    check(text);
    const std::string resolved = DiagramLink::resolveURLString(text);
    if (!resolved.empty()) check(resolved);
    if (const auto pdf = PdfPreviewManager::parsePdfLink(text)) {
        std::error_code ec;
        if (pdf->pageNumber < 0 || !std::filesystem::is_regular_file(pdf->path, ec)) std::abort();
    }
    return 0;
}
