#pragma once

#include "panels/RelationStyleFrame.h"
#include "panels/TextStyleFrame.h"
#include "platform/Color.h"

#include <array>
#include <cstdint>
#include <functional>

class MindMap;
class MindMapStyle;

// The first tab of the map style dialog: auto numbering and the map's background and checkbox
// colours, each colour with its "custom" box.
class MapStyleFrame {
public:
    static constexpr const char* AutoNumberingLabelKey = "global_style_options_auto_number_style";
    static constexpr std::array<const char*, 3> AutoNumberingKeys{
        "auto_number_style_disabled", "auto_number_style_inside", "auto_number_style_below"};
    static constexpr const char* BackgroundColorCheckKey = "map_style_custom_background_color";
    static constexpr const char* CheckboxColorCheckKey = "map_style_custom_checkbox_color";

    enum class Check { BackgroundColor, CheckboxColor };

    void loadMindMapStyle(const MindMap& mindMap);
    void commitMindMapStyle(MindMapStyle& style) const;

    // 0 none, 1 inside the topic, 2 below it.
    int32_t autoNumberingStyle() const { return _autoNumberingStyle; }
    void setAutoNumberingStyle(int32_t style);

    // The wells' actions: a colour chosen outside a load ticks its box.
    void backgroundColorSelected(const Color& color);
    void checkboxColorSelected(const Color& color);

    bool isChecked(Check check) const { return _checks.at(static_cast<size_t>(check)); }
    void setCheckBox(Check check, bool checked);
    const Color& backgroundColor() const { return _backgroundColor; }
    const Color& checkboxColor() const { return _checkboxColor; }
    bool loading() const { return _loading; }

    void setControlsChangedHandler(std::function<void()> handler) { _controlsChangedHandler = std::move(handler); }

private:
    void controlsChanged() const;

    bool _loading = false;
    int32_t _autoNumberingStyle = 0;
    std::array<bool, 2> _checks{};
    Color _backgroundColor = Color::white();
    Color _checkboxColor = Color::white();
    std::function<void()> _controlsChangedHandler;
};

// The map style dialog: the map's auto numbering, colours and the map-wide styles of topics,
// parent relations, cross links and free texts, in five tabs. OK and Apply each write the
// settings as one undo step, and only when they differ from the map's; Cancel keeps what Apply
// wrote.
class MapStyleController {
public:
    static constexpr const char* TitleKey = "map_style_dialog_title";
    static constexpr const char* MessageKey = "map_style_dialog_message";
    static constexpr std::array<const char*, 5> TabKeys{"mindmap_mindmap", "map_style_topics_style",
                                                        "map_style_parent_relations_style", "map_style_crosslinks",
                                                        "map_style_labels_style"};
    static constexpr const char* ApplyKey = "custom_license_dialog_apply";
    static constexpr const char* CancelKey = "cancel_button_title";
    static constexpr const char* OkKey = "ok_button_title";

    // Shows the dialog over a loaded controller and answers its modal result: OK 1000, closed
    // -1000. Apply reaches the controller's applyButtonClicked while the dialog stays open.
    using Window = std::function<int(MapStyleController& controller)>;
    static void setWindow(Window window);

    // Runs the dialog for the map; true when it ended with OK.
    static bool editMindMapStyle(MindMap* mindMap);

    MapStyleController();

    void loadFromMindMap(MindMap& mindMap);
    // Writes the settings into the map as one undo step; false when they equal the map's already.
    bool commitToMindMap(MindMap& mindMap) const;
    // Commits into the loaded map, unless its content was replaced since it was loaded.
    bool applyButtonClicked();
    // The loaded map, while its content is the one the dialog was filled from.
    MindMap* liveMindMap() const;

    MapStyleFrame& mapStyleFrame() { return _mapStyleFrame; }
    NodeStyleFrame& nodeStyleFrame() { return _nodeStyleFrame; }
    RelationStyleFrame& parentStyleFrame() { return _parentStyleFrame; }
    RelationStyleFrame& crossLinkFrame() { return _crossLinkFrame; }
    TextStyleFrame& textStyleFrame() { return _textStyleFrame; }

private:
    MindMap* _mindMap = nullptr;
    uint64_t _generation = 0;
    MapStyleFrame _mapStyleFrame;
    NodeStyleFrame _nodeStyleFrame;
    RelationStyleFrame _parentStyleFrame;
    RelationStyleFrame _crossLinkFrame;
    TextStyleFrame _textStyleFrame;
};
