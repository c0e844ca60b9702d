#include "GoogleDrive/GDriveXml.h"

#include <strings.h>

pugi::xml_node gdriveXmlRoot(pugi::xml_document& document, const std::string& data, const char* rootName)
{
    if (data.empty()) return {};
    if (!document.load_buffer(data.data(), data.size(), pugi::parse_default, pugi::encoding_auto)) return {};
    pugi::xml_node root = document.document_element();
    std::string name = root.name();
    if (auto colon = name.find(':'); colon != std::string::npos) name = name.substr(colon + 1);
    if (strcasecmp(name.c_str(), rootName) != 0) return {};
    return root;
}

std::string compactGDriveXml(const pugi::xml_document& document)
{
    std::string text;
    XmlStringWriter writer(text);
    document.save(writer, "", pugi::format_raw | pugi::format_no_declaration, pugi::encoding_utf8);
    return text;
}
