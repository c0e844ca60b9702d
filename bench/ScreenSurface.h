#pragma once

#include "editor-view/MindMapEditor.h"
#include "platform/CairoGraphicsContext.h"
#include "platform/CairoGuard.h"
#include "platform/Image.h"

// What a canvas benchmark paints into: an image of the canvas's size, drawn on as the window's
// surface is drawn on (the screen's kind, so that the canvas keeps its pictures as on screen).
struct ScreenSurface {
    explicit ScreenSurface(Size canvasSize)
        : size(canvasSize),
          image(int(size.width), int(size.height)),
          cairo(cairo_create(image.surface())),
          context(cairo.get(), GraphicsSurfaceKind::Screen)
    {
    }

    Rect bounds() const { return {0, 0, size.width, size.height}; }

    // The whole canvas, as the window paints it after a change of the map.
    void paint(MindMapEditor& view) { view.draw(context, bounds()); }

    // Only what lies under the rectangle, as the toolkit repaints what the editor said it changed.
    void paint(MindMapEditor& view, const Rect& dirty)
    {
        cairo_save(cairo.get());
        cairo_rectangle(cairo.get(), dirty.minX(), dirty.minY(), dirty.width(), dirty.height());
        cairo_clip(cairo.get());
        view.draw(context, dirty);
        cairo_restore(cairo.get());
    }

    Size size;
    Image image;
    CairoContext cairo;
    CairoGraphicsContext context;
};
