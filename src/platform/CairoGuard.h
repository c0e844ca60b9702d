#pragma once

#include <cairo.h>

#include <memory>

// Owners of a cairo context or surface: the object is released however the scope is left, an
// early return or an exception included. Only cairo itself is needed, so tools that link nothing
// of ours can use them too.
struct CairoRelease {
    void operator()(cairo_t* cr) const { cairo_destroy(cr); }
    void operator()(cairo_surface_t* surface) const { cairo_surface_destroy(surface); }
};

using CairoContext = std::unique_ptr<cairo_t, CairoRelease>;
using CairoSurface = std::unique_ptr<cairo_surface_t, CairoRelease>;
