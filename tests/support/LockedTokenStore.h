#pragma once

#include "platform/TokenStore.h"

#include <functional>
#include <map>
#include <optional>
#include <string>

// A keyring the user left locked at the start, its password question dismissed: reads fail as
// locked until another program unlocks it, which the store tells.
class LockedTokenStore : public TokenStore {
public:
    std::map<std::string, std::string> secrets;

    std::optional<std::string> read(const std::string& account, Error* error) override
    {
        if (_locked) {
            setError(error, Error{PlatformErrorDomain, KeyringLockedCode, "locked", "not unlocked"});
            return std::nullopt;
        }
        auto it = secrets.find(account);
        return it == secrets.end() ? std::nullopt : std::optional(it->second);
    }
    bool write(const std::string& account, const std::string& secret, Error*) override
    {
        secrets[account] = secret;
        return true;
    }
    bool remove(const std::string& account, Error*) override
    {
        secrets.erase(account);
        return true;
    }
    std::string name() const override { return "locked keyring"; }
    void setUnlockHandler(std::function<void()> handler) override { _unlocked = std::move(handler); }

    void unlockElsewhere()
    {
        _locked = false;
        if (_unlocked) _unlocked();
    }

private:
    bool _locked = true;
    std::function<void()> _unlocked;
};
