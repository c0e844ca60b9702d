#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

// The browser's way back to the program after the Drive sign-in: an HTTP listener on 127.0.0.1
// with a port of the system's choice, on the main loop. Each connection may send one request of
// at most 8 KiB; the one the handler takes is answered with a redirect to the success page and
// ends the listening, anything else gets 400. After ten minutes without the right request the
// listener gives up. Main thread only.
class GDriveRedirectListener {
public:
    static constexpr size_t MaximumRequestBytes = 8 * 1024;
    static constexpr double GiveUpSeconds = 600;
    static constexpr size_t MaximumConnections = 16;

    // Answers true when the address (the redirect address with the request's path and query) was
    // the sign-in's answer.
    using Handler = std::function<bool(const std::string& url)>;

    // successUrl empty: the browser gets a short page of its own instead of a redirect.
    GDriveRedirectListener(std::string successUrl, Handler handler, std::function<void()> gaveUp);
    ~GDriveRedirectListener();
    GDriveRedirectListener(const GDriveRedirectListener&) = delete;
    GDriveRedirectListener& operator=(const GDriveRedirectListener&) = delete;

    // Starts listening; the redirect address "http://127.0.0.1:<port>/", or nullopt and the reason.
    std::optional<std::string> start(std::string& error);
    bool isListening() const;
    // Stops listening and drops open connections; nothing is called afterwards.
    void stop();
    // Tests shorten the wait.
    void setGiveUpSeconds(double seconds) { _giveUpSeconds = seconds; }

    enum class Parse { Incomplete, Complete, Bad };
    // The request target of a GET request's head ("/?code=..."): Incomplete until the blank line
    // after the headers has arrived, Bad for anything that is not such a request or is too long.
    static Parse parseRequest(std::string_view bytes, std::string& target);

    struct Impl;

private:
    std::unique_ptr<Impl> _impl;
    double _giveUpSeconds = GiveUpSeconds;
};
