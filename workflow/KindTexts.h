// What the program says about a ".pcx" file it does not read as an image:
// the second line of the window's "Неверный формат!" box and the command
// line's error, both naming what the file is ("Это изображение PNG, а не
// спрайт игры", "this is a PNG image, not a game sprite"). UTF-8. No Qt.
#pragma once

#include <string>

#include "formats/ContentKind.h"
#include "image/ImageError.h"

namespace kelvane {

// The line under "Неверный формат!" for a file of `kind` that was not read;
// "" for sprites and unknown content, which the first line says enough about.
std::string NotReadLine(TContentKind kind);

// The command line's reason for the same file: what it is, and for a ZSoft
// PCX or P32 image that could not be read, `why`'s text. "" for sprites and
// unknown content, whose reason is `why` alone.
std::string NotReadDetail(TContentKind kind, const TOutcome& why);

}  // namespace kelvane
