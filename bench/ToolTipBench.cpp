// What the user waits for when pointing at a topic whose note is as long as a note may grow
// (100,000 characters) in short lines: the canvas asked for the topic's tool tip, and the text laid
// out and drawn as GTK's tool tip window does it (a label that wraps at 70 characters), until its
// first frame. Needs a display (Xvfb).

#include "BenchGtk.h"
#include "MindMaps/MindMap.h"
#include "MindMaps/MindMapNode.h"
#include "editor-view/MindMapEditor.h"

#include "ScreenSurface.h"

#include <benchmark/benchmark.h>
#include <gtkmm.h>

#include <chrono>
#include <memory>
#include <string>

namespace {

constexpr size_t NoteCharacters = 100000;
constexpr Size CanvasSize{1280, 800};

// Lines of ten characters, as a pasted list of words or numbers has.
std::string shortLines(size_t characters)
{
    std::string text;
    text.reserve(characters);
    for (size_t line = 0; text.size() < characters; ++line) {
        std::string entry = "item " + std::to_string(line);
        entry.resize(9, ' ');
        text += entry + "\n";
    }
    text.resize(characters);
    return text;
}

void BM_LongNoteToolTipShown(benchmark::State& state)
{
    if (!startGtk()) {
        state.SkipWithError("no display");
        return;
    }
    auto map = std::make_shared<MindMap>();
    map->newMindMap("", false, std::nullopt);
    MindMapNode* theme = map->internalAddCentralTheme("Theme");
    theme->setNote(shortLines(NoteCharacters));
    map->validateElementStates();

    MindMapEditor view;
    view.setFrameSize(CanvasSize);
    view.setMindMap(map);
    view.scrollMapPointToCenter(theme->location());
    // The canvas learns where its tool tips are as it draws.
    ScreenSurface surface(CanvasSize);
    surface.paint(view);
    const Rect bounds = view.mapRectToViewRect(theme->bounds());
    const Point pointer{bounds.midX(), bounds.midY()};
    if (!view.toolTipAt(pointer)) {
        state.SkipWithError("the topic has no tool tip");
        return;
    }

    Gtk::Window tip(Gtk::WINDOW_POPUP);
    tip.set_type_hint(Gdk::WINDOW_TYPE_HINT_TOOLTIP);
    Gtk::Label label;
    label.set_line_wrap(true);
    label.set_max_width_chars(70);
    label.set_xalign(0);
    tip.add(label);
    label.show();
    std::chrono::steady_clock::time_point drawn;
    bool painted = false;
    tip.signal_draw().connect(
        [&](const Cairo::RefPtr<Cairo::Context>&) {
            drawn = std::chrono::steady_clock::now();
            painted = true;
            return false;
        },
        true);
    size_t shownCharacters = 0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        const std::optional<std::string> text = view.toolTipAt(pointer);
        shownCharacters = text ? text->size() : 0;
        label.set_text(text ? *text : std::string());
        painted = false;
        tip.show();
        while (!painted) Gtk::Main::iteration(true);
        state.SetIterationTime(std::chrono::duration<double>(drawn - start).count());
        tip.hide();
        while (Gtk::Main::events_pending()) Gtk::Main::iteration(false);
    }
    state.counters["shown_bytes"] = double(shownCharacters);
    view.setMindMap(nullptr);
}

} // namespace

BENCHMARK(BM_LongNoteToolTipShown)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);
