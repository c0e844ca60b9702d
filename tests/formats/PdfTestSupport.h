#pragma once

// PDF files for the bookmark import: outlines made with cairo's outline API, and hand-written
// ones for what cairo would never write (loops, absurd depth, items without any link).

#include <cairo-pdf.h>
#include <cairo.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace pdftest {

using Bytes = std::vector<uint8_t>;

// Draws pages into a PDF made in memory; addOutline is called before the first page so that it
// can add bookmarks (each call to cairo_pdf_surface_add_outline answers the id that children
// name as parent). Each page gets a named destination "page<n>" (n from 1) at its top.
inline Bytes cairoPdf(int pages, const std::function<void(cairo_surface_t*)>& addOutline)
{
    Bytes bytes;
    cairo_surface_t* surface = cairo_pdf_surface_create_for_stream(
        [](void* closure, const unsigned char* data, unsigned int length) {
            auto* out = static_cast<Bytes*>(closure);
            out->insert(out->end(), data, data + length);
            return CAIRO_STATUS_SUCCESS;
        },
        &bytes, 200, 200);
    cairo_t* cr = cairo_create(surface);
    if (addOutline) addOutline(surface);
    for (int page = 1; page <= pages; ++page) {
        const std::string name = "name='page" + std::to_string(page) + "'";
        cairo_tag_begin(cr, CAIRO_TAG_DEST, name.c_str());
        cairo_rectangle(cr, 10, 10, 20, 20);
        cairo_fill(cr);
        cairo_tag_end(cr, CAIRO_TAG_DEST);
        cairo_show_page(cr);
    }
    cairo_destroy(cr);
    cairo_surface_finish(surface);
    const bool failed = cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS;
    cairo_surface_destroy(surface);
    return failed ? Bytes() : bytes;
}

// A PDF of one page from the bodies of its objects, numbered from 1 in order: the catalog must
// be object 1, the page tree 2 and the page 3. Offsets and cross-reference table are computed.
inline Bytes rawPdf(const std::vector<std::string>& objects)
{
    std::string pdf = "%PDF-1.4\n";
    std::vector<size_t> offsets;
    for (size_t i = 0; i < objects.size(); ++i) {
        offsets.push_back(pdf.size());
        pdf += std::to_string(i + 1) + " 0 obj\n" + objects[i] + "\nendobj\n";
    }
    const size_t xref = pdf.size();
    pdf += "xref\n0 " + std::to_string(objects.size() + 1) + "\n0000000000 65535 f \n";
    for (size_t offset : offsets) {
        std::string number = std::to_string(offset);
        pdf += std::string(10 - number.size(), '0') + number + " 00000 n \n";
    }
    pdf += "trailer\n<< /Size " + std::to_string(objects.size() + 1) + " /Root 1 0 R >>\nstartxref\n" +
        std::to_string(xref) + "\n%%EOF\n";
    return Bytes(pdf.begin(), pdf.end());
}

// Catalog, page tree and page of rawPdf, with the outline dictionary as object 4.
inline std::vector<std::string> rawPdfStart(const std::string& outlineDictionary)
{
    return {"<< /Type /Catalog /Pages 2 0 R /Outlines 4 0 R >>", "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
            "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 100 100] >>", outlineDictionary};
}

} // namespace pdftest
