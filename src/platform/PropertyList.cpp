#include "platform/PropertyList.h"

#include "platform/AttributedString.h"
#include "platform/Utf8.h"

#include <plist/plist.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <vector>

namespace {

// Limits on what outside data may make us build. libplist and the conversion below recurse once
// per nesting level, so nesting must stay far from what a thread's stack can take; a binary
// list may share objects, so its expanded size is bounded too (a few hundred bytes can otherwise
// describe billions of nodes).
constexpr size_t kMaxDepth = 512;
constexpr uint64_t kMaxNodes = 1'000'000;

const char kBinaryMagic[] = "bplist00";
constexpr size_t kBinaryMagicLength = 8;

// Seconds since 2001-01-01 of the years 1 and 9999; dates outside cannot be written as text.
constexpr double kEarliestDate = -63113904000.0;
constexpr double kLatestDate = 252423993599.0;

Error readError(const std::string& reason)
{
    Error error;
    error.domain = PlatformErrorDomain;
    error.code = 1;
    error.localizedDescription = "The property list could not be read.";
    error.failureReason = reason;
    return error;
}

uint64_t readBigEndian(const uint8_t* p, size_t size)
{
    uint64_t value = 0;
    for (size_t i = 0; i < size; ++i) value = (value << 8) | p[i];
    return value;
}

std::string nestedTooDeeply(std::optional<uint64_t> object = std::nullopt)
{
    std::string reason = "The property list is nested more than " + std::to_string(kMaxDepth) + " levels deep";
    if (object) reason += " (at the binary list's object " + std::to_string(*object) + ")";
    return reason + ".";
}

// Walks the object graph of a binary list without building it: every reference must point at an
// object, there must be no cycle, and nesting and expanded size must stay within the limits.
bool checkBinaryShape(const uint8_t* data, size_t size, std::string& reason)
{
    constexpr size_t kTrailerSize = 32;
    if (size < kBinaryMagicLength + 1 + kTrailerSize) {
        reason = "The binary property list is truncated.";
        return false;
    }
    const uint8_t* trailer = data + size - kTrailerSize;
    const size_t offsetSize = trailer[6];
    const size_t refSize = trailer[7];
    const uint64_t objectCount = readBigEndian(trailer + 8, 8);
    const uint64_t topObject = readBigEndian(trailer + 16, 8);
    const uint64_t tableOffset = readBigEndian(trailer + 24, 8);
    const uint64_t tableEnd = size - kTrailerSize;
    if (offsetSize < 1 || offsetSize > 8 || refSize < 1 || refSize > 8 || objectCount == 0 ||
        topObject >= objectCount || tableOffset < kBinaryMagicLength || tableOffset > tableEnd ||
        objectCount > (tableEnd - tableOffset) / offsetSize) {
        reason = "The binary property list has a damaged trailer or offset table.";
        return false;
    }

    auto objectOffset = [&](uint64_t index) {
        return readBigEndian(data + tableOffset + index * offsetSize, offsetSize);
    };
    // The count of an object's marker, read from the following integer when the marker says so.
    auto markerCount = [&](uint64_t offset, uint64_t& count, uint64_t& position) {
        count = data[offset] & 0x0F;
        position = offset + 1;
        if (count != 0x0F) return true;
        if (position >= tableOffset || (data[position] >> 4) != 0x1 || (data[position] & 0x0F) > 3) return false;
        const size_t countSize = size_t(1) << (data[position] & 0x0F);
        if (countSize > tableOffset - position - 1) return false;
        count = readBigEndian(data + position + 1, countSize);
        position += 1 + countSize;
        return true;
    };
    // libplist stops the process on a dictionary key with a NUL character, so keys are checked
    // here: a string (ASCII or UTF-16) inside the object area, without NUL.
    auto isSoundKey = [&](uint64_t index) {
        const uint64_t offset = objectOffset(index);
        if (offset < kBinaryMagicLength || offset >= tableOffset) return false;
        const unsigned kind = data[offset] >> 4;
        if (kind != 0x5 && kind != 0x6) return false;
        uint64_t count = 0, position = 0;
        if (!markerCount(offset, count, position)) return false;
        const uint64_t unit = kind == 0x6 ? 2 : 1;
        if (count > (tableOffset - position) / unit) return false;
        for (uint64_t i = 0; i < count; ++i) {
            const uint8_t* character = data + position + i * unit;
            if (character[0] == 0 && (unit == 1 || character[1] == 0)) return false;
        }
        return true;
    };
    // What is wrong with the object found damaged, when more can be said than that it is.
    std::string damage;
    // The references held by a container object; false when the object is damaged.
    auto references = [&](uint64_t index, std::vector<uint64_t>& refs) {
        refs.clear();
        const uint64_t offset = objectOffset(index);
        if (offset < kBinaryMagicLength || offset >= tableOffset) return false;
        const unsigned kind = data[offset] >> 4;
        if (kind == 0x4 || kind == 0x5 || kind == 0x6) {
            // Data and strings must lie within the object area, whatever length they declare.
            uint64_t count = 0, position = 0;
            if (!markerCount(offset, count, position)) return false;
            const uint64_t unit = kind == 0x6 ? 2 : 1;
            if (count > (tableOffset - position) / unit) {
                damage = "The binary property list's object " + std::to_string(index) + " at byte " +
                    std::to_string(offset) + " declares " + std::to_string(count * unit) +
                    " bytes, more than the list holds.";
                return false;
            }
            return true;
        }
        if (kind != 0xA && kind != 0xC && kind != 0xD) return true;
        uint64_t count = 0, position = 0;
        if (!markerCount(offset, count, position)) return false;
        const uint64_t refCount = kind == 0xD ? count * 2 : count;
        if (kind == 0xD && count > std::numeric_limits<uint64_t>::max() / 2) return false;
        if (refCount > (tableOffset - position) / refSize) return false;
        refs.reserve(refCount);
        for (uint64_t i = 0; i < refCount; ++i) {
            const uint64_t ref = readBigEndian(data + position + i * refSize, refSize);
            if (ref >= objectCount) return false;
            if (kind == 0xD && i < count && !isSoundKey(ref)) return false;
            refs.push_back(ref);
        }
        return true;
    };

    enum : uint8_t { Unvisited, Open, Done };
    std::vector<uint8_t> state(objectCount, Unvisited);
    std::vector<uint64_t> nodes(objectCount, 0); // expanded size below each object, saturated
    struct Frame {
        uint64_t object;
        std::vector<uint64_t> refs;
        size_t next = 0;
        uint64_t nodes = 1;
    };
    std::vector<Frame> stack;
    auto open = [&](uint64_t object) {
        Frame frame{object, {}};
        if (!references(object, frame.refs)) return false;
        state[object] = Open;
        stack.push_back(std::move(frame));
        return true;
    };

    auto damaged = [&](uint64_t object) {
        reason = !damage.empty() ? damage
                                 : "The binary property list's object " + std::to_string(object) + " at byte " +
                std::to_string(objectOffset(object)) + " is damaged.";
        return false;
    };
    if (!open(topObject)) return damaged(topObject);
    while (!stack.empty()) {
        Frame& frame = stack.back();
        if (frame.next == frame.refs.size()) {
            state[frame.object] = Done;
            nodes[frame.object] = frame.nodes;
            const uint64_t finished = frame.nodes;
            stack.pop_back();
            if (!stack.empty()) stack.back().nodes = std::min(stack.back().nodes + finished, kMaxNodes + 1);
            continue;
        }
        const uint64_t child = frame.refs[frame.next++];
        if (state[child] == Done) {
            frame.nodes = std::min(frame.nodes + nodes[child], kMaxNodes + 1);
        } else if (state[child] == Open) {
            reason = "The binary property list refers to itself in a loop.";
            return false;
        } else {
            if (stack.size() >= kMaxDepth) {
                reason = nestedTooDeeply(child);
                return false;
            }
            if (!open(child)) return damaged(child);
        }
    }
    if (nodes[topObject] > kMaxNodes) {
        reason = "The property list has too many values.";
        return false;
    }
    return true;
}

// Frees a tree too deep for plist_free (which recurses) from the bottom up, one leaf at a time.
void freeDeepTree(plist_t root)
{
    struct Step {
        plist_t node;
        std::string key; // the key in its parent when that is a dictionary
    };
    std::vector<Step> path{{root, {}}};
    while (!path.empty()) {
        plist_t node = path.back().node;
        plist_t child = nullptr;
        std::string childKey;
        const plist_type type = plist_get_node_type(node);
        if (type == PLIST_ARRAY && plist_array_get_size(node) > 0) {
            child = plist_array_get_item(node, plist_array_get_size(node) - 1);
        } else if (type == PLIST_DICT && plist_dict_get_size(node) > 0) {
            plist_dict_iter iter = nullptr;
            plist_dict_new_iter(node, &iter);
            char* key = nullptr;
            plist_dict_next_item(node, iter, &key, &child);
            if (key) childKey = key;
            std::free(key);
            std::free(iter);
        }
        if (child) {
            path.push_back({child, childKey});
            continue;
        }
        const std::string key = path.back().key;
        path.pop_back();
        if (path.empty()) {
            plist_free(node);
        } else if (plist_get_node_type(path.back().node) == PLIST_ARRAY) {
            plist_array_remove_item(path.back().node, plist_array_get_size(path.back().node) - 1);
        } else {
            plist_dict_remove_item(path.back().node, key.c_str());
        }
    }
}

// libplist 2.2 hands dates out as whole seconds and a sign-less microsecond part and takes them in
// as 32-bit seconds, which loses the sign of dates just before 2001 and every date after 2069.
// Its binary form carries the exact double, so dates pass through that form instead.
double dateSeconds(plist_t node)
{
    plist_t copy = plist_copy(node);
    char* bytes = nullptr;
    uint32_t length = 0;
    plist_to_bin(copy, &bytes, &length);
    plist_free(copy);
    double seconds = 0;
    const size_t objectAt = kBinaryMagicLength;
    if (bytes && length >= objectAt + 9 && static_cast<uint8_t>(bytes[objectAt]) == 0x33) {
        const uint64_t bits = readBigEndian(reinterpret_cast<const uint8_t*>(bytes) + objectAt + 1, 8);
        std::memcpy(&seconds, &bits, sizeof seconds);
    }
    if (bytes) plist_to_bin_free(bytes);
    return seconds;
}

plist_t newDateNode(double seconds)
{
    if (!std::isfinite(seconds)) seconds = 0;
    seconds = std::clamp(seconds, kEarliestDate, kLatestDate);
    uint64_t bits = 0;
    std::memcpy(&bits, &seconds, sizeof bits);
    // A binary list holding the date alone: magic, the date object, a one-entry offset table and
    // the trailer (1-byte offsets and references, one object, top object 0, table at byte 17).
    uint8_t list[kBinaryMagicLength + 9 + 1 + 32] = {};
    std::memcpy(list, kBinaryMagic, kBinaryMagicLength);
    list[8] = 0x33;
    for (int i = 0; i < 8; ++i) list[9 + i] = static_cast<uint8_t>(bits >> (56 - 8 * i));
    list[17] = 8;
    uint8_t* trailer = list + 18;
    trailer[6] = 1;
    trailer[7] = 1;
    trailer[15] = 1;
    trailer[31] = 17;
    plist_t node = nullptr;
    plist_from_bin(reinterpret_cast<const char*>(list), sizeof list, &node);
    return node ? node : plist_new_date(0, 0);
}

// Binary lists carry bytes as they were written, valid UTF-8 or not, and UTF-16 texts may hold
// U+0000, which no written list can carry; repaired here, every text read can be written again.
std::string validText(std::string text)
{
    if (!Utf8::isValid(text)) text = makeValidUtf8(text);
    for (size_t nul = text.find('\0'); nul != std::string::npos; nul = text.find('\0', nul)) {
        text.replace(nul, 1, "\uFFFD");
    }
    return text;
}

// Converts a parsed tree; false when it nests deeper than kMaxDepth or holds a value we do not know.
bool fromNode(plist_t node, size_t depth, PropertyList& out, std::string& reason)
{
    if (depth > kMaxDepth) {
        reason = nestedTooDeeply();
        return false;
    }
    switch (plist_get_node_type(node)) {
    case PLIST_BOOLEAN: {
        uint8_t value = 0;
        plist_get_bool_val(node, &value);
        out = PropertyList(value != 0);
        return true;
    }
    case PLIST_UINT: {
        uint64_t value = 0;
        plist_get_uint_val(node, &value);
        out = PropertyList(static_cast<int64_t>(value));
        return true;
    }
    case PLIST_REAL: {
        double value = 0;
        plist_get_real_val(node, &value);
        out = PropertyList(value);
        return true;
    }
    case PLIST_STRING:
    case PLIST_KEY: {
        uint64_t length = 0;
        const char* text = plist_get_string_ptr(node, &length);
        out = PropertyList(validText(text ? std::string(text, length) : std::string()));
        return true;
    }
    case PLIST_DATA: {
        uint64_t length = 0;
        const char* bytes = plist_get_data_ptr(node, &length);
        PropertyList::Data data;
        if (bytes) data.assign(bytes, bytes + length);
        out = PropertyList(std::move(data));
        return true;
    }
    case PLIST_DATE:
        out = PropertyList(PropertyList::Date{dateSeconds(node)});
        return true;
    case PLIST_UID: {
        // Written as the XML form of a keyed-archive reference, which is also how it reads from XML.
        uint64_t value = 0;
        plist_get_uid_val(node, &value);
        out = PropertyList(PropertyList::Dictionary{{"CF$UID", PropertyList(static_cast<int64_t>(value))}});
        return true;
    }
    case PLIST_ARRAY: {
        PropertyList::Array array;
        const uint32_t count = plist_array_get_size(node);
        array.reserve(count);
        for (uint32_t i = 0; i < count; ++i) {
            PropertyList item;
            if (!fromNode(plist_array_get_item(node, i), depth + 1, item, reason)) return false;
            array.push_back(std::move(item));
        }
        out = PropertyList(std::move(array));
        return true;
    }
    case PLIST_DICT: {
        PropertyList::Dictionary dictionary;
        plist_dict_iter iter = nullptr;
        plist_dict_new_iter(node, &iter);
        bool ok = true;
        for (;;) {
            char* key = nullptr;
            plist_t value = nullptr;
            plist_dict_next_item(node, iter, &key, &value);
            if (!value) {
                std::free(key);
                break;
            }
            PropertyList item;
            ok = fromNode(value, depth + 1, item, reason);
            if (ok) dictionary.insert_or_assign(validText(key ? key : ""), std::move(item));
            std::free(key);
            if (!ok) break;
        }
        std::free(iter);
        if (!ok) return false;
        out = PropertyList(std::move(dictionary));
        return true;
    }
    default:
        reason = "The property list holds a value of an unknown type.";
        return false;
    }
}

// Converts to a libplist tree; None values are left out of their containers.
plist_t toNode(const PropertyList& value)
{
    switch (value.type()) {
    case PropertyList::Type::None:
        return nullptr;
    case PropertyList::Type::Boolean:
        return plist_new_bool(value.boolValue() ? 1 : 0);
    case PropertyList::Type::Integer:
        return plist_new_uint(static_cast<uint64_t>(value.integerValue()));
    case PropertyList::Type::Real:
        return plist_new_real(value.realValue());
    case PropertyList::Type::String:
        return plist_new_string(value.stringValue().c_str());
    case PropertyList::Type::Data: {
        const PropertyList::Data& data = *value.dataValue();
        return plist_new_data(reinterpret_cast<const char*>(data.data()), data.size());
    }
    case PropertyList::Type::Date:
        return newDateNode(value.dateValue()->secondsSinceReferenceDate);
    case PropertyList::Type::Array: {
        plist_t array = plist_new_array();
        for (const PropertyList& item : *value.arrayValue()) {
            if (plist_t node = toNode(item)) plist_array_append_item(array, node);
        }
        return array;
    }
    case PropertyList::Type::Dictionary: {
        plist_t dictionary = plist_new_dict();
        for (const auto& [key, item] : *value.dictionaryValue()) {
            if (plist_t node = toNode(item)) plist_dict_set_item(dictionary, key.c_str(), node);
        }
        return dictionary;
    }
    }
    return nullptr;
}

int64_t realToInteger(double value)
{
    if (std::isnan(value)) return 0;
    // 2^63 is exactly representable; every double below it converts without overflow.
    if (value >= 9223372036854775808.0) return std::numeric_limits<int64_t>::max();
    if (value < -9223372036854775808.0) return std::numeric_limits<int64_t>::min();
    return static_cast<int64_t>(value);
}

} // namespace

bool PropertyList::boolValue(bool fallback) const
{
    if (const bool* v = std::get_if<bool>(&_v)) return *v;
    if (const int64_t* v = std::get_if<int64_t>(&_v)) return *v != 0;
    if (const double* v = std::get_if<double>(&_v)) return *v != 0;
    return fallback;
}

int64_t PropertyList::integerValue(int64_t fallback) const
{
    if (const int64_t* v = std::get_if<int64_t>(&_v)) return *v;
    if (const double* v = std::get_if<double>(&_v)) return realToInteger(*v);
    if (const bool* v = std::get_if<bool>(&_v)) return *v ? 1 : 0;
    return fallback;
}

double PropertyList::realValue(double fallback) const
{
    if (const double* v = std::get_if<double>(&_v)) return *v;
    if (const int64_t* v = std::get_if<int64_t>(&_v)) return static_cast<double>(*v);
    if (const bool* v = std::get_if<bool>(&_v)) return *v ? 1.0 : 0.0;
    return fallback;
}

std::string PropertyList::stringValue(const std::string& fallback) const
{
    if (const std::string* v = std::get_if<std::string>(&_v)) return *v;
    return fallback;
}

const PropertyList::Data* PropertyList::dataValue() const
{
    return std::get_if<Data>(&_v);
}

const PropertyList::Array* PropertyList::arrayValue() const
{
    return std::get_if<Array>(&_v);
}

const PropertyList::Dictionary* PropertyList::dictionaryValue() const
{
    return std::get_if<Dictionary>(&_v);
}

PropertyList::Array* PropertyList::arrayValue()
{
    return std::get_if<Array>(&_v);
}

PropertyList::Dictionary* PropertyList::dictionaryValue()
{
    return std::get_if<Dictionary>(&_v);
}

std::optional<PropertyList::Date> PropertyList::dateValue() const
{
    if (const Date* v = std::get_if<Date>(&_v)) return *v;
    return std::nullopt;
}

const PropertyList& PropertyList::operator[](const std::string& key) const
{
    static const PropertyList none;
    if (const Dictionary* dictionary = dictionaryValue()) {
        auto it = dictionary->find(key);
        if (it != dictionary->end()) return it->second;
    }
    return none;
}

std::optional<PropertyList> PropertyList::fromData(const Data& data, Error* error)
{
    if (data.empty()) {
        setError(error, readError("The property list is empty."));
        return std::nullopt;
    }
    if (data.size() > std::numeric_limits<uint32_t>::max()) {
        setError(error, readError("The property list is too large."));
        return std::nullopt;
    }
    const bool binary =
        data.size() >= kBinaryMagicLength && std::memcmp(data.data(), kBinaryMagic, kBinaryMagicLength) == 0;
    std::string reason;
    plist_t root = nullptr;
    if (binary) {
        if (!checkBinaryShape(data.data(), data.size(), reason)) {
            setError(error, readError(reason));
            return std::nullopt;
        }
        plist_from_bin(reinterpret_cast<const char*>(data.data()), static_cast<uint32_t>(data.size()), &root);
        if (!root) reason = "The binary property list is malformed.";
    } else if (std::memchr(data.data(), 0, data.size())) {
        // Not allowed in XML, and fatal to libplist inside a dictionary key.
        setError(error, readError("The XML property list contains a NUL character."));
        return std::nullopt;
    } else {
        // The XML parser does not recurse, so depth is checked on the parsed tree.
        plist_from_xml(reinterpret_cast<const char*>(data.data()), static_cast<uint32_t>(data.size()), &root);
        if (!root) reason = "The data is neither a binary nor a well-formed XML property list.";
    }
    if (!root) {
        setError(error, readError(reason));
        return std::nullopt;
    }

    PropertyList result;
    const bool ok = fromNode(root, 0, result, reason);
    if (ok) {
        plist_free(root);
        return result;
    }
    freeDeepTree(root);
    setError(error, readError(reason));
    return std::nullopt;
}

PropertyList::Data PropertyList::toData(Format format) const
{
    plist_t root = toNode(*this);
    if (!root) return {};
    char* bytes = nullptr;
    uint32_t length = 0;
    if (format == Format::Binary) {
        plist_to_bin(root, &bytes, &length);
    } else {
        plist_to_xml(root, &bytes, &length);
    }
    plist_free(root);
    Data result;
    if (bytes) {
        result.assign(bytes, bytes + length);
        if (format == Format::Binary) {
            plist_to_bin_free(bytes);
        } else {
            plist_to_xml_free(bytes);
        }
    }
    return result;
}
