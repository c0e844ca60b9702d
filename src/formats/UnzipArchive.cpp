#include "formats/UnzipArchive.h"

#include "Utils/FileManagerUtils.h"
#include "Utils/StringUtils.h"
#include "formats/MegabytesText.h"
#include "formats/MinizipLibrary.h"
#include "formats/TraditionalZipCipher.h"
#include "formats/ZipMemoryBuffer.h"
#include "platform/Folders.h"
#include "platform/Localizer.h"
#include "platform/NumberText.h"
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

bool UnzipArchive::UnzipOpenFile(const std::string& path, Error* error)
{
    if (_unzFile) UnzipCloseFile();
    if (!MinizipLibrary::get()) return false;
    _unzFile = minizip().unzOpen64(path.c_str());
    if (!_unzFile) return false;
    std::error_code sizeError;
    const uintmax_t size = std::filesystem::file_size(path, sizeError);
    return opened(sizeError ? 0 : static_cast<uint64_t>(size), error);
}

bool UnzipArchive::UnzipOpenFile(const std::string& path, const std::string& password, Error* error)
{
    // Closing forgets the password, so an open archive is closed before it is set.
    if (_unzFile) UnzipCloseFile();
    setPassword(password);
    return UnzipOpenFile(path, error);
}

bool UnzipArchive::UnzipOpenData(std::vector<uint8_t> bytes, Error* error)
{
    if (_unzFile) UnzipCloseFile();
    if (!MinizipLibrary::get()) return false;
    _memory = std::make_unique<ZipMemoryBuffer>();
    _memory->bytes = std::move(bytes);
    zlib_filefunc64_def functions = _memory->fileFunctions();
    _unzFile = minizip().unzOpen2_64("memory", &functions);
    if (!_unzFile) {
        _memory.reset();
        return false;
    }
    return opened(_memory->bytes.size(), error);
}

bool UnzipArchive::UnzipOpenData(std::vector<uint8_t> bytes, const std::string& password, Error* error)
{
    // Closing forgets the password, so an open archive is closed before it is set.
    if (_unzFile) UnzipCloseFile();
    setPassword(password);
    return UnzipOpenData(std::move(bytes), error);
}

bool UnzipArchive::opened(uint64_t archiveSize, Error* error)
{
    unz_global_info64 info{};
    if (minizip().unzGetGlobalInfo64(_unzFile, &info) == UNZ_OK && readDirectory(archiveSize, info.number_entry, error))
        return true;
    // Closing forgets the password, which a failed opening keeps for the next one.
    const std::string password = _password;
    UnzipCloseFile();
    _password = password;
    return false;
}

bool UnzipArchive::checkLimits(const Limits& limits, uint64_t archiveSize, uint64_t entries, uint64_t largestEntry,
                               uint64_t totalSize, Error* error)
{
    auto refused = [error](const std::string& reasonKey, const std::vector<std::string>& arguments) {
        return setError(
            error,
            MakeAppError(RefusedErrorCode, localized("archive_refused_error"), localizedFormat(reasonKey, arguments)));
    };
    if (entries > limits.maximumEntries) {
        return refused(
            "archive_too_many_entries_reason",
            {formatInteger(static_cast<int64_t>(entries)), formatInteger(static_cast<int64_t>(limits.maximumEntries))});
    }
    if (largestEntry > limits.maximumEntrySize)
        return refused("archive_entry_too_large_reason",
                       {megabytesText(largestEntry), megabytesText(limits.maximumEntrySize)});
    if (totalSize > limits.maximumTotalSize)
        return refused("archive_too_large_reason", {megabytesText(totalSize), megabytesText(limits.maximumTotalSize)});
    // The ratio is compared without dividing: an empty archive claiming data has no ratio at all.
    if (limits.maximumRatio > 0 && totalSize > limits.ratioFloor && totalSize / limits.maximumRatio > archiveSize) {
        return refused("archive_too_compressed_reason",
                       {megabytesText(totalSize), megabytesText(archiveSize),
                        formatInteger(static_cast<int64_t>(limits.maximumRatio))});
    }
    return true;
}

bool UnzipArchive::readDirectory(uint64_t archiveSize, uint64_t listedEntries, Error* error)
{
    _entries.clear();
    _directoryComplete = false;
    // The count the directory's end gives is checked before a single entry is read; the entries
    // actually found are counted again, as that count may lie.
    if (!checkLimits(_limits, archiveSize, listedEntries, 0, 0, error)) return false;
    _entries.reserve(static_cast<size_t>(std::min<uint64_t>(listedEntries, _limits.maximumEntries)));
    uint64_t largest = 0;
    uint64_t total = 0;
    int step = minizip().unzGoToFirstFile(_unzFile);
    for (; step == UNZ_OK; step = minizip().unzGoToNextFile(_unzFile)) {
        Entry entry;
        if (!currentEntryInfo(entry.info) || minizip().unzGetFilePos64(_unzFile, &entry.position) != UNZ_OK) break;
        if (!entry.info.isDirectory) {
            largest = std::max(largest, entry.info.declaredSize);
            total += std::min(entry.info.declaredSize, _limits.maximumTotalSize + 1);
        }
        _entries.push_back(std::move(entry));
        // Counts and sizes stop the pass as soon as they are past; the ratio is the whole
        // archive's, so it waits for the last entry.
        Limits withoutRatio = _limits;
        withoutRatio.ratioFloor = withoutRatio.maximumTotalSize;
        if (!checkLimits(withoutRatio, archiveSize, _entries.size(), largest, total, error)) return false;
    }
    _directoryComplete = step == UNZ_END_OF_LIST_OF_FILE;
    return checkLimits(_limits, archiveSize, _entries.size(), largest, total, error);
}

bool UnzipArchive::UnzipCloseFile()
{
    _password.clear();
    if (!_unzFile) return true;
    const bool closed = minizip().unzClose(_unzFile) == UNZ_OK;
    _unzFile = nullptr;
    _memory.reset();
    _entries.clear();
    _directoryComplete = false;
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
    info.packedSize = fileInfo.compressed_size;
    info.crc = static_cast<uint32_t>(fileInfo.crc);
    info.isEncrypted = (fileInfo.flag & 1) != 0;
    info.hasDataDescriptor = (fileInfo.flag & 8) != 0;
    info.dosDate = static_cast<uint32_t>(fileInfo.dosDate);
    info.fields = fileInfo.tmu_date;
    return true;
}

std::optional<UnzipArchive::Date> UnzipArchive::entryDate(const EntryInfo& info) const
{
    // minizip unpacks the DOS fields with the month counted from 0; an all-zero date (written for
    // entries without one) or fields out of range make no date.
    const tm_unz& t = info.fields;
    const bool valid = info.dosDate != 0 && t.tm_mon < 12 && t.tm_mday >= 1 && t.tm_mday <= 31 && t.tm_hour < 24 &&
        t.tm_min < 60 && t.tm_sec < 60;
    if (!valid) return std::nullopt;
    return _calendar.dateFromComponents({static_cast<int>(t.tm_year), static_cast<int>(t.tm_mon) + 1,
                                         static_cast<int>(t.tm_mday), static_cast<int>(t.tm_hour),
                                         static_cast<int>(t.tm_min), static_cast<int>(t.tm_sec)});
}

bool UnzipArchive::goToEntry(size_t index)
{
    if (!_unzFile || index >= _entries.size()) return false;
    unz64_file_pos position = _entries[index].position;
    return minizip().unzGoToFilePos64(_unzFile, &position) == UNZ_OK;
}

bool UnzipArchive::pumpCurrentEntry(const EntryInfo& info, bool withPassword, const Sink& sink)
{
    if (info.declaredSize > _limits.maximumEntrySize) return false;
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
    data.reserve(static_cast<size_t>(std::min({info.declaredSize, _limits.maximumEntrySize, MaxInitialReservation})));
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
    bool writeFailed = false;
    return writeThroughTemporary(info, path, [&](const Sink& write) {
        const bool pumped = pumpCurrentEntry(info, withPassword, [&](const uint8_t* bytes, size_t count) {
            writeFailed = !write(bytes, count);
            return !writeFailed;
        });
        if (!pumped && !writeFailed && damaged) *damaged = true;
        return pumped;
    });
}

bool UnzipArchive::writeEntryDataToFile(const EntryInfo& info, const std::vector<uint8_t>& data,
                                        const std::string& path)
{
    return writeThroughTemporary(info, path, [&data](const Sink& write) { return write(data.data(), data.size()); });
}

bool UnzipArchive::writeThroughTemporary(const EntryInfo& info, const std::string& path,
                                         const std::function<bool(const Sink& write)>& fill)
{
    const std::filesystem::path target(path);
    std::string temporary = (target.parent_path() / ".tw-unzip-XXXXXX").string();
    const int fd = mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0) return false;
    bool ok = fchmod(fd, 0644) == 0;
    ok = fill([fd](const uint8_t* bytes, size_t count) { return writeAll(fd, bytes, count); }) && ok;
    const std::optional<Date> date = ok ? entryDate(info) : std::nullopt;
    if (date) {
        const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(date->time_since_epoch());
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
    for (size_t i = 0; i < _entries.size(); ++i) {
        if (caseInsensitiveEqual(_entries[i].info.name, wanted)) return extractEntryData(i);
    }
    return std::nullopt;
}

std::optional<std::vector<uint8_t>> UnzipArchive::extractEntryData(size_t index)
{
    if (!goToEntry(index)) return std::nullopt;
    return readCurrentEntry(_entries[index].info, false);
}

bool UnzipArchive::readContainedFiles(std::vector<std::string>& files)
{
    if (!_unzFile || _entries.empty()) return false;
    for (const Entry& entry : _entries) {
        if (Utf8::isValid(entry.info.name) && entry.info.name.find('\0') == std::string::npos)
            files.push_back(entry.info.name);
    }
    return _directoryComplete;
}

bool UnzipArchive::fitsIntoFolder(const std::string& folder)
{
    if (!_unzFile || !_directoryComplete) return false;
    uint64_t total = 0;
    for (const Entry& entry : _entries) {
        if (entry.info.isDirectory) continue;
        if (entry.info.declaredSize > _limits.maximumTotalSize - total) return false;
        total += entry.info.declaredSize;
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
    if (!_unzFile || _entries.empty() || !fitsIntoFolder(folder)) return false;
    std::string base = folder;
    while (base.size() > 1 && base.back() == '/') base.pop_back();

    for (size_t i = 0; i < _entries.size(); ++i) {
        const EntryInfo& info = _entries[i].info;
        if (!goToEntry(i) || !Utf8::isValid(info.name)) return false;
        const std::string name = canonicalForFileSystem(info.name);
        if (!isSafeEntryPath(name)) return false;

        std::string target = base + "/" + name;
        if (info.isDirectory) {
            target.pop_back();
            if (createDirectories && !Folders::createFolder(target)) return false;
            continue;
        }
        bool extract = true;
        if (itemExists(target)) {
            if (overwriteMode == UnzipReplaceAlways) {
                extract = true;
            } else if (overwriteMode == UnzipReplaceOlder) {
                const auto existingDate = getDateOfItemAtPath(target);
                const auto date = entryDate(info);
                extract = existingDate && date && *date > *existingDate;
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
    return _directoryComplete;
}
