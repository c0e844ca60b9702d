#pragma once

#include <cstdint>
#include <string>
#include <utility>

inline constexpr const char* TarnwickErrorDomain = "TarnwickErrorDomain";
// Failures of the operating system; the code is the errno value.
inline constexpr const char* PosixErrorDomain = "PosixErrorDomain";
// Failures of the platform stand-ins themselves (unreadable property lists and the like).
inline constexpr const char* PlatformErrorDomain = "TarnwickPlatformErrorDomain";

// An error with the cause it carries to the user: a domain, a code, a localised description and
// a failure reason (either may be empty).
struct Error {
    std::string domain;
    int64_t code = 0;
    std::string localizedDescription;
    std::string failureReason;

    bool isEmpty() const { return domain.empty() && code == 0; }
};

// An error in the application's own domain. The texts are the already localised texts.
Error MakeAppError(int64_t code, const std::string& description = {}, const std::string& failureReason = {});

// Stores e in *out when out is not null; returns false so that callers can `return fail(...)`.
inline bool setError(Error* out, Error e)
{
    if (out) *out = std::move(e);
    return false;
}
