// The texts the program shows for an image: its size ("64x48") and its
// format caption ("8 bit"). Shared by the main window and the command line,
// so both say exactly the same thing about the same image. No Qt here.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "image/PixelFormat.h"

namespace kelvane {

// Width in decimal, "x", height in decimal, no spaces: "64x48". An empty
// image gives "0x0".
std::string SizeText(std::int64_t width, std::int64_t height);

// "1 bit" ... "32 bit" for px1 to px32 (px15 is "15 bit"); "<ошибка>" for
// pxDevice (an empty image), pxCustom and any value outside the enum. UTF-8.
std::string_view FormatCaption(TPixelFormat format);

// The caption shown when an image has no format we can name.
inline constexpr std::string_view kErrorCaption = "<ошибка>";

}  // namespace kelvane
