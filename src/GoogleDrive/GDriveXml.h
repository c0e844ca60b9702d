#pragma once

#include "formats/XmlAttributeHelpers.h"

#include <pugixml.hpp>

#include <string>

// The root element when the data is an XML document whose root has that name, in any letter case
// and with any prefix; a null node for no data, text that is not XML, or another document.
pugi::xml_node gdriveXmlRoot(pugi::xml_document& document, const std::string& data, const char* rootName);
// Without declaration, indentation or line breaks.
std::string compactGDriveXml(const pugi::xml_document& document);
