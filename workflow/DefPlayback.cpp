#include "workflow/DefPlayback.h"

#include <utility>
#include <vector>

#include "formats/DefReader.h"
#include "image/ByteSource.h"
#include "workflow/DefWorkflow.h"

namespace kelvane {

std::optional<std::size_t> PlayedGroupIndex(const TDefAnimation& animation) {
  for (std::size_t i = 0; i < animation.Groups.size(); ++i)
    if (!animation.Groups[i].Frames.empty()) return i;
  return std::nullopt;
}

std::size_t FramePositionAt(std::size_t frameCount, std::int64_t elapsedMs) {
  if (frameCount == 0 || elapsedMs < 0) return 0;
  // Unsigned from here: elapsedMs / kDefFrameMs is non-negative.
  const auto step = static_cast<std::uint64_t>(elapsedMs / kDefFrameMs);
  return static_cast<std::size_t>(step % frameCount);
}

void TDefPlayback::Start(TDefAnimation animation) {
  Animation_ = std::move(animation);
  Group_ = PlayedGroupIndex(Animation_);
  Position_ = 0;
}

void TDefPlayback::Stop() {
  Animation_ = TDefAnimation{};
  Group_.reset();
  Position_ = 0;
}

std::size_t TDefPlayback::FrameCount() const { return Group_ ? Animation_.Groups[*Group_].Frames.size() : 0; }

bool TDefPlayback::Playing() const { return FrameCount() > 1; }

bool TDefPlayback::AdvanceTo(std::int64_t elapsedMs, TDibBitmap& image) {
  if (!Playing()) return false;
  const std::size_t position = FramePositionAt(FrameCount(), elapsedMs);
  if (position == Position_) return false;
  const TDefFrameRef& ref = Animation_.Groups[*Group_].Frames[position];
  Position_ = position;
  // The reader checked every reference against Frames; a model built in
  // memory is not trusted that far. A frame without an image shows as an
  // empty one, as a first frame of that kind does on the panel.
  if (ref.Frame >= Animation_.Frames.size() ||
      !ImageOfCanvas(Animation_.Frames[ref.Frame].Canvas, Animation_.Palette, image))
    image.Clear();
  return true;
}

TLoadResult LoadDefToPlay(TDibBitmap& image, const std::string& path, TDefAnimation& animation) {
  const TDefProblem read = LoadDefAnimation(path, animation);
  return DefLoaded(image, read, animation);
}

TLoadResult LoadDefToPlay(TDibBitmap& image, const TLodArchive& archive, std::string_view name,
                          TDefAnimation& animation) {
  const TLodEntry* entry = archive.Find(name);
  if (entry == nullptr) return LoadUnopenable(image, fkDef, TOutcome::Failure(TImageError::NoSuchEntry));
  std::vector<std::uint8_t> bytes;
  if (TOutcome read = archive.Read(*entry, bytes); !read) return LoadUnopenable(image, fkDef, read);
  TMemorySource source(bytes);
  return DefLoaded(image, ReadDef(source, animation), animation);
}

}  // namespace kelvane
