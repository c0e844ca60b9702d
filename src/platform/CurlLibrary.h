#pragma once

#include <curl/curl.h>

#include <string>

// libcurl's functions, reached through the library loaded on first use. Linked into the program,
// libcurl and the TLS, Kerberos, LDAP and SSH libraries under it were loaded and relocated at
// every start, before the first frame, although only a cloud exchange needs them.
struct CurlLibrary {
    CURLcode (*globalInit)(long flags);
    CURL* (*easyInit)();
    void (*easyCleanup)(CURL* handle);
    CURLcode (*easySetopt)(CURL* handle, CURLoption option, ...);
    CURLcode (*easyGetinfo)(CURL* handle, CURLINFO info, ...);
    const char* (*easyStrerror)(CURLcode code);
    curl_slist* (*slistAppend)(curl_slist* list, const char* text);
    void (*slistFreeAll)(curl_slist* list);
    CURLM* (*multiInit)();
    CURLMcode (*multiCleanup)(CURLM* multi);
    CURLMcode (*multiSetopt)(CURLM* multi, CURLMoption option, ...);
    CURLMcode (*multiAddHandle)(CURLM* multi, CURL* handle);
    CURLMcode (*multiRemoveHandle)(CURLM* multi, CURL* handle);
    CURLMcode (*multiSocketAction)(CURLM* multi, curl_socket_t fd, int mask, int* running);
    CURLMsg* (*multiInfoRead)(CURLM* multi, int* left);
    CURLU* (*url)();
    void (*urlCleanup)(CURLU* handle);
    CURLUcode (*urlSet)(CURLU* handle, CURLUPart part, const char* text, unsigned flags);
    CURLUcode (*urlGet)(const CURLU* handle, CURLUPart part, char** text, unsigned flags);
    void (*free)(void* pointer);

    // Loads and initialises the library once; nullptr when it or one of its functions is missing,
    // the reason then in loadError().
    static const CurlLibrary* get();
    static const std::string& loadError();
};
