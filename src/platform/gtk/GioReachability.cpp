#include "platform/gtk/GioReachability.h"

GioReachability::GioReachability() : _monitor(Gio::NetworkMonitor::get_default())
{
}

GioReachability::~GioReachability()
{
    stopNotifier();
}

bool GioReachability::isReachable()
{
    return _monitor && _monitor->get_network_available() &&
        _monitor->get_connectivity() == Gio::NETWORK_CONNECTIVITY_FULL;
}

bool GioReachability::startNotifier(std::function<void()> changed)
{
    if (!_monitor) return false;
    stopNotifier();
    _connection = _monitor->signal_network_changed().connect([changed](bool) { changed(); });
    return true;
}

void GioReachability::stopNotifier()
{
    _connection.disconnect();
}
