#pragma once

// HTTP/1.x requests as they arrive on a connection: the head (request line and headers) once it is
// complete, then the body, by its length or in chunks, as it comes. Nothing here knows sockets;
// every limit is checked before the bytes it guards are kept.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

enum class http_wire_error {
    none,
    bad_request,     // 400
    head_too_large,  // 431
    body_too_large,  // 413
    not_implemented, // 501: a transfer coding other than chunked
};

// The status a refusal is answered with.
int http_wire_status(http_wire_error error);

struct http_wire_head {
    std::string method;
    std::string target;
    int minor_version = 1;
    // In arrival order; names as sent.
    std::vector<std::pair<std::string, std::string>> headers;
    bool chunked = false;
    uint64_t content_length = 0;
    bool keep_alive = true;
    bool expects_continue = false;

    // The first header of the name, compared without regard to case; null when absent.
    const std::string* find(std::string_view name) const;
    bool has_body() const { return chunked || content_length > 0; }
};

struct http_wire_limits {
    size_t max_head_bytes = 64 * 1024;
    size_t max_headers = 100;
    uint64_t max_body_bytes = uint64_t{64} << 20;
};

// The end of the head in the bytes received so far: the offset just past its blank line, or npos.
// scanned carries over between calls (start it at 0 for each head), so every byte is looked at
// once however the bytes arrive.
size_t http_find_head_end(std::string_view received, size_t& scanned);

// Parses a complete head, blank line included. Lines may end in CRLF or LF alone; a line that
// starts with a space or a tab continues the header before it.
bool http_parse_head(std::string_view block, const http_wire_limits& limits, http_wire_head& head,
                     http_wire_error& error);

// Takes a body out of the bytes that follow its head, however they are cut.
class http_body_reader {
public:
    // Takes the decoded content; false stops the reader (the caller's storage failed).
    using sink = std::function<bool(std::string_view)>;

    void start(const http_wire_head& head, uint64_t max_body_bytes);
    // Answers the number of input bytes used; stops at the end of the body, so what follows is the
    // next request's.
    size_t consume(std::string_view input, const sink& take);

    bool done() const { return phase_ == phase::done; }
    bool failed() const { return phase_ == phase::failed; }
    http_wire_error error() const { return error_; }
    // Content bytes so far.
    uint64_t received() const { return received_; }

private:
    enum class phase { length, chunk_size, chunk_data, chunk_data_end, trailer, done, failed };

    size_t fail(http_wire_error error, size_t used);
    // The line that ends in the input, appended to line_ when it arrives in pieces; false while it
    // is still open. A line over the limit fails the body.
    bool take_line(std::string_view input, size_t& used, std::string& line);

    phase phase_ = phase::done;
    http_wire_error error_ = http_wire_error::none;
    uint64_t remaining_ = 0;
    uint64_t received_ = 0;
    uint64_t max_ = 0;
    size_t trailer_bytes_ = 0;
    std::string line_;
};
