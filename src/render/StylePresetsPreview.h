#pragma once

#include "MindMaps/StylePresetPainter.h"

// The 40 x 40 preview pictures of the style presets, drawn with cairo and Pango.
class StylePresetsPreview : public StylePresetPainter {
public:
    Image textPresetImage(const TextStyle& own, const TextStyle* reference) override;
    Image nodePresetImage(const NodeStyle& own, const NodeStyle* reference) override;
    Image relationPresetImage(const RelationStyle& own, const RelationStyle* reference) override;
};
