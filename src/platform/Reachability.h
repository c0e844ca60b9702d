#pragma once

#include <functional>

// Whether the internet can be reached, as the desktop reports it. The application installs the
// desktop's monitor; tests install their own.
class Reachability {
public:
    virtual ~Reachability() = default;
    // Asks the desktop now.
    virtual bool isReachable() = 0;
    // Calls changed on the main thread whenever the desktop's answer may have changed; false when
    // the desktop cannot watch.
    virtual bool startNotifier(std::function<void()> changed) = 0;
    virtual void stopNotifier() = 0;
};
