// What a fuzz target asserts besides "no memory error": a broken promise of
// the code under test stops the run like a crash, with the reason printed,
// so libFuzzer keeps the input that shows it.
#pragma once

#include <cstdio>
#include <cstdlib>

#define FUZZ_CHECK(cond, what)                                                      \
  do {                                                                              \
    if (!(cond)) {                                                                  \
      std::fprintf(stderr, "broken promise: %s (%s:%d: %s)\n", what, __FILE__,      \
                   __LINE__, #cond);                                                \
      std::abort();                                                                 \
    }                                                                               \
  } while (0)
