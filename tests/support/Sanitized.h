#pragma once

// TARNWICK_SANITIZED is set in a build with the address or thread sanitizer, which keep freed
// memory and reserve address space on purpose: tests of the memory a process uses skip there.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define TARNWICK_SANITIZED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
#define TARNWICK_SANITIZED 1
#endif
#endif
