#include "app/DefPreview.h"

#include <utility>

namespace kelvane {

TLoadResult TDefPreview::LoadFile(TDibBitmap& image, const std::string& nativePath) {
  TDefAnimation animation;
  TLoadResult load = LoadDefToPlay(image, nativePath, animation);
  return Started(std::move(load), std::move(animation));
}

TLoadResult TDefPreview::LoadEntry(TDibBitmap& image, const TLodArchive& archive, std::string_view name) {
  TDefAnimation animation;
  TLoadResult load = LoadDefToPlay(image, archive, name, animation);
  return Started(std::move(load), std::move(animation));
}

TLoadResult TDefPreview::Started(TLoadResult load, TDefAnimation animation) {
  // Only a DEF whose first frame is on the panel plays; a refused one
  // leaves the old image still.
  if (load.Status == TLoadStatus::Loaded) {
    Playback_.Start(std::move(animation));
    Start_ = std::chrono::steady_clock::now();
  } else {
    Playback_.Stop();
  }
  return load;
}

bool TDefPreview::Tick(TDibBitmap& image) {
  if (Holds_ > 0 || !Playback_.Playing()) return false;
  const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - Start_);
  return Playback_.AdvanceTo(elapsed.count(), image);
}

}  // namespace kelvane
