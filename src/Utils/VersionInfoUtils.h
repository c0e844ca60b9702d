#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The application's own values by their bundle key: "CFBundleShortVersionString" (the version
// users see, "1.0"), "CFBundleVersion" (major.minor.build), "CFBundleName" and
// "NSHumanReadableCopyright"; empty for other keys.
std::string bundleInfoValue(const std::string& key);

class VersionInfoUtils {
public:
    // "1.0 build 7": the short version and the build, the third number of the bundle version.
    // Waits for its caller in the shell.
    static std::string readibleVersionBuildNumber();

    // The first three dot-separated numbers of a bundle value; any out-argument may be null.
    static void extractVersionParts(const std::string& infoKey, int64_t* major, int64_t* minor, int64_t* release);

    // The leading integer of parts[index]; 0 past the end or when the part starts with no integer.
    static int64_t getVersionComponent(const std::vector<std::string>& parts, size_t index);
};

// True when the running kernel's version is at least major.minor.bugFix, compared part by part.
// The version is read once; it counts as 0.0.0 when it cannot be read.
bool isAtLeastSystemVersionMajor(unsigned major, unsigned minor, unsigned bugFix);
