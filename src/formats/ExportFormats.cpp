#include "formats/ExportFormats.h"

#include "MindMaps/MindMapFormats.h"
#include "Utils/StringUtils.h"

#include <array>

namespace {

constexpr std::array<std::string_view, 9> ExportExtensions = {"twkx", "pdf", "png",  "tiff", "eps",
                                                              "html", "txt", "opml", "mm"};

constexpr double ExportImageMargin = 30.0;

bool isSetBit(int32_t code)
{
    return code >= 0 && code < static_cast<int32_t>(sizeof(ExportFormatSet) * 8);
}

} // namespace

std::string ExportFormatExtension(int32_t code)
{
    if (code < 0 || code >= static_cast<int32_t>(ExportExtensions.size())) return {};
    return std::string(ExportExtensions[static_cast<size_t>(code)]);
}

std::optional<int32_t> ExportFormatFromExtension(std::string_view extension)
{
    if (extension.empty()) return std::nullopt;
    for (size_t code = 0; code < ExportExtensions.size(); ++code) {
        if (caseInsensitiveEqual(extension, ExportExtensions[code])) return static_cast<int32_t>(code);
    }
    return std::nullopt;
}

int32_t ImportFormatFromExtension(std::string_view extension)
{
    if (caseInsensitiveEqual(extension, "mm")) return ImportFormatFreeMind;
    if (caseInsensitiveEqual(extension, "opml")) return ImportFormatOpml;
    if (caseInsensitiveEqual(extension, "pdf")) return ImportFormatPdfBookmarks;
    if (caseInsensitiveEqual(extension, "txt")) return ImportFormatPlainText;
    return ImportFormatNone;
}

ExportFormatSet AddExportFormatToSet(ExportFormatSet set, int32_t code)
{
    if (!isSetBit(code)) return set;
    return set | (ExportFormatSet(1) << code);
}

bool IsExportFormatInSet(ExportFormatSet set, int32_t code)
{
    return isSetBit(code) && (set & (ExportFormatSet(1) << code)) != 0;
}

bool IsBitmapExportFormat(int32_t code)
{
    return code == int32_t(MindMapExportFormat::Png) || code == int32_t(MindMapExportFormat::Tiff);
}

bool ExportFormatSupportsSelection(int32_t code)
{
    return code >= int32_t(MindMapExportFormat::Pdf) && code <= int32_t(MindMapExportFormat::PlainText);
}

Rect ExportImageMarginRect(const Rect& rect)
{
    return insetRect(rect, -ExportImageMargin, -ExportImageMargin);
}
