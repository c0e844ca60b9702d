#include "Editor/gtk/TarnwickApplication.h"

#include "Editor/ApplicationStartup.h"
#include "Editor/CommandRouter.h"
#include "Editor/RunLoopDocumentScheduler.h"
#include "Editor/gtk/MainWindow.h"
#include "MindMaps/MindMap.h"
#include "MindMaps/MindMapFormats.h"
#include "platform/NetworkController.h"
#include "platform/UserDefaults.h"
#include "platform/gtk/GioReachability.h"
#include "platform/gtk/GtkDesktopPorts.h"
#include "platform/gtk/GtkModalRun.h"
#include "store/CustomImageStore.h"
#include "store/MindMapInfoItem.h"
#include "store/MindMapProvider.h"
#include "store/MindMapProviders.h"
#include "store/MindMapStore.h"

#include <glibmm/main.h>
#include <glibmm/miscutils.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>

Glib::RefPtr<TarnwickApplication> TarnwickApplication::create()
{
    return Glib::RefPtr<TarnwickApplication>(new TarnwickApplication());
}

TarnwickApplication::TarnwickApplication() : Gtk::Application(ApplicationId, Gio::APPLICATION_HANDLES_OPEN)
{
    Glib::set_application_name(ApplicationName);
    addAction("terminate:", [this](const ActionSender*) { requestQuit(); });
    addAction("performClose:", [this](const ActionSender*) {
        if (_window) _window->close();
    });
}

TarnwickApplication::~TarnwickApplication()
{
    GtkModalRun::setSessionStarter(nullptr);
    setCommandPrompts(nullptr);
    // The controller's timers live on the window's scheduler: the controller goes first.
    _mindMapChanged = {};
    releaseDocumentMindMap();
    if (_controller) _controller->terminateSingletonDocument();
    if (EditorInterfaceInstance() == _controller.get()) SetEditorInterfaceInstance(nullptr);
    _controller.reset();
    _documentScheduler.reset();
}

void TarnwickApplication::on_startup()
{
    Gtk::Application::on_startup();
    installGtkDesktopPorts();
    setCommandPrompts(&_commandPrompts);
    // A dialog runs in the modal mode of the window's scheduler: autosave and a delayed edit wait
    // until it is answered.
    GtkModalRun::setSessionStarter([this]() -> std::shared_ptr<void> {
        if (!_window) return nullptr;
        return std::make_shared<Scheduler::ModeSession>(_window->scheduler().enterMode(ModalPanelRunLoopMode));
    });
    ApplicationStartup::registerDefaults(UserDefaults::standard());
    NetworkController::instance().setReachability(std::make_unique<GioReachability>());
    // The application answers last, after whatever the window and the editor handle.
    CommandRouter::shared().setResponderChain([this] {
        std::vector<Responder*> chain;
        if (EditorDocument* document = _controller ? _controller->singletonDocument() : nullptr)
            chain.push_back(document);
        chain.push_back(this);
        chain.push_back(&_checkboxMenuHandler);
        return chain;
    });
    CommandRouter::shared().setRunning(true);
    _mainMenu = MainMenu::build();
    prepareMainMenu(_mainMenu, _checkboxMenuHandler, Glib::get_application_name());
}

MainWindow& TarnwickApplication::singletonWindow()
{
    if (!_window) {
        _window = std::make_unique<MainWindow>(_mainMenu, CommandRouter::shared());
        _window->set_title(ApplicationName);
        if (std::getenv(StartupTimingVariable)) _window->setFirstFrameHandler([this] { reportFirstFrame(); });
        _window->setCloseHandler([this] {
            if (!_controller) return;
            releaseDocumentMindMap();
            _controller->mindMapEditorWillClose();
            // Closing the last window is a quit: it waits for the termination processes.
            requestQuit();
        });
        add_window(*_window);
    }
    if (!_controller) {
        _documentScheduler = std::make_unique<RunLoopDocumentScheduler>(_window->scheduler());
        _controller = std::make_shared<TwkDocumentController>(*_documentScheduler, *this, _terminationServices);
        SetEditorInterfaceInstance(_controller);
        _controller->makeSingletonDocument()->setWindow(_window.get());
        _mindMapChanged = NotificationCenter::defaultCenter().addObserver(
            AfterChangingMindMapNotification, nullptr, [this](const Notification&) { showDocumentMindMap(); });
    }
    _window->present();
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
    const StartupDocumentSteps steps{
        [this] { return _controller->reopenRememberedMindMap(); },
        [this](const std::string& guid) { _controller->openLocalMindMapOnGuid(guid); },
        [this, store] {
            if (MindMapInfoItem* item = store ? store->addMindMapInFolder(nullptr) : nullptr)
                _controller->openLocalMindMapOnGuid(item->guid());
        },
    };
    ApplicationStartup::checkInitialState(steps, store ? store->count() : 1);
}

void TarnwickApplication::on_activate()
{
    singletonWindow();
    checkInitialState();
}

void TarnwickApplication::on_open(const type_vec_files& files, const Glib::ustring&)
{
    on_activate();
    for (const Glib::RefPtr<Gio::File>& file : files) {
        std::string path = file->get_path();
        if (path.empty()) continue;
        Error error;
        if (!_controller->openDocumentWithContentsOfFile(path, &error)) presentError(error);
    }
}

void TarnwickApplication::presentError(const Error& error)
{
    if (_window) {
        _window->presentError(error);
    } else {
        std::fprintf(stderr, "%s\n", error.localizedDescription.c_str());
    }
}

void TarnwickApplication::requestQuit()
{
    if (!_controller) {
        quit();
        return;
    }
    releaseDocumentMindMap();
    if (_controller->applicationShouldTerminate() == TwkDocumentController::TerminateReply::Cancel) {
        // The process stays while the termination processes run, even with no window left.
        if (_controller->isQuitting() && !_held) {
            _held = true;
            hold();
        }
        return;
    }
    _controller->applicationWillTerminate();
    if (_held) {
        _held = false;
        release();
    }
    quit();
}

void TarnwickApplication::terminate()
{
    // Never from within the controller's call: it asks again once the call is over.
    Glib::signal_idle().connect_once([this] { requestQuit(); });
}

void TarnwickApplication::reportFirstFrame()
{
    auto sinceStart = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - _started).count();
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    std::printf("tarnwick-first-frame: %.1f ms since start, wall clock %lld.%09ld\n", sinceStart,
                static_cast<long long>(now.tv_sec), now.tv_nsec);
    std::fflush(stdout);
    if (std::getenv("TARNWICK_QUIT_AFTER_FIRST_FRAME")) requestQuit();
}
