#pragma once

#include "formats/PdfDocumentReader.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

typedef struct _cairo cairo_t;

// The module is built with hidden symbols: the interfaces it shares with the program keep one
// identity (their type information) on both sides.
#define TARNWICK_PDF_SHARED __attribute__((visibility("default")))

// A PDF as the module that reads PDFs sees it. The bytes it was opened from belong to the caller
// and must outlive it.
class TARNWICK_PDF_SHARED PdfEngineDocument {
public:
    virtual ~PdfEngineDocument() = default;
    virtual int pageCount() const = 0;
    virtual std::optional<PdfDocumentReader::PageSize> pageSize(int page) const = 0;
    virtual std::vector<PdfDocumentReader::OutlineItem> outline() const = 0;
};

// Draws a PDF's pages from a copy of the bytes it was opened from.
class TARNWICK_PDF_SHARED PdfPageRenderer {
public:
    virtual ~PdfPageRenderer() = default;
    virtual int pageCount() const = 0;
    // Draws the page (counted from 1) scaled to fill pixelWidth × pixelHeight from the context's
    // origin; a page out of range draws nothing.
    virtual void renderPage(int page, cairo_t* context, double pixelWidth, double pixelHeight) const = 0;
};

// The table the module hands out. The module is built with the program; the version keeps a
// module left over from another build from being called with another layout.
struct PdfEngine {
    static constexpr uint32_t CurrentVersion = 2;
    uint32_t version;
    // Nothing when the bytes are no PDF the library can open.
    std::unique_ptr<PdfEngineDocument> (*openDocument)(const uint8_t* data, size_t size);
    std::unique_ptr<PdfPageRenderer> (*openRenderer)(const uint8_t* data, size_t size);
};

// The module's one exported function.
#define TARNWICK_PDF_ENGINE_ENTRY "tarnwick_pdf_engine"
extern "C" TARNWICK_PDF_SHARED const PdfEngine* tarnwick_pdf_engine();

namespace PdfEngineLoader {

// The module's file name and where the program looks for it: beside the build's programs, then
// where it is installed.
inline constexpr const char* ModuleFileName = "libtarnwick-pdf.so";
std::vector<std::string> modulePaths();

// Loads the first of the paths that is a module of this build; nothing, with the reason in
// error, when none is.
const PdfEngine* load(const std::vector<std::string>& paths, std::string& error);

// The module from modulePaths(), loaded once on first use and kept for the process's lifetime.
const PdfEngine* get();
// Why get() gives nothing; empty when the module loaded.
const std::string& loadError();

} // namespace PdfEngineLoader
