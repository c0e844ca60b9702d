#include "Utils/CryptoDigest.h"

#include "Utils/HexEncoding.h"
#include "platform/SharedLibrary.h"
#include "platform/Utf8.h"

#include <glib.h>
#include <openssl/evp.h>
#include <openssl/opensslv.h>

#include <cerrno>
#include <fcntl.h>
#include <memory>
#include <unistd.h>

namespace {

// OpenSSL's digests, from the library loaded at the first long digest. Linked into the program,
// libcrypto was loaded and relocated at every start, before the first frame, for the short
// buffers a start digests, which GLib takes.
static_assert(OPENSSL_VERSION_MAJOR == 3, "the library is opened by the soname of these headers");
struct CryptoLibrary {
    EVP_MD_CTX* (*newContext)();
    void (*freeContext)(EVP_MD_CTX* context);
    int (*digestInit)(EVP_MD_CTX* context, const EVP_MD* type, ENGINE* engine);
    int (*digestUpdate)(EVP_MD_CTX* context, const void* bytes, size_t count);
    int (*digestFinal)(EVP_MD_CTX* context, unsigned char* digest, unsigned int* length);
    int (*digest)(const void* bytes, size_t count, unsigned char* digest, unsigned int* length, const EVP_MD* type,
                  ENGINE* engine);
    const EVP_MD* (*md5)();
    const EVP_MD* (*sha1)();
    const EVP_MD* (*sha256)();
    const EVP_MD* (*sha512)();
};

bool loadCrypto(CryptoLibrary& l, std::string& e)
{
    void* handle = SharedLibrary::open("libcrypto.so.3", "libcrypto", e);
    if (!handle) return false;
    auto bind = [&](const char* name, auto& function) {
        return SharedLibrary::bind(handle, name, function, "libcrypto", e);
    };
    bool ok = bind("EVP_MD_CTX_new", l.newContext);
    ok = bind("EVP_MD_CTX_free", l.freeContext) && ok;
    ok = bind("EVP_DigestInit_ex", l.digestInit) && ok;
    ok = bind("EVP_DigestUpdate", l.digestUpdate) && ok;
    ok = bind("EVP_DigestFinal_ex", l.digestFinal) && ok;
    ok = bind("EVP_Digest", l.digest) && ok;
    ok = bind("EVP_md5", l.md5) && ok;
    ok = bind("EVP_sha1", l.sha1) && ok;
    ok = bind("EVP_sha256", l.sha256) && ok;
    ok = bind("EVP_sha512", l.sha512) && ok;
    return ok;
}

// Nothing when the library cannot be loaded: every digest it would take is then empty.
const CryptoLibrary* crypto()
{
    return SharedLibrary::loadOnce<CryptoLibrary>(loadCrypto).get();
}

struct DigestContextDeleter {
    void operator()(EVP_MD_CTX* context) const { crypto()->freeContext(context); }
};
using DigestContext = std::unique_ptr<EVP_MD_CTX, DigestContextDeleter>;

// A context set up for the digest, or none without the library.
DigestContext newDigestContext(const EVP_MD* (*CryptoLibrary::*type)())
{
    const CryptoLibrary* c = crypto();
    if (!c) return nullptr;
    DigestContext context(c->newContext());
    if (context && !c->digestInit(context.get(), (c->*type)(), nullptr)) context.reset();
    return context;
}

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

std::vector<uint8_t> glibDigest(Algorithm algorithm, const void* bytes, size_t size)
{
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

std::vector<uint8_t> digest(Algorithm algorithm, const void* bytes, size_t size)
{
    // Without OpenSSL, GLib digests the long buffers too: slower, but never an empty digest that
    // a caller could take for the right one.
    const CryptoLibrary* c = size < ShortBufferLimit ? nullptr : crypto();
    if (!c) return glibDigest(algorithm, bytes, size);
    const EVP_MD* md = algorithm == Algorithm::MD5 ? c->md5()
        : algorithm == Algorithm::SHA1             ? c->sha1()
        : algorithm == Algorithm::SHA256           ? c->sha256()
                                                   : c->sha512();
    std::vector<uint8_t> out(EVP_MAX_MD_SIZE);
    unsigned length = 0;
    if (!c->digest(bytes, size, out.data(), &length, md, nullptr)) return glibDigest(algorithm, bytes, size);
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
    DigestContext digest = newDigestContext(&CryptoLibrary::sha1);
    bool ok = digest != nullptr;
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
    if (_context->ok) _context->ok = crypto()->digestUpdate(_context->digest.get(), bytes.data(), bytes.size());
}

std::vector<uint8_t> SHA1Stream::finish()
{
    std::vector<uint8_t> out(EVP_MAX_MD_SIZE);
    unsigned length = 0;
    if (!_context->ok || !crypto()->digestFinal(_context->digest.get(), out.data(), &length)) return {};
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
    DigestContext ctx = newDigestContext(&CryptoLibrary::md5);
    if (!ctx) return std::nullopt;

    std::vector<uint8_t> buffer(64 * 1024);
    for (;;) {
        const ssize_t n = read(file.fd, buffer.data(), buffer.size());
        if (n == 0) break;
        if (n < 0) {
            if (errno == EINTR) continue;
            return std::nullopt; // a folder, or a read error part way
        }
        if (!crypto()->digestUpdate(ctx.get(), buffer.data(), static_cast<size_t>(n))) return std::nullopt;
    }
    std::vector<uint8_t> md(EVP_MAX_MD_SIZE);
    unsigned length = 0;
    if (!crypto()->digestFinal(ctx.get(), md.data(), &length)) return std::nullopt;
    md.resize(length);
    return stringByHexEncoding(md);
}
