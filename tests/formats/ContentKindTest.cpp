// Recognition of what a ".pcx" file holds, in its order, and loading by
// content from files and from memory alike.
#include "formats/ContentKind.h"

#include <gtest/gtest.h>

#include "formats/PcxFile.h"
#include "formats/ZSoftPcx.h"
#include "tests/image/TestBmp.h"

namespace kelvane {
namespace {

using test::Bytes;

const std::string kKinds = std::string(KELVANE_SOURCE_DIR) + "/tests/corpus/pcx-kinds/";
const std::string kSamples = std::string(KELVANE_SOURCE_DIR) + "/samples/";

TContentKind KindOf(const Bytes& bytes) {
  TMemorySource source(bytes);
  return RecogniseContent(source);
}

TEST(RecogniseContent, NamesEveryFixtureAndReadsTheImagesFromFileAndMemoryAlike) {
  struct Row {
    std::string Path;
    TContentKind Kind;
    bool Read;
    TImageError Why;
  } rows[] = {
      {kSamples + "sprite8-5x4.pcx", TContentKind::Sprite, true, TImageError::None},
      {kSamples + "sprite24-33x24.pcx", TContentKind::Sprite, true, TImageError::None},
      {kKinds + "zsoft1-37x19.pcx", TContentKind::ZSoft, true, TImageError::None},
      {kKinds + "zsoft4planar-29x17.pcx", TContentKind::ZSoft, true, TImageError::None},
      {kKinds + "zsoft4packed-29x17.pcx", TContentKind::ZSoft, true, TImageError::None},
      {kKinds + "zsoft8-47x33.pcx", TContentKind::ZSoft, true, TImageError::None},
      {kKinds + "zsoft8grey-37x29.pcx", TContentKind::ZSoft, true, TImageError::None},
      {kKinds + "zsoft24-45x30.pcx", TContentKind::ZSoft, true, TImageError::None},
      {kKinds + "p32-41x31.pcx", TContentKind::P32, true, TImageError::None},
      {kKinds + "d32-animation.pcx", TContentKind::D32, false, TImageError::NotASprite},
      {kKinds + "renamed-bmp.pcx", TContentKind::Bmp, false, TImageError::NotASprite},
      {kKinds + "renamed-png.pcx", TContentKind::Png, false, TImageError::NotASprite},
      {kKinds + "dds-image.pcx", TContentKind::Dds, false, TImageError::NotASprite},
      {kKinds + "zlib-entry.pcx", TContentKind::Zlib, false, TImageError::NotASprite},
      {kKinds + "def-animation.pcx", TContentKind::Def, false, TImageError::NotASprite},
      {kKinds + "plain-text.pcx", TContentKind::Unknown, false, TImageError::InvalidSprite},
  };
  for (const Row& r : rows) {
    TDibBitmap fromFile, fromMemory;
    const TPcxRead file = LoadPcxFile(fromFile, r.Path);
    const Bytes bytes = test::ReadFileBytes(r.Path);
    TMemorySource source(bytes);
    const TPcxRead memory = LoadPcxFile(fromMemory, source);
    EXPECT_EQ(file.Kind, r.Kind) << r.Path << " is " << ContentKindName(file.Kind);
    EXPECT_EQ(file.Read, r.Read) << r.Path;
    EXPECT_EQ(file.Why.Error, r.Why) << r.Path;
    EXPECT_EQ(memory.Kind, file.Kind) << r.Path;
    EXPECT_EQ(memory.Read, file.Read) << r.Path;
    EXPECT_EQ(fromMemory.Width(), fromFile.Width()) << r.Path;
    EXPECT_EQ(fromMemory.GetPixelFormat(), fromFile.GetPixelFormat()) << r.Path;
    EXPECT_EQ(fromFile.IsEmpty(), !r.Read) << r.Path;
  }
}

// Sprites whose data size field starts with 0x0A, 0x05, 0x01 and a valid
// bit count can carry a whole ZSoft header in their first 128 bytes; the
// size test, run first, keeps them sprites.
TEST(RecogniseContent, ASpriteThatLooksLikeZSoftStaysASprite) {
  const std::uint32_t width = 34, height = 495413;  // 34 x 495413 = 0x0101050A
  Bytes sprite;
  test::Put32(sprite, width * height);
  test::Put32(sprite, width);
  test::Put32(sprite, height);
  sprite.resize(12 + width * height + 768, 0);
  sprite[65] = 1;  // one plane, and 2 bytes per line, in the first row
  sprite[66] = 2;
  TMemorySource source(sprite);
  ASSERT_TRUE(LooksLikeZSoftPcx(source)) << "the test needs a sprite that passes the ZSoft header test";
  EXPECT_EQ(RecogniseContent(source), TContentKind::Sprite);
  TDibBitmap image;
  const TPcxRead read = LoadPcxFile(image, source);
  EXPECT_TRUE(read.Read);
  EXPECT_EQ(image.GetPixelFormat(), px8);
  EXPECT_EQ(image.Height(), 495413);

  // A width of 35 breaks the size test: the ZSoft header is what is left.
  sprite[4] = 35;
  TMemorySource notSprite(sprite);
  EXPECT_EQ(RecogniseContent(notSprite), TContentKind::ZSoft);
}

TEST(RecogniseContent, SignaturesNeedAllTheirBytes) {
  struct Row {
    const char* Name;
    Bytes Head;
    TContentKind Kind;
  } rows[] = {
      {"zlib, fastest", {0x78, 0x01, 1, 2}, TContentKind::Zlib},
      {"zlib, fast", {0x78, 0x5E, 1, 2}, TContentKind::Zlib},
      {"zlib, default", {0x78, 0x9C, 1, 2}, TContentKind::Zlib},
      {"zlib, best", {0x78, 0xDA, 1, 2}, TContentKind::Zlib},
      {"zlib with another level", {0x78, 0x00, 1, 2}, TContentKind::Unknown},
      {"PNG cut to seven bytes", {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A}, TContentKind::Unknown},
      {"PNG", {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A}, TContentKind::Png},
      {"DDS without its space", {'D', 'D', 'S', '_'}, TContentKind::Unknown},
      {"P32 magic alone", {'P', '3', '2', 'F'}, TContentKind::P32},
      {"D32 magic alone", {'D', '3', '2', 'F'}, TContentKind::D32},
      {"B alone", {'B'}, TContentKind::Unknown},
      {"nothing", {}, TContentKind::Unknown},
  };
  for (const Row& r : rows) EXPECT_EQ(KindOf(r.Head), r.Kind) << r.Name;
}

TEST(RecogniseContent, ADefHeaderNeedsAKnownTypeAPlausibleSizeAndItsPalette) {
  auto def = [](std::uint32_t type, std::uint32_t width, std::uint32_t groups, std::size_t size) {
    Bytes b;
    test::Put32(b, type);
    test::Put32(b, width);
    test::Put32(b, 32);
    test::Put32(b, groups);
    b.resize(size, 9);
    return b;
  };
  EXPECT_EQ(KindOf(def(0x42, 32, 3, 800)), TContentKind::Def);
  EXPECT_EQ(KindOf(def(0x49, 32, 1, 784)), TContentKind::Def);
  EXPECT_EQ(KindOf(def(0x4A, 32, 3, 800)), TContentKind::Unknown) << "type past the last";
  EXPECT_EQ(KindOf(def(0x42, 0, 3, 800)), TContentKind::Unknown) << "width 0";
  EXPECT_EQ(KindOf(def(0x42, 32, 0, 800)), TContentKind::Unknown) << "no groups";
  EXPECT_EQ(KindOf(def(0x42, 32, 3, 783)), TContentKind::Unknown) << "no room for the palette";
}

}  // namespace
}  // namespace kelvane
