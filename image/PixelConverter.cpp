#include "image/PixelConverter.h"

#include <bit>
#include <cstring>

#include "image/Assert.h"
#include "image/FixedPalettes.h"
#include "image/NearestColorMap.h"

namespace kelvane {

TRowDecoder::TMask TRowDecoder::MakeMask(std::uint32_t mask) {
  TMask m;
  m.Mask = mask;
  if (mask == 0) return m;
  m.Shift = std::countr_zero(mask);
  m.Max = mask >> m.Shift;  // a mask with gaps still scales by its top value
  return m;
}

TRowDecoder::TRowDecoder(const TBitmapInfoBlock& info) {
  Bits_ = info.biBitCount();
  const std::uint32_t compression = info.biCompression();
  switch (Bits_) {
    case 1:
    case 2:
    case 4:
    case 8: {
      // The table follows the header; entries the block does not hold are
      // black.
      const std::uint32_t tableOffset = info.biSize() < kInfoBlockBytes ? info.biSize() : kInfoBlockBytes;
      const int entries = 1 << Bits_;
      for (int i = 0; i < entries; ++i) {
        const std::uint32_t at = tableOffset + static_cast<std::uint32_t>(i) * 4;
        if (at + 4 > kInfoBlockBytes) break;
        Palette_[i] = 0xFF000000u | (info.Bytes[at + 2] << 16) | (info.Bytes[at + 1] << 8) | info.Bytes[at];
      }
      Supported_ = true;
      break;
    }
    case 16:
    case 32:
      if (compression == biBitFields) {
        Masked_ = true;
        for (int k = 0; k < 3; ++k) Masks_[k] = MakeMask(info.U32(kInfoHeaderBytes + 4 * k));
      } else if (Bits_ == 16) {
        Masked_ = true;
        Masks_[0] = MakeMask(0x7C00);
        Masks_[1] = MakeMask(0x03E0);
        Masks_[2] = MakeMask(0x001F);
      }
      if (Bits_ == 16) {
        Lookup16_.resize(65536);
        for (std::uint32_t v = 0; v < 65536; ++v)
          Lookup16_[v] = 0xFF000000u | (Masks_[0].Expand(v) << 16) | (Masks_[1].Expand(v) << 8) | Masks_[2].Expand(v);
      }
      Supported_ = true;
      break;
    case 24: Supported_ = true; break;
    default: break;
  }
}

void TRowDecoder::Decode(const std::uint8_t* row, std::int64_t width, std::uint32_t* out) const {
  KELVANE_ASSERT(Supported_ && width >= 0 && (width == 0 || (row != nullptr && out != nullptr)));
  switch (Bits_) {
    case 1:
    case 2:
    case 4: {
      const int perByte = 8 / Bits_;
      const std::uint32_t mask = (1u << Bits_) - 1;
      for (std::int64_t x = 0; x < width; ++x) {
        const int shift = 8 - Bits_ * (1 + static_cast<int>(x % perByte));
        out[x] = Palette_[(row[x / perByte] >> shift) & mask];
      }
      break;
    }
    case 8:
      for (std::int64_t x = 0; x < width; ++x) out[x] = Palette_[row[x]];
      break;
    case 16:
      for (std::int64_t x = 0; x < width; ++x) out[x] = Lookup16_[row[2 * x] | (row[2 * x + 1] << 8)];
      break;
    case 24:
      for (std::int64_t x = 0; x < width; ++x)
        out[x] = 0xFF000000u | (std::uint32_t{row[3 * x + 2]} << 16) | (std::uint32_t{row[3 * x + 1]} << 8) |
                 row[3 * x];
      break;
    case 32:
      if (Masked_) {
        for (std::int64_t x = 0; x < width; ++x) {
          std::uint32_t v;
          std::memcpy(&v, row + 4 * x, 4);
          out[x] = 0xFF000000u | (Masks_[0].Expand(v) << 16) | (Masks_[1].Expand(v) << 8) | Masks_[2].Expand(v);
        }
      } else {
        for (std::int64_t x = 0; x < width; ++x) {
          std::uint32_t v;
          std::memcpy(&v, row + 4 * x, 4);
          out[x] = 0xFF000000u | v;
        }
      }
      break;
    default: break;
  }
}

TRowEncoder::TRowEncoder(TBitmapInfoBlock& target) {
  Bits_ = target.biBitCount();
  switch (Bits_) {
    case 1:
    case 4:
    case 8: {
      const auto palette = FixedPaletteFor(Bits_);
      std::uint8_t* table = target.Table();
      for (std::size_t i = 0; i < palette.size(); ++i) {
        table[4 * i] = static_cast<std::uint8_t>(palette[i]);
        table[4 * i + 1] = static_cast<std::uint8_t>(palette[i] >> 8);
        table[4 * i + 2] = static_cast<std::uint8_t>(palette[i] >> 16);
        table[4 * i + 3] = 0;
      }
      Map_ = AcquireNearestColorMap(palette);
      Supported_ = true;
      break;
    }
    case 16:
      Rgb565_ = target.biCompression() == biBitFields;
      Supported_ = true;
      break;
    case 24:
    case 32: Supported_ = true; break;
    default: break;
  }
}

TRowEncoder::~TRowEncoder() = default;

void TRowEncoder::EncodeBgr(const std::uint8_t* in, int bytesPerPixel, std::int64_t width, std::uint8_t* row) const {
  KELVANE_ASSERT(EncodesBgr() && (bytesPerPixel == 3 || bytesPerPixel == 4) && width >= 0);
  Map_->NearestRowBgr(in, bytesPerPixel, width, row);
}

void TRowEncoder::Encode(const std::uint32_t* in, std::int64_t width, std::uint8_t* row) const {
  KELVANE_ASSERT(Supported_ && width >= 0 && (width == 0 || (in != nullptr && row != nullptr)));
  switch (Bits_) {
    case 1:
    case 4: {
      const int perByte = 8 / Bits_;
      for (std::int64_t x = 0; x < width; ++x) {
        const int shift = 8 - Bits_ * (1 + static_cast<int>(x % perByte));
        row[x / perByte] = static_cast<std::uint8_t>(row[x / perByte] | (Map_->Nearest(in[x]) << shift));
      }
      break;
    }
    case 8:
      Map_->NearestRow(in, width, row);
      break;
    case 16:
      for (std::int64_t x = 0; x < width; ++x) {
        const std::uint32_t r = (in[x] >> 16) & 0xFF, g = (in[x] >> 8) & 0xFF, b = in[x] & 0xFF;
        const std::uint32_t v = Rgb565_ ? ((r >> 3) << 11) | ((g >> 2) << 5) | (b >> 3)
                                        : ((r >> 3) << 10) | ((g >> 3) << 5) | (b >> 3);
        row[2 * x] = static_cast<std::uint8_t>(v);
        row[2 * x + 1] = static_cast<std::uint8_t>(v >> 8);
      }
      break;
    case 24:
      for (std::int64_t x = 0; x < width; ++x) {
        row[3 * x] = static_cast<std::uint8_t>(in[x]);
        row[3 * x + 1] = static_cast<std::uint8_t>(in[x] >> 8);
        row[3 * x + 2] = static_cast<std::uint8_t>(in[x] >> 16);
      }
      break;
    case 32:
      for (std::int64_t x = 0; x < width; ++x) {
        const std::uint32_t v = in[x] & 0x00FFFFFFu;
        std::memcpy(row + 4 * x, &v, 4);
      }
      break;
    default: break;
  }
}

}  // namespace kelvane
