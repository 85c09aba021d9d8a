#include "formats/LodArchive.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <algorithm>
#include <atomic>
#include <cstring>
#include <random>
#include <thread>
#include <sstream>

#include "image/Limits.h"
#include "image/LittleEndian.h"
#include "tests/image/TestBmp.h"

namespace kelvane {
namespace {

using test::Bytes;
using test::TempDir;

const std::filesystem::path kArchives = std::filesystem::path(KELVANE_SOURCE_DIR) / "tests/corpus/archives";

Bytes Pattern(std::size_t n, unsigned seed) {
  Bytes b(n);
  for (std::size_t i = 0; i < n; ++i) b[i] = static_cast<std::uint8_t>((i / 7) * 13 + seed);
  return b;
}

Bytes Noise(std::size_t n, unsigned seed) {
  std::mt19937 random(seed);
  Bytes b(n);
  for (auto& byte : b) byte = static_cast<std::uint8_t>(random());
  return b;
}

Bytes Zlib(const Bytes& data) {
  uLongf size = compressBound(static_cast<uLong>(data.size()));
  Bytes out(size);
  EXPECT_EQ(compress2(out.data(), &size, data.data(), static_cast<uLong>(data.size()), 9), Z_OK);
  out.resize(size);
  return out;
}

// What reading every entry of an archive gives, in the notation of
// tests/corpus/archives/outcomes.txt.
std::vector<std::string> OutcomesOf(const std::string& path) {
  std::vector<std::string> lines;
  TLodArchive archive;
  if (const TOutcome opened = archive.Open(path); !opened) return {std::string("(open) ") + ImageErrorName(opened.Error)};
  for (const TLodNotice& n : archive.Notices()) lines.push_back(std::string("(notice) ") + ImageErrorName(n.Why.Error));
  for (const TLodEntry& e : archive.Entries()) {
    Bytes bytes;
    const TOutcome read = archive.Read(e, bytes);
    EXPECT_TRUE(read.Ok() || bytes.empty()) << "a failed read hands out nothing";
    if (read.Ok()) {
      EXPECT_EQ(bytes.size(), e.OriginalSize) << e.Name;
    }
    lines.push_back("\"" + PrintableName(e.Name) + "\" " + (read.Ok() ? "ok" : ImageErrorName(read.Error)));
  }
  return lines;
}

TEST(ArchiveFixtures, EveryEntryReadsAsRecorded) {
  std::map<std::string, std::vector<std::string>> expected;
  std::ifstream table(kArchives / "outcomes.txt");
  ASSERT_TRUE(table) << "outcomes.txt";
  for (std::string line; std::getline(table, line);) {
    if (line.empty() || line[0] == '#') continue;
    std::istringstream in(line);
    std::string file, entry, outcome;
    in >> file;
    in >> std::ws;
    if (in.peek() == '"') {
      in.get();
      std::getline(in, entry, '"');
      entry = "\"" + entry + "\"";
    } else {
      in >> entry;
    }
    in >> outcome;
    expected[file].push_back(entry + " " + outcome);
  }
  std::size_t files = 0;
  for (const auto& item : std::filesystem::directory_iterator(kArchives)) {
    const std::string name = item.path().filename().string();
    if (item.path().extension() != ".lod") continue;
    ++files;
    EXPECT_TRUE(expected.count(name)) << name << " has no recorded outcome";
    EXPECT_EQ(OutcomesOf(item.path().string()), expected[name]) << name;
  }
  EXPECT_EQ(files, expected.size()) << "a recorded archive is missing";
}

TEST(ArchiveFixtures, SoundArchiveHoldsWhatTheGeneratorWrote) {
  TLodArchive archive;
  ASSERT_TRUE(archive.Open((kArchives / "sound.lod").string()));
  EXPECT_TRUE(archive.IsSound());
  EXPECT_EQ(archive.Version(), kLodVersionExpansion);
  const TLodEntry* text = archive.Find("README.TXT");
  ASSERT_NE(text, nullptr);
  EXPECT_FALSE(text->Compressed());
  Bytes bytes;
  ASSERT_TRUE(archive.Read(*text, bytes));
  EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "Made by make_lod.py; no game data.\n");
  const TLodEntry* hero = archive.Find("hero.PCX");
  ASSERT_NE(hero, nullptr);
  EXPECT_TRUE(hero->Compressed());
  ASSERT_TRUE(archive.Read(*hero, bytes));
  ASSERT_EQ(bytes.size(), 12u + 33 * 21 + 768);
  EXPECT_EQ(LoadU32(bytes.data() + 4), 33u);
  EXPECT_EQ(archive.Find("hero"), nullptr);
}

TEST(ArchiveNames, RefusesEveryNameThatIsNoPlainFileName) {
  struct Case {
    std::string Name;
    bool Ok;
  };
  const Case cases[] = {
      {"AdvMap.pcx", true},     {"a", true},          {"fifteen-chars.x", true}, {"x..y.pcx", true},
      {".hidden", true},        {"\xC0\xE1.pcx", true}, {"", false},             {"sixteen-chars.xy", false},
      {".", false},             {"..", false},        {"../a", false},           {"/etc/passwd", false},
      {"a/b", false},           {"C:\\x", false},     {"tab\t.pcx", false},      {std::string("nul\0x", 5), false},
      {"del\x7F", false},       {"line\n", false},
  };
  for (const Case& c : cases) {
    std::string detail;
    const TOutcome got = CheckLodName(c.Name, &detail);
    EXPECT_EQ(got.Ok(), c.Ok) << PrintableName(c.Name);
    if (!c.Ok) {
      EXPECT_EQ(got.Error, TImageError::UnsafeName);
      EXPECT_FALSE(detail.empty());
    }
  }
}

TEST(ArchiveNames, CompareWithoutCaseAndPrintWithoutControlCharacters) {
  EXPECT_EQ(CompareLodNames("ADVMAP.PCX", "advmap.pcx"), 0);
  EXPECT_TRUE(SameLodName("Hero.Pcx", "hERO.pCX"));
  EXPECT_FALSE(SameLodName("hero.pcx", "hero.pc"));
  // Lower-cased, as strcasecmp does: "_" (0x5F) sorts before letters.
  EXPECT_LT(CompareLodNames("_x", "A"), 0);
  EXPECT_LT(CompareLodNames("a", "B"), 0);
  EXPECT_LT(CompareLodNames("ab", "ABC"), 0);
  EXPECT_EQ(PrintableName("a\x1b[2J\x7f.pcx"), "a\\x1B[2J\\x7F.pcx");
  EXPECT_EQ(PrintableName("\xC0\xE1"), "\xC0\xE1");
}

TEST(ArchiveInflate, StopsAtTheDeclaredSizeAndRefusesEveryLie) {
  const Bytes data = Pattern(5000, 3);
  const Bytes z = Zlib(data);
  const Bytes empty = Zlib({});
  Bytes cut(z.begin(), z.begin() + static_cast<std::ptrdiff_t>(z.size() / 2));
  Bytes noChecksum(z.begin(), z.end() - 4);
  Bytes flipped = z;
  flipped[z.size() / 2] ^= 0x40;
  struct Case {
    const char* What;
    const Bytes& Stream;
    std::uint64_t Declared;
    TImageError Want;
  };
  const Case cases[] = {
      {"exact", z, 5000, TImageError::None},
      {"empty stream, empty entry", empty, 0, TImageError::None},
      {"declared one byte short", z, 4999, TImageError::DataBeyondSize},
      {"declared empty", z, 0, TImageError::DataBeyondSize},
      {"declared one byte more", z, 5001, TImageError::DamagedData},
      {"cut in half", cut, 5000, TImageError::DamagedData},
      {"checksum missing", noChecksum, 5000, TImageError::DamagedData},
      {"a flipped bit", flipped, 5000, TImageError::DamagedData},
      {"not zlib at all", data, 5000, TImageError::DamagedData},
      {"nothing", empty, 10, TImageError::DamagedData},
      {"over the cap", z, kMaxLodEntryBytes + 1, TImageError::OverLimit},
  };
  for (const Case& c : cases) {
    Bytes out{1, 2, 3};
    const TOutcome got = InflateEntry(c.Stream, c.Declared, out);
    EXPECT_EQ(got.Error, c.Want) << c.What;
    if (got.Ok()) {
      EXPECT_EQ(out, c.Declared == 0 ? Bytes{} : data) << c.What;
    } else {
      EXPECT_TRUE(out.empty()) << c.What;
    }
  }
}

// An archive built in memory and read back.
struct TSaved {
  TempDir Dir;
  std::string Path = Dir / "a.lod";
  Bytes File;
  TLodArchive Archive;
  void Load() {
    File = test::ReadFileBytes(Path);
    ASSERT_TRUE(Archive.Open(Path));
  }
};

TEST(ArchiveBuilder, SavesASortedGameStyleArchiveThatReadsBack) {
  TSaved saved;
  const std::map<std::string, Bytes> contents = {
      {"b.pcx", Pattern(3000, 1)}, {"A.txt", Pattern(10, 2)}, {"_under", Noise(70000, 3)},
      {"a2.PCX", Bytes{}},         {"Zed.def", Noise(1, 4)},
  };
  TLodBuilder builder;
  for (const auto& [name, bytes] : contents) ASSERT_TRUE(builder.Put(name, bytes)) << name;
  ASSERT_TRUE(builder.Save(saved.Path));
  saved.Load();
  const TLodArchive& archive = saved.Archive;
  EXPECT_TRUE(archive.IsSound());
  EXPECT_EQ(archive.Version(), kLodVersionExpansion);
  std::vector<std::string> names;
  for (const TLodEntry& e : archive.Entries()) names.push_back(e.Name);
  EXPECT_EQ(names, (std::vector<std::string>{"_under", "A.txt", "a2.PCX", "b.pcx", "Zed.def"}));
  for (const TLodEntry& e : archive.Entries()) {
    Bytes bytes;
    ASSERT_TRUE(archive.Read(e, bytes)) << e.Name;
    EXPECT_EQ(bytes, contents.at(e.Name)) << e.Name;
    EXPECT_TRUE(e.Compressed()) << "every added entry is compressed: " << e.Name;
    EXPECT_EQ(e.Type, 0u);
    EXPECT_GE(e.Offset, 92u + 32u * 10000) << "the game's table is reserved";
  }
  // The table past the used entries, and every name field past its NUL,
  // holds zeros.
  const Bytes& file = saved.File;
  ASSERT_GE(file.size(), 320092u);
  EXPECT_TRUE(std::all_of(file.begin() + 92 + 32 * 5, file.begin() + 320092, [](std::uint8_t b) { return b == 0; }));
  for (std::size_t slot = 0; slot < 5; ++slot) {
    const auto* field = file.data() + 92 + 32 * slot;
    const std::size_t length = std::strlen(reinterpret_cast<const char*>(field));
    EXPECT_TRUE(std::all_of(field + length, field + 16, [](std::uint8_t b) { return b == 0; }));
  }
}

TEST(ArchiveBuilder, ReplacesWithoutRegardToCaseAndRemoves) {
  TSaved first;
  {
    TLodBuilder builder(kLodVersionBase);
    ASSERT_TRUE(builder.Put("Hero.pcx", Pattern(100, 1)));
    ASSERT_TRUE(builder.Put("Other.pcx", Pattern(100, 2)));
    ASSERT_TRUE(builder.Save(first.Path));
  }
  // Give the first entry a type, as the game's tools may, to see it kept.
  Bytes file = test::ReadFileBytes(first.Path);
  StoreU32(file.data() + 92 + 24, 7);
  test::WriteFileBytes(first.Path, file);
  first.Load();

  TLodBuilder builder;
  ASSERT_TRUE(builder.StartFrom(first.Archive));
  ASSERT_TRUE(builder.Put("HERO.PCX", Pattern(50, 9)));
  EXPECT_TRUE(builder.Remove("other.PCX"));
  EXPECT_FALSE(builder.Remove("missing.pcx"));
  ASSERT_TRUE(builder.Save(first.Path));

  TLodArchive again;
  ASSERT_TRUE(again.Open(first.Path));
  ASSERT_EQ(again.Entries().size(), 1u);
  const TLodEntry& hero = again.Entries()[0];
  EXPECT_EQ(hero.Name, "HERO.PCX");
  EXPECT_EQ(hero.Type, 7u);
  EXPECT_EQ(again.Version(), kLodVersionBase);
  Bytes bytes;
  ASSERT_TRUE(again.Read(hero, bytes));
  EXPECT_EQ(bytes, Pattern(50, 9));
}

TEST(ArchiveBuilder, CarriesUnchangedEntriesOverByteForByte) {
  TLodArchive odd;
  ASSERT_TRUE(odd.Open((kArchives / "odd-but-accepted.lod").string()));
  TLodBuilder builder;
  ASSERT_TRUE(builder.StartFrom(odd));
  ASSERT_TRUE(builder.Put("new.txt", Pattern(10, 1)));
  TempDir dir;
  ASSERT_TRUE(builder.Save(dir / "copy.lod"));
  TLodArchive copy;
  ASSERT_TRUE(copy.Open(dir / "copy.lod"));
  EXPECT_EQ(copy.Version(), 200u);
  for (const TLodEntry& e : odd.Entries()) {
    const TLodEntry* kept = copy.Find(e.Name);
    ASSERT_NE(kept, nullptr) << e.Name;
    EXPECT_EQ(kept->CompressedSize, e.CompressedSize);
    EXPECT_EQ(kept->OriginalSize, e.OriginalSize);
    Bytes before, after;
    ASSERT_TRUE(odd.ReadStored(e, before));
    ASSERT_TRUE(copy.ReadStored(*kept, after));
    EXPECT_EQ(before, after) << e.Name;
  }
}

TEST(ArchiveBuilder, RefusesBadNamesTooManyEntriesAndDamagedArchives) {
  TLodBuilder builder;
  for (const char* bad : {"", "../x", "a/b", "sixteen-chars.xy", "bell\a"})
    EXPECT_EQ(builder.Put(bad, Pattern(1, 1)).Error, TImageError::UnsafeName) << PrintableName(bad);
  EXPECT_EQ(builder.Count(), 0u);
  for (int i = 0; i < 10000; ++i) ASSERT_TRUE(builder.Put("e" + std::to_string(i), {}));
  EXPECT_EQ(builder.Put("one-more", {}).Error, TImageError::TooManyEntries);
  EXPECT_TRUE(builder.Put("E9999", Pattern(5, 5))) << "replacing needs no new slot";

  for (const char* damaged : {"hostile-names.lod", "count-beyond-file.lod", "overlapping-data.lod"}) {
    TLodArchive archive;
    ASSERT_TRUE(archive.Open((kArchives / damaged).string())) << damaged;
    TLodBuilder from;
    std::string detail;
    EXPECT_EQ(from.StartFrom(archive, &detail).Error, TImageError::DamagedArchive) << damaged;
    EXPECT_FALSE(detail.empty());
  }
}

TEST(ArchiveBuilder, AFailedSaveLeavesTheOldArchiveAlone) {
  TSaved saved;
  TLodBuilder builder;
  ASSERT_TRUE(builder.Put("a.pcx", Pattern(100, 1)));
  ASSERT_TRUE(builder.Save(saved.Path));
  const Bytes before = test::ReadFileBytes(saved.Path);
  ASSERT_TRUE(builder.Put("b.pcx", Pattern(100, 2)));
  // A directory standing where the archive should go, and a folder that
  // does not exist.
  std::filesystem::create_directory(saved.Dir / "dir.lod");
  EXPECT_FALSE(builder.Save(saved.Dir / "dir.lod").Ok());
  EXPECT_FALSE(builder.Save(saved.Dir / "missing/a.lod").Ok());
  EXPECT_EQ(test::ReadFileBytes(saved.Path), before);
  std::vector<std::string> left;
  for (const auto& e : std::filesystem::directory_iterator(saved.Dir.Path())) left.push_back(e.path().filename());
  std::sort(left.begin(), left.end());
  EXPECT_EQ(left, (std::vector<std::string>{"a.lod", "dir.lod"}));
}

// A sound two-entry archive, then its table patched.
Bytes TwoEntries() {
  TempDir dir;
  TLodBuilder builder;
  EXPECT_TRUE(builder.Put("a", Pattern(400, 1)));
  EXPECT_TRUE(builder.Put("b", Pattern(400, 2)));
  EXPECT_TRUE(builder.Save(dir / "x.lod"));
  return test::ReadFileBytes(dir / "x.lod");
}

TEST(ArchiveReader, JudgesEachEntrysDataRange) {
  const Bytes sound = TwoEntries();
  const std::uint32_t aOffset = LoadU32(sound.data() + 92 + 16);
  const std::uint32_t aSize = LoadU32(sound.data() + 92 + 28);
  struct Case {
    const char* What;
    std::uint32_t Offset, Original, Compressed;  // for entry b
    TImageError Want;
  };
  const Case cases[] = {
      {"right after a", aOffset + aSize, 400, 0xFFFFFFFF, TImageError::None},
      {"one byte into a", aOffset + aSize - 1, 400, 0xFFFFFFFF, TImageError::OverlappingEntry},
      {"the same range as a", aOffset, 400, aSize, TImageError::OverlappingEntry},
      {"inside the table", 100, 400, 10, TImageError::OverlappingEntry},
      {"empty, sharing a's offset", aOffset, 0, 0, TImageError::None},
      {"past the end", static_cast<std::uint32_t>(sound.size()), 400, 1, TImageError::EntryOutsideFile},
      {"offset near 4 GiB", 0xFFFFFFF0u, 400, 0x100, TImageError::EntryOutsideFile},
      {"a stored claim over the cap", aOffset + aSize, 0xFFFFFFFF, 0, TImageError::OverLimit},
  };
  for (const Case& c : cases) {
    Bytes bytes = sound;
    std::uint8_t* b = bytes.data() + 92 + 32;
    if (c.Offset != 0) StoreU32(b + 16, c.Offset);
    StoreU32(b + 20, c.Original);
    if (c.Compressed != 0xFFFFFFFF) StoreU32(b + 28, c.Compressed);
    if (c.Original == 0) StoreU32(b + 28, 0);
    TLodArchive archive;
    ASSERT_TRUE(archive.OpenBytes(bytes)) << c.What;
    ASSERT_EQ(archive.Entries().size(), 2u);
    EXPECT_TRUE(archive.Entries()[0].Readable()) << c.What << ": the first entry keeps its data";
    EXPECT_EQ(archive.Entries()[1].Problem.Error, c.Want) << c.What;
  }
}

TEST(ArchiveReader, ReadsEntriesFromSeveralThreadsAtOnce) {
  TSaved saved;
  TLodBuilder builder;
  std::vector<Bytes> contents;
  for (unsigned i = 0; i < 64; ++i) {
    contents.push_back(Pattern(1000 + i * 37, i));
    ASSERT_TRUE(builder.Put("e" + std::to_string(100 + i), contents.back()));
  }
  ASSERT_TRUE(builder.Save(saved.Path));
  saved.Load();
  std::atomic<int> wrong{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&] {
      Bytes bytes;
      for (int round = 0; round < 20; ++round)
        for (unsigned i = 0; i < 64; ++i)
          if (!saved.Archive.Read(saved.Archive.Entries()[i], bytes) || bytes != contents[i]) ++wrong;
    });
  }
  for (auto& t : threads) t.join();
  EXPECT_EQ(wrong, 0);
}

}  // namespace
}  // namespace kelvane
