#include "formats/XmlAttributeHelpers.h"

#include "Utils/StringUtils.h"
#include "platform/NumberText.h"
#include "platform/Utf8.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>

namespace {

// 2001-01-01 00:00:00 UTC in seconds of the Unix epoch.
constexpr double ReferenceDateOffset = 978307200.0;
// About 290 years either side of 1970: the clock, counting in nanoseconds, holds a little more.
constexpr double MaxClockSeconds = 9.2e9;

const char* attributeText(pugi::xml_node element, const char* name)
{
    if (!element) return nullptr;
    pugi::xml_attribute attribute = element.attribute(name);
    return attribute ? attribute.value() : nullptr;
}

bool isXmlCharacter(char32_t c)
{
    if (c < 0x20) return c == 0x09 || c == 0x0A || c == 0x0D;
    return c != 0xFFFE && c != 0xFFFF;
}

bool isNewlineCharacter(char32_t c)
{
    return (c >= 0x0A && c <= 0x0D) || c == 0x85 || c == 0x2028 || c == 0x2029;
}

// Whether the text can go into a document as it is: plain printable ASCII (with tab, line feed
// and carriage return) needs no decoding, which keeps writing large maps cheap.
bool isPlainXmlText(std::string_view text)
{
    for (char ch : text) {
        const auto byte = static_cast<unsigned char>(ch);
        if (byte >= 0x80) return false;
        if (byte < 0x20 && byte != 0x09 && byte != 0x0A && byte != 0x0D) return false;
    }
    return true;
}

// Whether escaping leaves the text as it is: printable ASCII and tabs, without backslashes.
bool isUnescapedXmlText(std::string_view text)
{
    for (char ch : text) {
        const auto byte = static_cast<unsigned char>(ch);
        if (byte >= 0x80 || byte == '\\' || (byte < 0x20 && byte != 0x09)) return false;
    }
    return true;
}

// Writes value with two decimals as std::to_chars in fixed form would, returning the end. Whole
// numbers and quarters (most positions in a map) are exact in binary, so their digits need no
// general rounding; every other value goes through to_chars.
char* formatTwoDecimals(char* begin, char* end, double value)
{
    if (std::isfinite(value)) {
        const double quarters = std::fabs(value) * 4.0;
        if (quarters < 4503599627370496.0 && quarters == std::floor(quarters)) {
            const auto count = static_cast<uint64_t>(quarters);
            char* out = begin;
            if (std::signbit(value)) *out++ = '-';
            out = std::to_chars(out, end, count / 4).ptr;
            static constexpr char Fractions[4][4] = {".00", ".25", ".50", ".75"};
            const char* fraction = Fractions[count % 4];
            *out++ = fraction[0];
            *out++ = fraction[1];
            *out++ = fraction[2];
            return out;
        }
        // Laid-out places are rarely quarters, and the general formatting costs a large map's
        // document much of its time. Below 1e9 the product with 100 is off by less than 2e-5, so
        // where its fraction is clearly away from a half it rounds as the exact value does; near a
        // half the general formatting decides.
        const double scaled = std::fabs(value) * 100.0;
        const double whole = std::floor(scaled);
        const double fraction = scaled - whole;
        if (scaled < 1e11 && std::fabs(fraction - 0.5) > 1e-4) {
            const uint64_t hundredths = static_cast<uint64_t>(whole) + (fraction > 0.5 ? 1 : 0);
            char* out = begin;
            if (std::signbit(value)) *out++ = '-';
            out = std::to_chars(out, end, hundredths / 100).ptr;
            *out++ = '.';
            *out++ = static_cast<char>('0' + hundredths % 100 / 10);
            *out++ = static_cast<char>('0' + hundredths % 10);
            return out;
        }
    } else {
        value = 0;
    }
    return std::to_chars(begin, end, value, std::chars_format::fixed, 2).ptr;
}

} // namespace

pugi::xml_node firstElementForName(pugi::xml_node element, const char* name)
{
    if (!element) return {};
    return element.child(name);
}

int64_t attributeAsInteger(pugi::xml_node element, const char* name, int64_t defaultValue)
{
    const char* text = attributeText(element, name);
    return text ? parseInteger(text, defaultValue) : defaultValue;
}

int64_t attributeAsLong(pugi::xml_node element, const char* name, int64_t defaultValue)
{
    return attributeAsInteger(element, name, defaultValue);
}

bool attributeAsBool(pugi::xml_node element, const char* name, bool defaultValue)
{
    const char* text = attributeText(element, name);
    if (!text) return defaultValue;
    if (asciiCaseInsensitiveEqual(text, "true")) return true;
    if (asciiCaseInsensitiveEqual(text, "false")) return false;
    return defaultValue;
}

double attributeAsDouble(pugi::xml_node element, const char* name, double defaultValue)
{
    const char* text = attributeText(element, name);
    return text ? parseDouble(text, defaultValue) : defaultValue;
}

double attributeAsFloat(pugi::xml_node element, const char* name, double defaultValue)
{
    return attributeAsDouble(element, name, defaultValue);
}

std::optional<XmlDate> attributeAsDate(pugi::xml_node element, const char* name)
{
    const double seconds = attributeAsDouble(element, name, std::numeric_limits<double>::quiet_NaN());
    if (std::isnan(seconds)) return std::nullopt;
    const double clamped = std::clamp(seconds + ReferenceDateOffset, -MaxClockSeconds, MaxClockSeconds);
    const auto sinceEpoch = std::chrono::duration<double>(clamped);
    return XmlDate(std::chrono::duration_cast<XmlDate::duration>(sinceEpoch));
}

std::optional<std::string> attributeAsString(pugi::xml_node element, const char* name)
{
    const char* text = attributeText(element, name);
    if (!text) return std::nullopt;
    return std::string(text);
}

std::optional<std::string> getFirstTextValue(pugi::xml_node element)
{
    if (!element) return std::nullopt;
    for (pugi::xml_node child = element.first_child(); child; child = child.next_sibling()) {
        if (child.type() == pugi::node_pcdata || child.type() == pugi::node_cdata)
            return trimWhitespaceAndNewlines(child.value());
    }
    return std::nullopt;
}

void addIntAttribute(pugi::xml_node element, const char* name, int64_t value)
{
    char buffer[24];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    element.append_attribute(name).set_value(buffer, static_cast<size_t>(result.ptr - buffer));
}

void addBoolAttribute(pugi::xml_node element, const char* name, bool value)
{
    element.append_attribute(name).set_value(value ? "true" : "false");
}

void addFloatAttribute(pugi::xml_node element, const char* name, double value)
{
    char buffer[FloatAttributeTextCapacity];
    const char* end = formatFloatAttributeChars(value, buffer);
    element.append_attribute(name).set_value(buffer, static_cast<size_t>(end - buffer));
}

std::string formatFloatAttributeText(double value)
{
    char buffer[FloatAttributeTextCapacity];
    const char* end = formatFloatAttributeChars(value, buffer);
    return std::string(static_cast<const char*>(buffer), end);
}

char* formatFloatAttributeChars(double value, char* buffer)
{
    return formatTwoDecimals(buffer, buffer + FloatAttributeTextCapacity, value);
}

void addStringAttribute(pugi::xml_node element, const char* name, std::string_view value)
{
    if (value.empty()) return;
    std::string storage;
    const std::string_view safe = xmlSafeTextView(value, storage);
    if (!safe.empty()) element.append_attribute(name).set_value(safe.data(), safe.size());
}

void addEscapedStringAttribute(pugi::xml_node element, const char* name, std::string_view value)
{
    std::string storage;
    addStringAttribute(element, name, escapedXmlTextView(value, storage));
}

void addDateAttribute(pugi::xml_node element, const char* name, const std::optional<XmlDate>& value)
{
    if (!value) return;
    const double seconds = std::chrono::duration<double>(value->time_since_epoch()).count() - ReferenceDateOffset;
    element.append_attribute(name).set_value(formatFixed(seconds, 6).c_str());
}

void setElementText(pugi::xml_node element, std::string_view text)
{
    std::string storage;
    const std::string_view safe = xmlSafeTextView(text, storage);
    element.text().set(safe.data(), safe.size());
}

std::optional<Color> getRGBColor(pugi::xml_node element)
{
    if (!element) return std::nullopt;
    const char* r = attributeText(element, "r");
    const char* g = attributeText(element, "g");
    const char* b = attributeText(element, "b");
    if (r && g && b) {
        // Components outside 0..255 would give colours no painter can show.
        auto component = [](const char* text) {
            return static_cast<double>(std::clamp<int64_t>(parseInteger(text, 0), 0, 255)) / 255.0;
        };
        return Color(component(r), component(g), component(b), 1.0);
    }
    if (attributeAsBool(element, "none", false)) return Color::normalizedClearColor();
    return std::nullopt;
}

std::optional<Color> getNamedColor(pugi::xml_node element, const char* name)
{
    pugi::xml_node child = firstElementForName(element, name);
    if (!child) return std::nullopt;
    return getRGBColor(child);
}

void setColor(pugi::xml_node element, const std::optional<Color>& color)
{
    if (!color || color->isNormalizedClearColor()) {
        addBoolAttribute(element, "none", true);
        return;
    }
    addIntAttribute(element, "r", colorComponentByte(color->red()));
    addIntAttribute(element, "g", colorComponentByte(color->green()));
    addIntAttribute(element, "b", colorComponentByte(color->blue()));
}

int colorComponentByte(double component)
{
    if (!std::isfinite(component)) return 0;
    return static_cast<int>(std::lround(std::clamp(component, 0.0, 1.0) * 255.0));
}

void setColorNamed(pugi::xml_node element, const std::optional<Color>& color, const char* name)
{
    setColor(element.append_child(name), color);
}

MindMapData prefixUTF8BOM(const MindMapData& data)
{
    if (data.empty()) return data;
    MindMapData result;
    result.reserve(data.size() + 3);
    result.push_back(0xEF);
    result.push_back(0xBB);
    result.push_back(0xBF);
    result.insert(result.end(), data.begin(), data.end());
    return result;
}

std::string prefixUTF8BOM(std::string_view data)
{
    if (data.empty()) return std::string();
    std::string result;
    result.reserve(data.size() + 3);
    result += "\xEF\xBB\xBF";
    result += data;
    return result;
}

std::string EscapeXmlText(std::string_view text)
{
    std::string storage;
    const std::string_view escaped = escapedXmlTextView(text, storage);
    return escaped.data() == storage.data() ? std::move(storage) : std::string(escaped);
}

std::string_view escapedXmlTextView(std::string_view text, std::string& storage)
{
    if (isUnescapedXmlText(text)) return text;
    std::string& result = storage;
    result.clear();
    result.reserve(text.size() + 8);
    size_t pos = 0;
    while (pos < text.size()) {
        const auto byte = static_cast<unsigned char>(text[pos]);
        if (byte < 0x80) {
            ++pos;
            if (byte == '\\') {
                result += "\\\\";
            } else if (isNewlineCharacter(byte)) {
                result += "\\N";
            } else if (isXmlCharacter(byte)) {
                result += static_cast<char>(byte);
            }
            continue;
        }
        const char32_t c = Utf8::decodeNext(text, pos);
        if (c == Utf8::Invalid) {
            Utf8::append(result, 0xFFFD);
        } else if (isNewlineCharacter(c)) {
            result += "\\N";
        } else if (isXmlCharacter(c)) {
            Utf8::append(result, c);
        }
    }
    return result;
}

std::string UnescapeXmlText(std::string_view text)
{
    if (text.find('\\') == std::string_view::npos) return std::string(text);
    std::string result;
    result.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\\' && i + 1 < text.size()) {
            if (text[i + 1] == 'N') {
                result += '\n';
                ++i;
                continue;
            }
            if (text[i + 1] == '\\') {
                result += '\\';
                ++i;
                continue;
            }
        }
        result += c;
    }
    return result;
}

std::string xmlSafeText(std::string_view text)
{
    std::string storage;
    const std::string_view safe = xmlSafeTextView(text, storage);
    return safe.data() == storage.data() ? std::move(storage) : std::string(safe);
}

std::string_view xmlSafeTextView(std::string_view text, std::string& storage)
{
    if (isPlainXmlText(text)) return text;
    std::string& result = storage;
    result.clear();
    result.reserve(text.size());
    size_t pos = 0;
    while (pos < text.size()) {
        const char32_t c = Utf8::decodeNext(text, pos);
        if (c == Utf8::Invalid) Utf8::append(result, 0xFFFD);
        else if (isXmlCharacter(c)) Utf8::append(result, c);
    }
    return result;
}
