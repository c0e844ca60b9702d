#pragma once

// The link server's own small library: strings with inline storage for short texts, arrays and
// hash maps of them, base64url, URL decoding, SHA-256, line-based file access and error output.
// Nothing here knows the event loop or the application.

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <span>
#include <string_view>
#include <utility>
#include <vector>

// 24 bytes. Up to 23 characters live inline, byte 23 holding 23 minus the length (so a full inline
// string's byte 23 is its terminator); longer texts live in a heap buffer and byte 23 is 0xFF,
// the first 16 bytes then holding length, buffer and capacity. There is always a zero byte after
// the text, but the text itself may hold zero bytes.
class small_string {
public:
    static constexpr size_t inline_limit = 23;

    // Every constructor empties the storage first: assigning reads which layout it holds, and
    // fresh storage would otherwise be taken for a heap buffer to free.
    small_string() noexcept { make_empty(); }
    small_string(const char* text)
    {
        make_empty();
        assign_bytes(text ? std::string_view(text) : std::string_view());
    }
    small_string(const char* bytes, size_t length)
    {
        make_empty();
        assign_bytes(std::string_view(bytes, length));
    }
    explicit small_string(std::string_view bytes)
    {
        make_empty();
        assign_bytes(bytes);
    }
    small_string(const small_string& other)
    {
        make_empty();
        assign_bytes(other.view());
    }
    small_string(small_string&& other) noexcept;
    ~small_string() { release(); }

    small_string& operator=(const small_string& other);
    small_string& operator=(small_string&& other) noexcept;
    // Null leaves the string as it was.
    small_string& operator=(const char* text);

    size_t size() const noexcept;
    bool empty() const noexcept { return size() == 0; }
    const char* data() const noexcept;
    char* data() noexcept;
    const char* c_str() const noexcept { return data(); }
    std::string_view view() const noexcept { return {data(), size()}; }
    bool is_inline() const noexcept { return raw_[23] != 0xFF; }
    // 0 while inline.
    uint32_t capacity() const noexcept;

    void append(std::string_view bytes);
    void append(char character) { append(std::string_view(&character, 1)); }
    void erase(size_t start, size_t count);
    void resize(size_t length);
    void clear() { resize(0); }

    friend bool operator==(const small_string& a, const small_string& b) noexcept { return a.view() == b.view(); }

private:
    void make_empty() noexcept;
    void release() noexcept;
    void assign_bytes(std::string_view bytes);
    char* heap_buffer() const noexcept;
    void set_heap(uint32_t length, char* buffer, uint32_t capacity) noexcept;

    alignas(8) unsigned char raw_[24];
};

static_assert(sizeof(small_string) == 24);

// The smallest multiple of 16 above the length.
constexpr uint32_t small_string_capacity_for(size_t length)
{
    return static_cast<uint32_t>((length + 16) & ~size_t{15});
}

bool small_string_equal(const small_string& a, const small_string& b);
void small_string_resize(small_string& string, size_t length);
small_string small_string_concat(const small_string& a, const small_string& b);
// printf-style, at most 499 characters.
small_string small_string_format(const char* format, ...) __attribute__((format(printf, 1, 2)));
small_string small_string_from_int(int value);

// A growable array of strings whose allocation shrinks once less than half of it is used.
class string_vector {
public:
    size_t size() const noexcept { return items_.size(); }
    size_t capacity() const noexcept { return items_.capacity(); }
    small_string& operator[](size_t index) { return items_[index]; }
    const small_string& operator[](size_t index) const { return items_[index]; }
    void resize(size_t count);
    void push_back(const small_string& value);
    void push_back(small_string&& value);

private:
    std::vector<small_string> items_;
};

uint32_t string_map_hash(std::string_view key) noexcept;

// Open addressing with chains: every chain starts at its home slot (hash AND mask), and an entry
// found away from its home belongs to a chain that started elsewhere. All entries share one
// allocation, made on the first insertion with 16 slots and doubled before an insertion once
// more than two thirds are used.
template <class Value> class string_map {
public:
    struct entry {
        int32_t next = -2; // -2 free, -1 end of chain
        uint64_t hash = 0;
        small_string key;
        Value value{};
    };

    uint32_t size() const noexcept { return count_; }
    uint32_t capacity() const noexcept { return table_ ? mask_ + 1 : 0; }
    bool occupied(uint32_t slot) const noexcept { return table_ && slot <= mask_ && table_[slot].next != -2; }
    const entry& at(uint32_t slot) const { return table_[slot]; }
    entry& at(uint32_t slot) { return table_[slot]; }

    int32_t find(std::string_view key) const noexcept
    {
        if (!table_) return -1;
        const uint32_t hash = string_map_hash(key);
        const uint32_t home = hash & mask_;
        const entry& first = table_[home];
        if (first.next == -2 || (first.hash & mask_) != home) return -1;
        for (int32_t slot = static_cast<int32_t>(home); slot != -1; slot = table_[slot].next) {
            if (table_[slot].hash == hash && table_[slot].key.view() == key) return slot;
        }
        return -1;
    }

    // The key must not be present; answers its slot.
    uint32_t insert(std::string_view key)
    {
        grow_if_needed();
        entry fresh;
        fresh.hash = string_map_hash(key);
        fresh.key = small_string(key);
        return place(std::move(fresh));
    }

    Value& lookup_or_insert(std::string_view key)
    {
        const int32_t slot = find(key);
        return table_[slot >= 0 ? static_cast<uint32_t>(slot) : insert(key)].value;
    }

    void destroy() noexcept
    {
        table_.reset();
        count_ = 0;
        mask_ = 0;
    }

private:
    void grow_if_needed()
    {
        if (!table_) {
            table_ = std::make_unique<entry[]>(16);
            mask_ = 15;
            return;
        }
        const uint64_t capacity = uint64_t{mask_} + 1;
        if (uint64_t{3} * count_ <= 2 * capacity) return;
        auto old = std::move(table_);
        table_ = std::make_unique<entry[]>(capacity * 2);
        mask_ = static_cast<uint32_t>(capacity * 2 - 1);
        count_ = 0;
        for (uint64_t slot = 0; slot < capacity; ++slot) {
            if (old[slot].next == -2) continue;
            old[slot].next = -2;
            place(std::move(old[slot]));
        }
    }

    uint32_t place(entry&& fresh)
    {
        ++count_;
        const uint32_t home = static_cast<uint32_t>(fresh.hash) & mask_;
        if (table_[home].next == -2) {
            table_[home] = std::move(fresh);
            table_[home].next = -1;
            return home;
        }
        // The table is never more than two thirds full, so a free slot exists.
        uint32_t free = (home + 1) & mask_;
        while (table_[free].next != -2) free = (free + 1) & mask_;
        entry& occupant = table_[home];
        const uint32_t occupant_home = static_cast<uint32_t>(occupant.hash) & mask_;
        if (occupant_home != home) {
            uint32_t before = occupant_home;
            while (table_[before].next != static_cast<int32_t>(home))
                before = static_cast<uint32_t>(table_[before].next);
            table_[free] = std::move(occupant);
            table_[before].next = static_cast<int32_t>(free);
            table_[home] = std::move(fresh);
            table_[home].next = -1;
        } else {
            table_[free] = std::move(occupant);
            table_[home] = std::move(fresh);
            table_[home].next = static_cast<int32_t>(free);
        }
        return home;
    }

    std::unique_ptr<entry[]> table_;
    uint32_t count_ = 0;
    uint32_t mask_ = 0;
};

inline constexpr std::string_view base64url_alphabet =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-_";

// No padding; answers the length of the text.
size_t base64url_encode(std::string_view bytes, small_string& out);
// Accepts "=" padding or none; a length no encoding gives, or no complete group, fails with 0 and
// leaves the output empty. Characters outside the alphabet add no bits.
size_t base64url_decode(std::string_view text, small_string& out);
bool base64url_encode_string(const small_string& string, small_string& out);
bool base64url_decode_string(const small_string& string, small_string& out);

// In place: "+" is a space and "%xx" its byte, except that an escaped zero byte is dropped; a "%"
// without two hexadecimal digits after it stays as it is.
void url_decode(small_string& string);
bool utf8_valid(std::string_view text) noexcept;

// The first occurrence of the needle in the haystack at or after from; npos when there is none.
// Linear in both lengths whatever the bytes, with no memory beyond a fixed table: a body sent by
// anyone must not cost the server the product of its length and a line's.
size_t find_bytes(std::string_view haystack, std::string_view needle, size_t from = 0) noexcept;

void sha256(const void* bytes, size_t length, unsigned char out[32]);
small_string sha256_string(const small_string& string);

struct file_stream {
    std::FILE* file = nullptr;
    bool failed = true;
};

bool file_stream_open(file_stream& stream, const char* path, const char* mode);
// Reads one line without its line end into the buffer, zero-terminated. Answers the buffer's size
// when the line did not fit (its first size - 1 characters are kept), otherwise the number of
// characters kept plus one.
size_t file_stream_read_line(file_stream& stream, std::span<char> buffer);
bool file_stream_write_text(file_stream& stream, std::string_view text);
// Answers 0, or 5 when closing failed.
int file_stream_close(file_stream& stream);

using link_error_hook = void (*)(int level, const char* text);

// What the server keeps for the whole process lives here, so that each server (and each test) has
// its own.
struct link_context {
    link_error_hook error_hook = nullptr;
};

void link_error_default_hook(int level, const char* text);
void link_error_hook_install(link_context& context);
void link_error_print(const link_context& context, const char* format, ...) __attribute__((format(printf, 2, 3)));
