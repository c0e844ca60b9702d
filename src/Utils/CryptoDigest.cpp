#include "Utils/CryptoDigest.h"

#include "Utils/HexEncoding.h"
#include "platform/Utf8.h"

#include <glib.h>
#include <openssl/evp.h>

#include <cerrno>
#include <fcntl.h>
#include <memory>
#include <unistd.h>

namespace {

struct DigestContextDeleter {
    void operator()(EVP_MD_CTX* ctx) const { EVP_MD_CTX_free(ctx); }
};
using DigestContext = std::unique_ptr<EVP_MD_CTX, DigestContextDeleter>;

struct FileCloser {
    int fd;
    ~FileCloser()
    {
        if (fd >= 0) close(fd);
    }
};

enum class Algorithm { MD5, SHA1, SHA256, SHA512 };

// OpenSSL sets itself up at its first digest (its configuration file, its providers), which costs
// a start more than a millisecond for the few kilobytes of the map it imports. Short buffers are
// digested by GLib, loaded and ready anyway; OpenSSL, several times faster per byte, takes longer
// ones.
constexpr size_t ShortBufferLimit = 64 * 1024;

std::vector<uint8_t> digest(Algorithm algorithm, const void* bytes, size_t size)
{
    if (size < ShortBufferLimit) {
        const GChecksumType type = algorithm == Algorithm::MD5 ? G_CHECKSUM_MD5
            : algorithm == Algorithm::SHA1                     ? G_CHECKSUM_SHA1
            : algorithm == Algorithm::SHA256                   ? G_CHECKSUM_SHA256
                                                               : G_CHECKSUM_SHA512;
        GChecksum* checksum = g_checksum_new(type);
        g_checksum_update(checksum, static_cast<const guchar*>(bytes), static_cast<gssize>(size));
        std::vector<uint8_t> out(static_cast<size_t>(g_checksum_type_get_length(type)));
        gsize length = out.size();
        g_checksum_get_digest(checksum, out.data(), &length);
        g_checksum_free(checksum);
        out.resize(length);
        return out;
    }
    const EVP_MD* md = algorithm == Algorithm::MD5 ? EVP_md5()
        : algorithm == Algorithm::SHA1             ? EVP_sha1()
        : algorithm == Algorithm::SHA256           ? EVP_sha256()
                                                   : EVP_sha512();
    std::vector<uint8_t> out(static_cast<size_t>(EVP_MD_get_size(md)));
    unsigned length = 0;
    if (!EVP_Digest(bytes, size, out.data(), &length, md, nullptr)) return {};
    out.resize(length);
    return out;
}

std::optional<std::vector<uint8_t>> textDigest(Algorithm algorithm, std::string_view text)
{
    if (!Utf8::isValid(text)) return std::nullopt;
    return digest(algorithm, text.data(), text.size());
}

} // namespace

struct SHA1Stream::Context {
    DigestContext digest{EVP_MD_CTX_new()};
    bool ok = digest && EVP_DigestInit_ex(digest.get(), EVP_sha1(), nullptr);
};

SHA1Stream::SHA1Stream() : _context(new Context)
{
}

SHA1Stream::~SHA1Stream()
{
    delete _context;
}

void SHA1Stream::update(std::string_view bytes)
{
    if (_context->ok) _context->ok = EVP_DigestUpdate(_context->digest.get(), bytes.data(), bytes.size());
}

std::vector<uint8_t> SHA1Stream::finish()
{
    std::vector<uint8_t> out(static_cast<size_t>(EVP_MD_get_size(EVP_sha1())));
    unsigned length = 0;
    if (!_context->ok || !EVP_DigestFinal_ex(_context->digest.get(), out.data(), &length)) return {};
    _context->ok = false;
    out.resize(length);
    return out;
}

std::vector<uint8_t> MD5(const std::vector<uint8_t>& data)
{
    return digest(Algorithm::MD5, data.data(), data.size());
}

std::vector<uint8_t> SHA1(const std::vector<uint8_t>& data)
{
    return digest(Algorithm::SHA1, data.data(), data.size());
}

std::vector<uint8_t> SHA256(const std::vector<uint8_t>& data)
{
    return digest(Algorithm::SHA256, data.data(), data.size());
}

std::vector<uint8_t> SHA512(const std::vector<uint8_t>& data)
{
    return digest(Algorithm::SHA512, data.data(), data.size());
}

std::optional<std::vector<uint8_t>> SHA1(std::string_view text)
{
    return textDigest(Algorithm::SHA1, text);
}

std::optional<std::vector<uint8_t>> SHA256(std::string_view text)
{
    return textDigest(Algorithm::SHA256, text);
}

std::optional<std::vector<uint8_t>> SHA512(std::string_view text)
{
    return textDigest(Algorithm::SHA512, text);
}

std::optional<std::string> FileMD5HexString(const std::string& path)
{
    FileCloser file{open(path.c_str(), O_RDONLY | O_CLOEXEC)};
    if (file.fd < 0) return std::nullopt;
    DigestContext ctx(EVP_MD_CTX_new());
    if (!ctx || !EVP_DigestInit_ex(ctx.get(), EVP_md5(), nullptr)) return std::nullopt;

    std::vector<uint8_t> buffer(64 * 1024);
    for (;;) {
        const ssize_t n = read(file.fd, buffer.data(), buffer.size());
        if (n == 0) break;
        if (n < 0) {
            if (errno == EINTR) continue;
            return std::nullopt; // a folder, or a read error part way
        }
        if (!EVP_DigestUpdate(ctx.get(), buffer.data(), static_cast<size_t>(n))) return std::nullopt;
    }
    std::vector<uint8_t> md(EVP_MAX_MD_SIZE);
    unsigned length = 0;
    if (!EVP_DigestFinal_ex(ctx.get(), md.data(), &length)) return std::nullopt;
    md.resize(length);
    return stringByHexEncoding(md);
}
