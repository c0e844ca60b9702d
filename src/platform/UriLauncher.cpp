#include "platform/UriLauncher.h"

namespace {

class RefusingUriLauncher : public UriLauncher {
public:
    bool openURL(const std::string&) override { return false; }
};

UriLauncher* gUriLauncher = nullptr;

} // namespace

void UriLauncher::setShared(UriLauncher* launcher)
{
    gUriLauncher = launcher;
}

UriLauncher& UriLauncher::shared()
{
    static RefusingUriLauncher refusing;
    return gUriLauncher ? *gUriLauncher : refusing;
}
