#pragma once

#include <optional>
#include <string>
#include <string_view>

// The little of URLs that link texts need: splitting a URL into scheme, host and path, and
// percent-escaping and -decoding. Escaping works on bytes, so UTF-8 text is escaped as UTF-8.

struct URLComponents {
    // In lower case; empty when the text has none (then it is a relative reference or a path).
    std::string scheme;
    // As written, still escaped, without user information, port or IPv6 brackets; empty when the
    // URL has no authority ("mailto:x") or an empty one ("file:///x").
    std::string host;
    // As written, still escaped: everything after the authority up to "?" or "#".
    std::string path;
};

// Splits URL text. Nothing for text that holds a character a URL may not hold (escape it first
// with percentEscapeURLString), a "%" not followed by two hexadecimal digits, an unclosed IPv6
// bracket or a port that is not a number.
std::optional<URLComponents> parseURLString(std::string_view text);

// Escapes every byte that a URL may not hold (spaces, controls, quotes, "<>\^`{|}", "%" that
// does not start an escape, all non-ASCII bytes) as "%XX"; the characters with a meaning in URLs
// (":/?#[]@!$&'()*+,;=") and existing escapes stay, so escaping twice changes nothing.
std::string percentEscapeURLString(std::string_view text);

// Escapes the text for use after "#": like percentEscapeURLString, but "#", "[" and "]" are
// escaped too.
std::string percentEncodeURLFragment(std::string_view text);

// Replaces each "%XX" by its byte; nothing when a "%" does not start a valid escape.
std::optional<std::string> percentDecode(std::string_view text);

// "file://" followed by the path, escaped so that it decodes to exactly the path again.
std::string fileURLWithPath(std::string_view path);

// The absolute path a local file URL names; empty for any other URL.
std::string pathWithFileURL(std::string_view url);
