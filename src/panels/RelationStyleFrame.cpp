#include "panels/RelationStyleFrame.h"

#include "MindMaps/MindMapStyle.h"
#include "MindMaps/RelationStyle.h"

#include <cstdio>

namespace {

// The well's colour for a relation style without a colour of its own.
const Color DarkGray(1.0 / 3, 1.0 / 3, 1.0 / 3);

} // namespace

void RelationStyleFrame::controlsChanged() const
{
    if (_controlsChangedHandler) _controlsChangedHandler();
}

void RelationStyleFrame::setCheckBox(Check check, bool checked)
{
    _checks.at(static_cast<size_t>(check)) = checked;
    controlsChanged();
}

void RelationStyleFrame::userPicked(Check check)
{
    if (_loading) return;
    _checks.at(static_cast<size_t>(check)) = true;
    controlsChanged();
}

void RelationStyleFrame::checkBoxClicked(Check check, bool on)
{
    _checks.at(static_cast<size_t>(check)) = on;
}

void RelationStyleFrame::loadFromRelationStyle(const RelationStyle& style)
{
    _loading = true;
    auto& checks = _checks;
    const auto set = [&](Check check, uint64_t mask) {
        checks.at(static_cast<size_t>(check)) = style.isPropCustomized(mask);
    };
    set(Check::SourceArrow, RelationStyle::SourceArrowMask);
    _sourceArrow = style.sourceArrowStyle();
    set(Check::TargetArrow, RelationStyle::TargetArrowMask);
    _targetArrow = style.targetArrowStyle();
    set(Check::PathStyle, RelationStyle::PathStyleMask);
    _pathStyle = style.relationPathStyle();
    set(Check::LineStyle, RelationStyle::LineStyleMask);
    _lineStyle = style.lineStyle();
    set(Check::LineWidth, RelationStyle::LineWidthMask);
    lineWidthSelected(style.lineWidth());
    set(Check::Color, RelationStyle::ColorMask);
    _color = style.color().value_or(DarkGray);
    _loading = false;
    controlsChanged();
}

void RelationStyleFrame::commitToRelationStyle(RelationStyle& style) const
{
    ElementStyle::UpdateGuard batch(style);
    const auto commit = [&](Check check, uint64_t mask, const auto& write) {
        const bool on = isChecked(check);
        style.setPropCustomized(mask, on);
        if (on) write();
    };
    commit(Check::SourceArrow, RelationStyle::SourceArrowMask, [&] {
        if (_sourceArrow) style.setSourceArrowStyle(*_sourceArrow);
    });
    commit(Check::TargetArrow, RelationStyle::TargetArrowMask, [&] {
        if (_targetArrow) style.setTargetArrowStyle(*_targetArrow);
    });
    commit(Check::PathStyle, RelationStyle::PathStyleMask, [&] {
        if (_pathStyle) style.setRelationPathStyle(*_pathStyle);
    });
    commit(Check::LineStyle, RelationStyle::LineStyleMask, [&] {
        if (_lineStyle) style.setLineStyle(*_lineStyle);
    });
    commit(Check::LineWidth, RelationStyle::LineWidthMask, [&] { style.setLineWidth(_lineWidth); });
    commit(Check::Color, RelationStyle::ColorMask, [&] { style.setColor(_color); });
}

void RelationStyleFrame::loadConnectionStyle(const MindMapStyle& style)
{
    if (_connectionStyleHidden) return;
    _loading = true;
    _connectionStyle = style.connectionStyle();
    _checks.at(static_cast<size_t>(Check::ConnectionStyle)) = style.isPropCustomized(MindMapStyle::ConnectionStyleMask);
    _loading = false;
    controlsChanged();
}

void RelationStyleFrame::commitConnectionStyle(MindMapStyle& style) const
{
    if (_connectionStyleHidden || !isChecked(Check::ConnectionStyle)) return;
    ElementStyle::UpdateGuard batch(style);
    style.setPropCustomized(MindMapStyle::ConnectionStyleMask, true);
    if (_connectionStyle) style.setConnectionStyle(*_connectionStyle);
}

void RelationStyleFrame::hideConnectionStyle()
{
    _connectionStyleHidden = true;
    _connectionStyle.reset();
    _checks.at(static_cast<size_t>(Check::ConnectionStyle)) = false;
    controlsChanged();
}

void RelationStyleFrame::lineStyleSelected(int32_t lineStyle)
{
    _lineStyle = lineStyle;
    userPicked(Check::LineStyle);
}

void RelationStyleFrame::lineWidthSelected(double width)
{
    _lineWidth = width;
    char label[32];
    std::snprintf(label, sizeof label, "%.1f", width);
    _lineWidthLabel = label;
    if (_loading) controlsChanged();
    else userPicked(Check::LineWidth);
}

void RelationStyleFrame::pathStyleSelected(int32_t pathStyle)
{
    _pathStyle = pathStyle;
    userPicked(Check::PathStyle);
}

void RelationStyleFrame::sourceArrowStyleSelected(int32_t arrow)
{
    _sourceArrow = arrow;
    userPicked(Check::SourceArrow);
}

void RelationStyleFrame::targetArrowStyleSelected(int32_t arrow)
{
    _targetArrow = arrow;
    userPicked(Check::TargetArrow);
}

void RelationStyleFrame::colorSelected(const Color& color)
{
    _color = color;
    userPicked(Check::Color);
}

void RelationStyleFrame::connectionStyleChanged(int32_t connectionStyle)
{
    if (_connectionStyleHidden) return;
    _connectionStyle = connectionStyle;
    userPicked(Check::ConnectionStyle);
}
