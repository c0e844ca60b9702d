#include "panels/gtk/PdfWindows.h"

#include "Editor/EditorWindowController.h"
#include "formats/PdfEngine.h"
#include "panels/ModalResult.h"
#include "panels/gtk/ModalDialog.h"
#include "panels/gtk/StoredWindowFrame.h"
#include "platform/Localizer.h"
#include "platform/TextExcerpt.h"
#include "platform/UserDefaults.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <filesystem>

namespace {

// Rendered pages kept at most; the ones farthest from the current page go first.
constexpr size_t CachedPageLimit = 48;

std::function<void(PdfLinkDialog&)>& linkShownObserver()
{
    static std::function<void(PdfLinkDialog&)> observer;
    return observer;
}

} // namespace

// ---- pages

PdfPagesView::PdfPagesView()
{
    set_policy(Gtk::POLICY_AUTOMATIC, Gtk::POLICY_AUTOMATIC);
    add(_area);
    _area.set_can_focus(true);
    _area.add_events(Gdk::BUTTON_PRESS_MASK | Gdk::KEY_PRESS_MASK);
    _area.signal_draw().connect(sigc::mem_fun(*this, &PdfPagesView::draw));
    _area.signal_key_press_event().connect(sigc::mem_fun(*this, &PdfPagesView::keyPressed), false);
    _area.signal_button_press_event().connect(sigc::mem_fun(*this, &PdfPagesView::buttonPressed));
    get_vadjustment()->signal_value_changed().connect(sigc::mem_fun(*this, &PdfPagesView::scrolled));
    get_vadjustment()->signal_changed().connect([this] {
        if (_pinnedOffset >= 0) get_vadjustment()->set_value(_pinnedOffset);
    });
    signal_size_allocate().connect([this](Gtk::Allocation&) { relayout(); });
    set_size_request(200, 200);
}

PdfPagesView::~PdfPagesView() = default;

void PdfPagesView::setDocument(const PdfDocumentReader* reader)
{
    _document.reset();
    _cache.clear();
    std::vector<PdfDocumentReader::PageSize> sizes;
    if (reader) {
        _document = reader->pageRenderer();
        // Both readers must agree on the pages, else none are shown.
        if (_document && _document->pageCount() == reader->pageCount()) {
            for (int page = 1; page <= reader->pageCount(); ++page)
                sizes.push_back(reader->pageSize(page).value_or(PdfDocumentReader::PageSize{612, 792}));
        } else {
            _document.reset();
        }
    }
    const PdfViewState previous = _state;
    _state = PdfViewState(std::move(sizes));
    _state.setDisplayMode(int32_t(previous.displayMode()));
    _state.setAutoScale(previous.autoScale());
    if (!previous.autoScale()) _state.setScaleFactor(previous.scaleFactor());
    _layoutWidth = -1;
    relayout();
}

void PdfPagesView::relayout()
{
    const double width = get_allocated_width();
    const double height = get_allocated_height();
    if (width <= 1 || height <= 1) return;
    _layoutWidth = width;
    _layoutHeight = height;
    const double scale = _state.effectiveScale(width, height);
    if (scale != _renderedScale) {
        _cache.clear();
        _renderedScale = scale;
    }
    _placements = _state.layout(width, height);
    double contentWidth = 0, contentHeight = 0;
    PdfViewState::contentSize(_placements, contentWidth, contentHeight);
    _area.set_size_request(int(std::ceil(contentWidth)), int(std::ceil(contentHeight)));
    // A page asked for before the view had its size is placed now that the pages are.
    if (_pinnedOffset >= 0) scrollToCurrentPage();
    _area.queue_draw();
}

void PdfPagesView::goToPage(int pageNumber)
{
    if (!_state.goToPage(pageNumber)) return;
    relayout();
    scrollToCurrentPage();
    _pageChanged.emit();
}

void PdfPagesView::scrollToCurrentPage()
{
    // The area takes its new size at the next allocation: the offset is kept and applied again
    // until the user scrolls away from it.
    _pinnedOffset = _state.continuous() ? _state.offsetOfCurrentPage(_placements) : 0;
    get_vadjustment()->set_value(_pinnedOffset);
}

void PdfPagesView::setDisplayMode(PdfDisplayMode mode)
{
    _state.setDisplayMode(int32_t(mode));
    relayout();
    scrollToCurrentPage();
}

void PdfPagesView::setAutoScale(bool on)
{
    _state.setAutoScale(on);
    relayout();
    scrollToCurrentPage();
}

void PdfPagesView::zoom(double factor)
{
    _state.setScaleFactor(_state.effectiveScale(_layoutWidth, _layoutHeight) * factor);
    relayout();
    scrollToCurrentPage();
}

void PdfPagesView::scrolled()
{
    const auto adjustment = get_vadjustment();
    if (_pinnedOffset >= 0) {
        const double reachable = std::min(_pinnedOffset, adjustment->get_upper() - adjustment->get_page_size());
        // The page asked for stays current, also when the view cannot bring it to the top.
        if (std::abs(adjustment->get_value() - reachable) < 1) return;
        _pinnedOffset = -1;
    }
    const int before = _state.currentPageNumber();
    _state.scrolledTo(_placements, adjustment->get_value(), get_allocated_height());
    if (_state.currentPageNumber() != before) _pageChanged.emit();
}

void PdfPagesView::stepPage(int direction)
{
    const int step = _state.twoUp() ? 2 : 1;
    const int current = _state.currentPageNumber();
    const int target = direction > 0 ? std::min(_state.pageCount(), current + step) : std::max(1, current - step);
    if (target != current) goToPage(target);
}

bool PdfPagesView::keyPressed(GdkEventKey* event)
{
    switch (event->keyval) {
    case GDK_KEY_Page_Down:
    case GDK_KEY_Right:
        if (_state.continuous() && event->keyval == GDK_KEY_Page_Down) return false;
        stepPage(1);
        return true;
    case GDK_KEY_Page_Up:
    case GDK_KEY_Left:
        if (_state.continuous() && event->keyval == GDK_KEY_Page_Up) return false;
        stepPage(-1);
        return true;
    case GDK_KEY_Home:
        goToPage(1);
        return true;
    case GDK_KEY_End:
        goToPage(_state.pageCount());
        return true;
    case GDK_KEY_plus:
    case GDK_KEY_equal:
        zoom(1.25);
        return true;
    case GDK_KEY_minus:
        zoom(0.8);
        return true;
    default:
        return false;
    }
}

bool PdfPagesView::buttonPressed(GdkEventButton* event)
{
    _area.grab_focus();
    if (event->type == GDK_BUTTON_PRESS && event->button == 3) {
        showModeMenu(event);
        return true;
    }
    return false;
}

void PdfPagesView::showModeMenu(GdkEventButton* event)
{
    _menu = std::make_unique<Gtk::Menu>();
    Gtk::RadioMenuItem::Group group;
    const struct {
        PdfDisplayMode mode;
        const char* key;
    } modes[] = {{PdfDisplayMode::SinglePage, "pdf_display_single_page"},
                 {PdfDisplayMode::SinglePageContinuous, "pdf_display_single_page_continuous"},
                 {PdfDisplayMode::TwoUp, "pdf_display_two_pages"},
                 {PdfDisplayMode::TwoUpContinuous, "pdf_display_two_pages_continuous"}};
    for (const auto& entry : modes) {
        auto* item = Gtk::manage(new Gtk::RadioMenuItem(group, localized(entry.key)));
        item->set_active(_state.displayMode() == entry.mode);
        const PdfDisplayMode mode = entry.mode;
        item->signal_activate().connect([this, item, mode] {
            if (item->get_active()) setDisplayMode(mode);
        });
        _menu->append(*item);
    }
    _menu->append(*Gtk::manage(new Gtk::SeparatorMenuItem));
    auto* fit = Gtk::manage(new Gtk::CheckMenuItem(localized("pdf_automatically_resize")));
    fit->set_active(_state.autoScale());
    fit->signal_toggled().connect([this, fit] { setAutoScale(fit->get_active()); });
    _menu->append(*fit);
    auto* zoomIn = Gtk::manage(new Gtk::MenuItem(localized("pdf_zoom_in")));
    zoomIn->signal_activate().connect([this] { zoom(1.25); });
    _menu->append(*zoomIn);
    auto* zoomOut = Gtk::manage(new Gtk::MenuItem(localized("pdf_zoom_out")));
    zoomOut->signal_activate().connect([this] { zoom(0.8); });
    _menu->append(*zoomOut);
    _menu->show_all();
    _menu->popup_at_pointer(reinterpret_cast<GdkEvent*>(event));
}

Cairo::RefPtr<Cairo::ImageSurface> PdfPagesView::renderedPage(const PdfViewState::Placement& placement,
                                                              double deviceScale)
{
    int pixelWidth = 0, pixelHeight = 0;
    PdfViewState::renderSize(placement, deviceScale, pixelWidth, pixelHeight);
    const auto found = _cache.find(placement.page);
    if (found != _cache.end() && found->second->get_width() == pixelWidth && found->second->get_height() == pixelHeight)
        return found->second;
    auto surface = Cairo::ImageSurface::create(Cairo::FORMAT_ARGB32, pixelWidth, pixelHeight);
    auto cr = Cairo::Context::create(surface);
    cr->set_source_rgb(1, 1, 1);
    cr->paint();
    if (_document) _document->renderPage(placement.page, cr->cobj(), pixelWidth, pixelHeight);
    if (_cache.size() >= CachedPageLimit) {
        const int current = _state.currentPageNumber();
        auto farthest = std::max_element(_cache.begin(), _cache.end(), [current](const auto& a, const auto& b) {
            return std::abs(a.first - current) < std::abs(b.first - current);
        });
        _cache.erase(farthest);
    }
    _cache[placement.page] = surface;
    return surface;
}

bool PdfPagesView::draw(const Cairo::RefPtr<Cairo::Context>& cr)
{
    const auto style = _area.get_style_context();
    style->render_background(cr, 0, 0, _area.get_allocated_width(), _area.get_allocated_height());
    if (!_document || _placements.empty()) return true;
    double x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    cr->get_clip_extents(x1, y1, x2, y2);
    const double deviceScale = std::max(1, _area.get_scale_factor());
    for (const PdfViewState::Placement& placement : PdfViewState::visible(_placements, y1, y2 - y1)) {
        const auto surface = renderedPage(placement, deviceScale);
        cr->save();
        cr->set_source_rgba(0, 0, 0, 0.25);
        cr->rectangle(placement.x + 1, placement.y + 1, placement.width + 1, placement.height + 1);
        cr->fill();
        cr->translate(placement.x, placement.y);
        cr->scale(placement.width / surface->get_width(), placement.height / surface->get_height());
        cr->set_source(surface, 0, 0);
        cr->paint();
        cr->restore();
    }
    return true;
}

// ---- outline and title

PdfOutlinedWindowBase::PdfOutlinedWindowBase(const std::string& fileName)
    : _fileName(fileName), _reader(PdfDocumentReader::openFile(fileName))
{
    _pages.setDocument(_reader.get());
    if (_reader && _reader->hasOutline()) {
        _items = _reader->outline();
        _children.resize(_items.size() + 1);
        for (size_t i = 0; i < _items.size(); ++i) {
            const size_t parent = _items[i].parent == PdfDocumentReader::NoParent ? _items.size() : _items[i].parent;
            _children[parent].push_back(i);
        }
    }
    if (!_items.empty()) {
        _store = Gtk::TreeStore::create(_columns);
        _outline.set_model(_store);
        _outline.append_column("", _columns.label);
        _outline.set_headers_visible(false);
        _outline.set_enable_search(true);
        // Only the top bookmarks at first; the children of a row when it opens.
        addOutlineChildren(_store->children(), _items.size());
        _outline.signal_test_expand_row().connect(
            [this](const Gtk::TreeModel::iterator& row, const Gtk::TreeModel::Path&) {
                outlineRowExpanded(row);
                return false;
            },
            false);
        _outline.get_selection()->signal_changed().connect([this] { outlineSelectionChanged(); });
        // A tree view taking the focus selects its first row when none is selected: that row was
        // not chosen, so the page stays and the row is let go again, ready to be clicked.
        _outline.signal_grab_focus().connect(
            [this] {
                _takingFocus = true;
                _selectedBeforeFocus = _outline.get_selection()->count_selected_rows() > 0;
            },
            false);
        _outline.signal_grab_focus().connect(
            [this] {
                _takingFocus = false;
                if (!_selectedBeforeFocus) _outline.get_selection()->unselect_all();
            },
            true);
        _outlineScroll.set_policy(Gtk::POLICY_AUTOMATIC, Gtk::POLICY_AUTOMATIC);
        _outlineScroll.add(_outline);
        _outlineScroll.set_size_request(180, -1);
        _paned.pack1(_outlineScroll, false, true);
        _outlineShown = true;
    }
    _paned.pack2(_pages, true, false);
    _pages.signalPageChanged().connect([this] { updateTitle(); });
}

void PdfOutlinedWindowBase::addOutlineChildren(const Gtk::TreeModel::Children& rows, size_t parent)
{
    for (size_t index : _children[parent]) {
        Gtk::TreeModel::Row row = *_store->append(rows);
        row[_columns.label] = _items[index].label;
        row[_columns.index] = int64_t(index);
        row[_columns.filled] = false;
        // A stand-in child makes the row expandable until its children are added.
        if (!_children[index].empty()) (*_store->append(row.children()))[_columns.index] = -1;
    }
}

void PdfOutlinedWindowBase::outlineRowExpanded(const Gtk::TreeModel::iterator& iterator)
{
    Gtk::TreeModel::Row row = *iterator;
    if (row[_columns.filled]) return;
    row[_columns.filled] = true;
    const int64_t index = row[_columns.index];
    if (index < 0) return;
    while (!row.children().empty()) _store->erase(row.children().begin());
    addOutlineChildren(row.children(), size_t(index));
}

void PdfOutlinedWindowBase::outlineSelectionChanged()
{
    if (_takingFocus) return;
    const Gtk::TreeModel::iterator selected = _outline.get_selection()->get_selected();
    if (!selected) return;
    const int64_t index = (*selected)[_columns.index];
    if (index < 0 || size_t(index) >= _items.size()) return;
    if (const std::optional<int> page = _items[size_t(index)].page) gotoPageNumber(*page);
}

void PdfOutlinedWindowBase::gotoPageNumber(int pageNumber)
{
    if (!_reader || pageNumber < 1 || pageNumber > _reader->pageCount()) return;
    _pages.goToPage(pageNumber);
}

std::string PdfOutlinedWindowBase::fileDisplayName() const
{
    // Named in the window's title.
    return TextExcerpt::excerpt(std::filesystem::path(_fileName).filename().string(), TextExcerpt::Quote);
}

std::string PdfOutlinedWindowBase::baseTitle() const
{
    if (!_reader || currentPageNumber() < 0) return localized(PdfWindowKeys::UnableToOpenKey);
    return localizedFormat(
        PdfWindowKeys::PreviewTitleKey,
        {fileDisplayName(), std::to_string(currentPageNumber()), std::to_string(_reader->pageCount())});
}

// ---- preview window

PdfPreviewWindow::PdfPreviewWindow(const std::string& fileName, int pageNumber) : PdfOutlinedWindowBase(fileName)
{
    set_name(PdfWindowKeys::ToolbarIdentifier);
    set_default_size(760, 900);
    _toolbar.set_toolbar_style(Gtk::TOOLBAR_BOTH);
    _open.set_name(PdfWindowKeys::OpenItemIdentifier);
    _open.set_icon_name("bookmark-new");
    _open.set_label(localized(PdfWindowKeys::OpenItemLabelKey));
    _open.signal_clicked().connect([this] { openInDefaultApplication(); });
    _toolbar.append(_open);
    _box.pack_start(_toolbar, Gtk::PACK_SHRINK);
    _box.pack_start(content(), Gtk::PACK_EXPAND_WIDGET);
    add(_box);
    applyStoredWindowFrame(*this, PdfWindowKeys::PreviewFrameName);
    pagesView().state().loadSettings(UserDefaults::standard());
    pagesView().relayout();
    gotoPageNumber(pageNumber);
    updateTitle();
    show_all();
}

void PdfPreviewWindow::updateTitle()
{
    set_title(baseTitle());
}

void PdfPreviewWindow::openInDefaultApplication()
{
    openPdfInDefaultApplication(fileName());
}

bool PdfPreviewWindow::on_delete_event(GdkEventAny* event)
{
    pagesView().state().storeSettings(UserDefaults::standard());
    storeWindowFrame(*this, PdfWindowKeys::PreviewFrameName);
    Gtk::Window::on_delete_event(event);
    // The manager lets the window go once GTK is done with this event.
    Glib::signal_idle().connect_once([this] { GtkPdfPreviewManager::instance().removeWindow(this); });
    return false;
}

GtkPdfPreviewManager& GtkPdfPreviewManager::instance()
{
    // Never destroyed: the process may end after GTK has gone.
    static auto* manager = new GtkPdfPreviewManager;
    return *manager;
}

bool GtkPdfPreviewManager::openPdfFile(const std::string& path, int64_t pageNumber)
{
    const int page = int(std::clamp<int64_t>(pageNumber, 0, INT_MAX));
    const std::string key = PdfPreviewManager::normalizeKey(path);
    auto found = _windows.find(key);
    if (found == _windows.end()) {
        auto window = std::make_unique<PdfPreviewWindow>(path, page);
        window->present();
        _windows.emplace(key, std::move(window));
        return true;
    }
    found->second->gotoPageNumber(page);
    found->second->present();
    return true;
}

PdfPreviewWindow* GtkPdfPreviewManager::windowForFile(const std::string& path)
{
    const auto found = _windows.find(PdfPreviewManager::normalizeKey(path));
    return found == _windows.end() ? nullptr : found->second.get();
}

void GtkPdfPreviewManager::removeWindow(PdfPreviewWindow* window)
{
    for (auto it = _windows.begin(); it != _windows.end();) {
        if (it->second.get() == window) {
            it->second->hide();
            it = _windows.erase(it);
        } else {
            ++it;
        }
    }
}

// ---- link dialog

PdfLinkDialog::PdfLinkDialog(const std::string& fileName) : PdfOutlinedWindowBase(fileName)
{
    add_button(localized("cancel_button_title"), Gtk::RESPONSE_CANCEL);
    _ok = add_button(localized("ok_button_title"), ModalResult::OK);
    set_default_response(ModalResult::OK);
    set_default_size(640, 760);
    get_content_area()->pack_start(content(), Gtk::PACK_EXPAND_WIDGET);
    pagesView().setAutoScale(true);
    pagesView().setDisplayMode(PdfDisplayMode::SinglePage);
    applyStoredWindowFrame(*this, PdfWindowKeys::LinkFrameName);
    updateTitle();
    show_all_children();
}

void PdfLinkDialog::updateTitle()
{
    const int page = currentPageNumber();
    _ok->set_sensitive(page >= 0);
    if (page < 0) set_title(localized(PdfWindowKeys::UnableToOpenKey));
    else set_title(localizedFormat(PdfWindowKeys::LinkTitleKey, {std::to_string(page), fileDisplayName()}));
}

std::optional<std::string> PdfLinkDialog::pdfLinkForFileName(const std::string& fileName)
{
    PdfLinkDialog dialog(fileName);
    sigc::connection shown;
    if (linkShownObserver()) shown = dialog.signal_show().connect([&dialog] { linkShownObserver()(dialog); });
    const int result = ModalDialog::run(dialog, ModalResult::LinkDialogClosed);
    shown.disconnect();
    storeWindowFrame(dialog, PdfWindowKeys::LinkFrameName);
    dialog.hide();
    const int page = dialog.currentPageNumber();
    if (!ModalResult::isConfirmed(result) || page < 0) return std::nullopt;
    return pdfPageLink(fileName, page);
}

void PdfLinkDialog::setShownObserver(std::function<void(PdfLinkDialog& dialog)> observer)
{
    linkShownObserver() = std::move(observer);
}

void installPdfWindows()
{
    PdfPreviewManager::setViewer(&GtkPdfPreviewManager::instance());
}
