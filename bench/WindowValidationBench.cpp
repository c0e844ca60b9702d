// The window validates every segment of its toolbar and style toolbar once the main loop is idle
// after each input event and each change of the map, so one pass has to stay far below a frame.
// Goals: one pass over all segments with 1,000 of the 10,000 topics selected takes at most 0.5 ms;
// the whole idle pass, the side bar's and inspector's tab strips and the Dropbox and Google Drive
// strips with it, takes at most 2 ms with one topic selected, so that typing and dragging, which
// ask for a pass each turn of the main loop, stay within a 16 ms frame.

#include "BenchMaps.h"

#include "Editor/CommandRouter.h"
#include "Editor/EditorWindowActions.h"
#include "Editor/SegmentedControlItem.h"
#include "Editor/StyleToolsBuilder.h"
#include "Editor/TwToolbar.h"
#include "MindMaps/MindMap.h"
#include "MindMaps/MindMapCommandValidation.h"
#include "MindMaps/MindMapNode.h"
#include "editor-view/MindMapEditor.h"

#include <benchmark/benchmark.h>

#include <functional>
#include <map>
#include <memory>

// The Dropbox and Google Drive tabs' strips as their explorers validate them; made in a file of
// their own, as the explorers and the editor name their drag operations alike. Adds their segments.
std::function<void()> cloudStripsValidation(size_t& segments);

namespace {

// The document's part of the chain: the map's own commands, enabled as the map says.
class MapDocument : public Responder {
public:
    explicit MapDocument(MindMap& map) : _map(map)
    {
        for (const auto& [action, mapAction] : actions()) addAction(action, [](const ActionSender*) {});
    }
    ItemValidation validateUserInterfaceItem(const ValidatedUserInterfaceItem& item) override
    {
        auto it = actions().find(item.action());
        if (it == actions().end()) return {};
        bool handled = false;
        const bool enabled = _map.validateUserInterfaceItem(it->second, handled);
        return handled ? ItemValidation::enabledIf(enabled) : ItemValidation{};
    }

private:
    static const std::map<std::string, MindMapAction>& actions()
    {
        static const std::map<std::string, MindMapAction> table = {
            {"addChildNode:", MindMapAction::addChildNode},
            {"addSiblingNode:", MindMapAction::addSiblingNode},
            {"addBranchWithPaletteIndex:", MindMapAction::addBranchWithPaletteIndex},
            {"delete:", MindMapAction::delete_},
            {"applyPaletteIndex:", MindMapAction::applyPaletteIndex},
            {"clearPathCustomization:", MindMapAction::clearPathCustomization},
            {"changeLayoutMode:", MindMapAction::changeLayoutMode},
            // The style toolbar's.
            {"changeTextAlignment:", MindMapAction::changeTextAlignment},
            {"changeBorderStyle:", MindMapAction::changeBorderStyle},
            {"changeBorderWidth:", MindMapAction::changeBorderWidth},
            {"changeSourceArrowStyle:", MindMapAction::changeSourceArrowStyle},
            {"changeTargetArrowStyle:", MindMapAction::changeTargetArrowStyle},
            {"changeLineStyle:", MindMapAction::changeLineStyle},
            {"changeLineWidth:", MindMapAction::changeLineWidth},
            {"changePathStyle:", MindMapAction::changePathStyle},
            {"copyStyle:", MindMapAction::copyStyle},
            {"pasteStyle:", MindMapAction::pasteStyle},
            {"clearStyleCustomization:", MindMapAction::clearStyleCustomization},
        };
        return table;
    }
    MindMap& _map;
};

// The window controller's part: the zoom and explorer actions it answers itself, and the
// styling, colour, font and preset actions of the window, validated as the window validates them.
class WindowController : public Responder {
public:
    explicit WindowController(MindMapEditor& editor)
        : _actions(EditorWindowActionsServices{[&editor] { return &editor; }, [] { return true; }})
    {
        for (const char* action : {"zoomFactorSelected:", "toggleMindMapExplorer:"})
            addAction(action, [](const ActionSender*) {});
        _actions.registerActions(
            [this](const std::string& action, ActionHandler handler) { addAction(action, std::move(handler)); });
    }
    ItemValidation validateUserInterfaceItem(const ValidatedUserInterfaceItem& item) override
    {
        return _actions.validate(item).value_or(ItemValidation{});
    }

private:
    EditorWindowActions _actions;
};

struct ValidatedWindow {
    ValidatedWindow() : map(std::make_shared<MindMap>()), controller(editor), document(*map)
    {
        BenchMaps::buildRichMap(*map);
        map->validateElementStates();
        editor.setMindMap(map);
        // As when the user works on the canvas: the map answers for its commands only then.
        editor.setFocused(true);
        const auto& nodes = map->nodes();
        map->setSelectedElement(nodes[0]);
        for (size_t i = 1; i < 1000; ++i) map->toggleSelection(nodes[i * (nodes.size() / 1000)], false);
        CommandRouter::shared().setResponderChain([this] {
            return mainWindowResponderChain({nullptr, &editor, &controller, nullptr, &document});
        });
        TwToolbar::Context context;
        context.controller = &controller;
        context.document = &document;
        toolbar = std::make_unique<TwToolbar>(context);
        toolbar->setItemIdentifiers(TwToolbar::allowedItemIdentifiers());
        StyleToolsOwner owner;
        owner.windowController = &controller;
        owner.document = &document;
        owner.currentMindMap = [this] { return map.get(); };
        styleTools = StyleToolsBuilder::buildStyleTools(owner);
    }
    ~ValidatedWindow()
    {
        CommandRouter::shared().setResponderChain(nullptr);
        editor.setMindMap(nullptr);
    }

    size_t segmentCount() const
    {
        size_t count = 0;
        for (const auto& item : toolbar->items())
            if (item->segmentedItem()) count += item->segmentedItem()->controlItem().segments().size();
        for (const auto& control : styleTools) count += control->segments().size();
        return count;
    }

    // The segments of the toolbar and the style toolbar the last pass enabled.
    size_t enabledCount() const
    {
        size_t enabled = 0;
        for (const auto& item : toolbar->items())
            if (item->segmentedItem()) {
                SegmentedControl& control = item->segmentedItem()->segmentedControl();
                for (size_t i = 0; i < control.segmentCount(); ++i) enabled += control.isEnabled(i);
            }
        for (const auto& control : styleTools)
            for (size_t i = 0; i < control->segmentedControl().segmentCount(); ++i)
                enabled += control->segmentedControl().isEnabled(i);
        return enabled;
    }

    std::shared_ptr<MindMap> map;
    MindMapEditor editor;
    WindowController controller;
    MapDocument document;
    std::unique_ptr<TwToolbar> toolbar;
    std::vector<std::shared_ptr<SegmentedControlItem>> styleTools;
};

void BM_WindowValidationPass(benchmark::State& state)
{
    ValidatedWindow window;
    for (auto _ : state) {
        window.toolbar->validate();
        for (const auto& control : window.styleTools) control->validate();
    }
    state.counters["segments"] = static_cast<double>(window.segmentCount());
    state.counters["enabled"] = static_cast<double>(window.enabledCount());
    state.counters["selected"] = static_cast<double>(window.map->selection().size());
}
BENCHMARK(BM_WindowValidationPass)->Unit(benchmark::kMicrosecond);

// A tab strip of the window: segments that only switch tabs.
std::unique_ptr<SegmentedControlItem> tabStrip(Responder& target, const char* action, size_t tabs)
{
    std::vector<std::shared_ptr<ToolbarSegment>> segments;
    for (size_t tab = 0; tab < tabs; ++tab) segments.push_back(ToolbarSegment::toolbarSegment("", &target, action, ""));
    return std::make_unique<SegmentedControlItem>(std::move(segments));
}

// The idle pass as the window runs it, over every bar it shows: the toolbar with every item, the
// style toolbar, the side bar's and the inspector's tabs and the cloud tabs' strips, with one topic
// of the 10,000 selected.
void BM_WindowIdlePassOneTopicSelected(benchmark::State& state)
{
    ValidatedWindow window;
    window.map->setSelectedElement(window.map->nodes()[window.map->nodes().size() / 2]);
    class Tabs : public Responder {
    public:
        Tabs()
        {
            addAction("explorerSegmentsChanged:", [](const ActionSender*) {});
            addAction("inspectorSegmentsChanged:", [](const ActionSender*) {});
        }
    } tabs;
    std::unique_ptr<SegmentedControlItem> sideBarTabs = tabStrip(tabs, "explorerSegmentsChanged:", 4);
    std::unique_ptr<SegmentedControlItem> inspectorTabs = tabStrip(tabs, "inspectorSegmentsChanged:", 3);
    size_t segments = window.segmentCount() + sideBarTabs->segments().size() + inspectorTabs->segments().size();
    const std::function<void()> validateCloudStrips = cloudStripsValidation(segments);

    for (auto _ : state) {
        window.toolbar->validate();
        for (const auto& control : window.styleTools) control->validate();
        sideBarTabs->validate();
        inspectorTabs->validate();
        validateCloudStrips();
    }
    state.counters["segments"] = static_cast<double>(segments);
    state.counters["enabled"] = static_cast<double>(window.enabledCount());
    state.counters["selected"] = static_cast<double>(window.map->selection().size());
}
BENCHMARK(BM_WindowIdlePassOneTopicSelected)->Unit(benchmark::kMicrosecond);

} // namespace
