#pragma once

#include <cstdlib>
#include <optional>
#include <string>

// Sets (or, with nullopt, removes) an environment variable and restores it when destroyed.
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
    }
    ~ScopedEnvironment()
    {
        if (_old) {
            setenv(_name.c_str(), _old->c_str(), 1);
        } else {
            unsetenv(_name.c_str());
        }
    }
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

private:
    std::string _name;
    std::optional<std::string> _old;
};
