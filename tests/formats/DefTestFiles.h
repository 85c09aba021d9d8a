// Builders for DEF bytes in tests, written field by field so that the
// reader's tests do not depend on the writer, and canvases to feed both.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "formats/DefAnimation.h"
#include "tests/image/TestBmp.h"

namespace kelvane::test {

// A frame: header (its data size the data's length) and data.
struct RawFrame {
  std::uint32_t Format = 0;
  std::uint32_t FullWidth = 0, FullHeight = 0;
  std::uint32_t Width = 0, Height = 0, Left = 0, Top = 0;
  Bytes Data;
};

inline Bytes FrameBytes(const RawFrame& f) {
  Bytes b;
  for (std::uint32_t v : {static_cast<std::uint32_t>(f.Data.size()), f.Format, f.FullWidth, f.FullHeight, f.Width,
                          f.Height, f.Left, f.Top})
    Put32(b, v);
  b.insert(b.end(), f.Data.begin(), f.Data.end());
  return b;
}

struct RawGroup {
  std::uint32_t Id = 0;
  std::vector<std::pair<std::string, std::size_t>> Frames;  // name (up to 13 bytes), frame index
};

inline TDefPalette TestPalette() {
  TDefPalette p{};
  for (int i = 0; i < 256; ++i) {
    p[3 * i] = static_cast<std::uint8_t>(i);
    p[3 * i + 1] = static_cast<std::uint8_t>(255 - i);
    p[3 * i + 2] = static_cast<std::uint8_t>(i * 7);
  }
  return p;
}

// A whole DEF. Frames are stored in `order` (indexes into `frames`; all of
// them in turn when empty), so the group tables may list them out of order.
inline Bytes DefBytes(std::uint32_t type, std::uint32_t width, std::uint32_t height,
                      const std::vector<RawGroup>& groups, const std::vector<Bytes>& frames,
                      std::vector<std::size_t> order = {}) {
  if (order.empty())
    for (std::size_t i = 0; i < frames.size(); ++i) order.push_back(i);
  std::size_t tables = 16 + 768;
  for (const RawGroup& g : groups) tables += 16 + 17 * g.Frames.size();
  std::vector<std::uint32_t> offsets(frames.size());
  Bytes body;
  for (std::size_t i : order) {
    offsets[i] = static_cast<std::uint32_t>(tables + body.size());
    body.insert(body.end(), frames[i].begin(), frames[i].end());
  }
  Bytes b;
  Put32(b, type);
  Put32(b, width);
  Put32(b, height);
  Put32(b, static_cast<std::uint32_t>(groups.size()));
  const TDefPalette palette = TestPalette();
  b.insert(b.end(), palette.begin(), palette.end());
  for (const RawGroup& g : groups) {
    Put32(b, g.Id);
    Put32(b, static_cast<std::uint32_t>(g.Frames.size()));
    Put32(b, 0xDEADBEEF);  // the two words nothing reads
    Put32(b, 0x12345678);
    for (const auto& [name, frame] : g.Frames) {
      Bytes field(13, 0);
      std::copy_n(name.begin(), std::min<std::size_t>(name.size(), 13), field.begin());
      b.insert(b.end(), field.begin(), field.end());
    }
    for (const auto& [name, frame] : g.Frames) Put32(b, offsets[frame]);
  }
  b.insert(b.end(), body.begin(), body.end());
  return b;
}

// A canvas from rows of indexes.
inline TDefCanvas CanvasOf(std::vector<Bytes> rows) {
  TDefCanvas c;
  c.Height = static_cast<std::int32_t>(rows.size());
  c.Width = rows.empty() ? 0 : static_cast<std::int32_t>(rows[0].size());
  Bytes all;
  for (const Bytes& row : rows) all.insert(all.end(), row.begin(), row.end());
  c.Indexes = all;
  return c;
}

// A picture on transparency: a band of every index (so literals, runs of
// every length, 0xFF runs and the reserved indexes 0 to 7 all occur), inset
// by `margin` pixels on each side.
inline TDefCanvas Picture(std::int32_t width, std::int32_t height, std::int32_t margin, int seed) {
  TDefCanvas c;
  c.Width = width;
  c.Height = height;
  c.Indexes = Bytes(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), 0);
  for (std::int32_t y = margin; y < height - margin; ++y) {
    for (std::int32_t x = margin; x < width - margin; ++x) {
      const int band = (x / 5 + y + seed) % 6;
      int v;
      switch (band) {
        case 0: v = (x * 13 + y * 7 + seed) & 0xFF; break;  // every index, no runs
        case 1: v = 0xFF; break;                              // runs of 255
        case 2: v = (y + seed) % 8; break;                    // reserved indexes
        case 3: v = 200; break;
        case 4: v = 7; break;                                 // literal-only in formats 2 and 3
        default: v = 8 + (x + seed) % 3; break;
      }
      c.Indexes[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x)] =
          static_cast<std::uint8_t>(v);
    }
  }
  return c;
}

}  // namespace kelvane::test
