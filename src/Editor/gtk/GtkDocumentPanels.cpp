#include "Editor/gtk/GtkDocumentPanels.h"

#include "Editor/gtk/ImageDensityViews.h"
#include "Editor/gtk/MainWindow.h"
#include "formats/ExportFormats.h"
#include "platform/Localizer.h"
#include "platform/MainLoop.h"
#include "platform/UserDefaults.h"
#include "platform/gtk/GtkModalRun.h"
#include "platform/gtk/GtkOpenSavePanels.h"
#include "platform/gtk/LabelledField.h"
#include "render/OutlineRenderingView.h"
#include "render/PaperSizes.h"
#include "render/PrintOptionsModel.h"
#include "render/TiledMindMapRenderingView.h"
#include "render/gtk/MindMapPrintOperation.h"
#include "render/gtk/PrintOptionsViewController.h"

#include <memory>

namespace {

constexpr int Spacing = 6;
constexpr int ColumnSpacing = 12;
constexpr int Border = 12;

std::string extensionOf(const std::string& name)
{
    const size_t dot = name.find_last_of('.');
    const size_t slash = name.find_last_of('/');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return {};
    return name.substr(dot + 1);
}

void setUpGrid(Gtk::Grid& grid)
{
    grid.set_row_spacing(Spacing);
    grid.set_column_spacing(ColumnSpacing);
    grid.set_border_width(Border);
}

// The print options as a tab of the print dialog. The dialog owns the tab and destroys it with
// itself; what the user chose is copied out when the print is confirmed.
class PrintOptionsTab : public Gtk::Box {
public:
    PrintOptionsTab(Size mapSize, Size selectionSize, MindMap& mindMap) : _controller(mapSize, selectionSize, &mindMap)
    {
        pack_start(_controller.view(), Gtk::PACK_EXPAND_WIDGET);
        show_all();
    }
    PrintOptionsViewController& controller() { return _controller; }

private:
    PrintOptionsViewController _controller;
};

struct PrintChoice {
    bool selectionOnly = false;
    int64_t printMode = 0;
    double tileScale = 1.0;
    int64_t pageFormat = PrintOptionsModel::DefaultPageFormat;
    int64_t options = 0;

    template <typename Options> void take(const Options& chosen)
    {
        selectionOnly = chosen.selectionOnly();
        printMode = chosen.printMode();
        tileScale = chosen.tileScale();
        pageFormat = chosen.pageFormat();
        options = chosen.printOptions();
    }
};

// The file panel, just answered, goes from the screen before the export holds the main loop:
// the server has taken it away and the window beneath has painted where it was. What the user does
// meanwhile waits for the export, which takes the open map after this: a close would take the
// document away, Ctrl+W or a click in the side bar would put an empty or another map under the
// chosen name.
void clearAnsweredPanel()
{
    const MainWindow::InputHold hold;
    const std::shared_ptr<void> session = GtkModalRun::beginSession();
    Glib::RefPtr<Gdk::Display> display = Gdk::Display::get_default();
    if (!display) return;
    display->sync();
    Gtk::Window* window = GtkModalRun::activeWindow();
    if (!window || !window->get_mapped()) return;
    GdkFrameClock* clock = gtk_widget_get_frame_clock(GTK_WIDGET(window->gobj()));
    if (!clock) return;
    bool painted = false;
    const gulong handler =
        g_signal_connect_swapped(clock, "after-paint", G_CALLBACK(+[](bool* flag) { *flag = true; }), &painted);
    window->queue_draw();
    // Bounded: a window the server never shows again paints no frame.
    constexpr double PaintLimitSeconds = 1.0;
    MainLoop::runUntil([&painted] { return painted; }, PaintLimitSeconds);
    g_signal_handler_disconnect(clock, handler);
}

} // namespace

ExportFormatWidget::ExportFormatWidget(ExportFormatChoice& choice, FileChooser::SavePanelControl& panel)
    : _choice(choice), _panel(panel)
{
    setUpGrid(*this);
    _typeLabel.set_text(localized("save_to_file_dialog_file_format"));
    _typeLabel.set_xalign(0);
    for (const ExportFormatChoice::FileType& type : ExportFormatChoice::FileTypes)
        _typePopup.append(localized(type.titleKey));
    _typePopup.set_active(static_cast<int>(_choice.selectedIndex()));
    _qualityLabel.set_text(localized("share_dialog_png_density"));
    _qualityLabel.set_xalign(0);
    fillDensityPopup(_qualityPopup);
    _qualityPopup.set_active(static_cast<int>(_choice.density().selectedIndex()));
    _sizeLabel.set_xalign(0);
    _rangeLabel.set_text(localized("share_dialog_export_range"));
    _rangeLabel.set_xalign(0);
    _wholeMapRadio.set_label(localized("share_dialog_print_range_mindmap"));
    _selectionRadio.set_label(localized("share_dialog_print_range_selection"));
    Gtk::RadioButton::Group range = _wholeMapRadio.get_group();
    _selectionRadio.set_group(range);
    _wholeMapRadio.set_active(true);
    labelField(_typeLabel, _typePopup);
    labelField(_qualityLabel, _qualityPopup);
    attach(_typeLabel, 0, 0);
    attach(_typePopup, 1, 0);
    attach(_qualityLabel, 0, 1);
    attach(_qualityPopup, 1, 1);
    attach(_sizeLabel, 1, 2, 2, 1);
    attach(_rangeLabel, 0, 3);
    attach(_wholeMapRadio, 1, 3);
    attach(_selectionRadio, 2, 3);

    _typePopup.signal_changed().connect([this] { typeChanged(); });
    _qualityPopup.signal_changed().connect([this] {
        const int row = _qualityPopup.get_active_row_number();
        if (row >= 0) _choice.selectDensityIndex(static_cast<size_t>(row));
        showSize();
    });
    _selectionRadio.signal_toggled().connect([this] {
        _choice.setSelectionRangeChosen(_selectionRadio.get_active());
        showSize();
    });
    if (_panel.setAllowedType) _panel.setAllowedType(_choice.selectedExtension());
    show_all();
    showRange();
}

void ExportFormatWidget::typeChanged()
{
    const int row = _typePopup.get_active_row_number();
    if (row < 0) return;
    _choice.setSelectedIndex(static_cast<size_t>(row));
    if (_panel.setAllowedType) _panel.setAllowedType(_choice.selectedExtension());
    showRange();
}

void ExportFormatWidget::showRange()
{
    const bool offered = _choice.selectionRangeOffered();
    _selectionRadio.set_sensitive(offered);
    if (!offered) _wholeMapRadio.set_active(true);
    else if (_choice.selectionRangeChosen()) _selectionRadio.set_active(true);
    showSize();
}

void ExportFormatWidget::showSize()
{
    const bool bitmap = _choice.densityControlsVisible();
    _qualityLabel.set_text(localized(ImageDensityChoice::labelKey(_choice.selectedType().format)));
    _qualityLabel.set_visible(bitmap);
    _qualityPopup.set_visible(bitmap);
    _sizeLabel.set_visible(bitmap);
    showImageSizeLine(_sizeLabel, _choice.sizeText(), _choice.sizeAcceptable());
}

OutlineOptionsWidget::OutlineOptionsWidget(OutlineOptionsChoice& choice) : _choice(choice)
{
    setUpGrid(*this);
    const auto label = [](Gtk::Label& label, const char* key) {
        label.set_text(localized(key));
        label.set_xalign(0);
    };
    label(_rangeLabel, "share_dialog_print_range");
    _wholeMapRadio.set_label(localized("share_dialog_print_range_mindmap"));
    _selectionRadio.set_label(localized("share_dialog_print_range_selection"));
    Gtk::RadioButton::Group range = _wholeMapRadio.get_group();
    _selectionRadio.set_group(range);
    _selectionRadio.set_sensitive(_choice.allowSelectionRange());
    if (_choice.selectionOnly()) _selectionRadio.set_active(true);
    else _wholeMapRadio.set_active(true);
    label(_presetLabel, "outline_options_outline_style");
    for (const char* key : OutlineOptionsChoice::PresetTitleKeys) _presetPopup.append(localized(key));
    _presetPopup.set_active(0);
    label(_optionsLabel, "outline_options_options");
    label(_filterLabel, "outline_options_filter");
    label(_pageFormatLabel, "page_size_caption");
    for (int64_t format = 0; format <= PaperFormatCount(); ++format) _pageFormatPopup.append(PaperFormatName(format));
    _pageFormatPopup.set_active(static_cast<int>(_choice.pageFormat()));

    attach(_rangeLabel, 0, 0);
    attach(_wholeMapRadio, 1, 0);
    attach(_selectionRadio, 1, 1);
    labelField(_presetLabel, _presetPopup);
    labelField(_pageFormatLabel, _pageFormatPopup);
    attach(_presetLabel, 0, 2);
    attach(_presetPopup, 1, 2);
    attach(_optionsLabel, 0, 3);
    attach(_filterLabel, 0, 7);
    for (size_t i = 0; i < _optionBoxes.size(); ++i) {
        const OutlineOptionsChoice::Option& option = OutlineOptionsChoice::Options[i];
        _optionBoxes[i].set_label(localized(option.titleKey));
        attach(_optionBoxes[i], 1, static_cast<int>(3 + i));
        _optionBoxes[i].signal_toggled().connect([this, i, bit = option.bit] {
            if (_showing) return;
            _choice.setOptionOn(bit, _optionBoxes[i].get_active());
            showOptions();
        });
    }
    attach(_pageFormatLabel, 0, 11);
    attach(_pageFormatPopup, 1, 11);

    _selectionRadio.signal_toggled().connect([this] { _choice.setSelectionRangeChosen(_selectionRadio.get_active()); });
    _presetPopup.signal_changed().connect([this] {
        const int row = _presetPopup.get_active_row_number();
        if (row <= 0) return;
        _choice.applyPreset(static_cast<size_t>(row));
        showOptions();
        // Back to the placeholder, so that the same preset can be chosen again.
        _presetPopup.set_active(0);
    });
    _pageFormatPopup.signal_changed().connect([this] {
        const int row = _pageFormatPopup.get_active_row_number();
        _choice.setPageFormat(row < 0 ? 0 : row);
    });
    showOptions();
    show_all();
}

void OutlineOptionsWidget::showOptions()
{
    ++_showing;
    for (size_t i = 0; i < _optionBoxes.size(); ++i)
        _optionBoxes[i].set_active(_choice.isOptionOn(OutlineOptionsChoice::Options[i].bit));
    _optionBoxes.back().set_sensitive(_choice.filterUncheckedEnabled());
    --_showing;
}

std::string GtkDocumentPanels::completedExportPath(const std::string& path, const std::string& extension)
{
    if (ExportFormatFromExtension(extensionOf(path))) return path;
    return path + "." + extension;
}

std::optional<std::string> GtkDocumentPanels::runExportPanel(const SavePanel& panel, ExportFormatChoice& choice)
{
    registerAccessories();
    FileChooser::SaveOptions options;
    options.title = panel.title;
    options.directory = panel.directory;
    options.nameFieldStringValue = panel.proposedName + "." + choice.selectedExtension();
    for (const ExportFormatChoice::FileType& type : ExportFormatChoice::FileTypes)
        options.allowedTypes.push_back(type.extension);
    options.accessory = FileChooser::SaveAccessory{ExportFormatWidget::AccessoryName, &choice};
    const std::optional<std::string> path = FileChooser::shared().runSavePanel(options);
    if (!path || path->empty()) return std::nullopt;
    clearAnsweredPanel();
    return completedExportPath(*path, choice.selectedExtension());
}

std::optional<std::string> GtkDocumentPanels::runOutlineExportPanel(const SavePanel& panel,
                                                                    OutlineOptionsChoice& choice)
{
    registerAccessories();
    FileChooser::SaveOptions options;
    options.title = panel.title;
    options.directory = panel.directory;
    options.nameFieldStringValue = panel.proposedName + ".pdf";
    options.allowedTypes = {"pdf"};
    options.accessory = FileChooser::SaveAccessory{OutlineOptionsWidget::AccessoryName, &choice};
    std::optional<std::string> path = FileChooser::shared().runSavePanel(options);
    if (!path || path->empty()) return std::nullopt;
    clearAnsweredPanel();
    // PDF is all this panel writes: any other name gets the extension that says so.
    if (ExportFormatFromExtension(extensionOf(*path)) != 1) *path += ".pdf";
    return path;
}

void GtkDocumentPanels::registerAccessories()
{
    GtkOpenSavePanels::registerSaveAccessory(
        ExportFormatWidget::AccessoryName,
        [](const std::any& model, FileChooser::SavePanelControl& control) -> Gtk::Widget* {
            auto* const* choice = std::any_cast<ExportFormatChoice*>(&model);
            return choice && *choice ? Gtk::manage(new ExportFormatWidget(**choice, control)) : nullptr;
        });
    GtkOpenSavePanels::registerSaveAccessory(
        OutlineOptionsWidget::AccessoryName, [](const std::any& model, FileChooser::SavePanelControl&) -> Gtk::Widget* {
            auto* const* choice = std::any_cast<OutlineOptionsChoice*>(&model);
            return choice && *choice ? Gtk::manage(new OutlineOptionsWidget(**choice)) : nullptr;
        });
}

bool GtkDocumentPanels::runPrintPanel(MindMap& mindMap, Size mapSize, Size selectionSize, Error* error)
{
    // Until the user confirms, the pages follow what is stored: the dialog shows their paper.
    PrintChoice choice;
    PrintOptionsModel stored(mapSize, selectionSize);
    stored.loadSettings(UserDefaults::standard());
    choice.take(stored);

    MindMapPrintOperation::AccessoryTab tab;
    tab.label = localized("print_options_tab_title");
    tab.create = [mapSize, selectionSize, &mindMap]() -> Gtk::Widget* {
        return Gtk::manage(new PrintOptionsTab(mapSize, selectionSize, mindMap));
    };
    tab.apply = [&choice](Gtk::Widget& widget) {
        auto* options = dynamic_cast<PrintOptionsTab*>(&widget);
        if (!options) return;
        options->controller().commitSettings();
        choice.take(options->controller());
    };
    MindMapPrintOperation::Job job;
    job.pages = [&]() -> std::unique_ptr<PrintablePages> {
        return std::make_unique<TiledMindMapRenderingView>(
            mindMap, choice.selectionOnly, static_cast<uint32_t>(choice.printMode), choice.tileScale,
            PaperSizeForFormat(choice.pageFormat), static_cast<uint32_t>(choice.options));
    };
    job.parent = GtkModalRun::activeWindow();
    job.accessory = &tab;
    return MindMapPrintOperation::run(job, error);
}

bool GtkDocumentPanels::runOutlinePrintPanel(MindMap& mindMap, OutlineOptionsChoice& choice, Error* error)
{
    MindMapPrintOperation::AccessoryTab tab;
    tab.label = localized("outline_options_tab_title");
    tab.create = [&choice]() -> Gtk::Widget* { return Gtk::manage(new OutlineOptionsWidget(choice)); };
    tab.apply = [](Gtk::Widget&) {};
    MindMapPrintOperation::Job job;
    job.pages = [&]() -> std::unique_ptr<PrintablePages> {
        return std::make_unique<OutlineRenderingView>(mindMap, choice.selectionOnly(), choice.outlineOptions(),
                                                      PaperSizeForFormat(choice.pageFormat()));
    };
    job.parent = GtkModalRun::activeWindow();
    job.accessory = &tab;
    return MindMapPrintOperation::run(job, error);
}

void installGtkDocumentPanels()
{
    static GtkDocumentPanels panels;
    DocumentPanels::setShared(&panels);
    MindMapPrintOperation::setRunHold([] { return std::make_shared<MainWindow::DocumentHold>(); });
}
