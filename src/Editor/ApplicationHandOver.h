#pragma once

#include "Editor/StartupWait.h"

#include <gio/gio.h>
#include <sys/types.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

// In a desktop session one program owns the application's name on the session bus and the store
// with it; a later start hands its files to that one. Every start exports the hand-over before it
// asks for the name, so a start that finds the name owned always reaches the owner's. The owner
// answers a hand-over only once it has taken the files (each in the store, or its failure shown),
// so a start never ends before that; a start whose owner goes away unanswered asks again, of the
// next owner or as the owner itself.
namespace ApplicationHandOver {
constexpr const char* InterfaceName = "com.orrinworks.Tarnwick.HandOver";
// The owner is going away: the start takes over once it has gone.
constexpr const char* QuittingError = "com.orrinworks.Tarnwick.Error.Quitting";
// The owner cannot take files at all (it could not claim the store, or its user quit it while it
// waited for the store): the start ends without them.
constexpr const char* NotTakenError = "com.orrinworks.Tarnwick.Error.NotTaken";
} // namespace ApplicationHandOver

// The owner's side: holds each hand-over until its receiver has taken the files, then answers.
// A start whose call the bus gave up on asks again; it is answered once, for the same files.
class HandOverService {
public:
    // Called from the main loop with the files' addresses (none: the start only wants the window
    // shown) and the start's platform data. Answers false when the files cannot be taken now
    // (asked again a moment later); otherwise it takes them and calls taken() once they are in
    // the store or their failure is on screen.
    using Receiver =
        std::function<bool(const std::vector<std::string>& uris, GVariant* platformData, std::function<void()> taken)>;

    HandOverService(GDBusConnection* connection, const std::string& objectPath);
    // A hand-over not yet answered is answered as one of an owner that is going away.
    ~HandOverService();
    HandOverService(const HandOverService&) = delete;
    HandOverService& operator=(const HandOverService&) = delete;

    void setReceiver(Receiver receiver);
    // The owner cannot take files: what waits, and whatever comes later, is refused.
    void refuseAll();

    struct State;

private:
    std::shared_ptr<State> _state;
};

// The start's side.
struct HandOverStart {
    enum class Result {
        // No session bus: nobody to hand over to, nor to own the name.
        NoBus,
        // This start owns the name: it claims the store and keeps the service for later starts.
        Owner,
        // The owner took the files.
        Taken,
        // The owner went away unanswered, or is gone already: the next try owns the name or
        // reaches the next owner.
        OwnerGone,
        // The owner refused the files, or cannot be reached.
        NotTaken,
        // The user gave the wait up.
        GaveUp,
    };
    Result result = Result::NoBus;
    std::unique_ptr<HandOverService> service;
    // The bus's id, which the store's claim records; empty without a bus.
    std::string session;
};

// Asks for the application's name; when another program owns it, hands the files (addresses) and
// the platform data (taken over) to it and waits for its answer, saying after a moment what it
// waits for (notice, given the owner's process id, 0 when unknown).
HandOverStart handOverToOwner(const std::string& applicationId, const std::string& objectPath,
                              const std::vector<std::string>& uris, GVariant* platformData,
                              const std::function<StartupWait::Notice(pid_t owner)>& notice);
