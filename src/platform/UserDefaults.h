#pragma once

#include "platform/NotificationCenter.h"
#include "platform/PropertyList.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

// The user's settings: registered defaults lie beneath the user's own values. The user's values
// persist as an XML property list "defaults.plist" in the config folder (Folders::configFolder()),
// read on first use and written whole after every change, or once for a run of changes when the
// writes are deferred. A file that cannot be read is moved aside to "defaults.plist.corrupt" and
// the settings start empty.
class UserDefaults {
public:
    // A settings file larger than this is not read: it is treated as damaged.
    static constexpr uint64_t MaximumFileSize = uint64_t(16) << 20;

    static UserDefaults& standard();

    // Forgets every value and registration and reloads from the current config folder (tests).
    void resetForTesting();

    void registerDefaults(const PropertyList::Dictionary& defaults);

    // The user's value, else the registered default, else a None value.
    PropertyList objectForKey(const std::string& key) const;
    bool hasUserValue(const std::string& key) const;

    bool boolForKey(const std::string& key) const;
    int64_t integerForKey(const std::string& key) const;
    double doubleForKey(const std::string& key) const;
    std::string stringForKey(const std::string& key) const;

    // Setting a value equal to the current user value changes nothing and tells nobody; setting a
    // None value removes the user value.
    void setObject(const std::string& key, const PropertyList& value);
    void setBool(const std::string& key, bool value) { setObject(key, PropertyList(value)); }
    void setInteger(const std::string& key, int64_t value) { setObject(key, PropertyList(value)); }
    void setDouble(const std::string& key, double value) { setObject(key, PropertyList(value)); }
    void setString(const std::string& key, const std::string& value) { setObject(key, PropertyList(value)); }
    void removeObject(const std::string& key);

    // Writes the user's values now (they are also written after every change, or soon after it
    // when writes are deferred).
    bool synchronize(Error* error = nullptr);

    // Defers the writing of changes. The first change after a write hands writeLater a function
    // that writes every change made until it runs; writeLater calls it later on the same thread
    // (the application: when its main loop is idle, so that a start of many settings writes and
    // syncs the file once, after the window shows). nullptr writes after every change again.
    // Changes not yet written when the process exits are written then; a quit that must find
    // them on disk (a signal, the end of a session) calls synchronize() first.
    void setWriteScheduler(std::function<void(std::function<void()> write)> writeLater);
    // Writes the changes not yet written, if any; true when nothing is left unwritten.
    bool writePendingChanges(Error* error = nullptr);

    // The settings file found unreadable when the settings were read, if it was: where it was put
    // aside (empty when it could not be moved) and why it did not read. Answered once, so that the
    // user is told once; the settings are read first when they were not yet.
    struct UnreadableFile {
        std::string path;
        std::string movedTo;
        std::string reason;
    };
    std::optional<UnreadableFile> takeUnreadableFile();

    // Called with the key after a change of the effective value of that key.
    [[nodiscard]] ObservationToken observe(const std::string& key, std::function<void(const std::string& key)> handler);

private:
    UserDefaults();
    struct State;
    std::unique_ptr<State> _state;
};
