#include "link/server/link_support.h"

#include "Utils/CryptoDigest.h"

#include <algorithm>
#include <cstdarg>
#include <cstdlib>
#include <limits>
#include <new>
#include <stdexcept>
#include <vector>

namespace {

uint32_t read_u32(const unsigned char* at) noexcept
{
    uint32_t value;
    std::memcpy(&value, at, sizeof value);
    return value;
}

void write_u32(unsigned char* at, uint32_t value) noexcept
{
    std::memcpy(at, &value, sizeof value);
}

char* allocate_buffer(uint32_t capacity)
{
    auto* buffer = static_cast<char*>(std::calloc(capacity, 1));
    if (!buffer) throw std::bad_alloc();
    return buffer;
}

} // namespace

small_string::small_string(small_string&& other) noexcept
{
    std::memcpy(raw_, other.raw_, sizeof raw_);
    other.make_empty();
}

small_string& small_string::operator=(const small_string& other)
{
    if (this != &other) assign_bytes(other.view());
    return *this;
}

small_string& small_string::operator=(small_string&& other) noexcept
{
    if (this != &other) {
        release();
        std::memcpy(raw_, other.raw_, sizeof raw_);
        other.make_empty();
    }
    return *this;
}

small_string& small_string::operator=(const char* text)
{
    if (text) assign_bytes(text);
    return *this;
}

void small_string::make_empty() noexcept
{
    std::memset(raw_, 0, sizeof raw_);
    raw_[23] = inline_limit;
}

void small_string::release() noexcept
{
    if (!is_inline()) std::free(heap_buffer());
    make_empty();
}

char* small_string::heap_buffer() const noexcept
{
    char* buffer;
    std::memcpy(&buffer, raw_ + 4, sizeof buffer);
    return buffer;
}

void small_string::set_heap(uint32_t length, char* buffer, uint32_t capacity) noexcept
{
    write_u32(raw_, length);
    std::memcpy(raw_ + 4, &buffer, sizeof buffer);
    write_u32(raw_ + 12, capacity);
    raw_[23] = 0xFF;
}

size_t small_string::size() const noexcept
{
    return is_inline() ? inline_limit - raw_[23] : read_u32(raw_);
}

const char* small_string::data() const noexcept
{
    return is_inline() ? reinterpret_cast<const char*>(raw_) : heap_buffer();
}

char* small_string::data() noexcept
{
    return is_inline() ? reinterpret_cast<char*>(raw_) : heap_buffer();
}

uint32_t small_string::capacity() const noexcept
{
    return is_inline() ? 0 : read_u32(raw_ + 12);
}

void small_string::assign_bytes(std::string_view bytes)
{
    // The source may be this string's own text: copy it aside before the storage changes.
    if (bytes.size() <= inline_limit) {
        unsigned char copy[inline_limit];
        std::memcpy(copy, bytes.data(), bytes.size());
        if (!is_inline()) std::free(heap_buffer());
        make_empty();
        std::memcpy(raw_, copy, bytes.size());
        raw_[bytes.size()] = 0;
        raw_[23] = static_cast<unsigned char>(inline_limit - bytes.size());
        return;
    }
    if (bytes.size() > std::numeric_limits<uint32_t>::max() - 16) throw std::length_error("small_string");
    const uint32_t capacity = small_string_capacity_for(bytes.size());
    char* buffer = allocate_buffer(capacity);
    std::memcpy(buffer, bytes.data(), bytes.size());
    if (!is_inline()) std::free(heap_buffer());
    set_heap(static_cast<uint32_t>(bytes.size()), buffer, capacity);
}

void small_string::resize(size_t length)
{
    const size_t old_length = size();
    if (length == old_length) return;
    if (length > std::numeric_limits<uint32_t>::max() - 16) throw std::length_error("small_string");
    if (is_inline()) {
        if (length <= inline_limit) {
            if (length > old_length) std::memset(raw_ + old_length, 0, length - old_length);
            raw_[length] = 0;
            raw_[23] = static_cast<unsigned char>(inline_limit - length);
            return;
        }
        const uint32_t capacity = small_string_capacity_for(length);
        char* buffer = allocate_buffer(capacity);
        std::memcpy(buffer, raw_, old_length);
        set_heap(static_cast<uint32_t>(length), buffer, capacity);
        return;
    }
    char* buffer = heap_buffer();
    if (length <= inline_limit) {
        make_empty();
        std::memcpy(raw_, buffer, length);
        raw_[length] = 0;
        raw_[23] = static_cast<unsigned char>(inline_limit - length);
        std::free(buffer);
        return;
    }
    const uint32_t old_capacity = capacity();
    const uint32_t capacity = small_string_capacity_for(length);
    if (capacity != old_capacity) {
        auto* grown = static_cast<char*>(std::realloc(buffer, capacity));
        if (!grown) throw std::bad_alloc();
        buffer = grown;
    }
    // Bytes gained would otherwise be whatever the allocator left there.
    if (length > old_length) std::memset(buffer + old_length, 0, length - old_length);
    buffer[length] = 0;
    set_heap(static_cast<uint32_t>(length), buffer, capacity);
}

void small_string::append(std::string_view bytes)
{
    if (bytes.empty()) return;
    // Appending a piece of itself: the resize may move the text.
    if (bytes.data() >= data() && bytes.data() < data() + size() + 1) {
        const small_string copy(bytes);
        append(copy.view());
        return;
    }
    const size_t old_length = size();
    resize(old_length + bytes.size());
    std::memcpy(data() + old_length, bytes.data(), bytes.size());
}

void small_string::erase(size_t start, size_t count)
{
    const size_t length = size();
    if (start >= length) return;
    count = std::min(count, length - start);
    char* text = data();
    std::memmove(text + start, text + start + count, length - start - count);
    resize(length - count);
}

bool small_string_equal(const small_string& a, const small_string& b)
{
    return a == b;
}

void small_string_resize(small_string& string, size_t length)
{
    string.resize(length);
}

small_string small_string_concat(const small_string& a, const small_string& b)
{
    small_string result(a);
    result.append(b.view());
    return result;
}

small_string small_string_format(const char* format, ...)
{
    char buffer[500];
    va_list arguments;
    va_start(arguments, format);
    const int written = std::vsnprintf(buffer, sizeof buffer, format, arguments);
    va_end(arguments);
    if (written < 0) return {};
    return small_string(buffer);
}

small_string small_string_from_int(int value)
{
    return small_string_format("%d", value);
}

void string_vector::resize(size_t count)
{
    const size_t capacity = items_.capacity();
    if (count <= capacity && count > capacity / 2) {
        items_.resize(count);
        return;
    }
    std::vector<small_string> moved;
    if (count > 0) moved.reserve(count + count / 2);
    for (size_t index = 0; index < std::min(count, items_.size()); ++index) moved.push_back(std::move(items_[index]));
    moved.resize(count);
    items_ = std::move(moved);
}

void string_vector::push_back(const small_string& value)
{
    small_string copy(value);
    push_back(std::move(copy));
}

void string_vector::push_back(small_string&& value)
{
    resize(items_.size() + 1);
    items_.back() = std::move(value);
}

uint32_t string_map_hash(std::string_view key) noexcept
{
    uint32_t hash = 5381;
    for (size_t index = key.size(); index-- > 0;) hash = (hash * 33) ^ static_cast<unsigned char>(key[index]);
    return hash;
}

size_t base64url_encode(std::string_view bytes, small_string& out)
{
    out.resize((bytes.size() + 2) / 3 * 4);
    char* text = out.data();
    size_t length = 0;
    const auto* in = reinterpret_cast<const unsigned char*>(bytes.data());
    size_t index = 0;
    for (; index + 3 <= bytes.size(); index += 3) {
        const uint32_t group = (uint32_t{in[index]} << 16) | (uint32_t{in[index + 1]} << 8) | in[index + 2];
        for (int shift = 18; shift >= 0; shift -= 6) text[length++] = base64url_alphabet[(group >> shift) & 63];
    }
    const size_t rest = bytes.size() - index;
    if (rest > 0) {
        uint32_t group = uint32_t{in[index]} << 16;
        if (rest == 2) group |= uint32_t{in[index + 1]} << 8;
        text[length++] = base64url_alphabet[(group >> 18) & 63];
        text[length++] = base64url_alphabet[(group >> 12) & 63];
        if (rest == 2) text[length++] = base64url_alphabet[(group >> 6) & 63];
    }
    out.resize(length);
    return length;
}

size_t base64url_decode(std::string_view text, small_string& out)
{
    out.clear();
    const size_t count = std::min(text.find('='), text.size());
    size_t padding;
    if (count < text.size()) {
        padding = count + 1 < text.size() && text[count + 1] == '=' ? 2 : 1;
    } else {
        switch (count % 4) {
        case 0:
            padding = 0;
            break;
        case 2:
            padding = 2;
            break;
        case 3:
            padding = 1;
            break;
        default:
            return 0;
        }
    }
    const size_t groups = (count + padding) / 4;
    if (groups == 0) return 0;
    const size_t result = groups * 3 - padding;
    out.resize(groups * 3);
    auto* bytes = reinterpret_cast<unsigned char*>(out.data());
    for (size_t group = 0; group < groups; ++group) {
        const size_t characters = group + 1 == groups ? 4 - padding : 4;
        uint32_t bits = 0;
        for (size_t index = 0; index < 4; ++index) {
            bits <<= 6;
            if (index >= characters) continue;
            const size_t at = base64url_alphabet.find(text[group * 4 + index]);
            if (at != std::string_view::npos) bits |= static_cast<uint32_t>(at);
        }
        bytes[group * 3] = static_cast<unsigned char>(bits >> 16);
        bytes[group * 3 + 1] = static_cast<unsigned char>(bits >> 8);
        bytes[group * 3 + 2] = static_cast<unsigned char>(bits);
    }
    out.resize(result);
    return result;
}

bool base64url_encode_string(const small_string& string, small_string& out)
{
    return base64url_encode(string.view(), out) != 0;
}

bool base64url_decode_string(const small_string& string, small_string& out)
{
    return base64url_decode(string.view(), out) != 0;
}

namespace {

int hex_value(char character) noexcept
{
    if (character >= '0' && character <= '9') return character - '0';
    if (character >= 'a' && character <= 'f') return character - 'a' + 10;
    if (character >= 'A' && character <= 'F') return character - 'A' + 10;
    return -1;
}

} // namespace

void url_decode(small_string& string)
{
    char* text = string.data();
    const size_t length = string.size();
    size_t written = 0;
    for (size_t index = 0; index < length; ++index) {
        const char character = text[index];
        if (character == '+') {
            text[written++] = ' ';
        } else if (character == '%' && index + 2 < length && hex_value(text[index + 1]) >= 0 &&
                   hex_value(text[index + 2]) >= 0) {
            const int byte = hex_value(text[index + 1]) * 16 + hex_value(text[index + 2]);
            // Bytes above 0x7F are the UTF-8 of names in other scripts; only a zero byte would
            // cut the text short where it is used as a C string.
            if (byte != 0) text[written++] = static_cast<char>(byte);
            index += 2;
        } else {
            text[written++] = character;
        }
    }
    string.resize(written);
}

bool utf8_valid(std::string_view text) noexcept
{
    const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
    size_t index = 0;
    while (index < text.size()) {
        const unsigned char lead = bytes[index];
        if (lead < 0x80) {
            ++index;
            continue;
        }
        size_t follow;
        uint32_t point;
        if (lead >= 0xC2 && lead <= 0xDF) {
            follow = 1;
            point = lead & 0x1F;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            follow = 2;
            point = lead & 0x0F;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            follow = 3;
            point = lead & 0x07;
        } else {
            return false;
        }
        if (text.size() - index <= follow) return false;
        for (size_t step = 1; step <= follow; ++step) {
            if ((bytes[index + step] & 0xC0) != 0x80) return false;
            point = (point << 6) | (bytes[index + step] & 0x3F);
        }
        // Overlong forms, surrogates and points beyond the last plane.
        if ((follow == 2 && point < 0x800) || (follow == 3 && (point < 0x10000 || point > 0x10FFFF)) ||
            (point >= 0xD800 && point <= 0xDFFF))
            return false;
        index += follow + 1;
    }
    return true;
}

namespace {

// The maximal suffix of the needle for one order of the bytes (the other order when reversed),
// with its period: one half of a critical factorisation.
std::pair<size_t, size_t> maximal_suffix(const unsigned char* needle, size_t length, bool reversed) noexcept
{
    // The suffix starts after start; start is one before the first byte to begin with, so the
    // arithmetic wraps on purpose.
    size_t start = SIZE_MAX;
    size_t candidate = 0;
    size_t offset = 1;
    size_t period = 1;
    while (candidate + offset < length) {
        const unsigned char a = needle[start + offset];
        const unsigned char b = needle[candidate + offset];
        if (a == b) {
            if (offset == period) {
                candidate += period;
                offset = 1;
            } else {
                ++offset;
            }
        } else if (reversed ? a < b : a > b) {
            candidate += offset;
            offset = 1;
            period = candidate - start;
        } else {
            start = candidate++;
            offset = 1;
            period = 1;
        }
    }
    return {start, period};
}

} // namespace

size_t find_bytes(std::string_view haystack, std::string_view needle, size_t from) noexcept
{
    constexpr size_t npos = std::string_view::npos;
    const size_t length = needle.size();
    if (from > haystack.size() || haystack.size() - from < length) return npos;
    if (length == 0) return from;
    const auto* base = reinterpret_cast<const unsigned char*>(haystack.data());
    const auto* n = reinterpret_cast<const unsigned char*>(needle.data());
    if (length == 1) {
        const void* found = std::memchr(base + from, n[0], haystack.size() - from);
        return found ? static_cast<size_t>(static_cast<const unsigned char*>(found) - base) : npos;
    }

    // The two-way search (Crochemore and Perrin): the needle is cut at a critical factorisation,
    // the right part compared first, the left part after; a periodic needle remembers how much of
    // its start is known to match after a shift by its period.
    size_t last_at[256] = {};
    for (size_t index = 0; index < length; ++index) last_at[n[index]] = index + 1;
    const auto [forward, forward_period] = maximal_suffix(n, length, false);
    const auto [backward, backward_period] = maximal_suffix(n, length, true);
    size_t split = forward;
    size_t period = forward_period;
    if (backward + 1 > forward + 1) {
        split = backward;
        period = backward_period;
    }
    size_t remembered_after_shift = 0;
    if (std::memcmp(n, n + period, split + 1) != 0) period = std::max(split, length - split - 1) + 1;
    else remembered_after_shift = length - period;

    const unsigned char* h = base + from;
    const unsigned char* const end = base + haystack.size();
    size_t remembered = 0;
    while (static_cast<size_t>(end - h) >= length) {
        // The last byte first: one the needle does not hold, or holds only earlier, moves it on.
        const size_t skip = length - (last_at[h[length - 1]] ? last_at[h[length - 1]] : 0);
        if (skip) {
            h += skip;
            remembered = 0;
            continue;
        }
        size_t at = std::max(split + 1, remembered);
        while (at < length && n[at] == h[at]) ++at;
        if (at < length) {
            h += at - split;
            remembered = 0;
            continue;
        }
        at = split + 1;
        while (at > remembered && n[at - 1] == h[at - 1]) --at;
        if (at <= remembered) return static_cast<size_t>(h - base);
        h += period;
        remembered = remembered_after_shift;
    }
    return npos;
}

void sha256(const void* bytes, size_t length, unsigned char out[32])
{
    const auto* first = static_cast<const uint8_t*>(bytes);
    const std::vector<uint8_t> digest = SHA256(std::vector<uint8_t>(first, first + length));
    std::fill(out, out + 32, 0);
    std::copy_n(digest.begin(), std::min<size_t>(digest.size(), 32), out);
}

small_string sha256_string(const small_string& string)
{
    unsigned char digest[32];
    sha256(string.data(), string.size(), digest);
    return small_string(reinterpret_cast<const char*>(digest), sizeof digest);
}

bool file_stream_open(file_stream& stream, const char* path, const char* mode)
{
    stream = {};
    stream.file = std::fopen(path, mode);
    stream.failed = stream.file == nullptr;
    return !stream.failed;
}

size_t file_stream_read_line(file_stream& stream, std::span<char> buffer)
{
    if (buffer.empty()) return 0;
    size_t kept = 0;
    bool stopped = false;
    while (kept < buffer.size()) {
        const int character = stream.file ? std::fgetc(stream.file) : EOF;
        if (character == EOF || character == 0 || character == '\n') {
            stopped = true;
            break;
        }
        buffer[kept++] = static_cast<char>(character);
    }
    if (!stopped) {
        buffer[buffer.size() - 1] = 0;
        return buffer.size();
    }
    if (kept > 0 && buffer[kept - 1] == '\r') --kept;
    buffer[kept] = 0;
    return kept + 1;
}

bool file_stream_write_text(file_stream& stream, std::string_view text)
{
    if (!stream.file) return false;
    return std::fwrite(text.data(), 1, text.size(), stream.file) == text.size();
}

int file_stream_close(file_stream& stream)
{
    int result = 0;
    if (stream.file && std::fclose(stream.file) != 0) result = 5;
    stream = {};
    return result;
}

void link_error_default_hook(int level, const char* text)
{
    std::fputs(text, level == 2 ? stderr : stdout);
}

void link_error_hook_install(link_context& context)
{
    context.error_hook = link_error_default_hook;
}

void link_error_print(const link_context& context, const char* format, ...)
{
    if (!context.error_hook) return;
    char buffer[500];
    va_list arguments;
    va_start(arguments, format);
    std::vsnprintf(buffer, sizeof buffer, format, arguments);
    va_end(arguments);
    context.error_hook(2, buffer);
}
