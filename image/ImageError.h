// Why an image could not be read, converted or written: one vocabulary for
// every reader, writer and save in Kelvane.
//
// A TOutcome is a kind plus, where the system said why, its errno. The texts
// are the program's own and reach the user verbatim (the command line prints
// them; the window shows them in its save-failure box); every one of them is
// in ImageErrorText, one switch with no default case, so a new kind cannot
// go without a text. "Invalid input" and "over our limit" are kept apart:
// OverLimit is a header that asks for more than Kelvane's caps allow, NoMemory
// a block the system would not give. The BMP readers' refusal texts stay as
// users know them, so OverLimit reads "No memory" too.
#pragma once

#include <cstdint>
#include <string>

namespace kelvane {

enum class TImageError : std::uint8_t {
  None,
  // Reading.
  CannotOpen,           // missing file, no permission
  NotRegularFile,       // FIFO, device, directory
  ShortRead,            // the data ended before what it announced
  WidthNotPositive,     // "Bitmap width must be > 0"
  HeightZero,           // "Bitmap height must be > 0"
  NoMemory,             // no pixel block: size 0, or none to be had
  OverLimit,            // a claim above one of the caps in Limits.h
  UnknownCompression,   // compression 4 or more
  UnsupportedFormat,    // a layout nothing here can decode
  BadHeader,            // offsets or sizes that contradict each other
  InvalidSprite,        // sprite data size matches neither depth
  NotASprite,           // a ".pcx" that is another kind of file (PNG, DDS, ...)
  DamagedCompression,   // compressed rows that break their own rules
  OffsetOutsideFile,    // a frame or row offset beyond the end of the file
  RunPastRow,           // a run of pixels longer than what is left of its row
  RunCrossesPiece,      // a run of pixels crossing the end of its 32-pixel piece
  RectOutsideCanvas,    // a frame's stored rectangle not inside its canvas
  UnknownPixelFormat,   // a DEF frame's pixel format above 3
  BadFrameHeader,       // a DEF frame header that describes no frame we can hold
  DuplicateGroupId,     // two DEF groups with one id
  NotPng,               // no PNG signature
  PngChecksum,          // a chunk's CRC or the image data's checksum is wrong
  InvalidPngHeader,     // a PNG header with an impossible size, colour type or depth
  InvalidPng,           // a PNG that breaks the format: chunks, image data
  NotAPalette,          // a palette source that holds no palette
  InvalidPalette,       // a palette file that breaks its format
  // Converting and writing.
  EmptyImage,           // nothing to write
  NotEightBit,          // a sprite can only be written from an 8-bit image
  NotWritableAsBmp,     // a header the BMP writer cannot write truthfully
  NoFileName,           // an empty target name
  CannotCreate,         // the temporary file beside the target could not be made
  WriteFailed,          // the file could not be written completely
  // Archives.
  NotAnArchive,         // no "LOD\0" signature, or shorter than its header
  TooManyEntries,       // a table beyond 10,000 entries
  UnsafeName,           // an entry name that is no plain file name
  DuplicateName,        // a second entry of the same name (case-insensitive)
  EntryOutsideFile,     // an entry's data lies (partly) outside the archive
  OverlappingEntry,     // an entry's data overlaps another entry or the table
  DamagedData,          // compressed data that fails to inflate or ends early
  DataBeyondSize,       // compressed data that inflates beyond its declared size
  NoSuchEntry,          // no entry of that name
  DamagedArchive,       // a change refused: some entry cannot be carried over
  NameCollision,        // an output name already taken by another entry
  BadFrameName,         // a DEF frame name longer than 12 bytes, or with a NUL in it
  DoesNotFitFormat,     // a frame the chosen DEF pixel format cannot store
  PaletteMismatch,      // an 8-bit image whose palette is not the one required
  BadManifest,          // a DEF manifest line that cannot be understood
  InexactColors,        // pixels that are not palette colours, when exact ones were asked
};

// The text shown for a kind; "" for None.
const char* ImageErrorText(TImageError error);
// The kind's name as written here ("ShortRead"), for logs and test tables.
const char* ImageErrorName(TImageError error);

// The result of a read, conversion or save.
struct TOutcome {
  TImageError Error = TImageError::None;
  int SystemError = 0;  // errno where the system gave a reason, else 0

  bool Ok() const { return Error == TImageError::None; }
  explicit operator bool() const { return Ok(); }
  // The kind's text, followed by ": " and the system's reason when there
  // is one ("Cannot write file: No space left on device"); "" when Ok.
  std::string Text() const;

  static TOutcome Success() { return {}; }
  static TOutcome Failure(TImageError error, int systemError = 0) { return {error, systemError}; }
};

}  // namespace kelvane
