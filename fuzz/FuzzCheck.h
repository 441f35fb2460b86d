#pragma once

#include <cstdio>
#include <cstdlib>

/** @brief Stops the run on a broken property, so libFuzzer keeps the input as a crash. */
#define FUZZ_REQUIRE(condition)                                                                              \
    do {                                                                                                     \
        if (!(condition)) {                                                                                  \
            std::fprintf(stderr, "%s:%d: property broken: %s\n", __FILE__, __LINE__, #condition);            \
            std::abort();                                                                                    \
        }                                                                                                    \
    } while (false)
