#include "link/server/http_request.h"

#include <algorithm>

namespace {

constexpr std::string_view part_prefix = "Content-Disposition: form-data;";
constexpr std::string_view name_marker = "name=\"";
constexpr std::string_view file_name_marker = "filename=\"";
constexpr std::string_view header_end = "\r\n\r\n";
constexpr std::string_view line_end = "\r\n";

small_string decoded(std::string_view text)
{
    small_string string(text);
    url_decode(string);
    return string;
}

} // namespace

void params_add(params_map& params, std::string_view name, std::string_view value)
{
    params.lookup_or_insert(name).push_back(small_string(value));
}

void parse_query_string(const char* query, params_map& params)
{
    if (query) parse_query_string(std::string_view(query), params);
}

void parse_query_string(std::string_view query, params_map& params)
{
    size_t start = 0;
    while (start <= query.size()) {
        const size_t end = std::min(query.find('&', start), query.size());
        const std::string_view segment = query.substr(start, end - start);
        const size_t equals = segment.find('=');
        const small_string name = decoded(segment.substr(0, equals));
        if (!name.empty()) {
            const small_string value =
                equals == std::string_view::npos ? small_string() : decoded(segment.substr(equals + 1));
            params_add(params, name.view(), value.view());
        }
        start = end + 1;
    }
}

void split_multipart_body(std::string_view body, std::vector<multipart_part>& parts)
{
    size_t position = 0;
    while (position < body.size()) {
        // The delimiter line ends at the first line end, looked for only up to a zero byte; the
        // scan stops at either, so each line is read once.
        size_t line = position;
        while (line < body.size() && body[line] != '\0' &&
               !(body[line] == '\r' && line + 1 < body.size() && body[line + 1] == '\n'))
            ++line;
        if (line >= body.size() || body[line] == '\0') return;
        const std::string_view delimiter = body.substr(position, line - position);
        if (delimiter.size() < 4 || 2 * delimiter.size() >= body.size() - position) return;
        const size_t content = line + line_end.size();
        // A match must start before the body's length less the delimiter's length.
        const size_t occurrence = find_bytes(body.substr(0, body.size() - 1), delimiter, content);
        if (occurrence == std::string_view::npos) return;
        parts.push_back(body.substr(content, occurrence - content));
        position = occurrence;
    }
}

void parse_multipart_part(multipart_part part, params_map& params)
{
    if (part.size() <= part_prefix.size() || !part.starts_with(part_prefix)) return;
    const size_t header_length = part.find(header_end);
    if (header_length == std::string_view::npos) return;
    const std::string_view header = part.substr(0, header_length);
    std::string_view content = part.substr(header_length + header_end.size());

    // A header without a complete name has no field to fill; nothing past the header is read.
    const size_t marker = header.find(name_marker);
    if (marker == std::string_view::npos) return;
    const size_t name_start = marker + name_marker.size();
    const size_t name_end = header.find('"', name_start);
    if (name_end == std::string_view::npos) return;
    const std::string_view name = header.substr(name_start, name_end - name_start);

    const size_t file_marker = header.find(file_name_marker, name_start);
    if (file_marker != std::string_view::npos) {
        const size_t file_start = file_marker + file_name_marker.size();
        const size_t file_end = header.find('"', file_start);
        if (file_end != std::string_view::npos)
            params_add(params, "filename", header.substr(file_start, file_end - file_start));
    }

    // The line end before the next delimiter belongs to the delimiter, also for binary parts: left
    // on an uploaded file it would become two stray bytes at its end.
    if (content.ends_with(line_end)) content.remove_suffix(line_end.size());
    if (!name.empty()) params_add(params, name, content);
}

void http_request_parse_path(http_request& request, std::string_view uri)
{
    request.path.clear();
    request.name.clear();
    const size_t question = uri.find('?');
    request.path = small_string(uri.substr(0, question));
    url_decode(request.path);
    const std::string_view path = request.path.view();
    const size_t slash = path.rfind('/');
    if (slash != std::string_view::npos) {
        request.name = decoded(path.substr(slash + 1));
        // The name becomes a store key and a file name: it has to be text.
        if (!utf8_valid(request.name.view())) request.name.clear();
    }
}

void http_request_parse(http_request& request, std::string_view uri, std::string_view body)
{
    http_request_free(request);
    request.status = 200;
    http_request_parse_path(request, uri);
    const size_t question = uri.find('?');
    if (question != std::string_view::npos) parse_query_string(uri.substr(question + 1), request.params);

    std::vector<multipart_part> parts;
    split_multipart_body(body, parts);
    for (const multipart_part part : parts) parse_multipart_part(part, request.params);
}

void http_request_free(http_request& request)
{
    request.params.destroy();
    request.path.clear();
    request.name.clear();
}

const small_string& http_get_param(const http_request& request, std::string_view name, size_t index)
{
    static const small_string empty;
    const int32_t slot = request.params.find(name);
    if (slot < 0) return empty;
    const string_vector& values = request.params.at(static_cast<uint32_t>(slot)).value;
    return index < values.size() ? values[index] : empty;
}
