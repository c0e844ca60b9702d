#include "render/BitmapRowWriters.h"

#include "Utils/AppErrors.h"
#include "render/TiffLibrary.h"

#include <zlib.h>

#include <algorithm>
#include <condition_variable>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <initializer_list>
#include <limits>
#include <mutex>
#include <new>
#include <string>
#include <system_error>
#include <thread>
#include <utility>

namespace {

Error encodingError(const std::string& reason)
{
    Error error = MakeAppError(AppErrors::ExportRenderingFailed);
    if (!reason.empty()) error.failureReason = reason;
    return error;
}

uint8_t straightChannel(uint32_t premultiplied, uint32_t alpha)
{
    return uint8_t((premultiplied * 255 + alpha / 2) / alpha);
}

constexpr uint8_t PngSignature[8] = {137, 80, 78, 71, 13, 10, 26, 10};
// Rows are compressed in pieces of about this many bytes of pixels, each on one thread: small
// enough that a few in flight cost little memory, large enough that restarting zlib's window at
// each costs little room in the file.
constexpr size_t PieceBytes = 1 << 20;
// A thread compresses while the caller paints: more in flight than this and the caller waits.
constexpr size_t PiecesInFlightPerThread = 2;

void appendBigEndian(std::vector<uint8_t>& out, uint32_t value)
{
    const uint8_t bytes[4] = {uint8_t(value >> 24), uint8_t(value >> 16), uint8_t(value >> 8), uint8_t(value)};
    out.insert(out.end(), bytes, bytes + 4);
}

// A chunk whose data is the three parts one after the other.
void appendChunk(std::vector<uint8_t>& out, const char* type,
                 std::initializer_list<std::pair<const uint8_t*, size_t>> parts)
{
    size_t size = 0;
    for (const auto& part : parts) size += part.second;
    appendBigEndian(out, uint32_t(size));
    const size_t start = out.size();
    out.insert(out.end(), type, type + 4);
    for (const auto& part : parts) out.insert(out.end(), part.first, part.first + part.second);
    appendBigEndian(out, uint32_t(crc32_z(0, out.data() + start, out.size() - start)));
}

uint8_t paethPredictor(int a, int b, int c)
{
    const int p = a + b - c, pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
    if (pa <= pb && pa <= pc) return uint8_t(a);
    return uint8_t(pb <= pc ? b : c);
}

// A run of the picture's rows, compressed on its own as a part of the one zlib stream of the
// file: every piece but the last ends on a byte boundary without closing the stream, so the
// pieces' bytes follow each other as they are.
struct Piece {
    // The row above the first (clear for the picture's first row, as filters take it) and the
    // piece's rows, as the caller handed them over.
    std::vector<uint32_t> pixels;
    size_t rows = 0;
    bool first = false;
    bool last = false;
    std::vector<uint8_t> compressed;
    uint32_t adler = 0;
    size_t filteredBytes = 0;
    bool done = false;
    bool failed = false;
};

class PngRowWriter : public BitmapRowWriter {
public:
    PngRowWriter(int64_t width, int64_t height, bool opaque, PngEncoding encoding)
        : _width(width), _height(height), _channels(opaque ? 3 : 4), _encoding(encoding)
    {
        _rowBytes = size_t(width) * _channels;
        _piecesRows = std::max<size_t>(1, PieceBytes / (size_t(width) * 4));
        _encoding.level = std::clamp(_encoding.level, 0, 9);
        if (_encoding.filter < 0 || _encoding.filter > 4) _encoding.filter = 0;
        try {
            // Room for the worst a file can grow to is only promised, not taken: the pages the
            // file fills are all it costs, and it is never copied to grow.
            const double raw = double(height) * double(_rowBytes + 1);
            const double bound = raw * 1.001 + double(height / int64_t(_piecesRows) + 1) * 64 + 1024;
            if (bound < double(std::numeric_limits<size_t>::max() / 2)) _data.reserve(size_t(bound));
        } catch (const std::bad_alloc&) {
            // It grows as it goes.
        }
        try {
            _data.insert(_data.end(), PngSignature, PngSignature + 8);
            uint8_t header[13] = {};
            header[0] = uint8_t(width >> 24), header[1] = uint8_t(width >> 16), header[2] = uint8_t(width >> 8),
            header[3] = uint8_t(width);
            header[4] = uint8_t(height >> 24), header[5] = uint8_t(height >> 16), header[6] = uint8_t(height >> 8),
            header[7] = uint8_t(height);
            header[8] = 8;              // bits per channel
            header[9] = opaque ? 2 : 6; // truecolour, with alpha when not opaque
            appendChunk(_data, "IHDR", {{header, sizeof header}});
            _current = newPiece(nullptr);
        } catch (const std::bad_alloc&) {
            fail("out of memory");
        }
        _adler = adler32(0, nullptr, 0);
    }

    ~PngRowWriter() override { stopThreads(); }

    bool writeRow(const uint32_t* row) override
    {
        if (_failed) return false;
        if (_rows >= _height) return fail("more rows than the picture has");
        std::memcpy(_current->pixels.data() + (_current->rows + 1) * size_t(_width), row, size_t(_width) * 4);
        ++_current->rows;
        ++_rows;
        if (_current->rows == _piecesRows || _rows == _height) {
            _current->last = _rows == _height;
            std::unique_ptr<Piece> next;
            try {
                if (!_current->last) next = newPiece(_current->pixels.data() + _current->rows * size_t(_width));
                submit(std::move(_current));
            } catch (const std::bad_alloc&) {
                return fail("out of memory");
            }
            _current = std::move(next);
        }
        return !_failed;
    }

    std::vector<uint8_t> finish(Error* error) override
    {
        if (!_failed && _rows != _height) fail("the picture was not painted whole");
        if (!_failed) drain(true);
        stopThreads();
        if (!_failed) {
            try {
                appendChunk(_data, "IEND", {});
            } catch (const std::bad_alloc&) {
                fail("out of memory");
            }
        }
        if (_failed) {
            setError(error, encodingError(_message));
            return {};
        }
        return std::move(_data);
    }

private:
    std::unique_ptr<Piece> newPiece(const uint32_t* rowAbove)
    {
        auto piece = std::make_unique<Piece>();
        piece->pixels.resize((_piecesRows + 1) * size_t(_width));
        piece->first = !rowAbove;
        if (rowAbove) std::memcpy(piece->pixels.data(), rowAbove, size_t(_width) * 4);
        return piece;
    }

    bool fail(const std::string& message)
    {
        if (_message.empty()) _message = message;
        _failed = true;
        return false;
    }

    // Hands the piece to the threads, or compresses it here when it is the whole picture or no
    // thread would start; then takes in what is done, waiting while too much is in flight.
    void submit(std::unique_ptr<Piece> piece)
    {
        Piece* raw = piece.get();
        const bool alone = raw->last && _pending.empty();
        if (!alone) startThreads();
        {
            std::lock_guard lock(_mutex);
            _pending.push_back(std::move(piece));
            if (!_threads.empty()) _queue.push_back(raw);
        }
        if (_threads.empty()) {
            compress(*raw);
            std::lock_guard lock(_mutex);
            raw->done = true;
        } else {
            _work.notify_one();
        }
        drain(false);
    }

    // Appends the finished pieces in order; with `all`, or while too many are in flight, waits
    // for the oldest.
    void drain(bool all)
    {
        const size_t limit = std::max<size_t>(1, _threads.size() * PiecesInFlightPerThread);
        std::unique_lock lock(_mutex);
        for (;;) {
            if (_pending.empty()) return;
            Piece& oldest = *_pending.front();
            if (!oldest.done) {
                if (!all && _pending.size() <= limit) return;
                _finished.wait(lock, [&] { return oldest.done; });
            }
            std::unique_ptr<Piece> piece = std::move(_pending.front());
            _pending.pop_front();
            lock.unlock();
            append(*piece);
            lock.lock();
        }
    }

    void append(const Piece& piece)
    {
        if (_failed) return;
        if (piece.failed) {
            fail("zlib could not compress the picture");
            return;
        }
        _adler = adler32_combine(_adler, piece.adler, z_off_t(piece.filteredBytes));
        try {
            // The stream's header opens the first piece, its check value closes the last.
            const uint8_t header[2] = {0x78, levelFlags()};
            const uint8_t trailer[4] = {uint8_t(_adler >> 24), uint8_t(_adler >> 16), uint8_t(_adler >> 8),
                                        uint8_t(_adler)};
            // A piece is at most a few rows of at most a million pixels: one chunk holds it.
            const bool first = !_streamStarted;
            _streamStarted = true;
            appendChunk(_data, "IDAT",
                        {{header, first ? 2 : 0},
                         {piece.compressed.data(), piece.compressed.size()},
                         {trailer, piece.last ? 4 : 0}});
        } catch (const std::bad_alloc&) {
            fail("out of memory");
        }
    }

    // The header's level hint; readers ignore it, but the check bits must make the header a
    // multiple of 31.
    uint8_t levelFlags() const
    {
        const int level = _encoding.level <= 1 ? 0 : _encoding.level <= 5 ? 1 : _encoding.level == 6 ? 2 : 3;
        const int flags = level << 6;
        return uint8_t(flags + (31 - (0x78 * 256 + flags) % 31) % 31);
    }

    // Converts, filters and compresses the piece; on the thread that took it.
    void compress(Piece& piece) const
    {
        std::vector<uint8_t> above, row, filtered;
        try {
            above.resize(_rowBytes);
            row.resize(_rowBytes);
            filtered.resize(piece.rows * (_rowBytes + 1));
        } catch (const std::bad_alloc&) {
            piece.failed = true;
            return;
        }
        // The row above the picture is clear whatever the alpha: a filter reads zeros there.
        if (!piece.first) convert(piece.pixels.data(), above.data());
        uint8_t* out = filtered.data();
        for (size_t y = 0; y < piece.rows; ++y) {
            convert(piece.pixels.data() + (y + 1) * size_t(_width), row.data());
            *out++ = uint8_t(_encoding.filter);
            filterRow(row.data(), above.data(), out);
            out += _rowBytes;
            std::swap(row, above);
        }
        piece.filteredBytes = filtered.size();
        piece.adler = uint32_t(adler32_z(adler32(0, nullptr, 0), filtered.data(), filtered.size()));
        piece.pixels = {};

        z_stream stream{};
        if (deflateInit2(&stream, _encoding.level, Z_DEFLATED, -MAX_WBITS, 8, _encoding.strategy) != Z_OK) {
            piece.failed = true;
            return;
        }
        try {
            // Room for what a flush adds besides.
            piece.compressed.resize(deflateBound(&stream, uLong(filtered.size())) + 64);
        } catch (const std::bad_alloc&) {
            deflateEnd(&stream);
            piece.failed = true;
            return;
        }
        stream.next_in = filtered.data();
        stream.avail_in = uInt(filtered.size());
        stream.next_out = piece.compressed.data();
        stream.avail_out = uInt(piece.compressed.size());
        // Every piece but the last stops on a byte boundary with the stream left open.
        const int result = deflate(&stream, piece.last ? Z_FINISH : Z_SYNC_FLUSH);
        const bool complete =
            piece.last ? result == Z_STREAM_END : result == Z_OK && stream.avail_in == 0 && stream.avail_out > 0;
        piece.compressed.resize(stream.total_out);
        piece.compressed.shrink_to_fit();
        deflateEnd(&stream);
        if (!complete) piece.failed = true;
    }

    // One row of cairo's pixels as the file holds them.
    void convert(const uint32_t* in, uint8_t* out) const
    {
        if (_channels == 3) {
            for (int64_t x = 0; x < _width; ++x, out += 3) {
                const uint32_t pixel = in[x];
                out[0] = uint8_t(pixel >> 16), out[1] = uint8_t(pixel >> 8), out[2] = uint8_t(pixel);
            }
            return;
        }
        for (int64_t x = 0; x < _width; ++x, out += 4) {
            const uint32_t pixel = in[x];
            const uint32_t a = pixel >> 24;
            if (a == 255) {
                out[0] = uint8_t(pixel >> 16), out[1] = uint8_t(pixel >> 8), out[2] = uint8_t(pixel), out[3] = 255;
            } else if (a == 0) {
                std::memset(out, 0, 4);
            } else {
                out[0] = straightChannel(pixel >> 16 & 0xff, a);
                out[1] = straightChannel(pixel >> 8 & 0xff, a);
                out[2] = straightChannel(pixel & 0xff, a);
                out[3] = uint8_t(a);
            }
        }
    }

    void filterRow(const uint8_t* row, const uint8_t* above, uint8_t* out) const
    {
        const size_t n = _rowBytes, bpp = size_t(_channels);
        switch (_encoding.filter) {
        case 1:
            for (size_t i = 0; i < n; ++i) out[i] = uint8_t(row[i] - (i >= bpp ? row[i - bpp] : 0));
            break;
        case 2:
            for (size_t i = 0; i < n; ++i) out[i] = uint8_t(row[i] - above[i]);
            break;
        case 3:
            for (size_t i = 0; i < n; ++i) out[i] = uint8_t(row[i] - ((i >= bpp ? row[i - bpp] : 0) + above[i]) / 2);
            break;
        case 4:
            for (size_t i = 0; i < n; ++i) {
                const int a = i >= bpp ? row[i - bpp] : 0, c = i >= bpp ? above[i - bpp] : 0;
                out[i] = uint8_t(row[i] - paethPredictor(a, above[i], c));
            }
            break;
        default:
            std::memcpy(out, row, n);
        }
    }

    void startThreads()
    {
        if (_threadsTried) return;
        _threadsTried = true;
        // The caller paints meanwhile; more threads than cores would only take turns.
        const unsigned cores = std::max(2u, std::thread::hardware_concurrency());
        const unsigned count = std::min(cores, 8u) - 1;
        try {
            for (unsigned i = 0; i < count; ++i) _threads.emplace_back([this] { work(); });
        } catch (const std::system_error&) {
            // Those that started do the work; with none, the caller does.
        }
    }

    void stopThreads()
    {
        {
            std::lock_guard lock(_mutex);
            _stopping = true;
            _queue.clear();
        }
        _work.notify_all();
        for (std::thread& thread : _threads) thread.join();
        _threads.clear();
    }

    void work()
    {
        for (;;) {
            Piece* piece;
            {
                std::unique_lock lock(_mutex);
                _work.wait(lock, [&] { return _stopping || !_queue.empty(); });
                if (_stopping) return;
                piece = _queue.front();
                _queue.pop_front();
            }
            compress(*piece);
            {
                std::lock_guard lock(_mutex);
                piece->done = true;
            }
            _finished.notify_all();
        }
    }

    int64_t _width, _height;
    int _channels;
    PngEncoding _encoding;
    size_t _rowBytes = 0;
    size_t _piecesRows = 1;
    int64_t _rows = 0;
    std::unique_ptr<Piece> _current;
    std::vector<uint8_t> _data;
    uint32_t _adler = 1;
    bool _streamStarted = false;
    bool _failed = false;
    std::string _message;

    std::mutex _mutex;
    std::condition_variable _work, _finished;
    std::deque<std::unique_ptr<Piece>> _pending; // submitted, in picture order
    std::deque<Piece*> _queue;                   // not taken by a thread yet
    std::vector<std::thread> _threads;
    bool _threadsTried = false;
    bool _stopping = false;
};

// A TIFF file that libtiff writes into memory.
struct MemoryFile {
    std::vector<uint8_t> data;
    uint64_t position = 0;
};

tmsize_t readMemory(thandle_t handle, void* buffer, tmsize_t size)
{
    auto* file = static_cast<MemoryFile*>(handle);
    if (size <= 0 || file->position >= file->data.size()) return 0;
    const uint64_t count = std::min<uint64_t>(uint64_t(size), file->data.size() - file->position);
    std::memcpy(buffer, file->data.data() + file->position, count);
    file->position += count;
    return tmsize_t(count);
}

tmsize_t writeMemory(thandle_t handle, void* buffer, tmsize_t size)
{
    auto* file = static_cast<MemoryFile*>(handle);
    if (size < 0) return -1;
    const uint64_t end = file->position + uint64_t(size);
    try {
        if (end > file->data.size()) file->data.resize(end);
    } catch (const std::bad_alloc&) {
        return -1;
    }
    std::memcpy(file->data.data() + file->position, buffer, size_t(size));
    file->position = end;
    return size;
}

toff_t seekMemory(thandle_t handle, toff_t offset, int whence)
{
    auto* file = static_cast<MemoryFile*>(handle);
    uint64_t base = 0;
    if (whence == SEEK_CUR) base = file->position;
    if (whence == SEEK_END) base = file->data.size();
    file->position = base + offset;
    return file->position;
}

int closeMemory(thandle_t)
{
    return 0;
}

toff_t sizeOfMemory(thandle_t handle)
{
    return static_cast<MemoryFile*>(handle)->data.size();
}

int mapMemory(thandle_t, void**, toff_t*)
{
    return 0;
}

void unmapMemory(thandle_t, void*, toff_t)
{
}

class TiffRowWriter : public BitmapRowWriter {
public:
    TiffRowWriter(int64_t width, int64_t height) : _width(width), _height(height)
    {
        _library = TiffLibrary::get();
        if (!_library) {
            fail(TiffLibrary::loadError());
            return;
        }
        const TiffLibrary& tiff = *_library;
        TIFFOpenOptions* options = tiff.openOptionsAlloc();
        tiff.openOptionsSetErrorHandlerExtR(options, onMessage, this);
        tiff.openOptionsSetWarningHandlerExtR(options, onWarning, this);
        _tiff = tiff.clientOpenExt("export.tiff", "w", &_file, readMemory, writeMemory, seekMemory, closeMemory,
                                   sizeOfMemory, mapMemory, unmapMemory, options);
        tiff.openOptionsFree(options);
        if (!_tiff) {
            fail("libtiff could not start");
            return;
        }
        try {
            _row.resize(size_t(width) * 4);
        } catch (const std::bad_alloc&) {
            fail("out of memory");
            return;
        }
        const uint16_t extraSamples[] = {EXTRASAMPLE_ASSOCALPHA};
        const auto set = tiff.setField;
        const bool tagged = set(_tiff, TIFFTAG_IMAGEWIDTH, uint32_t(width)) &&
            set(_tiff, TIFFTAG_IMAGELENGTH, uint32_t(height)) && set(_tiff, TIFFTAG_BITSPERSAMPLE, 8) &&
            set(_tiff, TIFFTAG_SAMPLESPERPIXEL, 4) && set(_tiff, TIFFTAG_EXTRASAMPLES, 1, extraSamples) &&
            set(_tiff, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB) && set(_tiff, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG) &&
            set(_tiff, TIFFTAG_ORIENTATION, ORIENTATION_TOPLEFT) && set(_tiff, TIFFTAG_COMPRESSION, COMPRESSION_LZW) &&
            set(_tiff, TIFFTAG_PREDICTOR, PREDICTOR_HORIZONTAL) &&
            set(_tiff, TIFFTAG_ROWSPERSTRIP, tiff.defaultStripSize(_tiff, 0));
        if (!tagged) fail("libtiff refused the picture's tags");
    }

    ~TiffRowWriter() override
    {
        if (_tiff) _library->close(_tiff);
    }

    bool writeRow(const uint32_t* row) override
    {
        if (_failed) return false;
        if (_rows >= _height) return fail("more rows than the picture has");
        uint8_t* out = _row.data();
        for (int64_t x = 0; x < _width; ++x, out += 4) {
            const uint32_t pixel = row[x];
            out[0] = uint8_t(pixel >> 16);
            out[1] = uint8_t(pixel >> 8);
            out[2] = uint8_t(pixel);
            out[3] = uint8_t(pixel >> 24);
        }
        if (_library->writeScanline(_tiff, _row.data(), uint32_t(_rows), 0) != 1)
            return fail("libtiff could not write");
        ++_rows;
        return true;
    }

    std::vector<uint8_t> finish(Error* error) override
    {
        if (!_failed && _rows != _height) fail("the picture was not painted whole");
        if (!_failed && _library->flush(_tiff) != 1) fail("libtiff could not finish the file");
        if (_tiff) _library->close(_tiff);
        _tiff = nullptr;
        if (_failed) {
            setError(error, encodingError(_tiffMessage[0] ? _tiffMessage : _message));
            return {};
        }
        return std::move(_file.data);
    }

private:
    bool fail(const std::string& message)
    {
        if (_message.empty()) _message = message;
        _failed = true;
        return false;
    }

    // Nothing here may throw: an exception cannot pass through libtiff's frames.
    static int onMessage(TIFF*, void* user, const char*, const char* format, va_list arguments)
    {
        auto* self = static_cast<TiffRowWriter*>(user);
        if (!self->_tiffMessage[0]) std::vsnprintf(self->_tiffMessage, sizeof self->_tiffMessage, format, arguments);
        self->_failed = true;
        return 1;
    }

    static int onWarning(TIFF*, void*, const char*, const char*, va_list) { return 1; }

    MemoryFile _file;
    const TiffLibrary* _library = nullptr;
    TIFF* _tiff = nullptr;
    int64_t _width, _height;
    int64_t _rows = 0;
    std::vector<uint8_t> _row;
    bool _failed = false;
    std::string _message;
    char _tiffMessage[256] = {};
};

} // namespace

std::unique_ptr<BitmapRowWriter> BitmapRowWriter::png(int64_t width, int64_t height, bool opaque, PngEncoding encoding)
{
    return std::make_unique<PngRowWriter>(width, height, opaque, encoding);
}

std::unique_ptr<BitmapRowWriter> BitmapRowWriter::tiff(int64_t width, int64_t height)
{
    return std::make_unique<TiffRowWriter>(width, height);
}
