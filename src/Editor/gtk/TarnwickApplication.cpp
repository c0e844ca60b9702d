#include "Editor/gtk/TarnwickApplication.h"

#include "Editor/CommandRouter.h"
#include "Editor/gtk/MainWindow.h"
#include "MindMaps/MindMap.h"
#include "MindMaps/MindMapFormats.h"
#include "platform/NetworkController.h"
#include "platform/UserDefaults.h"
#include "platform/gtk/GioReachability.h"
#include "store/CustomImageStore.h"
#include "store/MindMapInfoItem.h"
#include "store/MindMapProvider.h"
#include "store/MindMapProviders.h"
#include "store/MindMapStore.h"

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
    addAction("terminate:", [this](const ActionSender*) { quit(); });
    addAction("performClose:", [this](const ActionSender*) {
        if (_window) _window->close();
    });
}

TarnwickApplication::~TarnwickApplication() = default;

void TarnwickApplication::on_startup()
{
    Gtk::Application::on_startup();
    ApplicationStartup::registerDefaults(UserDefaults::standard());
    NetworkController::instance().setReachability(std::make_unique<GioReachability>());
    // The application answers last, after whatever the window and the editor handle.
    CommandRouter::shared().setResponderChain([this] { return std::vector<Responder*>{this, &_checkboxMenuHandler}; });
    CommandRouter::shared().setRunning(true);
    _mainMenu = MainMenu::build();
    prepareMainMenu(_mainMenu, _checkboxMenuHandler, Glib::get_application_name());
}

MainWindow& TarnwickApplication::verifySingletonDocumentVisible()
{
    if (!_window) {
        _window = std::make_unique<MainWindow>(_mainMenu, CommandRouter::shared());
        _window->set_title(ApplicationName);
        if (std::getenv(StartupTimingVariable)) _window->setFirstFrameHandler([this] { reportFirstFrame(); });
        add_window(*_window);
    }
    _window->present();
    return *_window;
}

void TarnwickApplication::on_activate()
{
    verifySingletonDocumentVisible();
    if (_checkedInitialState) return;
    _checkedInitialState = true;
    MindMapStore* store = MindMapStore::mindMapStoreInstance();
    ApplicationStartup::checkInitialState(*this, UserDefaults::standard(), store ? store->count() : 1);
}

void TarnwickApplication::on_open(const type_vec_files& files, const Glib::ustring&)
{
    on_activate();
    MindMapStore* store = MindMapStore::mindMapStoreInstance();
    if (!store) return;
    for (const Glib::RefPtr<Gio::File>& file : files) {
        std::string path = file->get_path();
        if (path.empty()) continue;
        if (MindMapInfoItem* item = store->importMindMapFile(path)) openLocalMindMapOnGuid(item->guid());
    }
}

void TarnwickApplication::asyncOpenMindMap(const std::string& providerId, const std::string& mindMapId)
{
    // Cloud maps arrive through their providers, which are not running here.
    MindMapProvider* local = MindMapProviders::localProvider();
    if (local && local->id() == providerId) openLocalMindMapOnGuid(mindMapId);
}

void TarnwickApplication::openLocalMindMapOnGuid(const std::string& guid)
{
    MindMapStore* store = MindMapStore::mindMapStoreInstance();
    MindMapInfoItem* item = store ? store->mindMapByGuid(guid) : nullptr;
    std::optional<MindMapData> data = item ? item->getMindMapData() : std::nullopt;
    auto mindMap = std::make_shared<MindMap>(CustomImageStore::localImageStore());
    if (!data || !mindMap->readFromData(*data, item->guid(), int32_t(MindMapReadFormat::Native))) return;
    _mindMap = std::move(mindMap);
    verifySingletonDocumentVisible().showMindMap(_mindMap);
}

void TarnwickApplication::newDocument()
{
    MindMapStore* store = MindMapStore::mindMapStoreInstance();
    if (MindMapInfoItem* item = store ? store->addMindMapInFolder(nullptr) : nullptr)
        openLocalMindMapOnGuid(item->guid());
}

void TarnwickApplication::reportFirstFrame()
{
    auto sinceStart = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - _started).count();
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    std::printf("tarnwick-first-frame: %.1f ms since start, wall clock %lld.%09ld\n", sinceStart,
                static_cast<long long>(now.tv_sec), now.tv_nsec);
    std::fflush(stdout);
    if (std::getenv("TARNWICK_QUIT_AFTER_FIRST_FRAME")) quit();
}
