#pragma once

#include "MindMaps/MindMapFormats.h"
#include "platform/Error.h"

#include <pugixml.hpp>

#include <cstddef>
#include <cstdint>

// Why bytes that should hold a map hold none, in words a user can act on. Every error made here
// is of ErrorDomain: its description says in plain words what is wrong with the document, and its
// reason carries the technical finding (the parser's words and where it stopped), which an alert
// shows at most as a secondary line.
namespace DocumentDamage {

inline constexpr const char* ErrorDomain = "TarnwickXmlErrorDomain";

// The error codes.
enum Kind : int64_t {
    // The data ends inside the document: a write or a copy was cut short.
    CutShort = 1,
    // The data does not begin as any XML document does: random bytes, or a file of another kind.
    NotADocument = 2,
    // Well-formed up to a point inside, broken there.
    Malformed = 3,
    Empty = 4,
    // Well-formed XML of another vocabulary.
    ForeignDocument = 5,
    // The native root without the "mindmap" element in it.
    NoMap = 6,
    // A zip container whose document is missing or cannot be unpacked.
    PackedWithoutDocument = 7,
    // A file larger than any map's, refused unread: the user is told its size is why, the reason
    // names the limit.
    TooLarge = 8,
};

// The error of XML that did not parse, told by where the parser stopped in the data.
Error parseError(const pugi::xml_parse_result& result, const void* data, size_t size);

// Why native data (bare or in its container) holds no map that the reader would take; an empty
// error when it holds one.
Error describe(const MindMapData& data);

// The error of a map's file refused for its size; the reason is the reader's finding.
Error tooLarge(std::string finding);

} // namespace DocumentDamage
