#include "cloud/CacheFiles.h"

#include "Utils/CryptoDigest.h"

#include <filesystem>
#include <system_error>
#include <vector>

namespace fs = std::filesystem;

namespace {

// An extension longer than this is not one a reader of the copy looks for.
constexpr size_t LongestKeptExtension = 32;

std::string hexDigits(const std::vector<uint8_t>& bytes, size_t count)
{
    static const char* digits = "0123456789abcdef";
    std::string text;
    for (size_t i = 0; i < bytes.size() && i < count; ++i) {
        text += digits[bytes[i] >> 4];
        text += digits[bytes[i] & 15];
    }
    return text;
}

bool removeTree(const fs::path& path, const std::set<std::string>& keep)
{
    std::error_code error;
    const fs::file_status status = fs::symlink_status(path, error);
    if (status.type() == fs::file_type::not_found) return true;
    if (error) return false;
    if (status.type() != fs::file_type::directory) {
        if (keep.count(path.lexically_normal().string())) return false;
        fs::remove(path, error);
        return !error;
    }
    std::vector<fs::path> entries;
    fs::directory_iterator it(path, error);
    for (const fs::directory_iterator end; !error && it != end; it.increment(error)) entries.push_back(it->path());
    bool emptied = !error;
    for (const fs::path& entry : entries) emptied = removeTree(entry, keep) && emptied;
    if (!emptied) return false;
    fs::remove(path, error);
    return !error;
}

} // namespace

bool removeTreeExcept(const std::string& path, const std::set<std::string>& keep)
{
    if (path.empty()) return false;
    std::set<std::string> normal;
    for (const std::string& file : keep) normal.insert(fs::path(file).lexically_normal().string());
    return removeTree(fs::path(path), normal);
}

std::string fitCacheFileName(const std::string& name)
{
    if (name.size() <= MaximumCacheNameBytes) return name;
    const std::string tag = "~" + hexDigits(SHA256(std::vector<uint8_t>(name.begin(), name.end())), 8);
    const size_t dot = name.rfind('.');
    const std::string extension =
        dot != std::string::npos && dot > 0 && name.size() - dot <= LongestKeptExtension ? name.substr(dot) : "";
    size_t cut = MaximumCacheNameBytes - tag.size() - extension.size();
    // Never inside a character: back to the first byte of the one the limit falls in.
    while (cut > 0 && (static_cast<unsigned char>(name[cut]) & 0xC0) == 0x80) --cut;
    return name.substr(0, cut) + tag + extension;
}

std::string fitCachePath(const std::string& relativePath)
{
    std::string fitted;
    size_t start = 0;
    for (;;) {
        const size_t slash = relativePath.find('/', start);
        fitted += fitCacheFileName(relativePath.substr(start, slash == std::string::npos ? slash : slash - start));
        if (slash == std::string::npos) return fitted;
        fitted += '/';
        start = slash + 1;
    }
}
