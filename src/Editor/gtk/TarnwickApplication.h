#pragma once

#include "Editor/CheckboxMenuHandler.h"
#include "Editor/MainMenu.h"
#include "Editor/ShellCommandPrompts.h"
#include "Editor/TwkDocumentController.h"
#include "platform/NotificationCenter.h"

#include <gtkmm/application.h>

#include <chrono>
#include <memory>

class MainWindow;
class MindMap;

// The running application: one per user session. A second start hands its files to the first
// one and ends, so the store is never opened twice.
class TarnwickApplication : public Gtk::Application,
                            public DocumentControllerHost,
                            public CheckboxMenuHandlerDelegate,
                            public Responder {
public:
    static constexpr const char* ApplicationId = "com.orrinworks.Tarnwick";
    static constexpr const char* ApplicationName = "Tarnwick";
    // Set in the environment, it has the first painted frame print a timing line.
    static constexpr const char* StartupTimingVariable = "TARNWICK_STARTUP_TIMING";

    static Glib::RefPtr<TarnwickApplication> create();
    ~TarnwickApplication() override;

    // DocumentControllerHost
    void presentError(const Error& error) override;
    void verifySingletonDocumentVisible() override { singletonWindow(); }
    void terminate() override;

    // CheckboxMenuHandlerDelegate
    MindMap* getMindMap() override;

protected:
    TarnwickApplication();
    void on_startup() override;
    void on_activate() override;
    void on_open(const type_vec_files& files, const Glib::ustring& hint) override;

private:
    MainWindow& singletonWindow();
    void checkInitialState();
    void showDocumentMindMap();
    void releaseDocumentMindMap();
    void requestQuit();
    void reportFirstFrame();

    std::chrono::steady_clock::time_point _started = std::chrono::steady_clock::now();
    MainMenu _mainMenu;
    ShellCommandPrompts _commandPrompts;
    CheckboxMenuHandler _checkboxMenuHandler{this};
    std::unique_ptr<MainWindow> _window;
    ApplicationTerminationServices _terminationServices;
    std::unique_ptr<DocumentScheduler> _documentScheduler;
    std::shared_ptr<TwkDocumentController> _controller;
    ObservationToken _mindMapChanged;
    bool _checkedInitialState = false;
    bool _held = false;
};
