// DEF animations in the workflow both front ends share: what the window
// shows for one, and how `def extract` and `def build` turn a DEF into
// image files and a manifest (DefManifest.h) and back.
//
// Frames leave and come back through the workflow's own image rules: each
// frame is encoded with EncodeImage as the target asks, and read back with
// LoadImageFile by its file kind. The colour side is one call,
// FrameCanvasOnPalette: 8-bit frames with the DEF's palette keep their
// indexes; any other frame is mapped onto the palette by the
// palette-faithful reduction (image/PaletteReduction.h).
//
// Extraction hands every file to a writer that replaces a file only once it
// is whole (SaveFileReplacing for a folder, the folder writer of an archive
// extraction), so a failure never leaves a partial file; the manifest is
// written last, so a DEF whose frames could not all be written has none.
// Nothing here talks to the user; results are TDefProblem (kind and place).
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "formats/DefAnimation.h"
#include "image/ByteSource.h"
#include "image/PaletteReduction.h"
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
  TSaveTarget Target = TSaveTarget::Png;  // the frames' file format
  TDefSheets Sheets = TDefSheets::None;
  TSaveOptions Save;                      // PNG transparency
};

// Writes the whole file `name` (a plain name, no folder) with `bytes`,
// replacing an old one only once the new one is complete.
using TNamedFileWriter = std::function<TOutcome(const std::string& name, std::span<const std::uint8_t> bytes)>;

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
// The same files, in the same order, handed to `write`.
TDefProblem ExtractDefTo(const TDefAnimation& animation, const std::string& defName, const TDefExtractOptions& options,
                         const TNamedFileWriter& write);

// The palette indexes of a frame image on the DEF's palette. An 8-bit image
// with exactly that palette gives its indexes as they are; any other image
// (8-bit with another palette, PNG, 15 to 32 bits) is first reduced onto
// the palette, entries 0-7 taken only by their own colour or, in 32-bit
// images, by the alpha convention of mods' PNG files. `report`, when given,
// says whether the indexes were kept and how many pixels were not palette
// colours.
TOutcome FrameCanvasOnPalette(TDibBitmap& image, const TDefPalette& palette, TDefCanvas& canvas,
                              TReductionReport* report = nullptr);

// Reads the manifest at `manifestPath` and the frame files it names, and
// writes the DEF to `outputPath` (replacing a file there only on success).
// Frames that had to be reduced onto the palette are named in `notes`
// ("ADAG-0-3.png: 24 bit, reduced onto the palette; 12 pixels were not
// palette colours"), one line each, when `notes` is given.
TDefProblem BuildDef(const std::string& manifestPath, const std::string& outputPath,
                     std::vector<std::string>* notes = nullptr);

}  // namespace kelvane
