#include "render/gtk/MindMapPrintOperation.h"

#include "Utils/AppErrors.h"
#include "platform/CairoGraphicsContext.h"
#include "platform/Localizer.h"
#include "platform/gtk/GtkModalRun.h"
#include "render/MindMapRenderingView.h"
#include "render/OutlineRenderingView.h"
#include "render/PaperSizes.h"
#include "render/PrintablePages.h"
#include "render/TiledMindMapRenderingView.h"

#include <algorithm>
#include <limits>
#include <optional>

namespace {

GraphicsSurfaceKind surfaceKindOf(cairo_t* cr)
{
    switch (cairo_surface_get_type(cairo_get_target(cr))) {
    case CAIRO_SURFACE_TYPE_PDF:
        return GraphicsSurfaceKind::Pdf;
    case CAIRO_SURFACE_TYPE_PS:
        return GraphicsSurfaceKind::PostScript;
    default:
        return GraphicsSurfaceKind::Bitmap;
    }
}

// The document's sheet as GTK wants it: a portrait paper of that size in points, turned by the
// orientation, with no margins.
void applySheet(const Glib::RefPtr<Gtk::PageSetup>& setup, Size sheet)
{
    const double shortSide = std::min(sheet.width, sheet.height), longSide = std::max(sheet.width, sheet.height);
    setup->set_paper_size(Gtk::PaperSize("tarnwick-sheet", "Tarnwick", shortSide, longSide, Gtk::UNIT_POINTS));
    setup->set_orientation(sheet.width > sheet.height ? Gtk::PAGE_ORIENTATION_LANDSCAPE
                                                      : Gtk::PAGE_ORIENTATION_PORTRAIT);
    setup->set_top_margin(0, Gtk::UNIT_POINTS);
    setup->set_bottom_margin(0, Gtk::UNIT_POINTS);
    setup->set_left_margin(0, Gtk::UNIT_POINTS);
    setup->set_right_margin(0, Gtk::UNIT_POINTS);
}

// GTK counts pages in an int; a damaged map may ask for more sheets than that.
int printedPageCount(const PrintablePages& pages)
{
    return int(std::clamp<int64_t>(pages.pageCount(), 1, std::numeric_limits<int>::max()));
}

Error printError(const std::string& reason)
{
    Error error = MakeAppError(AppErrors::ExportRenderingFailed);
    if (!reason.empty()) error.failureReason = reason;
    return error;
}

// The program the desktop's preview command would start, when no such program is installed: GTK
// hands the pages to it through a launcher that reports nothing when it is missing. An empty name
// when the command names no program at all.
std::optional<std::string> missingPreviewer()
{
    gchar* command = nullptr;
    g_object_get(gtk_settings_get_default(), "gtk-print-preview-command", &command, nullptr);
    gchar** argv = nullptr;
    std::optional<std::string> missing = std::string();
    if (command && g_shell_parse_argv(command, nullptr, &argv, nullptr) && argv[0]) {
        gchar* found = g_find_program_in_path(argv[0]);
        missing = found ? std::nullopt : std::optional<std::string>(argv[0]);
        g_free(found);
    }
    g_strfreev(argv);
    g_free(command);
    return missing;
}

Glib::RefPtr<Gtk::PrintSettings>& lastPrintSettings()
{
    static Glib::RefPtr<Gtk::PrintSettings> settings;
    return settings;
}

MindMapPrintOperation::RunHold& runHold()
{
    static MindMapPrintOperation::RunHold hold;
    return hold;
}

} // namespace

Glib::RefPtr<Gtk::PrintSettings> MindMapPrintOperation::printSettings()
{
    return lastPrintSettings();
}

void MindMapPrintOperation::setPrintSettings(const Glib::RefPtr<Gtk::PrintSettings>& settings)
{
    lastPrintSettings() = settings;
}

void MindMapPrintOperation::setRunHold(RunHold hold)
{
    runHold() = std::move(hold);
}

bool MindMapPrintOperation::run(const Job& job, Error* error)
{
    if (!job.pages) return setError(error, printError("nothing to print"));
    const std::shared_ptr<void> hold = runHold() ? runHold()() : nullptr;
    const Glib::RefPtr<Gtk::PrintOperation> operation = Gtk::PrintOperation::create();
    // The next print starts on the printer (or file) the user chose last.
    if (lastPrintSettings()) operation->set_print_settings(lastPrintSettings());
    operation->set_unit(Gtk::UNIT_POINTS);
    operation->set_use_full_page(true);
    if (!job.exportFilename.empty()) operation->set_export_filename(job.exportFilename);

    std::unique_ptr<PrintablePages> pages;
    std::string failure;
    // The pages exist before the dialog so that it shows the paper; an accessory may remake them.
    pages = job.pages();
    if (!pages) return setError(error, printError("nothing to print"));
    operation->set_job_name(pages->printJobTitle().empty() ? "Tarnwick" : pages->printJobTitle());
    const Glib::RefPtr<Gtk::PageSetup> setup = Gtk::PageSetup::create();
    applySheet(setup, pages->pageSize());
    operation->set_default_page_setup(setup);
    operation->set_n_pages(printedPageCount(*pages));

    if (job.accessory && job.accessory->create) {
        operation->set_custom_tab_label(job.accessory->label);
        operation->signal_create_custom_widget().connect([&]() -> Gtk::Widget* { return job.accessory->create(); },
                                                         false);
        operation->signal_custom_widget_apply().connect([&](Gtk::Widget* widget) {
            if (job.accessory->apply && widget) job.accessory->apply(*widget);
            // Made again only of the map the dialog was opened for.
            if (pages && pages->isCurrent()) pages = job.pages();
        });
    }
    std::optional<std::string> previewer;
    operation->signal_preview().connect(
        [&](const Glib::RefPtr<Gtk::PrintOperationPreview>&, const Glib::RefPtr<Gtk::PrintContext>& context,
            Gtk::Window*) {
            previewer = missingPreviewer();
            if (!previewer) return false;
            // Taken here, so that GTK writes no file of pages for a previewer that is not there; it
            // stops before it draws on the context it asks for.
            context->set_cairo_context(Cairo::Context::create(Cairo::ImageSurface::create(Cairo::FORMAT_ARGB32, 1, 1)),
                                       72, 72);
            operation->cancel();
            return true;
        },
        false);
    operation->signal_begin_print().connect([&](const Glib::RefPtr<Gtk::PrintContext>&) {
        if (pages) operation->set_n_pages(printedPageCount(*pages));
    });
    operation->signal_request_page_setup().connect(
        [&](const Glib::RefPtr<Gtk::PrintContext>&, int, const Glib::RefPtr<Gtk::PageSetup>& pageSetup) {
            if (pages) applySheet(pageSetup, pages->pageSize());
        });
    operation->signal_draw_page().connect([&](const Glib::RefPtr<Gtk::PrintContext>& context, int page) {
        // What no hold keeps (a later start handing over a file) may still close the map or read
        // another into it while GTK's loop runs: its topics are gone then.
        if (!pages || !pages->isCurrent()) {
            if (failure.empty()) failure = localized("print_map_gone_reason");
            operation->cancel();
            return;
        }
        cairo_t* cr = context->get_cairo_context()->cobj();
        CairoGraphicsContext graphics(cr, surfaceKindOf(cr));
        if (!pages->drawPage(graphics, page) && failure.empty())
            failure = graphics.failureReason().empty() ? "drawing failed" : graphics.failureReason();
    });

    Gtk::PrintOperationResult result;
    try {
        // The dialog's loop is GTK's own: autosave and delayed edits wait as for any dialog.
        std::shared_ptr<void> session = GtkModalRun::beginSession();
        result = job.parent ? operation->run(job.action, *job.parent) : operation->run(job.action);
    } catch (const Glib::Error& e) {
        return setError(error, printError(e.what()));
    }
    if (result == Gtk::PRINT_OPERATION_RESULT_APPLY && job.action == Gtk::PRINT_OPERATION_ACTION_PRINT_DIALOG)
        lastPrintSettings() = operation->get_print_settings();
    if (result == Gtk::PRINT_OPERATION_RESULT_ERROR) return setError(error, printError("the print job failed"));
    if (previewer) {
        return setError(error,
                        MakeAppError(0, localized("print_preview_failed"),
                                     previewer->empty() ? localized("print_preview_no_command")
                                                        : localizedFormat("print_preview_no_program", {*previewer})));
    }
    if (!failure.empty()) return setError(error, printError(failure));
    return result == Gtk::PRINT_OPERATION_RESULT_APPLY;
}

bool MindMapPrintOperation::printMindMap(MindMap& mindMap, bool selectionOnly, Gtk::Window* parent, Error* error)
{
    Job job;
    job.pages = [&]() -> std::unique_ptr<PrintablePages> {
        return std::make_unique<MindMapRenderingView>(mindMap, selectionOnly);
    };
    job.action = Gtk::PRINT_OPERATION_ACTION_PREVIEW;
    job.parent = parent;
    return run(job, error);
}

bool MindMapPrintOperation::printMindMapTiled(MindMap& mindMap, bool selectionOnly, uint32_t printMode,
                                              double tileScale, int64_t pageFormat, uint32_t options,
                                              Gtk::Window* parent, Error* error)
{
    Job job;
    job.pages = [&]() -> std::unique_ptr<PrintablePages> {
        return std::make_unique<TiledMindMapRenderingView>(mindMap, selectionOnly, printMode, tileScale,
                                                           PaperSizeForFormat(pageFormat), options);
    };
    job.parent = parent;
    return run(job, error);
}

bool MindMapPrintOperation::printMindMapOutline(MindMap& mindMap, bool selectionOnly, uint64_t options,
                                                int64_t pageFormat, Gtk::Window* parent, Error* error)
{
    Job job;
    job.pages = [&]() -> std::unique_ptr<PrintablePages> {
        return std::make_unique<OutlineRenderingView>(mindMap, selectionOnly, options, PaperSizeForFormat(pageFormat));
    };
    job.parent = parent;
    return run(job, error);
}
