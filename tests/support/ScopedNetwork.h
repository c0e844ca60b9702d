#pragma once

#include "platform/NetworkController.h"

#include <functional>
#include <memory>

// The network as the tests want it; the controller goes back to "unreachable" afterwards.
class ScopedNetwork {
public:
    explicit ScopedNetwork(bool available)
    {
        auto reachability = std::make_unique<Fixed>();
        _reachability = reachability.get();
        _reachability->reachable = available;
        NetworkController::instance().setReachability(std::move(reachability));
        NetworkController::networkAvailable();
    }
    ~ScopedNetwork()
    {
        NetworkController::instance().setReachability(nullptr);
        NetworkController::networkAvailable();
    }
    void set(bool available) { _reachability->reachable = available; }

private:
    struct Fixed : Reachability {
        bool reachable = false;
        bool isReachable() override { return reachable; }
        bool startNotifier(std::function<void()>) override { return false; }
        void stopNotifier() override {}
    };
    Fixed* _reachability;
};
