#include "cloud/AuthorizationRedirects.h"

#include <map>

namespace {

std::map<std::string, AuthorizationRedirects::Handler>& handlers()
{
    static std::map<std::string, AuthorizationRedirects::Handler> registered;
    return registered;
}

} // namespace

namespace AuthorizationRedirects {

void setHandler(const std::string& key, Handler handler)
{
    handlers()[key] = std::move(handler);
}

void removeHandler(const std::string& key)
{
    handlers().erase(key);
}

bool handleAuthorizationURL(const std::string& url)
{
    // A handler may register or remove handlers while it runs.
    auto copy = handlers();
    for (auto& [key, handler] : copy) {
        if (handler && handler(url)) return true;
    }
    return false;
}

} // namespace AuthorizationRedirects
