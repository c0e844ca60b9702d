#pragma once

#include "platform/Color.h"

#include <pugixml.hpp>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Writes XML text straight into a string, byte for byte as pugixml prints the same tree with
// format_indent and an indent of two spaces: one element per line, "<name />" for an element
// without content, an element whose only content is text on one line, and pugixml's escaping
// (attribute values escape & < " and control characters as "&#NN;", element text & < > and control
// characters other than tab, line feed and carriage return).
//
// The attribute and text calls mirror the XmlAttributeHelpers of the same names, so that a
// document written either way is the same. Attributes go to the element opened last and must come
// before its first child element or text; an element holds either text or child elements. Names
// must stay valid until their element is closed.
//
// Building a large document as a pugixml tree first costs an allocation per attribute and a second
// pass to print it; this writer does neither. Rare parts still built as small trees are printed in
// place with appendTree.
class XmlTextWriter {
public:
    // Appends to the text, which the caller owns and which must outlive the writer. The text is
    // complete once finish has been called or the writer is gone.
    explicit XmlTextWriter(std::string& text);
    // Appends to the bytes, so that a document meant as bytes is never copied out of a string.
    explicit XmlTextWriter(std::vector<uint8_t>& bytes);
    // Hands the text on to the drain in pieces of about DrainSize bytes as it is written, and the
    // rest on finish: a large document is never held whole.
    explicit XmlTextWriter(std::function<void(std::string_view)> drain);
    ~XmlTextWriter();
    XmlTextWriter(const XmlTextWriter&) = delete;
    XmlTextWriter& operator=(const XmlTextWriter&) = delete;

    // Ends the writing: the text holds exactly what was written.
    void finish();

    // The XML declaration (version 1.0, UTF-8) and a document type naming the root.
    void writeDeclaration(std::string_view rootName);

    void openElement(std::string_view name);
    void closeElement();
    // How many elements are open.
    size_t depth() const { return _open.size(); }
    // How much text is written, for a writer without a drain; complete text up to the element
    // opened last.
    size_t written() const { return _used; }

    // The value as it is, escaped.
    void addAttribute(std::string_view name, std::string_view value);
    // As addIntAttribute, addBoolAttribute, addFloatAttribute, addStringAttribute and
    // addEscapedStringAttribute of XmlAttributeHelpers.
    void addIntAttribute(std::string_view name, int64_t value);
    void addBoolAttribute(std::string_view name, bool value);
    void addFloatAttribute(std::string_view name, double value);
    void addStringAttribute(std::string_view name, std::string_view value);
    void addEscapedStringAttribute(std::string_view name, std::string_view value);
    // As setElementText: the element's text, even when empty ("<name></name>").
    void setElementText(std::string_view text);
    // As setColorNamed: a child element carrying the colour.
    void addColorElement(std::string_view name, const std::optional<Color>& color);

    // The attributes and child elements that fill writes into a pugixml element go to the element
    // opened last, as though fill had been given that element.
    template <typename Fill> void appendTree(Fill&& fill)
    {
        pugi::xml_node holder = scratchElement();
        fill(holder);
        appendTreeContent(holder);
    }

private:
    // The text is written into room made ahead in the string: put and the attribute writers copy
    // into it without the string's checks for every piece.
    char* room(size_t size);
    void put(std::string_view piece);
    void put(char c);
    // An attribute whose value needs no escaping.
    void putAttribute(std::string_view name, std::string_view value);
    // An escaped text attribute in one pass, when escaping changes only line breaks and
    // backslashes (a wrapped title) and the attribute nothing more; false, with nothing written,
    // for any other text.
    bool putEscapedPlainAttribute(std::string_view name, std::string_view value);
    // Ends the start tag of the element opened last, which gets content.
    void closeStartTag();
    void writeIndent(size_t depth);
    void writeEscaped(std::string_view text, uint8_t kind);
    pugi::xml_node scratchElement();
    void appendTreeContent(pugi::xml_node holder);

    size_t bufferSize() const { return _text ? _text->size() : _bytes->size(); }
    char* bufferData() { return _text ? _text->data() : reinterpret_cast<char*>(_bytes->data()); }
    void resizeBuffer(size_t size);

    // The one written to.
    std::string* _text = nullptr;
    std::function<void(std::string_view)> _drain;
    std::string _drainBuffer;
    std::vector<uint8_t>* _bytes = nullptr;
    // How much of the text is written; the rest is room.
    size_t _used = 0;
    std::vector<std::string_view> _open;
    // The start tag of the element opened last still takes attributes.
    bool _startTagOpen = false;
    // The element opened last holds text.
    bool _hasText = false;
    std::unique_ptr<pugi::xml_document> _scratch;
    std::string _printed;
};
