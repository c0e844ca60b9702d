#pragma once

#include "platform/TokenStore.h"

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

// A token store in memory whose answers wait until the test lets them go, as a keyring's do while
// it asks the user for its password. The blocking calls answer at once.
class HeldTokenStore : public TokenStore {
public:
    std::map<std::string, std::string> secrets;
    // Writes fail with this reason when it is not empty.
    std::string writeFailure;

    std::optional<std::string> read(const std::string& account, Error*) override
    {
        auto it = secrets.find(account);
        return it == secrets.end() ? std::nullopt : std::optional(it->second);
    }
    bool write(const std::string& account, const std::string& secret, Error* error) override
    {
        if (!writeFailure.empty()) return setError(error, MakeAppError(1, "kept nowhere", writeFailure));
        secrets[account] = secret;
        return true;
    }
    bool remove(const std::string& account, Error*) override
    {
        secrets.erase(account);
        return true;
    }
    std::string name() const override { return "held"; }

    void readLater(const std::string& account, ReadCompletion completion) override
    {
        _held.push_back([this, account, completion] { TokenStore::readLater(account, completion); });
    }
    void writeLater(const std::string& account, const std::string& secret, WriteCompletion completion) override
    {
        _held.push_back([this, account, secret, completion] { TokenStore::writeLater(account, secret, completion); });
    }
    void removeLater(const std::string& account, WriteCompletion completion) override
    {
        _held.push_back([this, account, completion] { TokenStore::removeLater(account, completion); });
    }

    size_t heldCount() const { return _held.size(); }
    // Answers everything asked so far, in the order asked.
    void answer()
    {
        std::vector<std::function<void()>> held = std::move(_held);
        _held.clear();
        for (const std::function<void()>& then : held) then();
    }

private:
    std::vector<std::function<void()>> _held;
};
