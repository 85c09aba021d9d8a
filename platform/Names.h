// File-name comparison and mask matching.
//
// Names are UTF-8 text (the displayed form of a directory entry). Both
// operations ignore case: comparison uses the collation of the user's locale
// (QCollator, case-insensitive), mask matching folds case character by
// character, so Cyrillic and other non-ASCII letters match their other case
// too. Bytes that are not valid UTF-8 count as U+FFFD.
#pragma once

#include <string_view>

namespace kelvane {

// -1, 0 or 1 as `a` sorts before, equal to or after `b` in the user's
// locale, without regard to case ("Maps" and "maps" are equal).
// Call from one thread at a time per thread: each thread keeps its collator.
int CompareNames(std::string_view a, std::string_view b);

// Whether `name` matches the wildcard `mask`: "*" stands for any run of
// characters (also none), "?" for exactly one, any other character for
// itself without regard to case. As with the classic DOS masks, a final "."
// followed only by "*"s also matches a name that has ended, so "*.*" matches
// every name, "README" too, and "map.*" matches "map". An empty mask matches
// nothing.
bool MatchesMask(std::string_view name, std::string_view mask);

}  // namespace kelvane
