#include "FuzzHome.h"

#include "MindMaps/CustomColorScheme.h"
#include "MindMaps/CustomStyleSheet.h"
#include "formats/TwkxMindMapReader.h"
#include "formats/XmlAttributeHelpers.h"

#include <pugixml.hpp>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

std::string written(const CustomStyleSheet& sheet)
{
    pugi::xml_document document;
    sheet.saveToXmlElement(document.append_child(CustomStyleSheet::RootElementName));
    std::string text;
    XmlStringWriter writer(text);
    document.save(writer, "", pugi::format_raw, pugi::encoding_utf8);
    return text;
}

} // namespace

// Reads arbitrary bytes as a custom style file. Whatever reads must write a file that reads back
// into a sheet that writes the very same file.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // The sheets read and write through the native format's style elements.
    static const bool registered = (registerNativeFormat(), true);
    (void)registered;
    CustomStyleSheet::parseTimestamp(std::string(reinterpret_cast<const char*>(data), size));

    pugi::xml_document document;
    if (!document.load_buffer(data, size, pugi::parse_default | pugi::parse_ws_pcdata, pugi::encoding_auto)) return 0;
    pugi::xml_node root = document.document_element();
    if (std::string(root.name()) != CustomStyleSheet::RootElementName) return 0;

    CustomStyleSheet sheet;
    sheet.loadFromXmlElement(root);
    const std::string first = written(sheet);

    pugi::xml_document again;
    if (!again.load_string(first.c_str())) std::abort();
    CustomStyleSheet copy;
    copy.loadFromXmlElement(again.document_element());
    if (written(copy) != first) std::abort();
    if (copy.customColors().paletteCount() != sheet.customColors().paletteCount()) std::abort();
    return 0;
}
