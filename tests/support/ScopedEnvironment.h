#pragma once

#include "platform/Localizer.h"
#include "support/TempDir.h"

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <optional>
#include <string>

// Sets (or, with nullopt, removes) an environment variable and restores it when destroyed. The
// string table is read once from the resources folder: with the folder, it is dropped on both ends,
// so that neither the scope nor the tests after it keep the other's table.
class ScopedEnvironment {
public:
    ScopedEnvironment(const char* name, const std::optional<std::string>& value) : _name(name)
    {
        if (const char* old = std::getenv(name)) _old = old;
        if (value) {
            setenv(name, value->c_str(), 1);
        } else {
            unsetenv(name);
        }
        if (_name == "TARNWICK_RESOURCES") reloadStringTable();
    }
    ~ScopedEnvironment()
    {
        if (_old) {
            setenv(_name.c_str(), _old->c_str(), 1);
        } else {
            unsetenv(_name.c_str());
        }
        if (_name == "TARNWICK_RESOURCES") reloadStringTable();
    }
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

private:
    std::string _name;
    std::optional<std::string> _old;
};

// Dates are split in the local zone: tests pin the zone for their scope.
class ScopedTimeZone {
public:
    explicit ScopedTimeZone(const std::string& zone) : _environment(std::in_place, "TZ", zone) { tzset(); }
    ~ScopedTimeZone()
    {
        _environment.reset();
        tzset();
    }
    ScopedTimeZone(const ScopedTimeZone&) = delete;
    ScopedTimeZone& operator=(const ScopedTimeZone&) = delete;

private:
    std::optional<ScopedEnvironment> _environment;
};

// A string table of the test's own in a temporary resources folder, in force for one scope.
class ScopedStringTable {
public:
    explicit ScopedStringTable(const std::string& contents)
    {
        std::filesystem::create_directories(_resources.file("strings"));
        writeTestFile(_resources.file("strings/en.strings"), contents);
        _environment.emplace("TARNWICK_RESOURCES", _resources.path());
        reloadStringTable();
    }
    ~ScopedStringTable()
    {
        _environment.reset();
        reloadStringTable();
    }

private:
    TempDir _resources;
    std::optional<ScopedEnvironment> _environment;
};
