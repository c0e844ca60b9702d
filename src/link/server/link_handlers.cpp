#include "link/server/link_server_internal.h"
#include "link/server/pairing.h"

void identify_handler::handle(http_router&, const small_string&, http_request& request)
{
    request.status = 403;
    http_reply_error_page(request);
}

void mindmaps_list_handler::handle(http_router&, const small_string&, http_request& request)
{
    request.status = 403;
    http_reply_error_page(request);
}

void mindmaps_retrieve_handler::handle(http_router&, const small_string&, http_request& request)
{
    request.status = 403;
    http_reply_error_page(request);
}

void mindmaps_upload_handler::handle(http_router&, const small_string&, http_request& request)
{
    request.status = 403;
    http_reply_error_page(request);
}
