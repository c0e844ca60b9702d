// The editor document's dialogs: print, export, the outline's print and export, the map's file
// information and revert. The decisions live here; the dialogs themselves come through the
// DocumentPanels and CommandPrompts ports.

#include "Editor/DocumentPanels.h"
#include "Editor/EditorDocument.h"
#include "Editor/ExportFormatChoice.h"
#include "Editor/OutlineOptionsChoice.h"
#include "MindMaps/CommandPrompts.h"
#include "MindMaps/MindMap.h"
#include "Utils/ModalAlert.h"
#include "Utils/StandardButtons.h"
#include "Utils/URLUtils.h"
#include "formats/ExportFormats.h"
#include "platform/DateFormatter.h"
#include "platform/FileUtils.h"
#include "platform/Localizer.h"
#include "platform/TextExcerpt.h"
#include "render/MindMapPaintSelection.h"
#include "render/OutlineRenderingView.h"
#include "store/MindMapProvider.h"
#include "store/MindMapStorage.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <chrono>
#include <filesystem>

namespace {

constexpr const char* ExportFailedKey = "export_failed_error";
constexpr const char* UnsupportedFormatKey = "share_handler_unsupported_format_error";
constexpr const char* UnspecifiedErrorKey = "db_unspecified_error";
constexpr const char* NothingSelectedKey = "export_nothing_selected_error";

Error exportError(int64_t code, const char* reasonKey)
{
    return MakeAppError(code, localized(ExportFailedKey), localized(reasonKey));
}

// The area of the selected subtrees; nothing when no subtree is selected.
std::optional<Rect> selectionArea(MindMap& mindMap)
{
    std::unique_ptr<MindMapPaintSelection> selection = MindMapPaintSelection::mindMapPaintSelection(mindMap, true);
    if (!selection || selection->roots().empty()) return std::nullopt;
    return selection->visualArea();
}

// A line of its own for each: a name or a folder of the user's is shown as a row shows it.
std::string infoLine(const char* labelKey, const std::string& value)
{
    return localized(labelKey) + ": " + TextExcerpt::excerpt(value, TextExcerpt::Name);
}

DateFormatter::Date dateOf(const statx_timestamp& time)
{
    return DateFormatter::Date(std::chrono::duration_cast<DateFormatter::Date::duration>(
        std::chrono::seconds(time.tv_sec) + std::chrono::nanoseconds(time.tv_nsec)));
}

// The folder of the last export of this run: the save panels start there, as the desktop's own
// panels did where the map's exports were first written.
std::string& lastExportFolder()
{
    static std::string folder;
    return folder;
}

std::string exportPanelFolder()
{
    std::error_code ec;
    const std::string& folder = lastExportFolder();
    return !folder.empty() && std::filesystem::is_directory(folder, ec) ? folder : std::string();
}

void rememberExportFolder(const std::string& path)
{
    lastExportFolder() = std::filesystem::path(path).parent_path().string();
}

bool writeExport(const std::string& path, const std::vector<uint8_t>& data, Error* error)
{
    Error writeError;
    if (writeFileAtomically(path, data, &writeError)) return true;
    if (writeError.isEmpty()) writeError = exportError(1, UnspecifiedErrorKey);
    return setError(error, writeError);
}

} // namespace

void EditorDocument::registerPanelActions()
{
    addAction("printDocument:", [this](const ActionSender*) { printDocument(); });
    addAction("printOutline:", [this](const ActionSender*) { printOutline(); });
    addAction("exportDocument:", [this](const ActionSender*) { exportDocument(); });
    addAction("exportOutline:", [this](const ActionSender*) { exportOutline(); });
    addAction("showMindMapInfo:", [this](const ActionSender*) { showMindMapInfo(); });
    addAction("revertDocumentToSaved:", [this](const ActionSender*) { revertDocumentToSaved(); });
}

Size EditorDocument::printMapSize() const
{
    std::unique_ptr<MindMapPaintSelection> whole = MindMapPaintSelection::mindMapPaintSelection(*_mindMap, false);
    return whole ? whole->visualArea().size : Size{};
}

Size EditorDocument::printSelectionSize() const
{
    std::optional<Rect> area = selectionArea(*_mindMap);
    return area ? area->size : Size{};
}

Size EditorDocument::exportSelectionSize() const
{
    std::optional<Rect> area = selectionArea(*_mindMap);
    return area ? ExportImageMarginRect(*area).size : Size{};
}

bool EditorDocument::exportToFile(const std::string& path, double imageScaleFactor, bool selectionOnly, Error* error)
{
    std::string extension = std::filesystem::path(path).extension().string();
    if (!extension.empty()) extension.erase(0, 1);
    std::optional<int32_t> format = ExportFormatFromExtension(extension);
    if (!format) return setError(error, exportError(3, UnsupportedFormatKey));
    commitEditor();
    MindMapData data;
    if (*format == 0) {
        if (std::optional<std::vector<uint8_t>> exported = _storage ? _storage->getMindMapExportData() : std::nullopt)
            data = std::move(*exported);
    } else {
        // Without a selection a selection-only export would be an empty picture, or the whole map
        // under a name that says otherwise.
        if (selectionOnly && ExportFormatSupportsSelection(*format) && !selectionArea(*_mindMap))
            return setError(error, exportError(2, NothingSelectedKey));
        const MindMapWriter* writer = MindMapFormats::writer(*format);
        Error writerError;
        if (writer) data = (*writer)(*_mindMap, MindMapExportOptions{imageScaleFactor, selectionOnly}, &writerError);
        // A picture too large to make says so rather than that its format is unknown.
        if (data.empty() && !writerError.isEmpty())
            return setError(error, MakeAppError(2, localized(ExportFailedKey), writerError.failureReason));
    }
    if (data.empty()) return setError(error, exportError(2, UnsupportedFormatKey));
    return writeExport(path, data, error);
}

void EditorDocument::exportDocument()
{
    if (!_window || !_storage) return;
    saveDocument();
    ExportFormatChoice choice(_mindMap->imageExportSize(), exportSelectionSize());
    DocumentPanels::SavePanel panel;
    panel.title = localized("map_list_export_store_condensed");
    panel.proposedName = _mindMap->exportFileName();
    panel.directory = exportPanelFolder();
    std::optional<std::string> path = DocumentPanels::shared().runExportPanel(panel, choice);
    if (!path) return;
    rememberExportFolder(*path);
    std::string extension = std::filesystem::path(*path).extension().string();
    if (!extension.empty()) extension.erase(0, 1);
    if (ExportFormatFromExtension(extension)) choice.commitSelectedExportFormat(extension);
    Error error;
    if (!exportToFile(*path, choice.imageScaleFactor(), choice.selectionOnly(), &error))
        _mindMap->presentErrorAlt(error);
}

void EditorDocument::exportOutline()
{
    if (!_window || !_storage) return;
    saveDocument();
    OutlineOptionsChoice choice(_mindMap->selectedNode() != nullptr);
    DocumentPanels::SavePanel panel;
    panel.title = localized("action_export_outline");
    panel.proposedName = _mindMap->exportFileName();
    panel.directory = exportPanelFolder();
    std::optional<std::string> path = DocumentPanels::shared().runOutlineExportPanel(panel, choice);
    if (!path) return;
    rememberExportFolder(*path);
    choice.commitSettings();
    Error error;
    std::vector<uint8_t> data = OutlineRenderingView::pdfDataWithMindMap(
        *_mindMap, choice.selectionOnly(), choice.outlineOptions(), choice.pageFormat(), &error);
    // A file that was not written is reported: the user would otherwise look for it in vain.
    if (data.empty()) {
        if (error.isEmpty()) error = exportError(2, UnspecifiedErrorKey);
        _mindMap->presentErrorAlt(error);
        return;
    }
    if (!writeExport(*path, data, &error)) _mindMap->presentErrorAlt(error);
}

void EditorDocument::printDocument()
{
    if (!_storage) return;
    Error error;
    if (!DocumentPanels::shared().runPrintPanel(*_mindMap, printMapSize(), printSelectionSize(), &error) &&
        !error.isEmpty())
        presentError(error);
}

void EditorDocument::printOutline()
{
    if (!_storage) return;
    OutlineOptionsChoice choice(!_mindMap->getSelectedRootNodes().empty());
    Error error;
    if (!DocumentPanels::shared().runOutlinePrintPanel(*_mindMap, choice, &error)) {
        if (!error.isEmpty()) presentError(error);
        return;
    }
    choice.commitSettings();
    commitEditor();
}

void EditorDocument::showMindMapInfo()
{
    if (!_storage) return;
    MindMapProvider* provider = _storage->provider();
    const std::string path = provider ? pathWithFileURL(provider->getSourceFileURL(_storage->id())) : std::string();
    if (path.empty()) return;
    const std::filesystem::path file(path);
    std::vector<std::string> lines = {
        infoLine("mindmap_mindmap", file.filename().string()),
        infoLine("mindmap_folder", file.parent_path().string()),
        infoLine("mindmap_cloud_storage", provider->title()),
    };
    // No creation date: a map keeps none, and every save writes its file anew, so the file's own
    // birth is the time of the last save.
    struct statx attributes = {};
    if (statx(AT_FDCWD, path.c_str(), 0, STATX_MTIME, &attributes) == 0 && (attributes.stx_mask & STATX_MTIME))
        lines.push_back(
            infoLine("date_modified", DateFormatter::shared().mediumDateShortTimeString(dateOf(attributes.stx_mtime))));
    ModalAlert alert;
    alert.setAlertStyle(AlertStyle::Informational);
    alert.setMessageText(TextExcerpt::excerpt(_storage->title(), TextExcerpt::Quote));
    std::string text;
    for (const std::string& line : lines) text += (text.empty() ? "" : "\n") + line;
    alert.setInformativeText(text);
    addOKButton(alert);
    commandPromptsInstance().runAlert(alert);
}

void EditorDocument::revertDocumentToSaved()
{
    if (!_storage || !isDocumentEdited()) return;
    ModalAlert alert;
    alert.setAlertStyle(AlertStyle::Warning);
    alert.setMessageText(localized("action_revert_to_saved_document"));
    alert.setInformativeText(localized("revert_to_saved_document_message"));
    addOKAndCancelButtons(alert);
    if (commandPromptsInstance().runAlert(alert) != ModalAlert::AlertFirstButtonReturn) return;
    // In-place editing ends first: its editor holds a topic the reload replaces.
    commitModelessEditors();
    _storage->reopen();
    Error error;
    if (!loadDocumentFromStorage(&error)) {
        if (!error.isEmpty()) presentError(error);
        return;
    }
    // The store named the map after the edits as they were made; the map is as saved again, and
    // so is its name in the store and on the window.
    centralThemeChanged();
}
