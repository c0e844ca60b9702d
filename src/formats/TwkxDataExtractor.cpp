#include "formats/TwkxDataExtractor.h"

#include "MindMaps/CustomIcon.h"
#include "Utils/PathValidation.h"
#include "formats/MindMapFormatDetector.h"
#include "formats/TwkxArchiveReader.h"
#include "formats/TwkxMindMapReader.h"
#include "formats/TwkxMindMapWriter.h"
#include "formats/TwkxNames.h"
#include "formats/XmlAttributeHelpers.h"
#include "formats/ZipDetection.h"
#include "platform/Localizer.h"

#include <pugixml.hpp>

#include <cstring>
#include <optional>

namespace {

// The document type declaration is skipped, never read: nothing is expanded or fetched.
constexpr unsigned ParseOptions = pugi::parse_default;
static_assert((ParseOptions & pugi::parse_doctype) == 0);

bool hasName(pugi::xml_node element, const char* name)
{
    return std::strcmp(element.name(), name) == 0;
}

// The GUID names the map's file in a store; one that could not, or that names the folder itself
// or its parent, is no GUID to hand on.
bool isUsableGuid(std::string_view guid)
{
    if (guid.empty() || containsInvalidFilenameChars(guid)) return false;
    for (char c : guid) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) return false;
    }
    return guid.find_first_not_of('.') != std::string_view::npos;
}

void addFreeTexts(pugi::xml_node owner, std::vector<std::string>& fullText)
{
    for (pugi::xml_node text : owner.child("children").children("text")) {
        const std::optional<std::string> note = getFirstTextValue(text.child("note"));
        if (note && !note->empty()) fullText.push_back(*note);
    }
}

void addImageName(pugi::xml_node element, const char* attribute, std::set<std::string>& images)
{
    const std::string_view name = element.attribute(attribute).value();
    if (!name.empty()) images.emplace(name);
}

void addCustomIconHash(std::string_view iconName, std::set<std::string>& images)
{
    if (CustomIcon::isCustomIconImageName(iconName)) images.emplace(iconName.substr(1));
}

// A contact link stores its picture's bare hash; a "#" in front (the icon form of the name) is
// taken off. Missing the picture here would let the image clean-up delete a picture in use.
void addContactPictureHash(std::string_view thumbnail, std::set<std::string>& images)
{
    if (CustomIcon::isCustomIconImageName(thumbnail)) images.emplace(thumbnail.substr(1));
    else if (!thumbnail.empty() && thumbnail != "#") images.emplace(thumbnail);
}

void addContainedImages(pugi::xml_node container, std::set<std::string>& images)
{
    for (pugi::xml_node image : container.children("image")) {
        addImageName(image, "name", images);
        addImageName(image, "thumbnail", images);
    }
}

// The document up to the end of its first "meta" element, closed behind it so that it parses
// alone; nothing when there is no "meta" to cut at. A cut inside a comment, a processing
// instruction or a section of character data leaves them open, and the head does not parse.
std::optional<std::string> documentHead(std::span<const uint8_t> data)
{
    const std::string_view text(reinterpret_cast<const char*>(data.data()), data.size());
    size_t start = 0;
    while ((start = text.find("<meta", start)) != std::string_view::npos) {
        const size_t after = start + 5;
        if (after < text.size() && std::strchr(" \t\r\n/>", text[after]) && text[after] != '\0') break;
        start = after;
    }
    if (start == std::string_view::npos) return std::nullopt;
    // Attribute values hold no "<" or ">" unescaped: the first ">" ends the start tag.
    const size_t tagEnd = text.find('>', start);
    if (tagEnd == std::string_view::npos) return std::nullopt;
    size_t end = tagEnd + 1;
    if (text[tagEnd - 1] != '/') {
        const size_t close = text.find("</meta>", tagEnd);
        if (close == std::string_view::npos) return std::nullopt;
        end = close + 7;
    }
    std::string head(text.substr(0, end));
    head += "</mindmap></";
    head += TwkxMindMapWriter::RootElementName;
    head += '>';
    return head;
}

// Whether the head holds the root, "mindmap" as its first element and "meta" as the only element
// of that: then it tells what the whole document would.
bool isWholeHead(pugi::xml_node root)
{
    if (!hasName(root, TwkxMindMapWriter::RootElementName)) return false;
    pugi::xml_node mindMap = root.first_child();
    while (mindMap && mindMap.type() != pugi::node_element) mindMap = mindMap.next_sibling();
    if (!mindMap || !hasName(mindMap, "mindmap") || mindMap.next_sibling()) return false;
    pugi::xml_node meta = mindMap.first_child();
    while (meta && meta.type() != pugi::node_element) meta = meta.next_sibling();
    return meta && hasName(meta, "meta") && !meta.next_sibling();
}

} // namespace

bool TwkxDataExtractor::readFromData(std::span<const uint8_t> data, uint32_t options)
{
    if (data.empty()) return false;

    std::vector<uint8_t> extracted;
    if (hasPKZIPSignature(data)) {
        _isArchive = true;
        TwkxArchiveReader archive(std::vector<uint8_t>(data.begin(), data.end()));
        std::optional<std::vector<uint8_t>> document = archive.extractMindMapDocument();
        if (!document || document->empty()) return false;
        extracted = std::move(*document);
        data = extracted;
    }

    _format = DocumentFormatNone;
    pugi::xml_document document;
    const bool collectText = options & CollectFullText;
    const bool collectImages = options & CollectImages;
    bool readHead = false;
    if ((options & MetadataOnly) && !collectText && !collectImages && !(options & MeasureTopicLevels)) {
        if (const std::optional<std::string> head = documentHead(data)) {
            readHead = document.load_buffer(head->data(), head->size(), ParseOptions, pugi::encoding_auto) &&
                isWholeHead(document.document_element());
        }
    }
    if (!readHead && !document.load_buffer(data.data(), data.size(), ParseOptions, pugi::encoding_auto)) return false;
    pugi::xml_node root = document.document_element();
    if (!root) return false;

    if (!hasName(root, TwkxMindMapWriter::RootElementName)) {
        if (options & RecognizeForeignFormats) {
            if (hasName(root, "plist")) _format = DocumentFormatPropertyList;
            else if (hasName(root, "opml")) _format = DocumentFormatOpml;
            else if (hasName(root, "map")) _format = DocumentFormatFreeMind;
        }
        return _format != DocumentFormatNone;
    }

    _generator = GeneratorFromName(root.attribute("generator").value());
    _generatorVersion = root.attribute("gen-version").value();
    _documentVersion = attributeAsLong(root, "doc-version", -1);

    pugi::xml_node mindMap = root.child("mindmap");
    if (!mindMap) return false;

    if (pugi::xml_node meta = mindMap.child("meta")) {
        _title = UnescapeXmlText(meta.child("title").attribute("text").value());
        const std::string_view guid = meta.child("guid").attribute("guid").value();
        if (isUsableGuid(guid)) _loadedGuid = guid;
        _containsImages = attributeAsBool(meta.child("images"), "containsImages", false);
    }

    if (options & MeasureTopicLevels) _topicLevels = TwkxMindMapReader::topicLevels(mindMap);
    if (collectText || collectImages) {
        for (pugi::xml_node topic : mindMap.child("topics").children("topic")) {
            if (collectText) {
                // Stored escaped; the search works on what the user typed.
                const std::string text = UnescapeXmlText(topic.attribute("text").value());
                if (!text.empty()) _fullText.push_back(text);
                addFreeTexts(topic, _fullText);
                addFreeTexts(topic.child("parent-relation"), _fullText);
            }
            if (collectImages) {
                addCustomIconHash(topic.attribute("icon").value(), _images);
                addImageName(topic.child("embedded-image"), "name", _images);
                addContactPictureHash(topic.child("link").attribute("thumbnail").value(), _images);
                pugi::xml_node children = topic.child("children");
                addContainedImages(children ? children : topic.child("images"), _images);
                // Relations show images too; the image clean-up must see them as in use.
                addContainedImages(topic.child("parent-relation").child("children"), _images);
            }
        }
    }
    for (pugi::xml_node relation : mindMap.child("relations").children("relation")) {
        if (collectText) addFreeTexts(relation, _fullText);
        if (collectImages) addContainedImages(relation.child("children"), _images);
    }

    _format = DocumentFormatNativeXml;
    return true;
}

std::string TwkxDataExtractor::title() const
{
    if (!_title.empty()) return _title;
    return localized(_fullText.empty() ? "mindmap_empty_map" : "mindmap_unnamed_map");
}
