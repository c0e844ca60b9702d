#include "Editor/gtk/TarnwickApplication.h"
#include "Editor/gtk/MainWindowActions.h"

#include "Editor/AdScheduler.h"
#include "Editor/ApplicationStartup.h"
#include "Editor/CommandRouter.h"
#include "Editor/ErrorAlert.h"
#include "Editor/GettingStartedMindMapCreator.h"
#include "Editor/HistoryMenu.h"
#include "Editor/RunLoopDocumentScheduler.h"
#include "Editor/TerminationWindowController.h"
#include "Editor/gtk/CloudProgressWindow.h"
#include "Editor/gtk/ColorPanelWindow.h"
#include "Editor/gtk/GtkDocumentPanels.h"
#include "Editor/gtk/MainWindow.h"
#include "Editor/gtk/MainWindowToolbar.h"
#include "Editor/gtk/StartupWaitWindow.h"
#include "Editor/gtk/StyleToolbarWidget.h"
#include "Editor/gtk/TerminationWindow.h"
#include "MindMaps/MindMap.h"
#include "MindMaps/MindMapFormats.h"
#include "Utils/GuidCreation.h"
#include "cloud/AuthorizationRedirects.h"
#include "editor-view/gtk/GtkPdfPageViewer.h"
#include "platform/AlertPanel.h"
#include "platform/Folders.h"
#include "platform/Localizer.h"
#include "platform/NetworkController.h"
#include "platform/UserDefaults.h"
#include "platform/gtk/DefunctAccessibles.h"
#include "platform/gtk/GioReachability.h"
#include "platform/gtk/GtkDesktopPorts.h"
#include "platform/gtk/GtkModalRun.h"
#include "store/CustomImageStore.h"
#include "store/MindMapInfoItem.h"
#include "store/MindMapProvider.h"
#include "store/MindMapProviders.h"
#include "store/MindMapStorage.h"
#include "store/MindMapStore.h"
#include "store/MindMapStoreLock.h"

#include <giomm/application.h>
#include <glib-unix.h>
#include <glibmm/main.h>
#include <glibmm/miscutils.h>
#include <gtkmm/icontheme.h>
#include <gtkmm/messagedialog.h>
#include <gtkmm/window.h>
#include <pango/pangocairo.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <unistd.h>
#include <utility>

namespace {

// The signals a session, a terminal or a service manager ends a program with.
constexpr int QuitSignals[] = {SIGTERM, SIGINT, SIGHUP};
// How often a quit asked for inside a dialog's loop looks whether control is back in the main loop.
constexpr unsigned MainLoopPollMilliseconds = 20;
// How long the device link waits for a first frame that does not come.
constexpr unsigned DeviceLinkFallbackMilliseconds = 2000;
constexpr const char* QuitCommitWaitingKey = "quit_commit_waiting";
constexpr const char* QuitAtOnceKey = "quit_at_once";
constexpr const char* QuitAtOnceNotSavedKey = "quit_at_once_not_saved";
constexpr const char* LogoutInhibitReasonKey = "quit_commit_logout_reason";

// Set when this process turned GDK's OpenGL probe off for itself.
bool s_disabledGl = false;
// Microseconds since the machine booted, the clock process start times are counted on.
int64_t bootTime()
{
    timespec now{};
    clock_gettime(CLOCK_BOOTTIME, &now);
    return int64_t(now.tv_sec) * 1000000 + now.tv_nsec / 1000;
}

// When this process was made, in microseconds since the boot: a start whose user gave it its files
// first counts as first, however long it took to reach the running program.
int64_t processStartTime()
{
    std::FILE* stat = std::fopen("/proc/self/stat", "r");
    char line[1024] = {};
    const bool read = stat && std::fgets(line, sizeof line, stat);
    if (stat) std::fclose(stat);
    // The process's name may hold spaces and parentheses: the fields are counted after its last ')'.
    const char* field = read ? std::strrchr(line, ')') : nullptr;
    unsigned long long ticks = 0;
    if (!field ||
        std::sscanf(field + 1, " %*c %*d %*d %*d %*d %*d %*u %*u %*u %*u %*u %*u %*u %*d %*d %*d %*d %*d %*d %llu",
                    &ticks) != 1)
        return bootTime();
    return int64_t(ticks) * 1000000 / sysconf(_SC_CLK_TCK);
}

int64_t s_givenAt = 0;

bool hasDisplay()
{
    const char* x11 = std::getenv("DISPLAY");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    return (x11 && *x11) || (wayland && *wayland);
}

// How many owners that went away before they took a start's files the start tries to reach: each
// try follows a program that ended, so only a burst of starts and quits exhausts them.
constexpr int HandOverAttempts = 8;
// Where GApplication serves the application's id; the hand-over is served beside it.
constexpr const char* ObjectPath = "/com/orrinworks/Tarnwick";
constexpr const char* HandOverWaitingKey = "handover_waiting_title";
constexpr const char* HandOverWaitingFilesKey = "handover_waiting_files";
constexpr const char* HandOverWaitingWindowKey = "handover_waiting_window";
constexpr const char* HandOverStopWaitingKey = "handover_stop_waiting";
constexpr const char* HandOverOpeningFilesKey = "handover_opening_files";
constexpr const char* HandOverOpeningWindowKey = "handover_opening_window";
constexpr const char* HandOverLeftOpeningFilesKey = "handover_left_opening_files";
constexpr const char* HandOverLeftOpeningWindowKey = "handover_left_opening_window";
constexpr const char* HandOverAskingKey = "handover_asking";
constexpr const char* HandOverAfterDialogKey = "handover_after_dialog";
constexpr const char* HandOverAfterQuestionKey = "handover_after_question";
constexpr const char* HandOverLeftToWindowKey = "handover_left_to_window";
constexpr const char* HandOverNotLocalKey = "handover_not_local";
constexpr const char* HandOverDeclinedKey = "handover_declined";
constexpr const char* FilesAskedAboutKey = "start_files_asked_about";
constexpr const char* StoreWaitingKey = "store_waiting_title";
constexpr const char* StoreWaitingDetailKey = "store_waiting_detail";
constexpr const char* StoreWaitingQuitKey = "store_waiting_quit";

// The session a claim of the store is recorded under: the bus the application's name is owned on.
std::string busSession(GApplication* application)
{
    GDBusConnection* connection = g_application_get_dbus_connection(application);
    const char* guid = connection ? g_dbus_connection_get_guid(connection) : nullptr;
    return guid ? guid : "";
}

// Options are left to the application's own command-line handling.
bool hasOptions(int argc, char* argv[])
{
    for (int i = 1; i < argc; ++i)
        if (argv[i][0] == '-' && argv[i][1] != '\0') return true;
    return false;
}

// The files of the command line: their addresses, their names as the user is told them, and the
// GUID each one's map is to have, the same on every try to hand them over.
struct CommandLineFiles {
    std::vector<std::string> uris;
    std::vector<std::string> names;
    std::vector<std::string> mapGuids;
};

CommandLineFiles commandLineFiles(int argc, char* argv[])
{
    CommandLineFiles files;
    for (int i = 1; i < argc; ++i) {
        GFile* file = g_file_new_for_commandline_arg(argv[i]);
        gchar* uri = g_file_get_uri(file);
        gchar* name = g_file_get_parse_name(file);
        files.uris.emplace_back(uri);
        files.names.emplace_back(name);
        files.mapGuids.push_back(createGUIDString());
        g_free(name);
        g_free(uri);
        g_object_unref(file);
    }
    return files;
}

// What a start hands over besides its files, as GApplication's own Open carries it: the folder it
// was started in and the desktop's start-up id, which lets the owner's window come to the front.
GVariant* startPlatformData(const std::vector<std::string>& mapGuids)
{
    GVariantBuilder platform;
    g_variant_builder_init(&platform, G_VARIANT_TYPE_VARDICT);
    if (!mapGuids.empty()) {
        GVariantBuilder guids;
        g_variant_builder_init(&guids, G_VARIANT_TYPE_STRING_ARRAY);
        for (const std::string& guid : mapGuids) g_variant_builder_add(&guids, "s", guid.c_str());
        g_variant_builder_add(&platform, "{sv}", ApplicationHandOver::MapGuidsKey, g_variant_builder_end(&guids));
    }
    g_variant_builder_add(&platform, "{sv}", ApplicationHandOver::GivenAtKey, g_variant_new_int64(s_givenAt));
    gchar* folder = g_get_current_dir();
    g_variant_builder_add(&platform, "{sv}", "cwd", g_variant_new_bytestring(folder));
    g_free(folder);
    const char* startupId = std::getenv("DESKTOP_STARTUP_ID");
    if (startupId && g_utf8_validate(startupId, -1, nullptr))
        g_variant_builder_add(&platform, "{sv}", "desktop-startup-id", g_variant_new_string(startupId));
    return g_variant_builder_end(&platform);
}

std::string joinedNames(const std::vector<std::string>& names)
{
    std::string joined;
    for (const std::string& name : names) joined += (joined.empty() ? "" : ", ") + name;
    return joined;
}

StartupWait::Notice handOverNotice(pid_t owner, const std::vector<std::string>& files)
{
    const std::string process = std::to_string(owner);
    return {localized(HandOverWaitingKey),
            files.empty() ? localizedFormat(HandOverWaitingWindowKey, {process})
                          : localizedFormat(HandOverWaitingFilesKey, {process, joinedNames(files)}),
            localized(HandOverStopWaitingKey),
            files.empty() ? localizedFormat(HandOverOpeningWindowKey, {process})
                          : localizedFormat(HandOverOpeningFilesKey, {process, joinedNames(files)})};
}

void printOnStandardError(const Error& error)
{
    std::fprintf(stderr, "tarnwick: %s\n%s\n", error.localizedDescription.c_str(), error.failureReason.c_str());
}

std::string notOpenedLine(const std::vector<std::string>& files)
{
    return files.empty() ? std::string()
                         : localizedFormat(TarnwickApplication::FilesNotOpenedKey, {joinedNames(files)});
}

// What a start whose files the running program took says of those it could not open, and of
// those it asks about in its window, named as the user gave them; the status it ends with.
int reportNotOpened(const std::vector<HandOverFailure>& failures, const std::vector<std::string>& uris,
                    const std::vector<std::string>& names)
{
    if (failures.empty()) return 0;
    std::vector<std::string> notOpened;
    std::vector<std::string> askedAbout;
    for (const HandOverFailure& failure : failures) {
        if (!failure.title.empty())
            std::fprintf(stderr, "tarnwick: %s\n%s\n", failure.title.c_str(), failure.reason.c_str());
        const auto given = std::find(uris.begin(), uris.end(), failure.uri);
        (failure.asking ? askedAbout : notOpened)
            .push_back(given != uris.end() && size_t(given - uris.begin()) < names.size()
                           ? names[size_t(given - uris.begin())]
                           : failure.uri);
    }
    if (!notOpened.empty()) std::fprintf(stderr, "tarnwick: %s\n", notOpenedLine(notOpened).c_str());
    if (!askedAbout.empty())
        std::fprintf(stderr, "tarnwick: %s\n", localizedFormat(FilesAskedAboutKey, {joinedNames(askedAbout)}).c_str());
    return notOpened.empty() ? TarnwickApplication::FilesLeftToOwnerExitStatus
                             : TarnwickApplication::FilesNotOpenedExitStatus;
}

// Answers every dialog that runs its own loop, as closing it would: each caller sees a cancel.
void answerOpenDialogs()
{
    GList* toplevels = gtk_window_list_toplevels();
    for (GList* node = toplevels; node; node = node->next) {
        GtkWidget* widget = GTK_WIDGET(node->data);
        if (GTK_IS_DIALOG(widget) && gtk_widget_get_visible(widget))
            gtk_dialog_response(GTK_DIALOG(widget), GTK_RESPONSE_DELETE_EVENT);
    }
    g_list_free(toplevels);
}

} // namespace

// Holds errors back for its lifetime; the outermost one shows what was held once it ends, or,
// made Later, once the main loop comes to it.
class TarnwickApplication::ErrorDeferral {
public:
    enum class Show { AtEnd, Later };
    explicit ErrorDeferral(TarnwickApplication& application, Show show = Show::AtEnd)
        : _application(application), _show(show)
    {
        ++_application._errorDeferrals;
    }
    ~ErrorDeferral()
    {
        if (--_application._errorDeferrals > 0) return;
        if (_show == Show::AtEnd) {
            _application.showDeferredErrors();
        } else if (!_application._deferredErrors.empty() && !_application._deferredErrorsShown.connected()) {
            TarnwickApplication* application = &_application;
            _application._deferredErrorsShown = Glib::signal_idle().connect([application] {
                application->showDeferredErrors();
                return false;
            });
        }
    }
    ErrorDeferral(const ErrorDeferral&) = delete;
    ErrorDeferral& operator=(const ErrorDeferral&) = delete;

private:
    TarnwickApplication& _application;
    Show _show;
};

int TarnwickApplication::runMain(int argc, char* argv[])
{
    markStartupPhase("main");
    s_givenAt = processStartTime();
    // The canvas draws with cairo alone: GDK's probe of OpenGL loads a library and asks the
    // display server at every start for nothing. Only this process skips it (see on_startup).
    if (!std::getenv("GDK_GL")) {
        g_setenv("GDK_GL", "disable", true);
        s_disabledGl = true;
    }
    StartupWaitWindow::install(ApplicationName, IconName);
    if (hasOptions(argc, argv)) {
        // GApplication reads the options and finds the owner itself; the store is claimed at start-up.
        return runToTheEnd(create(), argc, argv);
    }
    const CommandLineFiles files = commandLineFiles(argc, argv);
    for (int attempt = 0; attempt < HandOverAttempts; ++attempt) {
        HandOverStart start = handOverToOwner(ApplicationId, ObjectPath, files.uris, startPlatformData(files.mapGuids),
                                              [&files](pid_t owner) { return handOverNotice(owner, files.names); });
        using Result = HandOverStart::Result;
        if (start.result == Result::Taken) return reportNotOpened(start.notOpened, files.uris, files.names);
        if (start.result == Result::UnderWay) {
            const std::string process = std::to_string(start.owner);
            std::fprintf(stderr, "tarnwick: %s\n",
                         (files.names.empty()
                              ? localizedFormat(HandOverLeftOpeningWindowKey, {process})
                              : localizedFormat(HandOverLeftOpeningFilesKey, {process, joinedNames(files.names)}))
                             .c_str());
            return files.names.empty() ? 0 : FilesLeftToOwnerExitStatus;
        }
        if (start.result == Result::OwnerGone) continue;
        if (start.result == Result::Owner || start.result == Result::NoBus) {
            std::map<std::string, std::string> mapGuids;
            for (size_t i = 0; i < files.uris.size(); ++i) mapGuids[files.uris[i]] = files.mapGuids[i];
            return runApplication(argc, argv, std::move(start), files.names, std::move(mapGuids));
        }
        break;
    }
    // The user stopped waiting, the owner refused the files, or every owner this start reached
    // went away without taking them.
    printOnStandardError(storeClaimError({}, files.names));
    return StoreInUseExitStatus;
}

TarnwickApplication::ClaimResult TarnwickApplication::claimStore(const std::string& session, Error* failure)
{
    const std::string root = MindMapStore::tarnWickStoreRootPath();
    MindMapStoreLock::Holder quitting;
    bool claimed = false;
    const auto claim = [&] {
        claimed = MindMapStoreLock::claimForProcess(root, session, failure, &quitting);
        return claimed || quitting.pid == 0;
    };
    if (!claim()) {
        const StartupWait::Notice notice{localized(StoreWaitingKey),
                                         localizedFormat(StoreWaitingDetailKey, {std::to_string(quitting.pid), root}),
                                         localized(StoreWaitingQuitKey),
                                         {}};
        if (StartupWait::run(claim, notice) == StartupWait::Outcome::GaveUp) return ClaimResult::GaveUp;
    }
    return claimed ? ClaimResult::Claimed : ClaimResult::Failed;
}

int TarnwickApplication::runApplication(int argc, char* argv[], HandOverStart start,
                                        const std::vector<std::string>& files,
                                        std::map<std::string, std::string> mapGuids)
{
    // The store's lock comes before anything is written: a program that does not get it writes
    // nothing, whichever way it ends.
    Error failure;
    const ClaimResult claim = claimStore(start.session, &failure);
    if (claim == ClaimResult::GaveUp || (claim == ClaimResult::Failed && !hasDisplay())) {
        // Later starts that found this one the owner end as this one does.
        if (start.service) start.service->refuseAll();
        const Error error = claim == ClaimResult::GaveUp ? storeClaimError({}, files) : storeClaimError(failure, files);
        printOnStandardError(error);
        return claim == ClaimResult::GaveUp ? StoreInUseExitStatus : storeClaimExitStatus(failure);
    }
    Glib::RefPtr<TarnwickApplication> application = create(claim == ClaimResult::Claimed);
    application->_storeClaim = claim == ClaimResult::Claimed ? StoreClaim::Claimed : StoreClaim::Failed;
    application->_claimFailure = failure;
    application->_commandLineFiles = files;
    application->_commandLineMapGuids = std::move(mapGuids);
    application->_handOver = std::move(start.service);
    return runToTheEnd(std::move(application), argc, argv);
}

int TarnwickApplication::runToTheEnd(Glib::RefPtr<TarnwickApplication> application, int argc, char* argv[])
{
    int status = application->run(argc, argv);
    if (application->_storeUnusableStatus) status = application->_storeUnusableStatus;
    // Later starts still waiting hear now what became of their files: GTK may hold the
    // application object past this point, and its hand-over with it.
    application->_handOver.reset();
    // The application goes before the store it used, and the store before its claim.
    application.reset();
    MindMapStore::releaseMindMapStoreInstance();
    MindMapStoreLock::releaseProcessClaim();
    return status;
}

Error TarnwickApplication::storeClaimError(const Error& cause, const std::vector<std::string>& notOpened)
{
    const std::string root = MindMapStore::tarnWickStoreRootPath();
    Error error;
    if (cause.isEmpty() || MindMapStoreLock::isHeldElsewhere(cause)) {
        error = MakeAppError(0, localized(StoreInUseKey), localizedFormat(StoreInUseReasonKey, {root}));
    } else {
        error = cause;
        error.localizedDescription = localized(StoreNotWritableKey);
        const std::string reason = std::strerror(int(cause.code));
        // The claim names what it could not write: a folder of the store, or the lock file.
        const std::string& path = cause.failureReason.empty() ? root : cause.failureReason;
        error.failureReason = path == MindMapStoreLock::lockFilePath(root)
            ? localizedFormat(StoreLockNotWritableReasonKey, {root, path, reason})
            : localizedFormat(StoreNotWritableReasonKey, {path, reason});
    }
    if (!notOpened.empty()) error.failureReason += "\n" + notOpenedLine(notOpened);
    return error;
}

int TarnwickApplication::storeClaimExitStatus(const Error& cause)
{
    if (cause.isEmpty() || MindMapStoreLock::isHeldElsewhere(cause)) return StoreInUseExitStatus;
    return StoreNotWritableExitStatus;
}

Glib::RefPtr<TarnwickApplication> TarnwickApplication::create(bool ownsStore)
{
    return Glib::RefPtr<TarnwickApplication>(new TarnwickApplication(ownsStore));
}

TarnwickApplication::TarnwickApplication(bool ownsStore)
    : Gtk::Application(ApplicationId, Gio::APPLICATION_HANDLES_OPEN), _ownsStore(ownsStore)
{
    Glib::set_application_name(ApplicationName);
    ApplicationActions::Services services;
    services.acceptsCommands = [this] { return acceptsCommands(); };
    services.commitEditor = [this] { return !_controller || _controller->commitEditor(); };
    services.openMindMap = [this] { return getMindMap(); };
    services.store = [] { return MindMapStore::existingInstance(); };
    services.showPreferences = [this](const std::string& pane) { _preferences.showPreferencesAtIdentifier(pane); };
    // Read at each use: a packager's change shows without a restart, and a test may point elsewhere.
    services.addresses = [] { return ProductAddresses::loadInstalled(); };
    services.addressesSource = ProductAddresses::installedPath();
    services.applicationName = ApplicationName;
    _applicationActions = std::make_unique<ApplicationActions>(std::move(services));
    addAction("terminate:", [this](const ActionSender*) { requestQuit(); });
    addAction("performClose:", [this](const ActionSender*) {
        if (_window) _window->close();
    });
}

TarnwickApplication::~TarnwickApplication()
{
    _handOver.reset();
    _deferredErrorsShown.disconnect();
    _heldFilesAsked.disconnect();
    _deviceLinkFallback.disconnect();
    CustomImageStore::setDefaultIconsScheduler(nullptr);
    removeQuitSignals();
    // The link's thread may be waiting on the main thread for the map or the store: it is answered
    // and ended while both still stand.
    _terminationServices.releaseDeviceLinkServices();
    _terminationWindow.reset();
    _terminationController.reset();
    _preferences.destroyView();
    GtkModalRun::setSessionStarter(nullptr);
    setCommandPrompts(nullptr);
    // The controller's timers live on the window's scheduler: the controller goes first.
    _mindMapChanged = {};
    releaseDocumentMindMap();
    if (_controller) _controller->terminateSingletonDocument();
    if (EditorInterfaceInstance() == _controller.get()) SetEditorInterfaceInstance(nullptr);
    _controller.reset();
    _documentScheduler.reset();
    // No main loop runs past this point: what is left is written now, and later changes at once.
    if (_ownsStore) UserDefaults::standard().setWriteScheduler(nullptr);
}

void TarnwickApplication::on_startup()
{
    markStartupPhase("application created");
    // A start with options is claimed here, once GApplication has found it the owner.
    if (_storeClaim == StoreClaim::Pending && _ownsStore) {
        const ClaimResult claim = claimStore(busSession(G_APPLICATION(gobj())), &_claimFailure);
        if (claim == ClaimResult::GaveUp) _storeUnusableStatus = StoreInUseExitStatus;
        _ownsStore = claim == ClaimResult::Claimed;
    }
    Gtk::Application::on_startup();
    markStartupPhase("toolkit started");
    // Programs started from here (the browser of a link) probe OpenGL as usual.
    if (s_disabledGl) g_unsetenv("GDK_GL");
    // The first font map reads the font configuration on a thread of its own, and the window's
    // first text waits for it: made now, that reading overlaps the window's making. Not earlier:
    // the thread reads the environment, which must not change while it runs.
    pango_cairo_font_map_get_default();
    installGtkDesktopPorts();
    answerStatesOfDefunctAccessibles();
    // The application's own PDF viewer, when the panels installed it, comes first.
    static GtkPdfPageViewer pdfViewer;
    if (!PdfPreviewManager::hasViewer()) PdfPreviewManager::setViewer(&pdfViewer);
    if (!_ownsStore) {
        if (_handOver) _handOver->refuseAll();
        if (!_storeUnusableStatus) showStoreUnusable(_claimFailure);
        return;
    }
    installQuitSignals();
    // Logging out quits as the Quit item does.
    property_register_session() = true;
    g_signal_connect(gobj(), "query-end", G_CALLBACK(+[](GtkApplication*, gpointer self) {
                         static_cast<TarnwickApplication*>(self)->quitFromOutside(0);
                     }),
                     this);
    // Run from the build folder, the icon is beside the other resources; installed, in the theme.
    Gtk::IconTheme::get_default()->append_search_path(Folders::resourcesFolder() + "/icons");
    installGtkDocumentPanels();
    installColorPanelWindow();
    installCloudProgressWindow();
    setCommandPrompts(&_commandPrompts);
    // A dialog runs in the modal mode of the window's scheduler: autosave and a delayed edit wait
    // until it is answered, and so do the files held while it runs.
    GtkModalRun::setSessionStarter([this]() -> std::shared_ptr<void> {
        std::shared_ptr<Scheduler::ModeSession> mode;
        if (_window)
            mode = std::make_shared<Scheduler::ModeSession>(_window->scheduler().enterMode(ModalPanelRunLoopMode));
        ++_modalSessions;
        return std::shared_ptr<void>(static_cast<void*>(this), [this, mode](void*) mutable {
            mode.reset();
            if (--_modalSessions == 0) askAboutHeldFilesLater();
        });
    });
    // Start-up changes several settings; each written and synced on its own held the first frame
    // back. They are written together once the first frame is painted, later ones once the main
    // loop is idle; every quit writes them first.
    UserDefaults::standard().setWriteScheduler([this](std::function<void()> write) {
        if (_firstFrameWritesDone) Glib::signal_idle().connect_once(std::move(write));
        else _settingsWrites.push_back(std::move(write));
    });
    ApplicationStartup::registerDefaults(UserDefaults::standard());
    // A first start's default icons are written once the window is painted.
    CustomImageStore::setDefaultIconsScheduler([this](std::function<void()> write) {
        if (_window) _window->afterFirstFrame(std::move(write));
        else write();
    });
    NetworkController::instance().setReachability(std::make_unique<GioReachability>());
    // The canvas's editor comes first, after the text it is editing in place; then the window,
    // the document and the document controller; the application answers last.
    CommandRouter::shared().setResponderChain([this] {
        MainWindowResponders links = _window ? _window->responders() : MainWindowResponders();
        links.document = _controller ? _controller->singletonDocument() : nullptr;
        links.documentController = _controller.get();
        links.application = this;
        links.checkboxMenuHandler = &_checkboxMenuHandler;
        return mainWindowResponderChain(links);
    });
    CommandRouter::shared().setRunning(true);
    _mainMenu = MainMenu::build();
    prepareMainMenu(_mainMenu, _checkboxMenuHandler, Glib::get_application_name());
    markStartupPhase("application started");
}

MainWindow& TarnwickApplication::singletonWindow()
{
    if (!_window) {
        _window = std::make_unique<MainWindow>(_mainMenu, CommandRouter::shared(), false);
        _window->controller().setDocumentProvider(
            [this] { return _controller ? _controller->singletonDocument() : nullptr; });
        _window->set_title(ApplicationName);
        if (std::getenv(StartupTimingVariable)) _window->afterFirstFrame([this] { reportFirstFrame(); });
        _window->afterFirstFrame([this] { finishWritesAfterFirstFrame(); });
        // The icon is read and sent to the display in every size the theme has, the largest of
        // 512 pixels: the window manager gets it once the map is painted.
        _window->afterFirstFrame([this] {
            Gtk::Window::set_default_icon_name(IconName);
            _window->set_icon_name(IconName);
        });
        _window->setErrorHandler([this](const Error& error) { presentError(error); });
        _window->setCloseHandler([this] {
            if (!_controller) return true;
            if (quitEndsHeldFileQuestion()) return false;
            ErrorDeferral deferral(*this);
            if (!_controller->mindMapEditorWillClose()) return false;
            // Closing the last window is a quit: it waits for the termination processes.
            requestQuit();
            return true;
        });
        add_window(*_window);
        markStartupPhase("window made");
        StyleToolbarWidget::install(*_window,
                                    [this] { return _controller ? _controller->singletonDocument() : nullptr; });
    }
    if (!_controller) {
        _documentScheduler = std::make_unique<RunLoopDocumentScheduler>(_window->scheduler());
        _controller = std::make_shared<TwkDocumentController>(*_documentScheduler, *this, _terminationServices);
        SetEditorInterfaceInstance(_controller);
        _controller->makeSingletonDocument()->setWindow(_window.get());
        if (_mainMenu.historyMenu) _mainMenu.historyMenu->setController(_controller);
        _mindMapChanged = NotificationCenter::defaultCenter().addObserver(
            AfterChangingMindMapNotification, nullptr, [this](const Notification&) { showDocumentMindMap(); });
        _mainToolbar = std::make_unique<MainWindowToolbar>(*_window, _controller, _checkboxMenuHandler);
        markStartupPhase("toolbars and document");
    }
    // The first presenting only shows the window; like a later one, it also asks for the focus,
    // which no window manager may be there to give.
    const bool shown = _window->get_visible();
    _window->present();
    if (!shown) _window->present();
    // A map reopened at start may be a cloud's: its provider is there before the map is opened.
    _terminationServices.startCloudServices(_window->scheduler(), &_controller->history(), [this] {
        if (_window) _window->present();
    });
    // The link serves the store and the open map, so it starts once both are there, and its
    // threads and announcements wait until the window is painted. A window never painted
    // (started minimised) still gets its link, a little later.
    auto startLink = [this] {
        if (acceptsCommands()) _terminationServices.startDeviceLinkServices();
    };
    _window->afterFirstFrame(startLink);
    _deviceLinkFallback.disconnect();
    _deviceLinkFallback = Glib::signal_timeout().connect(
        [this, startLink] {
            finishWritesAfterFirstFrame();
            importPendingGettingStarted();
            startLink();
            return false;
        },
        DeviceLinkFallbackMilliseconds);
    return *_window;
}

void TarnwickApplication::showDocumentMindMap()
{
    if (!_window) return;
    EditorDocument* document = _controller ? _controller->singletonDocument() : nullptr;
    MindMap* mindMap = document ? document->mindMap() : nullptr;
    // The document owns its map; the view borrows it until the next switch.
    _window->showMindMap(mindMap ? std::shared_ptr<MindMap>(mindMap, [](MindMap*) {}) : nullptr);
}

void TarnwickApplication::releaseDocumentMindMap()
{
    // The view borrows the document's map, which goes with the document when the controller
    // terminates it: in-place edits are committed first, then the view lets go.
    if (_controller) _controller->commitModelessEditors();
    if (_window) _window->showMindMap(nullptr);
}

MindMap* TarnwickApplication::getMindMap()
{
    EditorDocument* document = _controller ? _controller->singletonDocument() : nullptr;
    return document ? document->mindMap() : nullptr;
}

void TarnwickApplication::checkInitialState()
{
    if (_checkedInitialState) return;
    _checkedInitialState = true;
    MindMapStore* store = MindMapStore::mindMapStoreInstance();
    holdStoreWritesUntilFirstFrame();
    // The getting-started map opens from the bytes its import wrote, not read back from the disk.
    MindMapData imported;
    const StartupDocumentSteps steps{
        [this] { return _controller->reopenRememberedMindMap(); },
        [this, &imported](const std::string& guid) { _controller->openLocalMindMapOnGuid(guid, std::move(imported)); },
        [this, store] {
            if (MindMapInfoItem* item = store ? store->addMindMapInFolder(nullptr) : nullptr)
                _controller->openLocalMindMapOnGuid(item->guid());
        },
    };
    ApplicationStartup::checkInitialState(steps, store ? store->count() : 1, [&imported] {
        MindMapInfoItem* item = GettingStartedMindMapCreator::importGettingStartedMindMap(nullptr, &imported);
        return item ? item->guid() : std::string();
    });
}

void TarnwickApplication::holdStoreWritesUntilFirstFrame()
{
    if (_firstFrameWritesDone) return;
    if (MindMapStore* store = MindMapStore::existingInstance()) store->holdWrites();
}

void TarnwickApplication::finishWritesAfterFirstFrame()
{
    if (_firstFrameWritesDone.exchange(true)) return;
    // The map files are durable under their names before the settings, which may name one.
    if (MindMapStore* store = MindMapStore::existingInstance()) store->finishHeldWrites();
    for (std::function<void()>& write : std::exchange(_settingsWrites, {})) write();
}

void TarnwickApplication::on_activate()
{
    if (_storeUnusableStatus) return;
    singletonWindow();
    markStartupPhase("window shown");
    checkInitialState();
    markStartupPhase("map opened");
    serveHandOvers();
}

void TarnwickApplication::on_open(const type_vec_files& files, const Glib::ustring&)
{
    if (_storeUnusableStatus) return;
    takeFiles(files, std::exchange(_commandLineMapGuids, {}), bootTime());
    serveHandOvers();
}

std::vector<TarnwickApplication::FileNotOpened>
TarnwickApplication::takeFiles(const type_vec_files& files, const std::map<std::string, std::string>& mapGuids,
                               int64_t givenAt)
{
    // A cloud sign-in comes back from the browser as an address of the program's own scheme, in a
    // second start that hands it to this one. It opens no map.
    std::vector<Glib::RefPtr<Gio::File>> maps;
    for (const Glib::RefPtr<Gio::File>& file : files) {
        if (file->get_path().empty() && AuthorizationRedirects::handleAuthorizationURL(file->get_uri())) continue;
        maps.push_back(file);
    }
    if (maps.empty() && !files.empty() && _checkedInitialState) return {};
    if (_checkedInitialState && !acceptsCommands()) {
        // Only a sender that does not wait for the answer hands files over while this program
        // quits: what it leaves unopened is said here.
        std::vector<std::string> names;
        std::vector<FileNotOpened> notOpened;
        for (const Glib::RefPtr<Gio::File>& file : maps) {
            names.push_back(file->get_parse_name());
            notOpened.push_back({file->get_uri(), {}, false});
        }
        std::fprintf(stderr, "tarnwick: %s\n", notOpenedLine(names).c_str());
        return notOpened;
    }
    return openFiles(maps, mapGuids, givenAt);
}

void TarnwickApplication::serveHandOvers()
{
    if (!_handOver) return;
    _handOver->setReceiver([this](const std::vector<std::string>& uris, GVariant* platformData) {
        return takeHandOver(uris, platformData);
    });
}

std::optional<std::vector<HandOverFailure>> TarnwickApplication::takeHandOver(const std::vector<std::string>& uris,
                                                                              GVariant* platformData)
{
    // A quit under way may still be cancelled by the user; otherwise the start is answered as one
    // of a program that is going away, and takes over.
    if (!acceptsCommands()) return std::nullopt;
    std::map<std::string, std::string> mapGuids;
    // A start of an earlier version does not say when it began: its files count from now.
    gint64 givenAt = bootTime();
    g_variant_lookup(platformData, ApplicationHandOver::GivenAtKey, "x", &givenAt);
    if (GVariant* guids =
            g_variant_lookup_value(platformData, ApplicationHandOver::MapGuidsKey, G_VARIANT_TYPE_STRING_ARRAY)) {
        gsize count = 0;
        const gchar** given = g_variant_get_strv(guids, &count);
        for (gsize i = 0; i < count && i < uris.size(); ++i) mapGuids[uris[i]] = given[i];
        g_free(given);
        g_variant_unref(guids);
    }
    // As for GApplication's own Open: the start-up id lets the window come to the front.
    GApplicationClass* application = G_APPLICATION_GET_CLASS(gobj());
    application->before_emit(G_APPLICATION(gobj()), platformData);
    std::vector<FileNotOpened> notOpened;
    {
        // The start is answered before an alert about its files comes up: an alert waits for the
        // user, and a later start must not wait with it.
        ErrorDeferral deferral(*this, ErrorDeferral::Show::Later);
        if (uris.empty()) {
            activate();
        } else {
            type_vec_files files;
            for (const std::string& uri : uris) files.push_back(Gio::File::create_for_uri(uri));
            notOpened = takeFiles(files, mapGuids, givenAt);
        }
    }
    application->after_emit(G_APPLICATION(gobj()), platformData);
    std::vector<HandOverFailure> failures;
    for (const FileNotOpened& file : notOpened) {
        failures.push_back({file.uri, file.error.localizedDescription, file.error.failureReason, file.asked});
    }
    return failures;
}

std::vector<TarnwickApplication::FileNotOpened>
TarnwickApplication::openFiles(const type_vec_files& files, const std::map<std::string, std::string>& mapGuids,
                               int64_t givenAt)
{
    // A shown window comes forward with the map it opens: one presented for a file that is only
    // asked about, or waits, would take the focus from the window the user works in, where the
    // question then shows.
    if (!_window || !_controller) singletonWindow();
    // A start with files opens them, not the map the start would open first only to leave it at
    // once: that map is parsed, laid out and put in the history for nothing.
    const bool starting = !_checkedInitialState;
    _checkedInitialState = true;
    MindMapStore* store = MindMapStore::mindMapStoreInstance();
    if (starting) holdStoreWritesUntilFirstFrame();
    const bool storeWasEmpty = store && store->count() == 0;
    // A start whose files do not open shows what a start without files shows, and then says why:
    // an alert over an empty window until it is answered tells only half of it.
    std::optional<ErrorDeferral> startErrors;
    if (starting) startErrors.emplace(*this, ErrorDeferral::Show::Later);
    std::vector<FileNotOpened> notOpened;
    for (const Glib::RefPtr<Gio::File>& file : files) {
        const std::string uri = file->get_uri();
        std::string path = file->get_path();
        if (path.empty()) {
            notOpened.push_back({uri, MakeAppError(0, localized(HandOverNotLocalKey), uri), false});
            continue;
        }
        const auto guid = mapGuids.find(uri);
        const std::string mapGuid = guid != mapGuids.end() ? guid->second : "";
        // The open map stays while a dialog works on it (printing, exporting, choosing files) or
        // while the user is asked whether to drop its changes: the file is opened once they are
        // done, in the order files were given.
        const bool commitAsked = _controller->isAskingToCommit();
        if (commitAsked || dialogInFront(false)) {
            holdFile({path, file->get_parse_name(), mapGuid, givenAt});
            notOpened.push_back(
                {uri,
                 MakeAppError(0, localized(commitAsked ? HandOverAfterQuestionKey : HandOverAfterDialogKey),
                              localized(HandOverLeftToWindowKey)),
                 true});
            continue;
        }
        Error error;
        std::vector<AlertPanel::Request> questions;
        {
            // A question waits for the user, and whoever handed the file over, or starts later,
            // must not wait with it: it comes up once they are answered, and the file with it.
            AlertPanel::Hold hold;
            if (_controller->openDocumentWithContentsOfFile(path, &error, mapGuid)) continue;
            questions = hold.questions();
        }
        if (!questions.empty() && error.isEmpty()) {
            holdFile({path, file->get_parse_name(), mapGuid, givenAt});
            notOpened.push_back(
                {uri, MakeAppError(0, localized(HandOverAskingKey), questions.front().messageText), true});
            continue;
        }
        // A question answered with cancel fails without an error: there is nothing to show, but
        // a start still hears why its file did not open.
        if (!error.isEmpty()) presentError(error);
        else error = MakeAppError(0, localized(HandOverDeclinedKey), file->get_parse_name());
        notOpened.push_back({uri, error, false});
    }
    if (!starting) return notOpened;
    if (!_controller->currentStorage()) {
        _checkedInitialState = false;
        checkInitialState();
        return notOpened;
    }
    finishStartWithFiles(storeWasEmpty);
    return notOpened;
}

void TarnwickApplication::holdFile(HeldFile file)
{
    // Stable: files of one start, and of starts begun at the same moment, keep their order.
    const auto after = std::upper_bound(_heldFiles.begin(), _heldFiles.end(), file.givenAt,
                                        [](int64_t givenAt, const HeldFile& held) { return givenAt < held.givenAt; });
    _heldFiles.insert(after, std::move(file));
    askAboutHeldFilesLater();
}

void TarnwickApplication::askAboutHeldFilesLater()
{
    if (_heldFiles.empty() || _heldFilesAsked.connected()) return;
    _heldFilesAsked = Glib::signal_idle().connect([this] {
        askAboutHeldFiles();
        return false;
    });
}

bool TarnwickApplication::dialogInFront(bool alerts)
{
    for (Gtk::Window* window : Gtk::Window::list_toplevels()) {
        if (!window->get_visible() || !window->get_modal()) continue;
        if (alerts || !dynamic_cast<Gtk::MessageDialog*>(window)) return true;
    }
    return false;
}

void TarnwickApplication::askAboutHeldFiles()
{
    // One question at a time: files held while one is up follow it. A dialog in front goes first;
    // its end asks again.
    if (_askingAboutHeldFiles || _modalSessions > 0 || dialogInFront(true)) return;
    _askingAboutHeldFiles = true;
    const auto quitting = [this] { return !acceptsCommands() || _quitFromOutside || _quitRequested; };
    while (!_heldFiles.empty() && _controller && !quitting()) {
        const HeldFile file = _heldFiles.front();
        _heldFiles.pop_front();
        Error error;
        const bool opened = _controller->openDocumentWithContentsOfFile(file.path, &error, file.mapGuid);
        // A quit that closed the question was no answer of the user's: the file is named with
        // the others the quit leaves, or asked about again if the quit is called off.
        if (!opened && error.isEmpty() && quitting()) {
            _heldFiles.push_front(file);
            break;
        }
        if (!opened && !error.isEmpty()) presentError(error);
    }
    _askingAboutHeldFiles = false;
}

void TarnwickApplication::sayHeldFilesNotOpened()
{
    _heldFilesAsked.disconnect();
    if (_heldFiles.empty()) return;
    std::vector<std::string> names;
    for (const HeldFile& file : std::exchange(_heldFiles, {})) names.push_back(file.name);
    std::fprintf(stderr, "tarnwick: %s\n", notOpenedLine(names).c_str());
}

void TarnwickApplication::finishStartWithFiles(bool storeWasEmpty)
{
    // The remembered map goes where leaving it would have put it: Back returns to it.
    UserDefaults& defaults = UserDefaults::standard();
    const std::string providerId = defaults.stringForKey(TwkDocumentController::ReopenProviderIdKey);
    const std::string mindMapId = defaults.stringForKey(TwkDocumentController::ReopenMindMapIdKey);
    MindMapStorage* open = _controller->currentStorage();
    if (!providerId.empty() && !mindMapId.empty() &&
        !(open && open->isEqual(MindMapProviders::instance().getProviderById(providerId), mindMapId))) {
        _controller->backwardStack().push(HistoryPoint(providerId, mindMapId));
        _controller->history().addPoint(HistoryPoint(providerId, mindMapId));
    }
    // A first start still leaves the getting-started map in the store, once the window shows (or
    // before a quit that comes first).
    if (storeWasEmpty) {
        _gettingStartedPending = true;
        _window->afterFirstFrame([this] { importPendingGettingStarted(); });
    }
}

void TarnwickApplication::importPendingGettingStarted()
{
    if (!_gettingStartedPending) return;
    _gettingStartedPending = false;
    if (MindMapStore::existingInstance()) GettingStartedMindMapCreator::importGettingStartedMindMap();
}

void TarnwickApplication::presentError(const Error& error)
{
    if (_quitFromOutside) {
        printOnStandardError(error);
        return;
    }
    if (_errorDeferrals > 0) {
        _deferredErrors.push_back(error);
        return;
    }
    showAlert(error);
}

void TarnwickApplication::showAlert(const Error& error)
{
    // A quit asked for from outside may have nobody to answer an alert.
    if (_quitFromOutside) {
        printOnStandardError(error);
        return;
    }
    // An alert of the start may come before the window's first frame has given the windows their
    // icon.
    Gtk::Window::set_default_icon_name(IconName);
    // The alert is modal on the active window, or stands alone when none is left.
    AlertPanel::shared().runModal(ErrorAlert::request(error));
}

void TarnwickApplication::showDeferredErrors()
{
    // One alert at a time: errors that come while one is up follow it.
    if (_showingDeferredErrors) return;
    _showingDeferredErrors = true;
    while (!_deferredErrors.empty()) {
        const Error error = _deferredErrors.front();
        _deferredErrors.erase(_deferredErrors.begin());
        showAlert(error);
    }
    _showingDeferredErrors = false;
}

void TarnwickApplication::showStoreUnusable(const Error& cause)
{
    _storeUnusableStatus = storeClaimExitStatus(cause);
    Error error = storeClaimError(cause, _commandLineFiles);
    printOnStandardError(error);
    showAlert(error);
}

bool TarnwickApplication::quitEndsHeldFileQuestion()
{
    // The question's caller holds the document until it is answered: the question is closed, its
    // file named with the others the quit leaves, and the quit goes on in the main loop.
    if (!_askingAboutHeldFiles || g_main_depth() <= 1) return false;
    _quitRequested = true;
    answerOpenDialogs();
    finishQuitInMainLoop();
    return true;
}

void TarnwickApplication::requestQuit()
{
    if (!_controller) {
        quit();
        return;
    }
    if (quitEndsHeldFileQuestion()) return;
    {
        ErrorDeferral deferral(*this);
        importPendingGettingStarted();
        if (_controller->applicationShouldTerminate() == TwkDocumentController::TerminateReply::Cancel) {
            // The user kept the program with a map that could not be saved: nothing of the quit
            // was done, and a later signal or logout asks again.
            if (!_controller->isTerminated()) {
                _quitFromOutside = false;
                _quitRequested = false;
                _outsideQuitFailure.clear();
                if (_logoutInhibit) uninhibit(std::exchange(_logoutInhibit, 0));
                askAboutHeldFilesLater();
                return;
            }
            // Everything is written before the quit waits for the termination processes: a session
            // that ends meanwhile finds every file complete.
            if (MindMapStore* store = MindMapStore::existingInstance()) store->saveIndexToFile();
            UserDefaults::standard().synchronize();
            // The process stays while the termination processes run, even with no window left.
            if (_controller->isQuitting() && !_held) {
                _held = true;
                hold();
            }
            return;
        }
        if (_window) _window->saveWindowState();
        _controller->applicationWillTerminate();
    }
    sayHeldFilesNotOpened();
    if (_held) {
        _held = false;
        release();
    }
    quit();
}

void TarnwickApplication::quitFromOutside(int signal)
{
    // The first request saved the work: a second one, a signal, ends the program at once. A
    // request while the user is asked about a map that cannot be saved leaves the answer to them.
    if (_quitFromOutside) {
        if (signal) endAtOnce(signal);
        return;
    }
    _quitFromOutside = true;
    if (_controller && _controller->isAskingToQuit()) {
        std::fprintf(stderr, "Tarnwick: %s\n", localized(QuitCommitWaitingKey).c_str());
        return;
    }
    std::string failure;
    if (!saveWorkNow(&failure)) {
        // The quit asks in the window; a terminal or the session's log says why it waits, and a
        // session that ends waits for the answer too.
        _outsideQuitFailure = failure;
        std::fprintf(stderr, "Tarnwick: %s\n%s\n", failure.c_str(), localized(QuitCommitWaitingKey).c_str());
        if (_window && !_logoutInhibit)
            _logoutInhibit = inhibit(*_window, Gtk::APPLICATION_INHIBIT_LOGOUT, localized(LogoutInhibitReasonKey));
    }
    answerOpenDialogs();
    finishQuitInMainLoop();
}

void TarnwickApplication::endAtOnce(int signal)
{
    sayHeldFilesNotOpened();
    if (_outsideQuitFailure.empty()) std::fprintf(stderr, "Tarnwick: %s\n", localized(QuitAtOnceKey).c_str());
    else
        std::fprintf(stderr, "Tarnwick: %s\n%s\n", localized(QuitAtOnceNotSavedKey).c_str(),
                     _outsideQuitFailure.c_str());
    std::fflush(stdout);
    // Ended by the signal itself, as the sender expects of a program that does not handle it; the
    // system lets go of the store's lock.
    std::signal(signal, SIG_DFL);
    std::raise(signal);
    _exit(128 + signal);
}

bool TarnwickApplication::saveWorkNow(std::string* mapFailure)
{
    if (!_controller || _controller->isTerminated()) return true;
    ErrorDeferral deferral(*this);
    importPendingGettingStarted();
    // A dialog may be up, its caller waiting with the document in hand: the document stays, only
    // what it holds is written, as the quit would write it. A map that cannot be written is asked
    // about by the quit itself.
    bool committed = true;
    if (EditorDocument* document = _controller->singletonDocument()) {
        Error error;
        committed = document->commitEditor(&error);
        if (!committed) {
            const Error failure = ErrorAlert::commitFailure(error, ErrorAlert::Kept::EditsStayOpen, document->title());
            *mapFailure = failure.localizedDescription + " " + ErrorAlert::plainCause(error);
        }
    }
    _controller->history().saveNavigationHistory();
    if (_window) _window->saveWindowState();
    UserDefaults& defaults = UserDefaults::standard();
    if (MindMapStorage* storage = _controller->currentStorage()) {
        defaults.setString(TwkDocumentController::ReopenProviderIdKey, storage->providerId());
        defaults.setString(TwkDocumentController::ReopenMindMapIdKey, storage->id());
    }
    if (MindMapStore* store = MindMapStore::existingInstance()) store->saveIndexToFile();
    defaults.synchronize();
    return committed;
}

void TarnwickApplication::finishQuitInMainLoop()
{
    // A dialog's loop ends after its answer; the quit takes the document away, which its caller
    // may still hold until then.
    Glib::signal_timeout().connect(
        [this] {
            if (g_main_depth() > 1) return true;
            requestQuit();
            return false;
        },
        MainLoopPollMilliseconds);
}

void TarnwickApplication::installQuitSignals()
{
    struct Received {
        TarnwickApplication* application;
        int signal;
    };
    for (int signal : QuitSignals) {
        _signalSources.push_back(g_unix_signal_add_full(
            G_PRIORITY_DEFAULT, signal,
            [](gpointer data) -> gboolean {
                const Received* received = static_cast<Received*>(data);
                received->application->quitFromOutside(received->signal);
                return G_SOURCE_CONTINUE;
            },
            new Received{this, signal}, [](gpointer data) { delete static_cast<Received*>(data); }));
    }
}

void TarnwickApplication::removeQuitSignals()
{
    for (unsigned source : _signalSources) g_source_remove(source);
    _signalSources.clear();
}

void TarnwickApplication::terminate()
{
    // Never from within the controller's call: it asks again once the call is over.
    Glib::signal_idle().connect_once([this] { requestQuit(); });
}

void TarnwickApplication::willReleaseSingletonDocument()
{
    // The view borrows the document's map, which goes with the document.
    if (_window) _window->showMindMap(nullptr);
}

void TarnwickApplication::closeAllWindows()
{
    // The main window stays, empty, under the shutting-down window; whatever else is open goes.
    for (Gtk::Window* window : get_windows())
        if (window != _window.get() && window != _terminationWindow.get()) window->hide();
}

void TarnwickApplication::showTerminationWindow(const std::vector<TerminationProcess*>& processes)
{
    _terminationWindow.reset();
    _terminationController = std::make_unique<TerminationWindowController>(processes);
    Gtk::Window* parent = _window && _window->get_visible() ? _window.get() : nullptr;
    _terminationWindow = std::make_unique<TerminationWindow>(*_terminationController, parent);
}

void TarnwickApplication::terminationProcessesChanged()
{
    if (_terminationController && _controller)
        _terminationController->processesChanged(_controller->terminationProcesses());
}

bool TarnwickApplication::acceptsCommands() const
{
    if (!CommandRouter::shared().isRunning()) return false;
    return !_controller || !(_controller->isQuitting() || _controller->isTerminated());
}

bool TarnwickApplication::respondsToAction(const std::string& action) const
{
    return Responder::respondsToAction(action) ||
        (_applicationActions && _applicationActions->respondsToAction(action));
}

bool TarnwickApplication::performAction(const std::string& action, const ActionSender* sender)
{
    if (Responder::performAction(action, sender)) return true;
    return _applicationActions && _applicationActions->performAction(action, sender);
}

ItemValidation TarnwickApplication::validateUserInterfaceItem(const ValidatedUserInterfaceItem& item)
{
    if (!Responder::respondsToAction(item.action()) && _applicationActions)
        return _applicationActions->validateUserInterfaceItem(item);
    return {};
}

void TarnwickApplication::updateWindows()
{
    if (_window) _window->scheduleValidation();
}

void TarnwickApplication::checkScheduledAds()
{
    if (!_window || !acceptsCommands()) return;
    ScheduledMessages::Services services = ScheduledMessages::applicationServices(
        [](const std::string& action) { CommandRouter::shared().sendAction(action, nullptr, nullptr); });
    services.showNewFeatures = [this] {
        if (_applicationActions) _applicationActions->showNewFeatures();
    };
    ScheduledMessages(std::move(services)).checkScheduledAds();
}

void TarnwickApplication::closeCustomStyleEditor()
{
    MainWindowActions::closeCustomStyleEditor();
}

void TarnwickApplication::closePreferencesWindow()
{
    _preferences.close();
}

void TarnwickApplication::markStartupPhase(const char* phase)
{
    static const bool enabled = std::getenv(StartupTimingVariable) != nullptr;
    if (!enabled) return;
    // The wall clock counts from main(); the processor's from the exec, with the loading of the
    // libraries.
    static const auto mainStarted = std::chrono::steady_clock::now();
    timespec cpu{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &cpu);
    const double wall =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - mainStarted).count();
    std::printf("tarnwick-phase: %-22s %7.1f ms since main, %6.1f ms of processor\n", phase, wall,
                double(cpu.tv_sec) * 1000.0 + double(cpu.tv_nsec) / 1e6);
    std::fflush(stdout);
}

void TarnwickApplication::reportFirstFrame()
{
    markStartupPhase("first frame");
    auto sinceStart = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - _started).count();
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    std::printf("tarnwick-first-frame: %.1f ms since start, wall clock %lld.%09ld\n", sinceStart,
                static_cast<long long>(now.tv_sec), now.tv_nsec);
    std::fflush(stdout);
    if (std::getenv("TARNWICK_QUIT_AFTER_FIRST_FRAME")) requestQuit();
}
