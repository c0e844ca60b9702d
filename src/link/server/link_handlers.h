#pragma once

// The steps of the map handlers that do not need a request on the wire.

#include "link/server/link_server_internal.h"

#include <string>

// The stream version from the "fernquill-version" header: its leading decimal number, 0 when it
// starts with none; out-of-range numbers are clamped.
int link_stream_version(std::string_view header);
// Fills the body with the index (and its line end) or with the error index; answers the status.
int link_fetch_index(link_server_callbacks* callbacks, std::string& body);
// Fills the body with the data of the key, or with the error text for the services' answer.
void link_fetch_data(link_server_callbacks* callbacks, const char* key, int stream_version, std::string& body);
// The store key an uploaded file name names: the name without its last extension.
small_string link_upload_key(std::string_view filename);
