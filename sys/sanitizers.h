#pragma once
// LP_ADDRESS_SANITIZER is defined in a build under AddressSanitizer (gcc says so one way, clang
// another): such a build brings its own allocator and its own cap on memory, so the program and
// its page renderer trade the address-space cap for the sanitizer's there.
#if defined(__SANITIZE_ADDRESS__)
#define LP_ADDRESS_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define LP_ADDRESS_SANITIZER 1
#endif
#endif
