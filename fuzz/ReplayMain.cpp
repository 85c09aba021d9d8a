// Replay program: feeds every file named on the command line, and every file
// under every directory named there, to the fuzz target it is linked with.
// CTest runs it over the sample and conformance corpora, so the fuzz targets'
// checks run in every build, not only in fuzzing builds.
//
//   replay [--skip-missing] PATH...
//
// A missing PATH is an error, unless --skip-missing is given: then it is
// reported and skipped, and when nothing at all was replayed the program
// exits with 77, which CTest is told means "skipped".
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace fs = std::filesystem;

int main(int argc, char** argv) {
  bool skipMissing = false;
  std::vector<fs::path> files;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--skip-missing") {
      skipMissing = true;
      continue;
    }
    std::error_code ec;
    if (fs::is_directory(arg, ec)) {
      for (const auto& entry : fs::recursive_directory_iterator(arg, ec))
        if (entry.is_regular_file()) files.push_back(entry.path());
    } else if (fs::is_regular_file(arg, ec)) {
      files.emplace_back(arg);
    } else if (skipMissing) {
      std::printf("skipping %s: not found\n", arg.c_str());
    } else {
      std::fprintf(stderr, "%s: no such file or directory\n", arg.c_str());
      return 1;
    }
  }
  std::sort(files.begin(), files.end());
  for (const fs::path& file : files) {
    std::ifstream in(file, std::ios::binary);
    if (!in) {
      std::fprintf(stderr, "%s: cannot read\n", file.c_str());
      return 1;
    }
    const std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    // Print the name first, so a crash names the file that caused it.
    std::printf("%s\n", file.c_str());
    std::fflush(stdout);
    LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
  }
  std::printf("replayed %zu files\n", files.size());
  if (files.empty() && skipMissing) return 77;
  return 0;
}
