#include "formats/DefWriter.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <new>
#include <unordered_map>

#include "image/LittleEndian.h"
#include "image/SafeSave.h"

namespace kelvane {

namespace {

constexpr std::size_t kNameFieldBytes = kDefMaxNameBytes + 1;
// Indexes the game draws specially (transparency, shadows, selection): kept
// in runs, where its blitter looks for them.
constexpr std::uint8_t kReservedIndexes = 8;
// Formats 2 and 3 have run codes for indexes 0 to 6; code 7 means literal.
constexpr std::uint8_t kByteRunIndexes = 7;
constexpr std::uint32_t kMaxShortOffset = 0xFFFF;

void Put32(std::vector<std::uint8_t>& out, std::uint32_t v) {
  const std::size_t at = out.size();
  out.resize(at + 4);
  StoreU32(out.data() + at, v);
}
void Put16At(std::vector<std::uint8_t>& out, std::size_t at, std::uint16_t v) { StoreU16(out.data() + at, v); }

std::string FrameNamed(const TDefGroup& group, std::size_t index) {
  return "group " + std::to_string(group.Id) + ", frame " + std::to_string(index) + " \"" +
         group.Frames[index].Name + "\"";
}

// Equal indexes from `x`, at most `limit`.
std::uint32_t RunLength(const std::uint8_t* row, std::uint32_t x, std::uint32_t width, std::uint32_t limit) {
  std::uint32_t n = 1;
  while (n < limit && x + n < width && row[x + n] == row[x]) ++n;
  return n;
}

// Format 1 segments of one row of `width` pixels.
void EncodeRowRuns(const std::uint8_t* row, std::uint32_t width, std::vector<std::uint8_t>& out) {
  constexpr std::uint32_t kMax = 256;
  const auto startsRun = [&](std::uint32_t x) {
    return row[x] < kReservedIndexes || (row[x] != 0xFF && RunLength(row, x, width, 3) >= 3);
  };
  std::uint32_t x = 0;
  while (x < width) {
    if (startsRun(x)) {
      const std::uint32_t n = RunLength(row, x, width, kMax);
      out.push_back(row[x]);
      out.push_back(static_cast<std::uint8_t>(n - 1));
      x += n;
      continue;
    }
    const std::uint32_t start = x;
    do ++x;
    while (x < width && x - start < kMax && !startsRun(x));
    out.push_back(0xFF);
    out.push_back(static_cast<std::uint8_t>(x - start - 1));
    out.insert(out.end(), row + start, row + x);
  }
}

// Format 2 and 3 segments of `width` pixels (a row, or a 32-pixel piece).
void EncodeByteRuns(const std::uint8_t* row, std::uint32_t width, std::vector<std::uint8_t>& out) {
  constexpr std::uint32_t kMax = 32;
  std::uint32_t x = 0;
  while (x < width) {
    if (row[x] < kByteRunIndexes) {
      const std::uint32_t n = RunLength(row, x, width, kMax);
      out.push_back(static_cast<std::uint8_t>(row[x] << 5 | (n - 1)));
      x += n;
      continue;
    }
    const std::uint32_t start = x;
    do ++x;
    while (x < width && x - start < kMax && row[x] >= kByteRunIndexes);
    out.push_back(static_cast<std::uint8_t>(7u << 5 | (x - start - 1)));
    out.insert(out.end(), row + start, row + x);
  }
}

// The rectangle around the canvas's non-zero pixels, shaped for `format`.
TDefProblem StoredRect(const TDefCanvas& canvas, std::uint32_t format, TDefRect& rect, const std::string& where) {
  const std::uint32_t width = static_cast<std::uint32_t>(canvas.Width),
                      height = static_cast<std::uint32_t>(canvas.Height);
  std::uint32_t left = width, right = 0, top = height, bottom = 0;
  for (std::uint32_t y = 0; y < height; ++y) {
    const std::uint8_t* row = canvas.Indexes.data() + std::size_t{y} * width;
    std::uint32_t first = 0;
    while (first < width && row[first] == 0) ++first;
    if (first == width) continue;
    std::uint32_t last = width;
    while (row[last - 1] == 0) --last;
    left = std::min(left, first);
    right = std::max(right, last);
    if (top == height) top = y;
    bottom = y + 1;
  }
  if (top == height) {
    // Nothing to show: one transparent pixel keeps every decoder on ground
    // it knows.
    left = 0;
    right = 1;
    top = 0;
    bottom = 1;
  }
  rect = TDefRect{left, top, right - left, bottom - top};
  if (format == kDefPieceRuns) {
    const std::uint32_t widened = (rect.Width + kDefPiecePixels - 1) / kDefPiecePixels * kDefPiecePixels;
    if (widened > width)
      return TDefProblem::Failure(TImageError::DoesNotFitFormat,
                                  where + ": format 3 stores widths in multiples of 32, and the canvas is " +
                                      std::to_string(width) + " wide while its pixels span " +
                                      std::to_string(rect.Width));
    rect.Width = widened;
    rect.Left = std::min(rect.Left, width - widened);
  }
  return TDefProblem::Success();
}

// One stored frame: header and data.
TDefProblem EncodeFrame(const TDefCanvas& canvas, std::uint32_t format, const std::string& where,
                        std::vector<std::uint8_t>& out) {
  TDefRect rect;
  if (TDefProblem shaped = StoredRect(canvas, format, rect, where); !shaped) return shaped;
  const std::size_t stride = static_cast<std::size_t>(canvas.Width);
  const auto rowAt = [&](std::uint32_t y) { return canvas.Indexes.data() + (rect.Top + y) * stride + rect.Left; };

  std::vector<std::uint8_t> data;
  switch (format) {
    case kDefRawPixels:
      for (std::uint32_t y = 0; y < rect.Height; ++y) data.insert(data.end(), rowAt(y), rowAt(y) + rect.Width);
      break;
    case kDefRowRuns:
      data.resize(std::size_t{rect.Height} * 4);
      for (std::uint32_t y = 0; y < rect.Height; ++y) {
        // The frame's data is at most a few bytes per pixel of a canvas
        // below 1 GiB, so offsets fit in 32 bits.
        StoreU32(data.data() + 4 * y, static_cast<std::uint32_t>(data.size()));
        EncodeRowRuns(rowAt(y), rect.Width, data);
      }
      break;
    case kDefShortRowRuns:
    case kDefPieceRuns: {
      const std::uint32_t pieces = format == kDefPieceRuns ? rect.Width / kDefPiecePixels : 1;
      const std::uint32_t pieceWidth = format == kDefPieceRuns ? kDefPiecePixels : rect.Width;
      data.resize(std::size_t{rect.Height} * pieces * 2);
      for (std::uint32_t y = 0; y < rect.Height; ++y) {
        for (std::uint32_t p = 0; p < pieces; ++p) {
          if (data.size() > kMaxShortOffset)
            return TDefProblem::Failure(TImageError::DoesNotFitFormat,
                                        where + ": too large for format " + std::to_string(format) +
                                            ", whose 16-bit offsets reach 65535 bytes; format 1 has no such limit");
          Put16At(data, (std::size_t{y} * pieces + p) * 2, static_cast<std::uint16_t>(data.size()));
          EncodeByteRuns(rowAt(y) + std::size_t{p} * pieceWidth, pieceWidth, data);
        }
      }
      break;
    }
    default:
      return TDefProblem::Failure(TImageError::UnknownPixelFormat, "pixel format " + std::to_string(format));
  }
  if (data.size() > std::numeric_limits<std::uint32_t>::max())
    return TDefProblem::Failure(TImageError::OverLimit, where);

  Put32(out, static_cast<std::uint32_t>(data.size()));
  Put32(out, format);
  Put32(out, static_cast<std::uint32_t>(canvas.Width));
  Put32(out, static_cast<std::uint32_t>(canvas.Height));
  Put32(out, rect.Width);
  Put32(out, rect.Height);
  Put32(out, rect.Left);
  Put32(out, rect.Top);
  out.insert(out.end(), data.begin(), data.end());
  return TDefProblem::Success();
}

std::uint64_t HashOf(const TDefCanvas& canvas) {
  // FNV-1a over the size and the indexes; equal hashes are compared in full.
  std::uint64_t h = 14695981039346656037ull;
  const auto mix = [&h](std::uint8_t byte) { h = (h ^ byte) * 1099511628211ull; };
  for (int shift = 0; shift < 32; shift += 8) {
    mix(static_cast<std::uint8_t>(static_cast<std::uint32_t>(canvas.Width) >> shift));
    mix(static_cast<std::uint8_t>(static_cast<std::uint32_t>(canvas.Height) >> shift));
  }
  for (std::uint8_t byte : canvas.Indexes) mix(byte);
  return h;
}

// EncodeDef, less its guard against allocations the system refuses.
TDefProblem Encode(const TDefAnimation& animation, const TDefWriteOptions& options, std::vector<std::uint8_t>& out) {
  const std::uint32_t format = options.PixelFormat.value_or(GamePixelFormatFor(animation.Type));
  if (format >= kDefPixelFormats)
    return TDefProblem::Failure(TImageError::UnknownPixelFormat, "pixel format " + std::to_string(format));
  if (animation.Groups.size() > kMaxDefGroups)
    return TDefProblem::Failure(TImageError::OverLimit, std::to_string(animation.Groups.size()) + " groups, at most " +
                                                            std::to_string(kMaxDefGroups));
  if (animation.FrameRefCount() > kMaxDefFrames)
    return TDefProblem::Failure(TImageError::OverLimit, std::to_string(animation.FrameRefCount()) +
                                                            " frames, at most " + std::to_string(kMaxDefFrames));

  // Which stored frame each of animation.Frames becomes: identical canvases
  // share one, in the order groups first list them.
  constexpr std::size_t kNone = static_cast<std::size_t>(-1);
  std::vector<std::size_t> storedAs(animation.Frames.size(), kNone);
  std::vector<std::size_t> stored;  // index into animation.Frames
  std::unordered_multimap<std::uint64_t, std::size_t> byHash;
  std::uint64_t canvasBytes = 0;
  for (const TDefGroup& group : animation.Groups) {
    for (std::size_t i = 0; i < group.Frames.size(); ++i) {
      const TDefFrameRef& ref = group.Frames[i];
      if (ref.Name.size() > kDefMaxNameBytes || ref.Name.find('\0') != std::string::npos)
        return TDefProblem::Failure(TImageError::BadFrameName, FrameNamed(group, i));
      if (ref.Frame >= animation.Frames.size())
        return TDefProblem::Failure(TImageError::BadFrameHeader, FrameNamed(group, i) + ": no such frame");
      if (storedAs[ref.Frame] != kNone) continue;
      const TDefCanvas& canvas = animation.Frames[ref.Frame].Canvas;
      if (canvas.Width <= 0 || canvas.Height <= 0 ||
          canvas.Indexes.size() != std::size_t(canvas.Width) * std::size_t(canvas.Height))
        return TDefProblem::Failure(TImageError::BadFrameHeader, FrameNamed(group, i) + ": a canvas of no pixels");
      const std::uint64_t hash = HashOf(canvas);
      const auto [first, last] = byHash.equal_range(hash);
      const auto same = std::find_if(first, last, [&](const auto& entry) {
        return animation.Frames[stored[entry.second]].Canvas == canvas;
      });
      if (same != last) {
        storedAs[ref.Frame] = same->second;
        continue;
      }
      canvasBytes += canvas.Indexes.size();
      if (canvasBytes > kMaxDefCanvasBytes)
        return TDefProblem::Failure(TImageError::OverLimit, "the canvases together are above 1 GiB");
      storedAs[ref.Frame] = stored.size();
      byHash.emplace(hash, stored.size());
      stored.push_back(ref.Frame);
    }
  }

  // Header and group tables first: they come before the frames, whose
  // offsets are known once the tables' size is.
  std::uint64_t tableBytes = 16 + kDefPaletteBytes;
  for (const TDefGroup& group : animation.Groups) tableBytes += 16 + (kNameFieldBytes + 4) * group.Frames.size();
  std::vector<std::uint8_t> frames;
  std::vector<std::uint64_t> frameOffsets(stored.size());
  for (std::size_t s = 0; s < stored.size(); ++s) {
    frameOffsets[s] = tableBytes + frames.size();
    const std::string where = "frame " + std::to_string(s) + " stored";
    if (TDefProblem encoded = EncodeFrame(animation.Frames[stored[s]].Canvas, format, where, frames); !encoded)
      return encoded;
    if (tableBytes + frames.size() > kMaxDefFileBytes)
      return TDefProblem::Failure(TImageError::OverLimit, "the DEF would be larger than 256 MiB");
  }

  out.reserve(static_cast<std::size_t>(tableBytes) + frames.size());
  Put32(out, animation.Type);
  Put32(out, animation.Width);
  Put32(out, animation.Height);
  Put32(out, static_cast<std::uint32_t>(animation.Groups.size()));
  out.insert(out.end(), animation.Palette.begin(), animation.Palette.end());
  for (const TDefGroup& group : animation.Groups) {
    Put32(out, group.Id);
    Put32(out, static_cast<std::uint32_t>(group.Frames.size()));
    Put32(out, 0);
    Put32(out, 0);
    for (const TDefFrameRef& ref : group.Frames) {
      const std::size_t at = out.size();
      out.resize(at + kNameFieldBytes, 0);
      std::memcpy(out.data() + at, ref.Name.data(), ref.Name.size());
    }
    for (const TDefFrameRef& ref : group.Frames)
      Put32(out, static_cast<std::uint32_t>(frameOffsets[storedAs[ref.Frame]]));
  }
  out.insert(out.end(), frames.begin(), frames.end());
  return TDefProblem::Success();
}

}  // namespace

TDefProblem EncodeDef(const TDefAnimation& animation, const TDefWriteOptions& options, std::vector<std::uint8_t>& out) {
  out.clear();
  try {
    return Encode(animation, options, out);
  } catch (const std::bad_alloc&) {
    out.clear();
    return TDefProblem::Failure(TImageError::NoMemory, "encoding the frames");
  }
}

TDefProblem SaveDef(const TDefAnimation& animation, const TDefWriteOptions& options, const std::string& path) {
  std::vector<std::uint8_t> bytes;
  if (TDefProblem encoded = EncodeDef(animation, options, bytes); !encoded) return encoded;
  const TOutcome saved = SaveFileReplacing(path, [&](TByteStream& stream) {
    const auto size = static_cast<std::int64_t>(bytes.size());
    return stream.Write(bytes.data(), size) == size;
  });
  return {saved, {}};
}

}  // namespace kelvane
