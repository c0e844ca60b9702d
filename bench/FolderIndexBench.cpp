#include "explorers/LocalMindMapExplorer.h"
#include "formats/TwkxMindMapReader.h"
#include "store/MindMapStore.h"
#include "store/MindMapStoreFolder.h"
#include "support/ManualScheduler.h"

#include <benchmark/benchmark.h>

#include "BenchStoreScope.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace fs = std::filesystem;

// Opening a store whose folder index holds 40,000 folders: the index read and the tree built,
// and the side bar's rows made over it.
namespace {

constexpr size_t TopFolderCount = 200;
constexpr size_t SubFoldersEach = 199;
constexpr size_t FolderCount = TopFolderCount * (SubFoldersEach + 1);
// One map in every hundredth sub-folder, so that placing maps is part of the read.
constexpr size_t FoldersPerMap = 100;

// The store, made once per process in a folder of its own and removed at exit; its index cache
// is written by one start, as the program's quit leaves it.
class FolderStore {
public:
    static FolderStore& instance()
    {
        static FolderStore store;
        return store;
    }
    ~FolderStore()
    {
        std::error_code ec;
        fs::remove_all(_root, ec);
    }
    const std::string& root() const { return _root; }

private:
    FolderStore()
    {
        char pattern[] = "/tmp/tarnwick-folder-bench-XXXXXX";
        _root = mkdtemp(pattern);
        registerNativeFormat();
        const std::string documents = _root + "/data/Tarnwick/Mind Maps";
        fs::create_directories(documents);
        std::string index = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<diagram-index>\n"
                            "<folder name=\"Mind Maps\" id=\"/.root\">\n";
        char id[48];
        size_t sub = 0;
        for (size_t top = 0; top < TopFolderCount; ++top) {
            std::snprintf(id, sizeof id, "/%08zX-0000-4000-8000-000000000000", top);
            index += "<folder name=\"Folder " + std::to_string(top) + "\" id=\"" + id + "\">\n";
            for (size_t s = 0; s < SubFoldersEach; ++s, ++sub) {
                std::snprintf(id, sizeof id, "/%08zX-1111-4000-8000-000000000000", sub);
                index += "<folder name=\"Sub-folder " + std::to_string(sub) + "\" id=\"" + id + "\">";
                if (sub % FoldersPerMap == 0) {
                    std::snprintf(id, sizeof id, "%024zX", sub + 1);
                    std::ofstream(documents + "/" + id + ".twkx")
                        << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<tarnwick-mindmaps doc-version=\"3\">"
                        << "<mindmap><meta><guid guid=\"" << id << "\"/><title text=\"Map " << sub
                        << "\" customized=\"true\"/></meta><topics><topic text=\"Map\"/></topics></mindmap>"
                        << "</tarnwick-mindmaps>\n";
                    index += std::string("<diagram name=\"Map\" id=\"") + id + "\"/>";
                }
                index += "</folder>\n";
            }
            index += "</folder>\n";
        }
        index += "</folder>\n</diagram-index>\n";
        std::ofstream(documents + "/folder-index.xml") << index;
        BenchStoreScope scope(_root);
        MindMapStore::mindMapStoreInstance()->saveIndexToFile();
    }

    std::string _root;
};

size_t folderCount(MindMapStore& store)
{
    std::vector<MindMapStoreFolder*> folders;
    store.rootFolder()->getContainedFolders(folders);
    return folders.size();
}

void BM_StoreOpenFortyThousandFolders(benchmark::State& state)
{
    BenchStoreScope scope(FolderStore::instance().root());
    size_t folders = 0;
    for (auto _ : state) {
        state.PauseTiming();
        MindMapStore::releaseMindMapStoreInstance();
        state.ResumeTiming();
        benchmark::DoNotOptimize(MindMapStore::mindMapStoreInstance());
    }
    folders = folderCount(*MindMapStore::mindMapStoreInstance());
    if (folders != FolderCount) state.SkipWithError("the tree does not hold every folder");
    state.counters["folders"] = double(folders);
}
BENCHMARK(BM_StoreOpenFortyThousandFolders)->Unit(benchmark::kMillisecond);

// The plain half of the side bar (the GTK tree cannot run in a benchmark): the explorer made over
// the store and its rows built.
void BM_ExplorerOverFortyThousandFolders(benchmark::State& state)
{
    BenchStoreScope scope(FolderStore::instance().root());
    MindMapStore::mindMapStoreInstance();
    ManualScheduler scheduler;
    int64_t rows = 0;
    for (auto _ : state) {
        LocalMindMapExplorer explorer(MainExplorerMode, scheduler);
        explorer.loadView();
        explorer.setActive(true);
        rows = explorer.outlineView().numberOfRows();
    }
    state.counters["rows"] = double(rows);
}
BENCHMARK(BM_ExplorerOverFortyThousandFolders)->Unit(benchmark::kMillisecond);

} // namespace
