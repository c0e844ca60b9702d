#include "BenchMaps.h"

#include "Editor/EditorDocument.h"
#include "Editor/MapFromSelection.h"
#include "Editor/TwkDocumentController.h"
#include "MindMaps/MindMap.h"
#include "MindMaps/MindMapNode.h"
#include "formats/TwkxMindMapReader.h"
#include "platform/UserDefaults.h"
#include "store/MindMapInfoItem.h"
#include "store/MindMapProviders.h"
#include "store/MindMapStorage.h"
#include "store/MindMapStore.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <deque>
#include <filesystem>
#include <map>
#include <optional>
#include <random>
#include <string>

namespace fs = std::filesystem;

namespace {

constexpr size_t BranchTopics = 5000;

class IdleScheduler : public DocumentScheduler {
public:
    double now() const override { return 0; }
    Handle schedule(double, bool, std::function<void()>) override { return ++_next; }
    void cancel(Handle) override {}

private:
    Handle _next = 0;
};

// A store of its own holding one map: a central theme with a small branch and one of 5,000 topics
// (texts of 5 to 40 characters, four to eight children each), for the length of one benchmark.
class BranchStore {
public:
    BranchStore()
    {
        for (const char* name : {"XDG_DATA_HOME", "XDG_CONFIG_HOME"})
            if (const char* value = std::getenv(name)) _saved[name] = value;
        MindMapStore::releaseMindMapStoreInstance();
        char pattern[] = "/tmp/tarnwick-branch-bench-XXXXXX";
        _root = mkdtemp(pattern);
        setenv("XDG_DATA_HOME", (_root + "/data").c_str(), 1);
        setenv("XDG_CONFIG_HOME", (_root + "/config").c_str(), 1);
        UserDefaults::standard().resetForTesting();
        registerNativeFormat();

        std::mt19937 random(20261207);
        MindMap map;
        map.newMindMap("", true, std::string("Theme"));
        MindMapNode* theme = map.mainCentralTheme();
        map.addMindMapNodeAsChild(theme, Point{200, -200})->setText("Small branch");
        MindMapNode* branch = map.addMindMapNodeAsChild(theme, Point{200, 200});
        branch->setText("Large branch");
        std::deque<MindMapNode*> open{branch};
        std::uniform_int_distribution<int> branching(4, 8);
        size_t count = 1;
        while (count < BranchTopics && !open.empty()) {
            MindMapNode* parent = open.front();
            open.pop_front();
            for (int c = branching(random); c > 0 && count < BranchTopics; --c, ++count) {
                MindMapNode* child = map.addMindMapNodeAsChild(parent, {parent->location().x + 150, c * 30.5});
                child->setText(BenchMaps::randomText(random));
                open.push_back(child);
            }
        }
        MindMapInfoItem* item = MindMapStore::mindMapStoreInstance()->importMindMap(map.exportDataOfFormat(0));
        if (item) guid = item->guid();
    }
    ~BranchStore()
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

    std::string guid;

private:
    std::string _root;
    std::map<std::string, std::string> _saved;
};

MindMapNode* largeBranch(MindMap& map)
{
    for (MindMapNode* node : map.mainCentralTheme()->children())
        if (node->text() == "Large branch") return node;
    return nullptr;
}

// "New Map from selection" on the 5,000-topic branch: the parcel, the new map written to the store,
// and the switch of the editor to it, until the new map is open.
void BM_NewMapFromLargeBranchUntilOpen(benchmark::State& state)
{
    BranchStore store;
    if (store.guid.empty()) {
        state.SkipWithError("the map could not be imported");
        return;
    }
    IdleScheduler scheduler;
    DocumentControllerHost host;
    ApplicationTerminationServices services;
    std::optional<TwkDocumentController> controller(std::in_place, scheduler, host, services);
    EditorDocument* document = controller->makeSingletonDocument();
    MindMapProvider* local = MindMapProviders::localProvider();

    WindowMapContext context;
    context.currentStorage = [document] { return document->storage(); };
    context.mindMap = [document] { return document->mindMap(); };
    context.commitEditor = [document] { return document->commitEditor(); };
    // As the application installs it: the controller opens what the action asks for.
    context.openMindMap = [&controller](const std::string& providerId, const std::string& id) {
        controller->asyncOpenMindMap(providerId, id, {});
    };
    std::string failure;
    context.showNotification = [&failure](const std::string& title, const std::string& message, unsigned) {
        failure = title + " " + message;
    };
    MapFromSelection action(context);
    size_t openedTopics = 0;
    for (auto _ : state) {
        state.PauseTiming();
        controller->openStorage(local, store.guid, {});
        MindMapNode* branch = largeBranch(*document->mindMap());
        if (!branch) {
            state.SkipWithError("no branch");
            break;
        }
        document->mindMap()->setSelectedElement(branch);
        state.ResumeTiming();

        action.mindMapFromSelection();

        state.PauseTiming();
        if (document->storage()->id() == store.guid) {
            state.SkipWithError(("the new map did not open: " + failure).c_str());
            break;
        }
        openedTopics = document->mindMap()->nodes().size();
        state.ResumeTiming();
    }
    state.counters["topics"] = double(openedTopics);
    controller.reset();
}
BENCHMARK(BM_NewMapFromLargeBranchUntilOpen)->Unit(benchmark::kMillisecond);

} // namespace
