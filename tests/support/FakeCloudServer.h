#pragma once

#include "support/LoopbackHttpServer.h"

#include <algorithm>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

// What the stand-ins for the cloud services share: the tokens they accept, the faults, hangs, delay
// and page size a test sets, and the log of the requests they answered. Logged has route and
// status. Tests set the state and read the log from the main thread while the server thread answers.
template <class Logged> class FakeCloudServer {
public:
    // An access token accepted from now on, and the refresh token that renews it.
    std::string issueTokens(const std::string& accessToken = "access-0", const std::string& refreshToken = "refresh-0")
    {
        std::lock_guard lock(_mutex);
        _accessTokens.insert(accessToken);
        _refreshTokens.insert(refreshToken);
        return accessToken;
    }
    // Every access token issued so far is answered as expired; refresh tokens stay good.
    void expireAccessTokens()
    {
        std::lock_guard lock(_mutex);
        _expiredTokens.insert(_accessTokens.begin(), _accessTokens.end());
        _accessTokens.clear();
    }
    // Refresh tokens are refused with invalid_grant from now on.
    void revokeRefreshTokens()
    {
        std::lock_guard lock(_mutex);
        _refreshRevoked = true;
    }

    // Faults. The next count requests to the route ("" for any route) are answered with status, in
    // the service's shape of it, with "Retry-After: retryAfter".
    void failNext(const std::string& route, int status, int count = 1, int retryAfter = 0)
    {
        std::lock_guard lock(_mutex);
        _faults.push_back(Fault{route, status, count, retryAfter});
    }
    // Requests to the route (or "" for every route) are never answered.
    void hang(const std::string& route)
    {
        std::lock_guard lock(_mutex);
        _hanging.insert(route);
    }
    // Every answer waits this long; the server keeps serving others meanwhile.
    void setDelay(double seconds)
    {
        std::lock_guard lock(_mutex);
        _delay = seconds;
    }
    // The next count requests to the route ("" for any) get this reply as it is, after the token
    // check: a hostile or broken answer of the test's making (a root that is "not found", a field
    // holding "../", a 5xx without "Retry-After", an answer without end). The sign-in's routes
    // take it too.
    void answerNext(const std::string& route, LoopbackReply reply, int count = 1)
    {
        std::lock_guard lock(_mutex);
        _canned.push_back(Canned{route, std::move(reply), count});
    }
    // Entries per page of a folder listing.
    void setPageSize(int entries)
    {
        std::lock_guard lock(_mutex);
        _pageSize = std::max(entries, 1);
    }

    std::vector<Logged> requests() const
    {
        std::lock_guard lock(_mutex);
        return _log;
    }
    std::vector<Logged> requestsTo(const std::string& route) const
    {
        std::vector<Logged> matching;
        for (const Logged& request : requests()) {
            if (request.route == route) matching.push_back(request);
        }
        return matching;
    }
    void clearLog()
    {
        std::lock_guard lock(_mutex);
        _log.clear();
    }

protected:
    struct Grant {
        std::string challenge;
        std::string redirect;
    };

    explicit FakeCloudServer(int pageSize) : _pageSize(pageSize) {}

    // The hang, or the fault as faultReply words its status, set for the route; a fault is used up.
    std::optional<LoopbackReply> heldBack(const std::string& route,
                                          const std::function<LoopbackReply(int status, int retryAfter)>& faultReply)
    {
        if (_hanging.count(route) || _hanging.count("")) {
            LoopbackReply reply;
            reply.hang = true;
            return reply;
        }
        for (Fault& fault : _faults) {
            if (fault.count <= 0 || (!fault.route.empty() && fault.route != route)) continue;
            --fault.count;
            LoopbackReply reply = faultReply(fault.status, fault.retryAfter);
            reply.headers.emplace_back("Retry-After", std::to_string(fault.retryAfter));
            return reply;
        }
        return std::nullopt;
    }
    // The reply answerNext set for the route; it is used up.
    std::optional<LoopbackReply> cannedAnswer(const std::string& route)
    {
        for (Canned& canned : _canned) {
            if (canned.count <= 0 || (!canned.route.empty() && canned.route != route)) continue;
            --canned.count;
            return canned.reply;
        }
        return std::nullopt;
    }
    // Logs the request with the reply's status (none for a reply never finished) and delays the reply.
    LoopbackReply logged(Logged request, LoopbackReply reply)
    {
        request.status = reply.hang || reply.drop ? 0 : reply.status;
        _log.push_back(std::move(request));
        if (!reply.hang && _delay > 0) reply.delaySeconds = _delay;
        return reply;
    }

    mutable std::mutex _mutex;
    std::set<std::string> _accessTokens;
    std::set<std::string> _expiredTokens;
    std::set<std::string> _refreshTokens;
    bool _refreshRevoked = false;
    std::map<std::string, Grant> _grants;
    double _delay = 0;
    int _pageSize;

private:
    struct Fault {
        std::string route;
        int status;
        int count;
        int retryAfter;
    };

    struct Canned {
        std::string route;
        LoopbackReply reply;
        int count = 0;
    };

    std::vector<Fault> _faults;
    std::vector<Canned> _canned;
    std::set<std::string> _hanging;
    std::vector<Logged> _log;
};
