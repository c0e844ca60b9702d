#include "explorers/FileListAdapter.h"
#include "explorers/FileListItem.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <random>

namespace {

// A cloud folder of 10,000 entries as a service lists them: folders and files of every kind,
// numbered names, in no particular order.
FileListItems makeListing()
{
    static const char* const stems[] = {"Report", "meeting notes", "Plan", "photo_", "Budget Q", "Übersicht", "idea"};
    static const struct {
        int32_t type;
        const char* extension;
    } kinds[] = {{FileListItemType::Folder, ""},       {FileListItemType::NativeMindMap, ".twkx"},
                 {FileListItemType::Opml, ".opml"},    {FileListItemType::Freemind, ".mm"},
                 {FileListItemType::Image, ".jpeg"},   {FileListItemType::Pdf, ".pdf"},
                 {FileListItemType::OtherFile, ".txt"}};
    std::mt19937 random(42);
    FileListItems items;
    items.reserve(10'000);
    for (int i = 0; i < 10'000; ++i) {
        const auto& kind = kinds[random() % std::size(kinds)];
        auto item = std::make_shared<FileListItem>(kind.type);
        const std::string name =
            std::string(stems[random() % std::size(stems)]) + " " + std::to_string(random() % 5000) + kind.extension;
        item->setFileName(name);
        item->setPath("/Work/" + name);
        item->setSize(random() % 10'000'000);
        items.push_back(std::move(item));
    }
    items.front() = std::make_shared<FileListItem>(FileListItemType::NavigateUp);
    items.front()->setFileName("..");
    return items;
}

// The listing arrives new each time (no name has been sorted before), is sorted and handed to the
// list.
void BM_AssignAndSort10000FileListItems(benchmark::State& state)
{
    const FileListItems original = makeListing();
    FileListAdapter adapter(nullptr);
    for (auto _ : state) {
        state.PauseTiming();
        FileListItems items;
        items.reserve(original.size());
        for (const auto& item : original) {
            auto copy = std::make_shared<FileListItem>(item->type());
            copy->setFileName(item->fileName());
            copy->setPath(item->path());
            copy->setSize(item->size());
            items.push_back(std::move(copy));
        }
        state.ResumeTiming();
        sortFileListItems(items);
        adapter.assignItems(std::move(items));
        benchmark::DoNotOptimize(adapter.items().data());
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * 10'000);
}
BENCHMARK(BM_AssignAndSort10000FileListItems)->Unit(benchmark::kMillisecond);

} // namespace
