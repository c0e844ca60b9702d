#include "cloud/CloudCacheRecords.h"

#include "platform/FileUtils.h"
#include "platform/NumberText.h"

#include <sys/stat.h>
#include <sys/statvfs.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <limits>

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
    return readFileText(path);
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
