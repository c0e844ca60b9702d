#include "Utils/GuidCreation.h"

#include "Utils/Base64Url.h"
#include "Utils/HexEncoding.h"
#include "Utils/RandomData.h"

#include <cstdio>
#include <ctime>

std::string createGUIDString()
{
    return stringByHexEncoding(randomDataWithLength(12));
}

std::string createBase64GUIDString()
{
    return stringByBase64UrlSafeEncoding(randomDataWithLength(16));
}

std::string defaultFileNameGuidLength(size_t length)
{
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    tm local{};
    localtime_r(&now.tv_sec, &local);
    // Hours, minutes, seconds and hundredths, so that the stamps sort by time.
    char stamp[64];
    std::snprintf(stamp, sizeof stamp, "%04d%02d%02d_%02d%02d%02d%02d", local.tm_year + 1900, local.tm_mon + 1,
                  local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec, static_cast<int>(now.tv_nsec / 10000000));
    if (length == 0) return stamp;
    return std::string(stamp) + "_" + createGUIDString().substr(0, length);
}

std::string defaultFileNameGuid()
{
    return defaultFileNameGuidLength(8);
}
