#include "Utils/VersionInfoUtils.h"

#include "platform/Localizer.h"

#include <sys/utsname.h>

#include <array>
#include <cstdint>
#include <limits>

namespace {

std::vector<std::string> splitAtDots(const std::string& text)
{
    std::vector<std::string> parts;
    size_t start = 0;
    for (;;) {
        const size_t dot = text.find('.', start);
        parts.push_back(text.substr(start, dot == std::string::npos ? std::string::npos : dot - start));
        if (dot == std::string::npos) return parts;
        start = dot + 1;
    }
}

// Like reading a number from the front of a text: leading blanks and a sign are allowed, digits
// end at the first other character, and a value too large stops at the 64-bit limit.
int64_t leadingInteger(const std::string& text)
{
    size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    uint64_t value = 0;
    const uint64_t limit =
        negative ? uint64_t(std::numeric_limits<int64_t>::max()) + 1 : uint64_t(std::numeric_limits<int64_t>::max());
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        const unsigned digit = static_cast<unsigned>(text[i] - '0');
        if (value > (limit - digit) / 10) {
            value = limit;
            break;
        }
        value = value * 10 + digit;
    }
    if (negative) return value == limit ? std::numeric_limits<int64_t>::min() : -static_cast<int64_t>(value);
    return static_cast<int64_t>(value);
}

struct SystemVersion {
    std::array<int64_t, 3> parts{0, 0, 0};
};

SystemVersion readSystemVersion()
{
    SystemVersion version;
    utsname info{};
    if (uname(&info) != 0) return version;
    const std::vector<std::string> parts = splitAtDots(info.release);
    for (size_t i = 0; i < version.parts.size(); ++i) {
        version.parts[i] = VersionInfoUtils::getVersionComponent(parts, i);
    }
    return version;
}

} // namespace

std::string bundleInfoValue(const std::string& key)
{
    if (key == "CFBundleShortVersionString") return TARNWICK_SHORT_VERSION;
    if (key == "CFBundleVersion") return TARNWICK_BUNDLE_VERSION;
    if (key == "CFBundleName") return "Tarnwick";
    if (key == "NSHumanReadableCopyright") return "Copyright \u00a9 2026 Orrinworks. All rights reserved.";
    return {};
}

std::string VersionInfoUtils::readibleVersionBuildNumber()
{
    int64_t build = 0;
    extractVersionParts("CFBundleVersion", nullptr, nullptr, &build);
    return formatText("%@ build %ld", {bundleInfoValue("CFBundleShortVersionString"), std::to_string(build)});
}

void VersionInfoUtils::extractVersionParts(const std::string& infoKey, int64_t* major, int64_t* minor, int64_t* release)
{
    const std::vector<std::string> parts = splitAtDots(bundleInfoValue(infoKey));
    if (major) *major = getVersionComponent(parts, 0);
    if (minor) *minor = getVersionComponent(parts, 1);
    if (release) *release = getVersionComponent(parts, 2);
}

int64_t VersionInfoUtils::getVersionComponent(const std::vector<std::string>& parts, size_t index)
{
    if (index >= parts.size()) return 0;
    return leadingInteger(parts[index]);
}

bool isAtLeastSystemVersionMajor(unsigned major, unsigned minor, unsigned bugFix)
{
    static const SystemVersion running = readSystemVersion();
    const std::array<int64_t, 3> wanted{major, minor, bugFix};
    for (size_t i = 0; i < wanted.size(); ++i) {
        if (running.parts[i] != wanted[i]) return running.parts[i] > wanted[i];
    }
    return true;
}
