#pragma once

// Builders and shortcuts shared by the native document tests.

#include "MindMaps/MindMap.h"
#include "MindMaps/MindMapFormats.h"
#include "formats/TwkxMindMapReader.h"
#include "formats/TwkxMindMapWriter.h"

#include <pugixml.hpp>

#include <string>

namespace twkxtest {

inline MindMapData dataOf(const std::string& text)
{
    return MindMapData(text.begin(), text.end());
}

inline std::string textOf(const MindMapData& data)
{
    return std::string(data.begin(), data.end());
}

// The document as the writer makes it, as text.
inline std::string writeDocument(MindMap& map)
{
    return textOf(TwkxMindMapWriter::writeMindMap(map));
}

// Reads the document into the map the way a map opens a stored document.
inline bool loadDocument(MindMap& map, const std::string& document, Error* error = nullptr)
{
    registerNativeFormat();
    return map.readFromData(dataOf(document), "", static_cast<int32_t>(MindMapReadFormat::Native), error);
}

// A document of the given generator whose "mindmap" holds the given meta content, topics and
// relations.
std::string documentWith(const std::string& topics, const std::string& relations = "",
                         const std::string& metaContent = "", const std::string& generator = "TarnwickOSXN");

// A map that uses every element and attribute of the document once at least: two central themes
// (the second the main one), topics with every node property, every link kind, hulls, images and
// free texts on topics, parent relations and a cross link, styles everywhere, a custom title and
// a scroll state.
void buildFullMap(MindMap& map);

// An XML fragment to read from or write into; `root` is its document element.
struct XmlFragment {
    explicit XmlFragment(const std::string& xml = "<root/>")
    {
        document.load_string(xml.c_str());
        root = document.document_element();
    }
    pugi::xml_document document;
    pugi::xml_node root;
};

// The element as written, without indentation.
inline std::string outerXml(pugi::xml_node node)
{
    struct Writer : pugi::xml_writer {
        std::string text;
        void write(const void* data, size_t size) override { text.append(static_cast<const char*>(data), size); }
    } writer;
    node.print(writer, "", pugi::format_raw);
    return writer.text;
}

} // namespace twkxtest
