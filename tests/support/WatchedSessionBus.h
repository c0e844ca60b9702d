#pragma once

#include "support/ScopedEnvironment.h"
#include "support/TempDir.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <thread>

// A session bus address that only counts who connects: each connection is closed at once, so a
// client that reaches it fails at once instead of waiting for an answer. While the object lives,
// DBUS_SESSION_BUS_ADDRESS names it, so that a test can tell whether code reached for the bus its
// process was started on (a desktop's, with the user's keyring behind it).
class WatchedSessionBus {
public:
    WatchedSessionBus()
    {
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::strncpy(address.sun_path, _socketPath.c_str(), sizeof address.sun_path - 1);
        _listener = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        _listening = _listener >= 0 && bind(_listener, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
            listen(_listener, 16) == 0 && pipe2(_stop, O_CLOEXEC) == 0;
        if (_listening) _thread = std::thread([this] { serve(); });
    }
    ~WatchedSessionBus()
    {
        if (_thread.joinable()) {
            const char byte = 0;
            (void)!write(_stop[1], &byte, 1);
            _thread.join();
        }
        for (int fd : {_listener, _stop[0], _stop[1]})
            if (fd >= 0) close(fd);
    }
    WatchedSessionBus(const WatchedSessionBus&) = delete;
    WatchedSessionBus& operator=(const WatchedSessionBus&) = delete;

    bool listening() const { return _listening; }
    int connections() const { return _connections; }

private:
    void serve()
    {
        for (;;) {
            pollfd waits[2] = {{_listener, POLLIN, 0}, {_stop[0], POLLIN, 0}};
            if (poll(waits, 2, -1) < 0) {
                if (errno == EINTR) continue;
                return;
            }
            if (waits[1].revents) return;
            const int client = accept4(_listener, nullptr, nullptr, SOCK_CLOEXEC);
            if (client >= 0) {
                ++_connections;
                close(client);
            }
        }
    }

    TempDir _dir;
    std::string _socketPath = _dir.file("bus");
    ScopedEnvironment _address{"DBUS_SESSION_BUS_ADDRESS", "unix:path=" + _socketPath};
    int _listener = -1;
    int _stop[2] = {-1, -1};
    bool _listening = false;
    std::atomic<int> _connections{0};
    std::thread _thread;
};
