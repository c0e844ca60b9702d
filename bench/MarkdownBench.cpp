#include "MindMaps/MarkdownSpanParser.h"

#include <benchmark/benchmark.h>

#include <string>

namespace {

// About 2,000 characters with spans of every kind, as a long note-like topic text would have.
std::string markedUpText()
{
    const std::string pieces[] = {
        "plain words and ", "*bold* ",  "_italic_ ", "~underlined~ ", "~~struck~~ ",
        "x^^2^^ ",          "H,,2,,O ", "_*both*_ ", "2 * 3 ",        "caf\xC3\xA9 \xF0\x9F\x98\x80 "};
    std::string text;
    for (size_t i = 0; text.size() < 2000; ++i) text += pieces[i % std::size(pieces)];
    return text;
}

void BM_MarkdownToAttributedString(benchmark::State& state)
{
    const std::string text = markedUpText();
    const Font font("Helvetica", 12);
    for (auto _ : state) {
        AttributedString result = MarkdownSpanParser::markdownToAttributedString(text, font, 8);
        benchmark::DoNotOptimize(result);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(text.size()));
}
BENCHMARK(BM_MarkdownToAttributedString);

void BM_MarkdownFilteredString(benchmark::State& state)
{
    const std::string text = markedUpText();
    for (auto _ : state) {
        std::string result = MarkdownSpanParser::markdownFilteredString(text);
        benchmark::DoNotOptimize(result);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(text.size()));
}
BENCHMARK(BM_MarkdownFilteredString);

} // namespace
