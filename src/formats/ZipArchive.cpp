#include "formats/ZipArchive.h"

#include "Utils/FileManagerUtils.h"
#include "formats/MinizipLibrary.h"
#include "formats/TraditionalZipCipher.h"
#include "formats/UnzipArchive.h"
#include "formats/ZipMemoryBuffer.h"
#include "platform/FileUtils.h"
#include "platform/Folders.h"

#include <zlib.h>

#include <algorithm>
#include <limits>

namespace {

// Only reached with an archive open, which the library was loaded for.
const MinizipLibrary& minizip()
{
    return *MinizipLibrary::get();
}

// The zip headers keep an entry name's length in 16 bits.
constexpr size_t MaxEntryNameLength = 0xFFFF;

// Entries of this size and above need the zip64 extension.
constexpr uint64_t Zip64Threshold = 0xFFFFFFFFu;

bool isAscii(const std::string& text)
{
    return std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// zlib takes lengths as unsigned int, so large data goes in pieces.
constexpr size_t ZlibPiece = size_t(1) << 30;

uLong crcOf(std::span<const uint8_t> data)
{
    uLong crc = crc32(0L, Z_NULL, 0);
    for (size_t offset = 0; offset < data.size(); offset += ZlibPiece) {
        const size_t count = std::min(ZlibPiece, data.size() - offset);
        crc = crc32(crc, data.data() + offset, static_cast<uInt>(count));
    }
    return crc;
}

// Deflate without zlib's header, as zip entries hold it.
std::optional<std::vector<uint8_t>> rawDeflate(std::span<const uint8_t> data)
{
    z_stream stream{};
    if (deflateInit2(&stream, Z_DEFAULT_COMPRESSION, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) != Z_OK) {
        return std::nullopt;
    }
    std::vector<uint8_t> out;
    uint8_t chunk[16384];
    size_t offset = 0;
    int result = Z_OK;
    while (result == Z_OK) {
        if (stream.avail_in == 0 && offset < data.size()) {
            const size_t count = std::min(ZlibPiece, data.size() - offset);
            stream.next_in = const_cast<Bytef*>(data.data() + offset);
            stream.avail_in = static_cast<uInt>(count);
            offset += count;
        }
        stream.next_out = chunk;
        stream.avail_out = sizeof chunk;
        result = deflate(&stream, offset < data.size() ? Z_NO_FLUSH : Z_FINISH);
        out.insert(out.end(), chunk, chunk + (sizeof chunk - stream.avail_out));
        if (result == Z_BUF_ERROR) result = Z_OK;
    }
    deflateEnd(&stream);
    if (result != Z_STREAM_END) return std::nullopt;
    return out;
}

// The entry is deflated and encrypted here and handed to minizip as raw data, flagged as
// encrypted; minizip writes the headers with the CRC and size of the plain data.
bool addEncryptedEntry(void* zipFile, const std::string& password, std::span<const uint8_t> data,
                       const zip_fileinfo& info, const std::string& newName, int zip64)
{
    const uLong crc = crcOf(data);
    auto deflated = rawDeflate(data);
    if (!deflated) return false;

    TraditionalZipCipher cipher(password);
    std::vector<uint8_t> entry = cipher.makeHeader(static_cast<uint8_t>(crc >> 24));
    cipher.encrypt(*deflated);
    entry.insert(entry.end(), deflated->begin(), deflated->end());
    deflated.reset();

    constexpr uLong EncryptedFlag = 1;
    if (minizip().zipOpenNewFileInZip4_64(zipFile, newName.c_str(), &info, nullptr, 0, nullptr, 0, nullptr, Z_DEFLATED,
                                          Z_DEFAULT_COMPRESSION, 1, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY, nullptr, 0, 0,
                                          EncryptedFlag, zip64 || entry.size() >= Zip64Threshold) != ZIP_OK) {
        return false;
    }
    bool written = true;
    for (size_t offset = 0; offset < entry.size() && written; offset += ZlibPiece) {
        const size_t count = std::min(ZlibPiece, entry.size() - offset);
        written = minizip().zipWriteInFileInZip(zipFile, entry.data() + offset, static_cast<unsigned>(count)) == ZIP_OK;
    }
    const bool closed = minizip().zipCloseFileInZipRaw64(zipFile, data.size(), crc) == ZIP_OK;
    return written && closed;
}

const std::vector<uint8_t> NoZipData;

} // namespace

ZipArchive::ZipArchive() = default;

ZipArchive::~ZipArchive()
{
    CloseZipFile2();
}

bool ZipArchive::CreateZipFile2(const std::string& path)
{
    if (_zipFile) CloseZipFile2();
    _memory.reset();
    if (!MinizipLibrary::get()) return false;
    _zipFile = minizip().zipOpen64(path.c_str(), APPEND_STATUS_CREATE);
    return _zipFile != nullptr;
}

bool ZipArchive::CreateZipFile2(const std::string& path, const std::string& password)
{
    // Closing forgets the password, so an open archive is closed before it is set.
    if (_zipFile) CloseZipFile2();
    setPassword(password);
    return CreateZipFile2(path);
}

bool ZipArchive::CreateZipData()
{
    if (_zipFile) CloseZipFile2();
    if (!MinizipLibrary::get()) return false;
    _memory = std::make_unique<ZipMemoryBuffer>();
    zlib_filefunc64_def functions = _memory->fileFunctions();
    _zipFile = minizip().zipOpen2_64("memory", APPEND_STATUS_CREATE, nullptr, &functions);
    return _zipFile != nullptr;
}

bool ZipArchive::addDataToZip(std::span<const uint8_t> data, std::optional<Date> fileDate, const std::string& newName)
{
    if (!_zipFile) return false;
    if (newName.empty() || newName.size() > MaxEntryNameLength) return false;

    zip_fileinfo info{};
    if (fileDate) {
        DateComponents date = _calendar.components(*fileDate);
        // A DOS date holds the years 1980 to 2107 only; minizip would wrap any other year.
        if (date.year < 1980) date = {1980, 1, 1, 0, 0, 0};
        if (date.year > 2107) date = {2107, 12, 31, 23, 59, 58};
        info.tmz_date.tm_sec = static_cast<uInt>(date.second);
        info.tmz_date.tm_min = static_cast<uInt>(date.minute);
        info.tmz_date.tm_hour = static_cast<uInt>(date.hour);
        info.tmz_date.tm_mday = static_cast<uInt>(date.day);
        info.tmz_date.tm_mon = static_cast<uInt>(date.month - 1);
        info.tmz_date.tm_year = static_cast<uInt>(date.year);
    }

    const int zip64 = data.size() >= Zip64Threshold ? 1 : 0;
    if (!_password.empty()) {
        if (!isAscii(_password)) return false;
        return addEncryptedEntry(_zipFile, _password, data, info, newName, zip64);
    }

    if (minizip().zipOpenNewFileInZip64(_zipFile, newName.c_str(), &info, nullptr, 0, nullptr, 0, nullptr, Z_DEFLATED,
                                        Z_DEFAULT_COMPRESSION, zip64) != ZIP_OK) {
        return false;
    }
    bool written = true;
    for (size_t offset = 0; offset < data.size() && written; offset += ZlibPiece) {
        const size_t count = std::min(ZlibPiece, data.size() - offset);
        written = minizip().zipWriteInFileInZip(_zipFile, data.data() + offset, static_cast<unsigned>(count)) == ZIP_OK;
    }
    const bool closed = minizip().zipCloseFileInZip(_zipFile) == ZIP_OK;
    return written && closed;
}

bool ZipArchive::addFileToZip(const std::string& path, const std::string& newName)
{
    // An entry larger than any reader unpacks is not written.
    const auto data = readFileData(path, UnzipArchive::DefaultExtractionLimit);
    if (!data) return false;
    return addDataToZip(*data, getDateOfItemAtPath(path), newName);
}

bool ZipArchive::CloseZipFile2()
{
    _password.clear();
    if (!_zipFile) return false;
    const bool closed = minizip().zipClose(_zipFile, nullptr) == ZIP_OK;
    _zipFile = nullptr;
    if (!closed && _memory) _memory->bytes.clear();
    return closed;
}

const std::vector<uint8_t>& ZipArchive::zipData() const
{
    return _memory && !_zipFile ? _memory->bytes : NoZipData;
}
