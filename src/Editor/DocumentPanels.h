#pragma once

#include "platform/Error.h"
#include "platform/Geometry.h"

#include <optional>
#include <string>

class ExportFormatChoice;
class MindMap;
class OutlineOptionsChoice;

// The dialogs of the document's print and export commands: the export save panel with its type
// and range switch, the outline's save panel, and the print dialogs with their options. The
// shell installs the desktop's; without them (tests, a process without a display) every panel is
// cancelled. Main thread only; each waits until the user closes it.
class DocumentPanels {
public:
    struct SavePanel {
        std::string title;
        std::string proposedName; // without extension; the panel adds the chosen type's
        std::string directory;    // empty for the desktop's choice
    };

    virtual ~DocumentPanels() = default;

    // The chosen path, as typed (the host reads the format from its extension); the choice holds
    // what the user switched to. Nothing when cancelled.
    virtual std::optional<std::string> runExportPanel(const SavePanel& panel, ExportFormatChoice& choice) = 0;
    // A save panel for PDF with the outline's range and paper.
    virtual std::optional<std::string> runOutlineExportPanel(const SavePanel& panel, OutlineOptionsChoice& choice) = 0;

    // The print dialog with the print options (map size and selection size for its figures); the
    // options are committed and the map printed tiled as they say when the user confirms. True
    // when it was printed; false when cancelled or failed, with the cause of a failure.
    virtual bool runPrintPanel(MindMap& mindMap, Size mapSize, Size selectionSize, Error* error) = 0;
    // The print dialog with the outline's range and paper; the outline is printed as the choice
    // says when the user confirms, and the choice is left for the host to commit.
    virtual bool runOutlinePrintPanel(MindMap& mindMap, OutlineOptionsChoice& choice, Error* error) = 0;

    // Installs the panels (not owned); nullptr brings back the ones that cancel.
    static void setShared(DocumentPanels* panels);
    static DocumentPanels& shared();
};
