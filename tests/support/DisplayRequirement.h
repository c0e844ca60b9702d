#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

// Whether the run promises a display: CI starts one for its tests (CI=true), so a missing
// display there is a fault of the run, not a reason to skip.
inline bool displayIsPromised()
{
    const char* ci = std::getenv("CI");
    return ci && std::strcmp(ci, "true") == 0;
}

// For tests that need a display: without one they skip, or fail where the run promised one.
#define TARNWICK_REQUIRE_DISPLAY(available)                                                                            \
    do {                                                                                                               \
        if (!(available)) {                                                                                            \
            if (displayIsPromised()) FAIL() << "no display, though CI provides one";                                   \
            GTEST_SKIP() << "no display";                                                                              \
        }                                                                                                              \
    } while (false)
