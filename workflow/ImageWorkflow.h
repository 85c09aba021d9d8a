// The conversion rules of Kelvane, shared by the window and the command line.
//
// Both front ends load a file by its kind, show or print the same texts for
// it, reduce images to 8 bits the same way and save by target kind through
// this unit; neither has rules of its own. Nothing here talks to the user:
// the results say what the window shows (which panel, which texts, which
// message) and why something failed (TOutcome, for the command line).
//
// Loading, by the kind the file's name gives:
// - a ".pcx" file is read by what it holds (formats/PcxFile.h): a sprite,
//   a ZSoft PCX image or a P32 image goes to the PCX panel;
// - a ".pcx" file that is none of these (or a ZSoft PCX or P32 image that
//   cannot be read), or that cannot be opened, is refused: the window says
//   "Неверный формат!", with a second line naming what the file is when it
//   is known, and keeps what it showed;
// - a sprite that passes the test but cannot be built, and a BMP file that
//   cannot be read, are shown all the same: an empty image, "0x0",
//   "<ошибка>";
// - a PNG file loads like a BMP file, on the BMP panel (it can be reduced
//   and saved as a sprite the same way);
// - a DEF animation shows its first frame on the sprite panel, with the
//   DEF's full size and a text naming it and its frame count
//   (DefWorkflow.h); one that cannot be read is refused like a sprite;
// - any other kind is not an image of ours: nothing happens.
// For a sprite the PCX panel names only "8 bit" and "24 bit" (a sprite has
// no other depth); for ZSoft PCX and P32 images, and on the BMP panel, every
// depth is named.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "formats/ContentKind.h"
#include "formats/PngCodec.h"
#include "image/DibBitmap.h"
#include "image/ImageError.h"
#include "image/PaletteReduction.h"
#include "workflow/FileKind.h"

namespace kelvane {

class TMemoryByteStream;

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
  // What a ".pcx" file was found to hold (Unknown for other kinds), and,
  // when such a file was refused for being something else or a damaged
  // image, the command line's reason naming it ("this is a PNG image, not a
  // game sprite"); "" when Why's text says it all.
  TContentKind Content = TContentKind::Unknown;
  std::string Detail;

  bool Shown() const { return Status == TLoadStatus::Loaded || Status == TLoadStatus::Unreadable; }
};

// Loads the file at `path` into `image` as `kind` says. A refused sprite
// leaves `image` untouched; every other load replaces it.
TLoadResult LoadImageFile(TDibBitmap& image, const std::string& path, TFileKind kind);
// Loads an image held in memory (an archive entry) exactly as LoadImageFile
// loads a file of that kind: the same statuses, panels, texts and messages.
TLoadResult LoadImageBytes(TDibBitmap& image, std::span<const std::uint8_t> bytes, TFileKind kind);
// What LoadImageFile gives for a file of `kind` that cannot be opened, for
// `why`: an entry that cannot be read out of its archive ends the same way.
TLoadResult LoadUnopenable(TDibBitmap& image, TFileKind kind, TOutcome why);

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
  Bmp,       // a BMP file of the image as it is
  Sprite,    // an 8-bit sprite; other depths give NotEightBit
  Sprite24,  // a 24-bit sprite of any image, nothing reduced (alpha dropped)
  Png,       // a PNG file (formats/PngCodec.h)
};
enum class TSpriteDepth : std::uint8_t { Eight, TwentyFour };
// The target for a file of `kind`: a sprite of `depth` for fkPcx, a PNG for
// fkPng, Bmp for anything else.
TSaveTarget SaveTargetFor(TFileKind kind, TSpriteDepth depth = TSpriteDepth::Eight);
// The file name extension a target is written under, without the dot:
// "bmp", "pcx", "png".
const char* ExtensionOf(TSaveTarget target);

// A file type the preview's save dialog offers: its filter caption and
// mask, the extension a name without one gets, and what is written.
struct TSaveType {
  const char* Caption;
  const char* Mask;
  const char* Extension;
  TSaveTarget Target;
};
// The preview's file types for an image of `format`, the first one chosen
// at first: "Bitmaps (*.bmp)" and "PNG images (*.png)" always, then
// "PCX 24 bit (*.pcx)" for images above 8 bits.
std::vector<TSaveType> PreviewSaveTypes(TPixelFormat format);
// What a save through those types writes to `path`: the offered type whose
// extension the name ends with (any case), else the type the user chose
// (`chosenIndex`, 0-based; the first when out of range). A name the user
// typed with an extension of its own decides over the chosen type, so a
// sprite never goes under a BMP name nor a BMP under a PNG one.
TSaveTarget PreviewSaveTarget(const std::vector<TSaveType>& types, int chosenIndex, const std::string& path);

// True when saving `image` as `target` loses its alpha channel (a 32-bit
// image written as a 24-bit sprite); front ends say so.
bool DropsAlpha(const TDibBitmap& image, TSaveTarget target);

// How a save writes, where the target has a choice.
struct TSaveOptions {
  TPngAlpha PngAlpha = TPngAlpha::None;  // Png: tRNS for entries 0, 1, 4
};

// Writes `image` to `path`. The file is replaced only when everything was
// written, so a failure never leaves a partial file nor damages the old one.
TOutcome SaveImage(TDibBitmap& image, const std::string& path, TSaveTarget target, const TSaveOptions& options = {});
// The bytes SaveImage writes for `image` as `target`, in `out` from its
// start: what an extraction or an archive entry holds.
TOutcome EncodeImage(TDibBitmap& image, TSaveTarget target, TMemoryByteStream& out, const TSaveOptions& options = {});

}  // namespace kelvane
