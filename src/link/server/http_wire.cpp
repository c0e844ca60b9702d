#include "link/server/http_wire.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr size_t max_chunk_line = 1024;
constexpr size_t max_trailer_bytes = 64 * 1024;

char lower(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool equal_ignoring_case(std::string_view a, std::string_view b)
{
    return a.size() == b.size() &&
        std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return lower(x) == lower(y); });
}

std::string_view trimmed(std::string_view text)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
    return text;
}

bool is_token_character(char c)
{
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')) return true;
    return std::strchr("!#$%&'*+-.^_`|~", c) != nullptr && c != '\0';
}

bool is_token(std::string_view text)
{
    return !text.empty() && std::all_of(text.begin(), text.end(), is_token_character);
}

// Every comma-separated element of a header value, trimmed.
template <class Visit> void for_each_element(std::string_view value, Visit visit)
{
    while (true) {
        const size_t comma = value.find(',');
        visit(trimmed(value.substr(0, comma)));
        if (comma == std::string_view::npos) return;
        value.remove_prefix(comma + 1);
    }
}

bool parse_decimal(std::string_view text, uint64_t& value)
{
    if (text.empty() || text.size() > 19) return false;
    value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') return false;
        value = value * 10 + static_cast<uint64_t>(c - '0');
    }
    return true;
}

// The lines of a head; a line ends at LF, a CR before it dropped.
class line_reader {
public:
    explicit line_reader(std::string_view text) : text_(text) {}
    bool next(std::string_view& line)
    {
        if (text_.empty()) return false;
        const size_t end = text_.find('\n');
        line = text_.substr(0, end);
        text_.remove_prefix(end == std::string_view::npos ? text_.size() : end + 1);
        if (line.ends_with('\r')) line.remove_suffix(1);
        return true;
    }

private:
    std::string_view text_;
};

bool parse_request_line(std::string_view line, http_wire_head& head)
{
    const size_t first = line.find(' ');
    if (first == std::string_view::npos) return false;
    const size_t second = line.find(' ', first + 1);
    if (second == std::string_view::npos || line.find(' ', second + 1) != std::string_view::npos) return false;
    const std::string_view method = line.substr(0, first);
    const std::string_view target = line.substr(first + 1, second - first - 1);
    const std::string_view version = line.substr(second + 1);
    if (!is_token(method) || target.empty()) return false;
    // The target is what the handlers decode: no control characters and no spaces.
    if (std::any_of(target.begin(), target.end(),
                    [](char c) { return static_cast<unsigned char>(c) <= 0x20 || c == 0x7F; }))
        return false;
    if (version.size() != 8 || !version.starts_with("HTTP/1.") || version[7] < '0' || version[7] > '9') return false;
    head.method = method;
    head.target = target;
    head.minor_version = version[7] - '0';
    return true;
}

} // namespace

int http_wire_status(http_wire_error error)
{
    switch (error) {
    case http_wire_error::none:
        return 200;
    case http_wire_error::bad_request:
        return 400;
    case http_wire_error::head_too_large:
        return 431;
    case http_wire_error::body_too_large:
        return 413;
    case http_wire_error::not_implemented:
        return 501;
    }
    return 400;
}

const std::string* http_wire_head::find(std::string_view name) const
{
    for (const auto& [key, value] : headers)
        if (equal_ignoring_case(key, name)) return &value;
    return nullptr;
}

size_t http_find_head_end(std::string_view received, size_t& scanned)
{
    // A blank line is LF followed by LF or by CR LF; leading empty lines before the request line
    // are not a head's end, they are skipped by the parser.
    for (size_t at = scanned; at < received.size(); ++at) {
        if (received[at] != '\n') continue;
        if (at + 1 < received.size() && received[at + 1] == '\n') return at + 2;
        if (at + 2 < received.size() && received[at + 1] == '\r' && received[at + 2] == '\n') return at + 3;
        if (at + 2 >= received.size()) {
            // The blank line may still be arriving: look at this line feed again next time.
            scanned = at;
            return std::string_view::npos;
        }
    }
    scanned = received.size();
    return std::string_view::npos;
}

bool http_parse_head(std::string_view block, const http_wire_limits& limits, http_wire_head& head,
                     http_wire_error& error)
{
    head = http_wire_head{};
    error = http_wire_error::bad_request;
    if (block.size() > limits.max_head_bytes) {
        error = http_wire_error::head_too_large;
        return false;
    }
    line_reader lines(block);
    std::string_view line;
    // Empty lines before a request are allowed, as after a body some clients end with one more.
    do {
        if (!lines.next(line)) return false;
    } while (line.empty());
    if (!parse_request_line(line, head)) return false;

    bool length_seen = false;
    while (lines.next(line) && !line.empty()) {
        if (line.front() == ' ' || line.front() == '\t') {
            if (head.headers.empty()) return false;
            std::string& value = head.headers.back().second;
            const std::string_view more = trimmed(line);
            if (!more.empty()) {
                if (!value.empty()) value += ' ';
                value += more;
            }
            continue;
        }
        const size_t colon = line.find(':');
        if (colon == std::string_view::npos || !is_token(line.substr(0, colon))) return false;
        if (head.headers.size() >= limits.max_headers) {
            error = http_wire_error::head_too_large;
            return false;
        }
        head.headers.emplace_back(line.substr(0, colon), trimmed(line.substr(colon + 1)));
    }

    for (const auto& [name, value] : head.headers) {
        if (equal_ignoring_case(name, "content-length")) {
            uint64_t length = 0;
            // Two different lengths leave the end of the body to guesswork.
            if (!parse_decimal(value, length) || (length_seen && length != head.content_length)) return false;
            head.content_length = length;
            length_seen = true;
        } else if (equal_ignoring_case(name, "transfer-encoding")) {
            bool chunked_last = false;
            bool other = false;
            for_each_element(value, [&](std::string_view coding) {
                if (coding.empty()) return;
                chunked_last = equal_ignoring_case(coding, "chunked");
                if (!chunked_last && !equal_ignoring_case(coding, "identity")) other = true;
            });
            if (other) {
                error = http_wire_error::not_implemented;
                return false;
            }
            if (chunked_last) head.chunked = true;
        } else if (equal_ignoring_case(name, "connection")) {
            for_each_element(value, [&](std::string_view option) {
                if (equal_ignoring_case(option, "close")) head.keep_alive = false;
            });
        } else if (equal_ignoring_case(name, "expect")) {
            head.expects_continue = equal_ignoring_case(trimmed(value), "100-continue");
        }
    }
    if (head.minor_version == 0) {
        // HTTP/1.0 keeps a connection only when asked to, and knows no chunks.
        const std::string* connection = head.find("connection");
        bool asked = false;
        if (connection)
            for_each_element(*connection, [&](std::string_view option) {
                if (equal_ignoring_case(option, "keep-alive")) asked = true;
            });
        head.keep_alive = head.keep_alive && asked;
        head.expects_continue = false;
        if (head.chunked) return false;
    }
    // Chunks decide where the body ends, whatever a length says.
    if (head.chunked) head.content_length = 0;
    if (head.content_length > limits.max_body_bytes) {
        error = http_wire_error::body_too_large;
        return false;
    }
    error = http_wire_error::none;
    return true;
}

void http_body_reader::start(const http_wire_head& head, uint64_t max_body_bytes)
{
    error_ = http_wire_error::none;
    received_ = 0;
    max_ = max_body_bytes;
    trailer_bytes_ = 0;
    line_.clear();
    if (head.chunked) {
        phase_ = phase::chunk_size;
    } else if (head.content_length > max_body_bytes) {
        phase_ = phase::failed;
        error_ = http_wire_error::body_too_large;
    } else {
        remaining_ = head.content_length;
        phase_ = remaining_ ? phase::length : phase::done;
    }
}

size_t http_body_reader::fail(http_wire_error error, size_t used)
{
    phase_ = phase::failed;
    error_ = error;
    return used;
}

bool http_body_reader::take_line(std::string_view input, size_t& used, std::string& line)
{
    const std::string_view rest = input.substr(used);
    const size_t end = rest.find('\n');
    const size_t piece = end == std::string_view::npos ? rest.size() : end;
    if (line_.size() + piece > max_chunk_line) {
        fail(http_wire_error::bad_request, used);
        return false;
    }
    line_.append(rest.substr(0, piece));
    if (end == std::string_view::npos) {
        used = input.size();
        return false;
    }
    used += end + 1;
    if (!line_.empty() && line_.back() == '\r') line_.pop_back();
    line.swap(line_);
    line_.clear();
    return true;
}

size_t http_body_reader::consume(std::string_view input, const sink& take)
{
    size_t used = 0;
    while (true) {
        switch (phase_) {
        case phase::done:
        case phase::failed:
            return used;
        case phase::length:
        case phase::chunk_data: {
            const size_t piece = static_cast<size_t>(std::min<uint64_t>(remaining_, input.size() - used));
            if (piece == 0) return used;
            if (!take(input.substr(used, piece))) return fail(http_wire_error::none, used);
            used += piece;
            received_ += piece;
            remaining_ -= piece;
            if (remaining_ == 0) phase_ = phase_ == phase::length ? phase::done : phase::chunk_data_end;
            break;
        }
        case phase::chunk_size: {
            std::string line;
            if (!take_line(input, used, line)) return used;
            const std::string_view size_text = trimmed(std::string_view(line).substr(0, line.find(';')));
            if (size_text.empty() || size_text.size() > 15) return fail(http_wire_error::bad_request, used);
            uint64_t size = 0;
            for (const char c : size_text) {
                const int digit = c >= '0' && c <= '9'   ? c - '0'
                    : lower(c) >= 'a' && lower(c) <= 'f' ? lower(c) - 'a' + 10
                                                         : -1;
                if (digit < 0) return fail(http_wire_error::bad_request, used);
                size = size * 16 + static_cast<uint64_t>(digit);
            }
            if (size > max_ - received_) return fail(http_wire_error::body_too_large, used);
            remaining_ = size;
            phase_ = size ? phase::chunk_data : phase::trailer;
            break;
        }
        case phase::chunk_data_end: {
            std::string line;
            if (!take_line(input, used, line)) return used;
            if (!line.empty()) return fail(http_wire_error::bad_request, used);
            phase_ = phase::chunk_size;
            break;
        }
        case phase::trailer: {
            // Trailer fields are read and dropped up to the blank line; the limit on a line holds.
            std::string line;
            if (!take_line(input, used, line)) return used;
            trailer_bytes_ += line.size() + 1;
            if (trailer_bytes_ > max_trailer_bytes) return fail(http_wire_error::head_too_large, used);
            if (line.empty()) phase_ = phase::done;
            break;
        }
        }
    }
}
