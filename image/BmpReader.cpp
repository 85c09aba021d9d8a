// The two BMP readers: the full one (ReadBmpStream, ReadBmpFile), which
// decodes RLE and refuses what it cannot hold, and the plain one
// (ReadPlainBmpStream), which takes an uncompressed image as it stands.
//
// Input layout, offsets from where reading starts:
//   0   14  optional BITMAPFILEHEADER: u16 bfType "BM", u32 bfSize,
//           u16 reserved x2, u32 bfOffBits
//   14  40  BITMAPINFOHEADER (always read as 40 bytes, whatever biSize says)
//   54  t   colour table, bit masks, or the rest of a larger header
//   bfOffBits  pixel rows in storage order, or RLE8/RLE4 data
//
// Odd but accepted:
// - no file header: the stream starts with the info header;
// - a 12-byte core header is read as a 40-byte header all the same;
// - a table area of more than 1024 bytes: the first 1024 are kept, the rest
//   skipped;
// - 52- to 124-byte headers (V2 to V5, which editors write by default) are
//   kept as an equivalent 40-byte header: their masks move to the table area
//   and the colour table follows them, where the converter and the writer
//   expect it. Keeping them byte for byte would push an 8-bit table past the
//   end of the block and make the writer produce a header that lies.
// Refused (the image is left empty, the stream at its start):
// - a bfOffBits that points into the headers (BadHeader);
// - a table or pixel area larger than the stream (ShortRead), checked before
//   anything that size is allocated;
// - a pixel block above kMaxPixelBlockBytes (OverLimit, whose text is still
//   "No memory").
#include <cerrno>
#include <climits>
#include <cstring>

#include "image/ByteReader.h"
#include "image/ByteStream.h"
#include "image/CheckedMath.h"
#include "image/DibBitmap.h"

namespace kelvane {

namespace {

constexpr std::uint16_t kBmpSignature = 0x4D42;  // "BM"
constexpr int kFileHeaderBytes = 14;
// A header region of up to this many bytes is kept: the rest of the largest
// header variant plus a full table.
constexpr std::int64_t kRegionKeepBytes = (kMaxInfoHeaderBytes - kInfoHeaderBytes) + kTableAreaBytes;

}  // namespace

class TBmpReader {
 public:
  enum class TMode { Full, Plain };

  TBmpReader(TDibBitmap& bitmap, TByteStream& stream, TMode mode) : Bitmap_(bitmap), Stream_(stream), Mode_(mode) {}

  bool Run() {
    Bitmap_.Clear();
    Bitmap_.LastOutcome_ = TOutcome::Success();
    Start_ = Stream_.GetPosition();
    Bitmap_.HandleKind_ = hkDib;
    const TImageError error = Start_ < 0 ? TImageError::CannotOpen : Read();
    if (error == TImageError::None) return true;
    if (Start_ >= 0) Stream_.Seek(Start_, soFromStart);
    Bitmap_.Clear();
    Bitmap_.LastOutcome_ = TOutcome::Failure(error);
    return false;
  }

 private:
  bool ReadExact(void* buffer, std::int64_t count) { return Stream_.Read(buffer, count) == count; }

  // Bytes from the current position to the end of the stream.
  std::int64_t Remaining() {
    const std::int64_t size = Stream_.GetSize(), position = Stream_.GetPosition();
    return size < 0 || position < 0 || size < position ? 0 : size - position;
  }

  TImageError Read() {
    std::uint8_t fileHeaderBytes[kFileHeaderBytes];
    if (!ReadExact(fileHeaderBytes, kFileHeaderBytes)) return TImageError::ShortRead;
    TByteReader fileHeader(fileHeaderBytes, kFileHeaderBytes);
    const bool hasFileHeader = fileHeader.U16() == kBmpSignature;
    std::uint32_t fileSize = 0, offBits = 0;
    if (hasFileHeader) {
      fileSize = fileHeader.U32();
      fileHeader.Skip(4);  // two reserved words, never looked at
      offBits = fileHeader.U32();
    } else if (Stream_.Seek(Start_, soFromStart) != Start_) {
      return TImageError::ShortRead;
    }

    auto info = std::make_unique<TBitmapInfoBlock>();
    if (!ReadExact(info->Bytes.data(), kInfoHeaderBytes)) return TImageError::ShortRead;
    const std::int64_t bits = info->biBitCount();
    const std::int64_t planeBits = bits * info->biPlanes();
    const std::uint32_t compression = info->biCompression();

    TPixelFormat requested = FormatFromBitCount(planeBits);
    if (Mode_ == TMode::Plain && requested == px15 && compression != biRgb) requested = px16;
    Bitmap_.RequestedFormat_ = requested;

    const std::int64_t width = info->biWidth();
    std::int64_t height = info->biHeight();
    if (height < 0) height = -height;  // -INT32_MIN fits in 64 bits
    if (Mode_ == TMode::Full) {
      if (width <= 0) return TImageError::WidthNotPositive;
      if (height == 0) return TImageError::HeightZero;
    }
    // Width_ and Height_ are i32; |INT32_MIN| is not, and no such image can
    // be held anyway.
    if (height > INT32_MAX) return TImageError::OverLimit;

    // Pixel block size, checked before anything is allocated. The plain
    // reader holds no block for a width of 0 or less.
    std::int64_t stride = 0;
    if (width > 0) {
      auto s = PaddedRowBytes(width, bits);
      if (!s) return TImageError::OverLimit;
      stride = *s;
    }
    auto pixelBytes = CheckedMul(stride, height);
    if (!pixelBytes || *pixelBytes > kMaxPixelBlockBytes) return TImageError::OverLimit;
    if (Mode_ == TMode::Full && *pixelBytes == 0) return TImageError::NoMemory;
    if (Mode_ == TMode::Full && compression > biBitFields) return TImageError::UnknownCompression;

    if (TImageError e = ReadTableArea(*info, hasFileHeader, offBits, requested); e != TImageError::None) return e;

    // The plain reader needs the whole block; knowing the stream's length,
    // a block it cannot fill is refused before it is allocated.
    TPixelBlock pixels;
    const bool rle = Mode_ == TMode::Full && (compression == biRle8 || compression == biRle4);
    if (Mode_ == TMode::Plain) {
      if (*pixelBytes > Remaining()) return TImageError::ShortRead;
      if (*pixelBytes > 0) {
        pixels = AllocatePixelBlock(*pixelBytes);
        if (!pixels) return TImageError::NoMemory;
        if (!ReadExact(pixels.get(), *pixelBytes)) return TImageError::ShortRead;
      }
    } else if (!rle) {
      // A file cut short fills its first rows; bytes after the rows are not
      // read.
      std::int64_t n = *pixelBytes;
      if (hasFileHeader) {
        const std::int64_t size = Stream_.GetSize();
        const std::int64_t available = size - Start_ - std::int64_t{offBits};
        if (available < n) n = available < 0 ? 0 : available;
      }
      if (n > Remaining()) return TImageError::ShortRead;
      pixels = AllocatePixelBlock(*pixelBytes);
      if (!pixels) return TImageError::NoMemory;
      if (!ReadExact(pixels.get(), n)) return TImageError::ShortRead;
    } else {
      // The compressed size comes from the file header; without one, or
      // when it says nothing useful, the data runs to the end of the stream.
      std::int64_t n = hasFileHeader ? std::int64_t{fileSize} - std::int64_t{offBits} : 0;
      if (n <= 0) n = Remaining();
      if (n > Remaining()) return TImageError::ShortRead;
      if (n > kMaxCompressedBytes) return TImageError::OverLimit;
      pixels = AllocatePixelBlock(*pixelBytes);
      if (!pixels) return TImageError::NoMemory;
      auto compressed = AllocatePixelBlock(n);
      if (n > 0 && !compressed) return TImageError::NoMemory;
      if (n > 0 && !ReadExact(compressed.get(), n)) return TImageError::ShortRead;
      DecodeRle(compression == biRle4, TByteReader(compressed.get(), static_cast<std::uint64_t>(n)), pixels.get(),
                stride, width, height);
      info->SetBiCompression(biRgb);
    }

    Bitmap_.Width_ = static_cast<std::int32_t>(width);
    Bitmap_.Height_ = static_cast<std::int32_t>(height);
    Bitmap_.InstallImage(std::move(info), std::move(pixels), *pixelBytes);
    // Only the plain reader keeps 16 bits with RLE compression; the image
    // is held, but nothing can decode it, and the error says so.
    if (Mode_ == TMode::Plain && bits == 16 && compression != biRgb && compression != biBitFields)
      Bitmap_.LastOutcome_ = TOutcome::Failure(TImageError::UnsupportedFormat);
    return TImageError::None;
  }

  // Fills the table area from the bytes between the info header and the
  // pixels, and leaves the stream at the pixels.
  TImageError ReadTableArea(TBitmapInfoBlock& info, bool hasFileHeader, std::uint32_t offBits, TPixelFormat requested) {
    const std::int64_t bits = info.biBitCount();
    const std::uint32_t headerSize = info.biSize();
    const std::uint32_t compression = info.biCompression();
    const bool largerHeader = headerSize > kInfoHeaderBytes && headerSize <= kMaxInfoHeaderBytes;
    const bool masks = compression == biBitFields && (bits == 16 || bits == 32);

    std::int64_t regionBytes;
    if (hasFileHeader && offBits > 0) {
      // The file's own offset says how much lies between header and pixels.
      regionBytes = std::int64_t{offBits} - kFileHeaderBytes - kInfoHeaderBytes;
      if (regionBytes < 0) return TImageError::BadHeader;
    } else {
      regionBytes = bits <= 8 ? (std::int64_t{4} << bits) : 0;
      if (largerHeader) regionBytes += headerSize - kInfoHeaderBytes;
      if (masks && !largerHeader) regionBytes = 12;
      else if (Mode_ == TMode::Plain && requested == px16 && !largerHeader) regionBytes = 12;
    }
    if (regionBytes == 0) return TImageError::None;
    if (regionBytes > Remaining()) return TImageError::ShortRead;

    const std::int64_t keep = regionBytes < kRegionKeepBytes ? regionBytes : kRegionKeepBytes;
    std::uint8_t regionBytesKept[kRegionKeepBytes];
    if (!ReadExact(regionBytesKept, keep)) return TImageError::ShortRead;
    if (keep < regionBytes && Stream_.Seek(regionBytes - keep, soFromCurrent) < 0) return TImageError::ShortRead;
    TByteReader region(regionBytesKept, static_cast<std::uint64_t>(keep));

    std::uint8_t* table = info.Table();
    if (!largerHeader) {
      region.Read(table, static_cast<std::uint64_t>(keep < kTableAreaBytes ? keep : kTableAreaBytes));
      return TImageError::None;
    }
    // A larger header: its masks (at the same offset as after a 40-byte
    // header) and then the colour table after the whole header.
    const std::int64_t extra = headerSize - kInfoHeaderBytes;
    std::int64_t at = 0;
    if (masks) {
      region.Read(table, static_cast<std::uint64_t>(keep < 12 ? keep : 12));
      at = 12;
    }
    if (keep > extra) {
      std::int64_t n = keep - extra;
      if (n > kTableAreaBytes - at) n = kTableAreaBytes - at;
      TByteReader colours = region.Sub(static_cast<std::uint64_t>(extra), static_cast<std::uint64_t>(n));
      colours.Read(table + at, static_cast<std::uint64_t>(n));
    }
    info.SetU32(0, kInfoHeaderBytes);
    return TImageError::None;
  }

  // Run-length decoding into a zeroed block. The compressed bytes are read
  // through a checked reader: data that ends inside a run or an escape ends
  // the decoding (the pixels an absolute run cut short still has are kept).
  // Every write is checked against the image width and the row's own bytes;
  // positions run in 64 bits so no run of escapes can wrap them. Pixels no
  // run covers stay 0.
  static void DecodeRle(bool rle4, TByteReader data, std::uint8_t* pixels, std::int64_t stride, std::int64_t width,
                        std::int64_t height) {
    const std::int64_t rowPixels = rle4 ? (stride * 2 < width ? stride * 2 : width) : (stride < width ? stride : width);
    std::int64_t x = 0, y = 0;
    auto put = [&](std::int64_t px, std::uint8_t value) {
      if (px < 0 || px >= rowPixels || y < 0 || y >= height) return;
      std::uint8_t* row = pixels + y * stride;
      if (!rle4) {
        row[px] = value;
      } else if ((px & 1) == 0) {
        row[px / 2] = static_cast<std::uint8_t>((row[px / 2] & 0x0F) | (value << 4));
      } else {
        row[px / 2] = static_cast<std::uint8_t>((row[px / 2] & 0xF0) | (value & 0x0F));
      }
    };
    while (y < height && !data.AtEnd()) {
      const std::uint8_t count = data.U8();
      if (count != 0) {
        const std::uint8_t value = data.U8();
        if (data.Failed()) break;
        if (!rle4 && x >= 0 && x + count <= rowPixels) {
          // The common case, a run inside the row, in one go.
          std::memset(pixels + y * stride + x, value, count);
          x += count;
          continue;
        }
        for (int k = 0; k < count; ++k) {
          const auto v = static_cast<std::uint8_t>(rle4 ? ((k & 1) == 0 ? value >> 4 : value & 0x0F) : value);
          put(x + k, v);
        }
        x += count;
        continue;
      }
      const std::uint8_t escape = data.U8();
      if (data.Failed()) break;
      if (escape == 0) {
        ++y;
        x = 0;
      } else if (escape == 1) {
        break;
      } else if (escape == 2) {
        const std::uint8_t dx = data.U8(), dy = data.U8();
        if (data.Failed()) break;
        x += dx;
        y += dy;
      } else {
        // An absolute run: its indexes, then a pad byte to an even count.
        const std::uint64_t dataBytes = rle4 ? (escape + 1u) / 2 : escape;
        const std::uint64_t present = dataBytes < data.Remaining() ? dataBytes : data.Remaining();
        const std::span<const std::uint8_t> run = data.Take(present);
        if (!rle4 && present == dataBytes && x >= 0 && x + escape <= rowPixels) {
          std::memcpy(pixels + y * stride + x, run.data(), escape);
        } else {
          const std::int64_t pixelsPresent = rle4 ? std::int64_t(present) * 2 : std::int64_t(present);
          for (std::int64_t k = 0; k < escape && k < pixelsPresent; ++k) {
            const std::uint8_t byte = run[static_cast<std::size_t>(rle4 ? k / 2 : k)];
            put(x + k, static_cast<std::uint8_t>(rle4 ? ((k & 1) == 0 ? byte >> 4 : byte & 0x0F) : byte));
          }
        }
        if (present < dataBytes) break;
        x += escape;
        if ((dataBytes & 1) != 0 && !data.Skip(1)) break;
      }
    }
  }

  TDibBitmap& Bitmap_;
  TByteStream& Stream_;
  TMode Mode_;
  std::int64_t Start_ = 0;
};

bool TDibBitmap::ReadBmpStream(TByteStream& stream) { return TBmpReader(*this, stream, TBmpReader::TMode::Full).Run(); }

bool TDibBitmap::ReadPlainBmpStream(TByteStream& stream) {
  return TBmpReader(*this, stream, TBmpReader::TMode::Plain).Run();
}

bool TDibBitmap::ReadBmpFile(const std::string& fileName) {
  auto stream = OpenReadFileStream(fileName);
  if (!stream->IsOpen()) {
    Clear();
    HandleKind_ = hkDib;
    LastOutcome_ = stream->OpenError() == EINVAL ? TOutcome::Failure(TImageError::NotRegularFile)
                                                 : TOutcome::Failure(TImageError::CannotOpen, stream->OpenError());
    return false;
  }
  return ReadBmpStream(*stream);
}

}  // namespace kelvane
