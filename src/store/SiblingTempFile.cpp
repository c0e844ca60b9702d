#include "store/SiblingTempFile.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

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

Error posixError(int code, const std::string& target, const std::string& step)
{
    Error error;
    error.domain = PosixErrorDomain;
    error.code = code;
    error.localizedDescription = "The file \u201C" + nameOf(target) + "\u201D could not be saved.";
    error.failureReason = step + ": " + std::strerror(code);
    return error;
}

} // namespace

SiblingTempFile::SiblingTempFile(const std::string& target) : _target(target)
{
    std::string pattern = folderOf(target) + "/." + nameOf(target) + ".XXXXXX";
    const int fd = ::mkostemp(pattern.data(), O_CLOEXEC);
    if (fd < 0) {
        _error = posixError(errno, target, "Cannot create a temporary file in " + folderOf(target));
        return;
    }
    // mkostemp makes the file private; the replacement should read like any file the user saves.
    ::fchmod(fd, 0644);
    ::close(fd);
    _path = pattern;
}

SiblingTempFile::~SiblingTempFile()
{
    if (!_path.empty()) ::unlink(_path.c_str());
}

bool SiblingTempFile::commit(Error* error)
{
    if (_path.empty()) return setError(error, _error);
    int failure = 0;
    std::string step;
    const int fd = ::open(_path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        failure = errno;
        step = "Cannot open " + _path;
    } else {
        if (::fsync(fd) != 0) {
            failure = errno;
            step = "Cannot flush " + _path + " to disk";
        }
        ::close(fd);
    }
    if (failure == 0 && ::rename(_path.c_str(), _target.c_str()) != 0) {
        failure = errno;
        step = "Cannot replace " + _target;
    }
    if (failure != 0) {
        ::unlink(_path.c_str());
        _path.clear();
        _error = posixError(failure, _target, step);
        return setError(error, _error);
    }
    _path.clear();
    const int folderFd = ::open(folderOf(_target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folderFd >= 0) {
        ::fsync(folderFd);
        ::close(folderFd);
    }
    return true;
}
