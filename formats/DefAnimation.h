// The game's DEF animations in memory: groups of named frames over one
// palette, every frame decoded to the full canvas it is drawn on.
//
// A DEF holds creatures, heroes, spells, map objects, buttons, cursors and
// terrain. Its frames are grouped (a creature's groups are its moves: stand,
// walk, attack, ...); a group has an id, and ids may have gaps. One stored
// frame may be listed in several groups, so groups refer to frames by index
// into Frames, and a frame stored once is decoded once.
//
// DefReader.h reads a file into a TDefAnimation, DefWriter.h writes one.
// Here: the model, the game's names and pixel formats for each type, the
// limits both sides enforce, and the way between a frame and an 8-bit
// TDibBitmap (what the workflow exports and reads back).
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "image/DibBitmap.h"
#include "image/ImageError.h"
#include "image/PixelBlock.h"

namespace kelvane {

// 256 entries of red, green, blue, as the file stores them.
inline constexpr int kDefPaletteBytes = 768;
using TDefPalette = std::array<std::uint8_t, kDefPaletteBytes>;

// The pixel formats of stored frames (see DefReader.h for their layouts).
inline constexpr std::uint32_t kDefRawPixels = 0;
inline constexpr std::uint32_t kDefRowRuns = 1;
inline constexpr std::uint32_t kDefShortRowRuns = 2;
inline constexpr std::uint32_t kDefPieceRuns = 3;
inline constexpr std::uint32_t kDefPixelFormats = 4;
// Format 3 stores each row in pieces of this many pixels.
inline constexpr std::uint32_t kDefPiecePixels = 32;

// Longest frame name: a 13-byte field that ends with a NUL.
inline constexpr std::size_t kDefMaxNameBytes = 12;

// Limits on what a DEF may make us hold. Each file claim is checked
// against them before anything is allocated (OverLimit).
//
// A DEF is read whole. The game's largest are a few megabytes; 256 MiB
// leaves room for any mod's and keeps one hostile file from taking more.
inline constexpr std::uint64_t kMaxDefFileBytes = std::uint64_t{256} << 20;
// The game's DEFs have fewer than 32 groups (a creature's moves); the cap
// bounds the group table a header can make us walk.
inline constexpr std::uint32_t kMaxDefGroups = 4096;
// Frame references in all groups together. The game's largest DEFs list a
// few hundred; each reference holds a name, so the cap bounds that memory.
inline constexpr std::uint64_t kMaxDefFrames = 65536;
// Every decoded canvas is held at once. A frame's canvas costs its full
// width x height however little the file stores (a 33-byte frame may
// claim 16384 x 16384), so the canvases together are capped like one
// bitmap's pixel block; a creature's run to a few tens of megabytes.
inline constexpr std::uint64_t kMaxDefCanvasBytes = std::uint64_t{1} << 30;

// The bytes of a canvas: zero when made, compared by content, copied deep.
// A canvas may own its block, or share one with the other canvases of an
// animation: the reader takes one zeroed block for all of them, which costs
// neither a zeroing pass nor a page fault per 4 KiB (the block comes in huge
// pages), where one block per canvas made decoding a creature mostly a
// matter of the kernel handing out pages.
class TCanvasBytes {
 public:
  TCanvasBytes() = default;
  // `size` zero bytes of its own; empty when none can be had (check size()).
  explicit TCanvasBytes(std::size_t size);
  TCanvasBytes(const std::vector<std::uint8_t>& bytes);  // NOLINT: a copy, for tests and callers
  // A slice of `block`, which the slice keeps alive.
  TCanvasBytes(std::shared_ptr<TPixelBlock> block, std::size_t offset, std::size_t size);
  TCanvasBytes(const TCanvasBytes& other);
  TCanvasBytes& operator=(const TCanvasBytes& other);
  TCanvasBytes(TCanvasBytes&&) noexcept = default;
  TCanvasBytes& operator=(TCanvasBytes&&) noexcept = default;

  std::uint8_t* data() { return Data_; }
  const std::uint8_t* data() const { return Data_; }
  std::size_t size() const { return Size_; }
  bool empty() const { return Size_ == 0; }
  std::uint8_t& operator[](std::size_t i) { return Data_[i]; }
  std::uint8_t operator[](std::size_t i) const { return Data_[i]; }
  const std::uint8_t* begin() const { return Data_; }
  const std::uint8_t* end() const { return Data_ + Size_; }
  bool operator==(const TCanvasBytes& other) const;

 private:
  std::shared_ptr<TPixelBlock> Block_;
  std::uint8_t* Data_ = nullptr;
  std::size_t Size_ = 0;
};

// The full canvas of one frame: palette indexes, top row first, Width bytes
// per row, index 0 (transparent) wherever the file stores nothing.
struct TDefCanvas {
  std::int32_t Width = 0;
  std::int32_t Height = 0;
  TCanvasBytes Indexes;

  bool operator==(const TDefCanvas&) const = default;
};

// Where a frame's stored pixels sit on its canvas.
struct TDefRect {
  std::uint32_t Left = 0;
  std::uint32_t Top = 0;
  std::uint32_t Width = 0;
  std::uint32_t Height = 0;
};

// One stored frame. PixelFormat, Stored and Offset say how the file held
// it; the writer decides its own and ignores them.
struct TDefFrame {
  TDefCanvas Canvas;
  std::uint32_t PixelFormat = kDefRowRuns;
  TDefRect Stored;
  std::uint64_t Offset = 0;
};

// A place in a group: the frame's name (a file name of the game's, such as
// "CAbehe10.pcx", at most 12 bytes) and which of Frames it shows.
struct TDefFrameRef {
  std::string Name;
  std::size_t Frame = 0;
};

struct TDefGroup {
  std::uint32_t Id = 0;
  std::vector<TDefFrameRef> Frames;
};

struct TDefAnimation {
  std::uint32_t Type = 0;
  // The full size the header gives; each frame carries its own as well.
  std::uint32_t Width = 0;
  std::uint32_t Height = 0;
  TDefPalette Palette{};
  std::vector<TDefGroup> Groups;
  std::vector<TDefFrame> Frames;

  // Frame references in all groups together.
  std::size_t FrameRefCount() const;
};

// Why a DEF could not be read, written or built, and where: the kind, and
// a short English place ("frame at offset 4120, row 7") the command line
// adds to the kind's text.
struct TDefProblem {
  TOutcome Why;
  std::string Where;

  bool Ok() const { return Why.Ok(); }
  explicit operator bool() const { return Ok(); }
  // "An offset points outside the file (frame at offset 4120, row 7)".
  std::string Text() const;

  static TDefProblem Success() { return {}; }
  static TDefProblem Failure(TImageError error, std::string where) {
    return {TOutcome::Failure(error), std::move(where)};
  }
};

// The game's word for a DEF type ("creature" for 0x42); "" for a type it
// does not use.
const char* DefTypeName(std::uint32_t type);
// The pixel format the game stores frames of a type in: 3 for map objects
// and heroes, 2 for terrain, 1 for every other type.
std::uint32_t GamePixelFormatFor(std::uint32_t type);

// A frame's canvas as an 8-bit image with the DEF's palette (rows
// bottom-up, as every bitmap the BMP writer writes). NoMemory when the
// bitmap cannot be had.
TOutcome ImageOfCanvas(const TDefCanvas& canvas, const TDefPalette& palette, TDibBitmap& image);
// The palette indexes of an 8-bit image as a canvas; NotEightBit or
// EmptyImage otherwise.
TOutcome CanvasOfImage(TDibBitmap& image, TDefCanvas& canvas);
// Whether an 8-bit image's colour table is `palette`, entry for entry.
bool HasPalette(const TDibBitmap& image, const TDefPalette& palette);

}  // namespace kelvane
