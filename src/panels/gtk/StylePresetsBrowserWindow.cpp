#include "panels/gtk/StylePresetsBrowserWindow.h"

#include "Editor/gtk/MainWindowActions.h"
#include "MindMaps/MindMapElement.h"
#include "MindMaps/StylePresets.h"
#include "platform/Localizer.h"
#include "platform/gtk/GtkModalRun.h"
#include "platform/gtk/GtkNamedImages.h"

namespace {

std::function<void(StylePresetsBrowserWindow&)>& shownObserver()
{
    static std::function<void(StylePresetsBrowserWindow&)> observer;
    return observer;
}

// Columns of cells the grid shows without scrolling, and rows.
constexpr int VisibleColumns = 8;
constexpr int VisibleRows = 5;

} // namespace

StylePresetsBrowserWindow::StylePresetsBrowserWindow(StylePresetsBrowser& browser)
    : _browser(browser),
      _grid(StylePresetsBrowser::DragDataType, StylePresetsBrowser::DragDataMarker, StylePresetsBrowser::CellSide,
            StylePresetsBrowser::CellSide)
{
    set_title(localized(StylePresetsBrowser::TitleKey));
    set_resizable(true);
    // Room for the cells, the grid's border and the scroll bar.
    const int step = ImageGridView::cellStep(StylePresetsBrowser::CellSide);
    _grid.set_size_request(VisibleColumns * step + 4 * ImageGridView::Spacing,
                           VisibleRows * step + 2 * ImageGridView::Spacing);
    _grid.set_shadow_type(Gtk::SHADOW_IN);
    _grid.set_vexpand(true);
    _grid.set_hexpand(true);

    _editModeButton.set_label(localized(StylePresetsBrowser::EditModeTitleKey));
    _editModeButton.set_tooltip_text(localized(StylePresetsBrowser::EditModeHintKey));
    setGtkImageNamed(_deleteImage, StylePresetsBrowser::DeleteImageName);
    _deleteButton.set_image(_deleteImage);
    _deleteButton.set_always_show_image(true);
    _deleteButton.set_tooltip_text(localized(StylePresetsBrowser::DeleteHintKey));
    _cancelButton.set_label(localized(StylePresetsBrowser::CancelTitleKey));
    _okButton.set_label(localized(StylePresetsBrowser::OkTitleKey));
    _okButton.set_can_default(true);

    _buttons.set_border_width(6);
    _buttons.pack_start(_editModeButton, Gtk::PACK_SHRINK);
    _buttons.pack_start(_deleteButton, Gtk::PACK_SHRINK);
    _buttons.pack_end(_okButton, Gtk::PACK_SHRINK);
    _buttons.pack_end(_cancelButton, Gtk::PACK_SHRINK);
    Gtk::Box* content = get_content_area();
    content->pack_start(_grid, Gtk::PACK_EXPAND_WIDGET);
    content->pack_start(_buttons, Gtk::PACK_SHRINK);
    content->show_all();

    _okButton.signal_clicked().connect([this] { _browser.okButtonClicked(); });
    _cancelButton.signal_clicked().connect([this] { _browser.cancelButtonClicked(); });
    _deleteButton.signal_clicked().connect([this] { _browser.deleteButtonClicked(); });
    _editModeButton.signal_toggled().connect([this] {
        if (!_showingEditMode) _browser.editModeButtonClicked();
    });
    _grid.signalSelectionChanged().connect([this] { _browser.selectionDidChange(); });
    _grid.signalDoubleClicked().connect([this](size_t index) { _browser.cellWasDoubleClicked(index); });
    _grid.signalMoved().connect([this](size_t from, size_t to) { _browser.moveItems({from}, to); });
    // The close button ends the session as Cancel does; the window is hidden, not destroyed, by
    // the session's end.
    signal_delete_event().connect(
        [this](GdkEventAny*) {
            _browser.windowWillClose();
            return true;
        },
        false);
    // Escape means Cancel.
    signal_key_press_event().connect(
        [this](GdkEventKey* event) {
            if (event->keyval != GDK_KEY_Escape) return false;
            _browser.cancelButtonClicked();
            return true;
        },
        false);

    _browser.setView(this);
    reloadBrowser();
    _browser.updateButtonStates();
}

StylePresetsBrowserWindow::~StylePresetsBrowserWindow()
{
    _browser.setView(nullptr);
}

void StylePresetsBrowserWindow::reloadBrowser()
{
    std::vector<ImageGridCell> cells;
    cells.reserve(_browser.numberOfItems());
    for (size_t index = 0; index < _browser.numberOfItems(); ++index) {
        const PresetBrowserItem& item = _browser.itemAtIndex(index);
        StylePreset* preset = &item.preset();
        cells.push_back({item.imageUID(),
                         [preset] {
                             const Image& image = PresetBrowserItem(*preset).imageRepresentation();
                             Image copy = image.scaledTo(image.pixelWidth(), image.pixelHeight());
                             copy.setSize(image.size());
                             return copy;
                         },
                         {}});
    }
    _grid.setCells(std::move(cells));
}

std::optional<size_t> StylePresetsBrowserWindow::selectedIndex() const
{
    return _grid.selectedIndex();
}

void StylePresetsBrowserWindow::setOkEnabled(bool enabled)
{
    _okButton.set_sensitive(enabled);
    if (enabled) _okButton.grab_default();
}

void StylePresetsBrowserWindow::setDeleteEnabled(bool enabled)
{
    _deleteButton.set_sensitive(enabled);
}

void StylePresetsBrowserWindow::setEditModeShown(bool on)
{
    _showingEditMode = true;
    _editModeButton.set_active(on);
    _showingEditMode = false;
}

void StylePresetsBrowserWindow::setReorderingAllowed(bool allowed)
{
    _grid.setEditMode(allowed);
}

void StylePresetsBrowserWindow::passivateBrowser()
{
    _grid.hide();
}

void StylePresetsBrowserWindow::stopModal(int result)
{
    response(result);
}

void StylePresetsBrowserWindow::setShownObserver(std::function<void(StylePresetsBrowserWindow& window)> observer)
{
    shownObserver() = std::move(observer);
}

StylePreset* StylePresetsBrowserWindow::pickStylePresetForElement(MindMapElement& element,
                                                                  const StylePresetsBrowser::PresetsLookup& lookup)
{
    std::unique_ptr<StylePresetsBrowser> browser = StylePresetsBrowser::forElement(element, lookup);
    if (!browser) return nullptr;
    // The window that had the focus gets it back, if it still exists then.
    Gtk::Window* keyWindow = GtkModalRun::activeWindow();
    GtkWidget* previous = keyWindow ? GTK_WIDGET(keyWindow->gobj()) : nullptr;
    if (previous) g_object_add_weak_pointer(G_OBJECT(previous), reinterpret_cast<gpointer*>(&previous));

    StylePreset* chosen = nullptr;
    {
        StylePresetsBrowserWindow window(*browser);
        browser->reloadPresets(true);
        sigc::connection shown;
        if (shownObserver()) {
            window.signal_map().connect([&window, &shown] {
                shown = Glib::signal_idle().connect([&window] {
                    if (shownObserver()) shownObserver()(window);
                    return false;
                });
            });
        }
        const int result = GtkModalRun::run(window);
        shown.disconnect();
        // The browser's own answer wins over GTK's: a window destroyed from outside ends the
        // session with GTK's answer, which is never a pick.
        chosen = browser->chosenPreset(browser->modalResult().value_or(result));
    }
    if (previous) {
        g_object_remove_weak_pointer(G_OBJECT(previous), reinterpret_cast<gpointer*>(&previous));
        gtk_window_present(GTK_WINDOW(previous));
    }
    return chosen;
}

void installStylePresetsBrowser()
{
    MainWindowActions::setStylePresetPicker(
        [](MindMapElement& element) { return StylePresetsBrowserWindow::pickStylePresetForElement(element); });
}
