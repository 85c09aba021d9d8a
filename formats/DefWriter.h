// Writing the game's DEF animations from 8-bit canvases with one palette
// (the layout is in DefReader.h).
//
// - Every stored frame is in one pixel format: the one the game uses for
//   the animation's type (GamePixelFormatFor), or the one asked for.
// - A frame stores only the rectangle around its non-transparent pixels
//   (index 0 is transparency); in format 3 that rectangle is widened to a
//   multiple of 32 pixels, moved left where the canvas ends. A frame with
//   nothing to show stores one transparent pixel (32 in format 3).
// - Identical canvases are stored once, whichever groups list them; frames
//   no group lists are not written.
// - The run-length formats keep the indexes the game draws specially (0 to
//   7: transparency, shadows, selection) in runs, never among literal
//   pixels, and use runs for other indexes where three or more repeat
//   (format 1; formats 2 and 3 have runs for indexes 0 to 6 only).
// - Names are written NUL-terminated and zero-padded; the two words of no
//   meaning in each group are zero, so the file holds no stray bytes.
//
// Refusals (TDefProblem, with the frame or name concerned):
//   a name above 12 bytes or with a NUL                 BadFrameName
//   a canvas of no pixels, a reference to no frame      BadFrameHeader
//   a pixel format above 3                              UnknownPixelFormat
//   format 3 on a canvas narrower than the 32-pixel
//   multiple its pixels need, or a format 2 or 3 frame
//   whose 16-bit offsets cannot reach its rows          DoesNotFitFormat
//   more groups, frames, canvas bytes or file bytes
//   than the reader takes (DefAnimation.h)              OverLimit
// so whatever is written, ReadDef reads back to the same canvases.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "formats/DefAnimation.h"

namespace kelvane {

struct TDefWriteOptions {
  // The pixel format of every stored frame; none: the game's for the type.
  std::optional<std::uint32_t> PixelFormat;
};

// The DEF of `animation` in `out` (replacing what it held).
TDefProblem EncodeDef(const TDefAnimation& animation, const TDefWriteOptions& options, std::vector<std::uint8_t>& out);
// Writes it to `path`; the old file is replaced only when everything was
// written.
TDefProblem SaveDef(const TDefAnimation& animation, const TDefWriteOptions& options, const std::string& path);

}  // namespace kelvane
