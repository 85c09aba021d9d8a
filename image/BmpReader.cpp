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
// - a pixel block above kMaxPixelBlockBytes (NoMemory).
#include <cerrno>
#include <climits>
#include <cstring>

#include "image/ByteStream.h"
#include "image/CheckedMath.h"
#include "image/DibBitmap.h"
#include "image/LittleEndian.h"

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
    Bitmap_.LastError_ = TImageError::None;
    Start_ = Stream_.GetPosition();
    Bitmap_.HandleKind_ = hkDib;
    const TImageError error = Start_ < 0 ? TImageError::CannotOpen : Read();
    if (error == TImageError::None) return true;
    if (Start_ >= 0) Stream_.Seek(Start_, soFromStart);
    Bitmap_.Clear();
    Bitmap_.LastError_ = error;
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
    std::uint8_t fileHeader[kFileHeaderBytes];
    if (!ReadExact(fileHeader, kFileHeaderBytes)) return TImageError::ShortRead;
    bool hasFileHeader = (fileHeader[0] | (fileHeader[1] << 8)) == kBmpSignature;
    std::uint32_t fileSize = 0, offBits = 0;
    if (hasFileHeader) {
      fileSize = LoadU32(fileHeader + 2);
      offBits = LoadU32(fileHeader + 10);
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
    if (height > INT32_MAX) return TImageError::NoMemory;

    // Pixel block size, checked before anything is allocated. The plain
    // reader holds no block for a width of 0 or less.
    std::int64_t stride = 0;
    if (width > 0) {
      auto s = PaddedRowBytes(width, bits);
      if (!s) return TImageError::NoMemory;
      stride = *s;
    }
    auto pixelBytes = CheckedMul(stride, height);
    if (!pixelBytes || *pixelBytes > kMaxPixelBlockBytes) return TImageError::NoMemory;
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
      if (n > kMaxCompressedBytes) return TImageError::NoMemory;
      pixels = AllocatePixelBlock(*pixelBytes);
      if (!pixels) return TImageError::NoMemory;
      auto compressed = AllocatePixelBlock(n);
      if (n > 0 && !compressed) return TImageError::NoMemory;
      if (n > 0 && !ReadExact(compressed.get(), n)) return TImageError::ShortRead;
      DecodeRle(compression == biRle4, compressed.get(), n, pixels.get(), stride, width, height);
      info->SetBiCompression(biRgb);
    }

    Bitmap_.Width_ = static_cast<std::int32_t>(width);
    Bitmap_.Height_ = static_cast<std::int32_t>(height);
    Bitmap_.InstallImage(std::move(info), std::move(pixels), *pixelBytes);
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
    std::uint8_t region[kRegionKeepBytes];
    if (!ReadExact(region, keep)) return TImageError::ShortRead;
    if (keep < regionBytes && Stream_.Seek(regionBytes - keep, soFromCurrent) < 0) return TImageError::ShortRead;

    std::uint8_t* table = info.Table();
    if (!largerHeader) {
      std::memcpy(table, region, static_cast<std::size_t>(keep < kTableAreaBytes ? keep : kTableAreaBytes));
      return TImageError::None;
    }
    // A larger header: its masks (at the same offset as after a 40-byte
    // header) and then the colour table after the whole header.
    const std::int64_t extra = headerSize - kInfoHeaderBytes;
    std::int64_t at = 0;
    if (masks) {
      const std::int64_t maskBytes = keep < 12 ? keep : 12;
      std::memcpy(table, region, static_cast<std::size_t>(maskBytes));
      at = 12;
    }
    if (keep > extra) {
      std::int64_t n = keep - extra;
      if (n > kTableAreaBytes - at) n = kTableAreaBytes - at;
      std::memcpy(table + at, region + extra, static_cast<std::size_t>(n));
    }
    info.SetU32(0, kInfoHeaderBytes);
    return TImageError::None;
  }

  // Run-length decoding into a zeroed block. Every write is checked against
  // the image width and the row's own bytes; positions run in 64 bits so no
  // run of escapes can wrap them. Pixels no run covers stay 0.
  static void DecodeRle(bool rle4, const std::uint8_t* data, std::int64_t size, std::uint8_t* pixels,
                        std::int64_t stride, std::int64_t width, std::int64_t height) {
    const std::int64_t rowPixels = rle4 ? (stride * 2 < width ? stride * 2 : width) : (stride < width ? stride : width);
    std::int64_t x = 0, y = 0, i = 0;
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
    while (y < height && i < size) {
      const std::uint8_t count = data[i++];
      if (count != 0) {
        if (i >= size) break;
        const std::uint8_t value = data[i++];
        if (!rle4 && y < height && x >= 0 && x + count <= rowPixels) {
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
      if (i >= size) break;
      const std::uint8_t escape = data[i++];
      if (escape == 0) {
        ++y;
        x = 0;
      } else if (escape == 1) {
        break;
      } else if (escape == 2) {
        if (i + 2 > size) break;
        x += data[i];
        y += data[i + 1];
        i += 2;
      } else {
        const std::int64_t dataBytes = rle4 ? (escape + 1) / 2 : escape;
        if (!rle4 && y < height && x >= 0 && x + escape <= rowPixels && i + escape <= size) {
          std::memcpy(pixels + y * stride + x, data + i, escape);
          x += escape;
          i += dataBytes + (dataBytes & 1);
          continue;
        }
        for (int k = 0; k < escape; ++k) {
          const std::int64_t at = i + (rle4 ? k / 2 : k);
          if (at >= size) break;
          const auto v = static_cast<std::uint8_t>(rle4 ? ((k & 1) == 0 ? data[at] >> 4 : data[at] & 0x0F) : data[at]);
          put(x + k, v);
        }
        x += escape;
        i += dataBytes + (dataBytes & 1);
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
    LastError_ = stream->OpenError() == EINVAL ? TImageError::NotRegularFile : TImageError::CannotOpen;
    return false;
  }
  return ReadBmpStream(*stream);
}

}  // namespace kelvane
