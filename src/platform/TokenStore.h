#pragma once

#include "platform/Error.h"

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// Where the cloud services keep their credentials between runs. Secrets are never logged, shown or
// mailed: errors name the account and the store, never the secret.
class TokenStore {
public:
    // An empty error is success; a read that found nothing has no secret and no error.
    using ReadCompletion = std::function<void(std::optional<std::string> secret, const Error& error)>;
    using WriteCompletion = std::function<void(const Error& error)>;

    virtual ~TokenStore() = default;
    // The secret stored for the account; nullopt when there is none or the store failed (error set
    // then, left empty when there was simply nothing stored).
    virtual std::optional<std::string> read(const std::string& account, Error* error = nullptr) = 0;
    virtual bool write(const std::string& account, const std::string& secret, Error* error = nullptr) = 0;
    // Removing what is not there succeeds.
    virtual bool remove(const std::string& account, Error* error = nullptr) = 0;
    // A short name of the store for messages ("secret service", "file").
    virtual std::string name() const = 0;

    // The same without holding up the window: a store that may have to ask the user for a password
    // answers later on the main loop, others may answer before returning. The completion runs once,
    // and never after the store is gone.
    virtual void readLater(const std::string& account, ReadCompletion completion);
    virtual void writeLater(const std::string& account, const std::string& secret, WriteCompletion completion);
    virtual void removeLater(const std::string& account, WriteCompletion completion);

    // A read whose keyring stayed locked (its password question was dismissed) fails with this
    // code, in the platform's error domain: a sign-in may be there, unreadable for now.
    static constexpr int64_t KeyringLockedCode = 2001;
    static bool isKeyringLocked(const Error& error);
    // Called on the main loop once a keyring that kept a read from its secret was unlocked
    // elsewhere, by the user in another program: what it holds may be read now. A store that
    // never locks never calls it.
    virtual void setUnlockHandler(std::function<void()> handler) { (void)handler; }
};

// The desktop's Secret Service (its keyring), through libsecret.
class SecretServiceTokenStore : public TokenStore {
public:
    // Whether a Secret Service answers on the session bus.
    static bool isAvailable();
    std::optional<std::string> read(const std::string& account, Error* error = nullptr) override;
    bool write(const std::string& account, const std::string& secret, Error* error = nullptr) override;
    bool remove(const std::string& account, Error* error = nullptr) override;
    std::string name() const override { return "secret service"; }

    SecretServiceTokenStore();
    ~SecretServiceTokenStore() override;
    SecretServiceTokenStore(const SecretServiceTokenStore&) = delete;
    SecretServiceTokenStore& operator=(const SecretServiceTokenStore&) = delete;
    void readLater(const std::string& account, ReadCompletion completion) override;
    void writeLater(const std::string& account, const std::string& secret, WriteCompletion completion) override;
    void removeLater(const std::string& account, WriteCompletion completion) override;
    void setUnlockHandler(std::function<void()> handler) override { _unlockHandler = std::move(handler); }

private:
    struct Call;
    // Unlocks the call's account items first, the keyring asking for its password when it is
    // locked, then runs next; a failure or the store's end finishes the call instead.
    void unlockThen(Call* call, void (*next)(Call*));
    // A read found the keyring locked: its unlocking elsewhere is watched for from now on.
    void keyringFoundLocked();
    void collectionChanged();
    // One call at a time, in the order asked: libsecret runs each in several steps, and two at once
    // could land a removal after the write that followed it.
    void enqueue(std::function<void()> start);
    void startNext();
    void callEnded(const std::function<void()>& answer);
    Call* makeCall(const std::string& account);

    // A GCancellable, cancelled when the store goes so that no answer reaches its callers.
    void* _cancellable = nullptr;
    std::deque<std::function<void()>> _waiting;
    bool _calling = false;
    std::shared_ptr<bool> _alive = std::make_shared<bool>(true);
    std::function<void()> _unlockHandler;
    bool _foundLocked = false;
    // The session bus (a GDBusConnection) and the subscription to the service's collection changes.
    void* _bus = nullptr;
    unsigned _subscription = 0;
};

// A file readable by its owner only, replaced whole on every change: for desktops without a Secret
// Service. It lives in the user's configuration folder, never in the map store, so that store
// archives and backups of the maps never carry it.
class FileTokenStore : public TokenStore {
public:
    // A file larger than this holds no credentials of ours: it is set aside like a damaged one.
    static constexpr uint64_t MaximumFileSize = uint64_t(1) << 20;

    explicit FileTokenStore(std::string path);
    std::optional<std::string> read(const std::string& account, Error* error = nullptr) override;
    bool write(const std::string& account, const std::string& secret, Error* error = nullptr) override;
    bool remove(const std::string& account, Error* error = nullptr) override;
    std::string name() const override { return "file"; }
    const std::string& path() const { return _path; }

    // The accounts and secrets of a file's text; nullopt when the text is not such a file.
    static std::optional<std::map<std::string, std::string>> parse(const std::string& text);
    static std::string serialize(const std::map<std::string, std::string>& secrets);

private:
    bool load(std::map<std::string, std::string>& secrets, Error* error);
    bool save(const std::map<std::string, std::string>& secrets, Error* error);
    std::string _path;
};

// A store chosen on first use. Asking the session bus whether a Secret Service answers takes
// round trips (and may start the keyring): a first asynchronous call waits until the main loop is
// idle, so that the cloud services made at start never hold the first frame back. A synchronous
// call chooses at once. Calls are handed on in the order they came.
class DeferredTokenStore : public TokenStore {
public:
    using Chooser = std::function<std::unique_ptr<TokenStore>()>;
    explicit DeferredTokenStore(Chooser choose);
    ~DeferredTokenStore() override;
    DeferredTokenStore(const DeferredTokenStore&) = delete;
    DeferredTokenStore& operator=(const DeferredTokenStore&) = delete;

    std::optional<std::string> read(const std::string& account, Error* error = nullptr) override;
    bool write(const std::string& account, const std::string& secret, Error* error = nullptr) override;
    bool remove(const std::string& account, Error* error = nullptr) override;
    std::string name() const override;
    void readLater(const std::string& account, ReadCompletion completion) override;
    void writeLater(const std::string& account, const std::string& secret, WriteCompletion completion) override;
    void removeLater(const std::string& account, WriteCompletion completion) override;
    // Handed on to the store once it is chosen.
    void setUnlockHandler(std::function<void()> handler) override;

    // The store chosen so far; nullptr before the first call has been handed on.
    TokenStore* chosenStore() const { return _store.get(); }

private:
    void choose();
    TokenStore& chosen();
    void later(std::function<void(TokenStore&)> call);

    Chooser _choose;
    std::unique_ptr<TokenStore> _store;
    std::vector<std::function<void(TokenStore&)>> _waiting;
    std::function<void()> _unlockHandler;
    unsigned _idleSource = 0;
    std::shared_ptr<bool> _alive = std::make_shared<bool>(true);
};

// Where makeTokenStore() keeps sign-ins, for the whole process. A process that must never reach
// the keyring of the session it runs in, whatever bus its environment names (a test), keeps them
// in the file alone; it says so before it makes its first store.
enum class TokenStoreChoice { KeyringWhenAvailable, FileOnly };
void setTokenStoreChoice(TokenStoreChoice choice);
TokenStoreChoice tokenStoreChoice();

// The Secret Service when one answers, otherwise the file "cloud-tokens.json" in the user's
// configuration folder; which one is found out on first use (see DeferredTokenStore). Under
// FileOnly the bus is never asked.
std::unique_ptr<TokenStore> makeTokenStore();
