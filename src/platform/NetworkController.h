#pragma once

#include "platform/Reachability.h"

#include <memory>
#include <vector>

class NetworkControllerObserver {
public:
    virtual ~NetworkControllerObserver() = default;
    virtual void onlineStateChanged(bool online) = 0;
};

// Whether cloud code may go online: the desktop's reachability combined with the user's
// work-offline switch. Observers hear when the combined state flips. Reachability is only watched
// while someone observes, so online() may be stale; networkAvailable() asks the desktop now.
class NetworkController {
public:
    // Until a reachability is installed, the network counts as unreachable.
    explicit NetworkController(std::unique_ptr<Reachability> reachability = nullptr);
    ~NetworkController();
    NetworkController(const NetworkController&) = delete;
    NetworkController& operator=(const NetworkController&) = delete;

    static NetworkController& instance();
    // Replaces the process-wide reachability (start-up installs the desktop's); a running notifier
    // moves to the new one.
    void setReachability(std::unique_ptr<Reachability> reachability);

    // The last known combined state, without a new check.
    static bool online();
    // Checks reachability now (observers hear a flip) and answers the combined state.
    static bool networkAvailable();
    bool checkNetworkAvailable();

    // An observer is held once, without ownership; it unregisters before it goes away.
    void registerObserver(NetworkControllerObserver* observer);
    void unregisterObserver(NetworkControllerObserver* observer);

    bool isOnline() const { return _networkAvailable && !_userOffline; }
    bool userOffline() const { return _userOffline; }
    void setUserOffline(bool userOffline);
    void setNetworkAvailable(bool available);
    void reachabilityChanged();

private:
    void networkStatusChanged(bool online);
    bool reachable();

    std::vector<NetworkControllerObserver*> _observers;
    std::unique_ptr<Reachability> _reachability;
    bool _notifierRunning = false;
    bool _networkAvailable = false;
    bool _userOffline = false;
};
