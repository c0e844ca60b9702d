#pragma once

// One request as the handlers see it: the status they answer with, the decoded path, the last path
// component (the key of a map) and the parameters from the query string and a multipart form body.

#include "link/server/link_support.h"

#include <string>
#include <string_view>
#include <utility>
#include <vector>

using params_map = string_map<string_vector>;

using http_header_list = std::vector<std::pair<std::string, std::string>>;

struct http_request {
    int32_t status = 200;
    small_string path;
    // Empty when the path holds no "/", or when the twice-decoded component is not UTF-8 text.
    small_string name;
    params_map params;

    // What arrived: the request target as sent and the headers in arrival order.
    std::string method;
    std::string uri;
    http_header_list input_headers;

    // The reply a handler made; the server sends it once the handler has returned.
    http_header_list output_headers;
    std::string content_type;
    std::string reply_body;
    bool replied = false;

    // The authentication the server ran when the headers arrived, before any body was read; the
    // handler takes its verdict up instead of checking a second time.
    enum class authentication { unchecked, passed, failed };
    authentication authenticated = authentication::unchecked;
    small_string auth_app_id;
    small_string auth_secret;
    small_string auth_challenge;
    // Set when a pairing question may not be asked now: another one is open, or the sender's
    // address has asked too often.
    bool pairing_refused = false;
};

// A view into the body it was split from; the body must outlive it.
using multipart_part = std::string_view;

// Fills the record from the request URI and body. Nothing here fails a request: what cannot be
// read adds nothing, and the handler then finds the parameters it needs empty.
void http_request_parse(http_request& request, std::string_view uri, std::string_view body);
// The path and name alone, as the router needs them before any body has arrived.
void http_request_parse_path(http_request& request, std::string_view uri);
void http_request_free(http_request& request);

// The index-th value of the name; a shared empty string when there is none.
const small_string& http_get_param(const http_request& request, std::string_view name, size_t index);

void parse_query_string(const char* query, params_map& params);
void parse_query_string(std::string_view query, params_map& params);
void params_add(params_map& params, std::string_view name, std::string_view value);
void split_multipart_body(std::string_view body, std::vector<multipart_part>& parts);
void parse_multipart_part(multipart_part part, params_map& params);
