#pragma once

#include "formats/PdfDocumentReader.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

class UserDefaults;

// The texts and names the PDF windows share.
namespace PdfWindowKeys {
constexpr const char* DisplayMode = "PdfPreview.DisplayMode";
constexpr const char* AutoScale = "PdfPreview.AutoScale";
constexpr const char* ScaleFactor = "PdfPreview.ScaleFactor";
constexpr const char* LinkFrameName = "PdfLinkPanelAutoSaveFrame";
constexpr const char* PreviewFrameName = "PdfPreviewAutoSaveFrame";
constexpr const char* ToolbarIdentifier = "PdfPreviewToolbar";
constexpr const char* OpenItemIdentifier = "OpenInPreview";
constexpr const char* OpenItemLabelKey = "open_in_preview_app";
constexpr const char* UnableToOpenKey = "unable_to_open_document";
constexpr const char* PreviewTitleKey = "preview_window_title_page_from_page_range";
constexpr const char* LinkTitleKey = "hyperlink_link_to_page_fmt";
constexpr const char* LinkDialogTitleKey = "hyperlink_link_pdf_bookmark";
} // namespace PdfWindowKeys

enum class PdfDisplayMode : int32_t {
    SinglePage = 0,
    SinglePageContinuous = 1,
    TwoUp = 2,
    TwoUpContinuous = 3,
};

// The link to a page: the path, "#page=" and the page counted from 1.
std::string pdfPageLink(const std::string& path, int pageNumber);

// What a PDF view shows: the pages' sizes, the display mode, the scale and the current page, and
// where each page lies in the view. Lengths are in view units (points at scale 1); the widget
// multiplies by the surface's device scale only when it renders.
class PdfViewState {
public:
    // Gap between pages and around them.
    static constexpr double PageGap = 8;
    static constexpr double MinimumScale = 0.1;
    static constexpr double MaximumScale = 10;
    // A rendered page never gets more pixels than this across or down, however far it is zoomed.
    static constexpr double MaximumPagePixels = 8192;

    struct Placement {
        int page; // counted from 1
        double x, y, width, height;
    };

    PdfViewState() = default;
    explicit PdfViewState(std::vector<PdfDocumentReader::PageSize> pageSizes);

    int pageCount() const { return int(_pageSizes.size()); }
    // Counted from 1; -1 without pages.
    int currentPageNumber() const { return _pageSizes.empty() ? -1 : _currentPage; }
    // Out of range pages are ignored; false then.
    bool goToPage(int pageNumber);

    PdfDisplayMode displayMode() const { return _displayMode; }
    // A mode outside the four is ignored.
    void setDisplayMode(int32_t mode);
    bool continuous() const;
    bool twoUp() const;

    bool autoScale() const { return _autoScale; }
    void setAutoScale(bool on) { _autoScale = on; }
    double scaleFactor() const { return _scaleFactor; }
    // Clamped to MinimumScale…MaximumScale; turns auto-scaling off. NaN is ignored.
    void setScaleFactor(double factor);
    // The scale pages are drawn at in a viewport of this size: the scale factor, or with
    // auto-scaling the one that fits the widest row of pages across (and, outside the continuous
    // modes, its height too).
    double effectiveScale(double viewportWidth, double viewportHeight) const;

    // The pages the view lays out (all of them in the continuous modes, the current page or pair
    // otherwise) at the effective scale, centred across the viewport.
    std::vector<Placement> layout(double viewportWidth, double viewportHeight) const;
    // Width and height of everything laid out, gaps included.
    static void contentSize(const std::vector<Placement>& placements, double& width, double& height);
    // The placements that meet the rows from top to top + height.
    static std::vector<Placement> visible(const std::vector<Placement>& placements, double top, double height);
    // In the continuous modes: the page whose row holds the viewport's top third, as the current
    // page follows scrolling.
    void scrolledTo(const std::vector<Placement>& placements, double top, double viewportHeight);
    // The vertical offset that shows the current page at the top.
    double offsetOfCurrentPage(const std::vector<Placement>& placements) const;

    // The pixel size a page is rendered at for a device scale, bounded by MaximumPagePixels.
    static void renderSize(const Placement& placement, double deviceScale, int& pixelWidth, int& pixelHeight);

    // The three "PdfPreview.*" keys: mode + 1, auto-scaling and scale factor.
    void loadSettings(const UserDefaults& defaults);
    void storeSettings(UserDefaults& defaults) const;

private:
    int firstOfRow(int page) const;

    std::vector<PdfDocumentReader::PageSize> _pageSizes;
    int _currentPage = 1;
    PdfDisplayMode _displayMode = PdfDisplayMode::SinglePageContinuous;
    bool _autoScale = true;
    double _scaleFactor = 1;
};

struct WindowFrame;
class PropertyList;

// A stored frame of a PDF window, when it meets one of the monitors' work areas: one left on a
// monitor that has gone is ignored, so that the window never opens out of reach.
std::optional<WindowFrame> pdfWindowFrame(const PropertyList& saved, const std::vector<WindowFrame>& workAreas);

// Opens the PDF in the desktop's default application for it; when that fails the user is told,
// with the path, and the answer is false.
bool openPdfInDefaultApplication(const std::string& path);
