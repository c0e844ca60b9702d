#include "BenchMaps.h"

#include "Editor/TwkDocumentController.h"
#include "MindMaps/MindMap.h"
#include "formats/TwkxMindMapReader.h"
#include "platform/UserDefaults.h"
#include "store/MindMapInfoItem.h"
#include "store/MindMapProviders.h"
#include "store/MindMapStore.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <optional>
#include <string>

namespace fs = std::filesystem;

namespace {

// Timers are kept and never fire: a switch is measured without the autosave tick.
class IdleScheduler : public DocumentScheduler {
public:
    double now() const override { return 0; }
    Handle schedule(double, bool, std::function<void()>) override { return ++_next; }
    void cancel(Handle) override {}

private:
    Handle _next = 0;
};

// A store of its own with two 10,000-topic maps, for the length of one benchmark; the settings
// and store of whoever ran before are given back afterwards.
class TwoMapStore {
public:
    TwoMapStore()
    {
        for (const char* name : {"XDG_DATA_HOME", "XDG_CONFIG_HOME"})
            if (const char* value = std::getenv(name)) _saved[name] = value;
        MindMapStore::releaseMindMapStoreInstance();
        char pattern[] = "/tmp/tarnwick-switch-bench-XXXXXX";
        _root = mkdtemp(pattern);
        setenv("XDG_DATA_HOME", (_root + "/data").c_str(), 1);
        setenv("XDG_CONFIG_HOME", (_root + "/config").c_str(), 1);
        UserDefaults::standard().resetForTesting();
        registerNativeFormat();
        MindMapStore* store = MindMapStore::mindMapStoreInstance();
        for (std::string* guid : {&first, &second}) {
            MindMap map;
            BenchMaps::buildRichMap(map);
            MindMapInfoItem* item = store->importMindMap(map.exportDataOfFormat(0));
            if (item) *guid = item->guid();
        }
    }
    ~TwoMapStore()
    {
        MindMapStore::releaseMindMapStoreInstance();
        std::error_code ec;
        fs::remove_all(_root, ec);
        for (const char* name : {"XDG_DATA_HOME", "XDG_CONFIG_HOME"}) {
            auto saved = _saved.find(name);
            if (saved != _saved.end()) setenv(name, saved->second.c_str(), 1);
            else unsetenv(name);
        }
        UserDefaults::standard().resetForTesting();
    }

    std::string first;
    std::string second;

private:
    std::string _root;
    std::map<std::string, std::string> _saved;
};

// One switch from the open map to the other: commit, capture the place, detach, load, attach.
void BM_SwitchBetweenLargeMaps(benchmark::State& state)
{
    TwoMapStore store;
    if (store.first.empty() || store.second.empty()) {
        state.SkipWithError("the maps could not be imported");
        return;
    }
    IdleScheduler scheduler;
    DocumentControllerHost host;
    ApplicationTerminationServices services;
    std::optional<TwkDocumentController> controller(std::in_place, scheduler, host, services);
    controller->makeSingletonDocument();
    MindMapProvider* local = MindMapProviders::localProvider();
    controller->openStorage(local, store.first, {});
    bool toSecond = true;
    for (auto _ : state) {
        controller->openStorage(local, toSecond ? store.second : store.first, {});
        toSecond = !toSecond;
    }
    state.counters["topics"] = double(controller->singletonDocument()->mindMap()->nodes().size());
    controller.reset();
}
BENCHMARK(BM_SwitchBetweenLargeMaps)->Unit(benchmark::kMillisecond);

} // namespace
