// Builders for BMP and sprite bytes in tests, written field by field so that
// tests do not depend on the writer they check.
#pragma once

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "image/ByteStream.h"

namespace kelvane::test {

using Bytes = std::vector<std::uint8_t>;

inline void Put16(Bytes& b, std::uint16_t v) {
  b.push_back(static_cast<std::uint8_t>(v));
  b.push_back(static_cast<std::uint8_t>(v >> 8));
}
inline void Put32(Bytes& b, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) b.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}
inline std::uint32_t Get32(const Bytes& b, std::size_t at) {
  std::uint32_t v;
  std::memcpy(&v, b.data() + at, 4);
  return v;
}

struct InfoHeader {
  std::uint32_t Size = 40;
  std::int32_t Width = 1;
  std::int32_t Height = 1;
  std::uint16_t Planes = 1;
  std::uint16_t BitCount = 24;
  std::uint32_t Compression = 0;
  std::uint32_t SizeImage = 0;
  std::uint32_t ClrUsed = 0;
};

inline void PutInfo(Bytes& b, const InfoHeader& h) {
  Put32(b, h.Size);
  Put32(b, static_cast<std::uint32_t>(h.Width));
  Put32(b, static_cast<std::uint32_t>(h.Height));
  Put16(b, h.Planes);
  Put16(b, h.BitCount);
  Put32(b, h.Compression);
  Put32(b, h.SizeImage);
  Put32(b, 0);
  Put32(b, 0);
  Put32(b, h.ClrUsed);
  Put32(b, 0);
}

// A file: "BM" header, the info header, `between` (table, masks, header
// rest) and the pixel data. bfOffBits and bfSize are computed unless given.
inline Bytes MakeBmp(const InfoHeader& h, const Bytes& between, const Bytes& pixels, std::int64_t offBits = -1,
                     std::int64_t fileSize = -1) {
  Bytes b{'B', 'M'};
  const std::uint32_t off = offBits >= 0 ? static_cast<std::uint32_t>(offBits)
                                         : static_cast<std::uint32_t>(54 + between.size());
  Put32(b, fileSize >= 0 ? static_cast<std::uint32_t>(fileSize)
                         : static_cast<std::uint32_t>(54 + between.size() + pixels.size()));
  Put32(b, 0);
  Put32(b, off);
  PutInfo(b, h);
  b.insert(b.end(), between.begin(), between.end());
  b.insert(b.end(), pixels.begin(), pixels.end());
  return b;
}

// A greyscale-ish table of `entries` entries: entry i = (i, 255 - i, i / 2).
inline Bytes MakeTable(int entries) {
  Bytes t;
  for (int i = 0; i < entries; ++i) {
    t.push_back(static_cast<std::uint8_t>(i / 2));
    t.push_back(static_cast<std::uint8_t>(255 - i));
    t.push_back(static_cast<std::uint8_t>(i));
    t.push_back(0);
  }
  return t;
}

inline std::unique_ptr<TMemoryByteStream> StreamOf(const Bytes& bytes) {
  auto s = NewMemoryByteStream();
  s->Write(bytes.data(), static_cast<std::int64_t>(bytes.size()));
  s->Seek(0, soFromStart);
  return s;
}

inline Bytes ReadFileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

inline void WriteFileBytes(const std::string& path, const Bytes& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// A fresh directory under the system's temporary directory, removed at the end.
class TempDir {
 public:
  TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "kelvane-test-XXXXXX").string();
    Path_ = ::mkdtemp(pattern.data());
  }
  ~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(Path_, ec);
  }
  std::string operator/(const std::string& name) const { return Path_ + "/" + name; }
  const std::string& Path() const { return Path_; }

 private:
  std::string Path_;
};

}  // namespace kelvane::test
