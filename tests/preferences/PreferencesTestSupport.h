#pragma once

#include "platform/UserDefaults.h"
#include "support/ScopedEnvironment.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

// Every test starts with user defaults of its own, in a folder of its own.
class PreferencesTest : public ::testing::Test {
protected:
    void SetUp() override { defaults().resetForTesting(); }
    void TearDown() override { defaults().resetForTesting(); }

    static UserDefaults& defaults() { return UserDefaults::standard(); }

private:
    TempDir _config;
    ScopedEnvironment _configHome{"XDG_CONFIG_HOME", _config.path()};
};
