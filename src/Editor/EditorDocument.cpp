#include "Editor/EditorDocument.h"

#include "Editor/ErrorAlert.h"
#include "MindMaps/MindMap.h"
#include "MindMaps/MindMapNode.h"
#include "MindMaps/MindMapNodeEditor.h"
#include "Utils/AppErrors.h"
#include "Utils/FeedbackSink.h"
#include "Utils/URLUtils.h"
#include "formats/DocumentDamage.h"
#include "formats/MindMapFile.h"
#include "formats/ZipDetection.h"
#include "platform/AttributedString.h"
#include "platform/FileUtils.h"
#include "platform/Localizer.h"
#include "platform/TextExcerpt.h"
#include "store/CustomImageStore.h"
#include "store/EditorInterface.h"
#include "store/MindMapProvider.h"
#include "store/MindMapStorage.h"

#include <filesystem>

namespace {

constexpr const char* NoMindMapSelectedKey = "editor_no_mindmap_selected";
constexpr const char* ExternalChangesReopenedKey = "navigator_external_changes_reopened";
constexpr int64_t MaximumNewMapLayoutMode = 4;
constexpr int64_t MaximumNewMapLayoutDirection = 7;

// Why a file's bytes opened no map, in the words the alert shows. A reader that gave no reason is
// asked what it found; a link is named by where it leads, as that is the file the user would mend.
Error unreadableFileError(const std::string& path, const MindMapData& data, Error readError)
{
    if (readError.isEmpty()) readError = DocumentDamage::describe(data);
    std::error_code ec;
    if (readError.domain != DocumentDamage::ErrorDomain || !std::filesystem::is_symlink(path, ec)) return readError;
    std::filesystem::path target = std::filesystem::canonical(path, ec);
    if (ec) target = std::filesystem::read_symlink(path, ec);
    readError.localizedDescription = localizedFormat(ErrorAlert::OpenLinkKey, {makeValidUtf8(target.string())});
    return readError;
}

} // namespace

EditorDocument::EditorDocument(DocumentScheduler& scheduler)
    : _scheduler(scheduler), _mindMap(std::make_unique<MindMap>(this, CustomImageStore::initLocalImageStore()))
{
    _undoManager.setLevelsOfUndo(MindMap::UndoLevels);
    _titleObservation = NotificationCenter::defaultCenter().addObserver(
        MindMap::TitleChangedNotification, _mindMap.get(), [this](const Notification&) { centralThemeChanged(); });
    _autoSave = UserDefaults::standard().boolForKey(AutoSaveDefaultsKey);
    _autoSaveObservation = UserDefaults::standard().observe(AutoSaveDefaultsKey, [this](const std::string& key) {
        bool autoSave = UserDefaults::standard().boolForKey(key);
        if (autoSave != _autoSave) setAutoSaveMindMaps(autoSave);
    });
    _mindMap->setEnabled(false);
    registerActions();
}

EditorDocument::~EditorDocument()
{
    _titleObservation.reset();
    _autoSaveObservation.reset();
    // The window may be gone before the document; a title for it is of no use now.
    _window = nullptr;
    detachFromStorage();
    cancelStartEditing();
    _scheduler.cancel(_reloadCall);
}

int32_t EditorDocument::getMindMapFileFormatForTypeName(const std::string& typeName)
{
    // Each name stands for the types that conform to it: the desktop's MIME names of our formats
    // are listed beside the type names the documents declare.
    static const std::pair<const char*, int32_t> formats[] = {
        {NativeTypeName, 2},
        {"application/x-tarnwick-mindmapx", 2},
        {"com.orrinworks.tarnwick.mindmap", 1},
        {"nl.qzr.tarnwick", 1},
        {"Freemind file (MM)", 5},
        {"application/x-freemind", 5},
        {"opml file", 4},
        {"text/x-opml", 4},
        {"text/x-opml+xml", 4},
        {"public.text", 6},
        {"public.plain-text", 6},
        {"public.utf8-plain-text", 6},
        {"text/plain", 6},
    };
    for (const auto& [name, format] : formats)
        if (typeName == name) return format;
    return 0;
}

std::string EditorDocument::title() const
{
    return _storage ? _storage->title() : std::string();
}

bool EditorDocument::attachToStorage(std::shared_ptr<MindMapStorage> storage, Error* error)
{
    if (_storage) detachFromStorage();
    if (!storage) return true;
    _storage = std::move(storage);
    _storage->setDelegate(this);
    _storage->open();
    if (!loadDocumentFromStorage(error)) {
        detachFromStorage();
        return false;
    }

    const DocumentInformation& information = _mindMap->documentInformation();
    if (information.isNewMap() && _mindMap->isEmpty()) {
        const bool hasDefaultThemeText = information.hasDefaultThemeText();
        std::optional<std::string> themeText;
        if (hasDefaultThemeText) themeText = information.defaultTheme();
        _mindMap->newMindMap(information.loadedGuid(), true, themeText);
        updateChangeCount(ChangeKind::Done);
        if (MindMapNode* theme = _mindMap->mainCentralTheme()) {
            UserDefaults& defaults = UserDefaults::standard();
            // The mode goes first: a direction is only meaningful for the mode it is given to.
            int64_t mode = defaults.integerForKey(NewMindMapLayoutModeKey);
            if (defaults.hasUserValue(NewMindMapLayoutModeKey) && mode >= 0 && mode <= MaximumNewMapLayoutMode)
                theme->setLayoutMode(static_cast<int32_t>(mode));
            int64_t direction = defaults.integerForKey(NewMindMapLayoutDirectionKey);
            if (defaults.hasUserValue(NewMindMapLayoutDirectionKey) && direction >= 0 &&
                direction <= MaximumNewMapLayoutDirection)
                theme->setLayoutDirection(static_cast<int32_t>(direction));
            if (!hasDefaultThemeText) theme->setEditingState(1);
            cancelStartEditing();
            _startEditingCall = _scheduler.schedule(StartEditingNewMapDelay, false, [this] {
                _startEditingCall = 0;
                delayedStartEditingNewMap();
            });
        }
    }

    if (!_autoSaveTimer) _autoSaveTimer = _scheduler.schedule(AutoSaveInterval, true, [this] { autoSaveTimerTick(); });
    return true;
}

void EditorDocument::delayedStartEditingNewMap()
{
    if (_mindMap->nodes().size() == 1) _mindMap->editText();
}

void EditorDocument::cancelStartEditing()
{
    _scheduler.cancel(_startEditingCall);
    _startEditingCall = 0;
}

void EditorDocument::stopAutoSaveTimer()
{
    _scheduler.cancel(_autoSaveTimer);
    _autoSaveTimer = 0;
}

void EditorDocument::detachFromStorage()
{
    if (_window) _window->mindMapWillChange();
    _trackingTitle = false;
    // A pending start of editing would otherwise reach the next map, or an empty one.
    cancelStartEditing();
    _mindMap->clearAndDisableDiagram();
    stopAutoSaveTimer();
    _mindMap->setImageStore(CustomImageStore::initLocalImageStore());
    if (_storage) {
        std::shared_ptr<MindMapStorage> storage = std::move(_storage);
        _storage.reset();
        storage->setDelegate(nullptr);
        storage->close();
        storage->dispose();
    }
    _fileUrl.clear();
    updateChangeCount(ChangeKind::Cleared);
    setWindowTitle(localized(NoMindMapSelectedKey));
}

bool EditorDocument::loadDocumentFromStorage(Error* error)
{
    if (_window) _window->mindMapWillChange();
    updateChangeCount(ChangeKind::Cleared);
    _undoManager.removeAllActions();
    _trackingTitle = false;
    bool result = true;
    if (_storage) {
        _fileUrl = _storage->mindMapFileUrl();
        _mindMap->setEnabled(true);
        _mindMap->setImageStore(_storage->imageStore());
        std::string path = pathWithFileURL(_fileUrl);
        std::optional<std::vector<uint8_t>> data;
        if (_expectedDocument && !path.empty() && _expectedDocument->first == path)
            data = std::move(_expectedDocument->second);
        _expectedDocument.reset();
        const bool loaded = !_loadedGuid.empty() && _loadedGuid == _storage->guid() &&
            _mindMap->documentInformation().guid() == _loadedGuid && !_mindMap->isEmpty();
        _loadedGuid.clear();
        // A cloud storage unpacks its document from its local copy: when that copy did not read,
        // the reader's reason is the one the user can act on, not the document it left missing.
        Error unpacking = _storage->openError();
        if (!unpacking.isEmpty()) result = setError(error, std::move(unpacking));
        else if (loaded) result = true;
        else if (path.empty()) result = setError(error, MakeAppError(AppErrors::OpenFromFinder));
        else if (!data && !(data = readMindMapFile(path, error))) result = false;
        else {
            Error readError;
            result = readFromData(*data, NativeTypeName, &readError) ||
                setError(error, unreadableFileError(path, *data, std::move(readError)));
        }
        _trackingTitle = result;
        setWindowTitle(_storage->title());
    } else {
        detachFromStorage();
    }
    if (_window) _window->setIsRecyclerMap(_storage && _storage->inRecycler());
    return result;
}

void EditorDocument::expectDocument(std::string path, MindMapData data)
{
    if (data.empty()) _expectedDocument.reset();
    else _expectedDocument.emplace(std::move(path), std::move(data));
}

MindMap* EditorDocument::mindMapForImport()
{
    if (_storage) return nullptr;
    if (_window) _window->mindMapWillChange();
    cancelStartEditing();
    return _mindMap.get();
}

void EditorDocument::expectLoadedMindMap(std::string guid)
{
    _loadedGuid = std::move(guid);
}

bool EditorDocument::readFromData(const MindMapData& data, const std::string& typeName, Error* error)
{
    if (!_storage) return false;
    int32_t format = getMindMapFileFormatForTypeName(typeName);
    // A zipped container read as plain XML would come out as garbage; its own reader takes it.
    if (format == 2 && hasPKZIPSignature(data)) return false;
    return _mindMap->readFromData(data, _storage->guid(), format, error);
}

bool EditorDocument::commitEditor(Error* error)
{
    if (!_storage) return true;
    commitModelessEditors();
    if (!isDocumentEdited()) return true;
    if (!_storage->commitMindMap(_mindMap.get(), error)) return false;
    _fileUrl = _storage->mindMapFileUrl();
    updateChangeCount(ChangeKind::Cleared);
    setWindowTitle(_storage->title());
    return true;
}

void EditorDocument::commitModelessEditors()
{
    // First the names typed into the window's lists: an outline row's is a change of the map.
    if (_window && !OpenRenamesKept::held()) _window->commitCellEdits();
    if (MindMapNodeEditor* editor = _mindMap->nodeEditor()) editor->cancelEditorModes();
}

void EditorDocument::saveDocument()
{
    Error error;
    if (!commitEditor(&error)) presentError(ErrorAlert::commitFailure(error, ErrorAlert::Kept::EditsStayOpen, title()));
}

bool EditorDocument::canCloseDocument()
{
    if (isDocumentEdited()) saveDocument();
    // Whatever the commit said, closing never asks: the framework's prompt would offer to save
    // somewhere the store knows nothing of.
    updateChangeCount(ChangeKind::Cleared);
    return true;
}

void EditorDocument::setAutoSaveMindMaps(bool autoSave)
{
    _autoSave = autoSave;
    _nextAutoSaveTime.reset();
    if (_autoSave) _nextAutoSaveTime = _scheduler.now() + AutoSaveDelay;
}

void EditorDocument::updateChangeCount(ChangeKind kind)
{
    const bool wasEdited = isDocumentEdited();
    switch (kind) {
    case ChangeKind::Done:
    case ChangeKind::Redone:
        ++_changeCount;
        break;
    case ChangeKind::Undone:
        --_changeCount;
        break;
    case ChangeKind::Cleared:
        _changeCount = 0;
        break;
    }
    if (_autoSave && isDocumentEdited()) {
        // The first unsaved edit sets the period; later ones must not push the save away forever.
        if (!wasEdited) _nextAutoSaveTime = _scheduler.now() + AutoSaveDelay;
    } else {
        _nextAutoSaveTime.reset();
    }
}

void EditorDocument::autoSaveTimerTick()
{
    if (!_autoSave || !_storage || !_nextAutoSaveTime || !isDocumentEdited()) return;
    if (!(*_nextAutoSaveTime < _scheduler.now())) return;
    if (!_window || !_window->canAutoSave()) return;
    {
        OpenRenamesKept renames;
        saveDocument();
    }
    _window->updateWindows();
}

void EditorDocument::recyclerStatusChanged(MindMapStorage*)
{
    if (_window) _window->setIsRecyclerMap(_storage && _storage->inRecycler());
}

void EditorDocument::externallyChanged(MindMapStorage*)
{
    if (!_storage) return;
    // A dialog may hold one of the map's topics: the reload waits until it has been answered.
    if (_scheduler.isHoldingBack()) {
        if (_reloadCall == 0)
            _reloadCall = _scheduler.schedule(0, false, [this] {
                _reloadCall = 0;
                externallyChanged(nullptr);
            });
        return;
    }
    const bool wasEdited = isDocumentEdited();
    _storage->reopen();
    loadDocumentFromStorage();
    if (wasEdited) feedbackSinkInstance().showEditorNotification({}, localized(ExternalChangesReopenedKey), 1);
}

void EditorDocument::dropStorage(MindMapStorage* storage)
{
    if (!_storage || storage != _storage.get()) return;
    detachFromStorage();
    NotificationCenter::defaultCenter().post(AfterChangingMindMapNotification, this);
}

void EditorDocument::centralThemeChanged()
{
    if (!_trackingTitle || !_storage) return;
    _storage->centralThemeChanged(_mindMap->title());
    setWindowTitle(_storage->title());
}

void EditorDocument::mindMapRenamed(MindMapProvider* provider, const std::string&, const std::string&)
{
    if (_storage && _storage->provider() == provider) setWindowTitle(_storage->title());
}

void EditorDocument::setWindowTitle(const std::string& title)
{
    if (_window) _window->setWindowTitle(TextExcerpt::excerpt(title, TextExcerpt::Quote));
}

void EditorDocument::presentError(const Error& error)
{
    if (_window) _window->presentError(error);
}
