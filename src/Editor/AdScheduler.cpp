#include "Editor/AdScheduler.h"

#include "Utils/VersionInfoUtils.h"
#include "platform/AlertPanel.h"
#include "platform/Localizer.h"
#include "platform/UserDefaults.h"
#include "store/MindMapStore.h"

#include <chrono>
#include <filesystem>
#include <optional>
#include <system_error>

namespace {

// 2001-01-01 00:00 UTC in Unix time.
constexpr double ReferenceDateUnixSeconds = 978307200;

bool checkRunning = false;

// A stored value of another type than the one written counts as never written.
std::optional<double> storedDate(const UserDefaults& defaults, const std::string& key)
{
    const PropertyList value = defaults.objectForKey(key);
    if (value.type() != PropertyList::Type::Date) return std::nullopt;
    return value.dateValue()->secondsSinceReferenceDate;
}

std::string storedString(const UserDefaults& defaults, const std::string& key)
{
    const PropertyList value = defaults.objectForKey(key);
    return value.type() == PropertyList::Type::String ? defaults.stringForKey(key) : std::string();
}

bool storedFlag(const UserDefaults& defaults, const std::string& key)
{
    const PropertyList value = defaults.objectForKey(key);
    return value.type() == PropertyList::Type::Boolean && defaults.boolForKey(key);
}

void setDate(UserDefaults& defaults, const std::string& key, double seconds)
{
    defaults.setObject(key, PropertyList(PropertyList::Date{seconds}));
}

} // namespace

double currentWallClockTime()
{
    const auto since = std::chrono::system_clock::now().time_since_epoch();
    return std::chrono::duration<double>(since).count() - ReferenceDateUnixSeconds;
}

AdScheduler::AdScheduler(UserDefaults& defaults, WallClock now, AlertPanel& alerts,
                         std::function<void()> showEditorQuickHelp)
    : _defaults(defaults), _now(std::move(now)), _alerts(alerts), _showEditorQuickHelp(std::move(showEditorQuickHelp))
{
}

void AdScheduler::checkScheduledAds(UserDefaults& defaults, WallClock now, AlertPanel& alerts,
                                    std::function<void()> showEditorQuickHelp)
{
    if (checkRunning) return;
    checkRunning = true;
    struct Reset {
        ~Reset() { checkRunning = false; }
    } reset;
    AdScheduler scheduler(defaults, std::move(now), alerts, std::move(showEditorQuickHelp));
    scheduler.displayScheduledMessage();
}

int AdScheduler::indexOfMessageId(const std::string& messageId) const
{
    for (size_t i = 0; i < _messages.size(); ++i)
        if (_messages[i] == messageId) return static_cast<int>(i);
    return -1;
}

bool AdScheduler::isDone(const std::string& messageId) const
{
    return storedDate(_defaults, DoneKeyPrefix + messageId).has_value();
}

void AdScheduler::displayScheduledMessage()
{
    if (_messages.empty()) return;
    const double now = _now();
    const std::optional<double> scheduled = storedDate(_defaults, ScheduledDateKey);
    if (!scheduled) {
        // The first check never shows a periodic message.
        setDate(_defaults, ScheduledDateKey, now + FirstMessageDelay);
        _defaults.synchronize();
        return;
    }
    if (now < *scheduled) return;
    // Moved before the message shows, so that later checks of this run show none.
    setDate(_defaults, ScheduledDateKey, now + MessageInterval);

    std::string last = storedString(_defaults, LastMessageKey);
    if (last.empty()) last = _messages.front();
    const int lastIndex = indexOfMessageId(last);
    const size_t count = _messages.size();
    const size_t start = lastIndex < 0 ? 0 : (static_cast<size_t>(lastIndex) + 1) % count;
    std::optional<size_t> found;
    for (size_t i = start; i < count && !found; ++i)
        if (!isDone(_messages[i])) found = i;
    for (size_t i = 0; i < start && !found; ++i)
        if (!isDone(_messages[i])) found = i;
    if (!found) {
        _defaults.synchronize();
        return;
    }
    _defaults.setString(LastMessageKey, _messages[*found]);
    if (handleMessage(static_cast<int>(*found))) setDate(_defaults, DoneKeyPrefix + _messages[*found], _now());
    _defaults.synchronize();
}

bool AdScheduler::handleMessage(int index)
{
    if (index < 0 || static_cast<size_t>(index) >= _messages.size()) return true;
    if (_messages[index] == EditorMessageId) return showEditorMessage();
    return true;
}

bool AdScheduler::showEditorMessage()
{
    AlertPanel::Request request;
    request.style = AlertPanel::Style::Warning;
    request.messageText = localized("help_ad_dialog_title");
    request.informativeText = localized("help_ad_dialog_message_ios");
    request.buttons = {{localized("help_ad_dialog_help_button"), "\r"},
                       {localized("help_ad_dialog_later_button"), "\033"},
                       {localized("help_ad_dialog_disable_button"), ""}};
    const int answer = _alerts.runModal(request).button;
    if (answer == AlertPanel::FirstButtonReturn) {
        if (_showEditorQuickHelp) _showEditorQuickHelp();
        return true;
    }
    // "Later", and a dismissed alert, keep the hint due.
    return answer == AlertPanel::FirstButtonReturn + 2;
}

void AdScheduler::resetAds()
{
    for (const std::string& id : _messages) _defaults.removeObject(DoneKeyPrefix + id);
    _defaults.synchronize();
}

// ---- ScheduledMessages ----

ScheduledMessages::Services
ScheduledMessages::applicationServices(std::function<void(const std::string& action)> sendAction)
{
    Services services;
    services.defaults = &UserDefaults::standard();
    services.alerts = &AlertPanel::shared();
    services.now = currentWallClockTime;
    if (MindMapStore* store = MindMapStore::existingInstance())
        services.documentsDirectory = store->documentsDirectory();
    services.bundleVersion = bundleInfoValue("CFBundleVersion");
    if (sendAction) {
        services.showFAQ = [sendAction] { sendAction("showFAQ:"); };
        services.showEditorQuickHelp = [sendAction] { sendAction("showEditorQuickHelp:"); };
    }
    return services;
}

void ScheduledMessages::checkScheduledAds()
{
    if (!_services.defaults || !_services.alerts) return;
    if (checkDropboxChangedMessage()) return;
    if (checkNewFeaturesMessage()) return;
    AdScheduler::checkScheduledAds(*_services.defaults, _services.now ? _services.now : currentWallClockTime,
                                   *_services.alerts, _services.showEditorQuickHelp);
}

bool ScheduledMessages::checkDropboxChangedMessage()
{
    if (_services.documentsDirectory.empty()) return false;
    const std::filesystem::path marker = std::filesystem::path(_services.documentsDirectory) / DropboxMarkerFileName;
    std::error_code error;
    if (!std::filesystem::is_regular_file(marker, error)) return false;
    // Gone before the alert: a notice that cannot delete its marker would come back at every switch.
    if (!std::filesystem::remove(marker, error)) return false;
    AlertPanel::Request request;
    request.style = AlertPanel::Style::Informational;
    request.messageText = localized("db_support_changed_title");
    request.informativeText = localized("db_support_changed_message");
    request.buttons = {{localized("editor_menu_help_faq"), "\r"}, {localized("cancel_button_title"), "\033"}};
    if (_services.alerts->runModal(request).button == AlertPanel::FirstButtonReturn && _services.showFAQ)
        _services.showFAQ();
    return true;
}

bool ScheduledMessages::checkNewFeaturesMessage()
{
    const std::string key = formatText(NewFeaturesKeyFormat, {_services.bundleVersion});
    if (storedFlag(*_services.defaults, key)) return false;
    _services.defaults->setBool(key, true);
    AlertPanel::Request request;
    request.style = AlertPanel::Style::Informational;
    request.messageText = localized("new_features_dialog_title");
    request.informativeText = localized("new_features_dialog_message");
    request.buttons = {{localized("desktop_ad_dialog_info_button"), "\r"}, {localized("cancel_button_title"), "\033"}};
    if (_services.alerts->runModal(request).button == AlertPanel::FirstButtonReturn && _services.showNewFeatures)
        _services.showNewFeatures();
    return true;
}
