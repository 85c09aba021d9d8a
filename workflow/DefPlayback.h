// A DEF animation played in the window's preview: which group plays, which
// of its frames shows at a given time, and the image of that frame.
//
// The preview plays the first group that has frames (the frame the panel
// shows first, LoadDefImage), from its first frame, at ten frames a second,
// round and round. Time comes from the caller as milliseconds since the
// animation started, so the window drives it from the refresh timer it
// already has and tests from plain numbers; a late tick skips frames
// rather than slowing the animation down.
//
// Loading reads the DEF once and gives both what the panel shows (the same
// TLoadResult as LoadDefImage / LoadArchiveEntry) and the animation to play.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "formats/DefAnimation.h"
#include "formats/LodArchive.h"
#include "image/DibBitmap.h"
#include "workflow/ImageWorkflow.h"

namespace kelvane {

// How long each frame shows: ten frames a second, the pace of the game's
// own animations on the adventure map.
inline constexpr std::int64_t kDefFrameMs = 100;

// The index in animation.Groups of the group the preview plays: the first
// one that lists frames; nullopt when none does.
std::optional<std::size_t> PlayedGroupIndex(const TDefAnimation& animation);

// The position in a group of `frameCount` frames that shows `elapsedMs`
// after the start: it moves every kDefFrameMs and wraps. 0 for an empty
// group and for a time before the start.
std::size_t FramePositionAt(std::size_t frameCount, std::int64_t elapsedMs);

class TDefPlayback {
 public:
  // Plays `animation` from the first frame of its played group; the shown
  // image is the one LoadDefImage gave, so nothing is drawn here.
  void Start(TDefAnimation animation);
  // Forgets the animation; AdvanceTo does nothing until the next Start.
  void Stop();
  // An animation is held and its played group has more than one frame.
  bool Playing() const;
  // The position in the played group of the frame last shown.
  std::size_t Position() const { return Position_; }
  // The frames of the played group (0 when stopped).
  std::size_t FrameCount() const;

  // Moves to the frame that shows `elapsedMs` after the start. When that
  // is another position than the one shown, writes its image into `image`
  // and returns true; a frame that gives no image (an empty canvas) leaves
  // `image` empty, as such a first frame leaves the panel.
  bool AdvanceTo(std::int64_t elapsedMs, TDibBitmap& image);

  const TDefAnimation& Animation() const { return Animation_; }

 private:
  TDefAnimation Animation_;
  std::optional<std::size_t> Group_;
  std::size_t Position_ = 0;
};

// Reads the DEF at `path` (a file, or ARCHIVE/ENTRY) into `animation` and
// shows its first frame in `image` exactly as LoadDefImage does.
TLoadResult LoadDefToPlay(TDibBitmap& image, const std::string& path, TDefAnimation& animation);
// The same for the entry `name` of an open archive, ending as
// LoadArchiveEntry does when the entry cannot be read out.
TLoadResult LoadDefToPlay(TDibBitmap& image, const TLodArchive& archive, std::string_view name,
                          TDefAnimation& animation);

}  // namespace kelvane
