#include "platform/NetworkController.h"

#include <algorithm>

NetworkController::NetworkController(std::unique_ptr<Reachability> reachability)
    : _reachability(std::move(reachability))
{
}

NetworkController::~NetworkController()
{
    if (_notifierRunning && _reachability) _reachability->stopNotifier();
}

NetworkController& NetworkController::instance()
{
    static NetworkController controller;
    return controller;
}

void NetworkController::setReachability(std::unique_ptr<Reachability> reachability)
{
    if (_notifierRunning && _reachability) _reachability->stopNotifier();
    _reachability = std::move(reachability);
    if (_notifierRunning) {
        _notifierRunning = _reachability && _reachability->startNotifier([this] { reachabilityChanged(); });
        setNetworkAvailable(reachable());
    }
}

bool NetworkController::online()
{
    return instance().isOnline();
}

bool NetworkController::networkAvailable()
{
    return instance().checkNetworkAvailable();
}

bool NetworkController::checkNetworkAvailable()
{
    bool isReachable = reachable();
    setNetworkAvailable(isReachable);
    return isReachable && !_userOffline;
}

bool NetworkController::reachable()
{
    return _reachability && _reachability->isReachable();
}

void NetworkController::registerObserver(NetworkControllerObserver* observer)
{
    if (!observer || std::find(_observers.begin(), _observers.end(), observer) != _observers.end()) return;
    _observers.push_back(observer);
    if (_observers.size() != 1) return;
    _notifierRunning = _reachability && _reachability->startNotifier([this] { reachabilityChanged(); });
    setNetworkAvailable(reachable());
}

void NetworkController::unregisterObserver(NetworkControllerObserver* observer)
{
    auto it = std::find(_observers.begin(), _observers.end(), observer);
    if (it == _observers.end()) return;
    _observers.erase(it);
    if (_observers.empty() && _notifierRunning) {
        _reachability->stopNotifier();
        _notifierRunning = false;
    }
}

void NetworkController::reachabilityChanged()
{
    setNetworkAvailable(reachable());
}

void NetworkController::setNetworkAvailable(bool available)
{
    if (available == _networkAvailable) return;
    bool wasOnline = isOnline();
    _networkAvailable = available;
    if (isOnline() != wasOnline) networkStatusChanged(isOnline());
}

void NetworkController::setUserOffline(bool userOffline)
{
    if (userOffline == _userOffline) return;
    bool wasOnline = isOnline();
    _userOffline = userOffline;
    if (isOnline() != wasOnline) networkStatusChanged(isOnline());
}

void NetworkController::networkStatusChanged(bool online)
{
    // An observer may leave while it hears the change; the others still hear it.
    std::vector<NetworkControllerObserver*> observers = _observers;
    for (NetworkControllerObserver* observer : observers) {
        if (std::find(_observers.begin(), _observers.end(), observer) != _observers.end())
            observer->onlineStateChanged(online);
    }
}
