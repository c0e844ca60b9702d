#pragma once

// What the cloud stand-ins share as programs of their own: they serve until they are told to end
// (SIGTERM, SIGINT or the end of their standard input), and read the files they are seeded with.

#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace stand_in {

inline volatile sig_atomic_t stopRequested = 0;

inline void waitUntilToldToEnd()
{
    struct sigaction action {};
    action.sa_handler = [](int) { stopRequested = 1; };
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);
    while (!stopRequested) {
        pollfd input{STDIN_FILENO, POLLIN, 0};
        if (poll(&input, 1, 200) > 0) {
            char buffer[256];
            if (read(STDIN_FILENO, buffer, sizeof(buffer)) <= 0) break;
        }
    }
}

inline std::string fileContents(const std::filesystem::path& path)
{
    std::ifstream input(path, std::ios::binary);
    std::stringstream contents;
    contents << input.rdbuf();
    return contents.str();
}

} // namespace stand_in
