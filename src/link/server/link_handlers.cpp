#include "link/server/link_handlers.h"

#include "link/server/pairing.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <string>

namespace {

constexpr const char* error_index_format =
    "<diagram-index><folder name=\"Error\"><diagram name=\"%s (%d)\" id=\"1234\"/></folder></diagram-index>";
constexpr std::string_view stream_error = "<error>Stream Error: unable to read the file or file does no exist.</error>";
constexpr std::string_view data_error = "<error>Data Error: unable to convert the file into Tarnwick format.</error>";
constexpr std::string_view internal_error =
    "<error>Internal Error: request could not complete due to an internal error.</error>";
constexpr std::string_view undeclared_error = "<error>Invallid Error: undeclared internal error code returned.</error>";
constexpr std::string_view memory_error =
    "<error>Memory Error: unable to allocate an internal response buffer of sufficient size.</error>";

std::string_view text_before_zero(const std::string& buffer)
{
    const std::string_view view(buffer);
    return view.substr(0, std::min(view.find('\0'), view.size()));
}

// The phone reads the index up to one line feed after it; the store's index already ends with one.
std::string index_body(const std::string& buffer)
{
    std::string body(text_before_zero(buffer));
    if (!body.ends_with('\n')) body += '\n';
    return body;
}

link_server_callbacks* callbacks_of(const http_router& router)
{
    return router.context->callbacks;
}

} // namespace

int link_stream_version(std::string_view header)
{
    // What the C library's atoi reads, without its undefined result for a number out of range.
    size_t at = 0;
    while (at < header.size() && std::isspace(static_cast<unsigned char>(header[at]))) ++at;
    bool negative = false;
    if (at < header.size() && (header[at] == '+' || header[at] == '-')) negative = header[at++] == '-';
    int64_t value = 0;
    for (; at < header.size() && header[at] >= '0' && header[at] <= '9'; ++at)
        value = std::min<int64_t>(value * 10 + (header[at] - '0'), int64_t{INT_MAX} + 1);
    if (negative) value = -value;
    return static_cast<int>(std::clamp<int64_t>(value, INT_MIN, INT_MAX));
}

int link_fetch_index(link_server_callbacks* callbacks, std::string& body)
{
    std::string buffer(2048, '\0');
    int result = callbacks ? callbacks->LinkServerGetMindMapIndex(buffer.data(), buffer.size()) : -1;
    if (result == 0) {
        body = index_body(buffer);
        return 200;
    }
    if (result < 0) {
        body = small_string_format(error_index_format, "1st try error", result).c_str();
        return 500;
    }
    // The size the services asked for is what they say, not what they can be trusted with.
    if (static_cast<size_t>(result) <= link_max_body_size) {
        buffer.assign(static_cast<size_t>(result), '\0');
        result = callbacks->LinkServerGetMindMapIndex(buffer.data(), buffer.size());
        if (result == 0) {
            body = index_body(buffer);
            return 200;
        }
    }
    body = small_string_format(error_index_format, result < 0 ? "2nd try error" : "2nd try need more space", result)
               .c_str();
    return 500;
}

void link_fetch_data(link_server_callbacks* callbacks, const char* key, int stream_version, std::string& body)
{
    std::string buffer(8192, '\0');
    int result =
        callbacks ? callbacks->LinkServerGetMindMapData(key, buffer.data(), buffer.size(), stream_version) : -1;
    if (result > 0 && static_cast<size_t>(result) <= link_max_body_size) {
        buffer.assign(static_cast<size_t>(result), '\0');
        result = callbacks->LinkServerGetMindMapData(key, buffer.data(), buffer.size(), stream_version);
    }
    switch (result) {
    case 0:
        body = text_before_zero(buffer);
        return;
    case -1:
        body = stream_error;
        return;
    case -2:
        body = data_error;
        return;
    case -3:
        body = internal_error;
        return;
    default:
        body = result < 0 ? undeclared_error : memory_error;
    }
}

small_string link_upload_key(std::string_view filename)
{
    return small_string(filename.substr(0, filename.rfind('.')));
}

void identify_handler::handle(http_router& router, const small_string&, http_request& request)
{
    link_server_state& state = *router.context->state;
    pairing_session record;
    // An app that lost its challenge gets a fresh one here without a valid authenticator; only a
    // request that proves the pairing moves the app's own challenge on.
    const bool answered = check_authenticate(state, record, request)
        ? answer_challenge(state, record, request)
        : answer_unauthenticated_challenge(state, record, request);
    if (answered) http_set_header(request, "Fernquill-Version", "3");
    http_reply_text(request, answered ? "OK" : "FAIL");
}

void mindmaps_list_handler::handle(http_router& router, const small_string&, http_request& request)
{
    link_server_state& state = *router.context->state;
    pairing_session record;
    std::string body;
    if (check_authenticate(state, record, request) && answer_challenge(state, record, request))
        request.status = link_fetch_index(callbacks_of(router), body);
    if (request.status == 200 || !body.empty()) http_reply_text(request, body);
    else http_reply_error_page(request);
}

void mindmaps_retrieve_handler::handle(http_router& router, const small_string&, http_request& request)
{
    link_server_state& state = *router.context->state;
    pairing_session record;
    if (!check_authenticate(state, record, request)) {
        http_reply_error_page(request);
        return;
    }
    small_string version;
    http_get_header(request, "fernquill-version", version);
    std::string body;
    link_fetch_data(callbacks_of(router), request.name.c_str(), link_stream_version(version.view()), body);
    answer_challenge(state, record, request);
    http_reply_text(request, body);
}

void mindmaps_upload_handler::handle(http_router& router, const small_string&, http_request& request)
{
    link_server_state& state = *router.context->state;
    pairing_session record;
    if (!check_authenticate(state, record, request)) {
        http_reply_error_page(request);
        return;
    }
    const small_string& filename = http_get_param(request, "filename", 0);
    const small_string& user_id = http_get_param(request, "userid", 0);
    std::string body = "<upload>";
    bool imported = true;
    const small_string& map = http_get_param(request, "twk", 0);
    if (!map.empty()) {
        body += "\n<twk></twk>";
        const small_string key = link_upload_key(filename.view());
        link_server_callbacks* callbacks = callbacks_of(router);
        imported = callbacks && callbacks->LinkServerSaveMindMapData(key.c_str(), user_id.c_str(), map.c_str()) == 1;
    }
    if (!http_get_param(request, "pdf", 0).empty()) body += "\n<pdf></pdf>";
    if (!http_get_param(request, "png", 0).empty()) body += "\n<png></png>";
    body += "\n</upload>";
    answer_challenge(state, record, request);
    // The app must not take a map that never reached the store for uploaded.
    if (!imported) request.status = 500;
    http_reply_text(request, body);
}
