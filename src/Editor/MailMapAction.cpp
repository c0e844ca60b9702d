#include "Editor/MailMapAction.h"

#include "Editor/EditorDocument.h"
#include "MindMaps/MindMap.h"
#include "Utils/FeedbackSink.h"
#include "platform/AlertPanel.h"
#include "platform/FileUtils.h"
#include "platform/Localizer.h"
#include "platform/UriLauncher.h"
#include "render/MindMapPaintSelection.h"
#include "store/MindMapStorage.h"
#include "store/MindMapStore.h"

#include <filesystem>
#include <memory>
#include <system_error>

namespace {

class CancellingMailOptionsPrompt : public MailOptionsPrompt {
public:
    bool runMailOptions(MailOptionsViewController&) override { return false; }
};

MailOptionsPrompt* installedPrompt = nullptr;

constexpr const char* ExportFailedKey = "export_failed_error";

void reportExportFailure()
{
    feedbackSinkInstance().showEditorNotification(localized(ExportFailedKey), {}, FeedbackStateError);
}

} // namespace

void MailOptionsPrompt::setShared(MailOptionsPrompt* prompt)
{
    installedPrompt = prompt;
}

MailOptionsPrompt& MailOptionsPrompt::shared()
{
    static CancellingMailOptionsPrompt cancelling;
    return installedPrompt ? *installedPrompt : cancelling;
}

MailMapAction MailMapAction::forDocument(EditorDocument& document)
{
    Window window;
    window.currentStorage = [&document] { return document.storage(); };
    window.mindMap = [&document] { return document.mindMap(); };
    window.commitEditor = [&document] { return document.commitEditor(); };
    window.store = MindMapStore::existingInstance();
    return MailMapAction(std::move(window));
}

Size MailMapAction::selectionExportSize(MindMap& mindMap)
{
    std::unique_ptr<MindMapPaintSelection> selection = MindMapPaintSelection::mindMapPaintSelection(mindMap, true);
    if (!selection || selection->roots().empty()) return Size{0, 0};
    const Rect& area = selection->visualArea();
    return Size{area.size.width + 2 * ExportMargin, area.size.height + 2 * ExportMargin};
}

std::string MailMapAction::attachmentName(const std::string& exportName, const std::string& extension)
{
    std::string name;
    for (char c : exportName) name += (c == '/' || c == '\\' || c == '\0' || c == '\n' || c == '\r') ? '_' : c;
    // A leading "-" would read as an option to a mail program, a leading "." hides the file.
    const size_t start = name.find_first_not_of("-. \t");
    name = start == std::string::npos ? std::string() : name.substr(start);
    if (name.empty()) name = localized("mindmap_mindmap");
    if (name.empty()) name = "Mind Map";
    return name + "." + extension;
}

void MailMapAction::sendEmailMessage()
{
    MindMapStorage* storage = _window.currentStorage ? _window.currentStorage() : nullptr;
    MindMap* map = _window.mindMap ? _window.mindMap() : nullptr;
    if (!storage || !map) return;

    MailOptionsViewController options(map->imageExportSize(), selectionExportSize(*map));
    options.restoreState();
    if (!MailOptionsPrompt::shared().runMailOptions(options)) return;
    options.commitState();
    const uint32_t formats = options.exportFormats();
    const double scale = options.imageScaleFactor();
    const bool selectionOnly = options.selectionOnly();

    // The dialog ran modally: the user may have switched maps meanwhile.
    if (_window.currentStorage() != storage) return;
    map = _window.mindMap();
    if (!map) return;
    if (_window.commitEditor) _window.commitEditor();

    MailComposer::Message message;
    message.subject = formatText(SubjectFormat, {map->singleLineTitle()});
    const std::string scratch = _window.store ? _window.store->scratchDirectory() : std::string();
    bool failed = false;
    for (int32_t format = 0; format < static_cast<int32_t>(Extensions.size()); ++format) {
        if (!(formats & (1u << format))) continue;
        std::optional<std::vector<uint8_t>> data;
        if (format == 0) {
            data = storage->getMindMapExportData();
        } else {
            MindMapData exported = map->exportDataOfFormat(format, scale, selectionOnly);
            if (!exported.empty()) data = std::move(exported);
        }
        if (!data || data->empty() || !_window.store) {
            failed = true;
            continue;
        }
        std::error_code ignored;
        std::filesystem::create_directories(scratch, ignored);
        const std::string path =
            _window.store->uniqueFileInScratchDirectory(attachmentName(map->exportFileName(), Extensions[format]));
        if (path.empty() || !writeFileAtomically(path, *data)) {
            failed = true;
            continue;
        }
        message.attachments.push_back(path);
    }
    std::vector<std::string> attachments = message.attachments;
    MailComposer::shared().compose(
        message, [scratch, attachments](MailComposer::Result result) { reportResult(result, scratch, attachments); });
    if (failed) reportExportFailure();
}

void MailMapAction::reportResult(MailComposer::Result result, const std::string& scratchDirectory,
                                 const std::vector<std::string>& attachments)
{
    if (result == MailComposer::Result::Composed) return;
    if (result != MailComposer::Result::NoMailProgram) {
        feedbackSinkInstance().showEditorNotification(localized("mail_start_failed_error"), {}, FeedbackStateError);
        return;
    }
    AlertPanel::Request request;
    request.style = AlertPanel::Style::Warning;
    request.messageText = localized("mail_no_mail_program_title");
    request.informativeText = localizedFormat("mail_no_mail_program_message", {scratchDirectory});
    if (attachments.empty()) {
        request.buttons = {{localized("ok_button_title"), "\r"}};
        AlertPanel::shared().runModal(request);
        return;
    }
    request.buttons = {{localized("mail_show_files_button"), "\r"}, {localized("ok_button_title"), "\033"}};
    if (AlertPanel::shared().runModal(request).button != AlertPanel::FirstButtonReturn) return;
    Error error;
    if (!UriLauncher::shared().showInFileManager(attachments.front(), &error)) UriLauncher::reportFailure(error);
}
