#pragma once

#include <pugixml.hpp>

#include <string>

class CustomStyleSheet;
class ElementStyle;

// The native grammar of styles, as the style sheet files, the sheets inside documents and the
// style preset files write it. The formats library installs it at start-up; until then nothing
// is written and nothing is read.
class StyleFileFormat {
public:
    virtual ~StyleFileFormat() = default;

    // A custom sheet's "general", "style" and "palette" elements, and back.
    virtual void writeStyleSheet(const CustomStyleSheet& sheet, pugi::xml_node root) = 0;
    virtual void readStyleSheet(CustomStyleSheet& sheet, pugi::xml_node root) = 0;
    // A topic, text or relation style as a child element of that name (left out when the style
    // stores nothing), and back.
    virtual void writeStyle(const ElementStyle& style, pugi::xml_node root, const char* tagName) = 0;
    virtual void readStyle(ElementStyle& style, pugi::xml_node root, const char* tagName) = 0;
    // The document as indented UTF-8 text, behind a byte-order mark when asked for one.
    virtual std::string documentText(const pugi::xml_document& document, bool byteOrderMark) = 0;

    // nullptr while none is installed.
    static StyleFileFormat* installed();
    // Not owned; it must outlive its use. nullptr removes it.
    static void install(StyleFileFormat* format);
};
