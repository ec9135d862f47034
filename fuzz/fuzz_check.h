#pragma once
// What the fuzz targets share: a failed expectation stops the run with a message, as a crash
// would, so that libFuzzer keeps the input.

#include <cstdio>
#include <cstdlib>

#define FUZZ_EXPECT(condition)                                                          \
    do {                                                                                \
        if (!(condition)) {                                                             \
            std::fprintf(stderr, "%s:%d: expectation failed: %s\n", __FILE__, __LINE__, \
                         #condition);                                                   \
            std::abort();                                                               \
        }                                                                               \
    } while (false)
