#include "store/SiblingTempFile.h"

#include "platform/FileUtils.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <utility>

SiblingTempFile::SiblingTempFile(const std::string& target) : _target(target)
{
    std::string path;
    const int fd = createTemporaryFileBeside(target, path, &_error);
    if (fd < 0) return;
    // The temporary file is private; the replacement should read like any file the user saves.
    ::fchmod(fd, 0644);
    ::close(fd);
    _path = std::move(path);
}

SiblingTempFile::~SiblingTempFile()
{
    if (!_path.empty()) ::unlink(_path.c_str());
}

bool SiblingTempFile::commit(Error* error)
{
    if (_path.empty()) return setError(error, _error);
    // The builder has closed the file; it is opened again only to flush it to disk.
    const std::string path = std::move(_path);
    _path.clear();
    int failure = 0;
    std::string step;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        failure = errno;
        step = "Cannot open " + path;
    } else {
        if (::fsync(fd) != 0) {
            failure = errno;
            step = "Cannot flush " + path + " to disk";
        }
        ::close(fd);
    }
    if (failure != 0) {
        ::unlink(path.c_str());
        _error = fileSaveError(failure, _target, step);
        return setError(error, _error);
    }
    if (!moveTemporaryFileOver(path, _target, &_error)) return setError(error, _error);
    return true;
}
