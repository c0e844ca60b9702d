#include "platform/TokenStore.h"

#include "platform/FileUtils.h"
#include "platform/Folders.h"
#include "platform/SharedLibrary.h"

#include <libsecret/secret.h>
#include <nlohmann/json.hpp>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <mutex>

namespace {

constexpr int64_t TokenStoreErrorCode = 1;

const SecretSchema* tokenSchema()
{
    static const SecretSchema schema = {
        "com.orrinworks.Tarnwick.CloudToken",
        SECRET_SCHEMA_NONE,
        {{"account", SECRET_SCHEMA_ATTRIBUTE_STRING}, {nullptr, SECRET_SCHEMA_ATTRIBUTE_STRING}},
    };
    return &schema;
}

// The same items found by their account alone. A keyring read locked from disk keeps the items'
// attributes only as hashes, and the schema's name among them cannot be matched: a search naming it
// finds nothing, so nothing is unlocked and the sign-in looks absent.
const SecretSchema* lockedItemSchema()
{
    static const SecretSchema schema = {
        "com.orrinworks.Tarnwick.CloudToken",
        SECRET_SCHEMA_DONT_MATCH_NAME,
        {{"account", SECRET_SCHEMA_ATTRIBUTE_STRING}, {nullptr, SECRET_SCHEMA_ATTRIBUTE_STRING}},
    };
    return &schema;
}

Error lockedError(const std::string& account)
{
    return Error{PlatformErrorDomain, TokenStore::KeyringLockedCode,
                 "The keyring holding the sign-in of " + account + " is locked.", "The keyring was not unlocked."};
}

Error storeError(const std::string& account, const std::string& store, const std::string& reason)
{
    return MakeAppError(TokenStoreErrorCode, "The sign-in of " + account + " could not be kept in the " + store + ".",
                        reason);
}

bool takeError(GError* gerror, const std::string& account, Error* error)
{
    if (!gerror) return false;
    setError(error, storeError(account, "secret service", gerror->message));
    g_error_free(gerror);
    return true;
}

// libsecret's functions, loaded on first use: linked, it and its crypto libraries were loaded at
// every start although only a cloud sign-in needs them.
struct SecretLibrary {
    SecretService* (*serviceGetSync)(SecretServiceFlags, GCancellable*, GError**);
    GList* (*serviceSearchSync)(SecretService*, const SecretSchema*, GHashTable*, SecretSearchFlags, GCancellable*,
                                GError**);
    gchar* (*passwordLookupSync)(const SecretSchema*, GCancellable*, GError**, ...);
    gboolean (*passwordStoreSync)(const SecretSchema*, const gchar*, const gchar*, const gchar*, GCancellable*,
                                  GError**, ...);
    gboolean (*passwordClearSync)(const SecretSchema*, GCancellable*, GError**, ...);
    void (*passwordFree)(gchar*);
    // What does not hold up the window while the keyring asks for its password.
    decltype(&secret_password_lookup) passwordLookup;
    decltype(&secret_password_lookup_finish) passwordLookupFinish;
    decltype(&secret_password_store) passwordStore;
    decltype(&secret_password_store_finish) passwordStoreFinish;
    decltype(&secret_password_clear) passwordClear;
    decltype(&secret_password_clear_finish) passwordClearFinish;
    decltype(&secret_service_get) serviceGet;
    decltype(&secret_service_get_finish) serviceGetFinish;
    decltype(&secret_service_search) serviceSearch;
    decltype(&secret_service_search_finish) serviceSearchFinish;
    decltype(&secret_item_get_locked) itemGetLocked;
};

template <typename Function> bool bind(void* handle, const char* name, Function& function)
{
    std::string unused;
    return SharedLibrary::bind(handle, name, function, "libsecret", unused);
}

// Nothing when the library or one of its functions is missing; the reason is then in the error.
const SecretLibrary* secretLibrary(std::string* reason = nullptr)
{
    static std::once_flag once;
    static SecretLibrary library{};
    static bool complete = false;
    static std::string failure;
    std::call_once(once, [] {
        void* handle = SharedLibrary::open("libsecret-1.so.0", "libsecret", failure);
        if (!handle) return;
        SecretLibrary& l = library;
        complete = bind(handle, "secret_service_get_sync", l.serviceGetSync) &&
            bind(handle, "secret_service_search_sync", l.serviceSearchSync) &&
            bind(handle, "secret_password_lookup_sync", l.passwordLookupSync) &&
            bind(handle, "secret_password_store_sync", l.passwordStoreSync) &&
            bind(handle, "secret_password_clear_sync", l.passwordClearSync) &&
            bind(handle, "secret_password_free", l.passwordFree) &&
            bind(handle, "secret_password_lookup", l.passwordLookup) &&
            bind(handle, "secret_password_lookup_finish", l.passwordLookupFinish) &&
            bind(handle, "secret_password_store", l.passwordStore) &&
            bind(handle, "secret_password_store_finish", l.passwordStoreFinish) &&
            bind(handle, "secret_password_clear", l.passwordClear) &&
            bind(handle, "secret_password_clear_finish", l.passwordClearFinish) &&
            bind(handle, "secret_service_get", l.serviceGet) &&
            bind(handle, "secret_service_get_finish", l.serviceGetFinish) &&
            bind(handle, "secret_service_search", l.serviceSearch) &&
            bind(handle, "secret_service_search_finish", l.serviceSearchFinish) &&
            bind(handle, "secret_item_get_locked", l.itemGetLocked);
        if (!complete) failure = "libsecret lacks a function the sign-in needs.";
    });
    if (!complete && reason) *reason = failure;
    return complete ? &library : nullptr;
}

const SecretLibrary* secretLibraryOrError(const std::string& account, Error* error)
{
    std::string reason;
    const SecretLibrary* library = secretLibrary(&reason);
    if (!library) setError(error, storeError(account, "secret service", reason));
    return library;
}

GHashTable* accountAttributes(const std::string& account)
{
    GHashTable* attributes = g_hash_table_new_full(g_str_hash, g_str_equal, nullptr, g_free);
    g_hash_table_insert(attributes, const_cast<char*>("account"), g_strdup(account.c_str()));
    return attributes;
}

// Whether an item the unlocking search found stayed locked: the user dismissed the keyring's
// password question.
bool anyLocked(const SecretLibrary* library, GList* items)
{
    bool locked = false;
    for (GList* item = items; item; item = item->next)
        locked = locked || library->itemGetLocked(static_cast<SecretItem*>(item->data));
    g_list_free_full(items, g_object_unref);
    return locked;
}

constexpr SecretSearchFlags UnlockingSearch = SecretSearchFlags(SECRET_SEARCH_ALL | SECRET_SEARCH_UNLOCK);

// Unlocks the items of the account, the keyring asking the user for its password when it is
// locked; answers whether one stayed locked.
bool unlockSync(const SecretLibrary* library, const std::string& account, GError** gerror)
{
    SecretService* service = library->serviceGetSync(SECRET_SERVICE_NONE, nullptr, gerror);
    if (!service) return false;
    GHashTable* attributes = accountAttributes(account);
    GList* items =
        library->serviceSearchSync(service, lockedItemSchema(), attributes, UnlockingSearch, nullptr, gerror);
    g_hash_table_unref(attributes);
    g_object_unref(service);
    return anyLocked(library, items);
}

} // namespace

bool SecretServiceTokenStore::isAvailable()
{
    const SecretLibrary* library = secretLibrary();
    if (!library) return false;
    GError* gerror = nullptr;
    SecretService* service = library->serviceGetSync(SECRET_SERVICE_NONE, nullptr, &gerror);
    if (!service) {
        if (gerror) g_error_free(gerror);
        return false;
    }
    // Connecting proves only that libsecret found a bus; a lookup proves that a service answers.
    GHashTable* attributes = g_hash_table_new(g_str_hash, g_str_equal);
    g_hash_table_insert(attributes, const_cast<char*>("account"), const_cast<char*>("tarnwick.probe"));
    GList* items = library->serviceSearchSync(service, tokenSchema(), attributes, SECRET_SEARCH_NONE, nullptr, &gerror);
    g_list_free_full(items, g_object_unref);
    g_hash_table_unref(attributes);
    g_object_unref(service);
    if (gerror) {
        g_error_free(gerror);
        return false;
    }
    return true;
}

std::optional<std::string> SecretServiceTokenStore::read(const std::string& account, Error* error)
{
    const SecretLibrary* library = secretLibraryOrError(account, error);
    if (!library) return std::nullopt;
    GError* gerror = nullptr;
    const bool locked = unlockSync(library, account, &gerror);
    if (takeError(gerror, account, error)) return std::nullopt;
    gchar* secret = library->passwordLookupSync(tokenSchema(), nullptr, &gerror, "account", account.c_str(), nullptr);
    if (takeError(gerror, account, error)) return std::nullopt;
    if (!secret) {
        if (locked) {
            setError(error, lockedError(account));
            keyringFoundLocked();
        }
        return std::nullopt;
    }
    std::string value = secret;
    library->passwordFree(secret);
    return value;
}

bool SecretServiceTokenStore::write(const std::string& account, const std::string& secret, Error* error)
{
    const SecretLibrary* library = secretLibraryOrError(account, error);
    if (!library) return false;
    GError* gerror = nullptr;
    std::string label = "Tarnwick: " + account;
    bool stored = library->passwordStoreSync(tokenSchema(), SECRET_COLLECTION_DEFAULT, label.c_str(), secret.c_str(),
                                             nullptr, &gerror, "account", account.c_str(), nullptr);
    if (takeError(gerror, account, error)) return false;
    if (!stored) return setError(error, storeError(account, "secret service", "The secret service refused it."));
    return true;
}

bool SecretServiceTokenStore::remove(const std::string& account, Error* error)
{
    const SecretLibrary* library = secretLibraryOrError(account, error);
    if (!library) return false;
    GError* gerror = nullptr;
    // A sign-out must not leave the sign-in in a locked keyring, for the next start to find.
    if (unlockSync(library, account, &gerror)) return setError(error, lockedError(account));
    if (takeError(gerror, account, error)) return false;
    library->passwordClearSync(tokenSchema(), nullptr, &gerror, "account", account.c_str(), nullptr);
    return !takeError(gerror, account, error);
}

bool TokenStore::isKeyringLocked(const Error& error)
{
    return error.domain == PlatformErrorDomain && error.code == KeyringLockedCode;
}

void TokenStore::readLater(const std::string& account, ReadCompletion completion)
{
    Error error;
    auto secret = read(account, &error);
    if (completion) completion(std::move(secret), error);
}

void TokenStore::writeLater(const std::string& account, const std::string& secret, WriteCompletion completion)
{
    Error error;
    write(account, secret, &error);
    if (completion) completion(error);
}

void TokenStore::removeLater(const std::string& account, WriteCompletion completion)
{
    Error error;
    remove(account, &error);
    if (completion) completion(error);
}

// What an asynchronous libsecret call needs when it answers. The cancellable is its own reference,
// so that an answer after the store is gone can still tell that it must be dropped.
struct SecretServiceTokenStore::Call {
    GCancellable* cancellable;
    SecretServiceTokenStore* store;
    std::string account;
    ReadCompletion read;
    WriteCompletion write;
    // Whether an item stayed locked after the unlocking search, and what runs after it.
    bool locked = false;
    void (*next)(Call*) = nullptr;
    ~Call() { g_object_unref(cancellable); }

    // Ends the call when the store is gone (silently) or the step failed (answering the error);
    // true when it ended, and then the call is deleted.
    bool endedBy(GError* gerror)
    {
        if (g_cancellable_is_cancelled(cancellable)) {
            if (gerror) g_error_free(gerror);
            delete this;
            return true;
        }
        if (!gerror) return false;
        Error error;
        takeError(gerror, account, &error);
        std::unique_ptr<Call> ending(this);
        store->callEnded([&] {
            if (read) read(std::nullopt, error);
            if (write) write(error);
        });
        return true;
    }
};

void SecretServiceTokenStore::unlockThen(Call* call, void (*next)(Call*))
{
    call->next = next;
    secretLibrary()->serviceGet(
        SECRET_SERVICE_NONE, call->cancellable,
        [](GObject*, GAsyncResult* result, gpointer data) {
            auto* call = static_cast<Call*>(data);
            const SecretLibrary* library = secretLibrary();
            GError* gerror = nullptr;
            SecretService* service = library->serviceGetFinish(result, &gerror);
            if (call->endedBy(gerror)) {
                if (service) g_object_unref(service);
                return;
            }
            GHashTable* attributes = accountAttributes(call->account);
            library->serviceSearch(
                service, lockedItemSchema(), attributes, UnlockingSearch, call->cancellable,
                [](GObject* source, GAsyncResult* result, gpointer data) {
                    auto* call = static_cast<Call*>(data);
                    const SecretLibrary* library = secretLibrary();
                    GError* gerror = nullptr;
                    GList* items =
                        library->serviceSearchFinish(reinterpret_cast<SecretService*>(source), result, &gerror);
                    const bool locked = anyLocked(library, items);
                    if (call->endedBy(gerror)) return;
                    call->locked = locked;
                    call->next(call);
                },
                call);
            g_hash_table_unref(attributes);
            g_object_unref(service);
        },
        call);
}

void SecretServiceTokenStore::keyringFoundLocked()
{
    _foundLocked = true;
    if (_bus) return;
    // The connection libsecret talks over: already there, so this does not wait on the bus.
    GDBusConnection* bus = g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, nullptr);
    if (!bus) return;
    _bus = bus;
    // Unlocking a collection is announced as a change of it, whoever unlocked it. Any sender: a
    // signal from another only makes the store's users read again.
    _subscription = g_dbus_connection_signal_subscribe(
        bus, nullptr, "org.freedesktop.Secret.Service", "CollectionChanged", "/org/freedesktop/secrets", nullptr,
        G_DBUS_SIGNAL_FLAGS_NONE,
        [](GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar*, GVariant*, gpointer store) {
            static_cast<SecretServiceTokenStore*>(store)->collectionChanged();
        },
        this, nullptr);
}

void SecretServiceTokenStore::collectionChanged()
{
    // Other changes of the keyring are no news to a store that read everything it asked for.
    if (!_foundLocked) return;
    _foundLocked = false;
    if (_unlockHandler) _unlockHandler();
}

SecretServiceTokenStore::SecretServiceTokenStore() : _cancellable(g_cancellable_new())
{
}

SecretServiceTokenStore::~SecretServiceTokenStore()
{
    g_cancellable_cancel(G_CANCELLABLE(_cancellable));
    g_object_unref(_cancellable);
    if (_bus) {
        if (_subscription) g_dbus_connection_signal_unsubscribe(G_DBUS_CONNECTION(_bus), _subscription);
        g_object_unref(_bus);
    }
}

void SecretServiceTokenStore::enqueue(std::function<void()> start)
{
    _waiting.push_back(std::move(start));
    startNext();
}

void SecretServiceTokenStore::startNext()
{
    if (_calling || _waiting.empty()) return;
    _calling = true;
    std::function<void()> start = std::move(_waiting.front());
    _waiting.pop_front();
    start();
}

// The next call starts only after the caller heard of this one: a completion that asks the store
// again queues behind what was asked before it.
void SecretServiceTokenStore::callEnded(const std::function<void()>& answer)
{
    std::weak_ptr<bool> alive = _alive;
    answer();
    if (alive.expired()) return;
    _calling = false;
    startNext();
}

SecretServiceTokenStore::Call* SecretServiceTokenStore::makeCall(const std::string& account)
{
    return new Call{G_CANCELLABLE(g_object_ref(_cancellable)), this, account, {}, {}};
}

void SecretServiceTokenStore::readLater(const std::string& account, ReadCompletion completion)
{
    enqueue([this, account, completion = std::move(completion)] {
        Error error;
        const SecretLibrary* library = secretLibraryOrError(account, &error);
        if (!library) {
            return callEnded([&] {
                if (completion) completion(std::nullopt, error);
            });
        }
        Call* call = makeCall(account);
        call->read = completion;
        unlockThen(call, [](Call* call) {
            secretLibrary()->passwordLookup(
                tokenSchema(), call->cancellable,
                [](GObject*, GAsyncResult* result, gpointer data) {
                    std::unique_ptr<Call> call(static_cast<Call*>(data));
                    const SecretLibrary* library = secretLibrary();
                    GError* gerror = nullptr;
                    gchar* secret = library->passwordLookupFinish(result, &gerror);
                    std::optional<std::string> value;
                    if (secret) {
                        value = std::string(secret);
                        library->passwordFree(secret);
                    }
                    if (g_cancellable_is_cancelled(call->cancellable)) {
                        if (gerror) g_error_free(gerror);
                        return;
                    }
                    Error error;
                    if (takeError(gerror, call->account, &error)) value.reset();
                    if (!value && error.isEmpty() && call->locked) {
                        error = lockedError(call->account);
                        call->store->keyringFoundLocked();
                    }
                    call->store->callEnded([&] {
                        if (call->read) call->read(std::move(value), error);
                    });
                },
                call, "account", call->account.c_str(), nullptr);
        });
    });
}

void SecretServiceTokenStore::writeLater(const std::string& account, const std::string& secret,
                                         WriteCompletion completion)
{
    enqueue([this, account, secret, completion = std::move(completion)] {
        Error error;
        const SecretLibrary* library = secretLibraryOrError(account, &error);
        if (!library) {
            return callEnded([&] {
                if (completion) completion(error);
            });
        }
        Call* call = makeCall(account);
        call->write = completion;
        const std::string label = "Tarnwick: " + account;
        library->passwordStore(
            tokenSchema(), SECRET_COLLECTION_DEFAULT, label.c_str(), secret.c_str(), G_CANCELLABLE(_cancellable),
            [](GObject*, GAsyncResult* result, gpointer data) {
                std::unique_ptr<Call> call(static_cast<Call*>(data));
                GError* gerror = nullptr;
                const bool stored = secretLibrary()->passwordStoreFinish(result, &gerror);
                if (g_cancellable_is_cancelled(call->cancellable)) {
                    if (gerror) g_error_free(gerror);
                    return;
                }
                Error error;
                if (!takeError(gerror, call->account, &error) && !stored) {
                    error = storeError(call->account, "secret service", "The secret service refused it.");
                }
                call->store->callEnded([&] {
                    if (call->write) call->write(error);
                });
            },
            call, "account", account.c_str(), nullptr);
    });
}

void SecretServiceTokenStore::removeLater(const std::string& account, WriteCompletion completion)
{
    enqueue([this, account, completion = std::move(completion)] {
        Error error;
        const SecretLibrary* library = secretLibraryOrError(account, &error);
        if (!library) {
            return callEnded([&] {
                if (completion) completion(error);
            });
        }
        Call* call = makeCall(account);
        call->write = completion;
        // A sign-out must not leave the sign-in in a locked keyring, for the next start to find.
        unlockThen(call, [](Call* call) {
            if (call->locked) {
                std::unique_ptr<Call> ending(call);
                const Error error = lockedError(call->account);
                call->store->callEnded([&] {
                    if (call->write) call->write(error);
                });
                return;
            }
            secretLibrary()->passwordClear(
                tokenSchema(), call->cancellable,
                [](GObject*, GAsyncResult* result, gpointer data) {
                    std::unique_ptr<Call> call(static_cast<Call*>(data));
                    GError* gerror = nullptr;
                    secretLibrary()->passwordClearFinish(result, &gerror);
                    if (g_cancellable_is_cancelled(call->cancellable)) {
                        if (gerror) g_error_free(gerror);
                        return;
                    }
                    Error error;
                    takeError(gerror, call->account, &error);
                    call->store->callEnded([&] {
                        if (call->write) call->write(error);
                    });
                },
                call, "account", call->account.c_str(), nullptr);
        });
    });
}

FileTokenStore::FileTokenStore(std::string path) : _path(std::move(path))
{
}

std::optional<std::map<std::string, std::string>> FileTokenStore::parse(const std::string& text)
{
    nlohmann::json document = nlohmann::json::parse(text, nullptr, false);
    if (document.is_discarded() || !document.is_object()) return std::nullopt;
    std::map<std::string, std::string> secrets;
    for (const auto& [account, secret] : document.items()) {
        if (!secret.is_string()) return std::nullopt;
        secrets[account] = secret.get<std::string>();
    }
    return secrets;
}

std::string FileTokenStore::serialize(const std::map<std::string, std::string>& secrets)
{
    nlohmann::json document = nlohmann::json::object();
    for (const auto& [account, secret] : secrets) document[account] = secret;
    return document.dump(1) + "\n";
}

bool FileTokenStore::load(std::map<std::string, std::string>& secrets, Error* error)
{
    secrets.clear();
    struct stat st {};
    if (::stat(_path.c_str(), &st) != 0) {
        if (errno == ENOENT) return true;
        return setError(error, storeError("the account", "file " + _path, std::strerror(errno)));
    }
    Error readError;
    auto text = readFileText(_path, MaximumFileSize, &readError);
    if (!text && !isTooLargeToRead(readError)) return setError(error, readError);
    auto parsed = text ? parse(*text) : std::nullopt;
    if (!parsed) {
        // Credentials can be had again by signing in; a damaged file is set aside, not trusted.
        moveUnreadableFileAside(_path);
        return true;
    }
    secrets = std::move(*parsed);
    return true;
}

bool FileTokenStore::save(const std::map<std::string, std::string>& secrets, Error* error)
{
    std::string folder = _path.substr(0, _path.find_last_of('/'));
    if (!folder.empty() && !Folders::createFolder(folder)) {
        return setError(error, storeError("the account", "file " + _path, "Its folder could not be made."));
    }
    std::string temporaryPath;
    int fd = createTemporaryFileBeside(_path, temporaryPath, error);
    if (fd < 0) return false;
    // The temporary file is made for its owner only; say so explicitly, whatever the umask.
    ::fchmod(fd, 0600);
    std::string text = serialize(secrets);
    size_t written = 0;
    while (written < text.size()) {
        ssize_t count = ::write(fd, text.data() + written, text.size() - written);
        if (count < 0 && errno == EINTR) continue;
        if (count <= 0) break;
        written += size_t(count);
    }
    bool ok = written == text.size() && ::fsync(fd) == 0;
    int code = errno;
    ::close(fd);
    if (!ok) {
        std::remove(temporaryPath.c_str());
        return setError(error, fileSaveError(code, _path, "write"));
    }
    return moveTemporaryFileOver(temporaryPath, _path, error);
}

std::optional<std::string> FileTokenStore::read(const std::string& account, Error* error)
{
    std::map<std::string, std::string> secrets;
    if (!load(secrets, error)) return std::nullopt;
    auto it = secrets.find(account);
    if (it == secrets.end()) return std::nullopt;
    return it->second;
}

bool FileTokenStore::write(const std::string& account, const std::string& secret, Error* error)
{
    std::map<std::string, std::string> secrets;
    if (!load(secrets, error)) return false;
    secrets[account] = secret;
    return save(secrets, error);
}

bool FileTokenStore::remove(const std::string& account, Error* error)
{
    std::map<std::string, std::string> secrets;
    if (!load(secrets, error)) return false;
    if (secrets.erase(account) == 0) return true;
    return save(secrets, error);
}

DeferredTokenStore::DeferredTokenStore(Chooser choose) : _choose(std::move(choose))
{
}

DeferredTokenStore::~DeferredTokenStore()
{
    // Calls still waiting are dropped unanswered: their completions must not outlive the store.
    if (_idleSource) g_source_remove(_idleSource);
}

void DeferredTokenStore::setUnlockHandler(std::function<void()> handler)
{
    _unlockHandler = std::move(handler);
    if (_store) _store->setUnlockHandler(_unlockHandler);
}

void DeferredTokenStore::choose()
{
    if (_store) return;
    if (_idleSource) g_source_remove(_idleSource);
    _idleSource = 0;
    _store = _choose();
    if (_unlockHandler) _store->setUnlockHandler(_unlockHandler);
    // What came first is handed on first. A store that answers at once may see its caller end
    // this store inside a completion: the rest is then dropped.
    std::vector<std::function<void(TokenStore&)>> waiting = std::move(_waiting);
    _waiting.clear();
    const std::weak_ptr<bool> alive = _alive;
    for (const auto& call : waiting) {
        if (alive.expired()) return;
        call(*_store);
    }
}

TokenStore& DeferredTokenStore::chosen()
{
    choose();
    return *_store;
}

void DeferredTokenStore::later(std::function<void(TokenStore&)> call)
{
    if (_store) return call(*_store);
    _waiting.push_back(std::move(call));
    if (_idleSource) return;
    // Below the toolkit's redraw priority: the window is painted before the bus is asked.
    _idleSource = g_idle_add_full(
        G_PRIORITY_LOW,
        [](gpointer self) -> gboolean {
            auto* store = static_cast<DeferredTokenStore*>(self);
            store->_idleSource = 0;
            store->choose();
            return G_SOURCE_REMOVE;
        },
        this, nullptr);
}

std::optional<std::string> DeferredTokenStore::read(const std::string& account, Error* error)
{
    return chosen().read(account, error);
}

bool DeferredTokenStore::write(const std::string& account, const std::string& secret, Error* error)
{
    return chosen().write(account, secret, error);
}

bool DeferredTokenStore::remove(const std::string& account, Error* error)
{
    return chosen().remove(account, error);
}

std::string DeferredTokenStore::name() const
{
    return const_cast<DeferredTokenStore*>(this)->chosen().name();
}

void DeferredTokenStore::readLater(const std::string& account, ReadCompletion completion)
{
    later([account, completion = std::move(completion)](TokenStore& store) mutable {
        store.readLater(account, std::move(completion));
    });
}

void DeferredTokenStore::writeLater(const std::string& account, const std::string& secret, WriteCompletion completion)
{
    later([account, secret, completion = std::move(completion)](TokenStore& store) mutable {
        store.writeLater(account, secret, std::move(completion));
    });
}

void DeferredTokenStore::removeLater(const std::string& account, WriteCompletion completion)
{
    later([account, completion = std::move(completion)](TokenStore& store) mutable {
        store.removeLater(account, std::move(completion));
    });
}

namespace {

std::atomic<TokenStoreChoice> processChoice{TokenStoreChoice::KeyringWhenAvailable};

} // namespace

void setTokenStoreChoice(TokenStoreChoice choice)
{
    processChoice = choice;
}

TokenStoreChoice tokenStoreChoice()
{
    return processChoice;
}

std::unique_ptr<TokenStore> makeTokenStore()
{
    // Taken now rather than when the store is chosen: a store made under FileOnly never reaches
    // the keyring, also when its choice falls after the caller's scope has ended.
    const bool keyring = tokenStoreChoice() == TokenStoreChoice::KeyringWhenAvailable;
    return std::make_unique<DeferredTokenStore>([keyring]() -> std::unique_ptr<TokenStore> {
        if (keyring && SecretServiceTokenStore::isAvailable()) return std::make_unique<SecretServiceTokenStore>();
        return std::make_unique<FileTokenStore>(Folders::configFolder() + "/cloud-tokens.json");
    });
}
