#pragma once

#include "platform/Reachability.h"

#include <giomm/networkmonitor.h>
#include <sigc++/connection.h>

// The desktop's network monitor (NetworkManager's portal or netlink through GIO).
class GioReachability : public Reachability {
public:
    GioReachability();
    ~GioReachability() override;
    bool isReachable() override;
    bool startNotifier(std::function<void()> changed) override;
    void stopNotifier() override;

private:
    Glib::RefPtr<Gio::NetworkMonitor> _monitor;
    sigc::connection _connection;
};
