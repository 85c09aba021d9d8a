// Running one of our programs as a user would, for the end-to-end tests:
// its exit status and everything it printed.
#pragma once

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace kelvane::test {

struct TRun {
  int Exit = -1;  // the exit status, or 128 + the signal that ended it
  std::string Out;
  std::string Err;
};

// A file's whole contents; empty when it cannot be read.
std::string ReadAll(const std::filesystem::path& path);

// Runs `program` with `args` and waits for it. Its standard output and error
// go through two files in `captureDir` (which must exist), removed again
// afterwards. `inChild` runs in the child just before the program starts:
// the place for limits and environment changes.
TRun RunProgram(const std::string& program, const std::vector<std::string>& args,
                const std::filesystem::path& captureDir, const std::function<void()>& inChild = {});

}  // namespace kelvane::test
