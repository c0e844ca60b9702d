#include "platform/UserDefaults.h"

#include "platform/FileUtils.h"
#include "platform/Folders.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <mutex>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace {

const char* const kFileName = "defaults.plist";

std::string defaultsPath()
{
    return Folders::configFolder() + "/" + kFileName;
}

// A write that takes longer than this to go from its temporary file to the settings file was
// killed: a younger one may be another process's write in progress.
constexpr time_t AbandonedWriteSeconds = 60;

// Whether a name is the one a write's temporary file gets beside the settings file: the name
// behind a dot and six characters made up to be unique.
bool isTemporaryWriteName(const char* name)
{
    static const std::string prefix = std::string(".") + kFileName + ".";
    if (std::strncmp(name, prefix.c_str(), prefix.size()) != 0) return false;
    const char* suffix = name + prefix.size();
    if (std::strlen(suffix) != 6) return false;
    for (const char* c = suffix; *c; ++c)
        if (!(('a' <= *c && *c <= 'z') || ('A' <= *c && *c <= 'Z') || ('0' <= *c && *c <= '9'))) return false;
    return true;
}

// A write killed between its temporary file and the rename leaves the file behind, unnamed by
// anything, each one a copy of every setting.
void removeAbandonedWrites(const std::string& folder)
{
    DIR* dir = ::opendir(folder.c_str());
    if (!dir) return;
    const time_t now = ::time(nullptr);
    const int dirFd = ::dirfd(dir);
    while (const dirent* entry = ::readdir(dir)) {
        if (!isTemporaryWriteName(entry->d_name)) continue;
        struct stat st;
        if (::fstatat(dirFd, entry->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(st.st_mode)) continue;
        if (now - st.st_mtime < AbandonedWriteSeconds) continue;
        ::unlinkat(dirFd, entry->d_name, 0);
    }
    ::closedir(dir);
}

PropertyList effectiveValue(const PropertyList::Dictionary& user, const PropertyList::Dictionary& registered,
                            const std::string& key)
{
    if (auto it = user.find(key); it != user.end()) return it->second;
    if (auto it = registered.find(key); it != registered.end()) return it->second;
    return PropertyList();
}

} // namespace

struct UserDefaults::State {
    mutable std::recursive_mutex mutex;
    bool loaded = false;
    PropertyList::Dictionary registered;
    PropertyList::Dictionary user;
    NotificationCenter observers; // one notification name per key
    std::function<void(std::function<void()>)> writeLater;
    bool unwritten = false;                   // a change waits for its write
    bool writeScheduled = false;              // writeLater holds a write that has not run yet
    unsigned generation = 0;                  // a write scheduled before a reset finds another generation
    std::optional<UnreadableFile> unreadable; // not yet told

    void ensureLoaded()
    {
        if (loaded) return;
        loaded = true;
        user.clear();
        removeAbandonedWrites(Folders::configFolder());
        const std::string path = defaultsPath();
        Error error;
        auto data = readFileData(path, UserDefaults::MaximumFileSize, &error);
        if (!data && error.domain == PosixErrorDomain && (error.code == ENOENT || error.code == ENOTDIR)) return;
        std::optional<PropertyList> list;
        if (data) list = PropertyList::fromData(*data, &error);
        if (list && list->dictionaryValue()) {
            user = *list->dictionaryValue();
            return;
        }
        // Starting over with an empty file would overwrite the old one at the first change; it is
        // kept aside instead, so that the settings it still holds can be recovered by hand.
        const std::string aside = moveUnreadableFileAside(path);
        unreadable = UnreadableFile{path, aside, list ? "not a dictionary" : error.failureReason};
        if (!aside.empty()) {
            std::fprintf(stderr, "Tarnwick: the settings file was unreadable (%s); it was moved to %s\n",
                         unreadable->reason.c_str(), aside.c_str());
        } else {
            std::fprintf(stderr, "Tarnwick: the settings file %s is unreadable and could not be moved aside\n",
                         path.c_str());
        }
    }

    bool write(Error* error) const
    {
        const std::string folder = Folders::configFolder();
        Folders::createFolder(folder);
        return writeFileAtomically(defaultsPath(), PropertyList(user).toData(PropertyList::Format::Xml), error);
    }

    void writeNow()
    {
        Error error;
        if (write(&error)) {
            unwritten = false;
        } else {
            std::fprintf(stderr, "Tarnwick: cannot save the settings: %s\n", error.failureReason.c_str());
        }
    }

    void writeAfterChange()
    {
        if (!writeLater) {
            writeNow();
            return;
        }
        unwritten = true;
        if (writeScheduled) return;
        writeScheduled = true;
        writeLater([this, scheduledIn = generation] {
            std::lock_guard lock(mutex);
            if (scheduledIn != generation) return;
            writeScheduled = false;
            if (unwritten) writeNow();
        });
    }
};

UserDefaults::UserDefaults() : _state(std::make_unique<State>())
{
}

UserDefaults& UserDefaults::standard()
{
    // Never destroyed: objects destroyed at exit may still read settings or end observations.
    static UserDefaults* defaults = new UserDefaults;
    return *defaults;
}

void UserDefaults::resetForTesting()
{
    std::lock_guard lock(_state->mutex);
    _state->registered.clear();
    _state->user.clear();
    _state->loaded = false;
    _state->writeLater = nullptr;
    _state->unwritten = false;
    _state->writeScheduled = false;
    _state->unreadable.reset();
    ++_state->generation;
}

std::optional<UserDefaults::UnreadableFile> UserDefaults::takeUnreadableFile()
{
    std::lock_guard lock(_state->mutex);
    _state->ensureLoaded();
    return std::exchange(_state->unreadable, std::nullopt);
}

void UserDefaults::registerDefaults(const PropertyList::Dictionary& defaults)
{
    std::vector<std::string> changed;
    {
        std::lock_guard lock(_state->mutex);
        _state->ensureLoaded();
        for (const auto& [key, value] : defaults) {
            const PropertyList before = effectiveValue(_state->user, _state->registered, key);
            if (value.isNone()) {
                _state->registered.erase(key);
            } else {
                _state->registered[key] = value;
            }
            if (effectiveValue(_state->user, _state->registered, key) != before) changed.push_back(key);
        }
    }
    for (const std::string& key : changed) _state->observers.post(key);
}

PropertyList UserDefaults::objectForKey(const std::string& key) const
{
    std::lock_guard lock(_state->mutex);
    _state->ensureLoaded();
    return effectiveValue(_state->user, _state->registered, key);
}

bool UserDefaults::hasUserValue(const std::string& key) const
{
    std::lock_guard lock(_state->mutex);
    _state->ensureLoaded();
    return _state->user.count(key) != 0;
}

bool UserDefaults::boolForKey(const std::string& key) const
{
    return objectForKey(key).boolValue();
}

int64_t UserDefaults::integerForKey(const std::string& key) const
{
    return objectForKey(key).integerValue();
}

double UserDefaults::doubleForKey(const std::string& key) const
{
    return objectForKey(key).realValue();
}

std::string UserDefaults::stringForKey(const std::string& key) const
{
    return objectForKey(key).stringValue();
}

void UserDefaults::setObject(const std::string& key, const PropertyList& value)
{
    if (value.isNone()) {
        removeObject(key);
        return;
    }
    bool notify = false;
    {
        std::lock_guard lock(_state->mutex);
        _state->ensureLoaded();
        auto it = _state->user.find(key);
        if (it != _state->user.end() && it->second == value) return;
        const PropertyList before = effectiveValue(_state->user, _state->registered, key);
        _state->user[key] = value;
        _state->writeAfterChange();
        notify = before != value;
    }
    if (notify) _state->observers.post(key);
}

void UserDefaults::removeObject(const std::string& key)
{
    bool notify = false;
    {
        std::lock_guard lock(_state->mutex);
        _state->ensureLoaded();
        auto it = _state->user.find(key);
        if (it == _state->user.end()) return;
        const PropertyList before = it->second;
        _state->user.erase(it);
        _state->writeAfterChange();
        notify = effectiveValue(_state->user, _state->registered, key) != before;
    }
    if (notify) _state->observers.post(key);
}

bool UserDefaults::synchronize(Error* error)
{
    std::lock_guard lock(_state->mutex);
    _state->ensureLoaded();
    if (!_state->write(error)) return false;
    _state->unwritten = false;
    return true;
}

void UserDefaults::setWriteScheduler(std::function<void(std::function<void()> write)> writeLater)
{
    std::lock_guard lock(_state->mutex);
    // A write the old scheduler still holds must not run through the new one's hands.
    if (_state->writeScheduled) {
        _state->writeScheduled = false;
        ++_state->generation;
    }
    _state->writeLater = std::move(writeLater);
    if (_state->unwritten) _state->writeAfterChange();
    static std::once_flag atExit;
    // A process that ends without a quit (exit() on the loss of the display) still keeps what
    // was set; the settings object is never destroyed, so it is there to be asked.
    if (_state->writeLater)
        std::call_once(atExit, [] { std::atexit([] { UserDefaults::standard().writePendingChanges(); }); });
}

bool UserDefaults::writePendingChanges(Error* error)
{
    std::lock_guard lock(_state->mutex);
    if (!_state->unwritten) return true;
    if (!_state->write(error)) return false;
    _state->unwritten = false;
    return true;
}

ObservationToken UserDefaults::observe(const std::string& key, std::function<void(const std::string& key)> handler)
{
    return _state->observers.addObserver(key, nullptr,
                                         [handler = std::move(handler)](const Notification& n) { handler(n.name); });
}
