#include "formats/UnzipArchive.h"

#include "Utils/FileManagerUtils.h"
#include "Utils/StringUtils.h"
#include "formats/MinizipLibrary.h"
#include "formats/TraditionalZipCipher.h"
#include "formats/ZipMemoryBuffer.h"
#include "platform/Folders.h"
#include "platform/Utf8.h"

#include <zlib.h>

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Only reached with an archive open, which the library was loaded for.
const MinizipLibrary& minizip()
{
    return *MinizipLibrary::get();
}

constexpr unsigned ChunkSize = 4096;

// What a reader reserves up front at most; the rest grows as data actually arrives.
constexpr uint64_t MaxInitialReservation = uint64_t(1) << 20;

std::string withForwardSlashes(std::string name)
{
    std::replace(name.begin(), name.end(), '\\', '/');
    return name;
}

bool itemExists(const std::string& path)
{
    std::error_code error;
    // A dangling symbolic link counts as existing: it is not ours to follow or replace blindly.
    return std::filesystem::symlink_status(path, error).type() != std::filesystem::file_type::not_found && !error;
}

bool writeAll(int fd, const uint8_t* bytes, size_t count)
{
    while (count > 0) {
        const ssize_t written = ::write(fd, bytes, count);
        if (written < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        bytes += written;
        count -= static_cast<size_t>(written);
    }
    return true;
}

} // namespace

UnzipArchive::UnzipArchive() = default;

UnzipArchive::~UnzipArchive()
{
    UnzipCloseFile();
}

bool UnzipArchive::UnzipOpenFile(const std::string& path)
{
    if (_unzFile) UnzipCloseFile();
    if (!MinizipLibrary::get()) return false;
    _unzFile = minizip().unzOpen64(path.c_str());
    if (!_unzFile) return false;
    unz_global_info64 info{};
    if (minizip().unzGetGlobalInfo64(_unzFile, &info) != UNZ_OK) {
        minizip().unzClose(_unzFile);
        _unzFile = nullptr;
        return false;
    }
    return true;
}

bool UnzipArchive::UnzipOpenFile(const std::string& path, const std::string& password)
{
    // Closing forgets the password, so an open archive is closed before it is set.
    if (_unzFile) UnzipCloseFile();
    setPassword(password);
    return UnzipOpenFile(path);
}

bool UnzipArchive::UnzipOpenData(std::vector<uint8_t> bytes)
{
    if (_unzFile) UnzipCloseFile();
    if (!MinizipLibrary::get()) return false;
    _memory = std::make_unique<ZipMemoryBuffer>();
    _memory->bytes = std::move(bytes);
    zlib_filefunc64_def functions = _memory->fileFunctions();
    _unzFile = minizip().unzOpen2_64("memory", &functions);
    unz_global_info64 info{};
    if (!_unzFile || minizip().unzGetGlobalInfo64(_unzFile, &info) != UNZ_OK) {
        if (_unzFile) minizip().unzClose(_unzFile);
        _unzFile = nullptr;
        _memory.reset();
        return false;
    }
    return true;
}

bool UnzipArchive::UnzipOpenData(std::vector<uint8_t> bytes, const std::string& password)
{
    // Closing forgets the password, so an open archive is closed before it is set.
    if (_unzFile) UnzipCloseFile();
    setPassword(password);
    return UnzipOpenData(std::move(bytes));
}

bool UnzipArchive::UnzipCloseFile()
{
    _password.clear();
    if (!_unzFile) return true;
    const bool closed = minizip().unzClose(_unzFile) == UNZ_OK;
    _unzFile = nullptr;
    _memory.reset();
    return closed;
}

bool UnzipArchive::isSafeEntryPath(const std::string& name)
{
    if (name.empty() || name.front() == '/') return false;
    if (name.find('\0') != std::string::npos || name.find('\\') != std::string::npos) return false;
    const unsigned char first = static_cast<unsigned char>(name[0]);
    if (name.size() >= 2 && name[1] == ':' && ((first >= 'A' && first <= 'Z') || (first >= 'a' && first <= 'z'))) {
        return false;
    }
    size_t start = 0;
    while (start < name.size()) {
        size_t end = name.find('/', start);
        if (end == std::string::npos) end = name.size();
        const std::string_view component(name.data() + start, end - start);
        if (component.empty() || component == "." || component == "..") return false;
        start = end + 1;
    }
    return true;
}

bool UnzipArchive::currentEntryInfo(EntryInfo& info)
{
    unz_file_info64 fileInfo{};
    if (minizip().unzGetCurrentFileInfo64(_unzFile, &fileInfo, nullptr, 0, nullptr, 0, nullptr, 0) != UNZ_OK)
        return false;
    info.rawName.assign(fileInfo.size_filename, '\0');
    if (!info.rawName.empty() &&
        minizip().unzGetCurrentFileInfo64(_unzFile, &fileInfo, info.rawName.data(),
                                          static_cast<uLong>(info.rawName.size()), nullptr, 0, nullptr, 0) != UNZ_OK) {
        return false;
    }
    info.name = withForwardSlashes(info.rawName);
    info.isDirectory = !info.name.empty() && info.name.back() == '/';
    info.declaredSize = fileInfo.uncompressed_size;
    info.crc = static_cast<uint32_t>(fileInfo.crc);
    info.isEncrypted = (fileInfo.flag & 1) != 0;
    info.hasDataDescriptor = (fileInfo.flag & 8) != 0;
    info.dosDate = static_cast<uint32_t>(fileInfo.dosDate);

    // minizip unpacks the DOS fields with the month counted from 0; an all-zero date (written for
    // entries without one) or fields out of range make no date.
    const tm_unz& t = fileInfo.tmu_date;
    info.date.reset();
    const bool valid = fileInfo.dosDate != 0 && t.tm_mon < 12 && t.tm_mday >= 1 && t.tm_mday <= 31 && t.tm_hour < 24 &&
        t.tm_min < 60 && t.tm_sec < 60;
    if (valid) {
        info.date = _calendar.dateFromComponents({static_cast<int>(t.tm_year), static_cast<int>(t.tm_mon) + 1,
                                                  static_cast<int>(t.tm_mday), static_cast<int>(t.tm_hour),
                                                  static_cast<int>(t.tm_min), static_cast<int>(t.tm_sec)});
    }
    return true;
}

bool UnzipArchive::pumpCurrentEntry(const EntryInfo& info, bool withPassword, const Sink& sink)
{
    if (info.declaredSize > _extractionLimit) return false;
    if (info.isEncrypted) {
        // Encrypted bytes read as plain ones are only noise.
        if (!withPassword || _password.empty()) return false;
        return pumpEncryptedEntry(info, sink);
    }
    if (minizip().unzOpenCurrentFile(_unzFile) != UNZ_OK) return false;

    uint8_t chunk[ChunkSize];
    uint64_t total = 0;
    bool ok = true;
    while (ok) {
        const int count = minizip().unzReadCurrentFile(_unzFile, chunk, ChunkSize);
        if (count == 0) break;
        if (count < 0) {
            ok = false;
            break;
        }
        total += static_cast<uint64_t>(count);
        ok = total <= info.declaredSize && sink(chunk, static_cast<size_t>(count));
    }
    // minizip checks the CRC only when exactly the declared size was read, so the size is checked
    // here as well.
    const int closed = minizip().unzCloseCurrentFile(_unzFile);
    return ok && closed == UNZ_OK && total == info.declaredSize;
}

bool UnzipArchive::pumpEncryptedEntry(const EntryInfo& info, const Sink& sink)
{
    int method = 0;
    int level = 0;
    if (minizip().unzOpenCurrentFile2(_unzFile, &method, &level, 1) != UNZ_OK) return false;
    if (method != 0 && method != Z_DEFLATED) {
        minizip().unzCloseCurrentFile(_unzFile);
        return false;
    }

    TraditionalZipCipher cipher(_password);
    // The last header byte repeats the CRC's high byte, or with a trailing data descriptor (whose
    // CRC was not known when the header was written) the high byte of the time.
    const uint8_t checkByte =
        static_cast<uint8_t>(info.hasDataDescriptor ? (info.dosDate >> 8) & 0xFF : info.crc >> 24);
    const bool inflating = method == Z_DEFLATED;
    z_stream stream{};
    if (inflating && inflateInit2(&stream, -MAX_WBITS) != Z_OK) {
        minizip().unzCloseCurrentFile(_unzFile);
        return false;
    }

    uint64_t total = 0;
    uLong crc = crc32(0L, Z_NULL, 0);
    auto deliver = [&](const uint8_t* bytes, size_t count) {
        total += count;
        if (total > info.declaredSize) return false;
        crc = crc32(crc, bytes, static_cast<uInt>(count));
        return sink(bytes, count);
    };

    uint8_t chunk[ChunkSize];
    uint8_t plain[ChunkSize];
    size_t headerRead = 0;
    bool streamEnded = !inflating;
    bool ok = true;
    while (ok) {
        const int count = minizip().unzReadCurrentFile(_unzFile, chunk, ChunkSize);
        if (count <= 0) {
            ok = count == 0;
            break;
        }
        cipher.decrypt(std::span<uint8_t>(chunk, static_cast<size_t>(count)));
        size_t start = 0;
        while (headerRead < TraditionalZipCipher::HeaderLength && start < static_cast<size_t>(count)) {
            if (headerRead == TraditionalZipCipher::HeaderLength - 1 && chunk[start] != checkByte) ok = false;
            ++headerRead;
            ++start;
        }
        if (!ok || start == static_cast<size_t>(count)) continue;
        if (!inflating) {
            ok = deliver(chunk + start, static_cast<size_t>(count) - start);
            continue;
        }
        if (streamEnded) {
            ok = false;
            break;
        }
        stream.next_in = chunk + start;
        stream.avail_in = static_cast<uInt>(static_cast<size_t>(count) - start);
        do {
            stream.next_out = plain;
            stream.avail_out = ChunkSize;
            const uInt inputBefore = stream.avail_in;
            const int result = inflate(&stream, Z_NO_FLUSH);
            const size_t produced = ChunkSize - stream.avail_out;
            if (result == Z_STREAM_END) streamEnded = true;
            else if (result != Z_OK && result != Z_BUF_ERROR) ok = false;
            if (ok && produced > 0) ok = deliver(plain, produced);
            if (produced == 0 && stream.avail_in == inputBefore) break;
        } while (ok && !streamEnded && (stream.avail_in > 0 || stream.avail_out == 0));
        if (streamEnded && stream.avail_in > 0) ok = false;
    }
    if (inflating) inflateEnd(&stream);
    const int closed = minizip().unzCloseCurrentFile(_unzFile);
    return ok && closed == UNZ_OK && headerRead == TraditionalZipCipher::HeaderLength && streamEnded &&
        total == info.declaredSize && crc == info.crc;
}

std::optional<std::vector<uint8_t>> UnzipArchive::readCurrentEntry(const EntryInfo& info, bool withPassword)
{
    std::vector<uint8_t> data;
    data.reserve(static_cast<size_t>(std::min({info.declaredSize, _extractionLimit, MaxInitialReservation})));
    const bool complete = pumpCurrentEntry(info, withPassword, [&data](const uint8_t* bytes, size_t count) {
        data.insert(data.end(), bytes, bytes + count);
        return true;
    });
    if (!complete) return std::nullopt;
    return data;
}

bool UnzipArchive::writeCurrentEntryToFile(const EntryInfo& info, const std::string& path, bool withPassword,
                                           bool* damaged)
{
    if (damaged) *damaged = false;
    const std::filesystem::path target(path);
    std::string temporary = (target.parent_path() / ".tw-unzip-XXXXXX").string();
    const int fd = mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0) return false;
    bool ok = fchmod(fd, 0644) == 0;
    bool writeFailed = false;
    const bool pumped = pumpCurrentEntry(info, withPassword, [fd, &writeFailed](const uint8_t* bytes, size_t count) {
        writeFailed = !writeAll(fd, bytes, count);
        return !writeFailed;
    });
    if (!pumped && !writeFailed && damaged) *damaged = true;
    ok = pumped && ok;
    if (ok && info.date) {
        const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(info.date->time_since_epoch());
        timespec times[2];
        times[0].tv_sec = 0;
        times[0].tv_nsec = UTIME_OMIT;
        times[1].tv_sec = static_cast<time_t>(seconds.count());
        times[1].tv_nsec = 0;
        ok = futimens(fd, times) == 0;
    }
    if (::close(fd) != 0) ok = false;
    if (ok) ok = std::rename(temporary.c_str(), path.c_str()) == 0;
    if (!ok) ::unlink(temporary.c_str());
    return ok;
}

std::optional<std::vector<uint8_t>> UnzipArchive::extractFileData(const std::string& name)
{
    if (!_unzFile) return std::nullopt;
    const std::string wanted = withForwardSlashes(name);
    for (int step = minizip().unzGoToFirstFile(_unzFile); step == UNZ_OK; step = minizip().unzGoToNextFile(_unzFile)) {
        EntryInfo info;
        if (!currentEntryInfo(info)) return std::nullopt;
        if (!caseInsensitiveEqual(info.name, wanted)) continue;
        return readCurrentEntry(info, false);
    }
    return std::nullopt;
}

bool UnzipArchive::readContainedFiles(std::vector<std::string>& files)
{
    if (!_unzFile || minizip().unzGoToFirstFile(_unzFile) != UNZ_OK) return false;
    for (;;) {
        if (minizip().unzOpenCurrentFile(_unzFile) != UNZ_OK) return false;
        EntryInfo info;
        const bool described = currentEntryInfo(info);
        minizip().unzCloseCurrentFile(_unzFile);
        if (!described) return false;
        if (Utf8::isValid(info.name) && info.name.find('\0') == std::string::npos) files.push_back(info.name);
        const int step = minizip().unzGoToNextFile(_unzFile);
        if (step == UNZ_END_OF_LIST_OF_FILE) return true;
        if (step != UNZ_OK) return false;
    }
}

bool UnzipArchive::fitsIntoFolder(const std::string& folder)
{
    if (!_unzFile) return false;
    uint64_t total = 0;
    for (int step = minizip().unzGoToFirstFile(_unzFile); step != UNZ_END_OF_LIST_OF_FILE;
         step = minizip().unzGoToNextFile(_unzFile)) {
        if (step != UNZ_OK) return false;
        EntryInfo info;
        if (!currentEntryInfo(info)) return false;
        if (info.isDirectory) continue;
        if (info.declaredSize > _totalExtractionLimit - total) return false;
        total += info.declaredSize;
    }
    // The folder may be made by the extraction: its nearest existing ancestor has the space.
    std::error_code error;
    std::filesystem::path existing = std::filesystem::absolute(folder, error);
    while (!error && !std::filesystem::exists(existing, error) && existing.has_relative_path()) {
        existing = existing.parent_path();
    }
    const std::filesystem::space_info space = std::filesystem::space(existing, error);
    return !error && total <= space.available;
}

bool UnzipArchive::UnzipFileTo(const std::string& folder, int32_t overwriteMode, bool createDirectories)
{
    if (!_unzFile || !fitsIntoFolder(folder) || minizip().unzGoToFirstFile(_unzFile) != UNZ_OK) return false;
    std::string base = folder;
    while (base.size() > 1 && base.back() == '/') base.pop_back();

    for (;;) {
        EntryInfo info;
        if (!currentEntryInfo(info) || !Utf8::isValid(info.name)) return false;
        const std::string name = canonicalForFileSystem(info.name);
        if (!isSafeEntryPath(name)) return false;

        std::string target = base + "/" + name;
        if (info.isDirectory) {
            target.pop_back();
            if (createDirectories && !Folders::createFolder(target)) return false;
        } else {
            bool extract = true;
            if (itemExists(target)) {
                if (overwriteMode == UnzipReplaceAlways) {
                    extract = true;
                } else if (overwriteMode == UnzipReplaceOlder) {
                    const auto existingDate = getDateOfItemAtPath(target);
                    extract = existingDate && info.date && *info.date > *existingDate;
                } else {
                    extract = false;
                }
            }
            if (extract) {
                const std::string parent = std::filesystem::path(target).parent_path().string();
                if (createDirectories && !Folders::createFolder(parent)) return false;
                if (!writeCurrentEntryToFile(info, target, true)) return false;
                ++_unzippedFiles;
            }
        }

        const int step = minizip().unzGoToNextFile(_unzFile);
        if (step == UNZ_END_OF_LIST_OF_FILE) return true;
        if (step != UNZ_OK) return false;
    }
}
