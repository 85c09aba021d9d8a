// DEF animations in the workflow both front ends share: what the window
// shows for one, and how `def extract` and `def build` turn a DEF into
// image files and a manifest (DefManifest.h) and back.
//
// Frames leave and come back through the workflow's own image rules: each
// frame is saved with SaveImage as the target asks, and read back with
// LoadImageFile by its file kind. The colour side is one call,
// FrameCanvasOnPalette: today it takes 8-bit frames with the DEF's palette
// and refuses others, naming the palette-faithful reduction they need.
//
// Extraction writes every file through SaveFileReplacing (beside the target,
// then renamed), so a failure never leaves a partial file; the manifest is
// written last, so a DEF whose frames could not all be written has none.
// Nothing here talks to the user; results are TDefProblem (kind and place).
#pragma once

#include <string>

#include "formats/DefAnimation.h"
#include "image/ByteSource.h"
#include "workflow/DefManifest.h"
#include "workflow/ImageWorkflow.h"

namespace kelvane {

// Reads the whole DEF at `path` (every group, every frame). Both front ends
// open DEFs by name through here alone, so a new kind of path (an entry
// inside an archive) is taught to them in one place.
TDefProblem LoadDefAnimation(const std::string& path, TDefAnimation& animation);

// Loads the DEF at `path` as the window shows it: the first frame of the
// first group that has one on the image panel, the DEF's full size, and a
// format text such as "DEF creature, 12 frames". A DEF that cannot be read
// is refused ("Неверный формат!") and `image` keeps what it held.
TLoadResult LoadDefImage(TDibBitmap& image, const std::string& path);
// The same for a DEF in `source` (an archive entry in memory).
TLoadResult LoadDefImage(TDibBitmap& image, TByteSource& source);
// What the window shows for a DEF that `read` says was (or was not) read
// into `animation`: LoadDefImage's result, for callers that keep the
// animation (the preview plays it).
TLoadResult DefLoaded(TDibBitmap& image, const TDefProblem& read, const TDefAnimation& animation);
// "DEF creature, 12 frames": the type's name where the game has one, and
// the frames all groups list.
std::string DefFormatText(const TDefAnimation& animation);

// Whether `def extract` also writes a sheet per group: its frames in rows
// of about the square root of their count, each cell the size of the
// group's largest canvas.
enum class TDefSheets : std::uint8_t { None, OnePerGroup };

struct TDefExtractOptions {
  TSaveTarget Target = TSaveTarget::Bmp;  // the frames' file format
  TDefSheets Sheets = TDefSheets::None;
};

// "ADAG-0-12.bmp": the DEF's name, group id, index in the group, and the
// target's extension.
std::string DefFrameFileName(const std::string& defName, std::uint32_t groupId, std::size_t index, TSaveTarget target);
// "ADAG-0-sheet.bmp".
std::string DefSheetFileName(const std::string& defName, std::uint32_t groupId, TSaveTarget target);
// "ADAG.manifest".
std::string DefManifestFileName(const std::string& defName);

// The manifest `def extract` writes for `animation`. Its format is `auto`
// unless every stored frame is in one format other than the game's for the
// type, so extract, build and extract again give the same manifest.
TDefManifest ManifestOf(const TDefAnimation& animation, const std::string& defName, TSaveTarget target);

// One image of a group's frames side by side (TDefSheets). OverLimit when
// it would be larger than a bitmap may be.
TOutcome SheetOf(const TDefAnimation& animation, const TDefGroup& group, TDibBitmap& sheet);

// Writes the frames (and sheets) of `animation` into `directory` under
// `defName`, then the manifest. Two groups with one id would give their
// frames the same file names; such a DEF is refused (BadFrameHeader)
// before anything is written.
TDefProblem ExtractDef(const TDefAnimation& animation, const std::string& defName, const std::string& directory,
                       const TDefExtractOptions& options);

// The palette indexes of a frame image on the DEF's palette. An 8-bit image
// with exactly that palette gives its indexes as they are. Other images
// need the palette-faithful reduction, which this build does not have:
// NotEightBit for images of more bits, PaletteMismatch for 8-bit images
// with another palette.
TOutcome FrameCanvasOnPalette(TDibBitmap& image, const TDefPalette& palette, TDefCanvas& canvas);

// Reads the manifest at `manifestPath` and the frame files it names, and
// writes the DEF to `outputPath` (replacing a file there only on success).
TDefProblem BuildDef(const std::string& manifestPath, const std::string& outputPath);

}  // namespace kelvane
