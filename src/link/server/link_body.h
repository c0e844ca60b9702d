#pragma once

// Where a request's body goes while it arrives. Small bodies stay in memory, within a budget that
// every connection shares; a larger one, or one that finds the budget spent, moves to a temporary
// file, removed from its folder as soon as it is made so that nothing stays behind whatever
// happens to the program. Many slow uploads then cost disk, not memory that stays with the
// program after they have gone.

#include <atomic>
#include <cstddef>
#include <string>
#include <string_view>

struct link_body_budget {
    explicit link_body_budget(size_t limit) : limit(limit) {}
    const size_t limit;
    std::atomic<size_t> used{0};
};

class link_body {
public:
    // A body keeps up to memory_limit bytes in memory, and only while the budget has room.
    link_body(link_body_budget& budget, std::string folder, size_t memory_limit);
    ~link_body();
    link_body(const link_body&) = delete;
    link_body& operator=(const link_body&) = delete;

    // False when the bytes could not be kept (no file could be made or written).
    bool append(std::string_view bytes);
    // The whole body, contiguous: the memory, or the file mapped. Valid while the body lives;
    // empty when the file cannot be mapped.
    std::string_view view();
    size_t size() const { return size_; }
    bool on_disk() const { return fd_ >= 0; }

private:
    bool move_to_disk();
    bool write_all(std::string_view bytes);

    link_body_budget& budget_;
    std::string folder_;
    size_t memory_limit_;
    size_t reserved_ = 0;
    std::string memory_;
    size_t size_ = 0;
    int fd_ = -1;
    void* map_ = nullptr;
};
