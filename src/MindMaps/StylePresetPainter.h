#pragma once

#include "platform/Image.h"

class NodeStyle;
class RelationStyle;
class TextStyle;

// Draws the preview pictures of style presets: each property from the preset's own style when it
// customises it, else from the reference style (nullptr for none). The painting library installs
// its painter at start-up; until then presets keep the picture they have.
class StylePresetPainter {
public:
    virtual ~StylePresetPainter() = default;

    virtual Image textPresetImage(const TextStyle& own, const TextStyle* reference) = 0;
    virtual Image nodePresetImage(const NodeStyle& own, const NodeStyle* reference) = 0;
    virtual Image relationPresetImage(const RelationStyle& own, const RelationStyle* reference) = 0;

    // nullptr while none is installed.
    static StylePresetPainter* installed();
    // Not owned; it must outlive its use. nullptr removes it.
    static void install(StylePresetPainter* painter);
};
