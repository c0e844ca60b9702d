#pragma once

#include <functional>
#include <string>

// Where the browser's answer to a sign-in comes back: the desktop starts the program (or tells the
// running one) with the redirect address, the application passes it here, and the service whose
// sign-in is pending takes it. Main thread only.
namespace AuthorizationRedirects {

// Answers true when the address belonged to the handler's sign-in.
using Handler = std::function<bool(const std::string& url)>;

// Registers a handler under a key (a service's name); a second registration replaces the first.
void setHandler(const std::string& key, Handler handler);
void removeHandler(const std::string& key);

// True when some handler took the address; an address nobody waits for is ignored.
bool handleAuthorizationURL(const std::string& url);

} // namespace AuthorizationRedirects
