// Why an image could not be read, converted or written.
//
// The texts of refusals are the program's own and reach the user verbatim
// (the command line prints them; the window shows their effect). "Invalid
// input" and "over our limit" are kept apart: a header that asks for more
// memory than the cap is NoMemory, the same refusal a real shortage gives.
#pragma once

#include <cstdint>

namespace kelvane {

enum class TImageError : std::uint8_t {
  None,
  CannotOpen,           // missing file, no permission
  NotRegularFile,       // FIFO, device, directory
  ShortRead,            // the stream ended before the data it announced
  WidthNotPositive,     // "Bitmap width must be > 0"
  HeightZero,           // "Bitmap height must be > 0"
  NoMemory,             // no pixel block: size 0, over kMaxPixelBlockBytes, or none to be had
  UnknownCompression,   // compression 4 or more
  UnsupportedFormat,    // 16 bits with a compression other than 0 or 3
  BadHeader,            // offsets or sizes that contradict each other
  InvalidSprite,        // sprite data size matches neither depth
  NotEightBit,          // a sprite can only be written from an 8-bit image
  WriteFailed,          // the file could not be written completely
};

// The text shown for an error; "" for None.
const char* ImageErrorText(TImageError error);

}  // namespace kelvane
