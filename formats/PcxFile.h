// Every image the game and its mods keep under ".pcx", read by what it is.
//
// LoadPcxFile recognises the content (formats/ContentKind.h) and reads
// sprites, ZSoft PCX and P32 images into the image; anything else is named
// and refused, so the caller can tell the user what the file is. It takes a
// byte source, so archive entries are read from memory the same way as
// files.
#pragma once

#include <string>

#include "formats/ContentKind.h"
#include "image/ByteSource.h"
#include "image/DibBitmap.h"
#include "image/ImageError.h"

namespace kelvane {

struct TPcxRead {
  TContentKind Kind = TContentKind::Unknown;
  // True when the image was replaced. A sprite that passes its size test
  // counts as read even when its rows cannot be built: the image is then
  // empty and Why says why (as LoadSprite does).
  bool Read = false;
  // Why nothing, or nothing whole, was read: InvalidSprite for content of
  // no known kind, NotASprite for a known kind that is not read under
  // ".pcx" (PNG, BMP, DDS, zlib, DEF, D32), the reader's reason otherwise.
  TOutcome Why;
};

TPcxRead LoadPcxFile(TDibBitmap& image, TByteSource& source);
// The same for the file at `path`; a file that cannot be opened is refused
// with CannotOpen or NotRegularFile and the kind Unknown.
TPcxRead LoadPcxFile(TDibBitmap& image, const std::string& path);

}  // namespace kelvane
