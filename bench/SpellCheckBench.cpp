#include "BenchMaps.h"
#include "MindMaps/CompositeElement.h"
#include "editor-view/MindMapSpellChecker.h"
#include "editor-view/gtk/GspellSpellingService.h"

#include <benchmark/benchmark.h>
#include <glib.h>
#include <gtk/gtk.h>

#include <memory>

namespace {

// The rich benchmark map with whole dictionary words everywhere (its random texts are cut off
// inside words), so that the only misspelling is the one a benchmark plants.
struct SpellingMap {
    SpellingMap()
    {
        // The dictionary accepts the program's own name; without one it complains.
        if (!g_get_prgname()) g_set_prgname("tarnwick");
        BenchMaps::buildRichMap(map);
        std::mt19937 random(7);
        static const char* words[] = {"plan",   "budget", "review", "idea", "task",   "goal",   "risk", "team",
                                      "launch", "draft",  "notes",  "open", "market", "design", "test"};
        std::uniform_int_distribution<size_t> pick(0, std::size(words) - 1);
        auto sentence = [&] {
            std::string text;
            for (int i = 0; i < 4; ++i) text += std::string(i ? " " : "") + words[pick(random)];
            return text;
        };
        MindMapSpellChecker walker(&map, service);
        elements = walker.collectElements();
        for (MindMapElement* element : elements) {
            if (auto* node = dynamic_cast<MindMapNode*>(element)) node->setText(sentence());
            if (auto* text = dynamic_cast<MindMapText*>(element)) text->setText(sentence());
        }
    }
    MindMap map;
    GspellSpellingService service;
    std::vector<MindMapElement*> elements;
};

SpellingMap& spellingMap()
{
    static SpellingMap shared;
    return shared;
}

void BM_SpellCheckFindNextFiveThousandTopicsOn(benchmark::State& state)
{
    SpellingMap& fixture = spellingMap();
    if (!fixture.service.hasDictionary()) {
        state.SkipWithError("no spelling dictionary installed");
        return;
    }
    MindMapNode* target = nullptr;
    size_t topics = 0;
    for (MindMapElement* element : fixture.elements) {
        auto* node = dynamic_cast<MindMapNode*>(element);
        if (node && ++topics == 5000) target = node;
    }
    if (!target) {
        state.SkipWithError("the map has fewer than 5000 topics");
        return;
    }
    const std::string original = target->text();
    target->setText(original + " qzxvbnt");
    MindMapSpellChecker checker(&fixture.map, fixture.service);
    for (auto _ : state) {
        std::optional<std::string> found = checker.checkSpelling();
        if (!found) state.SkipWithError("the planted word was not found");
        checker.cancelSpellCheck();
    }
    target->setText(original);
}
BENCHMARK(BM_SpellCheckFindNextFiveThousandTopicsOn)->Unit(benchmark::kMillisecond);

void BM_SpellCheckCleanRunToComplete(benchmark::State& state)
{
    SpellingMap& fixture = spellingMap();
    if (!fixture.service.hasDictionary()) {
        state.SkipWithError("no spelling dictionary installed");
        return;
    }
    MindMapSpellChecker checker(&fixture.map, fixture.service);
    for (auto _ : state) {
        if (checker.checkSpelling()) state.SkipWithError("the clean map has a misspelling");
    }
}
BENCHMARK(BM_SpellCheckCleanRunToComplete)->Unit(benchmark::kMillisecond);

// The text view of an in-place edit given its spelling checker, as every edit's is, and let go
// when the edit ends. Needs a display (Xvfb).
void BM_SpellCheckInlineViewSetUp(benchmark::State& state)
{
    static const bool display = gtk_init_check(nullptr, nullptr);
    if (!display) {
        state.SkipWithError("no display");
        return;
    }
    if (!spellingMap().service.hasDictionary()) {
        state.SkipWithError("no spelling dictionary installed");
        return;
    }
    for (auto _ : state) {
        GtkWidget* view = g_object_ref_sink(gtk_text_view_new());
        gtk_text_buffer_set_text(gtk_text_view_get_buffer(GTK_TEXT_VIEW(view)), "plan budget", -1);
        attachInlineSpellChecker(GTK_TEXT_VIEW(view));
        g_object_unref(view);
    }
}
BENCHMARK(BM_SpellCheckInlineViewSetUp)->Unit(benchmark::kMicrosecond);

} // namespace
