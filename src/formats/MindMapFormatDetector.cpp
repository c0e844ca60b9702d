#include "formats/MindMapFormatDetector.h"

#include "Utils/StringUtils.h"
#include "formats/XmlFirstElement.h"
#include "formats/ZipDetection.h"

int32_t MindMapFormatDetector::detectMindMapFormat(std::span<const uint8_t> data)
{
    // A detector may be asked more than once; an earlier answer must not stand for new data.
    _format = DocumentFormatNone;
    if (data.empty()) return _format;
    if (hasPKZIPSignature(data)) {
        _format = DocumentFormatZipContainer;
        return _format;
    }
    if (const auto name = firstXmlElementName(data)) didStartElement(*name);
    return _format;
}

void MindMapFormatDetector::didStartElement(std::string_view elementName)
{
    if (elementName == "tarnwick-mindmaps") _format = DocumentFormatNativeXml;
    else if (elementName == "plist") _format = DocumentFormatPropertyList;
    else if (caseInsensitiveEqual(elementName, "opml")) _format = DocumentFormatOpml;
    else if (caseInsensitiveEqual(elementName, "map")) _format = DocumentFormatFreeMind;
}
