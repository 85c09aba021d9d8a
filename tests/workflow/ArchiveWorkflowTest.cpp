// Archives as the front ends see them: filter masks, entries loaded exactly
// as files, ARCHIVE/ENTRY paths, and the extraction both front ends run.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <set>
#include <thread>

#include "formats/LodArchive.h"
#include "tests/image/TestBmp.h"
#include "workflow/ArchiveEntries.h"
#include "workflow/ArchiveExtraction.h"

namespace kelvane {
namespace {

namespace fs = std::filesystem;
using test::Bytes;
using test::TempDir;

const std::string kArchives = std::string(KELVANE_SOURCE_DIR) + "/tests/corpus/archives/";
const std::string kSamples = std::string(KELVANE_SOURCE_DIR) + "/samples/";

TLodArchive OpenFixture(const std::string& name) {
  TLodArchive archive;
  EXPECT_TRUE(archive.Open(kArchives + name)) << name;
  return archive;
}

std::set<std::string> FilesIn(const std::string& dir) {
  std::set<std::string> names;
  for (const auto& e : fs::directory_iterator(dir)) names.insert(e.path().filename().string());
  return names;
}

TEST(EntryMask, MatchesAsTheFileListDoes) {
  struct Row {
    const char* Name;
    const char* Mask;
    bool Matches;
  };
  const Row rows[] = {
      {"AdvMap.pcx", "*.pcx", true},  {"ADVMAP.PCX", "*.pcx", true},  {"advmap.pcx", "*.BMP", false},
      {"a.pcx", "*.pcx;*.bmp", true}, {"a.bmp", "*.pcx;*.bmp", true}, {"a.def", "*.pcx;*.bmp", false},
      {"README", "*.*", true},        {"map", "map.*", true},         {"a.pcx", "?.pcx", true},
      {"ab.pcx", "?.pcx", false},     {"a.pcx", "", false},           {"a.pcx", "a*x", true},
      {"a.pcx", ";", false},          {"hero.pcx", "*ro*", true},     {"\xC0.pcx", "\xC0*", true},
  };
  for (const Row& r : rows) EXPECT_EQ(MatchesEntryMask(r.Name, r.Mask), r.Matches) << r.Name << " " << r.Mask;
}

TEST(ArchiveListing, ShowsReadableEntriesThatMatchInLowerCase) {
  const TLodArchive sound = OpenFixture("sound.lod");
  std::vector<std::string> shown, names;
  for (const TArchiveListing& l : ListArchiveEntries(sound, "*.pcx")) {
    shown.push_back(l.DisplayName);
    names.push_back(l.Name);
  }
  EXPECT_EQ(shown, (std::vector<std::string>{"empty.pcx", "hero.pcx", "ring.pcx", "sky24.pcx"}));
  EXPECT_EQ(names, (std::vector<std::string>{"Empty.pcx", "Hero.pcx", "Ring.pcx", "Sky24.pcx"}));
  EXPECT_EQ(ListArchiveEntries(sound, "*.*").size(), 7u);

  const TLodArchive hostile = OpenFixture("hostile-names.lod");
  shown.clear();
  for (const TArchiveListing& l : ListArchiveEntries(hostile, "*")) shown.push_back(l.DisplayName);
  EXPECT_EQ(shown, (std::vector<std::string>{"good.pcx", "last.pcx"}));
}

// The entry loaded from the archive, and the same bytes as a file of the
// same name, must give the window the same result.
void ExpectSameAsFile(const TLodArchive& archive, const std::string& name, const std::string& asFile) {
  TDibBitmap fromArchive, fromFile;
  const TLoadResult a = LoadArchiveEntry(fromArchive, archive, name);
  const TLoadResult f = LoadImageFile(fromFile, asFile, FileKind(name));
  EXPECT_EQ(a.Status, f.Status) << name;
  EXPECT_EQ(a.Panel, f.Panel) << name;
  EXPECT_EQ(a.SizeText, f.SizeText) << name;
  EXPECT_EQ(a.FormatText, f.FormatText) << name;
  EXPECT_EQ(a.Message, f.Message) << name;
  EXPECT_EQ(a.Why.Error, f.Why.Error) << name;
  EXPECT_EQ(fromArchive.Width(), fromFile.Width()) << name;
  EXPECT_EQ(fromArchive.GetPixelFormat(), fromFile.GetPixelFormat()) << name;
}

TEST(ArchiveLoading, AnEntryLoadsExactlyAsAFileOfItsName) {
  TempDir dir;
  for (const char* fixture : {"sound.lod", "bad-compressed-data.lod"}) {
    const TLodArchive archive = OpenFixture(fixture);
    for (const TLodEntry& e : archive.Entries()) {
      Bytes bytes;
      if (!archive.Read(e, bytes)) continue;
      test::WriteFileBytes(dir / e.Name, bytes);
      ExpectSameAsFile(archive, e.Name, dir / e.Name);
    }
  }
  // Entries that cannot be read out end as files that cannot be opened.
  const TLodArchive bad = OpenFixture("bad-compressed-data.lod");
  TDibBitmap image;
  TLoadResult r = LoadArchiveEntry(image, bad, "broken.pcx");
  EXPECT_EQ(r.Status, TLoadStatus::Refused);
  EXPECT_EQ(r.Message, kInvalidFormatText);
  EXPECT_EQ(r.Why.Error, TImageError::DamagedData);
  const TLodArchive sound = OpenFixture("sound.lod");
  r = LoadArchiveEntry(image, sound, "missing.bmp");
  EXPECT_EQ(r.Status, TLoadStatus::Unreadable);
  EXPECT_EQ(r.SizeText, "0x0");
  EXPECT_EQ(r.Why.Error, TImageError::NoSuchEntry);
  EXPECT_EQ(LoadArchiveEntry(image, sound, "Readme.txt").Status, TLoadStatus::NotAnImage);
  // A refused sprite leaves the image shown before.
  ASSERT_EQ(LoadArchiveEntry(image, sound, "hero.pcx").Status, TLoadStatus::Loaded);
  EXPECT_EQ(LoadArchiveEntry(image, sound, "nothing.pcx").Status, TLoadStatus::Refused);
  EXPECT_EQ(image.Width(), 33);
}

TEST(ArchivePaths, ALeadingArchiveFileNamesAnEntry) {
  TempDir dir;
  fs::copy_file(kArchives + "sound.lod", dir / "Data.LOD");
  fs::copy_file(kArchives + "sound.lod", dir / "mod.pac");
  fs::create_directories(dir / "folder.lod");
  test::WriteFileBytes(dir / "folder.lod/a.pcx", {1});
  test::WriteFileBytes(dir / "plain.txt", {1});
  struct Row {
    std::string Path;
    bool Inside;
    std::string Archive, Entry;
  };
  const Row rows[] = {
      {dir / "Data.LOD/Hero.pcx", true, dir / "Data.LOD", "Hero.pcx"},
      {dir / "mod.pac/x", true, dir / "mod.pac", "x"},
      {dir / "Data.LOD/", true, dir / "Data.LOD", ""},
      {dir / "Data.LOD", false, "", ""},
      {dir / "folder.lod/a.pcx", false, "", ""},
      {dir / "plain.txt/a.pcx", false, "", ""},
      {dir / "missing.lod/a.pcx", false, "", ""},
  };
  for (const Row& r : rows) {
    const auto split = SplitArchivePath(r.Path);
    ASSERT_EQ(split.has_value(), r.Inside) << r.Path;
    if (split) {
      EXPECT_EQ(split->Archive, r.Archive);
      EXPECT_EQ(split->Entry, r.Entry);
    }
  }
  TDibBitmap image;
  const TLoadResult r = LoadImagePath(image, dir / "Data.LOD/HERO.PCX");
  EXPECT_EQ(r.Status, TLoadStatus::Loaded);
  EXPECT_EQ(r.SizeText, "33x21");
  EXPECT_EQ(LoadImagePath(image, kSamples + "sprite8-5x4.pcx").SizeText, "5x4");
}

TEST(ArchiveExtraction, WritesEveryEntryAsStoredOrConverted) {
  const TLodArchive sound = OpenFixture("sound.lod");
  TempDir dir;
  TExtractRequest raw;
  raw.OutputDir = dir / "raw";
  const TExtractSummary plain = ExtractArchive(sound, raw);
  EXPECT_TRUE(plain.Ok());
  EXPECT_EQ(plain.Written, 7u);
  for (const TLodEntry& e : sound.Entries()) {
    Bytes bytes;
    ASSERT_TRUE(sound.Read(e, bytes));
    EXPECT_EQ(test::ReadFileBytes(raw.OutputDir + "/" + e.Name), bytes) << e.Name;
  }

  TExtractRequest convert;
  convert.OutputDir = dir / "bmp";
  convert.Convert = true;
  convert.Masks = {"*.pcx", "*.txt", "*.zip"};
  const TExtractSummary converted = ExtractArchive(sound, convert);
  EXPECT_EQ(converted.Matched, 5u);
  EXPECT_EQ(converted.Converted, 3u);
  EXPECT_EQ(converted.Written, 4u);
  EXPECT_EQ(converted.UnmatchedMasks, std::vector<std::string>{"*.zip"});
  ASSERT_EQ(converted.Failures.size(), 1u);
  EXPECT_EQ(converted.Failures[0].Entry, "Empty.pcx") << "an empty sprite has nothing to write";
  EXPECT_EQ(FilesIn(convert.OutputDir), (std::set<std::string>{"Hero.bmp", "Readme.txt", "Ring.bmp", "Sky24.bmp"}));
  // The converted file is what saving the loaded sprite writes.
  TDibBitmap hero;
  ASSERT_EQ(LoadArchiveEntry(hero, sound, "Hero.pcx").Status, TLoadStatus::Loaded);
  ASSERT_TRUE(SaveImage(hero, dir / "hero-saved.bmp", TSaveTarget::Bmp));
  EXPECT_EQ(test::ReadFileBytes(convert.OutputDir + "/Hero.bmp"), test::ReadFileBytes(dir / "hero-saved.bmp"));
}

// "Извлечь все..." takes what the filter shows: sprites become BMP files as
// the preview saves them, BMP entries (and anything else a mask may show)
// come out as stored, and entries that cannot be read are reported.
TEST(ArchiveExtraction, ExtractAllTakesWhatTheFilterShowsSpritesAsBmp) {
  const TLodArchive sound = OpenFixture("sound.lod");
  TempDir dir;
  const TExtractSummary sprites = ExtractArchive(sound, ExtractAllRequest("*.pcx", dir / "sprites"));
  EXPECT_EQ(sprites.Matched, 4u);
  EXPECT_EQ(sprites.Converted, 3u);
  ASSERT_EQ(sprites.Failures.size(), 1u);
  EXPECT_EQ(sprites.Failures[0].Entry, "Empty.pcx");
  EXPECT_EQ(FilesIn(dir / "sprites"), (std::set<std::string>{"Hero.bmp", "Ring.bmp", "Sky24.bmp"}));
  for (const char* name : {"Hero", "Sky24"}) {
    TDibBitmap shown;
    ASSERT_EQ(LoadArchiveEntry(shown, sound, std::string(name) + ".pcx").Status, TLoadStatus::Loaded);
    ASSERT_TRUE(SaveImage(shown, dir / "saved.bmp", TSaveTarget::Bmp));
    EXPECT_EQ(test::ReadFileBytes(dir / ("sprites/" + std::string(name) + ".bmp")),
              test::ReadFileBytes(dir / "saved.bmp"))
        << name;
  }

  const TExtractSummary bmps = ExtractArchive(sound, ExtractAllRequest("*.bmp", dir / "bmps"));
  EXPECT_TRUE(bmps.Ok());
  EXPECT_EQ(bmps.Converted, 0u);
  Bytes flag;
  ASSERT_TRUE(sound.Read(*sound.Find("Flag.bmp"), flag));
  EXPECT_EQ(test::ReadFileBytes(dir / "bmps/Flag.bmp"), flag);

  // A mask with several patterns, as a filter line may hold.
  const TExtractSummary mixed = ExtractArchive(sound, ExtractAllRequest("*.txt;ring.*", dir / "mixed"));
  EXPECT_TRUE(mixed.Ok());
  EXPECT_EQ(FilesIn(dir / "mixed"), (std::set<std::string>{"Readme.txt", "Ring.bmp"}));

  const TLodArchive bad = OpenFixture("bad-compressed-data.lod");
  const TExtractSummary damaged = ExtractArchive(bad, ExtractAllRequest("*.pcx", dir / "bad"));
  EXPECT_EQ(damaged.Written, 1u);
  EXPECT_EQ(damaged.Failures.size(), 5u);
  EXPECT_EQ(FilesIn(dir / "bad"), (std::set<std::string>{"a.bmp"}));
}

// What an extraction would replace is known before it runs: the files and
// links at the names it is to write, not folders, not other names.
TEST(ArchiveExtraction, FilesInTheWayAreTheOnesItWouldReplace) {
  const TLodArchive sound = OpenFixture("sound.lod");
  TempDir dir;
  const std::string out = dir / "out";
  const TExtractRequest request = ExtractAllRequest("*.pcx", out);
  EXPECT_TRUE(FilesInTheWay(sound, request).empty()) << "no folder yet";
  fs::create_directories(out + "/Ring.bmp");          // a folder: refused, not replaced
  test::WriteFileBytes(out + "/Hero.bmp", {1});        // replaced
  test::WriteFileBytes(out + "/Hero.pcx", {1});        // not an output name
  test::WriteFileBytes(out + "/Empty.bmp", {1});       // counted: its conversion fails only later
  fs::create_symlink(dir / "nowhere", out + "/Sky24.bmp");  // a link is replaced, whatever it points to
  EXPECT_EQ(FilesInTheWay(sound, request), (std::vector<std::string>{"Empty.bmp", "Hero.bmp", "Sky24.bmp"}));
  const TExtractSummary summary = ExtractArchive(sound, request);
  EXPECT_EQ(summary.Written, 2u);
  EXPECT_EQ(test::ReadFileBytes(out + "/Empty.bmp"), Bytes{1});
  EXPECT_NE(test::ReadFileBytes(out + "/Hero.bmp"), Bytes{1});
  EXPECT_FALSE(fs::is_symlink(out + "/Sky24.bmp"));
}

TEST(ArchiveExtraction, EachHostileEntryFailsAloneAndNothingLeavesTheFolder) {
  TempDir dir;
  const std::string out = dir / "out";
  fs::create_directories(out);
  // A link where an entry will be written points outside: it is replaced,
  // never written through.
  test::WriteFileBytes(dir / "precious", {42});
  fs::create_symlink(dir / "precious", out + "/good.pcx");
  for (const char* fixture : {"hostile-names.lod", "bad-compressed-data.lod", "overlapping-data.lod",
                              "offset-outside-file.lod", "count-beyond-file.lod", "huge-claim.lod"}) {
    const TLodArchive archive = OpenFixture(fixture);
    TExtractRequest request;
    request.OutputDir = out;
    const TExtractSummary summary = ExtractArchive(archive, request);
    std::size_t unreadable = 0;
    for (const TLodEntry& e : archive.Entries()) unreadable += e.Readable() ? 0 : 1;
    EXPECT_GE(summary.Failures.size(), unreadable) << fixture;
    EXPECT_EQ(summary.Written + summary.Failures.size(), summary.Matched) << fixture;
    EXPECT_GT(summary.Written, 0u) << fixture << ": the sound entries are still extracted";
    EXPECT_FALSE(summary.Ok()) << fixture;
    for (const auto& f : summary.Failures) EXPECT_FALSE(f.Why.empty()) << fixture << " " << f.Entry;
  }
  EXPECT_EQ(FilesIn(dir.Path()), (std::set<std::string>{"out", "precious"}));
  EXPECT_EQ(test::ReadFileBytes(dir / "precious"), Bytes{42});
  EXPECT_FALSE(fs::is_symlink(out + "/good.pcx"));
  EXPECT_EQ(FilesIn(out), (std::set<std::string>{"a.pcx", "b.pcx", "c.pcx", "good.pcx", "last.pcx", "z.pcx"}));
}

TEST(ArchiveExtraction, TwoEntriesNeverWriteOneFile) {
  TempDir dir;
  TLodBuilder builder;
  Bytes sprite = test::ReadFileBytes(kSamples + "sprite8-5x4.pcx");
  Bytes bmp = test::ReadFileBytes(kSamples + "bmp8-47x33.bmp");
  ASSERT_TRUE(builder.Put("a.bmp", bmp));
  ASSERT_TRUE(builder.Put("A.pcx", sprite));
  ASSERT_TRUE(builder.Save(dir / "c.lod"));
  TLodArchive archive;
  ASSERT_TRUE(archive.Open(dir / "c.lod"));
  TExtractRequest request;
  request.OutputDir = dir / "out";
  request.Convert = true;
  const TExtractSummary summary = ExtractArchive(archive, request);
  EXPECT_EQ(summary.Written, 1u);
  ASSERT_EQ(summary.Failures.size(), 1u);
  EXPECT_EQ(summary.Failures[0].Entry, "A.pcx");
  EXPECT_NE(summary.Failures[0].Why.find("Output name already taken"), std::string::npos) << summary.Failures[0].Why;
  EXPECT_EQ(test::ReadFileBytes(dir / "out/a.bmp"), bmp) << "the earlier entry keeps the name";
}

TEST(ArchiveExtraction, ReportsOnTheCallingThreadAndStopsWhenCancelled) {
  TempDir dir;
  TLodBuilder builder;
  const Bytes sprite = test::ReadFileBytes(kSamples + "sprite8-33x21.pcx");
  for (int i = 0; i < 400; ++i) ASSERT_TRUE(builder.Put("s" + std::to_string(i) + ".pcx", sprite));
  ASSERT_TRUE(builder.Save(dir / "many.lod"));
  TLodArchive archive;
  ASSERT_TRUE(archive.Open(dir / "many.lod"));

  TExtractRequest request;
  request.OutputDir = dir / "all";
  request.Convert = true;
  request.Threads = 4;
  const auto caller = std::this_thread::get_id();
  std::vector<std::size_t> seen;
  bool onCaller = true;
  const TExtractSummary all = ExtractArchive(archive, request, [&](const TExtractProgress& p) {
    onCaller = onCaller && std::this_thread::get_id() == caller;
    EXPECT_EQ(p.Total, 400u);
    seen.push_back(p.Done);
    return true;
  });
  EXPECT_TRUE(all.Ok());
  EXPECT_EQ(all.Converted, 400u);
  EXPECT_TRUE(onCaller);
  ASSERT_GE(seen.size(), 2u);
  EXPECT_EQ(seen.front(), 0u);
  EXPECT_EQ(seen.back(), 400u);
  EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end()));

  request.OutputDir = dir / "cancelled-at-once";
  const TExtractSummary none = ExtractArchive(archive, request, [](const TExtractProgress&) { return false; });
  EXPECT_TRUE(none.Cancelled);
  EXPECT_FALSE(none.Ok());
  EXPECT_EQ(none.Written, 0u);
  EXPECT_TRUE(none.Failures.empty());

  request.OutputDir = dir / "cancelled";
  const TExtractSummary cancelled =
      ExtractArchive(archive, request, [](const TExtractProgress& p) { return p.Done == 0; });
  EXPECT_TRUE(cancelled.Cancelled || cancelled.Written == 400u) << "cancelled unless all were done by the first look";
  // Whatever was written is whole: every file equals its counterpart of the
  // full run, and no temporary file is left.
  const auto written = FilesIn(request.OutputDir);
  EXPECT_EQ(written.size(), cancelled.Written);
  for (const std::string& name : written)
    EXPECT_EQ(test::ReadFileBytes(request.OutputDir + "/" + name), test::ReadFileBytes(dir / ("all/" + name))) << name;
}

}  // namespace
}  // namespace kelvane
