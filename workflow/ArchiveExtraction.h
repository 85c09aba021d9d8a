// Extracting the entries of an archive into a folder, converting sprites on
// the way: the one operation behind "kelvane-cli lod extract" and the
// window's "Извлечь все...". No Qt here.
//
// Every matching entry is read, inflated and written as DIR/<its name>; an
// image entry of another kind than the conversion target is loaded exactly
// as a file would be, prepared by the caller's hook (the command line's
// --to8 and the other options of convert) and written as the target
// (AdvMap.pcx -> AdvMap.bmp); a DEF entry may become its frames and a
// manifest (DefFrames); other entries are written as stored. Entries are
// handled on all cores.
//
// Safety: names come from the archive and are hostile. Only entries the
// archive reader accepted are written (see formats/LodArchive.h for what it
// refuses: separators, "..", control characters, empty and duplicate
// names), through a folder writer that cannot leave the folder, replaces a
// symbolic link instead of following it and never leaves a partial file
// (image/FolderWriter.h). Two entries that would give the same output name
// (a.pcx converted and a.bmp) are not both written: the later one fails.
// Every entry that fails gets one failure in the summary and the rest are
// still extracted.
//
// Progress is reported to a callback on the calling thread, which may
// cancel: entries already being written are finished, no new one is begun.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "formats/LodArchive.h"
#include "image/DibBitmap.h"
#include "image/ImageError.h"
#include "workflow/ImageWorkflow.h"

namespace kelvane {

// Prepares a loaded image before it is encoded: true to go on, false with
// `why` filled to fail the entry. Called from worker threads, so it must not
// touch shared state.
using TImagePreparer = std::function<bool(TDibBitmap& image, std::string& why)>;

struct TExtractRequest {
  std::string OutputDir;           // created (with its parents) when missing
  std::vector<std::string> Masks;  // entries matching any; empty: every entry
  bool Convert = false;            // convert image entries to Target
  TSaveTarget Target = TSaveTarget::Bmp;
  TSaveOptions Save;               // how Target is written (PNG transparency)
  TImagePreparer Prepare;          // may be empty
  // With Convert: a DEF entry becomes its frames as Target files and a
  // manifest, as `def extract` writes them (ADAG.def -> ADAG-0-0.png ...,
  // ADAG.manifest). Without it a DEF entry is written as stored.
  bool DefFrames = false;
  unsigned Threads = 0;            // 0: one per core
};

struct TExtractProgress {
  std::size_t Done = 0;   // entries finished, written or failed
  std::size_t Total = 0;  // entries to do
};
// Returns false to cancel.
using TExtractProgressFn = std::function<bool(const TExtractProgress&)>;

struct TExtractFailure {
  std::string Entry;  // the entry's name, control characters escaped
  std::string Why;
};

struct TExtractSummary {
  TOutcome Folder;                        // why the output folder could not be used
  std::size_t Matched = 0;                // entries the masks chose
  std::size_t Written = 0;                // files written, converted ones included
  std::size_t Converted = 0;
  std::uint64_t BytesWritten = 0;
  std::vector<TExtractFailure> Failures;  // in table order
  std::vector<std::string> ArchiveProblems;  // what the table left out (archive notices)
  std::vector<std::string> UnmatchedMasks;
  bool Cancelled = false;

  bool Ok() const {
    return Folder.Ok() && Failures.empty() && ArchiveProblems.empty() && UnmatchedMasks.empty() && !Cancelled;
  }
};

// What the window's "Извлечь все..." asks for: every entry that the file
// list's filter `mask` shows (unreadable ones too, so that each gets its
// failure), into `outputDir`. Sprites are converted to BMP files, as a
// click on the preview saves them; BMP entries and entries of any other
// kind are written as stored.
TExtractRequest ExtractAllRequest(const std::string& mask, const std::string& outputDir);

// The files already in the output folder that ExtractArchive(archive,
// request) would replace: the output names of the entries it is to write
// (a conversion may still fail and leave the old file), in table order,
// where a file or a symbolic link of that name exists. The window asks
// before replacing them.
std::vector<std::string> FilesInTheWay(const TLodArchive& archive, const TExtractRequest& request);

// The output name of `entryName` under `request`: its own, with the
// target's extension when it is converted, or its manifest's when a DEF
// becomes frames (the frames take that name with "-<group>-<frame>").
std::string ExtractedName(const std::string& entryName, const TExtractRequest& request);

TExtractSummary ExtractArchive(const TLodArchive& archive, const TExtractRequest& request,
                               const TExtractProgressFn& progress = {});

}  // namespace kelvane
