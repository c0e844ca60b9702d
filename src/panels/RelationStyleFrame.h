#pragma once

#include "platform/Color.h"

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

class MindMapStyle;
class RelationStyle;

// The controls of a relation style (a parent line or a cross link), each with its "custom" box,
// and optionally the map-wide connection style. The owner reads the controls when it commits; the
// frame reports nothing but redraws its widgets through controlsChanged.
class RelationStyleFrame {
public:
    static constexpr const char* LineStyleCheckKey = "rel_style_frame_line_style";
    static constexpr const char* LineWidthCheckKey = "rel_style_frame_line_width";
    static constexpr const char* PathStyleCheckKey = "rel_style_frame_path_style";
    static constexpr const char* SourceArrowCheckKey = "rel_style_frame_source_arrow";
    static constexpr const char* TargetArrowCheckKey = "rel_style_frame_target_arrow";
    static constexpr const char* ColorCheckKey = "relation_style_custom_color";
    static constexpr const char* ConnectionStyleCheckKey = "relation_style_custom_connection_style";
    static constexpr std::array<const char*, 3> ConnectionStyleKeys{
        "relations_center_connected", "relations_baseline_connected", "relations_left_right_connected"};

    enum class Check { LineStyle, LineWidth, PathStyle, SourceArrow, TargetArrow, Color, ConnectionStyle };

    void loadFromRelationStyle(const RelationStyle& style);
    void commitToRelationStyle(RelationStyle& style) const;
    // The style that carries the connection style (a map style or a style sheet).
    void loadConnectionStyle(const MindMapStyle& style);
    void commitConnectionStyle(MindMapStyle& style) const;
    // Drops the connection style controls: loading and committing it do nothing afterwards.
    void hideConnectionStyle();
    bool connectionStyleHidden() const { return _connectionStyleHidden; }

    void lineStyleSelected(int32_t lineStyle);
    // The label always follows the slider; the box only outside a load.
    void lineWidthSelected(double width);
    void pathStyleSelected(int32_t pathStyle);
    void sourceArrowStyleSelected(int32_t arrow);
    void targetArrowStyleSelected(int32_t arrow);
    void colorSelected(const Color& color);
    void connectionStyleChanged(int32_t connectionStyle);
    void checkBoxClicked(Check check, bool on);

    bool isChecked(Check check) const { return _checks.at(static_cast<size_t>(check)); }
    void setCheckBox(Check check, bool checked);

    std::optional<int32_t> lineStyle() const { return _lineStyle; }
    double lineWidth() const { return _lineWidth; }
    const std::string& lineWidthLabel() const { return _lineWidthLabel; }
    std::optional<int32_t> pathStyle() const { return _pathStyle; }
    std::optional<int32_t> sourceArrow() const { return _sourceArrow; }
    std::optional<int32_t> targetArrow() const { return _targetArrow; }
    const Color& color() const { return _color; }
    std::optional<int32_t> connectionStyle() const { return _connectionStyle; }
    bool loading() const { return _loading; }

    void setControlsChangedHandler(std::function<void()> handler) { _controlsChangedHandler = std::move(handler); }

private:
    void userPicked(Check check);
    void controlsChanged() const;

    bool _loading = false;
    std::array<bool, 7> _checks{};
    std::optional<int32_t> _lineStyle;
    double _lineWidth = 1.0;
    std::string _lineWidthLabel = "1.0";
    std::optional<int32_t> _pathStyle;
    std::optional<int32_t> _sourceArrow;
    std::optional<int32_t> _targetArrow;
    Color _color = Color(1.0 / 3, 1.0 / 3, 1.0 / 3);
    std::optional<int32_t> _connectionStyle;
    bool _connectionStyleHidden = false;
    std::function<void()> _controlsChangedHandler;
};
