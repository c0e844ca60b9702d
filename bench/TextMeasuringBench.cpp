#include "BenchMaps.h"
#include "FreemindMaps.h"
#include "MindMaps/MarkdownSpanParser.h"
#include "MindMaps/MindMap.h"
#include "formats/MindMapConverter.h"
#include "platform/PangoTextMeasurer.h"
#include "store/CustomImageStore.h"
#include "support/MixedTopicTexts.h"

#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <memory>
#include <random>
#include <vector>

namespace {

double processCpuMilliseconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    auto ms = [](const timeval& t) {
        return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_usec) / 1e3;
    };
    return ms(usage.ru_utime) + ms(usage.ru_stime);
}

// The display texts of 10,000 topics as topics build them: with argument 0 of mixed scripts,
// fonts and markdown, with argument 1 those of the map every benchmark uses (short Latin texts in
// the default font).
const std::vector<AttributedString>& topicTexts(int64_t kind)
{
    static const std::vector<AttributedString> texts[2] = {
        [] {
            std::vector<AttributedString> result;
            const std::vector<std::string> raw = MixedTopicTexts::texts(BenchMaps::TopicCount, 7);
            for (size_t i = 0; i < raw.size(); ++i) {
                AttributedString text =
                    MarkdownSpanParser::markdownToAttributedString(raw[i], MixedTopicTexts::font(i), 0);
                text.setAlignment({0, text.length()}, static_cast<TextAlignment>(i % 3));
                text.setColor({0, text.length()}, Color::black());
                result.push_back(std::move(text));
            }
            return result;
        }(),
        [] {
            std::vector<AttributedString> result;
            std::mt19937 random(20240601);
            for (size_t i = 0; i < BenchMaps::TopicCount; ++i) {
                AttributedString text =
                    MarkdownSpanParser::markdownToAttributedString(BenchMaps::randomText(random), Font(), 0);
                text.setColor({0, text.length()}, Color::black());
                result.push_back(std::move(text));
            }
            return result;
        }(),
    };
    return texts[kind];
}

// One layout after another on one context, as the measurer lays out a text it has not seen.
void BM_MeasureTopicTextsOneByOne(benchmark::State& state)
{
    const std::vector<AttributedString>& texts = topicTexts(state.range(0));
    PangoLayoutMeasurer measurer;
    // Fonts are loaded once per process.
    for (const AttributedString& text : texts) measurer.sizeForAttributedString(text, 0);
    for (auto _ : state) {
        for (const AttributedString& text : texts) benchmark::DoNotOptimize(measurer.sizeForAttributedString(text, 0));
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * texts.size()));
}
BENCHMARK(BM_MeasureTopicTextsOneByOne)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

// The texts as one batch, none of them seen before, as loading a map measures them.
void BM_MeasureTopicTextsInBatch(benchmark::State& state)
{
    const std::vector<AttributedString>& texts = topicTexts(state.range(0));
    std::vector<const AttributedString*> batch;
    for (const AttributedString& text : texts) batch.push_back(&text);
    PangoTextMeasurer measurer;
    // The threads start and load their fonts once per process.
    measurer.sizesForAttributedStrings(batch);
    double processCpu = 0;
    for (auto _ : state) {
        state.PauseTiming();
        measurer.forgetSizes();
        const double before = processCpuMilliseconds();
        state.ResumeTiming();
        benchmark::DoNotOptimize(measurer.sizesForAttributedStrings(batch));
        state.PauseTiming();
        processCpu += processCpuMilliseconds() - before;
        state.ResumeTiming();
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * texts.size()));
    // All threads together: on a machine whose cores are busy with other work the batch can
    // finish no sooner than this divided by the cores it gets.
    state.counters["cpu_ms_all_threads"] = processCpu / static_cast<double>(state.iterations());
}
BENCHMARK(BM_MeasureTopicTextsInBatch)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

std::shared_ptr<CustomImageStore> importStore()
{
    static auto store = std::make_shared<CustomImageStore>();
    return store;
}

// The measurer laying a batch out text after text on the calling thread, as before batches.
class SequentialPangoMeasurer : public PangoTextMeasurer {
public:
    std::vector<Size> sizesForAttributedStrings(const std::vector<const AttributedString*>& texts,
                                                double wrapWidth) override
    {
        return TextMeasurer::sizesForAttributedStrings(texts, wrapWidth);
    }
};

// Opening the 10,000-topic map exported as FreeMind or OPML, with a measurer that has seen none of
// its texts, as in a process that has just started: with argument 0 text after text, with 1 in
// one batch on several threads.
void importBenchmark(benchmark::State& state, MindMapData (*exporter)(MindMap&), MindMapReadFormat format)
{
    registerForeignFormats();
    MindMap source(importStore());
    BenchMaps::buildRichMap(source);
    const MindMapData data = exporter(source);
    size_t topics = 0;
    for (auto _ : state) {
        state.PauseTiming();
        std::unique_ptr<PangoTextMeasurer> measurer;
        if (state.range(0) == 0) measurer = std::make_unique<SequentialPangoMeasurer>();
        else measurer = std::make_unique<PangoTextMeasurer>();
        // The fonts themselves are loaded once per process, not per map.
        measurer->sizeForText("Wyg", Font());
        TextMeasurer::setShared(measurer.get());
        auto map = std::make_unique<MindMap>(importStore());
        state.ResumeTiming();
        const bool read = map->readFromData(data, "", static_cast<int32_t>(format));
        benchmark::DoNotOptimize(read);
        topics = map->nodes().size();
        state.PauseTiming();
        map.reset();
        TextMeasurer::setShared(nullptr);
        measurer.reset();
        state.ResumeTiming();
    }
    state.counters["topics"] = static_cast<double>(topics);
}

void BM_ImportFreemindMeasuringAnew(benchmark::State& state)
{
    importBenchmark(state, &MindMapConverter::exportToFreemind, MindMapReadFormat::FreeMind);
}
BENCHMARK(BM_ImportFreemindMeasuringAnew)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ImportOpmlMeasuringAnew(benchmark::State& state)
{
    importBenchmark(state, &MindMapConverter::exportToOpml, MindMapReadFormat::Opml);
}
BENCHMARK(BM_ImportOpmlMeasuringAnew)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

namespace {

// Opening the 10,000-topic FreeMind file as the application opens one named on its command line:
// read, measured by a measurer that has seen none of its texts, its topics wrapped and laid out
// (whole process, bench/startup.sh: within 0.25 s to the first frame).
void BM_OpenFreemindFileMeasuringAnew(benchmark::State& state)
{
    const std::string xml = FreemindMaps::document(10000);
    const MindMapData data(xml.begin(), xml.end());
    registerForeignFormats();
    size_t topics = 0;
    for (auto _ : state) {
        state.PauseTiming();
        auto measurer = std::make_unique<PangoTextMeasurer>();
        measurer->sizeForText("Wyg", Font());
        TextMeasurer::setShared(measurer.get());
        auto map = std::make_unique<MindMap>(importStore());
        installLayout();
        state.ResumeTiming();
        const bool read = map->readFromData(data, "", static_cast<int32_t>(MindMapReadFormat::FreeMind));
        map->validateElementStates();
        benchmark::DoNotOptimize(read);
        topics = map->nodes().size();
        state.PauseTiming();
        MapLayouter::install(nullptr);
        map.reset();
        TextMeasurer::setShared(nullptr);
        measurer.reset();
        state.ResumeTiming();
    }
    state.counters["topics"] = static_cast<double>(topics);
}
BENCHMARK(BM_OpenFreemindFileMeasuringAnew)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
