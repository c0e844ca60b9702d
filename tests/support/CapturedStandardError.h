#pragma once

#include <sys/mman.h>
#include <unistd.h>

#include <cstdio>
#include <string>

// What the process writes to its standard error while this lives, by any road (GLib, a library's
// own fprintf, a write to the descriptor): held in memory, and written on to the standard error
// as well once this ends, so that no test's log loses it.
class CapturedStandardError {
public:
    CapturedStandardError() : _capture(memfd_create("captured-stderr", MFD_CLOEXEC))
    {
        std::fflush(stderr);
        _saved = dup(STDERR_FILENO);
        if (_capture >= 0 && _saved >= 0) dup2(_capture, STDERR_FILENO);
    }
    ~CapturedStandardError()
    {
        const std::string captured = text();
        if (_saved >= 0) {
            dup2(_saved, STDERR_FILENO);
            close(_saved);
        }
        if (_capture >= 0) close(_capture);
        if (!captured.empty()) std::fputs(captured.c_str(), stderr);
    }
    CapturedStandardError(const CapturedStandardError&) = delete;
    CapturedStandardError& operator=(const CapturedStandardError&) = delete;

    // Whether the standard error goes here.
    bool capturing() const { return _capture >= 0 && _saved >= 0; }

    std::string text() const
    {
        std::fflush(stderr);
        std::string text;
        char buffer[4096];
        for (off_t offset = 0;;) {
            const ssize_t count = pread(_capture, buffer, sizeof buffer, offset);
            if (count <= 0) break;
            text.append(buffer, size_t(count));
            offset += count;
        }
        return text;
    }

private:
    int _capture;
    int _saved = -1;
};
