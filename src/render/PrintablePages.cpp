#include "render/PrintablePages.h"

#include "Utils/AppErrors.h"
#include "platform/CairoGraphicsContext.h"
#include "platform/CairoGuard.h"

#include <cairo-pdf.h>
#include <cairo-ps.h>

#include <algorithm>
#include <new>

namespace {

cairo_status_t appendToVector(void* closure, const unsigned char* bytes, unsigned int length)
{
    try {
        auto* data = static_cast<std::vector<uint8_t>*>(closure);
        data->insert(data->end(), bytes, bytes + length);
    } catch (const std::bad_alloc&) {
        return CAIRO_STATUS_NO_MEMORY;
    }
    return CAIRO_STATUS_SUCCESS;
}

bool fail(Error* error, const std::string& reason)
{
    Error e = MakeAppError(AppErrors::ExportRenderingFailed);
    if (!reason.empty()) e.failureReason = reason;
    return setError(error, e);
}

} // namespace

std::vector<uint8_t> PrintablePages::pdfData(Error* error) const
{
    return vectorData(false, error);
}

std::vector<uint8_t> PrintablePages::epsData(Error* error) const
{
    return vectorData(true, error);
}

std::vector<uint8_t> PrintablePages::vectorData(bool eps, Error* error) const
{
    const Size size = pageSize();
    std::vector<uint8_t> data;
    const CairoSurface surface(
        eps ? cairo_ps_surface_create_for_stream(appendToVector, &data, size.width, size.height)
            : cairo_pdf_surface_create_for_stream(appendToVector, &data, size.width, size.height));
    if (cairo_surface_status(surface.get()) != CAIRO_STATUS_SUCCESS) {
        fail(error, cairo_status_to_string(cairo_surface_status(surface.get())));
        return {};
    }
    if (eps) cairo_ps_surface_set_eps(surface.get(), true);
    else if (!printJobTitle().empty())
        cairo_pdf_surface_set_metadata(surface.get(), CAIRO_PDF_METADATA_TITLE, printJobTitle().c_str());
    const int64_t pages = eps ? std::min<int64_t>(pageCount(), 1) : pageCount();
    bool drawn = true;
    {
        const CairoContext cr(cairo_create(surface.get()));
        CairoGraphicsContext context(cr.get(), eps ? GraphicsSurfaceKind::PostScript : GraphicsSurfaceKind::Pdf);
        for (int64_t page = 0; page < pages && drawn; ++page) {
            drawn = drawPage(context, page);
            cairo_show_page(cr.get());
        }
        if (!drawn) fail(error, context.failureReason());
    }
    cairo_surface_finish(surface.get());
    if (!drawn) return {};
    if (cairo_surface_status(surface.get()) != CAIRO_STATUS_SUCCESS || data.empty()) {
        fail(error, cairo_status_to_string(cairo_surface_status(surface.get())));
        return {};
    }
    return data;
}
