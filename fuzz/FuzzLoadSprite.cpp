// Fuzz target: the sprite reader. LoadSprite takes a path, so each input is
// written to one in-memory file (memfd) that lives as long as the process and
// is named through /proc/self/fd.
#include <sys/mman.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "formats/PcxSprite.h"
#include "fuzz/FuzzCheck.h"

namespace {

int SpriteFd() {
  static const int fd = [] {
    const int f = memfd_create("kelvane-fuzz-sprite", 0);
    if (f < 0) kelvane::fuzz::Fail("memfd_create");
    return f;
  }();
  return fd;
}

std::uint32_t U32At(const std::uint8_t* p) {
  return std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8 | std::uint32_t{p[2]} << 16 | std::uint32_t{p[3]} << 24;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace kelvane;
  const int fd = SpriteFd();
  if (ftruncate(fd, 0) != 0) fuzz::Fail("ftruncate");
  std::size_t done = 0;
  while (done < size) {
    const ssize_t n = pwrite(fd, data + done, size - done, static_cast<off_t>(done));
    if (n <= 0) fuzz::Fail("pwrite");
    done += static_cast<std::size_t>(n);
  }
  const std::string path = "/proc/self/fd/" + std::to_string(fd);

  TDibBitmap image;
  TOutcome outcome;
  if (!LoadSprite(image, path, &outcome)) {
    fuzz::Check(image.IsEmpty(), "a refused sprite leaves the (empty) bitmap untouched");
    return 0;
  }
  fuzz::Check(size >= 12, "a sprite shorter than its header is refused");
  if (!image.IsEmpty()) {
    fuzz::Check(static_cast<std::uint32_t>(image.Width()) == U32At(data + 4) &&
                    static_cast<std::uint32_t>(image.Height()) == U32At(data + 8),
                "a loaded sprite has the size its header gives");
    fuzz::Check(image.GetPixelFormat() == px8 || image.GetPixelFormat() == px24, "a sprite is 8 or 24 bit");
  }
  fuzz::ExerciseLoadedImage(image);
  return 0;
}
