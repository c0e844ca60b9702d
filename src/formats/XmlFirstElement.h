#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

// The name (as written, prefix included) of the first element of an XML document, found by
// reading no further than that element's start tag: a document of any size costs only its
// prologue. The prologue (declaration, comments, processing instructions, one document type
// declaration) must be well formed, and the start tag complete. Byte-order marks of UTF-8 and
// UTF-16 are honoured, as is UTF-16 without one. Empty when no element is found that way.
// Nothing is expanded or fetched: entities and external subsets are never read.
std::optional<std::string> firstXmlElementName(std::span<const uint8_t> data);
