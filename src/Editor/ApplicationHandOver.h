#pragma once

#include "Editor/StartupWait.h"

#include <gio/gio.h>
#include <sys/types.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// In a desktop session one program owns the application's name on the session bus and the store
// with it; a later start hands its files to that one. Every start exports the hand-over before it
// asks for the name, so a start that finds the name owned always reaches the owner's. The owner
// answers a hand-over as soon as it has taken the files (each in the store, or known not to open,
// with why), so a start never ends before that; a start whose owner goes away unanswered asks
// again, of the next owner or as the owner itself.
// A start whose user stops waiting may say that its files were not opened only if the owner never
// takes them, also when the owner is stopped or busy at that moment. So each hand-over names a
// claim, a name on the bus that the owner takes before it takes the files and that the start takes
// to withdraw them: the bus gives it to one of the two only, and answers at once.
namespace ApplicationHandOver {
constexpr const char* InterfaceName = "com.orrinworks.Tarnwick.HandOver";
// The owner is going away: the start takes over once it has gone.
constexpr const char* QuittingError = "com.orrinworks.Tarnwick.Error.Quitting";
// The owner cannot take files at all (it could not claim the store, or its user quit it while it
// waited for the store), or the start withdrew them: the start ends without them.
constexpr const char* NotTakenError = "com.orrinworks.Tarnwick.Error.NotTaken";
// The keys of the platform data a start adds: the claim's name (a string), and the GUID the map
// of each file is to have, in the files' order (strings), with which a start that asks again after
// its owner went away finds the maps that owner stored.
constexpr const char* ClaimKey = "tarnwick-claim";
constexpr const char* MapGuidsKey = "tarnwick-map-guids";
// When the start's process was made, in microseconds since the machine booted (an int64):
// questions about the files of starts made one after the other come in that order, whichever
// start reached the owner first.
constexpr const char* GivenAtKey = "tarnwick-given-at";
} // namespace ApplicationHandOver

// A file of a hand-over that was not opened when the start was answered: its address and what the
// running program said about it; no title when the user there chose not to open it. One it is
// asking about is asked about in its window once the start is answered, and opened or not as the
// user says there; a start of an earlier version reads it as one not opened.
struct HandOverFailure {
    std::string uri;
    std::string title;
    std::string reason;
    bool asking = false;
};

// The owner's side: holds each hand-over until its receiver has taken the files, then answers.
// A start whose call the bus gave up on asks again; it is answered once, for the same files. What
// a start asked is forgotten once it has left the bus.
class HandOverService {
public:
    // Called from the main loop with the files' addresses (none: the start only wants the window
    // shown) and the start's platform data, once this program holds the hand-over's claim. Answers
    // nothing when the files cannot be taken now (asked again a moment later); otherwise takes
    // them and answers those not opened. It runs no loop of its own: alerts and questions about
    // the files wait until the start is answered, and a later start is never held by them.
    using Receiver = std::function<std::optional<std::vector<HandOverFailure>>(const std::vector<std::string>& uris,
                                                                               GVariant* platformData)>;

    HandOverService(GDBusConnection* connection, const std::string& objectPath);
    // A hand-over not yet taken is answered as one of an owner that is going away.
    ~HandOverService();
    HandOverService(const HandOverService&) = delete;
    HandOverService& operator=(const HandOverService&) = delete;

    void setReceiver(Receiver receiver);
    // The owner cannot take files: what waits, and whatever comes later, is refused.
    void refuseAll();
    // The starts' requests held, answered or not; one goes once its start has left the bus.
    size_t requestsHeld() const;

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
        // The owner took the files; those it could not open are in notOpened.
        Taken,
        // The owner went away unanswered, or is gone already: the next try owns the name or
        // reaches the next owner.
        OwnerGone,
        // The owner refused the files, or cannot be reached.
        NotTaken,
        // The user gave the wait up before the owner came to the files.
        GaveUp,
        // A signal ended the wait while the owner was taking the files: what becomes of them is
        // the owner's.
        UnderWay,
    };
    Result result = Result::NoBus;
    std::unique_ptr<HandOverService> service;
    // The bus's id, which the store's claim records; empty without a bus.
    std::string session;
    std::vector<HandOverFailure> notOpened;
    // The owner's process id, 0 when unknown.
    pid_t owner = 0;
};

// Asks for the application's name; when another program owns it, hands the files (addresses) and
// the platform data (taken over) to it and waits for its answer, saying after a moment what it
// waits for (notice, given the owner's process id, 0 when unknown). A signal that ends a process
// ends the wait within moments, whatever the owner does: the files are withdrawn unless the owner
// is taking them already.
HandOverStart handOverToOwner(const std::string& applicationId, const std::string& objectPath,
                              const std::vector<std::string>& uris, GVariant* platformData,
                              const std::function<StartupWait::Notice(pid_t owner)>& notice);
