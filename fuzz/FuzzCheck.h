#pragma once

#include <cstdio>
#include <cstdlib>

// Stops the run with a message when a property the code promises does not hold; libFuzzer then
// keeps the input that broke it as a crash artifact.
#define FUZZ_REQUIRE(condition)                                                                    \
    do {                                                                                           \
        if (!(condition)) {                                                                        \
            std::fprintf(stderr, "%s:%d: property broken: %s\n", __FILE__, __LINE__, #condition);  \
            std::abort();                                                                          \
        }                                                                                          \
    } while (false)
