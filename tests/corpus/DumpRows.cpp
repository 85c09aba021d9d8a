// kelvane-dump-rows: prints an image as the core sees it, for comparison with
// independent decoders (tests/corpus/*.py).
//
//   kelvane-dump-rows [--format BITS] [--write-bmp OUT] FILE
//
// FILE is read as the window reads it: by what it holds when named .pcx (a
// sprite, a ZSoft PCX or a P32 image), as a BMP file otherwise. With
// --format the image is then converted (BITS 1, 4, 8, 15, 16, 24, 32); with
// --write-bmp it is written with WriteBmpFile. Standard output gets a binary
// PPM of the 32-bit rows, with the format caption as its comment line:
//   P6\n# 24 bit\n<width> <height>\n255\n<rgb bytes, top row first>
// Exit 1 with the reason on standard error when reading, converting or
// writing fails or the image is empty; 2 for a usage error.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <strings.h>

#include "image/DibBitmap.h"
#include "workflow/ImageCaptions.h"
#include "workflow/ImageWorkflow.h"

namespace {

int Usage() {
  std::fprintf(stderr, "usage: kelvane-dump-rows [--format BITS] [--write-bmp OUT] FILE\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  using namespace kelvane;
  int bits = 0;
  std::string writeTo;
  std::string input;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--format" && i + 1 < argc) {
      bits = std::atoi(argv[++i]);
    } else if (a == "--write-bmp" && i + 1 < argc) {
      writeTo = argv[++i];
    } else if (input.empty() && !a.empty() && a[0] != '-') {
      input = a;
    } else {
      return Usage();
    }
  }
  if (input.empty()) return Usage();

  TDibBitmap image;
  // Anything that is not named as a sprite is read as a BMP file.
  const TFileKind kind = FileKind(input) == fkPcx ? fkPcx : fkBmp;
  const TLoadResult load = LoadImageFile(image, input, kind);
  if (load.Status != TLoadStatus::Loaded || image.IsEmpty()) {
    std::fprintf(stderr, "%s: not read: %s\n", input.c_str(), load.Why.Text().c_str());
    return 1;
  }

  if (bits != 0) {
    const TPixelFormat format = bits == 15 ? px15 : bits == 16 ? px16 : FormatFromBitCount(bits);
    if (format == pxCustom) return Usage();
    image.SetPixelFormat(format);
    // 15 and 16 bits count as one format: asking for one keeps the other.
    const TPixelFormat got = image.GetPixelFormat();
    const bool sixteen = (format == px15 || format == px16) && (got == px15 || got == px16);
    if (got != format && !sixteen) {
      std::fprintf(stderr, "%s: conversion to %d bits gave %s\n", input.c_str(), bits,
                   std::string(FormatCaption(image.GetPixelFormat())).c_str());
      return 1;
    }
  }
  if (!writeTo.empty()) {
    const TOutcome saved = image.WriteBmpFile(writeTo);
    if (!saved) {
      std::fprintf(stderr, "%s: %s\n", writeTo.c_str(), saved.Text().c_str());
      return 1;
    }
  }

  const TPixelRows32 rows = image.Rows32();
  if (rows.Data == nullptr || rows.Width != image.Width() || rows.Height != image.Height()) {
    std::fprintf(stderr, "%s: no rows to draw\n", input.c_str());
    return 1;
  }
  std::printf("P6\n# %s\n%d %d\n255\n", std::string(FormatCaption(image.GetPixelFormat())).c_str(), rows.Width,
              rows.Height);
  std::vector<unsigned char> line(static_cast<std::size_t>(rows.Width) * 3);
  for (int y = 0; y < rows.Height; ++y) {
    const std::uint32_t* p = rows.Row(y);
    for (int x = 0; x < rows.Width; ++x) {
      line[static_cast<std::size_t>(x) * 3 + 0] = static_cast<unsigned char>(p[x] >> 16);
      line[static_cast<std::size_t>(x) * 3 + 1] = static_cast<unsigned char>(p[x] >> 8);
      line[static_cast<std::size_t>(x) * 3 + 2] = static_cast<unsigned char>(p[x]);
    }
    std::fwrite(line.data(), 1, line.size(), stdout);
  }
  return std::fflush(stdout) == 0 ? 0 : 1;
}
