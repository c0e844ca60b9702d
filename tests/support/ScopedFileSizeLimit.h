#pragma once

#include <sys/resource.h>

#include <csignal>

// Writes past a size fail (EFBIG) as on a full disk, for the process, while it lives: a failure in
// the middle of a write that works even for root.
class ScopedFileSizeLimit {
public:
    explicit ScopedFileSizeLimit(rlim_t bytes)
    {
        getrlimit(RLIMIT_FSIZE, &_old);
        _oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = _old;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~ScopedFileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &_old);
        std::signal(SIGXFSZ, _oldHandler);
    }
    ScopedFileSizeLimit(const ScopedFileSizeLimit&) = delete;
    ScopedFileSizeLimit& operator=(const ScopedFileSizeLimit&) = delete;

private:
    rlimit _old{};
    void (*_oldHandler)(int) = nullptr;
};
