#include "workflow/ImageCaptions.h"

namespace kelvane {

std::string SizeText(std::int64_t width, std::int64_t height) {
  return std::to_string(width) + "x" + std::to_string(height);
}

std::string_view FormatCaption(TPixelFormat format) {
  // Indexed by the enum's fixed order, pxDevice to px32; the value may come
  // from a cast, so everything past px32 is checked rather than trusted.
  constexpr std::string_view kCaptions[] = {kErrorCaption, "1 bit",  "4 bit",  "8 bit",
                                            "15 bit",      "16 bit", "24 bit", "32 bit"};
  const auto index = static_cast<unsigned>(format);
  if (index >= std::size(kCaptions)) return kErrorCaption;
  return kCaptions[index];
}

}  // namespace kelvane
