#pragma once

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <functional>

// Runs work in a child process whose address space may grow by at most headroom bytes past what
// it holds when forked: a larger allocation fails there, as on a machine short of memory, so that
// a reader that asks for the size of a huge file before it refuses it is caught. Answers work's
// answer, or -1 when the child ended otherwise (an exception out of work, a signal). Not under the
// sanitizers, which reserve address space of their own (see Sanitized.h).
inline int runWithAddressSpaceLimit(uint64_t headroom, const std::function<int()>& work)
{
    std::fflush(nullptr);
    const pid_t child = ::fork();
    if (child < 0) return -1;
    if (child == 0) {
        uint64_t held = 0;
        if (FILE* status = std::fopen("/proc/self/status", "re")) {
            char line[256];
            unsigned long long kilobytes = 0;
            while (std::fgets(line, sizeof line, status)) {
                if (std::sscanf(line, "VmSize: %llu kB", &kilobytes) == 1) break;
            }
            std::fclose(status);
            held = kilobytes * 1024;
        }
        const rlimit limit{held + headroom, held + headroom};
        if (held == 0 || ::setrlimit(RLIMIT_AS, &limit) != 0) ::_exit(125);
        int answer = 126;
        try {
            answer = work();
        } catch (...) {
            answer = 127;
        }
        std::fflush(nullptr);
        ::_exit(answer);
    }
    int status = 0;
    while (::waitpid(child, &status, 0) < 0) {
        if (errno != EINTR) return -1;
    }
    if (!WIFEXITED(status)) return -1;
    const int code = WEXITSTATUS(status);
    return code >= 125 ? -1 : code;
}
