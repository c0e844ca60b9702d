#pragma once

#include "editor-view/PdfPreviewManager.h"
#include "formats/PdfDocumentReader.h"
#include "panels/PdfViewState.h"

#include <gtkmm.h>

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>

// Pages of a PDF drawn into a scrolled drawing area at the surface's device scale. Only the pages
// in sight are rendered, and rendered pages are kept until the scale changes or they are many.
class PdfPagesView : public Gtk::ScrolledWindow {
public:
    PdfPagesView();
    ~PdfPagesView() override;

    // nullptr shows nothing (a file that cannot be read).
    void setDocument(const PdfDocumentReader* reader);
    PdfViewState& state() { return _state; }
    int currentPageNumber() const { return _state.currentPageNumber(); }
    void goToPage(int pageNumber);
    void setDisplayMode(PdfDisplayMode mode);
    void setAutoScale(bool on);
    void zoom(double factor);
    void relayout();

    sigc::signal<void>& signalPageChanged() { return _pageChanged; }
    size_t cachedPages() const { return _cache.size(); }
    Gtk::DrawingArea& drawingArea() { return _area; }

private:
    bool draw(const Cairo::RefPtr<Cairo::Context>& cr);
    Cairo::RefPtr<Cairo::ImageSurface> renderedPage(const PdfViewState::Placement& placement, double deviceScale);
    void scrolled();
    bool keyPressed(GdkEventKey* event);
    bool buttonPressed(GdkEventButton* event);
    void showModeMenu(GdkEventButton* event);
    void stepPage(int direction);
    void scrollToCurrentPage();

    Gtk::DrawingArea _area;
    PdfViewState _state;
    std::unique_ptr<PdfPageRenderer> _document;
    std::vector<PdfViewState::Placement> _placements;
    double _layoutWidth = -1, _layoutHeight = -1;
    double _renderedScale = 0;
    std::map<int, Cairo::RefPtr<Cairo::ImageSurface>> _cache;
    std::unique_ptr<Gtk::Menu> _menu;
    sigc::signal<void> _pageChanged;
    double _pinnedOffset = -1;
};

// The window a PDF shows in: its bookmark outline beside the pages (left out when the PDF has none)
// and the title kept up to date with the page.
class PdfOutlinedWindowBase {
public:
    explicit PdfOutlinedWindowBase(const std::string& fileName);
    virtual ~PdfOutlinedWindowBase() = default;

    const std::string& fileName() const { return _fileName; }
    bool hasDocument() const { return bool(_reader); }
    bool hasOutlineView() const { return _outlineShown; }
    int currentPageNumber() const { return _reader ? _pages.currentPageNumber() : -1; }
    // Ignored below 1, beyond the pages and without a document.
    void gotoPageNumber(int pageNumber);
    PdfPagesView& pagesView() { return _pages; }
    Gtk::TreeView& outlineView() { return _outline; }
    std::string fileDisplayName() const;

protected:
    // The outline and the pages, for the window to place.
    Gtk::Widget& content() { return _paned; }
    virtual void updateTitle() = 0;
    std::string baseTitle() const;

private:
    void outlineRowExpanded(const Gtk::TreeModel::iterator& row);
    void addOutlineChildren(const Gtk::TreeModel::Children& rows, size_t parent);
    void outlineSelectionChanged();

    struct Columns : Gtk::TreeModel::ColumnRecord {
        Columns()
        {
            add(label);
            add(index);
            add(filled);
        }
        Gtk::TreeModelColumn<Glib::ustring> label;
        Gtk::TreeModelColumn<int64_t> index; // -1 for the stand-in of children not yet added
        Gtk::TreeModelColumn<bool> filled;
    };

    std::string _fileName;
    std::unique_ptr<PdfDocumentReader> _reader;
    std::vector<PdfDocumentReader::OutlineItem> _items;
    std::vector<std::vector<size_t>> _children; // by item, then NoParent's at the end
    Gtk::Paned _paned{Gtk::ORIENTATION_HORIZONTAL};
    Gtk::ScrolledWindow _outlineScroll;
    Gtk::TreeView _outline;
    Columns _columns;
    Glib::RefPtr<Gtk::TreeStore> _store;
    PdfPagesView _pages;
    bool _outlineShown = false;
    // Set while the outline takes the focus, which selects its first row when none is.
    bool _takingFocus = false;
    bool _selectedBeforeFocus = false;
};

// The viewer a followed PDF page link opens; one a file, kept by the preview windows' manager.
class PdfPreviewWindow : public Gtk::Window, public PdfOutlinedWindowBase {
public:
    PdfPreviewWindow(const std::string& fileName, int pageNumber);

    Gtk::ToolButton& openButton() { return _open; }
    // Opens the file in the desktop's default application; the alert when that fails.
    void openInDefaultApplication();

protected:
    void updateTitle() override;
    bool on_delete_event(GdkEventAny* event) override;

private:
    Gtk::Box _box{Gtk::ORIENTATION_VERTICAL};
    Gtk::Toolbar _toolbar;
    Gtk::ToolButton _open;
};

// Keeps one preview window a file, by the file's real path, from opening until the window closes.
class GtkPdfPreviewManager : public PdfPreviewManager::Viewer {
public:
    static GtkPdfPreviewManager& instance();
    bool openPdfFile(const std::string& path, int64_t pageNumber) override;
    PdfPreviewWindow* windowForFile(const std::string& path);
    void removeWindow(PdfPreviewWindow* window);
    size_t windowCount() const { return _windows.size(); }

private:
    std::map<std::string, std::unique_ptr<PdfPreviewWindow>> _windows;
};

// The modal dialog in which the user browses a PDF to the page a link is to name.
class PdfLinkDialog : public Gtk::Dialog, public PdfOutlinedWindowBase {
public:
    explicit PdfLinkDialog(const std::string& fileName);

    Gtk::Button& okButton() { return *_ok; }
    // The link to the page chosen; nothing when the dialog closed otherwise.
    static std::optional<std::string> pdfLinkForFileName(const std::string& fileName);
    // Called with each dialog once it shows; for tests.
    static void setShownObserver(std::function<void(PdfLinkDialog& dialog)> observer);

protected:
    void updateTitle() override;

private:
    Gtk::Button* _ok = nullptr;
};

void installPdfWindows();
