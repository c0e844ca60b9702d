#include "BenchGtk.h"
#include "panels/IconPickerBrowsers.h"
#include "panels/gtk/IconPickerView.h"
#include "platform/Image.h"
#include "platform/UserDefaults.h"
#include "store/CustomImageStore.h"

#include <benchmark/benchmark.h>
#include <cairo.h>
#include <gtkmm.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <string>

namespace {

namespace fs = std::filesystem;

constexpr int OwnIconCount = 1000;

// A store of a thousand different 64-pixel pictures, made once in a folder of its own; the order
// file lies beside it.
struct IconFolder {
    IconFolder()
    {
        char pattern[] = "/tmp/tarnwick-icon-bench-XXXXXX";
        if (!mkdtemp(pattern)) std::abort();
        root = pattern;
        store = std::make_shared<CustomImageStore>(root + "/Custom Icons");
        fs::create_directories(store->imagesDirectory());
        for (int i = 0; i < OwnIconCount; ++i) {
            Image image(64, 64);
            cairo_t* cr = cairo_create(image.surface());
            cairo_set_source_rgb(cr, (i % 10) / 10.0, (i / 10 % 10) / 10.0, (i / 100) / 10.0);
            cairo_arc(cr, 32, 32, 28, 0, 6.3);
            cairo_fill(cr);
            cairo_destroy(cr);
            store->importImage(image, CustomImageBrowserController::imageSizeLimit());
        }
    }
    ~IconFolder()
    {
        std::error_code ignored;
        fs::remove_all(root, ignored);
    }
    std::string root;
    std::shared_ptr<CustomImageStore> store;
};

IconFolder& iconFolder()
{
    static IconFolder folder;
    return folder;
}

// The settings of the bench's own folder for the length of one benchmark; those of whoever ran
// before are given back afterwards.
class SettingsScope {
public:
    explicit SettingsScope(const std::string& root)
    {
        for (const char* name : {"XDG_DATA_HOME", "XDG_CONFIG_HOME"})
            if (const char* value = std::getenv(name)) _saved[name] = value;
        setenv("XDG_DATA_HOME", (root + "/data").c_str(), 1);
        setenv("XDG_CONFIG_HOME", (root + "/config").c_str(), 1);
        UserDefaults::standard().resetForTesting();
    }
    ~SettingsScope()
    {
        for (const char* name : {"XDG_DATA_HOME", "XDG_CONFIG_HOME"}) {
            auto saved = _saved.find(name);
            if (saved != _saved.end()) setenv(name, saved->second.c_str(), 1);
            else unsetenv(name);
        }
        UserDefaults::standard().resetForTesting();
    }

private:
    std::map<std::string, std::string> _saved;
};

void drain()
{
    while (Gtk::Main::events_pending()) Gtk::Main::iteration(false);
}

// The plain list: the store's folder read and merged with the saved order.
void BM_LoadOrderOf1000OwnIcons(benchmark::State& state)
{
    IconFolder& folder = iconFolder();
    for (auto _ : state) {
        CustomImageBrowserController browser(folder.store, folder.root);
        benchmark::DoNotOptimize(browser.numberOfItems());
    }
}
BENCHMARK(BM_LoadOrderOf1000OwnIcons)->Unit(benchmark::kMillisecond);

// The icon tab opening on the user's icons, from nothing to its first frame on the display, in a
// window of the inspector's size: only the cells in view decode their pictures.
void BM_OpenIconTabWith1000OwnIcons(benchmark::State& state)
{
    if (!startGtk()) {
        state.SkipWithError("needs a display");
        return;
    }
    IconFolder& folder = iconFolder();
    SettingsScope settings(folder.root);
    // The tab opens on the user's icons, as it does for a user who left it there.
    UserDefaults::standard().setString(EmbeddedIconPickerController::SelectedTabKey, "myIcons");
    size_t decoded = 0;
    for (auto _ : state) {
        Gtk::Window window;
        window.set_default_size(240, 600);
        auto view = std::make_unique<IconPickerView>(nullptr, folder.store, folder.root);
        window.add(*view);
        bool drawn = false;
        window.signal_draw().connect(
            [&drawn](const Cairo::RefPtr<Cairo::Context>&) {
                drawn = true;
                return false;
            },
            true);
        window.show_all();
        while (!drawn) Gtk::Main::iteration(true);
        drain();
        state.PauseTiming();
        ImageGridView& grid = view->grid(IconPickerView::Tab::MyIcons);
        decoded = 0;
        for (size_t index = 0; index < grid.count(); ++index) decoded += grid.imageMade(index) ? 1 : 0;
        window.remove();
        view.reset();
        drain();
        state.ResumeTiming();
    }
    state.counters["decoded"] = double(decoded);
}
BENCHMARK(BM_OpenIconTabWith1000OwnIcons)->Unit(benchmark::kMillisecond)->Iterations(10);

} // namespace
