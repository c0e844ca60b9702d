#pragma once

#include "platform/Error.h"

#include <gtkmm.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

class MindMap;
class PrintablePages;

// Runs print jobs of page documents (the map tiled over sheets, the outline) through GTK's print
// operation: every page on the document's own paper size in points, without margins, drawn from
// the paper's corner. The print dialog may carry an accessory tab whose choices make the pages.
class MindMapPrintOperation {
public:
    // Makes the pages once the dialog is closed, from what its accessory holds then.
    using PagesFactory = std::function<std::unique_ptr<PrintablePages>()>;

    struct AccessoryTab {
        std::string label;
        // Makes the tab's widget, managed: the dialog owns it and destroys it with itself.
        std::function<Gtk::Widget*()> create;
        // Called with that widget when the user confirms, before the pages are made again.
        std::function<void(Gtk::Widget&)> apply;
    };

    struct Job {
        PagesFactory pages;
        // PRINT_DIALOG asks the user; EXPORT writes exportFilename (PDF) without asking.
        Gtk::PrintOperationAction action = Gtk::PRINT_OPERATION_ACTION_PRINT_DIALOG;
        std::string exportFilename;
        Gtk::Window* parent = nullptr;
        const AccessoryTab* accessory = nullptr;
    };

    // True when the job was printed or exported; false when it was cancelled or failed, with the
    // cause of a failure in the error.
    static bool run(const Job& job, Error* error = nullptr);

    // Held by every job from before its dialog to its last page: GTK's loop runs all that time,
    // and the pages paint the map's topics, so the application holds back what would take the
    // map away (a close, a key or click that switches or edits it) until the job is over.
    using RunHold = std::function<std::shared_ptr<void>()>;
    static void setRunHold(RunHold hold);

    // The printer and its settings the dialog starts with: those of the last job printed in this
    // run, or none for GTK's own choice.
    static Glib::RefPtr<Gtk::PrintSettings> printSettings();
    static void setPrintSettings(const Glib::RefPtr<Gtk::PrintSettings>& settings);

    // The map on one page of its own size, as a print preview.
    static bool printMindMap(MindMap& mindMap, bool selectionOnly, Gtk::Window* parent = nullptr,
                             Error* error = nullptr);
    // The map in a print mode on a paper format (index), as the print options chose.
    static bool printMindMapTiled(MindMap& mindMap, bool selectionOnly, uint32_t printMode, double tileScale,
                                  int64_t pageFormat, uint32_t options, Gtk::Window* parent = nullptr,
                                  Error* error = nullptr);
    // The outline with its option bits on a paper format (index).
    static bool printMindMapOutline(MindMap& mindMap, bool selectionOnly, uint64_t options, int64_t pageFormat,
                                    Gtk::Window* parent = nullptr, Error* error = nullptr);
};
