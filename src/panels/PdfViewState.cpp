#include "panels/PdfViewState.h"

#include "Editor/EditorWindowController.h"
#include "Utils/URLUtils.h"
#include "platform/AlertPanel.h"
#include "platform/Localizer.h"
#include "platform/UriLauncher.h"
#include "platform/UserDefaults.h"

#include <algorithm>
#include <cmath>
#include <utility>

std::string pdfPageLink(const std::string& path, int pageNumber)
{
    return path + "#page=" + std::to_string(pageNumber);
}

PdfViewState::PdfViewState(std::vector<PdfDocumentReader::PageSize> pageSizes) : _pageSizes(std::move(pageSizes))
{
}

bool PdfViewState::goToPage(int pageNumber)
{
    if (pageNumber < 1 || pageNumber > pageCount()) return false;
    _currentPage = pageNumber;
    return true;
}

void PdfViewState::setDisplayMode(int32_t mode)
{
    if (mode < 0 || mode > 3) return;
    _displayMode = PdfDisplayMode(mode);
}

bool PdfViewState::continuous() const
{
    return _displayMode == PdfDisplayMode::SinglePageContinuous || _displayMode == PdfDisplayMode::TwoUpContinuous;
}

bool PdfViewState::twoUp() const
{
    return _displayMode == PdfDisplayMode::TwoUp || _displayMode == PdfDisplayMode::TwoUpContinuous;
}

void PdfViewState::setScaleFactor(double factor)
{
    if (std::isnan(factor)) return;
    _scaleFactor = std::clamp(factor, MinimumScale, MaximumScale);
    _autoScale = false;
}

int PdfViewState::firstOfRow(int page) const
{
    return twoUp() ? page - (page - 1) % 2 : page;
}

double PdfViewState::effectiveScale(double viewportWidth, double viewportHeight) const
{
    if (!_autoScale || _pageSizes.empty()) return _scaleFactor;
    const int perRow = twoUp() ? 2 : 1;
    double widest = 0;
    double tallest = 0;
    for (size_t first = 0; first < _pageSizes.size(); first += size_t(perRow)) {
        double rowWidth = 0;
        for (size_t i = first; i < std::min(_pageSizes.size(), first + size_t(perRow)); ++i) {
            rowWidth += _pageSizes[i].width;
            tallest = std::max(tallest, _pageSizes[i].height);
        }
        widest = std::max(widest, rowWidth);
    }
    const double gaps = PageGap * (perRow + 1);
    double scale = (viewportWidth - gaps) / widest;
    if (!continuous()) scale = std::min(scale, (viewportHeight - 2 * PageGap) / tallest);
    if (!std::isfinite(scale)) return _scaleFactor;
    return std::clamp(scale, MinimumScale, MaximumScale);
}

std::vector<PdfViewState::Placement> PdfViewState::layout(double viewportWidth, double viewportHeight) const
{
    std::vector<Placement> placements;
    if (_pageSizes.empty()) return placements;
    const double scale = effectiveScale(viewportWidth, viewportHeight);
    const int perRow = twoUp() ? 2 : 1;
    int first = 1;
    int last = pageCount();
    if (!continuous()) {
        first = firstOfRow(_currentPage);
        last = std::min(pageCount(), first + perRow - 1);
    }
    double y = PageGap;
    for (int rowStart = first; rowStart <= last; rowStart += perRow) {
        const int rowEnd = std::min(last, rowStart + perRow - 1);
        double rowWidth = PageGap * (rowEnd - rowStart);
        double rowHeight = 0;
        for (int page = rowStart; page <= rowEnd; ++page) {
            rowWidth += _pageSizes[size_t(page - 1)].width * scale;
            rowHeight = std::max(rowHeight, _pageSizes[size_t(page - 1)].height * scale);
        }
        double x = std::max(PageGap, (viewportWidth - rowWidth) / 2);
        for (int page = rowStart; page <= rowEnd; ++page) {
            const auto& size = _pageSizes[size_t(page - 1)];
            placements.push_back({page, x, y, size.width * scale, size.height * scale});
            x += size.width * scale + PageGap;
        }
        y += rowHeight + PageGap;
    }
    return placements;
}

void PdfViewState::contentSize(const std::vector<Placement>& placements, double& width, double& height)
{
    width = 0;
    height = 0;
    for (const Placement& placement : placements) {
        width = std::max(width, placement.x + placement.width + PageGap);
        height = std::max(height, placement.y + placement.height + PageGap);
    }
}

std::vector<PdfViewState::Placement> PdfViewState::visible(const std::vector<Placement>& placements, double top,
                                                           double height)
{
    // Rows go down the view in order: the first row that reaches the top is found by halving.
    const auto begin = std::lower_bound(placements.begin(), placements.end(), top,
                                        [](const Placement& p, double y) { return p.y + p.height <= y; });
    std::vector<Placement> shown;
    for (auto it = begin; it != placements.end() && it->y < top + height; ++it) shown.push_back(*it);
    return shown;
}

void PdfViewState::scrolledTo(const std::vector<Placement>& placements, double top, double viewportHeight)
{
    if (!continuous() || placements.empty()) return;
    const double mark = top + viewportHeight / 3;
    const auto it = std::lower_bound(placements.begin(), placements.end(), mark,
                                     [](const Placement& p, double y) { return p.y + p.height + PageGap < y; });
    _currentPage = it == placements.end() ? placements.back().page : it->page;
}

double PdfViewState::offsetOfCurrentPage(const std::vector<Placement>& placements) const
{
    for (const Placement& placement : placements) {
        if (placement.page == _currentPage) return std::max(0.0, placement.y - PageGap);
    }
    return 0;
}

void PdfViewState::renderSize(const Placement& placement, double deviceScale, int& pixelWidth, int& pixelHeight)
{
    double width = placement.width * deviceScale;
    double height = placement.height * deviceScale;
    const double largest = std::max(width, height);
    if (largest > MaximumPagePixels) {
        width *= MaximumPagePixels / largest;
        height *= MaximumPagePixels / largest;
    }
    pixelWidth = std::max(1, int(std::lround(width)));
    pixelHeight = std::max(1, int(std::lround(height)));
}

void PdfViewState::loadSettings(const UserDefaults& defaults)
{
    const int64_t mode = defaults.integerForKey(PdfWindowKeys::DisplayMode);
    if (mode > 0 && mode <= 4) setDisplayMode(int32_t(mode - 1));
    // Before anything was stored the pages fit the window, as a first look at a document expects.
    _autoScale =
        defaults.objectForKey(PdfWindowKeys::AutoScale).isNone() || defaults.boolForKey(PdfWindowKeys::AutoScale);
    const double factor = defaults.doubleForKey(PdfWindowKeys::ScaleFactor);
    if (!_autoScale && factor > 0.01 && std::isfinite(factor))
        _scaleFactor = std::clamp(factor, MinimumScale, MaximumScale);
}

void PdfViewState::storeSettings(UserDefaults& defaults) const
{
    defaults.setInteger(PdfWindowKeys::DisplayMode, int64_t(_displayMode) + 1);
    defaults.setBool(PdfWindowKeys::AutoScale, _autoScale);
    defaults.setDouble(PdfWindowKeys::ScaleFactor, _scaleFactor);
}

std::optional<WindowFrame> pdfWindowFrame(const PropertyList& saved, const std::vector<WindowFrame>& workAreas)
{
    const std::optional<WindowFrame> frame = WindowFrame::fromPropertyList(saved);
    if (!frame) return std::nullopt;
    for (const WindowFrame& area : workAreas) {
        const bool meets = frame->x < area.x + area.width && area.x < frame->x + frame->width &&
            frame->y < area.y + area.height && area.y < frame->y + frame->height;
        if (meets) return WindowFrame::clamp(*frame, {area});
    }
    return std::nullopt;
}

bool openPdfInDefaultApplication(const std::string& path)
{
    Error error;
    if (!path.empty() && UriLauncher::shared().openURL(fileURLWithPath(path), &error)) return true;
    AlertPanel::Request request;
    request.messageText = localized(PdfWindowKeys::UnableToOpenKey);
    request.informativeText = path.empty() ? path : UriLauncher::failureMessage(error);
    request.style = AlertPanel::Style::Informational;
    request.buttons = {{localized("ok_button_title"), "\r"}};
    AlertPanel::shared().runModal(request);
    return false;
}
