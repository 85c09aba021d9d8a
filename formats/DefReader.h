// Reading the game's DEF animations: every group and every frame, in all
// four pixel formats, decoded to full canvases.
//
// File layout, all integers u32 little-endian:
//   0    type (0x40 spell ... 0x49 combat hero; see DefTypeName)
//   4    full width, 8 full height
//   12   group count
//   16   palette: 256 entries of red, green, blue (768 bytes)
//   784  the groups, one after another:
//          group id (ids may have gaps), frame count n, two words of no
//          meaning (often junk), n names of 13 bytes (NUL-terminated, junk
//          may follow the NUL), n absolute frame offsets
// Frame, at its offset (frames may lie in any order, and one frame may be
// listed several times):
//   0    data size (bytes after this header)
//   4    pixel format, 0 to 3
//   8    full width, 12 full height: the canvas
//   16   stored width, 20 stored height
//   24   left, 28 top: where the stored pixels sit on the canvas; index 0
//        fills the rest
//   32   the data; every offset below counts from here
// Pixel formats (stored width w, stored height h):
//   0    w x h raw indexes, top row first
//   1    h u32 row offsets; a row is segments (code, length - 1): code 0xFF
//        is followed by that many literal indexes, any other code is a run
//        of that index
//   2    h u16 row offsets; a segment is one byte: the top 3 bits a code,
//        the low 5 bits length - 1; code 7 is followed by that many literal
//        indexes, codes 0 to 6 are a run of that index
//   3    h x (w / 32) u16 offsets, one for each 32-pixel piece of each row
//        (w is a multiple of 32); each piece coded as in format 2, no
//        segment crossing its 32 pixels
//
// Nothing a file says is trusted. The file is read whole, under
// kMaxDefFileBytes; counts and canvases are capped (DefAnimation.h) before
// anything is allocated; every read goes through the checked byte reader,
// every write into a canvas stays inside the stored rectangle, which must
// lie inside the canvas. A frame's data size is not relied on: its reads
// are bounded by the file, so a size field that is off does not refuse a
// frame whose pixels are all there. Failures and their kinds:
//   shorter than the header, a group table or a frame cut off  ShortRead
//   a frame or row offset at or beyond the end of the file     OffsetOutsideFile
//   a run longer than what is left of its row                  RunPastRow
//   a format 3 run crossing its 32-pixel piece                 RunCrossesPiece
//   a stored rectangle not inside the canvas                   RectOutsideCanvas
//   a pixel format above 3                                     UnknownPixelFormat
//   a canvas of no pixels, format 3 widths not a multiple of 32 BadFrameHeader
//   counts or canvases above the caps, a file above its cap    OverLimit
// with the place in TDefProblem::Where. A failed read leaves the animation
// empty.
#pragma once

#include <string>

#include "formats/DefAnimation.h"
#include "image/ByteSource.h"

namespace kelvane {

// Reads the DEF in `source` (a file, or bytes in memory such as an archive
// entry) into `animation`.
TDefProblem ReadDef(TByteSource& source, TDefAnimation& animation);
// The same for the file at `path` (CannotOpen, NotRegularFile).
TDefProblem ReadDefFile(const std::string& path, TDefAnimation& animation);

}  // namespace kelvane
