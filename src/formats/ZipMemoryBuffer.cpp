#include "formats/ZipMemoryBuffer.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace {

ZipMemoryBuffer* bufferOf(voidpf opaque)
{
    return static_cast<ZipMemoryBuffer*>(opaque);
}

voidpf ZCALLBACK openBuffer(voidpf opaque, const void*, int mode)
{
    ZipMemoryBuffer* buffer = bufferOf(opaque);
    if (mode & ZLIB_FILEFUNC_MODE_CREATE) buffer->bytes.clear();
    buffer->position = 0;
    return buffer;
}

uLong ZCALLBACK readBuffer(voidpf opaque, voidpf, void* out, uLong size)
{
    ZipMemoryBuffer* buffer = bufferOf(opaque);
    if (buffer->position >= buffer->bytes.size()) return 0;
    const uint64_t count = std::min<uint64_t>(size, buffer->bytes.size() - buffer->position);
    std::memcpy(out, buffer->bytes.data() + buffer->position, count);
    buffer->position += count;
    return static_cast<uLong>(count);
}

uLong ZCALLBACK writeBuffer(voidpf opaque, voidpf, const void* in, uLong size)
{
    ZipMemoryBuffer* buffer = bufferOf(opaque);
    if (size == 0) return 0;
    if (buffer->position > buffer->bytes.max_size() - size) return 0;
    const uint64_t end = buffer->position + size;
    // minizip is C: no exception may leave this function, so a failed allocation is a short
    // write, which minizip reports as an error.
    try {
        if (end > buffer->bytes.size()) buffer->bytes.resize(end);
    } catch (...) {
        return 0;
    }
    std::memcpy(buffer->bytes.data() + buffer->position, in, size);
    buffer->position = end;
    return size;
}

ZPOS64_T ZCALLBACK tellBuffer(voidpf opaque, voidpf)
{
    return bufferOf(opaque)->position;
}

long ZCALLBACK seekBuffer(voidpf opaque, voidpf, ZPOS64_T offset, int origin)
{
    ZipMemoryBuffer* buffer = bufferOf(opaque);
    uint64_t base = 0;
    switch (origin) {
    case ZLIB_FILEFUNC_SEEK_SET:
        base = 0;
        break;
    case ZLIB_FILEFUNC_SEEK_CUR:
        base = buffer->position;
        break;
    case ZLIB_FILEFUNC_SEEK_END:
        base = buffer->bytes.size();
        break;
    default:
        return -1;
    }
    if (offset > std::numeric_limits<uint64_t>::max() - base) return -1;
    // A position past the end is allowed, as with files: reads there answer nothing and a write
    // fills the gap with zeros.
    buffer->position = base + offset;
    return 0;
}

int ZCALLBACK closeBuffer(voidpf, voidpf)
{
    return 0;
}

int ZCALLBACK bufferError(voidpf, voidpf)
{
    return 0;
}

} // namespace

zlib_filefunc64_def ZipMemoryBuffer::fileFunctions()
{
    zlib_filefunc64_def functions{};
    functions.zopen64_file = openBuffer;
    functions.zread_file = readBuffer;
    functions.zwrite_file = writeBuffer;
    functions.ztell64_file = tellBuffer;
    functions.zseek64_file = seekBuffer;
    functions.zclose_file = closeBuffer;
    functions.zerror_file = bufferError;
    functions.opaque = this;
    return functions;
}
