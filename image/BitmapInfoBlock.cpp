#include "image/BitmapInfoBlock.h"

namespace kelvane {

TBitmapInfoBlock MakeInfoBlock(std::int32_t width, std::int32_t height, int bitCount) {
  TBitmapInfoBlock block;
  block.SetU32(0, kInfoHeaderBytes);
  block.SetU32(4, static_cast<std::uint32_t>(width));
  block.SetU32(8, static_cast<std::uint32_t>(height));
  block.SetU16(12, 1);
  block.SetU16(14, static_cast<std::uint16_t>(bitCount));
  return block;
}

void SetBitFields565(TBitmapInfoBlock& block) {
  block.SetBiCompression(biBitFields);
  // Masks, then a 16-entry colour table that no reader of a 16-bit image
  // looks at: 76 bytes from offset 40, the rest of the area stays zero.
  block.SetU32(40, 0xF800);
  block.SetU32(44, 0x07E0);
  block.SetU32(48, 0x001F);
  for (int i = 52; i < 52 + 64; ++i) block.Bytes[static_cast<std::size_t>(i)] = 0;
}

}  // namespace kelvane
