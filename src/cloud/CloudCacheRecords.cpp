#include "cloud/CloudCacheRecords.h"

#include "platform/FileUtils.h"
#include "platform/NumberText.h"

#include <dirent.h>
#include <glib.h>
#include <sys/stat.h>
#include <sys/statvfs.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <limits>
#include <mutex>

bool sameRecordDate(double first, double second)
{
    return std::llround(first * 1e6) == std::llround(second * 1e6);
}

std::optional<double> fileModificationDate(const std::string& path)
{
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return std::nullopt;
    // Whole microseconds: what the record file can hold.
    int64_t micros = int64_t(st.st_mtim.tv_sec) * 1000000 + st.st_mtim.tv_nsec / 1000;
    return double(micros - int64_t(ReferenceDateOffsetFrom1970) * 1000000) / 1e6;
}

double currentRecordDate()
{
    auto micros =
        std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::system_clock::now().time_since_epoch())
            .count();
    return double(micros) / 1e6 - ReferenceDateOffsetFrom1970;
}

std::string formatRecordDate(double date)
{
    return formatFixed(date, 6);
}

std::optional<double> parseRecordDate(const std::string& text)
{
    double value = parseDouble(text, std::numeric_limits<double>::quiet_NaN());
    if (std::isnan(value) || !std::isfinite(value)) return std::nullopt;
    return value;
}

std::optional<std::string> readRecordFile(const std::string& path, bool& missing)
{
    struct stat st {};
    missing = ::stat(path.c_str(), &st) != 0 && (errno == ENOENT || errno == ENOTDIR);
    if (missing) return std::nullopt;
    return readFileText(path, MaximumRecordFileSize);
}

void RecordSaveBatch::beginUpdate()
{
    if (_lockCount++ == 0) _modified = false;
}

void RecordSaveBatch::endUpdate()
{
    if (_lockCount == 0) return;
    if (--_lockCount == 0 && _modified) _save();
}

void RecordSaveBatch::changed()
{
    if (_lockCount > 0) {
        _modified = true;
    } else {
        _save();
    }
}

struct RecordFileWriter::State {
    std::string path;
    WriteFunction write;
    std::mutex mutex;
    std::condition_variable changed;
    std::optional<std::string> pending;
    bool writing = false;
    bool stopping = false;
    bool lastWriteFailed = false;
    Error lastError;
    std::vector<Error> unreported;
    // The main loop's source that reports failures, 0 when none is waiting.
    guint reportSource = 0;
    FailureHandler failed;

    void reportFailures()
    {
        std::vector<Error> failures;
        {
            std::lock_guard lock(mutex);
            failures.swap(unreported);
        }
        if (!failed) return;
        for (const Error& error : failures) failed(error);
    }
};

RecordFileWriter::RecordFileWriter(std::string path, WriteFunction write) : _state(std::make_shared<State>())
{
    _state->path = std::move(path);
    _state->write = write ? std::move(write) : [](const std::string& target, const std::string& bytes, Error* error) {
        return writeFileAtomically(target, bytes, error);
    };
    _thread = std::thread([this] { run(); });
}

RecordFileWriter::~RecordFileWriter()
{
    flush();
    {
        std::lock_guard lock(_state->mutex);
        _state->stopping = true;
    }
    _state->changed.notify_all();
    _thread.join();
    guint source = 0;
    {
        std::lock_guard lock(_state->mutex);
        std::swap(source, _state->reportSource);
    }
    // Nothing is left to report, and a fuzzer's or test's loop may never run to drop it.
    if (source) g_source_remove(source);
}

void RecordFileWriter::setFailureHandler(FailureHandler handler)
{
    _state->failed = std::move(handler);
}

void RecordFileWriter::write(std::string bytes)
{
    {
        std::lock_guard lock(_state->mutex);
        _state->pending = std::move(bytes);
    }
    _state->changed.notify_all();
}

bool RecordFileWriter::flush(Error* error)
{
    bool failed = false;
    {
        std::unique_lock lock(_state->mutex);
        _state->changed.wait(lock, [this] { return !_state->pending && !_state->writing; });
        failed = _state->lastWriteFailed;
        if (failed && error) *error = _state->lastError;
    }
    _state->reportFailures();
    return !failed;
}

void RecordFileWriter::run()
{
    State& state = *_state;
    std::unique_lock lock(state.mutex);
    for (;;) {
        state.changed.wait(lock, [&state] { return state.pending || state.stopping; });
        if (!state.pending) return;
        std::string bytes = std::move(*state.pending);
        state.pending.reset();
        state.writing = true;
        lock.unlock();
        Error error;
        const bool written = state.write(state.path, bytes, &error);
        lock.lock();
        state.writing = false;
        // A write failing as the one before it did is the same trouble, which the user hears of
        // once; it is told again after a write has gone through.
        const bool sameFailure = state.lastWriteFailed && !written &&
            state.lastError.localizedDescription == error.localizedDescription &&
            state.lastError.failureReason == error.failureReason;
        state.lastWriteFailed = !written;
        if (!written) {
            state.lastError = error;
            if (!sameFailure) state.unreported.push_back(std::move(error));
            if (!sameFailure && !state.reportSource) {
                state.reportSource = g_idle_add_full(
                    G_PRIORITY_DEFAULT_IDLE,
                    [](gpointer data) -> gboolean {
                        State& state = **static_cast<std::shared_ptr<State>*>(data);
                        {
                            std::lock_guard lock(state.mutex);
                            state.reportSource = 0;
                        }
                        state.reportFailures();
                        return G_SOURCE_REMOVE;
                    },
                    new std::shared_ptr<State>(_state),
                    [](gpointer data) { delete static_cast<std::shared_ptr<State>*>(data); });
            }
        }
        state.changed.notify_all();
    }
}

std::optional<uint64_t> CacheBudget::fileSystemSize(const std::string& path)
{
    struct statvfs volume {};
    if (::statvfs(path.c_str(), &volume) != 0) return std::nullopt;
    return uint64_t(volume.f_blocks) * uint64_t(volume.f_frsize);
}

uint64_t CacheBudget::budget(std::optional<uint64_t> volumeSize)
{
    if (!volumeSize) return MaximumBudget;
    return std::min(*volumeSize / 15, MaximumBudget);
}

void CacheBudget::reset()
{
    _keptSize = 0;
    _trimmableSize = 0;
    _files.clear();
}

void CacheBudget::mayTrim(CacheFileTime file)
{
    _trimmableSize += file.size;
    _files.push_back(std::move(file));
}

std::vector<CacheFileTime> CacheBudget::filesOverBudget(uint64_t budget)
{
    std::vector<CacheFileTime> over;
    const uint64_t total = _keptSize + _trimmableSize;
    if (total <= budget) return over;
    uint64_t excess = total - budget;
    std::sort(_files.begin(), _files.end());
    for (CacheFileTime& file : _files) {
        if (excess == 0) break;
        excess = file.size >= excess ? 0 : excess - file.size;
        over.push_back(std::move(file));
    }
    return over;
}

bool hasUnreadableFileAside(const std::string& path)
{
    const size_t slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
    const std::string prefix = path.substr(slash == std::string::npos ? 0 : slash + 1) + ".corrupt";
    DIR* directory = ::opendir(folder.c_str());
    if (!directory) return false;
    bool found = false;
    while (dirent* entry = ::readdir(directory)) {
        const std::string name = entry->d_name;
        if (name.compare(0, prefix.size(), prefix) != 0) continue;
        const std::string suffix = name.substr(prefix.size());
        if (suffix.empty() ||
            (suffix.size() > 1 && suffix[0] == '-' && suffix.find_first_not_of("0123456789", 1) == std::string::npos)) {
            found = true;
            break;
        }
    }
    ::closedir(directory);
    return found;
}
