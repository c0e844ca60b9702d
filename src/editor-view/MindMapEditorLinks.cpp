// Following a topic's link, contact and voice memo, and the full-size view of an image element.
#include "MindMaps/DiagramLink.h"
#include "MindMaps/MindMap.h"
#include "MindMaps/MindMapImage.h"
#include "MindMaps/MindMapNode.h"
#include "Utils/FeedbackSink.h"
#include "Utils/ProtocolUtils.h"
#include "Utils/StringUtils.h"
#include "Utils/URLUtils.h"
#include "editor-view/AudioManager.h"
#include "editor-view/ImagePreviewWindowController.h"
#include "editor-view/MindMapEditor.h"
#include "editor-view/PdfPreviewManager.h"
#include "platform/Localizer.h"
#include "platform/UriLauncher.h"
#include "store/CustomImageStore.h"
#include "store/EditorInterface.h"
#include "store/MindMapProvider.h"
#include "store/MindMapProviders.h"
#include "store/MindMapStorage.h"

#include <filesystem>

namespace {

std::string localProviderId()
{
    MindMapProvider* local = MindMapProviders::localProvider();
    return local ? local->id() : MindMapProvider(MindMapProviderLocal).id();
}

// Opens link text the way document links are opened. A program is shown in the file manager
// instead of run; the user hears one thing once the file manager has answered: that the file is
// shown there, or why it is not.
bool openDocumentLink(const std::string& link, Error* error)
{
    const std::string path = pathWithFileURL(DiagramLink::resolveURLString(link));
    return DiagramLink::openURLLink(link, error, [path](const Error* failure) {
        if (!failure) {
            feedbackSinkInstance().showEditorNotification(localized("editor_linked_program_shown_title"),
                                                          localizedFormat("editor_linked_program_shown", {path}),
                                                          FeedbackStateInformation);
            return;
        }
        feedbackSinkInstance().showEditorNotification(
            localized("editor_link_error_dialog_title"),
            localizedFormat("editor_linked_program_not_shown", {path, UriLauncher::failureText(*failure)}),
            FeedbackStateError);
    });
}

} // namespace

void MindMapEditor::handleLinkNavigationError(const std::string& message)
{
    feedbackSinkInstance().showEditorNotification(localized("editor_link_error_dialog_title"), localized(message),
                                                  FeedbackStateError);
}

bool MindMapEditor::handleLinkClick(MindMapNode* topic)
{
    if (!topic || !_mindMap) return false;
    DiagramLink* link = topic->diagramLink();
    if (!link) return false;
    _mindMap->setSelectedElement(topic);
    // Following the link may switch maps, which lets the topic go: only copies are used below.
    const bool valid = link->isValid();
    const int32_t type = link->linkType();
    const std::string linkId = link->linkID();
    const std::string element = link->element();
    const std::string nativeLink = link->nativeLink();
    EditorInterface* editorInterface = EditorInterfaceInstance();
    MindMapStorage* storage = editorInterface->currentStorage();

    switch (type) {
    case DiagramLink::LinkTypeLocalMap:
        if (!valid) {
            handleLinkNavigationError("editor_linked_map_not_found");
        } else if (storage && storage->isLocalMindMap() && caseInsensitiveEqual(storage->id(), linkId) &&
                   element.empty()) {
            handleLinkNavigationError("editor_linked_map_is_active_map");
        } else {
            editorInterface->asyncOpenMindMap(localProviderId(), linkId, std::any(element));
        }
        break;
    case DiagramLink::LinkTypeURL: {
        if (!valid) {
            handleLinkNavigationError("editor_linked_invalid_doc_link");
            break;
        }
        Error error;
        if (!PdfPreviewManager::openPdfLink(linkId) && !openDocumentLink(linkId, &error))
            feedbackSinkInstance().showEditorNotification(localized("editor_link_error_dialog_title"),
                                                          UriLauncher::failureMessage(error), FeedbackStateError);
        break;
    }
    case DiagramLink::LinkTypeCloudMap:
    case DiagramLink::LinkTypeCloudDocument: {
        if (!valid) {
            handleLinkNavigationError("editor_linked_invalid_doc_link");
            break;
        }
        if (!storage || storage->isLocalMindMap()) {
            handleLinkNavigationError("editor_linked_document_in_cloud");
            break;
        }
        const std::string target = nativeLink.empty() ? linkId : nativeLink;
        if (type == DiagramLink::LinkTypeCloudMap) {
            if (storage->isEqual(storage->provider(), target) && element.empty())
                handleLinkNavigationError("editor_linked_map_is_active_map");
            else editorInterface->asyncOpenMindMap(storage->providerId(), target, std::any(element));
        } else if (!target.empty() && storage->provider()) {
            storage->provider()->openCloudLink(target);
        }
        break;
    }
    case DiagramLink::LinkTypePhoneContact:
        _contactHandler->showPhoneContact(linkId);
        break;
    case DiagramLink::LinkTypeEmailContact:
        _contactHandler->showEmailContact(linkId);
        break;
    default:
        break;
    }
    return true;
}

bool MindMapEditor::handleVoiceMemoClick(MindMapNode* topic)
{
    if (!topic || !_mindMap) return false;
    MindMapStorage* storage = EditorInterfaceInstance()->currentStorage();
    if (!storage || !topic->hasVoiceMemo()) return false;
    _mindMap->setSelectedElement(topic);
    const std::string memo = topic->voiceMemo();
    AudioManager::instance().playbackVoiceMemoLink(memo, storage->provider());
    return true;
}

void MindMapEditor::addContacLink()
{
    cancelEditorModes(true);
    _contactHandler->addContactLink();
}

void MindMapEditor::openFullSizeImage()
{
    if (!_mindMap) return;
    MindMapImage* image = _mindMap->selectedImage();
    if (!image) return;
    const auto notify = [](const std::string& title, const std::string& message) {
        feedbackSinkInstance().showEditorNotification(localized(title), message, FeedbackStateError);
    };
    const std::string imageLink = image->imageLink();
    if (!imageLink.empty()) {
        MindMapStorage* storage = EditorInterfaceInstance()->currentStorage();
        if (!storage) return;
        std::string protocol;
        std::string document;
        ProtocolUtils::convertLink(imageLink, &protocol, &document);
        if (caseInsensitiveEqual(protocol, ProtocolUtils::CloudProtocol)) {
            if (!storage->isLocalMindMap() && storage->provider()) storage->provider()->openCloudLink("/" + document);
            else notify("cannot_open_linked_document", localized("editor_linked_document_in_cloud"));
        } else if (caseInsensitiveEqual(protocol, "assets-library")) {
            notify("cannot_open_linked_document", "Cannot open iOS device specific link");
        } else {
            Error error;
            if (!openDocumentLink(imageLink, &error))
                notify("cannot_open_linked_document", UriLauncher::failureMessage(error));
        }
        return;
    }
    auto* store = dynamic_cast<CustomImageStore*>(_mindMap->imageStore());
    const std::string path = store ? store->customImageFilePath(image->imageHash()) : std::string();
    std::error_code ec;
    if (path.empty() || !std::filesystem::exists(path, ec)) {
        notify("file_not_found", path.empty() ? image->imageHash() : path);
        return;
    }
    if (!ImagePreviewWindowController::showImageFromUrl(fileURLWithPath(path)))
        notify("cannot_open_linked_document", path);
}
