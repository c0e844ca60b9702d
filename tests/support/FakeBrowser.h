#pragma once

#include "platform/HttpEngine.h"
#include "platform/UriLauncher.h"

#include <string>
#include <vector>

// A browser as far as a sign-in needs one: it opens the consent address, follows redirects on
// loopback (to the program's listener), and stops at an address holding stopAt (the success page).
// Installs itself as the URI launcher while it lives.
class FakeBrowser : public UriLauncher {
public:
    FakeBrowser(HttpEngine& engine, std::string stopAt) : _engine(engine), _stopAt(std::move(stopAt))
    {
        UriLauncher::setShared(this);
    }
    ~FakeBrowser() override { UriLauncher::setShared(nullptr); }

    bool openURL(const std::string& uri, Error* = nullptr) override
    {
        opened.push_back(uri);
        if (follows) visit(uri);
        return true;
    }

    void visit(const std::string& uri, const std::string& method = "GET", HttpHeaders headers = {})
    {
        HttpRequest request;
        request.method = method;
        request.url = uri;
        request.headers = std::move(headers);
        _requests.push_back(_engine.start(std::move(request), [this](HttpResponse response) {
            answers.push_back(response);
            const std::string location = response.header("Location");
            if (response.status == 302 && location.rfind("http://127.0.0.1", 0) == 0 &&
                location.find(_stopAt) == std::string::npos) {
                visit(location);
            }
        }));
    }

    // False: opened addresses are only recorded; the test visits them itself.
    bool follows = true;
    std::vector<std::string> opened;
    std::vector<HttpResponse> answers;

private:
    HttpEngine& _engine;
    std::string _stopAt;
    std::vector<HttpRequestHandle> _requests;
};
