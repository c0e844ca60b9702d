#pragma once

#include "platform/Localizer.h"
#include "support/TempDir.h"

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

// Sets or clears an environment variable for one scope and puts the old value back afterwards.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value) : _name(name)
    {
        if (const char* old = std::getenv(name)) _old = old;
        if (value) {
            setenv(name, value, 1);
        } else {
            unsetenv(name);
        }
    }
    ~ScopedEnv()
    {
        if (_old) {
            setenv(_name.c_str(), _old->c_str(), 1);
        } else {
            unsetenv(_name.c_str());
        }
    }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    std::string _name;
    std::optional<std::string> _old;
};

// A string table of the test's own in a temporary resources folder, in force for one scope.
class ScopedStringTable {
public:
    explicit ScopedStringTable(const std::string& contents)
    {
        std::filesystem::create_directories(_resources.file("strings"));
        writeTestFile(_resources.file("strings/en.strings"), contents);
        _env.emplace("TARNWICK_RESOURCES", _resources.path().c_str());
        reloadStringTable();
    }
    ~ScopedStringTable()
    {
        _env.reset();
        reloadStringTable();
    }

private:
    TempDir _resources;
    std::optional<ScopedEnv> _env;
};
