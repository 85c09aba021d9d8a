// The DEF preview's rules: which group plays, which frame shows when, the
// image each step leaves, and loading once for both panel and playback.
#include "workflow/DefPlayback.h"

#include <gtest/gtest.h>

#include <limits>

#include "formats/LodArchive.h"
#include "tests/image/TestBmp.h"
#include "workflow/ArchiveEntries.h"
#include "workflow/DefWorkflow.h"

namespace kelvane {
namespace {

using test::TempDir;

const std::string kCreature = std::string(KELVANE_SOURCE_DIR) + "/samples/creature-format1-48x40.def";

std::vector<std::uint32_t> PixelsOf(TDibBitmap& image) {
  const TPixelRows32 rows = image.Rows32();
  std::vector<std::uint32_t> pixels;
  for (int y = 0; y < rows.Height; ++y) pixels.insert(pixels.end(), rows.Row(y), rows.Row(y) + rows.Width);
  return pixels;
}

// Stored frame k is a 3x2 canvas of index k + 1 (a colour of its own), so
// an image tells which frame it came from.
TDefAnimation Numbered(std::size_t frames, std::vector<TDefGroup> groups) {
  TDefAnimation a;
  a.Type = 0x42;
  a.Width = 3;
  a.Height = 2;
  for (int i = 0; i < 768; ++i) a.Palette[i] = static_cast<std::uint8_t>(i * 7);
  for (std::size_t k = 0; k < frames; ++k) {
    TDefFrame f;
    f.Canvas.Width = 3;
    f.Canvas.Height = 2;
    f.Canvas.Indexes = std::vector<std::uint8_t>(6, static_cast<std::uint8_t>(k + 1));
    a.Frames.push_back(std::move(f));
  }
  a.Groups = std::move(groups);
  return a;
}

std::vector<std::uint32_t> PixelsOfFrame(const TDefAnimation& a, std::size_t frame) {
  TDibBitmap image;
  EXPECT_TRUE(ImageOfCanvas(a.Frames[frame].Canvas, a.Palette, image));
  return PixelsOf(image);
}

TEST(DefPreviewTiming, MovesEveryHundredMillisecondsAndWraps) {
  struct Case {
    std::size_t Frames;
    std::int64_t ElapsedMs;
    std::size_t Position;
  };
  const Case cases[] = {
      {4, 0, 0},   {4, 99, 0},  {4, 100, 1}, {4, 399, 3},  {4, 400, 0},  {4, 1234, 0},
      {1, 5000, 0}, {0, 5000, 0}, {4, -1, 0}, {4, -450, 0}, {7, 700, 0}, {7, 1399, 6},
  };
  for (const Case& c : cases)
    EXPECT_EQ(FramePositionAt(c.Frames, c.ElapsedMs), c.Position) << c.Frames << " frames, " << c.ElapsedMs << " ms";
  // A window left open for ages still gives a frame of the group.
  EXPECT_LT(FramePositionAt(3, std::numeric_limits<std::int64_t>::max()), 3u);
}

TEST(DefPreviewTiming, PlaysTheFirstGroupThatHasFrames) {
  EXPECT_EQ(PlayedGroupIndex(Numbered(2, {{0, {}}, {4, {}}, {5, {{"a", 1}}}, {6, {{"b", 0}}}})), 2u);
  EXPECT_EQ(PlayedGroupIndex(Numbered(2, {{0, {{"a", 0}}}})), 0u);
  EXPECT_FALSE(PlayedGroupIndex(Numbered(1, {{0, {}}, {1, {}}})).has_value());
  EXPECT_FALSE(PlayedGroupIndex(Numbered(0, {})).has_value());
}

TEST(DefPlayback, ShowsEachFrameOfThePlayedGroupInItsOrderAndComesRound) {
  // Group 3 lists stored frame 2 twice; group 0 is empty and is passed over.
  const TDefAnimation animation = Numbered(3, {{0, {}}, {3, {{"x", 2}, {"y", 0}, {"z", 2}}}, {9, {{"w", 1}}}});
  TDefPlayback playback;
  playback.Start(animation);
  ASSERT_TRUE(playback.Playing());
  EXPECT_EQ(playback.FrameCount(), 3u);

  TDibBitmap image;
  EXPECT_FALSE(playback.AdvanceTo(60, image)) << "the first frame is still the one shown";
  EXPECT_TRUE(image.IsEmpty()) << "nothing drawn while the frame stays";

  ASSERT_TRUE(playback.AdvanceTo(100, image));
  EXPECT_EQ(playback.Position(), 1u);
  EXPECT_EQ(PixelsOf(image), PixelsOfFrame(animation, 0));
  EXPECT_FALSE(playback.AdvanceTo(150, image));

  // A late tick skips to the frame of its time.
  ASSERT_TRUE(playback.AdvanceTo(290, image));
  EXPECT_EQ(playback.Position(), 2u);
  EXPECT_EQ(PixelsOf(image), PixelsOfFrame(animation, 2));

  ASSERT_TRUE(playback.AdvanceTo(300, image));
  EXPECT_EQ(playback.Position(), 0u);
  EXPECT_EQ(PixelsOf(image), PixelsOfFrame(animation, 2));
  EXPECT_EQ(image.Width(), 3);
  EXPECT_EQ(image.GetPixelFormat(), px8);
}

TEST(DefPlayback, StandsStillWithOneFrameAndAfterStop) {
  TDibBitmap image;
  TDefPlayback playback;
  EXPECT_FALSE(playback.Playing()) << "nothing started";
  EXPECT_FALSE(playback.AdvanceTo(500, image));

  playback.Start(Numbered(2, {{0, {}}, {1, {{"only", 1}}}, {2, {{"a", 0}, {"b", 1}}}}));
  EXPECT_FALSE(playback.Playing()) << "the played group has one frame";
  EXPECT_FALSE(playback.AdvanceTo(500, image));

  playback.Start(Numbered(2, {{0, {{"a", 0}, {"b", 1}}}}));
  ASSERT_TRUE(playback.AdvanceTo(100, image));
  playback.Stop();
  EXPECT_FALSE(playback.Playing());
  EXPECT_EQ(playback.FrameCount(), 0u);
  EXPECT_FALSE(playback.AdvanceTo(200, image));
  EXPECT_EQ(image.Width(), 3) << "the frame shown stays";
}

TEST(DefPlayback, AFrameWithoutAnImageShowsEmpty) {
  TDefAnimation animation = Numbered(2, {{0, {{"a", 0}, {"b", 1}, {"c", 7}}}});
  animation.Frames[1].Canvas = TDefCanvas{};  // no canvas at all
  TDefPlayback playback;
  playback.Start(animation);
  TDibBitmap image;
  ASSERT_TRUE(playback.AdvanceTo(100, image));
  EXPECT_TRUE(image.IsEmpty());
  // A reference past the stored frames (only a model made in memory can
  // hold one) shows nothing rather than reading past them.
  ASSERT_TRUE(playback.AdvanceTo(200, image));
  EXPECT_EQ(playback.Position(), 2u);
  EXPECT_TRUE(image.IsEmpty());
  ASSERT_TRUE(playback.AdvanceTo(300, image));
  EXPECT_EQ(PixelsOf(image), PixelsOfFrame(animation, 0));
}

// What LoadDefToPlay shows must be what LoadDefImage shows: the panel is
// the same whichever way the window reads a DEF.
void ExpectSameLoad(const TLoadResult& a, TDibBitmap& imageA, const TLoadResult& b, TDibBitmap& imageB) {
  EXPECT_EQ(a.Status, b.Status);
  EXPECT_EQ(a.Panel, b.Panel);
  EXPECT_EQ(a.SizeText, b.SizeText);
  EXPECT_EQ(a.FormatText, b.FormatText);
  EXPECT_EQ(a.Message, b.Message);
  EXPECT_EQ(PixelsOf(imageA), PixelsOf(imageB));
}

TEST(DefLoadToPlay, ReadsFilesAndArchiveEntriesOnceForPanelAndPlayback) {
  TDibBitmap shown, expected;
  TDefAnimation animation;
  const TLoadResult load = LoadDefToPlay(shown, kCreature, animation);
  ASSERT_EQ(load.Status, TLoadStatus::Loaded);
  ExpectSameLoad(load, shown, LoadDefImage(expected, kCreature), expected);
  EXPECT_EQ(load.FormatText, DefFormatText(animation));
  ASSERT_TRUE(PlayedGroupIndex(animation).has_value());
  TDefPlayback playback;
  playback.Start(std::move(animation));
  EXPECT_TRUE(playback.Playing()) << "the creature's first group moves";

  TempDir dir;
  TLodBuilder builder;
  ASSERT_TRUE(builder.Put("Crea.def", test::ReadFileBytes(kCreature)));
  ASSERT_TRUE(builder.Put("Bad.def", std::vector<std::uint8_t>{1, 2, 3}));
  ASSERT_TRUE(builder.Save(dir / "d.lod"));
  TLodArchive archive;
  ASSERT_TRUE(archive.Open(dir / "d.lod"));

  TDibBitmap fromEntry, viaEntryLoader;
  TDefAnimation entryAnimation;
  const TLoadResult entry = LoadDefToPlay(fromEntry, archive, "crea.def", entryAnimation);
  ExpectSameLoad(entry, fromEntry, LoadArchiveEntry(viaEntryLoader, archive, "crea.def"), viaEntryLoader);
  EXPECT_EQ(entry.Status, TLoadStatus::Loaded);
  EXPECT_EQ(entryAnimation.FrameRefCount(), playback.Animation().FrameRefCount());

  // Damaged and missing entries end as the archive loader ends them.
  for (const char* name : {"Bad.def", "Gone.def"}) {
    TDibBitmap a, b;
    TDefAnimation ignored;
    const TLoadResult refused = LoadDefToPlay(a, archive, name, ignored);
    EXPECT_EQ(refused.Status, TLoadStatus::Refused) << name;
    ExpectSameLoad(refused, a, LoadArchiveEntry(b, archive, name), b);
  }
}

}  // namespace
}  // namespace kelvane
