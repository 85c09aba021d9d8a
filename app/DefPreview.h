// The DEF animation the window's preview plays.
//
// A DEF selected in the browser (a file or an archive entry) loads through
// here: the panel gets what LoadDefImage gives and the preview then steps
// through the first group that has frames (workflow/DefPlayback.h), one
// step per refresh tick that finds a new frame due. There is no timer of
// its own: the window's refresh timer calls Tick, so nothing plays once the
// window is gone. The clock is the time since the load.
//
// While a THold lives (the preview's frame is being saved) ticks change
// nothing, so the file written is the frame that was clicked.
#pragma once

#include <chrono>
#include <string>
#include <string_view>

#include "formats/LodArchive.h"
#include "image/DibBitmap.h"
#include "workflow/DefPlayback.h"
#include "workflow/ImageWorkflow.h"

namespace kelvane {

class TDefPreview {
 public:
  // Loads the DEF at `nativePath` (or the entry `name` of `archive`) into
  // `image` and plays it when it was read.
  TLoadResult LoadFile(TDibBitmap& image, const std::string& nativePath);
  TLoadResult LoadEntry(TDibBitmap& image, const TLodArchive& archive, std::string_view name);
  // Nothing plays until the next load.
  void Stop() { Playback_.Stop(); }
  bool Playing() const { return Playback_.Playing(); }

  // Puts the frame due now into `image`; true when it changed.
  bool Tick(TDibBitmap& image);

  class THold {
   public:
    explicit THold(TDefPreview& preview) : Preview_(preview) { ++Preview_.Holds_; }
    ~THold() { --Preview_.Holds_; }
    THold(const THold&) = delete;
    THold& operator=(const THold&) = delete;

   private:
    TDefPreview& Preview_;
  };

 private:
  TLoadResult Started(TLoadResult load, TDefAnimation animation);

  TDefPlayback Playback_;
  std::chrono::steady_clock::time_point Start_;
  int Holds_ = 0;
};

}  // namespace kelvane
