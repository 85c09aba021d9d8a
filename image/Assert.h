// Preconditions of Kelvane's own interfaces, checked where it is cheap to.
//
// A broken precondition is a bug in the caller, never bad input: parsers
// refuse bad input with an error kind long before any of these could fire.
// The checks run in the sanitizer and fuzzing builds and in Debug builds
// (KELVANE_CHECK_PRECONDITIONS), where a failure stops the program with the
// condition and where it was written; release builds compile them away.
#pragma once

#if defined(KELVANE_CHECK_PRECONDITIONS)
#include <cstdio>
#include <cstdlib>
#define KELVANE_ASSERT(condition)                                                                \
  do {                                                                                           \
    if (!(condition)) {                                                                          \
      std::fprintf(stderr, "%s:%d: precondition failed: %s\n", __FILE__, __LINE__, #condition); \
      std::abort();                                                                              \
    }                                                                                            \
  } while (false)
#else
#define KELVANE_ASSERT(condition) \
  do {                            \
  } while (false && (condition))
#endif
