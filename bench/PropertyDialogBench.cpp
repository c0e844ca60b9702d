// What the user waits for when opening the topic dialog on the 10,000-topic map: the undo capture
// the dialog takes first, the dialog built and filled, and the main loop run until its first
// frame is drawn. Needs a display (Xvfb).

#include "BenchGtk.h"
#include "BenchMaps.h"

#include "formats/TwkxMindMapReader.h"
#include "panels/NodePropertiesPanelController.h"
#include "panels/gtk/PropertyDialogs.h"
#include "platform/UndoManager.h"
#include "store/CustomImageStore.h"

#include <benchmark/benchmark.h>
#include <gtkmm.h>

#include <chrono>
#include <memory>

namespace {

void BM_TopicDialogFirstFrame(benchmark::State& state)
{
    if (!startGtk()) {
        state.SkipWithError("no display");
        return;
    }
    registerNativeFormat();
    installPropertyDialogs();
    MindMap map(std::make_shared<CustomImageStore>());
    BenchMaps::buildRichMap(map);
    map.validateElementStates();
    map.undoManager()->removeAllActions();
    // A topic with a note and its own style.
    MindMapNode* topic = map.nodes()[35];

    std::chrono::steady_clock::time_point start, drawn;
    setPropertyDialogShownObserver([&drawn](Gtk::Dialog& dialog) {
        auto first = std::make_shared<sigc::connection>();
        *first = dialog.signal_draw().connect(
            [&drawn, &dialog, first](const Cairo::RefPtr<Cairo::Context>&) {
                drawn = std::chrono::steady_clock::now();
                first->disconnect();
                Glib::signal_idle().connect_once([&dialog] { dialog.response(Gtk::RESPONSE_CANCEL); });
                return false;
            },
            true);
    });
    for (auto _ : state) {
        start = std::chrono::steady_clock::now();
        NodePropertiesPanelController::editNodeProperties(topic);
        state.SetIterationTime(std::chrono::duration<double>(drawn - start).count());
    }
    setPropertyDialogShownObserver(nullptr);
    NodePropertiesPanelController::setWindow(nullptr);
}

} // namespace

BENCHMARK(BM_TopicDialogFirstFrame)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(20);
