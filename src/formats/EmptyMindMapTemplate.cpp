#include "formats/EmptyMindMapTemplate.h"

#include "formats/TwkxMindMapWriter.h"
#include "formats/XmlAttributeHelpers.h"
#include "platform/Folders.h"

#include <pugixml.hpp>

namespace {

constexpr const char* TemplateResource = "templates/empty-mindmap.xml";

// A resource of the installation is missing or damaged: no user document is at fault.
Error templateError(const std::string& reason)
{
    Error error;
    error.domain = PlatformErrorDomain;
    error.code = 1;
    error.localizedDescription = "The empty map template could not be read.";
    error.failureReason = reason;
    return error;
}

} // namespace

MindMapData getEmptyMindMapData(const std::string& guid, const std::optional<std::string>& defaultTheme, Error* error)
{
    const std::string path = Folders::resourcePath(TemplateResource);
    pugi::xml_document templateDocument;
    const pugi::xml_parse_result parsed = templateDocument.load_file(path.c_str());
    if (!parsed) {
        setError(error, templateError(path + ": " + parsed.description()));
        return {};
    }
    pugi::xml_node templateMap = templateDocument.child("mindmap");
    pugi::xml_node meta = templateMap.child("meta");
    if (!meta) {
        setError(error, templateError(path + ": no \"mindmap\" with \"meta\""));
        return {};
    }

    pugi::xml_document document;
    pugi::xml_node mindMap = TwkxMindMapWriter::createTwkxDocument(document).append_copy(templateMap);
    meta = mindMap.child("meta");
    pugi::xml_node guidElement = meta.child("guid") ? meta.child("guid") : meta.prepend_child("guid");
    guidElement.remove_attribute("guid");
    guidElement.append_attribute("guid").set_value(xmlSafeText(guid).c_str());
    pugi::xml_node newMap = meta.child("new-map") ? meta.child("new-map") : meta.append_child("new-map");
    newMap.remove_attribute("theme-text");
    if (defaultTheme) addStringAttribute(newMap, "theme-text", *defaultTheme);

    const std::string text = prefixUTF8BOM(TwkxMindMapWriter::serialize(document, true));
    return MindMapData(text.begin(), text.end());
}
