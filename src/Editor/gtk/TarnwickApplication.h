#pragma once

#include "Editor/ApplicationStartup.h"
#include "Editor/CheckboxMenuHandler.h"
#include "Editor/MainMenu.h"

#include <gtkmm/application.h>

#include <chrono>
#include <memory>

class MainWindow;
class MindMap;

// The running application: one per user session. A second start hands its files to the first
// one and ends, so the store is never opened twice.
class TarnwickApplication : public Gtk::Application,
                            public StartupDocumentOpener,
                            public CheckboxMenuHandlerDelegate,
                            public Responder {
public:
    static constexpr const char* ApplicationId = "com.orrinworks.Tarnwick";
    static constexpr const char* ApplicationName = "Tarnwick";
    // Set in the environment, it has the first painted frame print a timing line.
    static constexpr const char* StartupTimingVariable = "TARNWICK_STARTUP_TIMING";

    static Glib::RefPtr<TarnwickApplication> create();
    ~TarnwickApplication() override;

    // StartupDocumentOpener
    void asyncOpenMindMap(const std::string& providerId, const std::string& mindMapId) override;
    void openLocalMindMapOnGuid(const std::string& guid) override;
    void newDocument() override;

    // CheckboxMenuHandlerDelegate
    MindMap* getMindMap() override { return _mindMap.get(); }

protected:
    TarnwickApplication();
    void on_startup() override;
    void on_activate() override;
    void on_open(const type_vec_files& files, const Glib::ustring& hint) override;

private:
    MainWindow& verifySingletonDocumentVisible();
    void reportFirstFrame();

    std::chrono::steady_clock::time_point _started = std::chrono::steady_clock::now();
    MainMenu _mainMenu;
    CheckboxMenuHandler _checkboxMenuHandler{this};
    std::unique_ptr<MainWindow> _window;
    std::shared_ptr<MindMap> _mindMap;
    bool _checkedInitialState = false;
};
