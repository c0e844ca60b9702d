#include "link/server/link_body.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

link_body::link_body(link_body_budget& budget, std::string folder, size_t memory_limit)
    : budget_(budget), folder_(std::move(folder)), memory_limit_(memory_limit)
{
}

link_body::~link_body()
{
    if (map_) ::munmap(map_, size_);
    if (fd_ >= 0) ::close(fd_);
    budget_.used -= reserved_;
}

bool link_body::append(std::string_view bytes)
{
    if (bytes.empty()) return true;
    if (fd_ < 0) {
        const size_t wanted = memory_.size() + bytes.size();
        if (wanted <= memory_limit_) {
            const size_t more = wanted > reserved_ ? wanted - reserved_ : 0;
            // Taken from the budget before the bytes are kept, so that connections side by side
            // never hold more than it together.
            size_t used = budget_.used.load();
            while (used + more <= budget_.limit && !budget_.used.compare_exchange_weak(used, used + more)) {}
            if (used + more <= budget_.limit) {
                reserved_ += more;
                memory_.append(bytes);
                size_ += bytes.size();
                return true;
            }
        }
        if (!move_to_disk()) return false;
    }
    if (!write_all(bytes)) return false;
    size_ += bytes.size();
    return true;
}

bool link_body::move_to_disk()
{
    std::string pattern = (folder_.empty() ? std::string("/tmp") : folder_) + "/.link-body-XXXXXX";
    const int fd = ::mkostemp(pattern.data(), O_CLOEXEC);
    if (fd < 0) return false;
    ::unlink(pattern.c_str());
    fd_ = fd;
    if (!write_all(memory_)) return false;
    std::string().swap(memory_);
    budget_.used -= reserved_;
    reserved_ = 0;
    return true;
}

bool link_body::write_all(std::string_view bytes)
{
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd_, bytes.data(), bytes.size());
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return false;
        bytes.remove_prefix(static_cast<size_t>(written));
    }
    return true;
}

std::string_view link_body::view()
{
    if (fd_ < 0) return memory_;
    if (size_ == 0) return {};
    if (!map_) {
        void* map = ::mmap(nullptr, size_, PROT_READ, MAP_PRIVATE, fd_, 0);
        if (map == MAP_FAILED) return {};
        map_ = map;
    }
    return {static_cast<const char*>(map_), size_};
}
