#include "Editor/ApplicationHandOver.h"

#include "platform/MainLoop.h"

#include <deque>
#include <map>
#include <utility>

namespace {

constexpr const char* HandOverInterfaceXml = "<node><interface name='com.orrinworks.Tarnwick.HandOver'>"
                                             "<method name='Open'>"
                                             "<arg type='as' name='uris' direction='in'/>"
                                             "<arg type='a{sv}' name='platform_data' direction='in'/>"
                                             "</method><signal name='Taken'/></interface></node>";

// DBUS_NAME_FLAG_DO_NOT_QUEUE, and the answers of RequestName that make this start the owner.
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

} // namespace

struct HandOverService::State : std::enable_shared_from_this<State> {
    enum class Answer { Waiting, Taking, Taken, Quitting, NotTaken };
    struct Request {
        std::vector<std::string> uris;
        GVariant* platformData = nullptr;
        std::vector<GDBusMethodInvocation*> invocations;
        Answer answer = Answer::Waiting;
        // The receiver has taken the files, and the answer waits for the main loop: an owner that
        // goes away meanwhile still answers that they were taken, or the start would open them a
        // second time.
        bool filesTaken = false;
        bool toldTaken = false;
    };

    GDBusConnection* connection = nullptr;
    std::string objectPath;
    unsigned registration = 0;
    Receiver receiver;
    bool refusing = false;
    // Set while the receiver takes one start's files: the next start waits its turn.
    bool taking = false;
    // By the start's unique name on the bus: a start asks once, and again only when the bus gave
    // up on its call.
    std::map<std::string, Request> requests;
    std::deque<std::string> waiting;
    DelayedPerform pump;

    ~State()
    {
        for (auto& [sender, request] : requests)
            if (request.platformData) g_variant_unref(request.platformData);
        if (connection) g_object_unref(connection);
    }

    void reply(const std::string& sender, Request& request)
    {
        if (request.answer == Answer::Taken && !request.toldTaken) {
            // Told apart from the calls' answers too: a bus that gives up on a call drops the
            // answer that comes after, and a start whose owner then went away would take the
            // files over and open them a second time. A signal is never dropped so.
            request.toldTaken = true;
            g_dbus_connection_emit_signal(connection, sender.c_str(), objectPath.c_str(),
                                          ApplicationHandOver::InterfaceName, "Taken", nullptr, nullptr);
        }
        for (GDBusMethodInvocation* invocation : std::exchange(request.invocations, {})) {
            switch (request.answer) {
            case Answer::Taken:
                g_dbus_method_invocation_return_value(invocation, nullptr);
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

    void answerUnanswered(Answer answer)
    {
        for (auto& [sender, request] : requests) {
            if (request.answer != Answer::Waiting && request.answer != Answer::Taking) continue;
            request.answer = request.filesTaken ? Answer::Taken : answer;
            reply(sender, request);
        }
        waiting.clear();
    }

    bool hasOwner(const std::string& name)
    {
        GVariant* reply = callBus(connection, "NameHasOwner", g_variant_new("(s)", name.c_str()), "(b)");
        gboolean owned = true;
        if (reply) g_variant_get(reply, "(b)", &owned);
        if (reply) g_variant_unref(reply);
        return owned;
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
        // The receiver may run loops of its own (an alert, a question), in which a later start
        // asks, and the owner may go meanwhile.
        const std::shared_ptr<State> keep = shared_from_this();
        while (receiver && !taking && !waiting.empty()) {
            const std::string sender = waiting.front();
            Request& request = requests[sender];
            if (request.answer != Answer::Waiting) {
                waiting.pop_front();
                continue;
            }
            // A start that stopped waiting has said its files were not opened, and left the bus.
            if (!hasOwner(sender)) {
                request.answer = Answer::NotTaken;
                reply(sender, request);
                waiting.pop_front();
                continue;
            }
            request.answer = Answer::Taking;
            taking = true;
            std::weak_ptr<State> self = weak_from_this();
            const Receiver take = receiver;
            const bool took = take(request.uris, request.platformData, [self, sender] {
                if (std::shared_ptr<State> state = self.lock()) state->answer(sender, Answer::Taken);
            });
            taking = false;
            request.filesTaken = took;
            if (!took) {
                if (request.answer == Answer::Taking) request.answer = Answer::Waiting;
                schedulePump(StartupWait::PollSeconds);
                return;
            }
            if (!waiting.empty() && waiting.front() == sender) waiting.pop_front();
        }
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
        auto [entry, added] = state->requests.try_emplace(sender ? sender : "");
        Request& request = entry->second;
        if (added) {
            const gchar** uris = nullptr;
            g_variant_get(parameters, "(^a&s@a{sv})", &uris, &request.platformData);
            for (const gchar** uri = uris; uri && *uri; ++uri) request.uris.emplace_back(*uri);
            g_free(uris);
            state->waiting.push_back(entry->first);
        }
        request.invocations.push_back(invocation);
        if (request.answer == Answer::Waiting && state->refusing) request.answer = Answer::NotTaken;
        if (request.answer != Answer::Waiting && request.answer != Answer::Taking) {
            state->reply(entry->first, request);
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
    // The answers go out before the program does.
    g_dbus_connection_flush_sync(_state->connection, nullptr, nullptr);
}

void HandOverService::setReceiver(Receiver receiver)
{
    _state->receiver = std::move(receiver);
    if (_state->receiver && !_state->waiting.empty()) _state->schedulePump(0);
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
    GError* error = nullptr;
    ~PendingCall()
    {
        if (error) g_error_free(error);
    }
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
            if (reply) g_variant_unref(reply);
            (*call)->finished = true;
        },
        new std::shared_ptr<PendingCall>(call));
}

} // namespace

HandOverStart handOverToOwner(const std::string& applicationId, const std::string& objectPath,
                              const std::vector<std::string>& uris, GVariant* platformData,
                              const std::function<StartupWait::Notice(pid_t owner)>& notice)
{
    using Result = HandOverStart::Result;
    const std::unique_ptr<GVariant, decltype(&g_variant_unref)> platform(g_variant_ref_sink(platformData),
                                                                         &g_variant_unref);
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
    guint32 answer = 0;
    g_variant_get(requested, "(u)", &answer);
    g_variant_unref(requested);
    if (answer == PrimaryOwner || answer == AlreadyOwner) {
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

    GCancellable* cancellable = g_cancellable_new();
    bool olderOwner = false;
    bool ownerQuitting = false;
    // Subscribed before the call goes out, which the bus then sees after the subscription.
    bool toldTaken = false;
    const unsigned subscription = g_dbus_connection_signal_subscribe(
        connection, owner.c_str(), ApplicationHandOver::InterfaceName, "Taken", objectPath.c_str(), nullptr,
        G_DBUS_SIGNAL_FLAGS_NONE,
        [](GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar*, GVariant*, gpointer told) {
            *static_cast<bool*>(told) = true;
        },
        &toldTaken, nullptr);
    auto call = std::make_shared<PendingCall>();
    sendToOwner(connection, owner, objectPath, uris, platform.get(), olderOwner, cancellable, call);
    Result result = Result::Taken;
    // The owner has left the bus: what it said before it left is already queued here.
    const auto ownerLeft = [&] {
        while (g_main_context_iteration(nullptr, FALSE)) {}
        result = toldTaken ? Result::Taken : Result::OwnerGone;
        return true;
    };
    const bool answered = StartupWait::run(
        [&] {
            if (toldTaken) {
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
        notice(processOf(connection, owner)));
    g_dbus_connection_signal_unsubscribe(connection, subscription);
    if (!answered) {
        // Leaving the bus withdraws the call: an owner that answers later finds nobody waiting,
        // and opens nothing of what this start says it did not open.
        g_cancellable_cancel(cancellable);
        g_dbus_connection_close_sync(connection, nullptr, nullptr);
        result = Result::GaveUp;
    }
    g_object_unref(cancellable);
    start.result = result;
    return start;
}
