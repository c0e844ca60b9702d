#include "formats/DocumentLimits.h"

#include "MindMaps/TopicDepthLimit.h"
#include "MindMaps/TopicTextLimit.h"
#include "Utils/PropertyListUtils.h"
#include "formats/CustomMindMapImporter.h"
#include "formats/MindMapFormatDetector.h"
#include "formats/TwkMindMapReader.h"
#include "formats/TwkxArchiveReader.h"
#include "formats/TwkxMindMapReader.h"
#include "formats/TwkxMindMapWriter.h"
#include "formats/XmlAttributeHelpers.h"
#include "formats/ZipDetection.h"

#include <pugixml.hpp>

#include <cstring>
#include <string_view>

namespace {

constexpr std::string_view BinaryPropertyListMagic = "bplist00";

size_t xmlTopicLevels(const MindMapData& data, int32_t format)
{
    pugi::xml_document document;
    if (!TwkxMindMapReader::parseDocument(document, data.data(), data.size())) return 0;
    pugi::xml_node root = document.document_element();
    switch (format) {
    case DocumentFormatNativeXml:
        return std::strcmp(root.name(), TwkxMindMapWriter::RootElementName) == 0
            ? TwkxMindMapReader::topicLevels(root.child("mindmap"))
            : 0;
    case DocumentFormatOpml:
        return CustomMindMapImporter::nestedLevels(root.child("body"), "outline");
    case DocumentFormatFreeMind:
        return std::strcmp(root.name(), "map") == 0 ? CustomMindMapImporter::nestedLevels(root, "node") : 0;
    default:
        return 0;
    }
}

// The characters of the longest topic text of a native document, as the reader will give it.
size_t longestNativeTopicText(const MindMapData& data)
{
    pugi::xml_document document;
    if (!TwkxMindMapReader::parseDocument(document, data.data(), data.size())) return 0;
    pugi::xml_node root = document.document_element();
    if (std::strcmp(root.name(), TwkxMindMapWriter::RootElementName) != 0) return 0;
    pugi::xml_node topics = firstElementForName(root.child("mindmap"), "topics");
    size_t longest = 0;
    for (pugi::xml_node topic = topics.child("topic"); topic; topic = topic.next_sibling("topic")) {
        const std::string_view raw = topic.attribute("text").value();
        // Escapes only ever shorten a text: one within the limit as written is within it as read.
        if (raw.size() <= TopicTextLimit::MaximumCharacters) continue;
        const size_t characters = raw.find('\\') == std::string_view::npos
            ? TopicTextLimit::characterCount(raw)
            : TopicTextLimit::characterCount(UnescapeXmlText(raw));
        longest = std::max(longest, characters);
    }
    return longest;
}

bool isBinaryPropertyList(const MindMapData& data)
{
    return data.size() >= BinaryPropertyListMagic.size() &&
        std::string_view(reinterpret_cast<const char*>(data.data()), BinaryPropertyListMagic.size()) ==
        BinaryPropertyListMagic;
}

} // namespace

bool DocumentLimits::acceptsData(const MindMapData& data, Error* error)
{
    if (hasPKZIPSignature(data)) {
        Error refusal;
        TwkxArchiveReader archive(MindMapData(data), &refusal);
        if (!archive.isOpen()) return refusal.isEmpty() || setError(error, std::move(refusal));
        const std::optional<MindMapData> document = archive.extractMindMapDocument();
        // Only the document is read as a map: a container never holds another.
        return !document || hasPKZIPSignature(*document) || acceptsData(*document, error);
    }
    const int32_t format = MindMapFormatDetector().detectMindMapFormat(data);
    size_t levels = 0;
    if (format == DocumentFormatPropertyList || (format == DocumentFormatNone && isBinaryPropertyList(data))) {
        if (const std::optional<PropertyList> list = propertyListWithData(data)) {
            if (list->dictionaryValue()) levels = TwkMindMapReader::topicLevels((*list)["nodes"]);
        }
    } else {
        levels = xmlTopicLevels(data, format);
    }
    return TopicDepthLimit::acceptsLevels(levels, error);
}

bool DocumentLimits::acceptsNewTopicTexts(const MindMapData& data, Error* error)
{
    if (hasPKZIPSignature(data)) {
        TwkxArchiveReader archive{MindMapData(data)};
        if (!archive.isOpen()) return true;
        const std::optional<MindMapData> document = archive.extractMindMapDocument();
        return !document || hasPKZIPSignature(*document) || acceptsNewTopicTexts(*document, error);
    }
    if (MindMapFormatDetector().detectMindMapFormat(data) != DocumentFormatNativeXml) return true;
    return TopicTextLimit::acceptsCharacters(longestNativeTopicText(data), error);
}
