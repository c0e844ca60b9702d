#include "LinkServerHarness.h"

#include "support/Sanitized.h"
#include "support/TempDir.h"

#include <sys/resource.h>

#include <filesystem>
#include <future>
#include <memory>
#include <optional>

// Hostile and heavy traffic from strangers on the local network, beside a paired phone that must
// go on being served.

namespace {

constexpr uint64_t mebibyte = 1024 * 1024;

TEST(LinkTraffic, AStrangersBodyIsNeverReadAndThePhoneIsServedMeanwhile)
{
    TempDir folder;
    paired_fixture paired(folder.path());
    paired.server.services.index = "<i/>";
    const uint16_t port = link_server_port(*paired.server.context);
    const struct {
        std::string path;
        std::string status_line;
        std::string body;
    } cases[] = {
        {"/mindmaps/upload", "HTTP/1.1 403 ERROR", "<body>Error 403</body>"},
        {"/mindmaps/list", "HTTP/1.1 403 ERROR", "<body>Error 403</body>"},
        {"/mindmaps/some-map", "HTTP/1.1 403 ERROR", "<body>Error 403</body>"},
        {"/pair", "HTTP/1.1 200 OK", "REJECT"},
        {"/identify", "HTTP/1.1 500 ERROR", "FAIL"},
    };
    std::vector<std::unique_ptr<raw_client>> strangers;
    for (const auto& c : cases) {
        // Two megabytes announced; none of it is sent, and none is waited for.
        auto stranger = std::make_unique<raw_client>(port, "127.0.0.2");
        http_call call;
        call.headers = {{"fernquill-app-id", paired.phone.app_id},
                        {"fernquill-authenticate", b64(std::string(32, 'x'))}};
        ASSERT_TRUE(stranger->send_all(raw_head("POST", c.path, call, {"Content-Length: 2000000"})));
        const std::string reply = stranger->read_reply();
        EXPECT_EQ(reply.substr(0, reply.find("\r\n")), c.status_line) << c.path;
        EXPECT_NE(reply.find(c.body), std::string::npos) << c.path << ": " << reply;
        strangers.push_back(std::move(stranger));
    }
    const http_reply_seen list = paired.call("/mindmaps/list");
    EXPECT_EQ(list.status, 200);
    EXPECT_EQ(list.body, "<i/>\n");
    EXPECT_TRUE(paired.server.services.saves.empty());
}

TEST(LinkTraffic, HostileFormBodiesOfGrowingSizeAreAnswered)
{
    TempDir folder;
    paired_fixture paired(folder.path());
    for (const size_t size : {mebibyte / 2, mebibyte, 2 * mebibyte}) {
        http_call call = paired.phone.paired_call("POST");
        call.body = hostile_body(size);
        const http_reply_seen reply = paired.call("/mindmaps/upload", call);
        EXPECT_TRUE(reply.ok) << size;
        EXPECT_EQ(reply.status, 200) << size;
        EXPECT_EQ(reply.body, "<upload>\n</upload>") << size;
    }
    EXPECT_TRUE(paired.server.services.saves.empty());
}

// The limit of open descriptors lowered to `more` beyond those open now, while it lives.
class scoped_descriptor_limit {
public:
    explicit scoped_descriptor_limit(rlim_t more)
    {
        const auto open_now =
            static_cast<rlim_t>(std::distance(std::filesystem::directory_iterator("/proc/self/fd"), {}));
        lowered_ = ::getrlimit(RLIMIT_NOFILE, &saved_) == 0;
        rlimit lowered = saved_;
        lowered.rlim_cur = open_now + more;
        lowered_ = lowered_ && ::setrlimit(RLIMIT_NOFILE, &lowered) == 0;
        limit_ = lowered.rlim_cur;
    }
    ~scoped_descriptor_limit() { restore(); }
    scoped_descriptor_limit(const scoped_descriptor_limit&) = delete;
    scoped_descriptor_limit& operator=(const scoped_descriptor_limit&) = delete;

    void restore()
    {
        if (lowered_) ::setrlimit(RLIMIT_NOFILE, &saved_);
        lowered_ = false;
    }
    bool lowered() const { return lowered_; }
    rlim_t limit() const { return limit_; }

private:
    rlimit saved_{};
    rlim_t limit_ = 0;
    bool lowered_ = false;
};

// Counts the clients the server has closed; each is asked once it has not been seen closed.
size_t count_closed(std::vector<std::unique_ptr<raw_client>>& clients, std::vector<bool>& closed)
{
    closed.resize(clients.size(), false);
    size_t count = 0;
    for (size_t index = 0; index < clients.size(); ++index) {
        if (!closed[index]) closed[index] = clients[index]->closed_by_server();
        count += closed[index] ? 1 : 0;
    }
    return count;
}

TEST(LinkTraffic, AFloodOfIdleConnectionsKeepsToItsShareAndThePhoneIsServed)
{
    const struct {
        const char* what;
        int connections;
        int addresses;
        // Descriptors the process may open beyond those it holds now; none: the limit stays.
        rlim_t descriptors;
    } cases[] = {
        // Each new connection of an address takes the place of its oldest: it keeps 16.
        {"one address", 300, 1, 0},
        // The server keeps a quarter of the process's limit, so that Ctrl+N and every other file
        // the program opens still find a descriptor.
        {"many addresses", 160, 10, 300},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::optional<scoped_descriptor_limit> lowered;
        if (c.descriptors) lowered.emplace(c.descriptors);
        ASSERT_TRUE(!lowered || lowered->lowered());
        const size_t kept = lowered ? static_cast<size_t>(lowered->limit() / 4) : 16;
        TempDir folder;
        paired_fixture paired(folder.path());
        paired.server.services.index = "<i/>";
        const uint16_t port = link_server_port(*paired.server.context);
        std::vector<std::unique_ptr<raw_client>> flood;
        for (int index = 0; index < c.connections; ++index) {
            flood.push_back(std::make_unique<raw_client>(port, "127.0.1." + std::to_string(1 + index % c.addresses)));
            ASSERT_TRUE(flood.back()->connected()) << index << ": the test's own connections took descriptors";
        }
        std::vector<bool> closed;
        EXPECT_TRUE(eventually([&] { return count_closed(flood, closed) + kept >= flood.size(); }))
            << count_closed(flood, closed) << " of " << flood.size() << " closed";
        const int file = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
        EXPECT_GE(file, 0);
        if (file >= 0) ::close(file);
        EXPECT_EQ(paired.call("/mindmaps/list").body, "<i/>\n");
        if (!lowered) {
            EXPECT_TRUE(eventually([&] { return count_closed(flood, closed) + kept == flood.size(); }))
                << count_closed(flood, closed) << " of " << flood.size() << " closed";
        }
    }
}

std::atomic<int> errors_said{0};
std::string last_error_said;

TEST(LinkTraffic, RunningOutOfDescriptorsPausesTakingConnectionsAndSaysSoOnce)
{
    errors_said = 0;
    TempDir folder;
    running_link_server server(folder.path(), [](link_server_context& context) {
        context.errors.error_hook = [](int, const char* text) {
            last_error_said = text;
            ++errors_said;
        };
    });
    const uint16_t port = link_server_port(*server.context);
    // The client's socket is made first; then every descriptor left is taken, so that the server
    // finds none when the connection arrives.
    const int client = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    ASSERT_GE(client, 0);
    scoped_descriptor_limit lowered(16);
    ASSERT_TRUE(lowered.lowered());
    std::vector<int> taken;
    for (int fd; (fd = ::open("/dev/null", O_RDONLY | O_CLOEXEC)) >= 0;) taken.push_back(fd);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    ::inet_pton(AF_INET, "127.0.0.1", &address.sin_addr);
    ASSERT_EQ(::connect(client, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    const bool said = eventually([] { return errors_said > 0; });
    for (const int fd : taken) ::close(fd);
    lowered.restore();
    ASSERT_TRUE(said) << "nothing said about the connection that could not be taken";
    EXPECT_NE(last_error_said.find("Too many open files"), std::string::npos) << last_error_said;

    // Once descriptors are free again the waiting connection is taken and served.
    const std::string head = "GET /mindmaps/list HTTP/1.1\r\nHost: x\r\n\r\n";
    ASSERT_EQ(::send(client, head.data(), head.size(), MSG_NOSIGNAL), static_cast<ssize_t>(head.size()));
    std::string reply;
    char buffer[1024];
    for (ssize_t count;
         reply.find("</html>") == std::string::npos && (count = ::recv(client, buffer, sizeof buffer, 0)) > 0;)
        reply.append(buffer, static_cast<size_t>(count));
    ::close(client);
    EXPECT_EQ(reply.substr(0, 18), "HTTP/1.1 403 ERROR") << reply;
    EXPECT_EQ(errors_said, 1) << "said once for the whole spell";
}

TEST(LinkTraffic, DropsConnectionsWhoseHeadOrBodyDoesNotArriveInTime)
{
    TempDir folder;
    paired_fixture paired(folder.path());
    paired.server.stop();
    running_link_server server(folder.path(), [](link_server_context& context) {
        context.header_timeout_seconds = 1;
        context.body_timeout_seconds = 1;
    });
    server.services.index = "<i/>";
    const uint16_t port = link_server_port(*server.context);
    test_phone phone = paired.phone;
    phone.issued.clear(); // a restart: the first request signs the secret alone

    raw_client silent(port);
    raw_client half_head(port);
    ASSERT_TRUE(half_head.send_all("GET /mindmaps/list HTTP/1.1\r\nHost: 127.0"));
    raw_client half_body(port);
    ASSERT_TRUE(half_body.send_all(
        raw_head("POST", "/mindmaps/upload", phone.paired_call("POST"), {"Content-Length: 1000"}) + "0123456789"));
    raw_client kept_alive(port);
    ASSERT_TRUE(kept_alive.send_all(raw_head("GET", "/mindmaps/list", http_call{})));
    EXPECT_NE(kept_alive.read_reply().find("403"), std::string::npos);

    for (raw_client* client : {&silent, &half_head, &half_body, &kept_alive})
        EXPECT_TRUE(eventually([client] { return client->closed_by_server(); }));
    EXPECT_TRUE(server.services.saves.empty());
}

// The server's bodies waiting on disk: its temporary files, already removed from their folder.
[[maybe_unused]] std::vector<uint64_t> waiting_bodies()
{
    std::vector<uint64_t> sizes;
    for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
        std::error_code error;
        const std::string target = std::filesystem::read_symlink(entry.path(), error).string();
        if (error || target.find(".link-body-") == std::string::npos) continue;
        struct stat info {};
        if (::stat(entry.path().c_str(), &info) == 0) sizes.push_back(static_cast<uint64_t>(info.st_size));
    }
    return sizes;
}

TEST(LinkTraffic, StalledUploadsWaitOnDiskAndTheMemoryOfAHandledOneIsGivenBack)
{
#ifdef TARNWICK_SANITIZED
    GTEST_SKIP() << "the sanitizers keep freed memory on purpose";
#else
    TempDir folder;
    running_link_server server(folder.path(),
                               [](link_server_context& context) { context.pairing_questions_per_address = 8; });
    server.services.pin = 1234;
    server.services.keep_saved_texts = false;
    const uint16_t port = link_server_port(*server.context);
    std::vector<test_phone> phones;
    for (int index = 0; index < 8; ++index) phones.push_back(pair_phone(server, "phone-" + std::to_string(index)));

    // A large map that was imported: its memory goes back once it is answered.
    {
        const std::string map = std::string(24 * mebibyte, 'm');
        http_call call = phones[0].paired_call("POST");
        const std::string delimiter = "--------------------------twk7e2";
        call.body = delimiter + "\r\nContent-Disposition: form-data; name=\"filename\"\r\n\r\nbig.twkx\r\n" +
            delimiter + "\r\nContent-Disposition: form-data; name=\"twk\"\r\n\r\n" + map + "\r\n" + delimiter +
            "--\r\n";
        const uint64_t quiet = resident_bytes();
        const http_reply_seen reply = http_fetch(server.url("/mindmaps/upload"), call);
        EXPECT_EQ(reply.body, "<upload>\n<twk></twk>\n</upload>");
        ASSERT_EQ(server.services.saved_sizes.size(), 1u);
        EXPECT_EQ(server.services.saved_sizes[0], map.size());
        EXPECT_LT(resident_bytes(), quiet + 16 * mebibyte) << "the memory of the upload stays with the program";
    }

    const std::string sixteen(16 * mebibyte, 'x');
    const uint64_t before = resident_bytes();
    std::vector<std::unique_ptr<raw_client>> uploads;
    for (test_phone& phone : phones) {
        if (&phone == &phones[0]) phone.take(http_fetch(server.url("/identify"), phone.paired_call()));
        auto client = std::make_unique<raw_client>(port);
        ASSERT_TRUE(client->send_all(raw_head("POST", "/mindmaps/upload", phone.paired_call("POST"),
                                              {"Content-Length: " + std::to_string(60 * mebibyte)})));
        ASSERT_TRUE(client->send_all(sixteen));
        uploads.push_back(std::move(client));
    }
    // Eight bodies of sixteen megabytes each have arrived, and wait for the rest.
    EXPECT_TRUE(eventually([] {
        const std::vector<uint64_t> sizes = waiting_bodies();
        return sizes.size() == 8 &&
            std::all_of(sizes.begin(), sizes.end(), [](uint64_t size) { return size == 16 * mebibyte; });
    })) << waiting_bodies().size();
    EXPECT_LT(resident_bytes(), before + 32 * mebibyte) << "the bodies are held in memory";
    uploads.clear();
    EXPECT_TRUE(eventually([] { return waiting_bodies().empty(); }));
    EXPECT_LT(resident_bytes(), before + 32 * mebibyte) << "the memory of the stalled bodies stays";
#endif
}

} // namespace
