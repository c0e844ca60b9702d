#include "Editor/TwkDocumentController.h"

#include "Editor/ErrorAlert.h"
#include "Editor/HistoryMenu.h"
#include "MindMaps/MarkdownSpanParser.h"
#include "MindMaps/MindMap.h"
#include "MindMaps/MindMapNodeEditor.h"
#include "MindMaps/StyleManager.h"
#include "Utils/AppErrors.h"
#include "Utils/FeedbackSink.h"
#include "Utils/StringUtils.h"
#include "Utils/URLUtils.h"
#include "formats/SelectionParcel.h"
#include "platform/FileChooser.h"
#include "platform/FileUtils.h"
#include "platform/Localizer.h"
#include "platform/NotificationCenter.h"
#include "platform/UserDefaults.h"
#include "store/CleanupLocalImagesProcess.h"
#include "store/MindMapImporter.h"
#include "store/MindMapInfoItem.h"
#include "store/MindMapProvider.h"
#include "store/MindMapProviders.h"
#include "store/MindMapStorage.h"
#include "store/MindMapStore.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <utility>

namespace fs = std::filesystem;

namespace {

// The path with every link and "." or ".." resolved; empty when it does not exist. Paths are
// compared in this form and exactly: two spellings of one folder are the same folder, and two
// names that differ only in case are two files.
std::string resolvedPath(const std::string& path)
{
    char resolved[PATH_MAX];
    if (!realpath(path.c_str(), resolved)) return {};
    return resolved;
}

bool isInStoreDocumentsFolder(const std::string& path)
{
    MindMapStore* store = MindMapStore::mindMapStoreInstance();
    if (!store || store->documentsDirectory().empty()) return false;
    std::string folder = resolvedPath(fs::path(path).parent_path().string());
    return !folder.empty() && folder == resolvedPath(store->documentsDirectory());
}

void showMapNotFound()
{
    feedbackSinkInstance().showEditorNotification({}, localized(TwkDocumentController::MapNotFoundKey), 1);
}

AlertPanel::Request commitQuestion(const Error& cause, const std::string& mapTitle, const char* consequenceKey,
                                   const char* goOnKey)
{
    AlertPanel::Request request;
    request.style = AlertPanel::Style::Critical;
    request.messageText =
        ErrorAlert::commitFailure(cause, ErrorAlert::Kept::EditsStayOpen, mapTitle).localizedDescription;
    request.informativeText = ErrorAlert::plainCause(cause, localized(ErrorAlert::CommitErrorKey));
    if (!request.informativeText.empty()) request.informativeText += "\n\n";
    request.informativeText += localized(consequenceKey);
    // Escape and closing the alert keep the map: losing the changes takes a deliberate click.
    request.buttons = {{localized(TwkDocumentController::QuitCommitTryAgainKey), "\r"},
                       {localized("cancel_button_title"), "\033"},
                       {localized(goOnKey), ""}};
    return request;
}

} // namespace

TwkDocumentController::TwkDocumentController(DocumentScheduler& scheduler, DocumentControllerHost& host,
                                             ApplicationTerminationServices& services)
    : _scheduler(scheduler),
      _host(host),
      _services(services),
      _cleanupProcessFactory([] { return std::make_unique<CleanupLocalImagesProcess>(); })
{
    MarkdownSpanParser::initMarkdownSupport();
    registerActions();
}

void TwkDocumentController::registerActions()
{
    addAction("newDocument:", [this](const ActionSender*) { newDocument(); });
    addAction("duplicateDocument:", [this](const ActionSender*) { duplicateDocument(); });
    addAction("importDocument:", [this](const ActionSender*) { importDocument(); });
    addAction("importPdf:", [this](const ActionSender*) { importPdf(); });
    addAction("closeDocument:", [this](const ActionSender*) { closeDocument(); });
    addAction("navigateBackward:", [this](const ActionSender*) { navigateBackward(); });
    // A history menu item carries the place it stands for.
    addAction(HistoryMenu::ItemAction, [this](const ActionSender* sender) {
        const std::any value = sender ? sender->representedValue() : std::any();
        const HistoryPoint* point = std::any_cast<HistoryPoint>(&value);
        if (!point) return;
        std::any info;
        if (point->selectionParcel()) info = *point->selectionParcel();
        asyncOpenMindMap(point->provider(), point->mindMap(), info);
    });
}

ItemValidation TwkDocumentController::validateUserInterfaceItem(const ValidatedUserInterfaceItem& item)
{
    // Once quitting has begun nothing may start another switch or write to the store.
    if (_terminated || isQuitting()) return ItemValidation::enabledIf(false);
    const std::string action = item.action();
    if (action == "closeDocument:" || action == "duplicateDocument:")
        return ItemValidation::enabledIf(currentStorage() != nullptr);
    if (action == "newDocument:" || action == "importDocument:" || action == "importPdf:")
        return ItemValidation::enabledIf(_singletonDocument && MindMapStore::mindMapStoreInstance());
    if (action == "navigateBackward:") return ItemValidation::enabledIf(canNavigateBackward());
    if (action == HistoryMenu::ItemAction) {
        const std::any value = item.representedValue();
        return ItemValidation::enabledIf(std::any_cast<HistoryPoint>(&value) != nullptr);
    }
    return ItemValidation::enabledIf(false);
}

TwkDocumentController::~TwkDocumentController()
{
    _scheduler.cancel(_adsCheck);
    _scheduler.cancel(_reopenWait);
    _scheduler.cancel(_unreadableFilesReport);
    if (_terminationProcesses)
        for (auto& process : *_terminationProcesses) process->setDelegate(nullptr);
    if (EditorInterfaceInstance() == this) SetEditorInterfaceInstance(nullptr);
}

EditorDocument* TwkDocumentController::makeSingletonDocument()
{
    if (!_singletonDocument) {
        _singletonDocument = std::make_unique<EditorDocument>(_scheduler);
        _history.loadNavigationHistory();
        reportUnreadableFiles();
    }
    return _singletonDocument.get();
}

void TwkDocumentController::reportUnreadableFiles()
{
    std::optional<Error> settingsError;
    if (std::optional<UserDefaults::UnreadableFile> file = UserDefaults::standard().takeUnreadableFile()) {
        const std::string reason = file->movedTo.empty() ? localizedFormat(SettingsNotMovedKey, {file->path})
                                                         : localizedFormat(SettingsMovedAsideKey, {file->movedTo});
        settingsError = MakeAppError(0, localized(SettingsUnreadableKey), reason);
    }
    // Said once the window is there: every setting back at its default, or every map out of its
    // folder, is otherwise a mystery. The store is made by then.
    _scheduler.cancel(_unreadableFilesReport);
    _unreadableFilesReport = _scheduler.schedule(0, false, [this, settingsError] {
        _unreadableFilesReport = 0;
        if (settingsError) presentError(*settingsError);
        MindMapStore* store = MindMapStore::existingInstance();
        std::optional<MindMapStore::UnreadableFolderIndex> index =
            store ? store->takeUnreadableFolderIndex() : std::nullopt;
        if (!index) return;
        std::string reason = index->movedTo.empty() ? localizedFormat(FolderIndexNotMovedKey, {index->path})
                                                    : localizedFormat(FolderIndexMovedAsideKey, {index->movedTo});
        if (!index->detail.empty()) reason += "\n\n" + localizedFormat(ErrorAlert::DetailKey, {index->detail});
        presentError(MakeAppError(0, localized(index->partlyRead ? FolderIndexPartlyReadKey : FolderIndexUnreadableKey),
                                  reason));
    });
}

MindMapStorage* TwkDocumentController::currentStorage()
{
    return _singletonDocument ? _singletonDocument->storage() : nullptr;
}

MindMapProvider* TwkDocumentController::currentProvider()
{
    MindMapStorage* storage = currentStorage();
    return storage ? storage->provider() : nullptr;
}

void TwkDocumentController::openStorage(MindMapProvider* provider, const std::string& storageId, const std::any& info)
{
    if (!_singletonDocument) return;
    if (!currentStorage() && (!provider || storageId.empty())) return;
    ++_storageSwitches;

    // The id may belong to the storage that the switch disposes of.
    const std::string id = storageId;
    std::any selection = info;
    bool goingBack = false;
    if (const HistoryStackParcel* back = std::any_cast<HistoryStackParcel>(&info)) {
        goingBack = true;
        selection = back->parcel();
    }

    // Another map takes the place of one whose edit cannot be saved only when the user says so; a
    // place taken off the backward stack for it goes back there. Letting go of the map without
    // another (its file is about to be deleted) asks nothing.
    const bool replacing = provider && !(currentStorage() && currentStorage()->isEqual(provider, id));
    if (replacing && !commitEditorBeforeLeaving()) {
        if (goingBack) {
            HistoryPoint point(provider->id(), id);
            point.setSelectionParcel(std::any_cast<HistoryStackParcel>(info).parcel());
            _backwardStack.push(std::move(point));
        }
        return;
    }
    // The question ran its own loop: the map may have gone meanwhile.
    MindMapStorage* current = currentStorage();
    MindMap* mindMap = _singletonDocument->mindMap();
    Error attachError;
    std::string attachedTitle;
    bool attachFailed = false;
    if (current && current->isEqual(provider, id)) {
        const std::string* guid = std::any_cast<std::string>(&selection);
        if (guid && !guid->empty() && !caseInsensitiveEqual(*guid, mindMap->selectedElementGuid()))
            if (std::optional<HistoryPoint> point = captureCurrentState()) _backwardStack.push(std::move(*point));
    } else {
        if (current) {
            commitModelessEditors();
            commitEditorLettingGo();
            std::optional<HistoryPoint> point = captureCurrentState();
            _singletonDocument->detachFromStorage();
            if (point) {
                if (!goingBack) _backwardStack.push(*point);
                _history.addPoint(std::move(*point));
            }
        } else {
            commitModelessEditors();
        }
        if (std::shared_ptr<MindMapStorage> storage = produceStorage(provider, id)) {
            _history.removeFromHistory(HistoryPoint(storage->providerId(), storage->id()));
            // The storage is gone once the attach failed: the failure names the map by the title
            // it is listed under now.
            attachedTitle = storage->title();
            attachFailed = !_singletonDocument->attachToStorage(storage, &attachError);
        }
        afterChangingMindMap();
        _scheduler.cancel(_adsCheck);
        _adsCheck = _scheduler.schedule(ScheduledAdsCheckDelay, false, [this] {
            _adsCheck = 0;
            _host.checkScheduledAds();
        });
        _host.updateWindows();
    }

    if (const std::string* guid = std::any_cast<std::string>(&selection)) {
        if (mindMap->selectElementWithGuid(*guid)) _host.scrollSelectedElementToCenter();
    } else if (const SelectionParcel* parcel = std::any_cast<SelectionParcel>(&selection)) {
        restoreSelectionState(*parcel);
    }
    // The map that was open has gone by now: a failure that went unsaid would leave the user
    // with an empty window and no reason.
    if (attachFailed) presentError(ErrorAlert::openFailure(attachError, attachedTitle));
}

void TwkDocumentController::asyncOpenMindMap(const std::string& providerId, const std::string& mindMapId,
                                             const std::any& info)
{
    if (providerId.empty() || mindMapId.empty()) return;
    MindMapProvider* provider = MindMapProviders::instance().getProviderById(providerId);
    if (!provider) return;
    if (provider->isAsynchrone()) {
        MindMapStorage* current = currentStorage();
        if (current && current->isEqual(provider, mindMapId)) {
            if (info.has_value()) openStorage(provider, mindMapId, info);
        } else {
            provider->asyncOpenStorage(mindMapId, info);
        }
        return;
    }
    if (!provider->isValidMapId(mindMapId)) {
        showMapNotFound();
        return;
    }
    openStorage(provider, mindMapId, info);
}

bool TwkDocumentController::isEditorModified()
{
    return _singletonDocument && _singletonDocument->isDocumentEdited();
}

void TwkDocumentController::commitModelessEditors()
{
    if (_terminated || !_singletonDocument) return;
    _singletonDocument->commitModelessEditors();
}

bool TwkDocumentController::commitEditor()
{
    if (_terminated) return true;
    if (!_singletonDocument) return false;
    Error error;
    bool committed = _singletonDocument->commitEditor(&error);
    // The user hears of it even when the storage gave no reason.
    if (!committed)
        presentError(ErrorAlert::commitFailure(error, ErrorAlert::Kept::EditsStayOpen, _singletonDocument->title()));
    return committed;
}

void TwkDocumentController::commitEditorLettingGo()
{
    if (_terminated || !_singletonDocument) return;
    Error error;
    if (!_singletonDocument->commitEditor(&error))
        presentError(
            ErrorAlert::commitFailure(error, ErrorAlert::Kept::LastSavedCopyOnly, _singletonDocument->title()));
}

bool TwkDocumentController::commitEditorBeforeLeaving()
{
    return commitEditorOrAsk(Leaving::Switch);
}

void TwkDocumentController::setCustomMindMapTitle(const std::string& title)
{
    if (_singletonDocument) _singletonDocument->mindMap()->setCustomTitle(title);
}

void TwkDocumentController::mindMapDeleted(MindMapProvider* provider, const std::string& mindMapId)
{
    if (!provider) return;
    HistoryPoint point(provider->id(), mindMapId);
    _history.removeFromHistory(point);
    _backwardStack.removeFromHistory(point);
}

void TwkDocumentController::mindMapRenamed(MindMapProvider* provider, const std::string& oldId,
                                           const std::string& newId)
{
    if (!provider) return;
    _history.mindMapIdChanged(provider->id(), oldId, newId);
    _backwardStack.mindMapIdChanged(provider->id(), oldId, newId);
    if (_singletonDocument) _singletonDocument->mindMapRenamed(provider, oldId, newId);
}

void TwkDocumentController::removeProviderEntries(MindMapProvider* provider)
{
    if (!provider) return;
    _history.removeProvider(provider->id());
    _backwardStack.removeProvider(provider->id());
}

std::shared_ptr<MindMapStorage> TwkDocumentController::produceStorage(MindMapProvider* provider,
                                                                      const std::string& storageId)
{
    if (!provider || storageId.empty()) return nullptr;
    std::string path = pathWithFileURL(provider->getSourceFileURL(storageId));
    std::error_code ec;
    // A link that leads nowhere, or round in a loop, is still where the map's file is: opening it
    // fails with the reason instead of leaving the editor empty without a word.
    if (path.empty() || !fs::exists(fs::symlink_status(path, ec))) return nullptr;
    return provider->createStorage(storageId);
}

std::optional<HistoryPoint> TwkDocumentController::captureCurrentState()
{
    MindMapStorage* storage = currentStorage();
    if (!storage) return std::nullopt;
    HistoryPoint point(storage->providerId(), storage->id());
    SelectionParcel parcel;
    MindMapSelectionParcelWriter writer(parcel, _singletonDocument->mindMap());
    writer.capture();
    point.setSelectionParcel(parcel);
    return point;
}

void TwkDocumentController::restoreSelectionState(const SelectionParcel& parcel)
{
    if (!_singletonDocument) return;
    MindMap* mindMap = _singletonDocument->mindMap();
    SelectionParcel copy = parcel;
    MindMapSelectionParcelReader reader(copy, mindMap);
    if (MindMapElement* element = reader.restoreSelection()) {
        mindMap->setSelectedElement(element);
        if (MindMapNodeEditor* editor = mindMap->nodeEditor()) editor->scrollElementVisible(element);
    }
}

bool TwkDocumentController::openLocalMindMapOnGuid(const std::string& guid, MindMapData written)
{
    MindMapStore* store = MindMapStore::mindMapStoreInstance();
    MindMapProvider* local = MindMapProviders::localProvider();
    if (!store || !local || !store->mindMapByGuid(guid)) return false;
    const bool expecting = _singletonDocument && !written.empty();
    if (expecting)
        _singletonDocument->expectDocument(pathWithFileURL(local->getSourceFileURL(guid)), std::move(written));
    openStorage(local, guid, {});
    if (expecting) _singletonDocument->expectDocument({}, {});
    return true;
}

bool TwkDocumentController::reopenRememberedMindMap()
{
    UserDefaults& defaults = UserDefaults::standard();
    std::string providerId = defaults.stringForKey(ReopenProviderIdKey);
    std::string mindMapId = defaults.stringForKey(ReopenMindMapIdKey);
    if (providerId.empty() || mindMapId.empty()) return false;
    MindMapProvider* provider = MindMapProviders::instance().getProviderById(providerId);
    if (!provider) {
        asyncOpenMindMap(providerId, mindMapId, {});
        return true;
    }
    // At a start a cloud provider may not know yet whether the user is signed in: its keyring can
    // be waiting for a password. The window shows meanwhile, and the map follows the answer.
    const uint64_t reopen = ++_reopens;
    _pendingReopen = reopen;
    const uint64_t switches = _storageSwitches;
    std::weak_ptr<bool> alive = _alive;
    provider->whenSignInKnown([this, alive, reopen, switches, providerId, mindMapId] {
        if (alive.expired() || _pendingReopen != reopen) return;
        _pendingReopen = 0;
        _scheduler.cancel(_reopenWait);
        _reopenWait = 0;
        if (_terminated || isQuitting() || _storageSwitches != switches) return;
        asyncOpenMindMap(providerId, mindMapId, {});
    });
    if (_pendingReopen == reopen) {
        _scheduler.cancel(_reopenWait);
        _reopenWait = _scheduler.schedule(ReopenSignInWait, false, [this] {
            _reopenWait = 0;
            _pendingReopen = 0;
        });
    }
    return true;
}

void TwkDocumentController::closeDocument()
{
    if (!commitEditorBeforeLeaving()) return;
    openStorage(nullptr, {}, {});
}

bool TwkDocumentController::canNavigateBackward() const
{
    return _backwardStack.count() > 0 || _history.count() > 0;
}

void TwkDocumentController::navigateBackward()
{
    _backwardStack.validate(false);
    if (std::optional<HistoryPoint> point = _backwardStack.pop()) {
        asyncOpenMindMap(point->provider(), point->mindMap(),
                         HistoryStackParcel(point->selectionParcel().value_or(SelectionParcel{})));
        return;
    }
    const std::vector<HistoryPoint>& recent = _history.validate(false);
    if (recent.empty()) return;
    const HistoryPoint newest = recent.front();
    std::any info;
    if (newest.selectionParcel()) info = *newest.selectionParcel();
    asyncOpenMindMap(newest.provider(), newest.mindMap(), info);
}

void TwkDocumentController::duplicateDocument()
{
    MindMapStorage* storage = currentStorage();
    if (!storage || !storage->provider() || !commitEditorBeforeLeaving()) return;
    // The question ran its own loop: the map may have gone meanwhile.
    storage = currentStorage();
    if (!storage || !storage->provider()) return;
    const std::string title = storage->title();
    Error error;
    if (!storage->provider()->duplicateMindMap(storage, &error) && !error.isEmpty())
        presentError(ErrorAlert::failure(localizedFormat(DuplicateMapErrorKey, {title}), error));
}

void TwkDocumentController::newDocument()
{
    MindMapStore* store = MindMapStore::mindMapStoreInstance();
    if (!store || !commitEditorBeforeLeaving()) return;
    Error error;
    if (MindMapInfoItem* item = store->addMindMapInFolder(nullptr, &error)) openLocalMindMapOnGuid(item->guid());
    else presentError(ErrorAlert::failure(localized(NewMapErrorKey), error));
}

void TwkDocumentController::importDocument()
{
    FileChooser::OpenOptions options;
    options.title = localized(ImportPanelTitleKey);
    options.allowedTypes = importPanelTypes(readableTypes());
    options.allowsMultipleSelection = true;
    options.directory = currentDirectory();
    options.shouldEnable = shouldEnableFileForImport;
    const std::vector<std::string> paths = FileChooser::shared().runOpenPanel(options);
    rememberImportDirectory(paths);
    if (paths.empty() || !commitEditorBeforeLeaving()) return;
    for (const std::string& path : paths) {
        Error error;
        if (!openDocumentWithContentsOfFile(path, &error) && !error.isEmpty()) presentError(error);
    }
}

void TwkDocumentController::importPdf()
{
    FileChooser::OpenOptions options;
    options.title = localized(ImportPdfPanelTitleKey);
    options.allowedTypes = {"pdf"};
    options.directory = currentDirectory();
    const std::vector<std::string> paths = FileChooser::shared().runOpenPanel(options);
    if (paths.size() != 1) return;
    Error error;
    if (!importDocumentWithContentsOfFile(paths.front(), &error)) {
        if (!error.isEmpty()) presentError(error);
        return;
    }
    _host.verifySingletonDocumentVisible();
}

std::vector<std::pair<std::string, HistoryPoint>> TwkDocumentController::historyMenuItems()
{
    std::vector<std::pair<std::string, HistoryPoint>> items;
    for (const HistoryPoint& point : _history.validate(true)) {
        MindMapProvider* provider = MindMapProviders::instance().getProviderById(point.provider());
        if (!provider) continue;
        if (std::optional<MindMapListInfo> info = provider->getMindMapListInfo(point.mindMap()))
            items.emplace_back(info->title(), point);
    }
    return items;
}

bool TwkDocumentController::shouldEnableFileForImport(const std::string& path)
{
    return !isInStoreDocumentsFolder(path);
}

std::vector<std::string> TwkDocumentController::importPanelTypes(const std::vector<std::string>& types)
{
    std::vector<std::string> allowed;
    for (const std::string& type : types)
        if (type != "html" && type != "public.html") allowed.push_back(type);
    for (const char* always : {"twkx", "pdf"})
        if (std::find(allowed.begin(), allowed.end(), always) == allowed.end()) allowed.emplace_back(always);
    return allowed;
}

const std::vector<std::string>& TwkDocumentController::readableTypes()
{
    // OPML often comes as plain XML; the importer recognises it by its content.
    static const std::vector<std::string> types = {
        MindMapStore::MindMapExtension, MindMapStore::OlderDocumentExtension, "mm", "opml", "xml", "txt", "text"};
    return types;
}

std::string TwkDocumentController::currentDirectory()
{
    std::error_code ec;
    std::string remembered = UserDefaults::standard().stringForKey(ImportDirectoryKey);
    if (!remembered.empty() && fs::is_directory(remembered, ec)) return remembered;
    const char* home = std::getenv("HOME");
    if (!home || !*home) return {};
    std::string documents = std::string(home) + "/Documents";
    return fs::is_directory(documents, ec) ? documents : std::string(home);
}

void TwkDocumentController::rememberImportDirectory(const std::vector<std::string>& chosenPaths)
{
    if (chosenPaths.empty()) return;
    UserDefaults::standard().setString(ImportDirectoryKey, fs::path(chosenPaths.front()).parent_path().string());
}

bool TwkDocumentController::openDocumentWithContentsOfFile(const std::string& path, Error* error,
                                                           const std::string& mapGuid)
{
    if (!_singletonDocument) return false;
    std::error_code ec;
    if (!fs::is_regular_file(path, ec))
        return setError(error,
                        ErrorAlert::importFailure(
                            Error{PosixErrorDomain, fs::is_directory(path, ec) ? EISDIR : ENOENT, {}, {}}, path));
    // Staying with a map that cannot be saved is the user's own answer: no error to show.
    if (!commitEditorBeforeLeaving()) return false;
    const fs::path file(path);
    if (asciiCaseInsensitiveEqual(file.extension().string(), std::string(".") + MindMapStore::MindMapExtension) &&
        isInStoreDocumentsFolder(path)) {
        if (!openLocalMindMapOnGuid(file.stem().string()))
            return setError(error, MakeAppError(AppErrors::OpenFromFinder));
        _host.verifySingletonDocumentVisible();
        return true;
    }
    if (!importDocumentWithContentsOfFile(path, error, mapGuid)) return false;
    _host.verifySingletonDocumentVisible();
    return true;
}

bool TwkDocumentController::importDocumentWithContentsOfFile(const std::string& path, Error* error,
                                                             const std::string& mapGuid)
{
    MindMapStore* store = MindMapStore::mindMapStoreInstance();
    if (!store) return setError(error, MakeAppError(AppErrors::OpenFromFinder));
    // Nothing is imported for a map that would not open.
    if (!commitEditorBeforeLeaving()) return false;
    // Whatever the file holds, the importer decides (a text too large by its size, before it is
    // read), and asks before a map of the store is overwritten; an answer of cancel leaves the
    // error empty.
    // With no map open, a map the import builds is built in the document's own: it opens without
    // the file just written being read back.
    MindMapStore::ImportTarget target;
    if (_singletonDocument) target.mindMap = _singletonDocument->mindMapForImport();
    target.guid = mapGuid;
    Error failure;
    MindMapInfoItem* item = MindMapImporter::importMindMapFromFile(path, nullptr, &failure, &target);
    // Several files may fail in one go: each failure names its own file, never the one the store
    // was writing.
    if (!item) {
        if (!failure.isEmpty()) setError(error, ErrorAlert::importFailure(failure, path));
        return false;
    }
    if (!target.filled) return openLocalMindMapOnGuid(item->guid());
    _singletonDocument->expectLoadedMindMap(item->guid());
    const bool opened = openLocalMindMapOnGuid(item->guid());
    _singletonDocument->expectLoadedMindMap({});
    return opened;
}

bool TwkDocumentController::commitEditorForQuit()
{
    return commitEditorOrAsk(Leaving::Quit);
}

bool TwkDocumentController::commitEditorOrAsk(Leaving leaving)
{
    if (_asking) return false;
    static_assert(int(QuitChoice::TryAgain) == int(SwitchChoice::TryAgain) &&
                  int(QuitChoice::QuitWithoutSaving) == int(SwitchChoice::DiscardChanges));
    const bool quitting = leaving == Leaving::Quit;
    while (!_terminated && _singletonDocument) {
        commitModelessEditors();
        Error error;
        if (_singletonDocument->commitEditor(&error)) return true;
        _asking = leaving;
        const int answer =
            AlertPanel::shared()
                .runModal(commitQuestion(error, _singletonDocument->title(),
                                         quitting ? QuitCommitConsequenceKey : SwitchCommitConsequenceKey,
                                         quitting ? QuitWithoutSavingKey : DiscardChangesKey))
                .button;
        _asking.reset();
        if (answer == int(QuitChoice::TryAgain)) continue;
        if (answer != int(QuitChoice::QuitWithoutSaving)) {
            if (!quitting) NotificationCenter::defaultCenter().post(KeptOpenMapNotification, this);
            return false;
        }
        if (_singletonDocument) _singletonDocument->updateChangeCount(MindMapDocumentOwner::ChangeKind::Cleared);
        return true;
    }
    return true;
}

bool TwkDocumentController::reviewUnsavedDocuments()
{
    if (!commitEditorForQuit()) return false;
    _host.closeCustomStyleEditor();
    return true;
}

TwkDocumentController::TerminateReply TwkDocumentController::applicationShouldTerminate()
{
    // The first request asks before anything of the quit is done: the cloud services hear that
    // the application goes only once it does.
    if (!_terminated && !_terminationProcesses && !commitEditorForQuit()) return TerminateReply::Cancel;
    PostWillTerminateNotification();
    _host.closeCustomStyleEditor();
    commitModelessEditors();
    terminateSingletonDocument();

    if (_terminationProcesses) return _terminationProcesses->empty() ? TerminateReply::Now : TerminateReply::Cancel;

    _terminationProcesses.emplace();
    bool anyStarted = false;
    const std::function<std::unique_ptr<TerminationProcess>()> makers[] = {
        [this] { return createCleanupLocalImagesProcess(); },
        [this] { return _services.startDropboxTerminationProcess(); },
        [this] { return _services.startGoogleDriveTerminationProcess(); },
    };
    for (const auto& make : makers) {
        std::unique_ptr<TerminationProcess> process = make();
        if (!process || process->completed()) continue;
        TerminationProcess* started = process.get();
        started->setDelegate(this);
        _terminationProcesses->push_back(std::move(process));
        anyStarted = true;
        started->run();
    }

    if (!anyStarted) return TerminateReply::Now;
    // Processes that finished within run() have asked for the second request already.
    if (_terminationProcesses->empty()) return TerminateReply::Cancel;
    _host.closeAllWindows();
    _host.showTerminationWindow(terminationProcesses());
    return TerminateReply::Cancel;
}

std::vector<TerminationProcess*> TwkDocumentController::terminationProcesses() const
{
    std::vector<TerminationProcess*> processes;
    if (_terminationProcesses)
        for (const auto& process : *_terminationProcesses) processes.push_back(process.get());
    return processes;
}

void TwkDocumentController::applicationWillTerminate()
{
    PostWillTerminateNotification();
    commitModelessEditors();
    terminateSingletonDocument();
    _services.terminateDropboxSession();
    _services.terminateGoogleDriveSession();
    _services.releaseDeviceLinkServices();
    MindMapStore::releaseMindMapStoreInstance();
    StyleManager::releaseStyleManagerInstance();
    Error error;
    if (!UserDefaults::standard().synchronize(&error)) quitWriteFailed(QuitWriteErrorSettingsKey, error);
    if (_quitWriteFailures.empty()) return;
    std::string reason;
    for (const std::string& line : std::exchange(_quitWriteFailures, {})) reason += line + "\n";
    reason += "\n" + localized(QuitWriteErrorKeptKey);
    presentError(MakeAppError(0, localized(QuitWriteErrorKey), reason));
}

void TwkDocumentController::quitWriteFailed(const char* whatKey, const Error& error)
{
    const std::string cause = ErrorAlert::plainCause(error);
    _quitWriteFailures.push_back(localizedFormat(whatKey, {cause}));
    // Whoever ends the program from a terminal, or reads the session's log, hears it too.
    std::fprintf(stderr, "Tarnwick: %s\n", _quitWriteFailures.back().c_str());
}

void TwkDocumentController::terminateSingletonDocument()
{
    if (_terminated) return;
    // Whichever road the quit takes (the window closing, the quit action, a signal), the open
    // map is committed before the document lets go of it: detaching drops unsaved edits.
    commitModelessEditors();
    commitEditorLettingGo();
    _terminated = true;
    Error error;
    if (!_history.saveNavigationHistory(&error)) quitWriteFailed(QuitWriteErrorHistoryKey, error);
    if (_singletonDocument) {
        UserDefaults& defaults = UserDefaults::standard();
        if (MindMapStorage* storage = _singletonDocument->storage()) {
            defaults.setString(ReopenProviderIdKey, storage->providerId());
            defaults.setString(ReopenMindMapIdKey, storage->id());
        } else {
            defaults.removeObject(ReopenProviderIdKey);
            defaults.removeObject(ReopenMindMapIdKey);
        }
        _host.willReleaseSingletonDocument();
        _singletonDocument->detachFromStorage();
        _singletonDocument.reset();
    }
    if (EditorInterfaceInstance() == this) SetEditorInterfaceInstance(nullptr);
}

bool TwkDocumentController::mindMapEditorWillClose()
{
    if (!commitEditorForQuit()) return false;
    _host.closePreferencesWindow();
    _host.closeCustomStyleEditor();
    terminateSingletonDocument();
    return true;
}

std::unique_ptr<TerminationProcess> TwkDocumentController::createCleanupLocalImagesProcess()
{
    UserDefaults& defaults = UserDefaults::standard();
    if (!defaults.boolForKey(CleanupLocalImagesKey)) return nullptr;
    int64_t counter = defaults.integerForKey(NextLocalImagesCleanupKey);
    if (counter < LocalImagesCleanupPeriod) {
        defaults.setInteger(NextLocalImagesCleanupKey, counter + 1);
        return nullptr;
    }
    defaults.setInteger(NextLocalImagesCleanupKey, 0);
    return _cleanupProcessFactory();
}

void TwkDocumentController::terminationProcessCompleted(TerminationProcess* process)
{
    if (!_terminationProcesses) return;
    process->setDelegate(nullptr);
    std::erase_if(*_terminationProcesses, [&](const auto& held) { return held.get() == process; });
    terminationProcessActionChanged(nullptr);
    if (_terminationProcesses->empty()) _host.terminate();
}

void TwkDocumentController::terminationProcessActionChanged(TerminationProcess*)
{
    _host.terminationProcessesChanged();
}

void TwkDocumentController::afterChangingMindMap()
{
    NotificationCenter::defaultCenter().post(AfterChangingMindMapNotification, this);
}

void TwkDocumentController::presentError(const Error& error)
{
    _host.presentError(error);
}
