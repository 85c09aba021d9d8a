#include "formats/DefReader.h"

#include <cstring>
#include <new>
#include <unordered_map>

#include "image/ByteStream.h"

namespace kelvane {

namespace {

constexpr std::uint64_t kDefHeaderBytes = 16 + kDefPaletteBytes;
constexpr std::uint64_t kNameFieldBytes = kDefMaxNameBytes + 1;
constexpr std::uint64_t kFrameHeaderBytes = 32;

std::string FrameAt(std::uint64_t offset) { return "frame at offset " + std::to_string(offset); }

// Format 1: segments (code, length - 1) until `width` pixels are written.
TImageError DecodeRowRuns(TByteReader& in, std::uint8_t* out, std::uint32_t width) {
  std::uint32_t x = 0;
  while (x < width) {
    const std::uint8_t code = in.U8();
    const std::uint32_t length = std::uint32_t{in.U8()} + 1;
    if (in.Failed()) return TImageError::ShortRead;
    if (length > width - x) return TImageError::RunPastRow;
    if (code == 0xFF) {
      const std::span<const std::uint8_t> literal = in.Take(length);
      if (literal.empty()) return TImageError::ShortRead;
      std::memcpy(out + x, literal.data(), length);
    } else {
      std::memset(out + x, code, length);
    }
    x += length;
  }
  return TImageError::None;
}

// Formats 2 and 3: one-byte segments (code in the top 3 bits, length - 1 in
// the low 5) until `width` pixels are written; a segment longer than what
// is left is `overrun` (past the row, or across the 32-pixel piece).
TImageError DecodeByteRuns(TByteReader& in, std::uint8_t* out, std::uint32_t width, TImageError overrun) {
  std::uint32_t x = 0;
  while (x < width) {
    const std::uint8_t segment = in.U8();
    if (in.Failed()) return TImageError::ShortRead;
    const std::uint32_t code = segment >> 5, length = (segment & 0x1Fu) + 1;
    if (length > width - x) return overrun;
    if (code == 7) {
      const std::span<const std::uint8_t> literal = in.Take(length);
      if (literal.empty()) return TImageError::ShortRead;
      std::memcpy(out + x, literal.data(), length);
    } else {
      std::memset(out + x, static_cast<int>(code), length);
    }
    x += length;
  }
  return TImageError::None;
}

// All decoding state of one read: the whole file, and what the canvases
// may still take.
class TDefDecoder {
 public:
  explicit TDefDecoder(TByteReader file) : File_(file) {}

  TDefProblem Read(TDefAnimation& animation) {
    TByteReader header = File_;
    animation.Type = header.U32();
    animation.Width = header.U32();
    animation.Height = header.U32();
    const std::uint32_t groupCount = header.U32();
    header.Read(animation.Palette.data(), kDefPaletteBytes);
    if (header.Failed()) return TDefProblem::Failure(TImageError::ShortRead, "file header");
    if (groupCount > kMaxDefGroups)
      return TDefProblem::Failure(TImageError::OverLimit, std::to_string(groupCount) + " groups, above the limit of " +
                                                              std::to_string(kMaxDefGroups));

    std::unordered_map<std::uint32_t, std::size_t> frameAtOffset;
    std::vector<std::uint32_t> frameOffsets;
    std::uint64_t refs = 0;
    animation.Groups.resize(groupCount);
    for (std::uint32_t g = 0; g < groupCount; ++g) {
      TDefGroup& group = animation.Groups[g];
      group.Id = header.U32();
      const std::uint32_t count = header.U32();
      header.Skip(8);  // two words nothing reads
      const std::string where = "group table, group " + std::to_string(g);
      if (header.Failed()) return TDefProblem::Failure(TImageError::ShortRead, where);
      if (count > kMaxDefFrames - refs)
        return TDefProblem::Failure(TImageError::OverLimit, where + ": " + std::to_string(count) +
                                                                " frames, above the limit of " +
                                                                std::to_string(kMaxDefFrames) + " in all");
      refs += count;
      TByteReader names(header.Take(kNameFieldBytes * count));
      TByteReader offsets(header.Take(4 * std::uint64_t{count}));
      if (header.Failed()) return TDefProblem::Failure(TImageError::ShortRead, where);
      group.Frames.resize(count);
      for (TDefFrameRef& ref : group.Frames) {
        // The name ends at its NUL; what follows is junk. Thirteen bytes
        // without one are kept whole (the writer then refuses the name).
        const std::span<const std::uint8_t> field = names.Take(kNameFieldBytes);
        const void* nul = std::memchr(field.data(), 0, field.size());
        const std::size_t length = nul != nullptr
                                       ? static_cast<std::size_t>(static_cast<const std::uint8_t*>(nul) - field.data())
                                       : field.size();
        ref.Name.assign(reinterpret_cast<const char*>(field.data()), length);
        const std::uint32_t offset = offsets.U32();
        const auto [at, added] = frameAtOffset.try_emplace(offset, frameOffsets.size());
        if (added) frameOffsets.push_back(offset);
        ref.Frame = at->second;
      }
    }

    // Each stored frame once, however many groups list it. Every header is
    // checked, and the canvases' total with it, before any canvas is had.
    animation.Frames.resize(frameOffsets.size());
    for (std::size_t i = 0; i < frameOffsets.size(); ++i) {
      if (TDefProblem problem = ReadFrameHeader(frameOffsets[i], animation.Frames[i]); !problem) return problem;
    }
    // One zeroed block for all canvases (see TCanvasBytes).
    const std::uint64_t canvasBytes = kMaxDefCanvasBytes - CanvasBytesLeft_;
    auto block = std::make_shared<TPixelBlock>(AllocatePixelBlock(static_cast<std::int64_t>(canvasBytes)));
    if (canvasBytes > 0 && !*block)
      return TDefProblem::Failure(TImageError::NoMemory, std::to_string(canvasBytes) + " bytes of canvases");
    std::uint64_t at = 0;
    for (TDefFrame& frame : animation.Frames) {
      const std::uint64_t bytes = std::uint64_t(frame.Canvas.Width) * std::uint64_t(frame.Canvas.Height);
      frame.Canvas.Indexes = TCanvasBytes(block, at, bytes);
      at += bytes;
      if (TDefProblem problem = DecodeFrame(frame); !problem) return problem;
    }
    return TDefProblem::Success();
  }

 private:
  TDefProblem ReadFrameHeader(std::uint64_t offset, TDefFrame& frame) {
    frame.Offset = offset;
    if (offset >= File_.Size()) return TDefProblem::Failure(TImageError::OffsetOutsideFile, FrameAt(offset));
    TByteReader header = File_.Sub(offset, kFrameHeaderBytes);
    header.Skip(4);  // the data size: reads are bounded by the file instead
    frame.PixelFormat = header.U32();
    const std::uint64_t fullWidth = header.U32(), fullHeight = header.U32();
    TDefRect& rect = frame.Stored;
    rect.Width = header.U32();
    rect.Height = header.U32();
    rect.Left = header.U32();
    rect.Top = header.U32();
    if (header.Failed()) return TDefProblem::Failure(TImageError::ShortRead, FrameAt(offset) + ": header");
    if (frame.PixelFormat >= kDefPixelFormats)
      return TDefProblem::Failure(TImageError::UnknownPixelFormat,
                                  FrameAt(offset) + ": pixel format " + std::to_string(frame.PixelFormat));
    if (fullWidth == 0 || fullHeight == 0)
      return TDefProblem::Failure(TImageError::BadFrameHeader, FrameAt(offset) + ": a canvas of no pixels");
    // Both factors are below 2^32, so the product fits in 64 bits.
    const std::uint64_t canvasBytes = fullWidth * fullHeight;
    if (canvasBytes > CanvasBytesLeft_)
      return TDefProblem::Failure(TImageError::OverLimit, FrameAt(offset) + ": canvas " + std::to_string(fullWidth) +
                                                              "x" + std::to_string(fullHeight) +
                                                              ": the canvases together pass the limit of 1 GiB");
    // In 64 bits: a left of 2^32 - 8 plus a width of 12 must not wrap to 4.
    if (std::uint64_t{rect.Left} + rect.Width > fullWidth || std::uint64_t{rect.Top} + rect.Height > fullHeight)
      return TDefProblem::Failure(TImageError::RectOutsideCanvas, FrameAt(offset));
    if (frame.PixelFormat == kDefPieceRuns && rect.Width % kDefPiecePixels != 0)
      return TDefProblem::Failure(TImageError::BadFrameHeader, FrameAt(offset) + ": format 3 stored width " +
                                                                   std::to_string(rect.Width) +
                                                                   " is not a multiple of 32");
    CanvasBytesLeft_ -= canvasBytes;
    // Below the canvas cap both sides fit in 31 bits.
    frame.Canvas.Width = static_cast<std::int32_t>(fullWidth);
    frame.Canvas.Height = static_cast<std::int32_t>(fullHeight);
    return TDefProblem::Success();
  }

  // The pixels of a frame whose header ReadFrameHeader accepted, onto its
  // zeroed canvas.
  TDefProblem DecodeFrame(TDefFrame& frame) {
    TDefCanvas& canvas = frame.Canvas;
    const TDefRect& rect = frame.Stored;
    const std::uint64_t offset = frame.Offset, stride = static_cast<std::uint64_t>(canvas.Width);
    if (rect.Width == 0 || rect.Height == 0) return TDefProblem::Success();

    const TByteReader data = File_.From(offset + kFrameHeaderBytes);
    std::uint8_t* const topLeft = canvas.Indexes.data() + rect.Top * stride + rect.Left;
    switch (frame.PixelFormat) {
      case kDefRawPixels: return DecodeRaw(data, rect, topLeft, stride, offset);
      case kDefRowRuns:
      case kDefShortRowRuns: return DecodeRows(data, frame.PixelFormat, rect, topLeft, stride, offset);
      case kDefPieceRuns: return DecodePieces(data, rect, topLeft, stride, offset);
    }
    return TDefProblem::Failure(TImageError::UnknownPixelFormat, FrameAt(offset));
  }

  static TDefProblem DecodeRaw(const TByteReader& data, const TDefRect& rect, std::uint8_t* topLeft,
                               std::uint64_t stride, std::uint64_t offset) {
    TByteReader pixels = data.Sub(0, std::uint64_t{rect.Width} * rect.Height);
    if (pixels.Failed()) return TDefProblem::Failure(TImageError::ShortRead, FrameAt(offset) + ": pixels");
    for (std::uint64_t y = 0; y < rect.Height; ++y) pixels.Read(topLeft + y * stride, rect.Width);
    return TDefProblem::Success();
  }

  // Formats 1 and 2: one offset per row (u32 or u16), then the row's
  // segments from that offset.
  static TDefProblem DecodeRows(const TByteReader& data, std::uint32_t format, const TDefRect& rect,
                                std::uint8_t* topLeft, std::uint64_t stride, std::uint64_t offset) {
    const bool wide = format == kDefRowRuns;
    TByteReader table = data.Sub(0, std::uint64_t{rect.Height} * (wide ? 4 : 2));
    if (table.Failed()) return TDefProblem::Failure(TImageError::ShortRead, FrameAt(offset) + ": row offsets");
    for (std::uint64_t y = 0; y < rect.Height; ++y) {
      const std::uint64_t rowOffset = wide ? table.U32() : table.U16();
      if (rowOffset >= data.Size())
        return TDefProblem::Failure(TImageError::OffsetOutsideFile, FrameAt(offset) + ", row " + std::to_string(y));
      TByteReader row = data.From(rowOffset);
      const TImageError error = wide ? DecodeRowRuns(row, topLeft + y * stride, rect.Width)
                                     : DecodeByteRuns(row, topLeft + y * stride, rect.Width, TImageError::RunPastRow);
      if (error != TImageError::None)
        return TDefProblem::Failure(error, FrameAt(offset) + ", row " + std::to_string(y));
    }
    return TDefProblem::Success();
  }

  // Format 3: one u16 offset per 32-pixel piece of each row.
  static TDefProblem DecodePieces(const TByteReader& data, const TDefRect& rect, std::uint8_t* topLeft,
                                  std::uint64_t stride, std::uint64_t offset) {
    const std::uint64_t pieces = rect.Width / kDefPiecePixels;
    TByteReader table = data.Sub(0, std::uint64_t{rect.Height} * pieces * 2);
    if (table.Failed()) return TDefProblem::Failure(TImageError::ShortRead, FrameAt(offset) + ": piece offsets");
    for (std::uint64_t y = 0; y < rect.Height; ++y) {
      for (std::uint64_t p = 0; p < pieces; ++p) {
        const std::uint64_t pieceOffset = table.U16();
        const auto where = [&] {
          return FrameAt(offset) + ", row " + std::to_string(y) + ", piece " + std::to_string(p);
        };
        if (pieceOffset >= data.Size()) return TDefProblem::Failure(TImageError::OffsetOutsideFile, where());
        TByteReader piece = data.From(pieceOffset);
        const TImageError error = DecodeByteRuns(piece, topLeft + y * stride + p * kDefPiecePixels, kDefPiecePixels,
                                                 TImageError::RunCrossesPiece);
        if (error != TImageError::None) return TDefProblem::Failure(error, where());
      }
    }
    return TDefProblem::Success();
  }

  TByteReader File_;
  std::uint64_t CanvasBytesLeft_ = kMaxDefCanvasBytes;
};

}  // namespace

TDefProblem ReadDef(TByteSource& source, TDefAnimation& animation) {
  animation = TDefAnimation{};
  TByteReader file;
  if (TOutcome got = source.Rest(0, kMaxDefFileBytes, file); !got) {
    return {got, got.Error == TImageError::OverLimit
                     ? "a file of " + std::to_string(source.Size()) + " bytes, above the limit of 256 MiB"
                                                     : std::string("reading the file")};
  }
  if (file.Size() < kDefHeaderBytes) return TDefProblem::Failure(TImageError::ShortRead, "file header");
  TDefProblem problem;
  try {
    problem = TDefDecoder(file).Read(animation);
  } catch (const std::bad_alloc&) {
    // Canvases within the caps that the system would not give.
    problem = TDefProblem::Failure(TImageError::NoMemory, "decoding the frames");
  }
  if (!problem) animation = TDefAnimation{};
  return problem;
}

TDefProblem ReadDefFile(const std::string& path, TDefAnimation& animation) {
  animation = TDefAnimation{};
  TFileSource file = OpenFileSource(path);
  if (!file.Source) return {file.Opened, {}};
  return ReadDef(*file.Source, animation);
}

}  // namespace kelvane
