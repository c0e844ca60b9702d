#pragma once

#include "Editor/ApplicationActions.h"
#include "Editor/ApplicationHandOver.h"
#include "Editor/CheckboxMenuHandler.h"
#include "Editor/DeviceLinkServices.h"
#include "Editor/MainMenu.h"
#include "Editor/ShellCommandPrompts.h"
#include "Editor/TwkDocumentController.h"
#include "platform/NotificationCenter.h"

#include <gtkmm/application.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class MainWindow;
class MainWindowToolbar;
class MindMap;
class TerminationWindow;
class TerminationWindowController;

// The running application: one per store. In a desktop session the program that owns the
// application's name on the bus is the only one that claims the store; a second start hands its
// files to it and ends once it has taken them, waiting as long as the owner lives (saying so after
// a moment, with a way to give up), and taking over when the owner goes away unanswered. One that
// cannot reach the owner (no session bus, another bus) says that the store is in use and ends
// without writing anything, so the store is never opened twice. Whatever way a start ends without
// its files taken or opened, it names them and ends with a status other than 0.
class TarnwickApplication : public Gtk::Application,
                            public DocumentControllerHost,
                            public CheckboxMenuHandlerDelegate,
                            public Responder {
public:
    static constexpr const char* ApplicationId = "com.orrinworks.Tarnwick";
    static constexpr const char* ApplicationName = "Tarnwick";
    // The icon of the windows, installed in the desktop's icon theme under the application's id.
    static constexpr const char* IconName = ApplicationId;
    // Set in the environment, it has the start print its phases and the first painted frame a
    // timing line.
    static constexpr const char* StartupTimingVariable = "TARNWICK_STARTUP_TIMING";
    static constexpr const char* StoreInUseKey = "store_in_use_error";
    static constexpr const char* StoreInUseReasonKey = "store_in_use_reason";
    static constexpr const char* StoreNotWritableKey = "store_not_writable_error";
    static constexpr const char* StoreNotWritableReasonKey = "store_not_writable_reason";
    static constexpr const char* StoreLockNotWritableReasonKey = "store_lock_not_writable_reason";
    static constexpr const char* FilesNotOpenedKey = "start_files_not_opened";
    // The exit status of a start that found the store in use by a program it could not reach.
    static constexpr int StoreInUseExitStatus = 3;
    // The exit status of a start whose files, or some of them, were not opened: it could not
    // hand them over, its user stopped waiting, or the running program could not open them.
    static constexpr int FilesNotOpenedExitStatus = 3;
    // The exit status of a start that ended before the running program was done with its files:
    // that program asks about them in its window, or was opening them when a signal ended the
    // start. None of them is known not to open.
    static constexpr int FilesLeftToOwnerExitStatus = 5;
    // The exit status of a start that may not write into the store's folder.
    static constexpr int StoreNotWritableExitStatus = 4;

    // What main() runs: hands the command line over to the program of the session that owns the
    // store, or runs the application, which claims the store.
    static int runMain(int argc, char* argv[]);
    // What the user is told about a store this program could not claim, from the claim's error,
    // naming the files of the command line that were not opened.
    static Error storeClaimError(const Error& cause, const std::vector<std::string>& notOpened = {});
    static int storeClaimExitStatus(const Error& cause);

    static Glib::RefPtr<TarnwickApplication> create(bool ownsStore = true);
    // With the timing variable set, prints the time since the process began, on the wall clock
    // and on the processor: the process's own work is told apart from a busy machine's waits.
    static void markStartupPhase(const char* phase);
    ~TarnwickApplication() override;

    // DocumentControllerHost
    void presentError(const Error& error) override;
    void updateWindows() override;
    void verifySingletonDocumentVisible() override { singletonWindow(); }
    void terminate() override;
    void willReleaseSingletonDocument() override;
    void closeAllWindows() override;
    void showTerminationWindow(const std::vector<TerminationProcess*>& processes) override;
    void terminationProcessesChanged() override;
    void checkScheduledAds() override;
    void closeCustomStyleEditor() override;
    void closePreferencesWindow() override;

    // Responder: the application's own items, then those of the application actions.
    bool respondsToAction(const std::string& action) const override;
    bool performAction(const std::string& action, const ActionSender* sender) override;
    ItemValidation validateUserInterfaceItem(const ValidatedUserInterfaceItem& item) override;

    // CheckboxMenuHandlerDelegate
    MindMap* getMindMap() override;

protected:
    explicit TarnwickApplication(bool ownsStore);
    void on_startup() override;
    void on_activate() override;
    void on_open(const type_vec_files& files, const Glib::ustring& hint) override;

private:
    enum class StoreClaim { Pending, Claimed, Failed };
    enum class ClaimResult { Claimed, Failed, GaveUp };
    // Claims the store before anything is written; a holder of this session that is still quitting
    // is waited for, saying after a moment what the start waits for, with a way to quit.
    static ClaimResult claimStore(const std::string& session, Error* failure);
    // Runs the application that owns the application's name (or, without a session bus, no name).
    // mapGuids: the GUID the map of each file of the command line gets, by address.
    static int runApplication(int argc, char* argv[], HandOverStart start, const std::vector<std::string>& files,
                              std::map<std::string, std::string> mapGuids);
    // Runs the application until it ends and lets go of the store; the exit status.
    static int runToTheEnd(Glib::RefPtr<TarnwickApplication> application, int argc, char* argv[]);

    MainWindow& singletonWindow();
    struct FileNotOpened {
        std::string uri;
        // Why it was not opened; empty when the user chose not to open it, or it is no file of
        // this computer. For a file left to the window, what the start is told of it.
        Error error;
        // Set when the file waits in the window, to be asked about or opened there once the user
        // is free to answer.
        bool asked = false;
    };
    // A file whose opening wanted an answer of the user: it is asked about, and opened or not as
    // the user says, once the main loop comes to it.
    struct HeldFile {
        std::string path;
        std::string name;
        std::string mapGuid;
        // When it was given (the start's time on the monotonic clock): held files are asked
        // about in that order, whichever start reached this program first.
        int64_t givenAt = 0;
    };
    // Where every road of files to open meets: the start's own command line, a later start's
    // hand-over and any other sender of the application's Open. Answers the files not opened;
    // mapGuids gives the GUID a file's new map gets, by address, and a map of that GUID already
    // in the store is opened instead (a start that hands its files over again after the running
    // program went away finds what that program stored).
    std::vector<FileNotOpened> takeFiles(const type_vec_files& files,
                                         const std::map<std::string, std::string>& mapGuids, int64_t givenAt);
    // Later starts' hand-overs are taken once the start has opened its own files or first map.
    void serveHandOvers();
    std::optional<std::vector<HandOverFailure>> takeHandOver(const std::vector<std::string>& uris,
                                                             GVariant* platformData);
    // Nothing is asked while the files are opened: the questions come afterwards.
    std::vector<FileNotOpened> openFiles(const type_vec_files& files,
                                         const std::map<std::string, std::string>& mapGuids, int64_t givenAt);
    void holdFile(HeldFile file);
    // Asks about the held files, or opens them, one at a time, once no dialog is in front.
    void askAboutHeldFiles();
    void askAboutHeldFilesLater();
    // A modal dialog of the program shows (alerts and questions count only with alerts set): a
    // question would be hidden by it or hide it, and a map opened now would change under it.
    static bool dialogInFront(bool alerts);
    // Said on standard error as the program ends: the files it was still to ask about or open.
    void sayHeldFilesNotOpened();
    void checkInitialState();
    void finishStartWithFiles(bool storeWasEmpty);
    void importPendingGettingStarted();
    // What a start writes before its first frame is made durable and the settings are written
    // once it is painted (or once the device link stops waiting for it).
    void holdStoreWritesUntilFirstFrame();
    void finishWritesAfterFirstFrame();
    void showDocumentMindMap();
    void releaseDocumentMindMap();
    void reportFirstFrame();

    // The one road out, taken by the Quit item, the window's close, Unix signals and the end of
    // the session alike: the open map is committed, the history and the map to reopen are saved,
    // and the termination processes run before the application goes.
    void requestQuit();
    // A quit asked for from outside the window (a signal, the session's end), possibly while a
    // dialog runs its own loop: the work is saved at once, the dialogs are answered, and the quit
    // itself runs once control is back in the main loop. Nobody may be there to answer an alert:
    // what could not be written is said on standard error. Only a map whose edits would be lost is
    // asked about, as on every road out, and meanwhile the end of the session waits; a second
    // request (signal) ends the program at once, saying what it could not save.
    void quitFromOutside(int signal = 0);
    // The Quit item or the window's close while a held file is asked about; true when it was put off.
    bool quitEndsHeldFileQuestion();
    [[noreturn]] void endAtOnce(int signal);
    // false, with what failed, when the open map could not be written.
    bool saveWorkNow(std::string* mapFailure);
    void finishQuitInMainLoop();
    void installQuitSignals();
    void removeQuitSignals();
    void showStoreUnusable(const Error& cause);
    bool acceptsCommands() const;

    // Errors met while a quit writes its files wait until everything is written: an alert waits
    // for the user, and a session that ends meanwhile must find the files complete. Errors met
    // while a later start's files are taken wait until that start is answered.
    void showAlert(const Error& error);
    void showDeferredErrors();
    class ErrorDeferral;

    std::chrono::steady_clock::time_point _started = std::chrono::steady_clock::now();
    MainMenu _mainMenu;
    ShellCommandPrompts _commandPrompts;
    CheckboxMenuHandler _checkboxMenuHandler{this};
    std::unique_ptr<MainWindow> _window;
    InstalledApplicationServices _terminationServices;
    std::unique_ptr<DocumentScheduler> _documentScheduler;
    std::shared_ptr<TwkDocumentController> _controller;
    // Shows the window's items; it goes before the window and the document controller.
    std::unique_ptr<MainWindowToolbar> _mainToolbar;
    std::unique_ptr<TerminationWindowController> _terminationController;
    std::unique_ptr<TerminationWindow> _terminationWindow;
    std::unique_ptr<ApplicationActions> _applicationActions;
    PreferencesWindowController _preferences;
    ObservationToken _mindMapChanged;
    std::vector<unsigned> _signalSources;
    sigc::connection _deviceLinkFallback;
    std::vector<Error> _deferredErrors;
    int _errorDeferrals = 0;
    bool _showingDeferredErrors = false;
    sigc::connection _deferredErrorsShown;
    std::deque<HeldFile> _heldFiles;
    bool _askingAboutHeldFiles = false;
    // The dialogs that run their own loop; when the last one ends, held files go on.
    int _modalSessions = 0;
    sigc::connection _heldFilesAsked;
    // Answers later starts; the first thing to go, as the answer of a program that is going away.
    std::unique_ptr<HandOverService> _handOver;
    StoreClaim _storeClaim = StoreClaim::Pending;
    Error _claimFailure;
    // The files of the command line, named when they could not be opened.
    std::vector<std::string> _commandLineFiles;
    std::map<std::string, std::string> _commandLineMapGuids;
    bool _ownsStore = true;
    // Set, with the status to end with, when the store could not be claimed.
    int _storeUnusableStatus = 0;
    bool _quitFromOutside = false;
    // Set from a quit put off until a held file's question has been closed, until the quit ends
    // or is called off.
    bool _quitRequested = false;
    // What the quit asked for from outside could not save, said again when a second request ends
    // the program at once.
    std::string _outsideQuitFailure;
    // Set while the session's end waits for the answer about a map that could not be saved.
    unsigned _logoutInhibit = 0;
    bool _checkedInitialState = false;
    bool _gettingStartedPending = false;
    std::atomic<bool> _firstFrameWritesDone{false};
    std::vector<std::function<void()>> _settingsWrites;
    bool _held = false;
};
