#include "explorers/LocalMindMapExplorer.h"
#include "formats/TwkxMindMapReader.h"
#include "layout/LayoutInstallation.h"
#include "render/RenderInstallation.h"
#include "store/MindMapInfoItem.h"
#include "store/MindMapStore.h"
#include "store/MindMapStoreFolder.h"
#include "support/ManualScheduler.h"

#include "BenchStoreScope.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

namespace fs = std::filesystem;

// The plain half of the local explorer (the GTK tree cannot run in a benchmark): its rows, what
// a row shows, the thumbnails painted while the list scrolls, and the filter a keystroke runs.
namespace {

constexpr size_t MapCount = 1000;
constexpr size_t FolderCount = 50;
constexpr size_t TopicsPerMap = 40;
// The rows a side bar of ordinary height shows at once with thumbnails (73 points a row).
constexpr size_t VisibleRows = 12;

// A store of 1,000 maps in 50 folders, made once per process in a folder of its own and removed
// at exit. Each benchmark points the store at it for its run and back afterwards, so that other
// benchmarks' stores are left alone.
class ExplorerBenchStore {
public:
    static ExplorerBenchStore& instance()
    {
        static ExplorerBenchStore store;
        return store;
    }
    ~ExplorerBenchStore()
    {
        std::error_code ec;
        fs::remove_all(_root, ec);
    }

    // Uses the bench store while it lives.
    struct Scope {
        BenchStoreScope pointed{instance()._root};
        MindMapStore* store = MindMapStore::mindMapStoreInstance();
    };

    // No thumbnail is cached.
    void forgetThumbnails() const
    {
        std::error_code ec;
        for (const auto& entry : fs::directory_iterator(_root + "/data/Tarnwick/Caches", ec))
            if (entry.path().string().ends_with("-tn.png")) fs::remove(entry.path(), ec);
    }

private:
    ExplorerBenchStore()
    {
        char pattern[] = "/tmp/tarnwick-explorer-bench-XXXXXX";
        _root = mkdtemp(pattern);
        registerNativeFormat();
        installLayout();
        installRendering();
        const std::string documents = _root + "/data/Tarnwick/Mind Maps";
        fs::create_directories(documents);
        std::mt19937 random(7);
        std::uniform_int_distribution<int> word(0, 7);
        static const char* words[] = {"plan", "budget", "review", "idea", "task", "goal", "risk", "team"};
        std::string index = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<diagram-index>\n"
                            "<folder name=\"Mind Maps\" id=\"/.root\">\n";
        char guid[32];
        for (size_t f = 0; f < FolderCount; ++f) {
            index += "<folder name=\"Folder " + std::to_string(f) + "\" id=\"/F" + std::to_string(f) + "\">\n";
            for (size_t m = f * (MapCount / FolderCount); m < (f + 1) * (MapCount / FolderCount); ++m) {
                std::snprintf(guid, sizeof guid, "%024zX", m + 1);
                std::string topics;
                for (size_t t = 0; t < TopicsPerMap; ++t) {
                    std::string text = std::string(words[word(random)]) + " " + words[word(random)];
                    if (t == 7 && m % 10 == 0) text += " Needle";
                    topics += "<topic text=\"" + text + "\" x=\"" + std::to_string((t % 8) * 120) + "\" y=\"" +
                        std::to_string((t / 8) * 40) + "\"/>\n";
                }
                std::ofstream(documents + "/" + guid + ".twkx")
                    << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<tarnwick-mindmaps doc-version=\"3\">\n"
                    << "<mindmap>\n<meta><guid guid=\"" << guid << "\"/><title text=\"Map " << m
                    << "\" customized=\"true\"/></meta>\n<topics>" << topics
                    << "</topics>\n<relations></relations>\n</mindmap>\n</tarnwick-mindmaps>\n";
                index += "<diagram name=\"Map " + std::to_string(m) + "\" id=\"" + guid + "\"/>\n";
            }
            index += "</folder>\n";
        }
        index += "</folder>\n</diagram-index>\n";
        std::ofstream(documents + "/folder-index.xml") << index;
    }

    std::string _root;
};

// The explorer with every folder open, as a user who has browsed the whole store sees it.
void openEveryFolder(LocalMindMapExplorer& explorer, MindMapStore& store)
{
    std::vector<MindMapStoreFolder*> folders;
    store.rootFolder()->getContainedFolders(folders);
    for (MindMapStoreFolder* folder : folders) explorer.outlineView().expandItem(folder);
}

// What a row shows, as drawing it asks: title, details, height and the picture at hand.
size_t prepareRows(LocalMindMapExplorer& explorer, int64_t first, size_t count)
{
    LocalExplorerAdapter& adapter = explorer.adapter();
    MindMapOutlineView& outline = explorer.outlineView();
    size_t characters = 0;
    for (int64_t row = first; row < first + int64_t(count) && row < outline.numberOfRows(); ++row) {
        MindMapStoreItem* item = outline.itemAtRow(row);
        characters += adapter.titleForItem(item).size() + adapter.detailsForItem(item).size();
        benchmark::DoNotOptimize(adapter.rowHeight(item));
        benchmark::DoNotOptimize(adapter.cachedThumbnail(item));
    }
    return characters;
}

// The side bar's first frame: the explorer made over the store, its rows built, the open map's
// folders expanded and the rows on screen prepared; no thumbnail cached (those are painted after
// the frame, a few per turn).
void BM_ExplorerFirstFrame(benchmark::State& state)
{
    ExplorerBenchStore::Scope scope;
    ExplorerBenchStore::instance().forgetThumbnails();
    ManualScheduler scheduler;
    int64_t rows = 0;
    for (auto _ : state) {
        LocalMindMapExplorer explorer(MainExplorerMode, scheduler);
        explorer.loadView();
        explorer.setActive(true);
        openEveryFolder(explorer, *scope.store);
        benchmark::DoNotOptimize(prepareRows(explorer, 0, VisibleRows));
        rows = explorer.outlineView().numberOfRows();
    }
    state.counters["rows"] = double(rows);
}
BENCHMARK(BM_ExplorerFirstFrame)->Unit(benchmark::kMillisecond);

// One frame of scrolling while thumbnails fill in: the rows that came into view prepared and the
// thumbnails one idle turn paints (none cached before). The side bar paints one a turn.
void BM_ExplorerScrollFrameWithThumbnails(benchmark::State& state)
{
    ExplorerBenchStore::Scope scope;
    ManualScheduler scheduler;
    LocalMindMapExplorer explorer(MainExplorerMode, scheduler);
    explorer.loadView();
    openEveryFolder(explorer, *scope.store);
    LocalExplorerAdapter& adapter = explorer.adapter();
    MindMapOutlineView& outline = explorer.outlineView();
    int64_t first = 0;
    for (auto _ : state) {
        state.PauseTiming();
        ExplorerBenchStore::instance().forgetThumbnails();
        first = (first + 3) % (outline.numberOfRows() - int64_t(VisibleRows));
        state.ResumeTiming();
        benchmark::DoNotOptimize(prepareRows(explorer, first, VisibleRows));
        size_t painted = 0;
        for (int64_t row = first; painted < size_t(state.range(0)) && row < first + int64_t(VisibleRows); ++row) {
            MindMapStoreItem* item = outline.itemAtRow(row);
            if (!item || item->isFolder()) continue;
            benchmark::DoNotOptimize(adapter.thumbnail(item));
            ++painted;
        }
    }
}
BENCHMARK(BM_ExplorerScrollFrameWithThumbnails)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

// A keystroke in the filter: the matches looked up and the rows rebuilt, the search cache built
// before (as the first keystroke builds it).
void runFilterKeystrokes(benchmark::State& state, bool fullText, const std::vector<const char*>& typed)
{
    ExplorerBenchStore::Scope scope;
    ManualScheduler scheduler;
    LocalMindMapExplorer explorer(MainExplorerMode, scheduler);
    explorer.loadView();
    MindMapSearchField field;
    field.setFullTextSearch(fullText);
    explorer.setSearchBar(&field);
    // The cache, and for full text every map's text, once.
    field.textChangedByUser(typed.back());
    size_t next = 0;
    int64_t rows = 0;
    for (auto _ : state) {
        field.textChangedByUser(typed[next]);
        next = (next + 1) % typed.size();
        rows = explorer.outlineView().numberOfRows();
    }
    state.counters["rows"] = double(rows);
    explorer.setSearchBar(nullptr);
}

void BM_ExplorerTitleFilterKeystroke(benchmark::State& state)
{
    runFilterKeystrokes(state, false, {"m", "ma", "map", "map ", "map 1", "map 12"});
}
BENCHMARK(BM_ExplorerTitleFilterKeystroke)->Unit(benchmark::kMillisecond);

void BM_ExplorerFullTextFilterKeystroke(benchmark::State& state)
{
    runFilterKeystrokes(state, true, {"n", "ne", "nee", "need", "needl", "needle"});
}
BENCHMARK(BM_ExplorerFullTextFilterKeystroke)->Unit(benchmark::kMillisecond);

} // namespace
