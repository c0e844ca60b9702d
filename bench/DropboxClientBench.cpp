#include "cloud/OAuthClient.h"
#include "dropbox/DropboxClient.h"
#include "platform/MainLoop.h"
#include "platform/TokenStore.h"
#include "support/FakeDropboxServer.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <vector>

namespace {

// What quitting with 200 changed maps sends: 200 uploads of 20 KB each, all started at once,
// against the service's stand-in on loopback.
void BM_DropboxClientUploadsTwoHundredMaps(benchmark::State& state)
{
    FakeDropboxServer fake;
    fake.issueTokens("access-0", "refresh-0");
    std::string pattern = (std::filesystem::temp_directory_path() / "tarnwick-upload-XXXXXX").string();
    const std::string folder = mkdtemp(pattern.data()) ? pattern : std::string(".");
    HttpEngine engine;
    FileTokenStore tokens(folder + "/tokens.json");
    tokens.write("dropbox", OAuthTokens{"access-0", "refresh-0", 0, ""}.toJson());
    OAuthClient oauth(engine, {FakeDropboxServer::AppKey, "", fake.baseUrl() + "/oauth2/token", "", {}}, tokens,
                      "dropbox");
    oauth.restore();
    DropboxClient client(engine, oauth, {fake.baseUrl(), fake.baseUrl()});
    int round = 0;
    for (auto _ : state) {
        ++round;
        std::vector<DropboxCall> calls;
        size_t done = 0;
        size_t failed = 0;
        for (int i = 0; i < 200; ++i) {
            DropboxUploadContents contents;
            contents.bytes = std::string(20000, char('a' + (i + round) % 26));
            calls.push_back(client.upload("/Maps/Map " + std::to_string(i) + ".twkx", DropboxWriteMode::add(), true,
                                          std::move(contents), [&](const DropboxResponse<DropboxMetadata>& response) {
                                              ++done;
                                              failed += response.result ? 0 : 1;
                                          }));
        }
        MainLoop::runUntil([&] { return done == calls.size(); }, 60);
        if (failed > 0) state.SkipWithError("an upload failed");
    }
    std::filesystem::remove_all(folder);
}
BENCHMARK(BM_DropboxClientUploadsTwoHundredMaps)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace
