#include "GoogleDrive/GDriveAuthHelper.h"
#include "GoogleDrive/GDriveFileInfoCache.h"
#include "GoogleDrive/GDriveFileTasks.h"
#include "GoogleDrive/GDriveService.h"
#include "MindMaps/MindMap.h"
#include "MindMaps/MindMapNode.h"
#include "Utils/GuidCreation.h"
#include "formats/MindMapConverter.h"
#include "formats/TwkxMindMapReader.h"
#include "platform/TokenStore.h"
#include "store/ExternalProvider.h"
#include "store/ForeignMapConversion.h"
#include "store/MindMapStore.h"
#include "support/FakeGoogleDriveServer.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>

namespace {

std::string text(std::mt19937& random)
{
    static const char* const words[] = {"plan", "budget", "review", "idea", "task", "goal", "risk", "team"};
    std::uniform_int_distribution<size_t> pick(0, std::size(words) - 1);
    return std::string(words[pick(random)]) + " " + words[pick(random)] + " " + words[pick(random)];
}

// The native file of a map of the given number of topics, made as the pane's conversion makes it
// from an outline: one theme, four to eight children each.
MindMapData mapFile(size_t topics)
{
    std::mt19937 random(500);
    std::uniform_int_distribution<int> branching(4, 8);
    struct Topic {
        std::string text;
        std::vector<size_t> children;
    };
    std::vector<Topic> tree{{"Plan", {}}};
    for (size_t parent = 0; tree.size() < topics && parent < tree.size(); ++parent) {
        const int children = branching(random);
        for (int c = 0; c < children && tree.size() < topics; ++c) {
            tree[parent].children.push_back(tree.size());
            tree.push_back({text(random), {}});
        }
    }
    std::string opml = "<opml version=\"2.0\"><body>";
    std::function<void(size_t)> write = [&](size_t at) {
        opml += "<outline text=\"" + tree[at].text + "\">";
        for (size_t child : tree[at].children) write(child);
        opml += "</outline>";
    };
    write(0);
    opml += "</body></opml>";
    return GDriveFileTasks::convertToNative(MindMapData(opml.begin(), opml.end()), "Plan.opml", "/Plan.opml")
        .archive.value_or(MindMapData());
}

// A signed-out Drive service in a private home whose cache holds one map of 500 topics.
struct CachedDriveMap {
    std::string home;
    FakeGoogleDriveServer fake;
    HttpEngine engine;
    std::unique_ptr<FileTokenStore> tokens;
    std::unique_ptr<GDriveAuthHelper> auth;
    std::unique_ptr<GDrive> service;
    GDriveFileInfoItem* item = nullptr;

    CachedDriveMap()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "tarnwick-thumbnail-XXXXXX").string();
        home = mkdtemp(pattern.data()) ? pattern : std::string(".");
        setenv("XDG_DATA_HOME", (home + "/data").c_str(), 1);
        setenv("XDG_CONFIG_HOME", (home + "/config").c_str(), 1);
        setenv("XDG_CACHE_HOME", (home + "/cache").c_str(), 1);
        std::filesystem::create_directories(home + "/data/Tarnwick");
        // The program opens its map store, and with it the image stores, before any cloud map
        // is converted or painted.
        MindMapStore::mindMapStoreInstance();
        ExternalProvider::resetProvidersDirectoryCleanup();
        registerNativeFormat();
        registerForeignFormats();
        tokens = std::make_unique<FileTokenStore>(home + "/tokens.json");
        OAuthSettings signIn;
        signIn.clientId = FakeGoogleDriveServer::ClientId;
        signIn.tokenUrl = fake.tokenUrl();
        auth = std::make_unique<GDriveAuthHelper>(engine, *tokens, signIn,
                                                  GDriveEndpoints{fake.baseUrl(), fake.baseUrl()}, fake.baseUrl());
        GDriveServiceSetup setup;
        setup.auth = auth.get();
        setup.supportDirectory = home;
        service = std::make_unique<GDrive>(std::move(setup));
        GDriveMetadata metadata("MapId", std::string("twkx"));
        metadata.name = "Plan.twkx";
        metadata.parentIdentifier = "FolderId";
        item = service->fileInfo().update(metadata);
        const MindMapData bytes = mapFile(500);
        std::ofstream(service->provider()->cacheFilePathForFileId("MapId"), std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    }
    ~CachedDriveMap()
    {
        service.reset();
        MindMapStore::releaseMindMapStoreInstance();
        std::filesystem::remove_all(home);
    }
};

} // namespace

// A map's thumbnail for the Drive pane, read from the cached copy and painted at 108 x 72.
void BM_GDriveThumbnailOf500TopicMap(benchmark::State& state)
{
    static CachedDriveMap drive;
    for (auto _ : state) {
        std::shared_ptr<const Image> painted = drive.service->createThumbnail(*drive.item);
        if (!painted) {
            state.SkipWithError("no thumbnail");
            break;
        }
        benchmark::DoNotOptimize(painted);
    }
}
BENCHMARK(BM_GDriveThumbnailOf500TopicMap)->Unit(benchmark::kMillisecond);
