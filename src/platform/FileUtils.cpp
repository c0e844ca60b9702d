#include "platform/FileUtils.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <utility>

namespace {

Error fileError(int code, const std::string& description, const std::string& reason)
{
    Error error;
    error.domain = PosixErrorDomain;
    error.code = code;
    error.localizedDescription = description;
    error.failureReason = reason + ": " + std::strerror(code);
    return error;
}

std::string quoted(const std::string& path)
{
    return "\u201C" + path + "\u201D";
}

std::string folderOf(const std::string& path)
{
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

std::string nameOf(const std::string& path)
{
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The process umask, read without changing it (umask() would briefly change it for every thread).
mode_t currentUmask()
{
    if (FILE* status = std::fopen("/proc/self/status", "re")) {
        char line[256];
        unsigned mask = 0;
        bool found = false;
        while (std::fgets(line, sizeof line, status)) {
            if (std::sscanf(line, "Umask: %o", &mask) == 1) {
                found = true;
                break;
            }
        }
        std::fclose(status);
        if (found) return static_cast<mode_t>(mask);
    }
    return 022;
}

bool writeAll(int fd, const uint8_t* bytes, size_t size)
{
    while (size > 0) {
        const ssize_t written = ::write(fd, bytes, size);
        if (written < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        bytes += written;
        size -= static_cast<size_t>(written);
    }
    return true;
}

// A symbolic link is followed so that a link kept on purpose (a config file managed elsewhere)
// stays a link; a dangling one is replaced.
std::string resolvedTarget(const std::string& path)
{
    struct stat st;
    if (::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
        if (char* real = ::realpath(path.c_str(), nullptr)) {
            std::string result = real;
            std::free(real);
            return result;
        }
    }
    return path;
}

bool writeBytesAtomically(const std::string& requestedPath, const uint8_t* bytes, size_t size, Error* error,
                          FolderSync folderSync = FolderSync::Now)
{
    const std::string path = resolvedTarget(requestedPath);
    std::string temporary;
    const int fd = createTemporaryFileBeside(path, temporary, error);
    if (fd < 0) return false;

    // The new file keeps the permissions of the one it replaces; a new one gets the usual ones.
    mode_t mode = 0666 & ~currentUmask();
    struct stat old;
    if (::stat(path.c_str(), &old) == 0) mode = old.st_mode & 07777;

    int failure = 0;
    std::string step;
    if (!writeAll(fd, bytes, size)) {
        failure = errno;
        step = "Cannot write " + path;
    } else if (::fchmod(fd, mode) != 0) {
        failure = errno;
        step = "Cannot set the permissions of " + path;
    } else if (::fsync(fd) != 0) {
        failure = errno;
        step = "Cannot flush " + path + " to disk";
    }
    if (::close(fd) != 0 && failure == 0) {
        failure = errno;
        step = "Cannot write " + path;
    }
    if (failure != 0) {
        ::unlink(temporary.c_str());
        return setError(error, fileSaveError(failure, path, step));
    }
    // A followed link puts the rename in a folder the caller does not know to sync later.
    return moveTemporaryFileOver(temporary, path, error, path == requestedPath ? folderSync : FolderSync::Now);
}

} // namespace

Error fileSaveError(int code, const std::string& target, const std::string& step)
{
    return fileError(code, "The file " + quoted(nameOf(target)) + " could not be saved.", step);
}

int createTemporaryFileBeside(const std::string& target, std::string& temporaryPath, Error* error)
{
    const std::string folder = folderOf(target);
    std::string pattern = folder + "/." + nameOf(target) + ".XXXXXX";
    const int fd = ::mkostemp(pattern.data(), O_CLOEXEC);
    if (fd < 0) {
        setError(error, fileSaveError(errno, target, "Cannot create a temporary file in " + folder));
        return -1;
    }
    temporaryPath = std::move(pattern);
    return fd;
}

bool moveTemporaryFileOver(const std::string& temporaryPath, const std::string& target, Error* error,
                           FolderSync folderSync)
{
    if (::rename(temporaryPath.c_str(), target.c_str()) != 0) {
        const int failure = errno;
        ::unlink(temporaryPath.c_str());
        return setError(error, fileSaveError(failure, target, "Cannot replace " + target));
    }
    // Makes the rename itself durable. The new content is in place already, so a folder that
    // cannot be synced (some file systems refuse) does not turn the write into a failure.
    if (folderSync == FolderSync::Now) syncFolder(folderOf(target));
    return true;
}

bool syncFolder(const std::string& folder)
{
    const int folderFd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folderFd < 0) return false;
    ::fsync(folderFd);
    ::close(folderFd);
    return true;
}

bool writeFileAtomically(const std::string& path, std::string_view data, Error* error)
{
    return writeBytesAtomically(path, reinterpret_cast<const uint8_t*>(data.data()), data.size(), error);
}

bool writeFileAtomically(const std::string& path, const std::vector<uint8_t>& data, Error* error)
{
    return writeBytesAtomically(path, data.data(), data.size(), error);
}

bool writeFileAtomically(const std::string& path, const std::vector<uint8_t>& data, FolderSync folderSync, Error* error)
{
    return writeBytesAtomically(path, data.data(), data.size(), error, folderSync);
}

std::optional<std::vector<uint8_t>> readFileData(const std::string& path, uint64_t maximumSize, Error* error)
{
    const std::string description = "The file " + quoted(nameOf(path)) + " could not be read.";
    const auto tooLarge = [&](int fd) {
        ::close(fd);
        Error refusal = fileError(EFBIG, description, "Cannot read " + path);
        refusal.failureReason =
            path + " is larger than the " + std::to_string(maximumSize) + " bytes it may have: " + std::strerror(EFBIG);
        setError(error, std::move(refusal));
        return std::nullopt;
    };
    // O_NONBLOCK so that opening a named pipe does not wait for a writer before it is refused.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        setError(error, fileError(errno, description, "Cannot open " + path));
        return std::nullopt;
    }
    struct stat st;
    if (::fstat(fd, &st) != 0) {
        const int failure = errno;
        ::close(fd);
        setError(error, fileError(failure, description, "Cannot examine " + path));
        return std::nullopt;
    }
    if (!S_ISREG(st.st_mode)) {
        ::close(fd);
        setError(error, fileError(S_ISDIR(st.st_mode) ? EISDIR : EINVAL, description, path + " is not a regular file"));
        return std::nullopt;
    }
    if (static_cast<uint64_t>(st.st_size) > maximumSize) return tooLarge(fd);

    std::vector<uint8_t> data;
    data.reserve(static_cast<size_t>(st.st_size));
    uint8_t buffer[65536];
    for (;;) {
        // One byte past the limit tells a file that grew while it was read.
        const uint64_t room = maximumSize + 1 - data.size();
        const ssize_t got = ::read(fd, buffer, static_cast<size_t>(std::min<uint64_t>(sizeof buffer, room)));
        if (got < 0) {
            if (errno == EINTR) continue;
            const int failure = errno;
            ::close(fd);
            setError(error, fileError(failure, description, "Cannot read " + path));
            return std::nullopt;
        }
        if (got == 0) break;
        data.insert(data.end(), buffer, buffer + got);
        if (data.size() > maximumSize) return tooLarge(fd);
    }
    ::close(fd);
    return data;
}

std::optional<std::string> readFileText(const std::string& path, uint64_t maximumSize, Error* error)
{
    auto data = readFileData(path, maximumSize, error);
    if (!data) return std::nullopt;
    return std::string(data->begin(), data->end());
}

bool isTooLargeToRead(const Error& error)
{
    return error.domain == PosixErrorDomain && error.code == EFBIG;
}

std::string moveUnreadableFileAside(const std::string& path)
{
    for (int attempt = 1; attempt < 100; ++attempt) {
        std::string aside = path + ".corrupt";
        if (attempt > 1) aside += "-" + std::to_string(attempt);
        struct stat existing {};
        if (::lstat(aside.c_str(), &existing) == 0) continue;
        return ::rename(path.c_str(), aside.c_str()) == 0 ? aside : std::string();
    }
    return {};
}
