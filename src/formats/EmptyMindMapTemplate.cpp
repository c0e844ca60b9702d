#include "formats/EmptyMindMapTemplate.h"

#include "formats/TwkxMindMapWriter.h"
#include "formats/XmlAttributeHelpers.h"
#include "platform/FileUtils.h"
#include "platform/Folders.h"

#include <pugixml.hpp>

namespace {

constexpr const char* TemplateResource = "templates/empty-mindmap.xml";

// The installed template, for an installation that lacks it or carries a damaged copy: new maps
// must never depend on a file beside the program.
constexpr const char* BuiltInTemplate = R"(<mindmap>
  <meta>
    <guid guid=""/>
    <new-map add-theme="true"/>
  </meta>
  <topics/>
  <relations/>
</mindmap>)";

pugi::xml_node templateMindMap(pugi::xml_document& templateDocument)
{
    const std::optional<std::vector<uint8_t>> data =
        readFileData(Folders::resourcePath(TemplateResource), MaximumMindMapFileSize);
    if (data && templateDocument.load_buffer(data->data(), data->size())) {
        pugi::xml_node mindMap = templateDocument.child("mindmap");
        if (mindMap.child("meta")) return mindMap;
    }
    templateDocument.load_string(BuiltInTemplate);
    return templateDocument.child("mindmap");
}

} // namespace

MindMapData getEmptyMindMapData(const std::string& guid, const std::optional<std::string>& defaultTheme, Error*)
{
    pugi::xml_document templateDocument;
    pugi::xml_document document;
    pugi::xml_node mindMap =
        TwkxMindMapWriter::createTwkxDocument(document).append_copy(templateMindMap(templateDocument));
    pugi::xml_node meta = mindMap.child("meta");
    pugi::xml_node guidElement = meta.child("guid") ? meta.child("guid") : meta.prepend_child("guid");
    guidElement.remove_attribute("guid");
    guidElement.append_attribute("guid").set_value(xmlSafeText(guid).c_str());
    pugi::xml_node newMap = meta.child("new-map") ? meta.child("new-map") : meta.append_child("new-map");
    newMap.remove_attribute("theme-text");
    if (defaultTheme) addStringAttribute(newMap, "theme-text", *defaultTheme);

    const std::string text = prefixUTF8BOM(TwkxMindMapWriter::serialize(document, true));
    return MindMapData(text.begin(), text.end());
}
