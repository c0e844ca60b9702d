#include "FuzzHome.h"

#include "Editor/EditorWindowController.h"
#include "Editor/WindowFrameDefaults.h"
#include "platform/PropertyList.h"
#include "platform/UserDefaults.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

// The window's sizes, states and frame as a hand-edited defaults file may hold them: whatever the
// values are, a restored frame lies within a work area, a panel's saved frame has a finite place
// and a size that is not empty, and a stored size is a usable number.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size)
{
    const std::optional<PropertyList> list = PropertyList::fromData(PropertyList::Data(bytes, bytes + size));
    if (!list) return 0;
    std::vector<PropertyList> values = {*list};
    if (const PropertyList::Dictionary* dictionary = list->dictionaryValue())
        for (const auto& [key, value] : *dictionary) values.push_back(value);
    const std::vector<WindowFrame> workAreas = {{0, 27, 1920, 1053}, {1920, 0, 1280, 1024}};
    UserDefaults& defaults = UserDefaults::standard();
    // The values only pass through the settings: nothing of them needs to reach the disk.
    defaults.setWriteScheduler([](std::function<void()>) {});
    for (const PropertyList& value : values) {
        if (std::optional<WindowFrame> frame = WindowFrame::fromPropertyList(value)) {
            const WindowFrame placed = WindowFrame::clamp(*frame, workAreas);
            bool inside = false;
            for (const WindowFrame& area : workAreas)
                inside = inside ||
                    (placed.x >= area.x && placed.y >= area.y && placed.x + placed.width <= area.x + area.width &&
                     placed.y + placed.height <= area.y + area.height);
            if (!inside || placed.width <= 0 || placed.height <= 0) std::abort();
        }
        defaults.setObject(EditorWindowController::SideBarWidthKey, value);
        defaults.setObject(EditorWindowController::InspectorActiveTabKey, value);
        defaults.setObject(EditorWindowController::ExplorerClosedKey, value);
        if (std::optional<double> stored =
                EditorWindowController::storedSize(defaults, EditorWindowController::SideBarWidthKey))
            if (!(*stored > 1) || !std::isfinite(*stored)) std::abort();
        if (std::optional<int> tab = EditorWindowController::inspectorTabForIdentifier(defaults))
            if (*tab < 0 || *tab > 2) std::abort();
        (void)EditorWindowController::storedFlag(defaults, EditorWindowController::ExplorerClosedKey);
        defaults.setObject(WindowFrameDefaults::defaultsKey("FuzzPanel"), value);
        if (std::optional<Rect> saved = WindowFrameDefaults::savedFrame("FuzzPanel"))
            if (!std::isfinite(saved->origin.x) || !std::isfinite(saved->origin.y) || !(saved->size.width > 0) ||
                !(saved->size.height > 0) || !std::isfinite(saved->size.width) || !std::isfinite(saved->size.height))
                std::abort();
    }
    return 0;
}
