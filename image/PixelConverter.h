// Row conversion between the pixel layouts a bitmap can hold.
//
// A TRowDecoder turns one stored row of any supported source (1, 2, 4 or 8
// bits through a colour table; 16 bits as 5-5-5 or bit fields with any
// masks; 24 bits; 32 bits plain or with masks) into 0xFFRRGGBB words. A
// TRowEncoder turns such words into a row of a target layout (1, 4, 8 bits
// onto the fixed tables by exact nearest colour; 16 bits 5-5-5 or 5-6-5;
// 24; 32). Colour tables are found after biSize bytes of header, bit-field
// masks at offset 40 of the header block, where readers keep them.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "image/BitmapInfoBlock.h"

namespace kelvane {

class TNearestColorMap;

class TRowDecoder {
 public:
  explicit TRowDecoder(const TBitmapInfoBlock& info);
  // False for layouts nobody can decode (0 or 64 bits, masks over 32 bits).
  bool Supported() const { return Supported_; }
  // Decodes `width` pixels; the row must hold them.
  void Decode(const std::uint8_t* row, std::int64_t width, std::uint32_t* out) const;
  // 3 or 4 when stored pixels are blue, green and red bytes (24 bits, or 32
  // without masks) that an encoder can take as they are; 0 otherwise.
  int PlainBytesPerPixel() const { return Bits_ == 24 ? 3 : Bits_ == 32 && !Masked_ ? 4 : 0; }

 private:
  struct TMask {
    std::uint32_t Mask = 0;
    int Shift = 0;
    std::uint64_t Max = 0;
    std::uint32_t Expand(std::uint32_t pixel) const {
      if (Max == 0) return 0;
      const std::uint64_t v = (pixel & Mask) >> Shift;
      return static_cast<std::uint32_t>((v * 255 + Max / 2) / Max);
    }
  };
  static TMask MakeMask(std::uint32_t mask);

  int Bits_ = 0;
  bool Supported_ = false;
  bool Masked_ = false;
  std::uint32_t Palette_[256] = {};
  TMask Masks_[3];
  std::vector<std::uint32_t> Lookup16_;  // every 16-bit pixel value, decoded
};

class TRowEncoder {
 public:
  // Writes the fixed colour table into `target` for 8 bits or fewer.
  explicit TRowEncoder(TBitmapInfoBlock& target);
  ~TRowEncoder();
  bool Supported() const { return Supported_; }
  void Encode(const std::uint32_t* in, std::int64_t width, std::uint8_t* row) const;
  // Whether EncodeBgr serves: 8-bit targets, which skip decoding to words.
  bool EncodesBgr() const { return Supported_ && Bits_ == 8; }
  // The same as decoding a row of plain pixels (see PlainBytesPerPixel) and
  // encoding it.
  void EncodeBgr(const std::uint8_t* in, int bytesPerPixel, std::int64_t width, std::uint8_t* row) const;

 private:
  int Bits_ = 0;
  bool Supported_ = false;
  bool Rgb565_ = false;
  // Its own map, or the one it shares with the other encoders of a batch.
  std::shared_ptr<TNearestColorMap> Map_;
};

}  // namespace kelvane
