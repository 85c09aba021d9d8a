#include "image/ImageError.h"

namespace kelvane {

const char* ImageErrorText(TImageError error) {
  switch (error) {
    case TImageError::None: return "";
    case TImageError::CannotOpen: return "Cannot open file";
    case TImageError::NotRegularFile: return "Not a regular file";
    case TImageError::ShortRead: return "Unexpected end of file";
    case TImageError::WidthNotPositive: return "Bitmap width must be > 0";
    case TImageError::HeightZero: return "Bitmap height must be > 0";
    case TImageError::NoMemory: return "No memory";
    case TImageError::UnknownCompression: return "Unknown compression algorithm";
    case TImageError::UnsupportedFormat: return "Unsupported bitmap format";
    case TImageError::BadHeader: return "Invalid bitmap header";
    case TImageError::InvalidSprite: return "Неверный формат!";
    case TImageError::NotEightBit: return "Not an 8-bit image";
    case TImageError::WriteFailed: return "Cannot write file";
  }
  return "";
}

}  // namespace kelvane
