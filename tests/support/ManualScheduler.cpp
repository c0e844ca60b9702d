#include "support/ManualScheduler.h"

#include <algorithm>

void ManualScheduler::advance(double seconds)
{
    const double target = _clock->now() + seconds;
    while (_wake && *_wake <= target) {
        _clock->setNow(std::max(_clock->now(), *_wake));
        runDueCalls();
    }
    _clock->setNow(target);
}

void ManualScheduler::runPending()
{
    if (_wake && *_wake <= _clock->now()) runDueCalls();
}
