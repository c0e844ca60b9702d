// The running program's side of a hand-over, on a bus of the test's own: the files are taken only
// from a start that is still there and has not withdrawn them, the start is answered with those
// not opened, and what a start asked goes once it has left the bus.

#include "Editor/ApplicationHandOver.h"
#include "platform/MainLoop.h"

#include <gtest/gtest.h>

#include <csignal>
#include <memory>
#include <poll.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

class PrivateBus {
public:
    PrivateBus()
    {
        const char* argv[] = {"dbus-daemon", "--session", "--nofork", "--print-address=1", nullptr};
        gint output = -1;
        if (!g_spawn_async_with_pipes(
                nullptr, const_cast<gchar**>(argv), nullptr,
                GSpawnFlags(G_SPAWN_SEARCH_PATH | G_SPAWN_DO_NOT_REAP_CHILD | G_SPAWN_STDERR_TO_DEV_NULL), nullptr,
                nullptr, &_daemon, nullptr, &output, nullptr, nullptr))
            return;
        // The daemon prints its address once it listens.
        for (int waited = 0; _address.find('\n') == std::string::npos && waited < 100; ++waited) {
            pollfd ready{output, POLLIN, 0};
            if (poll(&ready, 1, 100) <= 0) continue;
            char buffer[256];
            const ssize_t count = read(output, buffer, sizeof buffer);
            if (count <= 0) break;
            _address.append(buffer, size_t(count));
        }
        close(output);
        _address = _address.substr(0, _address.find('\n'));
    }
    ~PrivateBus()
    {
        if (_daemon <= 0) return;
        kill(_daemon, SIGTERM);
        waitpid(_daemon, nullptr, 0);
    }
    GDBusConnection* connect() const
    {
        return g_dbus_connection_new_for_address_sync(
            _address.c_str(),
            GDBusConnectionFlags(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT |
                                 G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION),
            nullptr, nullptr, nullptr);
    }

private:
    GPid _daemon = 0;
    std::string _address;
};

bool ownsName(GDBusConnection* connection, const std::string& name)
{
    GVariant* reply = g_dbus_connection_call_sync(
        connection, "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus", "NameHasOwner",
        g_variant_new("(s)", name.c_str()), G_VARIANT_TYPE("(b)"), G_DBUS_CALL_FLAGS_NONE, -1, nullptr, nullptr);
    gboolean owned = false;
    if (reply) g_variant_get(reply, "(b)", &owned);
    if (reply) g_variant_unref(reply);
    return owned;
}

// The answer of one call, shared with the call's callback: a check that ends the test early
// leaves the callback a live answer to fill.
struct Answer {
    bool finished = false;
    GVariant* reply = nullptr;
    GError* error = nullptr;
    ~Answer()
    {
        if (reply) g_variant_unref(reply);
        if (error) g_error_free(error);
    }
};

std::shared_ptr<Answer> callOpen(GDBusConnection* start, GDBusConnection* owner, const std::string& claim)
{
    GVariantBuilder platform;
    g_variant_builder_init(&platform, G_VARIANT_TYPE_VARDICT);
    g_variant_builder_add(&platform, "{sv}", ApplicationHandOver::ClaimKey, g_variant_new_string(claim.c_str()));
    const gchar* uris[] = {"file:///in/map.opml", nullptr};
    auto answer = std::make_shared<Answer>();
    g_dbus_connection_call(
        start, g_dbus_connection_get_unique_name(owner), "/hand/over", ApplicationHandOver::InterfaceName, "Open",
        g_variant_new("(^as@a{sv})", uris, g_variant_builder_end(&platform)), nullptr, G_DBUS_CALL_FLAGS_NONE, -1,
        nullptr,
        [](GObject* source, GAsyncResult* result, gpointer data) {
            const std::unique_ptr<std::shared_ptr<Answer>> answer(static_cast<std::shared_ptr<Answer>*>(data));
            (*answer)->reply = g_dbus_connection_call_finish(G_DBUS_CONNECTION(source), result, &(*answer)->error);
            (*answer)->finished = true;
        },
        new std::shared_ptr<Answer>(answer));
    return answer;
}

} // namespace

TEST(HandOverServiceTest, FilesAreTakenOnlyFromAStartThatIsThereAndHasNotWithdrawnThem)
{
    const PrivateBus bus;
    // Asked: the start waits, and the owner asks about its file in its window once it has answered.
    enum class Start { Waits, Asked, Withdrew, Left };
    const struct {
        Start start;
        bool taken;
    } cases[] = {{Start::Waits, true}, {Start::Asked, true}, {Start::Withdrew, false}, {Start::Left, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(int(c.start));
        GDBusConnection* owner = bus.connect();
        GDBusConnection* start = bus.connect();
        ASSERT_TRUE(owner && start) << "no bus of the test's own";
        HandOverService service(owner, "/hand/over");
        const std::string claim = "com.orrinworks.Tarnwick.HandOver.ClaimTest" + std::to_string(int(c.start));
        if (c.start == Start::Withdrew)
            g_variant_unref(g_dbus_connection_call_sync(start, "org.freedesktop.DBus", "/org/freedesktop/DBus",
                                                        "org.freedesktop.DBus", "RequestName",
                                                        g_variant_new("(su)", claim.c_str(), 4u), G_VARIANT_TYPE("(u)"),
                                                        G_DBUS_CALL_FLAGS_NONE, -1, nullptr, nullptr));
        // The signals the start hears from the owner, in order, with their files; shared with the
        // subscription, as the answer is with its call.
        using Heard = std::shared_ptr<std::vector<std::string>>;
        const Heard heard = std::make_shared<std::vector<std::string>>();
        const unsigned subscription = g_dbus_connection_signal_subscribe(
            start, g_dbus_connection_get_unique_name(owner), ApplicationHandOver::InterfaceName, nullptr, "/hand/over",
            nullptr, G_DBUS_SIGNAL_FLAGS_NONE,
            [](GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar* member, GVariant* parameters,
               gpointer data) {
                gchar* printed = g_variant_print(parameters, false);
                (*static_cast<Heard*>(data))->push_back(std::string(member) + printed);
                g_free(printed);
            },
            new Heard(heard), [](gpointer data) { delete static_cast<Heard*>(data); });
        const std::shared_ptr<Answer> answer = callOpen(start, owner, claim);
        ASSERT_TRUE(MainLoop::runUntil([&] { return service.requestsHeld() == 1; }, 10));
        if (c.start == Start::Left) {
            const std::string startName = g_dbus_connection_get_unique_name(start);
            g_dbus_connection_close_sync(start, nullptr, nullptr);
            // The bus serves its connections in no set order: until it has seen this one close, it
            // may still tell the owner the start is there, as it was a moment before.
            ASSERT_TRUE(MainLoop::runUntil([&] { return !ownsName(owner, startName); }, 10));
        }

        std::vector<std::string> received;
        service.setReceiver([&](const std::vector<std::string>& given, GVariant*) {
            received.insert(received.end(), given.begin(), given.end());
            return std::vector<HandOverFailure>{{given.front(), "Not a map", "Cut short.", c.start == Start::Asked}};
        });
        if (c.start == Start::Left) {
            EXPECT_TRUE(MainLoop::runUntil([&] { return service.requestsHeld() == 0; }, 10));
        } else {
            ASSERT_TRUE(MainLoop::runUntil([&] { return answer->finished; }, 10));
        }
        EXPECT_EQ(!received.empty(), c.taken);
        if (c.start == Start::Waits || c.start == Start::Asked) {
            // A start of an earlier version reads a file asked about as one not opened; a later one
            // hears which they are before it hears that the files are taken.
            const std::string notOpened = "([('file:///in/map.opml', 'Not a map', 'Cut short.')],)";
            ASSERT_NE(answer->reply, nullptr) << answer->error->message;
            gchar* printed = g_variant_print(answer->reply, false);
            EXPECT_EQ(printed, notOpened);
            g_free(printed);
            EXPECT_TRUE(
                MainLoop::runUntil([&] { return !heard->empty() && heard->back().rfind("Taken", 0) == 0; }, 10));
            std::vector<std::string> told = {"Taken" + notOpened};
            if (c.start == Start::Asked) told.insert(told.begin(), "Asking" + notOpened);
            EXPECT_EQ(*heard, told);
            EXPECT_TRUE(MainLoop::runUntil([&] { return !ownsName(start, claim); }, 10)) << "the claim is held";
        } else if (c.start == Start::Withdrew) {
            ASSERT_NE(answer->error, nullptr);
        }
        // Answered or not, a start's request goes with the start.
        if (c.start != Start::Left) g_dbus_connection_close_sync(start, nullptr, nullptr);
        EXPECT_TRUE(MainLoop::runUntil([&] { return service.requestsHeld() == 0; }, 10));
        MainLoop::runUntil([&] { return answer->finished; }, 10);
        g_dbus_connection_signal_unsubscribe(start, subscription);
        g_object_unref(start);
        g_object_unref(owner);
    }
}
