#pragma once

#include "MindMaps/MindMapFormats.h"
#include "platform/Color.h"

#include <pugixml.hpp>

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// The attribute encodings shared by every XML reader and writer of documents: integers and
// floats written locale-independently ("%ld", "%.2f"), booleans "true"/"false", empty strings left
// out, colours as child elements, and the "\N" escaping of attribute texts that must keep their
// line breaks (XML attribute normalisation would turn them into spaces).
//
// Readers are lenient: a missing attribute, or one that does not start with a number, gives the
// caller's default. Numbers read never come back as infinities or not-a-number (unless the
// caller passes such a default).
//
// Every null pugixml handle is accepted and reads as "missing".

using XmlDate = std::chrono::system_clock::time_point;

// Collects what pugixml prints into a string, without going through a stream or the locale.
class XmlStringWriter : public pugi::xml_writer {
public:
    explicit XmlStringWriter(std::string& out) : _out(out) {}
    void write(const void* data, size_t size) override { _out.append(static_cast<const char*>(data), size); }

private:
    std::string& _out;
};

// The first child element of that name; a null element for a null parent or when there is none.
pugi::xml_node firstElementForName(pugi::xml_node element, const char* name);

// Scanned from the start of the text: leading white space skipped, anything after the number
// ignored. Integers beyond the 64-bit range saturate.
int64_t attributeAsInteger(pugi::xml_node element, const char* name, int64_t defaultValue);
int64_t attributeAsLong(pugi::xml_node element, const char* name, int64_t defaultValue);
// "true" or "false" in any letter case; anything else gives the default.
bool attributeAsBool(pugi::xml_node element, const char* name, bool defaultValue);
// Reals beyond the double range give the largest finite value of that sign; "nan" and "inf" are
// no numbers.
double attributeAsDouble(pugi::xml_node element, const char* name, double defaultValue);
double attributeAsFloat(pugi::xml_node element, const char* name, double defaultValue);
// Seconds since 2001-01-01 00:00:00 UTC as a decimal number; nothing when missing or not a
// number. Values are kept within the clock's range (about 290 years either side of 1970), so
// that the time point cannot overflow.
std::optional<XmlDate> attributeAsDate(pugi::xml_node element, const char* name);
// Nothing when the attribute is missing.
std::optional<std::string> attributeAsString(pugi::xml_node element, const char* name);
// The first text child, trimmed of white space and line breaks; nothing when there is none.
std::optional<std::string> getFirstTextValue(pugi::xml_node element);

void addIntAttribute(pugi::xml_node element, const char* name, int64_t value);
void addBoolAttribute(pugi::xml_node element, const char* name, bool value);
// Two decimals, whatever the process locale; a value that is not finite is written as 0.
void addFloatAttribute(pugi::xml_node element, const char* name, double value);
// Nothing for an empty string. Characters XML cannot carry are dropped (see xmlSafeText).
void addStringAttribute(pugi::xml_node element, const char* name, std::string_view value);
// addStringAttribute of EscapeXmlText(value).
void addEscapedStringAttribute(pugi::xml_node element, const char* name, std::string_view value);
// The text addFloatAttribute writes: the value with two decimals, non-finite values as 0.00.
std::string formatFloatAttributeText(double value);
// The same text into the buffer, which holds at least FloatAttributeTextCapacity characters;
// answers the end of the text (no terminating zero).
inline constexpr size_t FloatAttributeTextCapacity = 400; // the largest double has 309 digits
char* formatFloatAttributeChars(double value, char* buffer);
// Seconds since the reference date, "%f"; nothing for no date.
void addDateAttribute(pugi::xml_node element, const char* name, const std::optional<XmlDate>& value);
// Sets the element's text (an existing text child is replaced); characters XML cannot carry are
// dropped.
void setElementText(pugi::xml_node element, std::string_view text);

// A colour element: "r", "g", "b" (0..255, all three present) give an opaque calibrated RGB colour,
// otherwise "none"="true" gives the shared clear colour; anything else gives nothing, which leaves
// the caller's property as it was.
std::optional<Color> getRGBColor(pugi::xml_node element);
// The colour of the first child element of that name.
std::optional<Color> getNamedColor(pugi::xml_node element, const char* name);
// No colour and the shared clear colour are written "none"="true"; any other colour as "r", "g",
// "b" rounded to the nearest integer. Alpha is not stored.
void setColor(pugi::xml_node element, const std::optional<Color>& color);
// Appends a child element of that name and writes the colour into it.
void setColorNamed(pugi::xml_node element, const std::optional<Color>& color, const char* name);
// A colour component (0..1) as the integer setColor writes (0..255); not-a-number gives 0.
int colorComponentByte(double component);

// EF BB BF followed by the data; empty data stays empty.
MindMapData prefixUTF8BOM(const MindMapData& data);
std::string prefixUTF8BOM(std::string_view data);

// Every newline character (U+000A, U+000B, U+000C, U+000D, U+0085, U+2028, U+2029) becomes "\N"
// (so CR LF becomes "\N\N") and a backslash becomes two. Characters XML cannot carry are dropped
// as by xmlSafeText.
std::string EscapeXmlText(std::string_view text);
// Left to right: "\N" gives a line feed, "\\" one backslash; any other backslash is kept.
std::string UnescapeXmlText(std::string_view text);

// The text without the characters an XML 1.0 document cannot hold, not even as character
// references: U+0000-U+0008, U+000B, U+000C, U+000E-U+001F, U+FFFE and U+FFFF. Tab, line feed and
// carriage return stay. Bytes that are not UTF-8 become U+FFFD, so that the document stays
// readable by any XML reader.
std::string xmlSafeText(std::string_view text);

// xmlSafeText and EscapeXmlText without a copy for the usual text that needs no change: the answer
// is the text itself, or the storage holding the changed text.
std::string_view xmlSafeTextView(std::string_view text, std::string& storage);
std::string_view escapedXmlTextView(std::string_view text, std::string& storage);
