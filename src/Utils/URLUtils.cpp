#include "Utils/URLUtils.h"

#include <cstdint>

namespace {

bool isAlpha(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

int hexValue(char c)
{
    if (isDigit(c)) return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool isUnreserved(char c)
{
    return isAlpha(c) || isDigit(c) || c == '-' || c == '.' || c == '_' || c == '~';
}

bool isSubDelimiter(char c)
{
    switch (c) {
    case '!':
    case '$':
    case '&':
    case '\'':
    case '(':
    case ')':
    case '*':
    case '+':
    case ',':
    case ';':
    case '=':
        return true;
    default:
        return false;
    }
}

bool isGeneralDelimiter(char c)
{
    switch (c) {
    case ':':
    case '/':
    case '?':
    case '#':
    case '[':
    case ']':
    case '@':
        return true;
    default:
        return false;
    }
}

bool isURLCharacter(char c)
{
    return isUnreserved(c) || isSubDelimiter(c) || isGeneralDelimiter(c);
}

bool isFragmentCharacter(char c)
{
    return isUnreserved(c) || isSubDelimiter(c) || c == ':' || c == '@' || c == '/' || c == '?';
}

bool isPathCharacter(char c)
{
    return isUnreserved(c) || isSubDelimiter(c) || c == ':' || c == '@' || c == '/';
}

bool startsEscape(std::string_view text, size_t i)
{
    return text[i] == '%' && i + 2 < text.size() && hexValue(text[i + 1]) >= 0 && hexValue(text[i + 2]) >= 0;
}

void appendEscaped(std::string& out, unsigned char byte)
{
    static constexpr char digits[] = "0123456789ABCDEF";
    out += '%';
    out += digits[byte >> 4];
    out += digits[byte & 0x0F];
}

template <typename Keep> std::string escape(std::string_view text, Keep keep, bool keepEscapes)
{
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (keep(c) || (keepEscapes && startsEscape(text, i))) out += c;
        else appendEscaped(out, static_cast<unsigned char>(c));
    }
    return out;
}

std::string asciiLowercase(std::string_view text)
{
    std::string out(text);
    for (char& c : out) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return out;
}

// The host of an authority ("user@host:port"); nothing when the port or the brackets are bad.
std::optional<std::string> hostOfAuthority(std::string_view authority)
{
    if (const size_t at = authority.rfind('@'); at != std::string_view::npos) authority.remove_prefix(at + 1);
    std::string_view host;
    std::string_view rest;
    if (!authority.empty() && authority.front() == '[') {
        const size_t close = authority.find(']');
        if (close == std::string_view::npos) return std::nullopt;
        host = authority.substr(1, close - 1);
        rest = authority.substr(close + 1);
        if (!rest.empty() && rest.front() != ':') return std::nullopt;
    } else {
        const size_t colon = authority.find(':');
        host = authority.substr(0, colon);
        rest = colon == std::string_view::npos ? std::string_view() : authority.substr(colon);
    }
    if (host.find_first_of("[]") != std::string_view::npos) return std::nullopt;
    if (!rest.empty()) {
        for (char c : rest.substr(1)) {
            if (!isDigit(c)) return std::nullopt;
        }
    }
    return std::string(host);
}

} // namespace

std::optional<URLComponents> parseURLString(std::string_view text)
{
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '%') {
            if (!startsEscape(text, i)) return std::nullopt;
        } else if (!isURLCharacter(c)) {
            return std::nullopt;
        }
    }

    URLComponents components;
    std::string_view rest = text;
    // A scheme is a letter, then letters, digits, "+", "-" or ".", then ":" before any "/?#".
    if (!rest.empty() && isAlpha(rest.front())) {
        size_t end = 1;
        while (end < rest.size() &&
               (isAlpha(rest[end]) || isDigit(rest[end]) || rest[end] == '+' || rest[end] == '-' || rest[end] == '.'))
            ++end;
        if (end < rest.size() && rest[end] == ':') {
            components.scheme = asciiLowercase(rest.substr(0, end));
            rest.remove_prefix(end + 1);
        }
    }
    if (rest.starts_with("//")) {
        rest.remove_prefix(2);
        const size_t end = rest.find_first_of("/?#");
        const std::optional<std::string> host = hostOfAuthority(rest.substr(0, end));
        if (!host) return std::nullopt;
        components.host = *host;
        rest = end == std::string_view::npos ? std::string_view() : rest.substr(end);
    }
    components.path = std::string(rest.substr(0, rest.find_first_of("?#")));
    return components;
}

std::string percentEscapeURLString(std::string_view text)
{
    return escape(text, isURLCharacter, true);
}

std::string percentEncodeURLFragment(std::string_view text)
{
    return escape(text, isFragmentCharacter, true);
}

std::optional<std::string> percentDecode(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            out += text[i];
            continue;
        }
        if (!startsEscape(text, i)) return std::nullopt;
        out += static_cast<char>(hexValue(text[i + 1]) * 16 + hexValue(text[i + 2]));
        i += 2;
    }
    return out;
}

std::string fileURLWithPath(std::string_view path)
{
    return "file://" + escape(path, isPathCharacter, false);
}

std::string pathWithFileURL(std::string_view url)
{
    std::optional<URLComponents> components = parseURLString(url);
    if (!components || components->scheme != "file") return {};
    if (!components->host.empty() && components->host != "localhost") return {};
    std::optional<std::string> path = percentDecode(components->path);
    if (!path || path->empty() || path->front() != '/') return {};
    return *path;
}
