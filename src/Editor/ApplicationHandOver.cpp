#include "Editor/ApplicationHandOver.h"

#include "Utils/GuidCreation.h"
#include "platform/MainLoop.h"

#include <algorithm>
#include <deque>
#include <iterator>
#include <map>
#include <utility>

namespace {

constexpr const char* HandOverInterfaceXml = "<node><interface name='com.orrinworks.Tarnwick.HandOver'>"
                                             "<method name='Open'>"
                                             "<arg type='as' name='uris' direction='in'/>"
                                             "<arg type='a{sv}' name='platform_data' direction='in'/>"
                                             "<arg type='a(sss)' name='not_opened' direction='out'/>"
                                             "</method>"
                                             "<signal name='Taken'><arg type='a(sss)' name='not_opened'/></signal>"
                                             "<signal name='Asking'><arg type='a(sss)' name='asking'/></signal>"
                                             "</interface></node>";
// The answer of Open and the arguments of the Taken and Asking signals; an owner of an earlier
// version sends none. Asking, sent just before Taken, names those of the files not opened that the
// owner asks about in its window once the start is answered: a start of an earlier version, which
// does not listen to it, reads them as not opened.
constexpr const char* FailuresType = "(a(sss))";
// A claim is this, followed by a fresh GUID.
constexpr const char* ClaimPrefix = "com.orrinworks.Tarnwick.HandOver.Claim";

// DBUS_NAME_FLAG_DO_NOT_QUEUE, and the answers of RequestName that make the caller the owner.
constexpr unsigned DoNotQueue = 4;
constexpr unsigned PrimaryOwner = 1;
constexpr unsigned AlreadyOwner = 4;

GDBusInterfaceInfo* handOverInterface()
{
    static GDBusInterfaceInfo* const interface = [] {
        GDBusNodeInfo* node = g_dbus_node_info_new_for_xml(HandOverInterfaceXml, nullptr);
        GDBusInterfaceInfo* info =
            g_dbus_interface_info_ref(g_dbus_node_info_lookup_interface(node, ApplicationHandOver::InterfaceName));
        g_dbus_node_info_unref(node);
        return info;
    }();
    return interface;
}

// Calls the bus itself, which answers at once; nullptr on failure.
GVariant* callBus(GDBusConnection* connection, const char* method, GVariant* parameters, const char* replyType)
{
    return g_dbus_connection_call_sync(connection, "org.freedesktop.DBus", "/org/freedesktop/DBus",
                                       "org.freedesktop.DBus", method, parameters, G_VARIANT_TYPE(replyType),
                                       G_DBUS_CALL_FLAGS_NONE, -1, nullptr, nullptr);
}

// The same without waiting; answered (nullptr on failure) on the main loop.
void callBusLater(GDBusConnection* connection, const char* method, GVariant* parameters, const char* replyType,
                  std::function<void(GDBusConnection*, GVariant*)> answered)
{
    g_dbus_connection_call(
        connection, "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus", method, parameters,
        replyType ? G_VARIANT_TYPE(replyType) : nullptr, G_DBUS_CALL_FLAGS_NONE, -1, nullptr,
        [](GObject* source, GAsyncResult* result, gpointer data) {
            std::unique_ptr<std::function<void(GDBusConnection*, GVariant*)>> answered(
                static_cast<std::function<void(GDBusConnection*, GVariant*)>*>(data));
            GDBusConnection* connection = G_DBUS_CONNECTION(source);
            GVariant* reply = g_dbus_connection_call_finish(connection, result, nullptr);
            if (*answered) (*answered)(connection, reply);
            if (reply) g_variant_unref(reply);
        },
        new std::function<void(GDBusConnection*, GVariant*)>(std::move(answered)));
}

void releaseName(GDBusConnection* connection, const std::string& name)
{
    callBusLater(connection, "ReleaseName", g_variant_new("(s)", name.c_str()), nullptr, {});
}

bool madeOwner(GVariant* requestNameReply)
{
    guint32 answer = 0;
    if (requestNameReply) g_variant_get(requestNameReply, "(u)", &answer);
    return answer == PrimaryOwner || answer == AlreadyOwner;
}

// The unique name of the name's owner; empty when nobody owns it.
std::string nameOwner(GDBusConnection* connection, const std::string& name)
{
    GVariant* reply = callBus(connection, "GetNameOwner", g_variant_new("(s)", name.c_str()), "(s)");
    if (!reply) return {};
    const gchar* owner = nullptr;
    g_variant_get(reply, "(&s)", &owner);
    std::string unique = owner;
    g_variant_unref(reply);
    return unique;
}

pid_t processOf(GDBusConnection* connection, const std::string& uniqueName)
{
    GVariant* reply =
        callBus(connection, "GetConnectionUnixProcessID", g_variant_new("(s)", uniqueName.c_str()), "(u)");
    if (!reply) return 0;
    guint32 pid = 0;
    g_variant_get(reply, "(u)", &pid);
    g_variant_unref(reply);
    return pid_t(pid);
}

bool isRemoteError(const GError* error, const char* name)
{
    gchar* remote = error ? g_dbus_error_get_remote_error(error) : nullptr;
    const bool matches = remote && std::string(remote) == name;
    g_free(remote);
    return matches;
}

// A bus string must be UTF-8, which a file name in an error's reason need not be.
std::string validUtf8(const std::string& text)
{
    gchar* valid = g_utf8_make_valid(text.c_str(), gssize(text.size()));
    std::string made = valid;
    g_free(valid);
    return made;
}

GVariant* failuresVariant(const std::vector<HandOverFailure>& failures)
{
    GVariantBuilder builder;
    g_variant_builder_init(&builder, G_VARIANT_TYPE("a(sss)"));
    for (const HandOverFailure& failure : failures)
        g_variant_builder_add(&builder, "(sss)", validUtf8(failure.uri).c_str(), validUtf8(failure.title).c_str(),
                              validUtf8(failure.reason).c_str());
    return g_variant_new("(a(sss))", &builder);
}

std::vector<HandOverFailure> failuresOf(GVariant* tuple)
{
    std::vector<HandOverFailure> failures;
    if (!tuple || !g_variant_is_of_type(tuple, G_VARIANT_TYPE(FailuresType))) return failures;
    GVariantIter* entries = nullptr;
    g_variant_get(tuple, "(a(sss))", &entries);
    const gchar* uri = nullptr;
    const gchar* title = nullptr;
    const gchar* reason = nullptr;
    while (g_variant_iter_next(entries, "(&s&s&s)", &uri, &title, &reason))
        failures.push_back({uri, title, reason, false});
    g_variant_iter_free(entries);
    return failures;
}

// The claim a start names, when it names one this program could take.
std::string claimOf(GVariant* platformData)
{
    const gchar* claim = nullptr;
    if (!platformData || !g_variant_lookup(platformData, ApplicationHandOver::ClaimKey, "&s", &claim)) return {};
    const std::string name = claim;
    if (name.rfind(ClaimPrefix, 0) != 0 || !g_dbus_is_name(claim) || g_dbus_is_unique_name(claim)) return {};
    return name;
}

} // namespace

struct HandOverService::State : std::enable_shared_from_this<State> {
    enum class Answer { Waiting, Claiming, Taking, Taken, Quitting, NotTaken };
    struct Request {
        std::vector<std::string> uris;
        GVariant* platformData = nullptr;
        // The name this program holds while it takes the files; empty for a start of an earlier
        // version, which names none.
        std::string claim;
        bool holdsClaim = false;
        std::vector<GDBusMethodInvocation*> invocations;
        Answer answer = Answer::Waiting;
        std::vector<HandOverFailure> notOpened;
        bool toldTaken = false;
        unsigned watch = 0;
        // The start left the bus while its files were claimed or taken.
        bool gone = false;
    };
    // What the bus answered to the two questions asked before a start's files are taken.
    struct ClaimAnswers {
        std::string name;
        int pending = 0;
        bool claimed = true;
        bool holds = false;
        bool startThere = false;
    };

    GDBusConnection* connection = nullptr;
    std::string objectPath;
    unsigned registration = 0;
    Receiver receiver;
    bool refusing = false;
    // The start whose files are being claimed or taken: the next one waits its turn.
    std::string current;
    // By the start's unique name on the bus: a start asks once, and again only when the bus gave
    // up on its call; a unique name is never given twice.
    std::map<std::string, Request> requests;
    std::deque<std::string> waiting;
    DelayedPerform pump;

    ~State()
    {
        for (auto& [sender, request] : requests) {
            if (request.platformData) g_variant_unref(request.platformData);
            for (GDBusMethodInvocation* invocation : request.invocations)
                g_dbus_method_invocation_return_dbus_error(invocation, ApplicationHandOver::QuittingError,
                                                           "The running Tarnwick is quitting.");
        }
        if (connection) g_object_unref(connection);
    }

    void reply(const std::string& sender, Request& request)
    {
        if (request.answer == Answer::Taken && !request.toldTaken) {
            // Told apart from the calls' answers too: a bus that gives up on a call drops the
            // answer that comes after, and a start whose owner then went away would take the
            // files over and open them a second time. A signal is never dropped so.
            request.toldTaken = true;
            std::vector<HandOverFailure> asking;
            std::copy_if(request.notOpened.begin(), request.notOpened.end(), std::back_inserter(asking),
                         [](const HandOverFailure& failure) { return failure.asking; });
            if (!asking.empty())
                g_dbus_connection_emit_signal(connection, sender.c_str(), objectPath.c_str(),
                                              ApplicationHandOver::InterfaceName, "Asking", failuresVariant(asking),
                                              nullptr);
            g_dbus_connection_emit_signal(connection, sender.c_str(), objectPath.c_str(),
                                          ApplicationHandOver::InterfaceName, "Taken",
                                          failuresVariant(request.notOpened), nullptr);
        }
        for (GDBusMethodInvocation* invocation : std::exchange(request.invocations, {})) {
            switch (request.answer) {
            case Answer::Taken:
                g_dbus_method_invocation_return_value(invocation, failuresVariant(request.notOpened));
                break;
            case Answer::Quitting:
                g_dbus_method_invocation_return_dbus_error(invocation, ApplicationHandOver::QuittingError,
                                                           "The running Tarnwick is quitting.");
                break;
            default:
                g_dbus_method_invocation_return_dbus_error(invocation, ApplicationHandOver::NotTakenError,
                                                           "The running Tarnwick cannot open files.");
                break;
            }
        }
    }

    void answer(const std::string& sender, Answer answer)
    {
        auto found = requests.find(sender);
        if (found == requests.end()) return;
        found->second.answer = answer;
        reply(sender, found->second);
    }

    // Let go of once the files are taken or given up: a start that asks to withdraw afterwards
    // has its answer already.
    void releaseClaim(Request& request)
    {
        if (!request.holdsClaim) return;
        request.holdsClaim = false;
        releaseName(connection, request.claim);
    }

    void answerUnanswered(Answer answer)
    {
        for (auto& [sender, request] : requests) {
            // Files being taken are answered for once they are.
            if (request.answer != Answer::Waiting && request.answer != Answer::Claiming) continue;
            request.answer = answer;
            releaseClaim(request);
            reply(sender, request);
        }
        waiting.clear();
    }

    void forget(const std::string& sender)
    {
        auto found = requests.find(sender);
        if (found == requests.end()) return;
        Request& request = found->second;
        if (request.watch) g_bus_unwatch_name(request.watch);
        releaseClaim(request);
        if (request.answer == Answer::Waiting || request.answer == Answer::Claiming) request.answer = Answer::NotTaken;
        reply(sender, request);
        if (request.platformData) g_variant_unref(request.platformData);
        requests.erase(found);
        std::erase(waiting, sender);
    }

    void startLeft(const std::string& sender)
    {
        auto found = requests.find(sender);
        if (found == requests.end()) return;
        if (current == sender) found->second.gone = true;
        else forget(sender);
    }

    void watchStart(const std::string& sender, Request& request)
    {
        struct Watch {
            std::weak_ptr<State> state;
            std::string sender;
        };
        request.watch = g_bus_watch_name_on_connection(
            connection, sender.c_str(), G_BUS_NAME_WATCHER_FLAGS_NONE, nullptr,
            [](GDBusConnection*, const gchar*, gpointer data) {
                const Watch* watch = static_cast<Watch*>(data);
                if (std::shared_ptr<State> state = watch->state.lock()) state->startLeft(watch->sender);
            },
            new Watch{weak_from_this(), sender}, [](gpointer data) { delete static_cast<Watch*>(data); });
    }

    void schedulePump(double seconds)
    {
        if (pump.isPending()) return;
        std::weak_ptr<State> self = weak_from_this();
        pump = performAfterDelay(seconds, [self] {
            if (std::shared_ptr<State> state = self.lock()) state->pumpNow();
        });
    }

    void pumpNow()
    {
        while (receiver && current.empty() && !waiting.empty()) {
            const std::string sender = waiting.front();
            auto found = requests.find(sender);
            if (found == requests.end() || found->second.answer != Answer::Waiting) {
                waiting.pop_front();
                continue;
            }
            current = sender;
            found->second.answer = Answer::Claiming;
            claim(sender, found->second);
            return;
        }
    }

    // Takes the start's claim, then asks whether the start is still there; the bus answers in that
    // order. A start that withdrew holds the claim, or has left the bus with it.
    void claim(const std::string& sender, const Request& request)
    {
        auto answers = std::make_shared<ClaimAnswers>();
        answers->name = request.claim;
        std::weak_ptr<State> self = weak_from_this();
        const std::string name = request.claim;
        const auto answered = [self, sender, answers] {
            if (--answers->pending > 0) return;
            if (std::shared_ptr<State> state = self.lock()) state->claimed(sender, *answers);
        };
        if (!name.empty()) {
            ++answers->pending;
            callBusLater(connection, "RequestName", g_variant_new("(su)", name.c_str(), DoNotQueue), "(u)",
                         [self, name, answers, answered](GDBusConnection* connection, GVariant* reply) {
                             answers->holds = madeOwner(reply);
                             // A bus that lets nobody own such names leaves the start's presence
                             // as the only sign, as for a start of an earlier version.
                             answers->claimed = !reply || answers->holds;
                             // Held by a program that no longer serves the hand-over: let go,
                             // so the start may withdraw.
                             if (answers->holds && self.expired()) releaseName(connection, name);
                             answered();
                         });
        }
        ++answers->pending;
        callBusLater(connection, "NameHasOwner", g_variant_new("(s)", sender.c_str()), "(b)",
                     [answers, answered](GDBusConnection*, GVariant* reply) {
                         gboolean there = false;
                         if (reply) g_variant_get(reply, "(b)", &there);
                         answers->startThere = there;
                         answered();
                     });
    }

    void claimed(const std::string& sender, const ClaimAnswers& answers)
    {
        // The receiver may run loops of its own (a question), in which a later start asks, the
        // start leaves, or the program goes.
        const std::shared_ptr<State> keep = shared_from_this();
        current.clear();
        auto found = requests.find(sender);
        if (found == requests.end() || found->second.answer != Answer::Claiming) {
            // Answered meanwhile, as the program went.
            if (answers.holds) releaseName(connection, answers.name);
            schedulePump(0);
            return;
        }
        Request& request = found->second;
        request.holdsClaim = answers.holds;
        if (!answers.claimed || !answers.startThere || request.gone) {
            // The start withdrew its files, or is gone: nothing of it is taken.
            request.answer = Answer::NotTaken;
            releaseClaim(request);
            reply(sender, request);
            if (request.gone || !answers.startThere) forget(sender);
            else std::erase(waiting, sender);
            pumpNow();
            return;
        }
        request.answer = Answer::Taking;
        current = sender;
        const Receiver take = receiver;
        const std::optional<std::vector<HandOverFailure>> taken =
            take ? take(request.uris, request.platformData) : std::nullopt;
        current.clear();
        found = requests.find(sender);
        if (found == requests.end()) {
            schedulePump(0);
            return;
        }
        Request& after = found->second;
        if (!taken) {
            after.answer = Answer::Waiting;
            releaseClaim(after);
            if (after.gone) forget(sender);
            schedulePump(StartupWait::PollSeconds);
            return;
        }
        after.answer = Answer::Taken;
        after.notOpened = *taken;
        reply(sender, after);
        releaseClaim(after);
        if (after.gone) forget(sender);
        else std::erase(waiting, sender);
        pumpNow();
    }

    static void methodCall(GDBusConnection*, const gchar* sender, const gchar*, const gchar*, const gchar*,
                           GVariant* parameters, GDBusMethodInvocation* invocation, gpointer data)
    {
        // A call the bus delivered as the service went is one of a program that is going away.
        const std::shared_ptr<State> state = static_cast<std::weak_ptr<State>*>(data)->lock();
        if (!state) {
            g_dbus_method_invocation_return_dbus_error(invocation, ApplicationHandOver::QuittingError,
                                                       "The running Tarnwick is quitting.");
            return;
        }
        const std::string name = sender ? sender : "";
        auto [entry, added] = state->requests.try_emplace(name);
        Request& request = entry->second;
        if (added) {
            const gchar** uris = nullptr;
            g_variant_get(parameters, "(^a&s@a{sv})", &uris, &request.platformData);
            for (const gchar** uri = uris; uri && *uri; ++uri) request.uris.emplace_back(*uri);
            g_free(uris);
            request.claim = claimOf(request.platformData);
            state->waiting.push_back(name);
            if (!name.empty()) state->watchStart(name, request);
        }
        request.invocations.push_back(invocation);
        if (request.answer == Answer::Waiting && state->refusing) request.answer = Answer::NotTaken;
        if (request.answer != Answer::Waiting && request.answer != Answer::Claiming &&
            request.answer != Answer::Taking) {
            state->reply(name, request);
            return;
        }
        state->schedulePump(0);
    }
};

HandOverService::HandOverService(GDBusConnection* connection, const std::string& objectPath)
    : _state(std::make_shared<State>())
{
    static const GDBusInterfaceVTable vtable = {&State::methodCall, nullptr, nullptr, {}};
    _state->connection = G_DBUS_CONNECTION(g_object_ref(connection));
    _state->objectPath = objectPath;
    _state->registration = g_dbus_connection_register_object(
        connection, objectPath.c_str(), handOverInterface(), &vtable, new std::weak_ptr<State>(_state),
        [](gpointer data) { delete static_cast<std::weak_ptr<State>*>(data); }, nullptr);
}

HandOverService::~HandOverService()
{
    if (_state->registration) g_dbus_connection_unregister_object(_state->connection, _state->registration);
    _state->receiver = nullptr;
    _state->pump.cancel();
    _state->answerUnanswered(State::Answer::Quitting);
    for (auto& [sender, request] : _state->requests)
        if (request.watch) g_bus_unwatch_name(std::exchange(request.watch, 0));
    // The answers go out before the program does.
    g_dbus_connection_flush_sync(_state->connection, nullptr, nullptr);
}

void HandOverService::setReceiver(Receiver receiver)
{
    _state->receiver = std::move(receiver);
    if (_state->receiver && !_state->waiting.empty()) _state->schedulePump(0);
}

size_t HandOverService::requestsHeld() const
{
    return _state->requests.size();
}

void HandOverService::refuseAll()
{
    _state->refusing = true;
    for (const std::string& sender : std::deque<std::string>(_state->waiting))
        if (_state->requests[sender].answer == State::Answer::Waiting) _state->answer(sender, State::Answer::NotTaken);
    _state->waiting.clear();
}

namespace {

// One call to the owner, answered later on the main loop.
struct PendingCall {
    bool finished = false;
    bool taken = false;
    std::vector<HandOverFailure> notOpened;
    GError* error = nullptr;
    ~PendingCall()
    {
        if (error) g_error_free(error);
    }
};

// The owner's Taken and Asking signals, and whether the owner took the claim at some moment.
struct OwnerWord {
    std::string owner;
    bool toldTaken = false;
    std::vector<HandOverFailure> notOpened;
    std::vector<std::string> asking;
    bool claimed = false;
};

void sendToOwner(GDBusConnection* connection, const std::string& owner, const std::string& objectPath,
                 const std::vector<std::string>& uris, GVariant* platformData, bool olderOwner,
                 GCancellable* cancellable, const std::shared_ptr<PendingCall>& call)
{
    GVariantBuilder addresses;
    g_variant_builder_init(&addresses, G_VARIANT_TYPE_STRING_ARRAY);
    for (const std::string& uri : uris) g_variant_builder_add(&addresses, "s", uri.c_str());
    GVariant* parameters = nullptr;
    const char* interface = ApplicationHandOver::InterfaceName;
    const char* method = "Open";
    if (!olderOwner) {
        parameters = g_variant_new("(as@a{sv})", &addresses, platformData);
    } else {
        // A program of an earlier version answers the application's own Open once it has run.
        interface = "org.gtk.Application";
        if (uris.empty()) {
            g_variant_builder_clear(&addresses);
            method = "Activate";
            parameters = g_variant_new("(@a{sv})", platformData);
        } else {
            parameters = g_variant_new("(ass@a{sv})", &addresses, "", platformData);
        }
    }
    // No time limit: an owner busy for minutes still answers, and one that ends unanswered makes
    // the bus answer at once.
    g_dbus_connection_call(
        connection, owner.c_str(), objectPath.c_str(), interface, method, parameters, nullptr,
        G_DBUS_CALL_FLAGS_NO_AUTO_START, G_MAXINT, cancellable,
        [](GObject* source, GAsyncResult* result, gpointer data) {
            std::unique_ptr<std::shared_ptr<PendingCall>> call(static_cast<std::shared_ptr<PendingCall>*>(data));
            GVariant* reply = g_dbus_connection_call_finish(G_DBUS_CONNECTION(source), result, &(*call)->error);
            (*call)->taken = reply != nullptr;
            (*call)->notOpened = failuresOf(reply);
            if (reply) g_variant_unref(reply);
            (*call)->finished = true;
        },
        new std::shared_ptr<PendingCall>(call));
}

// Runs the handlers of what the bus delivered before its last answer: they wait on the main loop
// already, at the default priority, ahead of a window's drawing. A window that animates never
// leaves the loop idle, so the rounds are counted.
void dispatchDelivered()
{
    for (int round = 0; round < 100 && g_main_context_iteration(nullptr, FALSE); ++round) {}
}

// The platform data with the claim added.
GVariant* withClaim(GVariant* platformData, const std::string& claim)
{
    GVariantBuilder builder;
    g_variant_builder_init(&builder, G_VARIANT_TYPE_VARDICT);
    GVariantIter entries;
    g_variant_iter_init(&entries, platformData);
    const gchar* key = nullptr;
    GVariant* value = nullptr;
    while (g_variant_iter_loop(&entries, "{&sv}", &key, &value))
        if (std::string(key) != ApplicationHandOver::ClaimKey) g_variant_builder_add(&builder, "{sv}", key, value);
    g_variant_builder_add(&builder, "{sv}", ApplicationHandOver::ClaimKey, g_variant_new_string(claim.c_str()));
    return g_variant_ref_sink(g_variant_builder_end(&builder));
}

} // namespace

HandOverStart handOverToOwner(const std::string& applicationId, const std::string& objectPath,
                              const std::vector<std::string>& uris, GVariant* platformData,
                              const std::function<StartupWait::Notice(pid_t owner)>& notice)
{
    using Result = HandOverStart::Result;
    using Platform = std::unique_ptr<GVariant, decltype(&g_variant_unref)>;
    const Platform given(g_variant_ref_sink(platformData), &g_variant_unref);
    HandOverStart start;
    // The shared connection stays for the program's life: the name, and the store's claim under
    // the bus's id, go with it.
    static GDBusConnection* const connection = g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, nullptr);
    if (!connection) return start;
    start.session = g_dbus_connection_get_guid(connection);
    start.service = std::make_unique<HandOverService>(connection, objectPath);
    GVariant* requested =
        callBus(connection, "RequestName", g_variant_new("(su)", applicationId.c_str(), DoNotQueue), "(u)");
    if (!requested) {
        start.service.reset();
        return start;
    }
    const bool owns = madeOwner(requested);
    g_variant_unref(requested);
    if (owns) {
        start.result = Result::Owner;
        return start;
    }
    // A start that hands over serves nothing.
    start.service.reset();
    const std::string owner = nameOwner(connection, applicationId);
    if (owner.empty()) {
        start.result = Result::OwnerGone;
        return start;
    }
    // A claim of this try only: one that an owner that went away took is no one's any more.
    const std::string claim = ClaimPrefix + createGUIDString();
    const Platform platform(withClaim(given.get(), claim), &g_variant_unref);

    GCancellable* cancellable = g_cancellable_new();
    bool olderOwner = false;
    bool ownerQuitting = false;
    // Subscribed before the call goes out, which the bus then sees after the subscriptions.
    OwnerWord word;
    word.owner = owner;
    const unsigned taken = g_dbus_connection_signal_subscribe(
        connection, owner.c_str(), ApplicationHandOver::InterfaceName, "Taken", objectPath.c_str(), nullptr,
        G_DBUS_SIGNAL_FLAGS_NONE,
        [](GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar*, GVariant* parameters,
           gpointer data) {
            OwnerWord* word = static_cast<OwnerWord*>(data);
            word->toldTaken = true;
            word->notOpened = failuresOf(parameters);
        },
        &word, nullptr);
    const unsigned asking = g_dbus_connection_signal_subscribe(
        connection, owner.c_str(), ApplicationHandOver::InterfaceName, "Asking", objectPath.c_str(), nullptr,
        G_DBUS_SIGNAL_FLAGS_NONE,
        [](GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar*, GVariant* parameters,
           gpointer data) {
            for (const HandOverFailure& failure : failuresOf(parameters))
                static_cast<OwnerWord*>(data)->asking.push_back(failure.uri);
        },
        &word, nullptr);
    const unsigned claimed = g_dbus_connection_signal_subscribe(
        connection, "org.freedesktop.DBus", "org.freedesktop.DBus", "NameOwnerChanged", "/org/freedesktop/DBus",
        claim.c_str(), G_DBUS_SIGNAL_FLAGS_NONE,
        [](GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar*, GVariant* parameters,
           gpointer data) {
            OwnerWord* word = static_cast<OwnerWord*>(data);
            const gchar* newOwner = nullptr;
            if (g_variant_is_of_type(parameters, G_VARIANT_TYPE("(sss)")))
                g_variant_get(parameters, "(&s&s&s)", nullptr, nullptr, &newOwner);
            if (newOwner && word->owner == newOwner) word->claimed = true;
        },
        &word, nullptr);
    auto call = std::make_shared<PendingCall>();
    sendToOwner(connection, owner, objectPath, uris, platform.get(), olderOwner, cancellable, call);
    Result result = Result::Taken;
    // The owner has left the bus: what it said before it left is already queued here.
    const auto ownerLeft = [&] {
        dispatchDelivered();
        result = word.toldTaken ? Result::Taken : Result::OwnerGone;
        return true;
    };
    const auto answeredTaken = [&] { return word.toldTaken || (call->finished && call->taken); };
    // The question giving up puts: the bus gives the claim to this start only while the owner
    // does not hold it, and the owner takes files only while holding it.
    const auto mayGiveUp = [&] {
        // An owner of an earlier version takes no claim: leaving the bus is all this start can do.
        if (olderOwner) return true;
        GVariant* reply = callBus(connection, "RequestName", g_variant_new("(su)", claim.c_str(), DoNotQueue), "(u)");
        const bool withdrawn = madeOwner(reply);
        if (reply) g_variant_unref(reply);
        // What the owner said before the bus answered is queued here already.
        dispatchDelivered();
        if (answeredTaken()) return false;
        if (!reply) return true;
        if (!withdrawn) return false;
        // An owner that went away while holding the claim may have stored the files: the next try
        // finds them by their maps' GUIDs.
        return !(word.claimed && nameOwner(connection, applicationId) != owner);
    };
    start.owner = processOf(connection, owner);
    const StartupWait::Outcome outcome = StartupWait::run(
        [&] {
            if (word.toldTaken) {
                result = Result::Taken;
                return true;
            }
            if (ownerQuitting) {
                if (nameOwner(connection, applicationId) == owner) return false;
                return ownerLeft();
            }
            if (!call->finished) return false;
            if (call->taken) {
                result = Result::Taken;
                return true;
            }
            const GError* error = call->error;
            if (isRemoteError(error, ApplicationHandOver::QuittingError)) {
                ownerQuitting = true;
                return false;
            }
            if (isRemoteError(error, ApplicationHandOver::NotTakenError)) {
                result = Result::NotTaken;
                return true;
            }
            if (!olderOwner &&
                (g_error_matches(error, G_DBUS_ERROR, G_DBUS_ERROR_UNKNOWN_METHOD) ||
                 g_error_matches(error, G_DBUS_ERROR, G_DBUS_ERROR_UNKNOWN_INTERFACE) ||
                 g_error_matches(error, G_DBUS_ERROR, G_DBUS_ERROR_UNKNOWN_OBJECT))) {
                olderOwner = true;
            } else if (nameOwner(connection, applicationId) != owner) {
                return ownerLeft();
            } else if (!g_error_matches(error, G_DBUS_ERROR, G_DBUS_ERROR_NO_REPLY) &&
                       !g_error_matches(error, G_IO_ERROR, G_IO_ERROR_TIMED_OUT)) {
                result = Result::NotTaken;
                return true;
            }
            // The bus gave up on a call to an owner that is still there (a bus may limit how
            // long a call waits): it is asked again, and takes the files once.
            call = std::make_shared<PendingCall>();
            sendToOwner(connection, owner, objectPath, uris, platform.get(), olderOwner, cancellable, call);
            return false;
        },
        notice(start.owner), mayGiveUp);
    // What the owner sent before its answer is queued here already: Asking comes before Taken.
    if (result == Result::Taken) dispatchDelivered();
    g_dbus_connection_signal_unsubscribe(connection, claimed);
    g_dbus_connection_signal_unsubscribe(connection, asking);
    g_dbus_connection_signal_unsubscribe(connection, taken);
    if (result == Result::Taken) {
        start.notOpened = word.toldTaken ? word.notOpened : call->notOpened;
        for (HandOverFailure& failure : start.notOpened)
            failure.asking = std::find(word.asking.begin(), word.asking.end(), failure.uri) != word.asking.end();
    }
    using Outcome = StartupWait::Outcome;
    // Ended by a signal as the owner went away: one that held the claim may have stored the files,
    // and this start takes nothing over.
    if (outcome == Outcome::DoneWhenSignalled && result == Result::OwnerGone)
        result = word.claimed ? Result::UnderWay : Result::GaveUp;
    if (outcome == Outcome::Interrupted) result = Result::UnderWay;
    if (outcome == Outcome::GaveUp) {
        // This start holds the claim, so the owner never takes the files; leaving the bus tells
        // an owner of an earlier version too.
        g_cancellable_cancel(cancellable);
        g_dbus_connection_close_sync(connection, nullptr, nullptr);
        result = Result::GaveUp;
    }
    g_object_unref(cancellable);
    start.result = result;
    return start;
}
