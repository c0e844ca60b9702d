#pragma once

#include "MindMaps/StyleFileFormat.h"

#include <memory>

class StyleSheet;

// The style sheets and style presets written and read with the native document's style elements.
class NativeStyleFileFormat : public StyleFileFormat {
public:
    void writeStyleSheet(const CustomStyleSheet& sheet, pugi::xml_node root) override;
    void readStyleSheet(CustomStyleSheet& sheet, pugi::xml_node root) override;
    void writeStyle(const ElementStyle& style, pugi::xml_node root, const char* tagName) override;
    void readStyle(ElementStyle& style, pugi::xml_node root, const char* tagName) override;
    std::string documentText(const pugi::xml_document& document, bool byteOrderMark) override;
};

// The sheet a map document carries: a "stylesheet" child of the document's "mindmap" element.

// Appends "stylesheet" to the element when the sheet is a custom sheet; true when it did.
bool writeInlineStyleSheet(const StyleSheet* styleSheet, pugi::xml_node mindMapElement);
// The sheet of the element's "stylesheet" child, through registerInlineStyleSheet; nullptr when
// there is none or registration yields none (the caller then looks the key up).
std::shared_ptr<StyleSheet> readInlineStyleSheet(pugi::xml_node mindMapElement);
