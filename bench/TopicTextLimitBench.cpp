#include "MindMaps/MindMap.h"
#include "MindMaps/MindMapNode.h"
#include "MindMaps/TopicTextLimit.h"
#include "platform/CairoGraphicsContext.h"
#include "platform/CairoGuard.h"
#include "platform/Graphemes.h"
#include "render/MindMapPaintSelection.h"
#include "render/MindMapPainter.h"

#include <benchmark/benchmark.h>

#include <string>

namespace {

// The shapes of a topic text that cost text layout most at a length: a line break after every
// letter (the most lines), words wrapped into a paragraph (the wrap is worked out, then every line
// is shaped), one word that no wrap breaks, and letters that each carry as many marks as one
// character may (the most code points the limit lets in).
enum Shape : int64_t { Lines, Paragraph, Unbroken, Marks };

std::string textOfShape(int64_t shape, size_t characters)
{
    std::string text;
    if (shape == Marks) {
        for (size_t character = 0; character < characters; ++character) {
            text += 'a';
            for (size_t mark = 1; mark < Graphemes::StreamSafeCodePoints; ++mark) text += "\xCC\x81";
        }
        return text;
    }
    text.reserve(characters);
    while (text.size() < characters) {
        if (shape == Lines) text += text.size() % 2 ? '\n' : 'a';
        else if (shape == Paragraph) text += text.size() % 7 == 6 ? ' ' : 'a';
        else text += 'a';
    }
    return text;
}

// A topic given a text at the limit is measured, wrapped as a drop or a new topic's edit wraps it,
// and drawn into a window-sized frame, all as the main thread does after a paste or an edit. Each
// pass changes the text's first letter, so that the measurer's remembered sizes do not answer.
void BM_TopicTextAtLimit(benchmark::State& state)
{
    const int64_t shape = state.range(0);
    std::string text = textOfShape(shape, TopicTextLimit::MaximumCharacters);
    MindMap map;
    map.newMindMap("", false, std::nullopt);
    MindMapNode* theme = map.internalAddCentralTheme("Theme");
    map.validateElementStates();
    const CairoSurface surface(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 1600, 1000));
    size_t pass = 0;
    for (auto _ : state) {
        text[0] = static_cast<char>('b' + pass++ % 20);
        theme->setText(text);
        if (shape != Lines) theme->applyDefaultWrap();
        map.validateElementStates();
        const Rect frame(theme->bounds().origin, Size(1600, 1000));
        const auto selection = MindMapPaintSelection::mindMapPaintSelection(map, false);
        const CairoContext cr(cairo_create(surface.get()));
        CairoGraphicsContext context(cr.get(), GraphicsSurfaceKind::Screen);
        context.concat(AffineTransform::translation(-frame.minX(), -frame.minY()));
        if (!MindMapPainter::paintMindMap(context, *selection, 0, frame)) state.SkipWithError("painting failed");
        cairo_surface_flush(surface.get());
    }
    state.counters["characters"] = double(TopicTextLimit::characterCount(text));
}
BENCHMARK(BM_TopicTextAtLimit)
    ->ArgName("shape")
    ->Arg(Lines)
    ->Arg(Paragraph)
    ->Arg(Unbroken)
    ->Arg(Marks)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5);

} // namespace
