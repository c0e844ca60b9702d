#include "platform/Clock.h"

#include <chrono>

double MonotonicClock::now() const
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

MonotonicClock& MonotonicClock::shared()
{
    static MonotonicClock clock;
    return clock;
}
