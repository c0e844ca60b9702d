#pragma once

#include <functional>
#include <string>
#include <vector>

class AlertPanel;
class UserDefaults;

// Seconds since 2001-01-01 00:00 UTC, the unit of the date values in the user defaults.
using WallClock = std::function<double()>;
// The system's wall clock in that unit.
double currentWallClockTime();

// The periodic hint that points to the editor help: first shown five days after the first check,
// then at most once a week until the user answers it with another button than "Later". Each check
// shows at most one message. The clock and the defaults are the caller's, so that tests can move
// time. Main thread only.
class AdScheduler {
public:
    static constexpr double FirstMessageDelay = 432000; // 5 days
    static constexpr double MessageInterval = 604800;   // 7 days
    static constexpr const char* ScheduledDateKey = "AdScheduler.ScheduledDate";
    static constexpr const char* LastMessageKey = "AdScheduler.LastMessage";
    static constexpr const char* DoneKeyPrefix = "AdScheduler.";
    static constexpr const char* EditorMessageId = "EDITOR";

    AdScheduler(UserDefaults& defaults, WallClock now, AlertPanel& alerts, std::function<void()> showEditorQuickHelp);

    const std::vector<std::string>& messages() const { return _messages; }
    void setMessagesForTesting(std::vector<std::string> messages) { _messages = std::move(messages); }

    // Unless a check runs already (an alert of it is open), makes a scheduler and shows what is due.
    static void checkScheduledAds(UserDefaults& defaults, WallClock now, AlertPanel& alerts,
                                  std::function<void()> showEditorQuickHelp);

    void displayScheduledMessage();
    // -1 when the id is not in the list.
    int indexOfMessageId(const std::string& messageId) const;
    // True when the message is done and must not come again.
    bool handleMessage(int index);
    bool showEditorMessage();
    // Forgets which messages are done.
    void resetAds();

private:
    bool isDone(const std::string& messageId) const;

    UserDefaults& _defaults;
    WallClock _now;
    AlertPanel& _alerts;
    std::function<void()> _showEditorQuickHelp;
    std::vector<std::string> _messages{EditorMessageId};
};

// The one-off messages checked a second after each switch of maps, at most one per check: the
// notice that Dropbox links changed (while its marker file is in the store), the new-features
// note once per build, else the scheduler's periodic hint.
class ScheduledMessages {
public:
    static constexpr const char* DropboxMarkerFileName = "dropbox-links.xml";
    static constexpr const char* NewFeaturesKeyFormat = "new-features-v%@";

    struct Services {
        UserDefaults* defaults = nullptr;
        AlertPanel* alerts = nullptr;
        WallClock now;
        // The store's documents folder, where the marker file lies.
        std::string documentsDirectory;
        // The running build's "CFBundleVersion".
        std::string bundleVersion;
        std::function<void()> showFAQ;
        std::function<void()> showNewFeatures;
        std::function<void()> showEditorQuickHelp;
    };

    explicit ScheduledMessages(Services services) : _services(std::move(services)) {}

    // The running application's defaults, alert panel, store and build; the messages' buttons
    // send their actions ("showFAQ:", "showEditorQuickHelp:") through sendAction.
    static Services applicationServices(std::function<void(const std::string& action)> sendAction);

    void checkScheduledAds();
    bool checkDropboxChangedMessage();
    bool checkNewFeaturesMessage();

private:
    Services _services;
};
