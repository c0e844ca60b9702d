#pragma once

#include "platform/Error.h"
#include "platform/Geometry.h"

#include <cstdint>
#include <string>
#include <vector>

class GraphicsContext;

// A document of equal pages that prints and saves as PDF: the map over sheets, the outline as
// text. Pages are drawn one at a time, each in its own coordinates (points, y down, origin at the
// sheet's top left), so that a print job may ask for any of them in any order.
class PrintablePages {
public:
    virtual ~PrintablePages() = default;

    virtual int64_t pageCount() const = 0;
    // The sheet as printed, turned when the pages are landscape.
    virtual Size pageSize() const = 0;
    // False when the context has failed.
    virtual bool drawPage(GraphicsContext& context, int64_t pageIndex) const = 0;
    virtual const std::string& printJobTitle() const = 0;
    // False once what the pages show is gone from the map they were made of (the map was closed
    // or read anew); pages that hold copies of what they show stay current.
    virtual bool isCurrent() const { return true; }

    // Every page into one PDF document; empty with the cause in the error when drawing or writing
    // failed.
    std::vector<uint8_t> pdfData(Error* error = nullptr) const;
    // The first page as encapsulated PostScript, which holds one page only.
    std::vector<uint8_t> epsData(Error* error = nullptr) const;

private:
    std::vector<uint8_t> vectorData(bool eps, Error* error) const;
};
