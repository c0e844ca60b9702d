#include "formats/TwkxMindMapReader.h"
#include "platform/UserDefaults.h"
#include "store/LocalProvider.h"
#include "store/MindMapInfoItem.h"
#include "store/MindMapProviders.h"
#include "store/MindMapSearchCache.h"
#include "store/MindMapSearchInfo.h"
#include "store/MindMapStore.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

namespace fs = std::filesystem;

namespace {

constexpr size_t MapCount = 1000;
constexpr size_t TopicsPerMap = 40;

// A store of 1,000 maps in a folder of its own, made once per process and removed at exit. Every
// tenth map mentions the search word in one topic.
class BenchStore {
public:
    static BenchStore& instance()
    {
        static BenchStore store;
        return store;
    }

    ~BenchStore()
    {
        MindMapStore::releaseMindMapStoreInstance();
        std::error_code ec;
        fs::remove_all(_root, ec);
    }

    std::string indexCachePath() const { return _documents + "/mind_map_index_v3.plist"; }

private:
    BenchStore()
    {
        char pattern[] = "/tmp/tarnwick-store-bench-XXXXXX";
        _root = mkdtemp(pattern);
        setenv("XDG_DATA_HOME", (_root + "/data").c_str(), 1);
        setenv("XDG_CONFIG_HOME", (_root + "/config").c_str(), 1);
        UserDefaults::standard().resetForTesting();
        registerNativeFormat();
        _documents = _root + "/data/Tarnwick/Mind Maps";
        fs::create_directories(_documents);
        std::mt19937 random(42);
        std::uniform_int_distribution<int> word(0, 7);
        static const char* words[] = {"plan", "budget", "review", "idea", "task", "goal", "risk", "team"};
        char guid[32];
        for (size_t m = 0; m < MapCount; ++m) {
            std::snprintf(guid, sizeof guid, "%024zX", m + 1);
            std::string topics;
            for (size_t t = 0; t < TopicsPerMap; ++t) {
                std::string text =
                    std::string(words[word(random)]) + " " + words[word(random)] + " " + std::to_string(t);
                if (t == 7 && m % 10 == 0) text += " Needle";
                topics += "<topic text=\"" + text + "\" x=\"" + std::to_string(t * 10) + "\" y=\"0\"/>\n";
            }
            std::ofstream(_documents + "/" + guid + ".twkx")
                << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<tarnwick-mindmaps doc-version=\"3\">\n<mindmap>\n"
                << "<meta><guid guid=\"" << guid << "\"/><title text=\"Map " << m << "\" customized=\"true\"/></meta>\n"
                << "<topics>" << topics << "</topics>\n<relations></relations>\n</mindmap>\n</tarnwick-mindmaps>\n";
        }
    }

    std::string _root;
    std::string _documents;
};

// Start-up without an index cache: every map is read and scanned.
void BM_StoreStartCold(benchmark::State& state)
{
    BenchStore& bench = BenchStore::instance();
    size_t maps = 0;
    for (auto _ : state) {
        state.PauseTiming();
        MindMapStore::releaseMindMapStoreInstance();
        fs::remove(bench.indexCachePath());
        state.ResumeTiming();
        maps = MindMapStore::mindMapStoreInstance()->count();
    }
    state.counters["maps"] = double(maps);
}
BENCHMARK(BM_StoreStartCold)->Unit(benchmark::kMillisecond);

// Start-up with the index cache the last run left: maps are read and hashed, not parsed.
void BM_StoreStartWarm(benchmark::State& state)
{
    BenchStore& bench = BenchStore::instance();
    MindMapStore::mindMapStoreInstance();
    MindMapStore::releaseMindMapStoreInstance();
    if (!fs::exists(bench.indexCachePath())) state.SkipWithError("no index cache written");
    size_t maps = 0;
    for (auto _ : state) {
        state.PauseTiming();
        MindMapStore::releaseMindMapStoreInstance();
        state.ResumeTiming();
        maps = MindMapStore::mindMapStoreInstance()->count();
    }
    state.counters["maps"] = double(maps);
}
BENCHMARK(BM_StoreStartWarm)->Unit(benchmark::kMillisecond);

LocalProvider* startedProvider()
{
    MindMapStore::mindMapStoreInstance();
    return dynamic_cast<LocalProvider*>(MindMapProviders::localProvider());
}

// A title search over the whole store, the search cache brought up to date first.
void BM_StoreSearchTitles(benchmark::State& state)
{
    BenchStore::instance();
    LocalProvider* provider = startedProvider();
    size_t matches = 0;
    for (auto _ : state) {
        auto cache = provider->buildSearchCache();
        matches = cache->getSearchMatches("map 99", false).size();
    }
    state.counters["matches"] = double(matches);
}
BENCHMARK(BM_StoreSearchTitles)->Unit(benchmark::kMillisecond);

// The first full-text search: every map's text is read.
void BM_StoreSearchFullTextFirst(benchmark::State& state)
{
    BenchStore::instance();
    LocalProvider* provider = startedProvider();
    size_t matches = 0;
    for (auto _ : state) {
        state.PauseTiming();
        auto cache = provider->buildSearchCache();
        for (const auto& [key, info] : cache->items()) info->clearFullText();
        state.ResumeTiming();
        matches = provider->buildSearchCache()->getSearchMatches("needle", true).size();
    }
    state.counters["matches"] = double(matches);
}
BENCHMARK(BM_StoreSearchFullTextFirst)->Unit(benchmark::kMillisecond);

// Later full-text searches: the texts are kept while the files are unchanged.
void BM_StoreSearchFullTextAgain(benchmark::State& state)
{
    BenchStore::instance();
    LocalProvider* provider = startedProvider();
    provider->buildSearchCache()->getSearchMatches("needle", true);
    size_t matches = 0;
    for (auto _ : state) {
        matches = provider->buildSearchCache()->getSearchMatches("needle", true).size();
    }
    state.counters["matches"] = double(matches);
}
BENCHMARK(BM_StoreSearchFullTextAgain)->Unit(benchmark::kMillisecond);

} // namespace
