// The conversion rules of Kelvane, shared by the window and the command line.
//
// Both front ends load a file by its kind, show or print the same texts for
// it, reduce images to 8 bits the same way and save by target kind through
// this unit; neither has rules of its own. Nothing here talks to the user:
// the results say what the window shows (which panel, which texts, which
// message) and why something failed (TOutcome, for the command line).
//
// Loading, by the kind the file's name gives:
// - a sprite (".pcx") that fails its size test, or cannot be opened, is
//   refused: the window says "Неверный формат!" and keeps what it showed;
// - a sprite that passes the test but cannot be built, and a BMP file that
//   cannot be read, are shown all the same: an empty image, "0x0",
//   "<ошибка>";
// - a PNG file loads like a BMP file, on the BMP panel (it can be reduced
//   and saved as a sprite the same way);
// - any other kind is not an image of ours: nothing happens.
// The sprite panel names only "8 bit" and "24 bit" (a sprite has no other
// depth); the BMP panel names every depth.
#pragma once

#include <string>

#include "formats/PngCodec.h"
#include "image/DibBitmap.h"
#include "image/ImageError.h"
#include "image/PaletteReduction.h"
#include "workflow/FileKind.h"

namespace kelvane {

// The image panel a load shows.
enum class TImagePanel : std::uint8_t { None, Pcx, Bmp };

enum class TLoadStatus : std::uint8_t {
  Loaded,      // the image is shown with its texts
  Unreadable,  // shown all the same, empty: "0x0", "<ошибка>"
  Refused,     // not shown: the window shows Message, the old image stays
  NotAnImage,  // a kind the program does not load: nothing changes
};

struct TLoadResult {
  TLoadStatus Status = TLoadStatus::NotAnImage;
  TImagePanel Panel = TImagePanel::None;
  std::string SizeText;    // "64x48"; empty when not shown
  std::string FormatText;  // "8 bit", "<ошибка>"; empty when not shown
  std::string Message;     // the window's message box, when refused
  TOutcome Why;            // why it was not Loaded; Ok when it was

  bool Shown() const { return Status == TLoadStatus::Loaded || Status == TLoadStatus::Unreadable; }
};

// Loads the file at `path` into `image` as `kind` says. A refused sprite
// leaves `image` untouched; every other load replaces it.
TLoadResult LoadImageFile(TDibBitmap& image, const std::string& path, TFileKind kind);

// What the BMP panel shows for an image of `format`: whether it can be
// saved as a sprite (and no longer reduced), its status line, and whether
// the warning about a lossy reduction is shown (more than 8 bits).
struct TReadiness {
  bool ReadyForSprite = false;
  bool ShowsWarning = false;
  const char* StatusText = "";
};
TReadiness ReadinessOf(TPixelFormat format);

inline constexpr const char* kReadyText = "Файл готов к конвертации";
inline constexpr const char* kNotReadyText = "Исходный файл должен иметь 8-битный формат";
inline constexpr const char* kInvalidFormatText = "Неверный формат!";

// Reduces `image` to 8 bits per pixel in memory (nearest colour of the fixed
// 256-colour table). An 8-bit image stays as it is; an empty one gives
// EmptyImage.
TOutcome ReduceTo8(TDibBitmap& image);
// The format text after a reduction: "8 bit", or "<ошибка>" when the image
// did not become 8-bit.
std::string ReducedFormatText(const TDibBitmap& image);

// The palette a reduction to 8 bits maps onto: the fixed 256-colour table
// (what "Преобразовать в 8 бит" and --to8 always did), or a palette taken
// from a file, with the game's reserved entries kept (image/PaletteReduction.h).
struct TPaletteChoice {
  enum class TKind : std::uint8_t { Standard, FromFile };
  TKind Kind = TKind::Standard;
  TPalette Palette;        // FromFile
  std::string Source;      // FromFile: the file it came from
  TReductionOptions Options;
};

// A choice of the palette in the file at `path` (any source
// formats/PaletteFile.h reads), reserving entries 0-7. `out` is untouched
// when the file gives no palette.
TOutcome LoadPaletteChoice(const std::string& path, TPaletteChoice& out);

// Reduces `image` to 8 bits onto the chosen palette: the fixed table as
// ReduceTo8 does (the report counts nothing then), or the file's palette by
// the rules of ReduceToPalette.
TReductionReport ReduceWithPalette(TDibBitmap& image, const TPaletteChoice& choice);

// What a save writes.
enum class TSaveTarget : std::uint8_t {
  Bmp,     // a BMP file of the image as it is
  Sprite,  // an 8-bit sprite; other depths give NotEightBit
  Png,     // a PNG file (formats/PngCodec.h)
};
// The target for a file of `kind` (fkBmp, fkPcx, fkPng); Bmp for anything
// else.
TSaveTarget SaveTargetFor(TFileKind kind);

// How a save writes, where the target has a choice.
struct TSaveOptions {
  TPngAlpha PngAlpha = TPngAlpha::None;  // Png: tRNS for entries 0, 1, 4
};

// Writes `image` to `path`. The file is replaced only when everything was
// written, so a failure never leaves a partial file nor damages the old one.
TOutcome SaveImage(TDibBitmap& image, const std::string& path, TSaveTarget target, const TSaveOptions& options = {});

}  // namespace kelvane
