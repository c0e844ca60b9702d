#pragma once

#include <utility>

// Holds a flag up for a scope and gives it back its value however the scope ends: a guard that
// tells code run by a change made on purpose (a signal it causes, a callback it reaches) that it
// is inside that change.
class FlagScope {
public:
    explicit FlagScope(bool& flag) : _flag(flag), _was(std::exchange(flag, true)) {}
    ~FlagScope() { _flag = _was; }
    FlagScope(const FlagScope&) = delete;
    FlagScope& operator=(const FlagScope&) = delete;

private:
    bool& _flag;
    bool _was;
};
