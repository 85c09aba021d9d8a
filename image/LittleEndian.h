// Little-endian fields of the file formats, read and written through memcpy
// (no alignment assumed). The machines Kelvane runs on are little-endian, as
// the static_assert below makes sure.
#pragma once

#include <bit>
#include <cstdint>
#include <cstring>

namespace kelvane {

static_assert(std::endian::native == std::endian::little, "the file formats are read in the machine's byte order");

inline std::uint32_t LoadU32(const std::uint8_t* p) {
  std::uint32_t v;
  std::memcpy(&v, p, 4);
  return v;
}
inline std::int32_t LoadI32(const std::uint8_t* p) { return static_cast<std::int32_t>(LoadU32(p)); }
inline void StoreU16(std::uint8_t* p, std::uint16_t v) { std::memcpy(p, &v, 2); }
inline void StoreU32(std::uint8_t* p, std::uint32_t v) { std::memcpy(p, &v, 4); }

}  // namespace kelvane
