#include "formats/PaletteFile.h"

#include <cstring>
#include <string_view>

#include "formats/PcxSprite.h"
#include "formats/PngCodec.h"
#include "image/ByteSource.h"
#include "image/DibBitmap.h"

namespace kelvane {

namespace {

bool StartsWith(std::span<const std::uint8_t> bytes, std::string_view prefix) {
  return bytes.size() >= prefix.size() && std::memcmp(bytes.data(), prefix.data(), prefix.size()) == 0;
}

// RIFF: "RIFF", u32 size, "PAL ", then chunks of a four-letter id, a u32
// size and the data (padded to an even length); the "data" chunk holds a
// LOGPALETTE: u16 version (0x0300), u16 count, count x (red, green, blue,
// flags).
TOutcome ParseRiff(std::span<const std::uint8_t> bytes, TPalette& out) {
  TByteReader reader(bytes);
  reader.Skip(4);
  const std::uint32_t riffSize = reader.U32();
  char form[4];
  reader.Read(form, 4);
  if (!reader.Ok() || std::memcmp(form, "PAL ", 4) != 0) return TOutcome::Failure(TImageError::NotAPalette);
  // The RIFF size is a claim: the chunks are read within the bytes there are.
  const std::uint64_t end = std::min<std::uint64_t>(bytes.size(), std::uint64_t{riffSize} + 8);
  TByteReader chunks = reader.Sub(12, end > 12 ? end - 12 : 0);
  while (chunks.Ok() && !chunks.AtEnd()) {
    char id[4];
    chunks.Read(id, 4);
    const std::uint32_t size = chunks.U32();
    if (!chunks.Ok() || size > chunks.Remaining()) return TOutcome::Failure(TImageError::InvalidPalette);
    TByteReader chunk = chunks.Sub(chunks.Position(), size);
    chunks.Skip(size);
    if (size % 2 != 0 && !chunks.AtEnd()) chunks.Skip(1);
    if (std::memcmp(id, "data", 4) != 0) continue;
    chunk.U16();  // version: 0x0300 in every file seen; not needed to read it
    const std::uint16_t count = chunk.U16();
    if (!chunk.Ok() || count == 0 || count > 256) return TOutcome::Failure(TImageError::InvalidPalette);
    TPalette palette;
    palette.Count = count;
    for (std::size_t i = 0; i < count; ++i) {
      const std::uint32_t red = chunk.U8(), green = chunk.U8(), blue = chunk.U8();
      chunk.U8();  // flags
      palette.Colors[i] = red << 16 | green << 8 | blue;
    }
    if (!chunk.Ok()) return TOutcome::Failure(TImageError::InvalidPalette);
    out = palette;
    return TOutcome::Success();
  }
  return TOutcome::Failure(TImageError::InvalidPalette);
}

// JASC-PAL: lines ended by CR LF or LF; "JASC-PAL", "0100", the count, then
// "red green blue" per entry. Lines after the last entry are ignored.
class TLines {
 public:
  explicit TLines(std::span<const std::uint8_t> bytes)
      : Text_(reinterpret_cast<const char*>(bytes.data()), bytes.size()) {}
  bool Next(std::string_view& line) {
    if (At_ >= Text_.size()) return false;
    std::size_t end = Text_.find('\n', At_);
    if (end == std::string_view::npos) end = Text_.size();
    line = Text_.substr(At_, end - At_);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    At_ = end + 1;
    return true;
  }

 private:
  std::string_view Text_;
  std::size_t At_ = 0;
};

// Whole non-negative numbers separated by spaces or tabs, each at most `max`.
bool Numbers(std::string_view line, int* values, int count, int max) {
  std::size_t at = 0;
  for (int k = 0; k < count; ++k) {
    while (at < line.size() && (line[at] == ' ' || line[at] == '\t')) ++at;
    const std::size_t start = at;
    long v = 0;
    while (at < line.size() && line[at] >= '0' && line[at] <= '9' && at - start < 6) v = v * 10 + (line[at++] - '0');
    if (at == start || v > max) return false;
    values[k] = static_cast<int>(v);
  }
  while (at < line.size() && (line[at] == ' ' || line[at] == '\t')) ++at;
  return at == line.size();
}

TOutcome ParseJasc(std::span<const std::uint8_t> bytes, TPalette& out) {
  TLines lines(bytes);
  std::string_view line;
  int count = 0;
  if (!lines.Next(line) || line != "JASC-PAL") return TOutcome::Failure(TImageError::NotAPalette);
  if (!lines.Next(line) || line != "0100") return TOutcome::Failure(TImageError::InvalidPalette);
  if (!lines.Next(line) || !Numbers(line, &count, 1, 256) || count == 0)
    return TOutcome::Failure(TImageError::InvalidPalette);
  TPalette palette;
  palette.Count = count;
  for (std::size_t i = 0; i < static_cast<std::size_t>(count); ++i) {
    int rgb[3];
    if (!lines.Next(line) || !Numbers(line, rgb, 3, 255)) return TOutcome::Failure(TImageError::InvalidPalette);
    palette.Colors[i] = static_cast<std::uint32_t>(rgb[0] << 16 | rgb[1] << 8 | rgb[2]);
  }
  out = palette;
  return TOutcome::Success();
}

bool NamedAsSprite(const std::string& path) {
  if (path.size() < 4) return false;
  std::string ext = path.substr(path.size() - 4);
  for (char& c : ext)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return ext == ".pcx";
}

TOutcome FromEightBitImage(const TDibBitmap& image, int entries, TPalette& out) {
  if (image.GetPixelFormat() != px8) return TOutcome::Failure(TImageError::NotAPalette);
  TPalette palette = PaletteOf(image);
  palette.Count = entries > 0 && entries <= 256 ? entries : 256;
  for (std::size_t i = static_cast<std::size_t>(palette.Count); i < 256; ++i) palette.Colors[i] = 0;
  out = palette;
  return TOutcome::Success();
}

}  // namespace

TOutcome ParsePaletteFile(std::span<const std::uint8_t> bytes, TPalette& out) {
  if (static_cast<std::int64_t>(bytes.size()) > kMaxPaletteFileBytes) return TOutcome::Failure(TImageError::OverLimit);
  if (StartsWith(bytes, "RIFF")) return ParseRiff(bytes, out);
  if (StartsWith(bytes, "JASC-PAL")) return ParseJasc(bytes, out);
  return TOutcome::Failure(TImageError::NotAPalette);
}

TOutcome LoadPaletteSource(const std::string& path, TPalette& out) {
  TFileSource file = OpenFileSource(path);
  if (!file.Source) return file.Opened;
  TByteReader head;
  const std::uint64_t size = file.Source->Size();
  if (TOutcome got = file.Source->Range(0, std::min<std::uint64_t>(size, 8), 8, head); !got) return got;
  const std::span<const std::uint8_t> start = head.Bytes();

  if (StartsWith(start, "RIFF") || StartsWith(start, "JASC-PAL")) {
    if (size > static_cast<std::uint64_t>(kMaxPaletteFileBytes)) return TOutcome::Failure(TImageError::OverLimit);
    TByteReader all;
    if (TOutcome got = file.Source->Rest(0, static_cast<std::uint64_t>(kMaxPaletteFileBytes), all); !got) return got;
    return ParsePaletteFile(all.Bytes(), out);
  }
  TDibBitmap image;
  if (HasPngSignature(start)) {
    TByteReader all;
    if (TOutcome got = file.Source->Rest(0, static_cast<std::uint64_t>(kMaxPngFileBytes), all); !got) return got;
    int entries = 0;
    if (TOutcome read = DecodePng(all.Bytes(), image, &entries); !read) return read;
    return FromEightBitImage(image, entries, out);
  }
  if (StartsWith(start, "BM")) {
    if (!image.ReadBmpFile(path)) return image.LastOutcome();
    const std::uint32_t used = image.Info()->biClrUsed();
    return FromEightBitImage(image, used <= 256 ? static_cast<int>(used) : 256, out);
  }
  if (NamedAsSprite(path)) {
    TOutcome why;
    if (!LoadSprite(image, path, &why)) return why.Ok() ? TOutcome::Failure(TImageError::InvalidSprite) : why;
    if (image.IsEmpty()) return why.Ok() ? TOutcome::Failure(TImageError::NotAPalette) : why;
    return FromEightBitImage(image, 256, out);
  }
  return TOutcome::Failure(TImageError::NotAPalette);
}

}  // namespace kelvane
