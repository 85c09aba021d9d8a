#include "image/ImageError.h"

#include <cstring>

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
    case TImageError::OverLimit: return "No memory";
    case TImageError::UnknownCompression: return "Unknown compression algorithm";
    case TImageError::UnsupportedFormat: return "Unsupported bitmap format";
    case TImageError::BadHeader: return "Invalid bitmap header";
    case TImageError::InvalidSprite: return "Неверный формат!";
    case TImageError::NotPng: return "Not a PNG file";
    case TImageError::PngChecksum: return "PNG data fails its checksum";
    case TImageError::InvalidPngHeader: return "Invalid PNG header: size, colour type or bit depth";
    case TImageError::InvalidPng: return "Invalid PNG data";
    case TImageError::NotAPalette: return "The file holds no colour palette";
    case TImageError::InvalidPalette: return "Invalid palette file";
    case TImageError::EmptyImage: return "The image is empty";
    case TImageError::NotEightBit: return "Not an 8-bit image";
    case TImageError::NotWritableAsBmp: return "The image cannot be written as a BMP file";
    case TImageError::NoFileName: return "No file name";
    case TImageError::CannotCreate: return "Cannot create file";
    case TImageError::WriteFailed: return "Cannot write file";
    case TImageError::InexactColors: return "Some pixels are not colours of the palette";
  }
  return "";
}

const char* ImageErrorName(TImageError error) {
  switch (error) {
    case TImageError::None: return "None";
    case TImageError::CannotOpen: return "CannotOpen";
    case TImageError::NotRegularFile: return "NotRegularFile";
    case TImageError::ShortRead: return "ShortRead";
    case TImageError::WidthNotPositive: return "WidthNotPositive";
    case TImageError::HeightZero: return "HeightZero";
    case TImageError::NoMemory: return "NoMemory";
    case TImageError::OverLimit: return "OverLimit";
    case TImageError::UnknownCompression: return "UnknownCompression";
    case TImageError::UnsupportedFormat: return "UnsupportedFormat";
    case TImageError::BadHeader: return "BadHeader";
    case TImageError::InvalidSprite: return "InvalidSprite";
    case TImageError::NotPng: return "NotPng";
    case TImageError::PngChecksum: return "PngChecksum";
    case TImageError::InvalidPngHeader: return "InvalidPngHeader";
    case TImageError::InvalidPng: return "InvalidPng";
    case TImageError::NotAPalette: return "NotAPalette";
    case TImageError::InvalidPalette: return "InvalidPalette";
    case TImageError::EmptyImage: return "EmptyImage";
    case TImageError::NotEightBit: return "NotEightBit";
    case TImageError::NotWritableAsBmp: return "NotWritableAsBmp";
    case TImageError::NoFileName: return "NoFileName";
    case TImageError::CannotCreate: return "CannotCreate";
    case TImageError::WriteFailed: return "WriteFailed";
    case TImageError::InexactColors: return "InexactColors";
  }
  return "?";
}

std::string TOutcome::Text() const {
  std::string text = ImageErrorText(Error);
  if (Error != TImageError::None && SystemError != 0) {
    text += ": ";
    text += std::strerror(SystemError);
  }
  return text;
}

}  // namespace kelvane
