#include "FuzzHome.h"

#include "formats/ExportFormats.h"
#include "formats/MindMapFormatDetector.h"
#include "formats/XmlFirstElement.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <string_view>

// Detects the format of arbitrary bytes, and looks them up as file extensions.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::span<const uint8_t> bytes(data, size);
    MindMapFormatDetector detector;
    const int32_t format = detector.detectMindMapFormat(bytes);
    if (format < 0 || format > 5 || format != detector.format()) std::abort();

    // A first element, when there is one, has a name.
    if (const auto name = firstXmlElementName(bytes)) {
        if (name->empty()) std::abort();
    }

    const std::string_view text(reinterpret_cast<const char*>(data), size);
    if (const auto code = ExportFormatFromExtension(text)) {
        if (*code < 0 || *code > 8 || ExportFormatExtension(*code).size() != size) std::abort();
    }
    const int32_t import = ImportFormatFromExtension(text);
    if (import != 0 && (import < 4 || import > 7)) std::abort();
    return 0;
}
