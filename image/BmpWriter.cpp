// The BMP writer. It never recomputes the image: after a 14-byte file header
// it writes the header block as held and the pixel block as held.
//
// File layout:
//   0        14   "BM", u32 bfSize, two zero u16, u32 bfOffBits
//   14       40   the info header of the block, byte for byte
//   54       t+e  t = 4 x 2^biBitCount table bytes for 8 bits or fewer (the
//                 whole table, whatever biClrUsed says), e = 74 mask bytes
//                 when the compression is not 0
//   54+t+e   PixelBytes, rows in storage order with their padding
// bfOffBits = 54 + t + e, bfSize = bfOffBits + PixelBytes. Readers of the
// sprite writer depend on this: an 8-bit image has its table at 54 and its
// rows at 1078.
//
// Refused: an image of 8 bits or fewer with a non-zero compression (only the
// plain reader keeps such a header, over RLE bytes it did not decode); its
// table and masks would not fit the header block and the file would lie.
#include <cstring>

#include "image/ByteStream.h"
#include "image/DibBitmap.h"
#include "image/LittleEndian.h"
#include "image/SafeSave.h"

namespace kelvane {

namespace {

constexpr int kMaskAreaBytes = 74;

// Bytes of the header block written after the file header (40 + t + e), or
// 0 for a header the writer refuses: 8 bits or fewer with a compression.
std::int64_t HeaderBytesToWrite(const TBitmapInfoBlock& info) {
  const int bits = info.biBitCount();
  const bool compressed = info.biCompression() != biRgb;
  if (bits <= 8 && compressed) return 0;
  const std::int64_t table = bits <= 8 ? (std::int64_t{4} << bits) : 0;
  return kInfoHeaderBytes + table + (compressed ? kMaskAreaBytes : 0);
}

}  // namespace

bool TDibBitmap::WriteBmpStream(TByteStream& stream) {
  if (IsEmpty()) return false;
  const std::int64_t start = stream.GetPosition();
  SetHandleKind(hkDib);
  if (!Info_) return false;

  const std::int64_t headerBytes = HeaderBytesToWrite(*Info_);
  if (headerBytes == 0) return false;
  const std::int64_t offBits = 14 + headerBytes;
  const std::int64_t pixelBytes = Pixels_ != nullptr ? PixelBytes_ : 0;

  std::uint8_t fileHeader[14] = {'B', 'M'};
  StoreU32(fileHeader + 2, static_cast<std::uint32_t>(offBits + pixelBytes));
  StoreU16(fileHeader + 6, 0);
  StoreU16(fileHeader + 8, 0);
  StoreU32(fileHeader + 10, static_cast<std::uint32_t>(offBits));

  const bool ok = stream.Write(fileHeader, 14) == 14 &&
                  stream.Write(Info_->Bytes.data(), headerBytes) == headerBytes &&
                  (pixelBytes == 0 || stream.Write(Pixels_, pixelBytes) == pixelBytes);
  if (!ok && start >= 0) stream.Seek(start, soFromStart);
  return ok;
}

TOutcome TDibBitmap::WriteBmpFile(const std::string& fileName) {
  if (IsEmpty()) return TOutcome::Failure(TImageError::EmptyImage);
  // Conversion happens before the file is touched, so an image that cannot
  // be written leaves no trace.
  SetHandleKind(hkDib);
  if (!Info_ || HeaderBytesToWrite(*Info_) == 0) return TOutcome::Failure(TImageError::NotWritableAsBmp);
  return SaveFileReplacing(fileName, [this](TByteStream& stream) { return WriteBmpStream(stream); });
}

}  // namespace kelvane
