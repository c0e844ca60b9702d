#pragma once

#include "Editor/ProductAddresses.h"
#include "platform/NotificationCenter.h"
#include "platform/Responder.h"

#include <functional>
#include <memory>
#include <span>
#include <string>

class AlertPanel;
class FileChooser;
class MailComposer;
class MindMap;
class MindMapStore;
class NetworkController;
class UriLauncher;

// One pane of the preferences window: its identifier and the key of its toolbar label.
struct PreferencePaneInfo {
    const char* identifier;
    const char* labelKey;
};

// What the preferences window shows, whatever draws it.
class PreferencesView {
public:
    virtual ~PreferencesView() = default;
    virtual void selectPane(const std::string& identifier) = 0;
    virtual void show() = 0;
    virtual void close() = 0;
};

// The one preferences window of the run: made the first time it is asked for and kept, so that
// its panes keep their state and a second request brings the same window forward.
class PreferencesWindowController {
public:
    static constexpr double MinimumWidth = 515.0;
    static constexpr const char* MaintenancePane = "Maintenance";
    static constexpr const char* GlobalFontsPane = "GlobalFonts";

    // The panes in the order of the window's toolbar.
    static std::span<const PreferencePaneInfo> panes();

    using ViewFactory =
        std::function<std::unique_ptr<PreferencesView>(std::span<const PreferencePaneInfo> panes, double minimumWidth)>;
    // Without a factory, the one installed at start-up makes the window.
    explicit PreferencesWindowController(ViewFactory factory = {}) : _factory(std::move(factory)) {}
    static void setInstalledViewFactory(ViewFactory factory);

    // Empty: the pane shown last.
    void showPreferencesAtIdentifier(const std::string& identifier);
    void close();
    // The window goes for good (the application ends).
    void destroyView() { _view.reset(); }
    PreferencesView* view() const { return _view.get(); }

private:
    ViewFactory _factory;
    std::unique_ptr<PreferencesView> _view;
};

// The application's own items, answered at the end of the responder chain: the product's web
// pages and feedback mail, the about box, preferences, the colour panel, deleting the open map's custom style sheet,
// exporting and importing the whole store, the report of a Dropbox sync that timed out, and
// working offline. None of them is available before the application runs or once it quits.
class ApplicationActions : public Responder {
public:
    static constexpr const char* AboutTextFormat = "Version: %@\n%@";
    static constexpr const char* FeedbackUrlFormat = "mailto:%@?subject=%@";
    static constexpr const char* FeedbackSubject = "Feedback: Tarnwick for Linux";
    static constexpr const char* DropboxTimeOutSubject = "Tarnwick for Linux: Dropbox sync time out";
    static constexpr const char* StoreArchiveExtension = "twkstore";
    static constexpr const char* DropboxSyncTimeOutNotification = "DropboxSyncTimeOutNotification";
    static constexpr const char* DropboxSyncTimeOutStateKey = "State";

    struct Services {
        // False before the application runs and from the moment quitting began.
        std::function<bool()> acceptsCommands;
        std::function<bool()> commitEditor;
        std::function<MindMap*()> openMindMap;
        std::function<MindMapStore*()> store;
        std::function<void(const std::string& paneIdentifier)> showPreferences;
        // The colour panel; the shared one when not given.
        std::function<void()> orderFrontColorPanel;
        std::function<ProductAddresses()> addresses;
        // Where the addresses come from, named when one is missing.
        std::string addressesSource;
        std::string applicationName = "Tarnwick";
        // Ports; the shared ones when null.
        AlertPanel* alerts = nullptr;
        UriLauncher* uriLauncher = nullptr;
        FileChooser* fileChooser = nullptr;
        MailComposer* mailComposer = nullptr;
        NetworkController* network = nullptr;
    };

    explicit ApplicationActions(Services services);
    ~ApplicationActions() override;

    ItemValidation validateUserInterfaceItem(const ValidatedUserInterfaceItem& item) override;

    void showFAQ();
    void showHomePage();
    void showEditorQuickHelp();
    void gotoYouTubeChannel();
    void showNewFeatures();
    void sendFeedback();
    void orderFrontStandardAboutPanel();
    void deleteSelectedCustomStyle();
    void exportMindMapStore();
    void importMindMapStore();
    void dropboxSyncTimeOut(const std::string& report);
    void toggleUserOffline();

    // The mailto URI of the feedback mail; empty when the address is not usable.
    static std::string feedbackUrl(const std::string& supportMail, const std::string& versionText);
    // Everything of a query value but unreserved characters and ":@/?!$'()*,;" percent-encoded, so
    // that the text cannot end the value, start another one or a fragment.
    static std::string escapeQueryValue(const std::string& text);

private:
    void registerActions();
    void openWebPage(const std::string ProductAddresses::*page, const char* key);
    void showAlert(const std::string& message, const std::string& informative, int style);
    AlertPanel& alerts() const;
    UriLauncher& uriLauncher() const;
    FileChooser& fileChooser() const;
    MailComposer& mailComposer() const;
    NetworkController& network() const;
    bool commitEditor() const;

    Services _services;
    ObservationToken _timeOutObservation;
};
