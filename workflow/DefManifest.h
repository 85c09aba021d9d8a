// The manifest `def extract` writes beside a DEF's frames and `def build`
// reads back: a small text file a modder can read and edit.
//
//   # A comment runs from "#" (outside quotes) to the end of the line.
//   kelvane-def-manifest 1
//   type 0x42
//   size 48 40
//   format auto
//   palette 00ffff ff96ff ff64ff ... (RRGGBB, 256 in all, over any lines)
//   group 0
//   frame "CAtest00.pcx" "ADAG-0-0.bmp"
//   frame "CAtest01.pcx" "ADAG-0-1.bmp"
//   group 5
//   frame "CAtest00.pcx" "ADAG-5-0.bmp"
//
// - the first line (comments aside) names the format and its version;
// - `type`: the DEF type, decimal or 0x hexadecimal;
// - `size`: the full width and height the DEF header gives;
// - `format`: the pixel format of every stored frame, 0 to 3, or `auto`
//   for the one the game uses with the type;
// - `palette`: the DEF's 256 colours, in order;
// - `group ID` starts a group; each `frame NAME FILE` that follows adds a
//   frame to it: the frame's name inside the DEF (at most 12 bytes) and its
//   image file, relative to the manifest's folder unless absolute. Several
//   frames may name one file.
// Names and files are in double quotes; inside them \" and \\ stand for
// themselves and \xHH for any byte (the writer escapes control bytes and
// every byte above 0x7E that way). Words are separated by spaces or tabs.
//
// Parsing is strict: an unknown keyword, a missing field, a number out of
// range, a palette of other than 256 colours, or counts above the reader's
// caps (DefAnimation.h) are errors naming the line.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "formats/DefAnimation.h"

namespace kelvane {

struct TManifestFrame {
  std::string Name;  // inside the DEF
  std::string File;  // as written in the manifest
};

struct TManifestGroup {
  std::uint32_t Id = 0;
  std::vector<TManifestFrame> Frames;
};

struct TDefManifest {
  std::uint32_t Type = 0;
  std::uint32_t Width = 0;
  std::uint32_t Height = 0;
  std::optional<std::uint32_t> PixelFormat;  // none: `auto`
  TDefPalette Palette{};
  std::vector<TManifestGroup> Groups;
};

// The manifest's text, ending with a newline.
std::string FormatDefManifest(const TDefManifest& manifest);
// Parses `text`; on failure `error` says what and on which line ("line 7:
// frame before any group") and `manifest` is left as it was.
bool ParseDefManifest(std::string_view text, TDefManifest& manifest, std::string& error);

}  // namespace kelvane
