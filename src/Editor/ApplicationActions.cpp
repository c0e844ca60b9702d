#include "Editor/ApplicationActions.h"

#include "Editor/ColorPanel.h"

#include "MindMaps/CustomStyleSheet.h"
#include "MindMaps/MindMap.h"
#include "MindMaps/TopicDepthLimit.h"
#include "Utils/VersionInfoUtils.h"
#include "platform/AlertPanel.h"
#include "platform/Error.h"
#include "platform/FileChooser.h"
#include "platform/Localizer.h"
#include "platform/MailComposer.h"
#include "platform/Menu.h"
#include "platform/NetworkController.h"
#include "platform/UriLauncher.h"
#include "store/MindMapStore.h"
#include "store/StoreArchiveImporter.h"

#include <array>

namespace {

constexpr std::array<PreferencePaneInfo, 6> kPanes = {{
    {"GeneralOptions", "general_options_title"},
    {"SnapOptions", "snap_options_title"},
    {PreferencesWindowController::GlobalFontsPane, "global_fonts_tab_title"},
    {"ImageOptions", "image_settings_dialog_title"},
    {PreferencesWindowController::MaintenancePane, "local_store_options_title"},
    {"iPhoneLinkStatus", "iphone_link_status_title"},
}};

// The items that are always there while the application runs.
constexpr std::array<const char*, 13> kAlwaysEnabled = {
    "showPreferencesPanel:",         "changeGlobalFonts:",  "sendFeedback:",       "invokeImportMindMapStore:",
    "orderFrontStandardAboutPanel:", "exportMindMapStore:", "importMindMapStore:", "showFAQ:",
    "showEditorQuickHelp:",          "gotoYouTubeChannel:", "showHomePage:",       "toggleUserOffline:",
    "orderFrontColorPanel:",
};

CustomStyleSheet* customSheetOf(MindMap* mindMap)
{
    StyleSheet* sheet = mindMap ? mindMap->styleSheet() : nullptr;
    return sheet && sheet->isCustomStyle() ? dynamic_cast<CustomStyleSheet*>(sheet) : nullptr;
}

} // namespace

// ---- PreferencesWindowController ----

std::span<const PreferencePaneInfo> PreferencesWindowController::panes()
{
    return kPanes;
}

namespace {

PreferencesWindowController::ViewFactory& installedViewFactory()
{
    static PreferencesWindowController::ViewFactory factory;
    return factory;
}

} // namespace

void PreferencesWindowController::setInstalledViewFactory(ViewFactory factory)
{
    installedViewFactory() = std::move(factory);
}

void PreferencesWindowController::showPreferencesAtIdentifier(const std::string& identifier)
{
    if (!_view) {
        const ViewFactory& factory = _factory ? _factory : installedViewFactory();
        if (factory) _view = factory(panes(), MinimumWidth);
    }
    if (!_view) return;
    if (!identifier.empty()) _view->selectPane(identifier);
    _view->show();
}

void PreferencesWindowController::close()
{
    if (_view) _view->close();
}

// ---- ApplicationActions ----

ApplicationActions::ApplicationActions(Services services) : _services(std::move(services))
{
    registerActions();
    _timeOutObservation = NotificationCenter::defaultCenter().addObserver(
        DropboxSyncTimeOutNotification, nullptr, [this](const Notification& notification) {
            dropboxSyncTimeOut(notification.value<std::string>(DropboxSyncTimeOutStateKey));
        });
}

ApplicationActions::~ApplicationActions() = default;

void ApplicationActions::registerActions()
{
    addAction("showFAQ:", [this](const ActionSender*) { showFAQ(); });
    addAction("showHomePage:", [this](const ActionSender*) { showHomePage(); });
    addAction("showEditorQuickHelp:", [this](const ActionSender*) { showEditorQuickHelp(); });
    addAction("gotoYouTubeChannel:", [this](const ActionSender*) { gotoYouTubeChannel(); });
    addAction("sendFeedback:", [this](const ActionSender*) { sendFeedback(); });
    addAction("orderFrontStandardAboutPanel:", [this](const ActionSender*) { orderFrontStandardAboutPanel(); });
    const auto preferences = [this](const char* pane) {
        return [this, pane](const ActionSender*) {
            if (_services.showPreferences) _services.showPreferences(pane);
        };
    };
    addAction("showPreferencesPanel:", preferences(""));
    addAction("invokeImportMindMapStore:", preferences(PreferencesWindowController::MaintenancePane));
    addAction("changeGlobalFonts:", preferences(PreferencesWindowController::GlobalFontsPane));
    addAction("orderFrontColorPanel:", [this](const ActionSender*) {
        if (_services.orderFrontColorPanel) _services.orderFrontColorPanel();
        else ColorPanel::shared().orderFront();
    });
    addAction("deleteSelectedCustomStyle:", [this](const ActionSender*) { deleteSelectedCustomStyle(); });
    addAction("exportMindMapStore:", [this](const ActionSender*) { exportMindMapStore(); });
    addAction("importMindMapStore:", [this](const ActionSender*) { importMindMapStore(); });
    addAction("toggleUserOffline:", [this](const ActionSender*) { toggleUserOffline(); });
}

ItemValidation ApplicationActions::validateUserInterfaceItem(const ValidatedUserInterfaceItem& item)
{
    if (_services.acceptsCommands && !_services.acceptsCommands()) return ItemValidation::enabledIf(false);
    const std::string action = item.action();
    if (action == "deleteSelectedCustomStyle:")
        return ItemValidation::enabledIf(customSheetOf(_services.openMindMap ? _services.openMindMap() : nullptr));
    if (action == "toggleUserOffline:") {
        ItemValidation validation;
        if (dynamic_cast<const MenuItem*>(&item))
            validation.title = localized(network().userOffline() ? "action_work_online" : "action_work_offline");
        return validation;
    }
    for (const char* enabled : kAlwaysEnabled)
        if (action == enabled) return {};
    return ItemValidation::enabledIf(false);
}

AlertPanel& ApplicationActions::alerts() const
{
    return _services.alerts ? *_services.alerts : AlertPanel::shared();
}

UriLauncher& ApplicationActions::uriLauncher() const
{
    return _services.uriLauncher ? *_services.uriLauncher : UriLauncher::shared();
}

FileChooser& ApplicationActions::fileChooser() const
{
    return _services.fileChooser ? *_services.fileChooser : FileChooser::shared();
}

MailComposer& ApplicationActions::mailComposer() const
{
    return _services.mailComposer ? *_services.mailComposer : MailComposer::shared();
}

NetworkController& ApplicationActions::network() const
{
    return _services.network ? *_services.network : NetworkController::instance();
}

bool ApplicationActions::commitEditor() const
{
    return !_services.commitEditor || _services.commitEditor();
}

void ApplicationActions::showAlert(const std::string& message, const std::string& informative, int style)
{
    AlertPanel::Request request;
    request.style = static_cast<AlertPanel::Style>(style);
    request.messageText = message;
    request.informativeText = informative;
    request.buttons = {{localized("ok_button_title"), "\r"}};
    alerts().runModal(request);
}

void ApplicationActions::openWebPage(const std::string ProductAddresses::*page, const char* key)
{
    const ProductAddresses addresses = _services.addresses ? _services.addresses() : ProductAddresses();
    const std::string& address = addresses.*page;
    if (address.empty()) {
        // A packager who removed or broke an address learns which one and where it belongs.
        showAlert(localized("product_address_missing_title"),
                  localizedFormat("product_address_missing_message", {key, _services.addressesSource}),
                  static_cast<int>(AlertPanel::Style::Warning));
        return;
    }
    Error error;
    if (!uriLauncher().openURL(address, &error))
        showAlert(localized("web_page_open_failed_title"), UriLauncher::failureMessage(error),
                  static_cast<int>(AlertPanel::Style::Warning));
}

void ApplicationActions::showFAQ()
{
    openWebPage(&ProductAddresses::faq, "faq");
}

void ApplicationActions::showHomePage()
{
    openWebPage(&ProductAddresses::homePage, "home-page");
}

void ApplicationActions::showEditorQuickHelp()
{
    openWebPage(&ProductAddresses::editorHelp, "editor-help");
}

void ApplicationActions::gotoYouTubeChannel()
{
    openWebPage(&ProductAddresses::videoChannel, "video-channel");
}

void ApplicationActions::showNewFeatures()
{
    openWebPage(&ProductAddresses::newFeatures, "new-features");
}

std::string ApplicationActions::escapeQueryValue(const std::string& text)
{
    static const char* const hex = "0123456789ABCDEF";
    std::string escaped;
    for (char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        const bool keep = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
            std::string_view("-._~:@/?!$'()*,;").find(c) != std::string_view::npos;
        if (keep) {
            escaped += c;
        } else {
            escaped += '%';
            escaped += hex[byte >> 4];
            escaped += hex[byte & 0xf];
        }
    }
    return escaped;
}

std::string ApplicationActions::feedbackUrl(const std::string& supportMail, const std::string& versionText)
{
    if (!ProductAddresses::isMailAddress(supportMail)) return {};
    const std::string subject = std::string(FeedbackSubject) + " - Version " + versionText;
    std::string url = formatText(FeedbackUrlFormat, {supportMail, escapeQueryValue(subject)});
    // Escaping leaves no blank; the rule stands for whatever the format itself holds.
    for (size_t at = url.find(' '); at != std::string::npos; at = url.find(' ', at)) url.replace(at, 1, "%20");
    return url;
}

void ApplicationActions::sendFeedback()
{
    const ProductAddresses addresses = _services.addresses ? _services.addresses() : ProductAddresses();
    const std::string url = feedbackUrl(addresses.supportMail, VersionInfoUtils::readibleVersionBuildNumber());
    if (url.empty()) {
        showAlert(localized("product_address_missing_title"),
                  localizedFormat("product_address_missing_message", {"support-mail", _services.addressesSource}),
                  static_cast<int>(AlertPanel::Style::Warning));
        return;
    }
    // Without a mail program nothing would happen at all: the user gets the address to write to.
    if (!uriLauncher().openURL(url))
        showAlert(localized("feedback_mail_failed_title"),
                  localizedFormat("feedback_mail_failed_message", {addresses.supportMail}),
                  static_cast<int>(AlertPanel::Style::Warning));
}

void ApplicationActions::orderFrontStandardAboutPanel()
{
    const std::string name = bundleInfoValue("CFBundleName");
    showAlert(name.empty() ? _services.applicationName : name,
              formatText(AboutTextFormat,
                         {VersionInfoUtils::readibleVersionBuildNumber(), bundleInfoValue("NSHumanReadableCopyright")}),
              static_cast<int>(AlertPanel::Style::Informational));
}

void ApplicationActions::deleteSelectedCustomStyle()
{
    MindMap* mindMap = _services.openMindMap ? _services.openMindMap() : nullptr;
    CustomStyleSheet* sheet = customSheetOf(mindMap);
    if (!sheet) return;
    // The alert runs a loop of its own: the sheet is held until the answer is acted on.
    const std::shared_ptr<CustomStyleSheet> held = sheet->weak_from_this().lock();
    if (!held) return;
    AlertPanel::Request request;
    request.style = AlertPanel::Style::Informational;
    request.messageText = localized("action_delete_style_sheet");
    request.informativeText = localizedFormat("delete_stylesheet_dialog_message", {held->description()});
    request.buttons = {{localized("editor_menu_delete"), "\r"}, {localized("cancel_button_title"), "\033"}};
    if (alerts().runModal(request).button != AlertPanel::FirstButtonReturn) return;
    held->unregister();
}

void ApplicationActions::exportMindMapStore()
{
    FileChooser::SaveOptions options;
    options.title = localized("local_store_export_title");
    options.allowedTypes = {StoreArchiveExtension};
    const std::string name = bundleInfoValue("CFBundleName");
    options.nameFieldStringValue = (name.empty() ? _services.applicationName : name) + " Store";
    const std::optional<std::string> path = fileChooser().runSavePanel(options);
    if (!path || path->empty()) return;
    commitEditor();
    MindMapStore* store = _services.store ? _services.store() : nullptr;
    Error error;
    std::vector<std::string> leftOut;
    if (store && store->exportToArchive(*path, &error, &leftOut)) {
        if (leftOut.empty()) return;
        std::string titles;
        for (const std::string& title : leftOut)
            titles += (titles.empty() ? "" : ", ") + formatText("\u201C%@\u201D", {title});
        showAlert(
            localized("store_archive_export_left_out_title"),
            localizedFormat("store_archive_export_left_out", {std::to_string(TopicDepthLimit::MaximumLevels), titles}),
            static_cast<int>(AlertPanel::Style::Warning));
        return;
    }
    std::string informative = localized("local_store_export_error_message");
    if (!error.localizedDescription.empty()) informative += "\n\n" + error.localizedDescription;
    showAlert(localized("export_error_title"), informative, static_cast<int>(AlertPanel::Style::Critical));
}

void ApplicationActions::importMindMapStore()
{
    FileChooser::OpenOptions options;
    options.title = localized("local_store_import_title");
    options.allowedTypes = {StoreArchiveExtension};
    options.allowsMultipleSelection = false;
    const std::vector<std::string> paths = fileChooser().runOpenPanel(options);
    if (paths.empty()) return;
    commitEditor();
    // Several archives at once are not imported: which one wins a name would be arbitrary.
    if (paths.size() != 1) return;
    MindMapStore* store = _services.store ? _services.store() : nullptr;
    Error error;
    std::unique_ptr<MindMapStoreImportResult> result =
        store ? store->importFromArchive(paths.front(), &error) : nullptr;
    if (!result) {
        // The title says what failed; the reason says why (an archive past a limit names it).
        std::string informative = localized("db_unspecified_error");
        if (!error.failureReason.empty()) informative = error.failureReason;
        else if (!error.localizedDescription.empty()) informative = error.localizedDescription;
        showAlert(localized("store_archive_import_error"), informative, static_cast<int>(AlertPanel::Style::Critical));
        return;
    }
    std::string informative =
        localizedFormat("store_archive_import_result",
                        {std::to_string(result->mindMapsImported()), std::to_string(result->customStylesImported()),
                         std::to_string(result->customImagesImported()), std::to_string(result->skippedFiles())});
    if (!result->unreadableEntries().empty()) {
        std::string names;
        for (const std::string& entry : result->unreadableEntries()) names += (names.empty() ? "" : ", ") + entry;
        informative += "\n\n" + localizedFormat("store_archive_import_unreadable", {names});
    }
    showAlert(localized("store_archive_import_result_title"), informative,
              static_cast<int>(AlertPanel::Style::Informational));
}

void ApplicationActions::dropboxSyncTimeOut(const std::string& report)
{
    AlertPanel::Request request;
    request.style = AlertPanel::Style::Informational;
    request.messageText = localized("dropbox_sync_timeout_title");
    request.informativeText = formatText("%@\n\n%@", {localized("dropbox_sync_timeout_feedback_request"), report});
    request.buttons = {{localized("action_send_via_mail"), "\r"}, {localized("cancel_button_title"), "\033"}};
    if (alerts().runModal(request).button != AlertPanel::FirstButtonReturn) return;
    const ProductAddresses addresses = _services.addresses ? _services.addresses() : ProductAddresses();
    MailComposer::Message message;
    message.recipient = addresses.supportMail;
    message.subject = DropboxTimeOutSubject;
    message.body = report;
    // The answer may come after this object is gone (the application quit meanwhile).
    AlertPanel* panel = &alerts();
    const std::string supportMail = addresses.supportMail;
    mailComposer().compose(message, [panel, supportMail](MailComposer::Result result) {
        if (result == MailComposer::Result::Composed) return;
        AlertPanel::Request failed;
        failed.style = AlertPanel::Style::Warning;
        failed.messageText = localized(result == MailComposer::Result::NoMailProgram ? "mail_no_mail_program_title"
                                                                                     : "mail_start_failed_error");
        failed.informativeText = localizedFormat("feedback_mail_failed_message", {supportMail});
        failed.buttons = {{localized("ok_button_title"), "\r"}};
        panel->runModal(failed);
    });
}

void ApplicationActions::toggleUserOffline()
{
    NetworkController& controller = network();
    controller.setUserOffline(!controller.userOffline());
}
