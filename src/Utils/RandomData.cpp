#include "Utils/RandomData.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <sys/random.h>
#include <unistd.h>

namespace {

bool fillFromGetrandom(uint8_t* out, size_t length)
{
    size_t done = 0;
    while (done < length) {
        const ssize_t n = getrandom(out + done, length - done, 0);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        done += static_cast<size_t>(n);
    }
    return true;
}

// For kernels or sandboxes without getrandom(2).
bool fillFromDevice(uint8_t* out, size_t length)
{
    const int fd = open("/dev/urandom", O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    size_t done = 0;
    while (done < length) {
        const ssize_t n = read(fd, out + done, length - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += static_cast<size_t>(n);
    }
    close(fd);
    return done == length;
}

} // namespace

std::vector<uint8_t> randomDataWithLength(size_t length)
{
    std::vector<uint8_t> data(length);
    if (length == 0) return data;
    if (fillFromGetrandom(data.data(), length) || fillFromDevice(data.data(), length)) return data;
    // Predictable bytes would give maps and folders colliding identifiers, which overwrite each
    // other in the store; stopping is the lesser harm.
    std::fputs("Tarnwick: the system's random source cannot be read\n", stderr);
    std::abort();
}
