#include "platform/CurlLibrary.h"

#include "platform/SharedLibrary.h"

namespace {

template <typename Function> bool bind(void* handle, const char* name, Function& function, std::string& error)
{
    return SharedLibrary::bind(handle, name, function, "libcurl", error);
}

bool load(CurlLibrary& l, std::string& e)
{
    void* handle = SharedLibrary::open("libcurl.so.4", "libcurl", e);
    if (!handle) return false;
    bool ok = bind(handle, "curl_global_init", l.globalInit, e);
    ok = bind(handle, "curl_easy_init", l.easyInit, e) && ok;
    ok = bind(handle, "curl_easy_cleanup", l.easyCleanup, e) && ok;
    ok = bind(handle, "curl_easy_setopt", l.easySetopt, e) && ok;
    ok = bind(handle, "curl_easy_getinfo", l.easyGetinfo, e) && ok;
    ok = bind(handle, "curl_easy_strerror", l.easyStrerror, e) && ok;
    ok = bind(handle, "curl_slist_append", l.slistAppend, e) && ok;
    ok = bind(handle, "curl_slist_free_all", l.slistFreeAll, e) && ok;
    ok = bind(handle, "curl_multi_init", l.multiInit, e) && ok;
    ok = bind(handle, "curl_multi_cleanup", l.multiCleanup, e) && ok;
    ok = bind(handle, "curl_multi_setopt", l.multiSetopt, e) && ok;
    ok = bind(handle, "curl_multi_add_handle", l.multiAddHandle, e) && ok;
    ok = bind(handle, "curl_multi_remove_handle", l.multiRemoveHandle, e) && ok;
    ok = bind(handle, "curl_multi_socket_action", l.multiSocketAction, e) && ok;
    ok = bind(handle, "curl_multi_info_read", l.multiInfoRead, e) && ok;
    ok = bind(handle, "curl_url", l.url, e) && ok;
    ok = bind(handle, "curl_url_cleanup", l.urlCleanup, e) && ok;
    ok = bind(handle, "curl_url_set", l.urlSet, e) && ok;
    ok = bind(handle, "curl_url_get", l.urlGet, e) && ok;
    ok = bind(handle, "curl_free", l.free, e) && ok;
    if (ok && l.globalInit(CURL_GLOBAL_DEFAULT) != CURLE_OK) {
        ok = false;
        e = "libcurl could not be initialised";
    }
    return ok;
}

const SharedLibrary::Loaded<CurlLibrary>& loaded()
{
    return SharedLibrary::loadOnce<CurlLibrary>(load);
}

} // namespace

const CurlLibrary* CurlLibrary::get()
{
    return loaded().get();
}

const std::string& CurlLibrary::loadError()
{
    return loaded().error;
}
