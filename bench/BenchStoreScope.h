#pragma once

#include "platform/UserDefaults.h"
#include "store/MindMapStore.h"

#include <cstdlib>
#include <optional>
#include <string>

// Points the store at a benchmark's own store root while it lives, and back afterwards, so that
// other benchmarks' stores are left alone. The store is started when asked for.
class BenchStoreScope {
public:
    explicit BenchStoreScope(const std::string& root)
        : _data(variable("XDG_DATA_HOME")), _config(variable("XDG_CONFIG_HOME"))
    {
        MindMapStore::releaseMindMapStoreInstance();
        setenv("XDG_DATA_HOME", (root + "/data").c_str(), 1);
        setenv("XDG_CONFIG_HOME", (root + "/config").c_str(), 1);
        UserDefaults::standard().resetForTesting();
    }
    ~BenchStoreScope()
    {
        MindMapStore::releaseMindMapStoreInstance();
        restore("XDG_DATA_HOME", _data);
        restore("XDG_CONFIG_HOME", _config);
        UserDefaults::standard().resetForTesting();
    }
    BenchStoreScope(const BenchStoreScope&) = delete;
    BenchStoreScope& operator=(const BenchStoreScope&) = delete;

private:
    static std::optional<std::string> variable(const char* name)
    {
        const char* value = std::getenv(name);
        return value ? std::optional<std::string>(value) : std::nullopt;
    }
    static void restore(const char* name, const std::optional<std::string>& value)
    {
        if (value) setenv(name, value->c_str(), 1);
        else unsetenv(name);
    }
    std::optional<std::string> _data;
    std::optional<std::string> _config;
};
