#include "render/BitmapRowWriters.h"

#include "Utils/AppErrors.h"
#include "render/TiffLibrary.h"

#include <png.h>

#include <csetjmp>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <limits>
#include <new>
#include <string>

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

class PngRowWriter : public BitmapRowWriter {
public:
    PngRowWriter(int64_t width, int64_t height) : _width(width), _height(height)
    {
        _png = png_create_write_struct(PNG_LIBPNG_VER_STRING, this, onError, onWarning);
        if (_png) _info = png_create_info_struct(_png);
        if (!_png || !_info) {
            _failed = true;
            _message = "libpng could not start";
            return;
        }
        try {
            _row.resize(size_t(width) * 4);
        } catch (const std::bad_alloc&) {
            _failed = true;
            _message = "out of memory";
            return;
        }
        png_set_write_fn(_png, this, onWrite, nullptr);
        start();
    }

    ~PngRowWriter() override { png_destroy_write_struct(&_png, &_info); }

    bool writeRow(const uint32_t* row) override
    {
        if (_failed) return false;
        if (_rows >= _height) return fail("more rows than the picture has");
        uint8_t* out = _row.data();
        for (int64_t x = 0; x < _width; ++x, out += 4) {
            const uint32_t pixel = row[x];
            const uint32_t a = pixel >> 24;
            if (a == 0) {
                std::memset(out, 0, 4);
                continue;
            }
            out[0] = straightChannel(pixel >> 16 & 0xff, a);
            out[1] = straightChannel(pixel >> 8 & 0xff, a);
            out[2] = straightChannel(pixel & 0xff, a);
            out[3] = uint8_t(a);
        }
        if (!guardedWriteRow()) return fail({});
        ++_rows;
        return true;
    }

    std::vector<uint8_t> finish(Error* error) override
    {
        if (!_failed && _rows != _height) fail("the picture was not painted whole");
        if (!_failed && !guardedEnd()) fail({});
        if (_failed) {
            setError(error, encodingError(_message.empty() ? _pngMessage : _message));
            return {};
        }
        return std::move(_data);
    }

private:
    bool fail(const std::string& message)
    {
        if (!message.empty() && _message.empty()) _message = message;
        _failed = true;
        return false;
    }

    // libpng reports its errors by a long jump back here: nothing with a destructor may live
    // between these frames and the call into libpng.
    void start()
    {
        if (setjmp(png_jmpbuf(_png))) {
            _failed = true;
            return;
        }
        // Our pictures may be wider than libpng's default limit for what it writes; readers keep
        // theirs, which is why sides are limited before anything is painted.
        png_set_user_limits(_png, 0x7fffffff, 0x7fffffff);
        png_set_IHDR(_png, _info, png_uint_32(_width), png_uint_32(_height), 8, PNG_COLOR_TYPE_RGB_ALPHA,
                     PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
        png_write_info(_png, _info);
    }

    bool guardedWriteRow()
    {
        if (setjmp(png_jmpbuf(_png))) return false;
        png_write_row(_png, _row.data());
        return true;
    }

    bool guardedEnd()
    {
        if (setjmp(png_jmpbuf(_png))) return false;
        png_write_end(_png, _info);
        return true;
    }

    static void onError(png_structp png, png_const_charp message)
    {
        // Nothing here may throw: an exception cannot pass through libpng's frames.
        auto* self = static_cast<PngRowWriter*>(png_get_error_ptr(png));
        if (!self->_pngMessage[0] && message) std::snprintf(self->_pngMessage, sizeof self->_pngMessage, "%s", message);
        png_longjmp(png, 1);
    }

    static void onWarning(png_structp, png_const_charp) {}

    static void onWrite(png_structp png, png_bytep bytes, png_size_t length)
    {
        auto* self = static_cast<PngRowWriter*>(png_get_io_ptr(png));
        bool stored = true;
        try {
            self->_data.insert(self->_data.end(), bytes, bytes + length);
        } catch (const std::bad_alloc&) {
            stored = false;
        }
        if (!stored) png_error(png, "out of memory");
    }

    png_structp _png = nullptr;
    png_infop _info = nullptr;
    int64_t _width, _height;
    int64_t _rows = 0;
    std::vector<uint8_t> _row;
    std::vector<uint8_t> _data;
    bool _failed = false;
    std::string _message;
    char _pngMessage[128] = {};
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

std::unique_ptr<BitmapRowWriter> BitmapRowWriter::png(int64_t width, int64_t height)
{
    return std::make_unique<PngRowWriter>(width, height);
}

std::unique_ptr<BitmapRowWriter> BitmapRowWriter::tiff(int64_t width, int64_t height)
{
    return std::make_unique<TiffRowWriter>(width, height);
}
