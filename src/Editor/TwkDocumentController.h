#pragma once

#include "Editor/DocumentScheduler.h"
#include "Editor/EditorDocument.h"
#include "Utils/TerminationProcess.h"
#include "platform/AlertPanel.h"
#include "platform/Error.h"
#include "platform/Responder.h"
#include "store/EditorInterface.h"
#include "store/HistoryList.h"

#include <any>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class MindMapProvider;
class MindMapStorage;

// What the controller needs of the running application's windows. Every operation may do nothing.
class DocumentControllerHost {
public:
    virtual ~DocumentControllerHost() = default;
    virtual void presentError(const Error& /*error*/) {}
    // Marks the application's windows as needing an update of their menus and bars.
    virtual void updateWindows() {}
    virtual void verifySingletonDocumentVisible() {}
    // The node editor scrolls the selected element to the centre of the view.
    virtual void scrollSelectedElementToCenter() {}
    virtual void checkScheduledAds() {}
    virtual void closeCustomStyleEditor() {}
    virtual void closePreferencesWindow() {}
    virtual void closeAllWindows() {}
    // The quit is about to let go of the document and its map: whatever shows the map lets go first.
    virtual void willReleaseSingletonDocument() {}
    virtual void showTerminationWindow(const std::vector<TerminationProcess*>& /*processes*/) {}
    virtual void terminationProcessesChanged() {}
    // Asks the application to quit again; it calls applicationShouldTerminate() once more later,
    // never from within this call.
    virtual void terminate() {}
    // The active explorer of the editor window makes a new map.
    virtual void newDocument() {}
};

// The cloud services and the device link as quitting meets them. Until they exist, nothing.
class ApplicationTerminationServices {
public:
    virtual ~ApplicationTerminationServices() = default;
    virtual std::unique_ptr<TerminationProcess> startDropboxTerminationProcess() { return nullptr; }
    virtual std::unique_ptr<TerminationProcess> startGoogleDriveTerminationProcess() { return nullptr; }
    virtual void terminateDropboxSession() {}
    virtual void terminateGoogleDriveSession() {}
    // Made once the editor document is shown; released at quit with its thread ended.
    virtual void startDeviceLinkServices() {}
    virtual void releaseDeviceLinkServices() {}
};

// The only place where the editor document is switched from one map to another, and the driver
// of the quit: it commits the open map, keeps the navigation history round each switch, opens the
// files the desktop hands over, and runs the termination processes before letting the
// application go. In the responder chain it comes after the document: closing the map, going back
// and the history menu's items are its actions.
class TwkDocumentController : public EditorInterface, public TerminationProcessDelegate, public Responder {
public:
    static constexpr const char* ReopenProviderIdKey = "docctrl.reopen.provider.id";
    static constexpr const char* ReopenMindMapIdKey = "docctrl.reopen.mindmap.id";
    static constexpr const char* CleanupLocalImagesKey = "cleanupLocalImages";
    static constexpr const char* NextLocalImagesCleanupKey = "nextLocalImagesCleanup";
    static constexpr const char* MapNotFoundKey = "map_list_map_not_found";
    static constexpr const char* ImportDirectoryKey = "import.default-directory";
    static constexpr const char* ImportPanelTitleKey = "import_menu_import";
    static constexpr const char* ImportPdfPanelTitleKey = "action_import_pdf_bookmarks";
    static constexpr const char* QuitCommitConsequenceKey = "quit_commit_error_consequence";
    static constexpr const char* QuitCommitTryAgainKey = "quit_commit_try_again";
    static constexpr const char* QuitWithoutSavingKey = "quit_commit_quit_without_saving";
    static constexpr const char* NewMapErrorKey = "map_new_error";
    static constexpr const char* DuplicateMapErrorKey = "explorer_duplicate_error";
    static constexpr const char* SwitchCommitConsequenceKey = "switch_commit_error_consequence";
    static constexpr const char* DiscardChangesKey = "switch_commit_discard_changes";
    // Posted when the user chose to stay with an open map whose edit could not be saved rather
    // than leave it for another: a list that selected the other map selects the open one again.
    static constexpr const char* KeptOpenMapNotification = "TwkDocumentController.KeptOpenMap";
    static constexpr const char* SettingsUnreadableKey = "settings_unreadable_error";
    static constexpr const char* SettingsMovedAsideKey = "settings_unreadable_moved_aside";
    static constexpr const char* SettingsNotMovedKey = "settings_unreadable_not_moved";
    static constexpr const char* FolderIndexUnreadableKey = "folder_index_unreadable_error";
    static constexpr const char* FolderIndexPartlyReadKey = "folder_index_partly_read_error";
    static constexpr const char* FolderIndexMovedAsideKey = "folder_index_unreadable_moved_aside";
    static constexpr const char* FolderIndexNotMovedKey = "folder_index_unreadable_not_moved";
    static constexpr const char* QuitWriteErrorKey = "quit_write_error";
    static constexpr const char* QuitWriteErrorHistoryKey = "quit_write_error_history";
    static constexpr const char* QuitWriteErrorSettingsKey = "quit_write_error_settings";
    static constexpr const char* QuitWriteErrorKeptKey = "quit_write_error_kept";
    static constexpr int64_t LocalImagesCleanupPeriod = 9;
    static constexpr double ScheduledAdsCheckDelay = 1.0;
    // How long the remembered map waits for its provider to learn whether the user is signed in:
    // long enough to type a keyring's password, short enough that a map never appears long after
    // the user has given up on it.
    static constexpr double ReopenSignInWait = 60.0;

    enum class TerminateReply { Now, Cancel };
    // The answers of the question a map that cannot be saved at quit asks, as the alert's buttons.
    enum class QuitChoice { TryAgain = AlertPanel::FirstButtonReturn, Stay, QuitWithoutSaving };
    // The answers of the question a map that cannot be saved asks before another takes its place.
    enum class SwitchChoice { TryAgain = AlertPanel::FirstButtonReturn, Stay, DiscardChanges };

    using CleanupProcessFactory = std::function<std::unique_ptr<TerminationProcess>()>;

    TwkDocumentController(DocumentScheduler& scheduler, DocumentControllerHost& host,
                          ApplicationTerminationServices& services);
    ~TwkDocumentController() override;
    TwkDocumentController(const TwkDocumentController&) = delete;
    TwkDocumentController& operator=(const TwkDocumentController&) = delete;

    // Makes the one editor document (once) and loads the recent list; a settings file that did
    // not read is said in the window soon after.
    EditorDocument* makeSingletonDocument();
    EditorDocument* singletonDocument() const { return _singletonDocument.get(); }
    RecentHistoryList& history() { return _history; }
    HistoryStack& backwardStack() { return _backwardStack; }

    // EditorInterface
    MindMapStorage* currentStorage() override;
    MindMapProvider* currentProvider() override;
    // info: empty, the GUID of an element to select (std::string), a SelectionParcel, or a
    // HistoryStackParcel when going back.
    void openStorage(MindMapProvider* provider, const std::string& storageId, const std::any& info) override;
    void asyncOpenMindMap(const std::string& providerId, const std::string& mindMapId, const std::any& info) override;
    bool isEditorModified() override;
    void commitModelessEditors() override;
    // A failure is said; the edit stays open in the window.
    bool commitEditor() override;
    // Commits the open map before another map, or none, takes its place. When that fails the user
    // chooses, as at quit: try again, stay with the map and its edit (false: the road that asked
    // does nothing), or discard the changes knowingly. Every road that replaces the open map
    // (opening another, going back, New, Duplicate, the imports, the files handed over, Close)
    // asks before it changes anything. A road taken while the question is up stays.
    bool commitEditorBeforeLeaving();
    void setCustomMindMapTitle(const std::string& title) override;
    void mindMapDeleted(MindMapProvider* provider, const std::string& mindMapId) override;
    void mindMapRenamed(MindMapProvider* provider, const std::string& oldId, const std::string& newId) override;
    void removeProviderEntries(MindMapProvider* provider) override;

    std::shared_ptr<MindMapStorage> produceStorage(MindMapProvider* provider, const std::string& storageId);
    std::optional<HistoryPoint> captureCurrentState();
    void restoreSelectionState(const SelectionParcel& parcel);
    // The bytes just written to the map's file, when given, are read instead of the file.
    bool openLocalMindMapOnGuid(const std::string& guid, MindMapData written = {});
    // Opens the map remembered at the last quit; false when none is remembered. A remembered map
    // that is gone leaves the editor empty: start-up must not go on to make one. A cloud map opens
    // once its provider knows whether the user is signed in (within ReopenSignInWait), unless a
    // map was opened meanwhile.
    bool reopenRememberedMindMap();

    void closeDocument();
    // There is somewhere to go back to: a place on the backward stack or a recent map.
    bool canNavigateBackward() const;
    void navigateBackward();
    void duplicateDocument();
    // Until the explorers exist, the controller stands in for the local one with its top folder
    // selected: New makes a map there, the imports put their maps there, and each new map opens.
    void newDocument();
    // The import panel; every file chosen is imported as a file the desktop handed over, and
    // what fails is shown.
    void importDocument();
    // An open panel for one PDF, whose bookmarks become a new map.
    void importPdf();
    // The history menu's entries, newest first: each map that still exists, with its title.
    std::vector<std::pair<std::string, HistoryPoint>> historyMenuItems();

    // A file the desktop handed over: a map of the store's own folder opens by its GUID, any other
    // file is imported into the store and opened. mapGuid, when given, is the GUID a new map of
    // the import gets; a map of that GUID already in the store opens instead, so that a file
    // handed over again once the program that took it went away is not stored twice.
    bool openDocumentWithContentsOfFile(const std::string& path, Error* error = nullptr,
                                        const std::string& mapGuid = {});
    bool importDocumentWithContentsOfFile(const std::string& path, Error* error = nullptr,
                                          const std::string& mapGuid = {});
    // The import panel offers no file of the store's documents folder.
    static bool shouldEnableFileForImport(const std::string& path);
    // What the import panel offers: the given types with "twkx" and "pdf", never HTML.
    static std::vector<std::string> importPanelTypes(const std::vector<std::string>& types);
    // The extensions of the files the application reads, as the import panel is given them.
    static const std::vector<std::string>& readableTypes();
    // Where open panels start: the folder of the last import while it exists, else Documents.
    static std::string currentDirectory();
    // Keeps the folder of the first file chosen for the next panel.
    static void rememberImportDirectory(const std::vector<std::string>& chosenPaths);

    // Quitting. Every road out (the quit, the window's close, the review) first commits the open
    // map. When that fails the user chooses: try again (after freeing some space, say), stay (the
    // road answers false or cancel, and nothing of the quit has been done), or quit without the
    // changes, which are then dropped knowingly. A road taken while the question is up stays.
    bool commitEditorForQuit();
    bool isAskingToQuit() const { return _asking == Leaving::Quit; }
    // A road that would leave the map while the question is up stays without asking again.
    bool isAskingToCommit() const { return _asking.has_value(); }
    bool reviewUnsavedDocuments();
    TerminateReply applicationShouldTerminate();
    // Writes what is left and says every write of the quit that failed (the navigation history,
    // the settings with the map to reopen), in one alert.
    void applicationWillTerminate();
    // Lets go of the document without asking: a failed commit is only said.
    void terminateSingletonDocument();
    // false when the user chose to stay: the window stays open.
    bool mindMapEditorWillClose();
    std::unique_ptr<TerminationProcess> createCleanupLocalImagesProcess();
    void setCleanupProcessFactory(CleanupProcessFactory factory) { _cleanupProcessFactory = std::move(factory); }
    bool isTerminated() const { return _terminated; }
    bool isQuitting() const { return _terminationProcesses.has_value(); }
    std::vector<TerminationProcess*> terminationProcesses() const;

    // TerminationProcessDelegate
    void terminationProcessCompleted(TerminationProcess* process) override;
    void terminationProcessActionChanged(TerminationProcess* process) override;

    // Nothing once quitting began; the open map's actions with a map open; the store's with a
    // document and a store; going back with somewhere to go.
    ItemValidation validateUserInterfaceItem(const ValidatedUserInterfaceItem& item) override;

private:
    void registerActions();
    // The settings and the store's folder index found damaged at start, said once the window is
    // there.
    void reportUnreadableFiles();
    void afterChangingMindMap();
    enum class Leaving { Quit, Switch };
    bool commitEditorOrAsk(Leaving leaving);
    // The document is about to let go of the map: what could not be written is lost, and said.
    void commitEditorLettingGo();
    void presentError(const Error& error);
    void quitWriteFailed(const char* whatKey, const Error& error);

    DocumentScheduler& _scheduler;
    DocumentControllerHost& _host;
    ApplicationTerminationServices& _services;
    std::unique_ptr<EditorDocument> _singletonDocument;
    RecentHistoryList _history;
    HistoryStack _backwardStack;
    std::optional<std::vector<std::unique_ptr<TerminationProcess>>> _terminationProcesses;
    CleanupProcessFactory _cleanupProcessFactory;
    DocumentScheduler::Handle _adsCheck = 0;
    bool _terminated = false;
    // The question about a map that cannot be saved that is up, if any.
    std::optional<Leaving> _asking;
    // What the quit could not write, one line each, said once everything is written.
    std::vector<std::string> _quitWriteFailures;
    // Counts switches of the open map, so that a late reopen never replaces one the user made.
    uint64_t _storageSwitches = 0;
    uint64_t _reopens = 0;
    // The reopen still waiting for its provider's answer; 0 when none waits.
    uint64_t _pendingReopen = 0;
    DocumentScheduler::Handle _reopenWait = 0;
    DocumentScheduler::Handle _unreadableFilesReport = 0;
    std::shared_ptr<bool> _alive = std::make_shared<bool>(true);
};
