#include "MindMaps/MindMap.h"
#include "MindMaps/MindMapNode.h"

#include <benchmark/benchmark.h>

#include <string>

namespace {

constexpr size_t TextBytes = 64 * 1024;

// "_a_a_a…": every other letter in italics, one span per two letters, the worst a topic text
// of this size can ask of the markup and of text layout.
std::string alternatingEmphasis(size_t bytes, const std::string& letter)
{
    std::string text;
    text.reserve(bytes + letter.size() + 1);
    while (text.size() + 1 + letter.size() <= bytes) text += "_" + letter;
    return text;
}

// A topic given such a text is parsed, styled and measured with the real text measurer, as when
// a map holding it is opened. Each pass ends the text differently, so that the measurer's cache
// of sizes does not answer in its place.
void openTopicWithText(benchmark::State& state, const std::string& letter)
{
    const std::string text = alternatingEmphasis(TextBytes, letter);
    MindMap map;
    map.newMindMap("", false, std::nullopt);
    MindMapNode* theme = map.internalAddCentralTheme("Theme");
    theme->validateNodeState();
    size_t pass = 0;
    for (auto _ : state) {
        theme->setText(text + std::to_string(pass++));
        theme->validateNodeState();
        benchmark::DoNotOptimize(theme->textSize());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}

void BM_AlternatingEmphasisOpens(benchmark::State& state)
{
    openTopicWithText(state, "a");
}
BENCHMARK(BM_AlternatingEmphasisOpens)->Unit(benchmark::kMillisecond)->Iterations(10);

// Characters outside the Basic Multilingual Plane take two positions that no span may part.
void BM_AlternatingEmphasisOfEmojiOpens(benchmark::State& state)
{
    openTopicWithText(state, "\xF0\x9F\x98\x80");
}
BENCHMARK(BM_AlternatingEmphasisOfEmojiOpens)->Unit(benchmark::kMillisecond)->Iterations(10);

} // namespace
