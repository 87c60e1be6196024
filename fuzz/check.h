// A failed check prints what it saw and aborts, which libFuzzer reports as a crash.
#pragma once

#include <cstdio>
#include <cstdlib>

#define VARNITZ_CHECK(condition, ...)                                                  \
    do {                                                                               \
        if (!(condition)) {                                                            \
            std::fprintf(stderr, "%s:%d: check failed: %s\n  ", __FILE__, __LINE__,   \
                         #condition);                                                  \
            std::fprintf(stderr, __VA_ARGS__);                                         \
            std::fprintf(stderr, "\n");                                                \
            std::abort();                                                              \
        }                                                                              \
    } while (0)
