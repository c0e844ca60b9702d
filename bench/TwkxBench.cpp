#include "MindMaps/CrossLink.h"
#include "MindMaps/MindMap.h"
#include "MindMaps/MindMapImage.h"
#include "MindMaps/MindMapNode.h"
#include "MindMaps/MindMapText.h"
#include "MindMaps/NodeStyle.h"
#include "MindMaps/StyleSheet.h"
#include "formats/TwkxMindMapReader.h"
#include "formats/TwkxMindMapWriter.h"
#include "store/CustomImageStore.h"

#include <benchmark/benchmark.h>

#include <deque>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr size_t TopicCount = 10000;
constexpr size_t ThemeCount = 10;
constexpr size_t CrossLinkCount = 200;

std::string randomText(std::mt19937& random, size_t minimum, size_t maximum)
{
    static const std::string words[] = {"plan", "budget", "review", "idea", "task", "goal", "risk", "team",
                                        "launch", "draft", "notes", "open", "market", "design", "test"};
    std::uniform_int_distribution<size_t> length(minimum, maximum);
    std::uniform_int_distribution<size_t> pick(0, std::size(words) - 1);
    const size_t wanted = length(random);
    std::string text;
    while (text.size() < wanted) {
        if (!text.empty()) text += ' ';
        text += words[pick(random)];
    }
    text.resize(wanted);
    return text;
}

std::string randomHash(std::mt19937& random)
{
    static const char digits[] = "0123456789abcdef";
    std::uniform_int_distribution<int> digit(0, 15);
    std::string hash;
    for (int i = 0; i < 40; ++i) hash += digits[digit(random)];
    return hash;
}

// Ten central themes, every topic with four to eight children, filled breadth first up to the
// topic count; texts of 5 to 40 characters. Every fifth topic has a note, every seventh its own
// style, every twentieth an image and a free text; 200 cross links join random topics.
void buildMap(MindMap& map)
{
    std::mt19937 random(20240601);
    std::uniform_int_distribution<int> branching(4, 8);
    map.newMindMap("", false, std::nullopt);
    MindMap::UpdateGuard update(map);
    std::deque<MindMapNode*> open;
    for (size_t i = 0; i < ThemeCount; ++i) {
        MindMapNode* theme = map.internalAddCentralTheme(randomText(random, 5, 40));
        theme->setLocation(Point{0, static_cast<double>(i) * 2000});
        open.push_back(theme);
    }
    size_t count = ThemeCount;
    while (count < TopicCount && !open.empty()) {
        MindMapNode* parent = open.front();
        open.pop_front();
        const int children = branching(random);
        for (int c = 0; c < children && count < TopicCount; ++c, ++count) {
            const Point at{parent->location().x + 150, parent->location().y + c * 30.5};
            MindMapNode* child = map.addMindMapNodeAsChild(parent, at);
            child->setText(randomText(random, 5, 40));
            open.push_back(child);
        }
    }
    const std::vector<MindMapNode*>& nodes = map.nodes();
    for (size_t i = 0; i < nodes.size(); ++i) {
        MindMapNode* node = nodes[i];
        if (i % 5 == 0) node->setNote(randomText(random, 20, 120));
        if (i % 7 == 0) {
            NodeStyle* style = node->style();
            ElementStyle::UpdateGuard batch(*style);
            style->setFillColor(Color::rgb255(static_cast<int>(i % 256), 128, 64));
            style->setPropCustomized(TextStyle::FillColorMask, true);
            style->setBorderStyle(static_cast<int32_t>(i % 8));
            style->setPropCustomized(NodeStyle::BorderStyleMask, true);
        }
        if (i % 20 == 0) {
            MindMapImage* image = node->addCustomImage(randomHash(random), "");
            image->setRelLocation(Point{10, -60});
            node->addText()->setText(randomText(random, 5, 20));
        }
    }
    std::uniform_int_distribution<size_t> pick(0, nodes.size() - 1);
    for (size_t links = 0; links < CrossLinkCount;) {
        MindMapNode* source = nodes[pick(random)];
        MindMapNode* target = nodes[pick(random)];
        if (!map.canCreateCrossLinkFromSource(source, target)) continue;
        map.internalAddCrossLinkFromSource(source, target);
        ++links;
    }
    map.styleSheet()->applyStyleToDiagram(map);
}

std::shared_ptr<CustomImageStore> folderlessStore()
{
    static auto store = std::make_shared<CustomImageStore>();
    return store;
}

// The snapshot the undo manager takes before every change.
void BM_TwkxWriteSnapshot(benchmark::State& state)
{
    MindMap map(folderlessStore());
    buildMap(map);
    size_t bytes = 0;
    for (auto _ : state) {
        const std::string snapshot = TwkxMindMapWriter::captureUndoState(map);
        bytes = snapshot.size();
        benchmark::DoNotOptimize(snapshot.data());
    }
    state.counters["bytes"] = static_cast<double>(bytes);
    state.counters["topics"] = static_cast<double>(map.nodes().size());
}
BENCHMARK(BM_TwkxWriteSnapshot)->Unit(benchmark::kMillisecond);

// Reading a snapshot back, as undo does: the reader alone, inside a loading bracket that is not
// timed (the bracket restyles, validates and lays out, which is the map's work, not the reader's).
void BM_TwkxReadSnapshot(benchmark::State& state)
{
    MindMap source(folderlessStore());
    buildMap(source);
    const std::string snapshot = TwkxMindMapWriter::captureUndoState(source);
    for (auto _ : state) {
        state.PauseTiming();
        auto map = std::make_unique<MindMap>(folderlessStore());
        map->beginLoading();
        state.ResumeTiming();
        const bool read = TwkxMindMapReader::loadMindMap(*map, snapshot);
        benchmark::DoNotOptimize(read);
        state.PauseTiming();
        map->loadingCompleted();
        map.reset();
        state.ResumeTiming();
    }
    state.counters["bytes"] = static_cast<double>(snapshot.size());
}
BENCHMARK(BM_TwkxReadSnapshot)->Unit(benchmark::kMillisecond);

// Opening the document as a whole: the reader and the map's loading bracket.
void BM_TwkxOpenDocument(benchmark::State& state)
{
    registerNativeFormat();
    MindMap source(folderlessStore());
    buildMap(source);
    const MindMapData document = TwkxMindMapWriter::writeMindMap(source);
    for (auto _ : state) {
        state.PauseTiming();
        auto map = std::make_unique<MindMap>(folderlessStore());
        state.ResumeTiming();
        const bool read = map->readFromData(document, "", static_cast<int32_t>(MindMapReadFormat::Native));
        benchmark::DoNotOptimize(read);
        state.PauseTiming();
        map.reset();
        state.ResumeTiming();
    }
    state.counters["bytes"] = static_cast<double>(document.size());
}
BENCHMARK(BM_TwkxOpenDocument)->Unit(benchmark::kMillisecond);

} // namespace

