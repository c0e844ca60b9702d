#include "formats/DocumentLimits.h"

#include "MindMaps/TopicDepthLimit.h"
#include "MindMaps/TopicTextLimit.h"
#include "Utils/PropertyListUtils.h"
#include "Utils/StringUtils.h"
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

// The characters of a text longer than the limit may be; 0 for one within it.
size_t charactersPastLimit(std::string_view text)
{
    // No text of fewer bytes can have more characters.
    if (text.size() <= TopicTextLimit::MaximumCharacters) return 0;
    return TopicTextLimit::characterCount(text);
}

// Free texts lie in the "children" of topics, their lines and cross links, wherever those are.
class FreeTextWalker : public pugi::xml_tree_walker {
public:
    size_t longest = 0;

    bool for_each(pugi::xml_node& node) override
    {
        if (node.type() == pugi::node_element && caseInsensitiveEqual(node.name(), "text") &&
            std::strcmp(node.parent().name(), "children") == 0) {
            if (const std::optional<std::string> note = getFirstTextValue(node.child("note")))
                longest = std::max(longest, charactersPastLimit(*note));
        }
        return true;
    }
};

// The characters of the longest text of a topic or a free text of a native document, as the
// reader will give it, when one is longer than the limit; else 0.
size_t longestNativeText(const MindMapData& data)
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
        longest = std::max(longest,
                           raw.find('\\') == std::string_view::npos ? charactersPastLimit(raw)
                                                                    : charactersPastLimit(UnescapeXmlText(raw)));
    }
    FreeTextWalker texts;
    root.traverse(texts);
    return std::max(longest, texts.longest);
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
    return TopicTextLimit::acceptsCharacters(longestNativeText(data), error);
}
