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
    case TImageError::NotASprite: return "Not a game sprite";
    case TImageError::DamagedCompression: return "Damaged compressed data";
    case TImageError::OffsetOutsideFile: return "An offset points outside the file";
    case TImageError::RunPastRow: return "A run of pixels goes past the end of its row";
    case TImageError::RunCrossesPiece: return "A run of pixels crosses the end of its 32-pixel piece";
    case TImageError::RectOutsideCanvas: return "A frame's stored rectangle lies outside its canvas";
    case TImageError::UnknownPixelFormat: return "Unknown DEF pixel format";
    case TImageError::BadFrameHeader: return "Invalid DEF frame header";
    case TImageError::DuplicateGroupId: return "Two groups of the DEF have the same id";
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
    case TImageError::NotAnArchive: return "Not a LOD archive";
    case TImageError::TooManyEntries: return "More entries than an archive holds (10000)";
    case TImageError::UnsafeName: return "Unsafe entry name";
    case TImageError::DuplicateName: return "Duplicate entry name";
    case TImageError::EntryOutsideFile: return "Entry data lies outside the archive";
    case TImageError::OverlappingEntry: return "Entry data overlaps other data";
    case TImageError::DamagedData: return "Compressed data is damaged";
    case TImageError::DataBeyondSize: return "Compressed data is larger than its declared size";
    case TImageError::NoSuchEntry: return "No such entry in the archive";
    case TImageError::DamagedArchive: return "The archive has damaged entries; it is not changed";
    case TImageError::NameCollision: return "Output name already taken";
    case TImageError::BadFrameName: return "A frame name must be at most 12 bytes, without NUL";
    case TImageError::DoesNotFitFormat: return "The frame cannot be stored in its DEF pixel format";
    case TImageError::PaletteMismatch: return "The image's palette is not the DEF's palette";
    case TImageError::BadManifest: return "Invalid DEF manifest";
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
    case TImageError::NotASprite: return "NotASprite";
    case TImageError::DamagedCompression: return "DamagedCompression";
    case TImageError::OffsetOutsideFile: return "OffsetOutsideFile";
    case TImageError::RunPastRow: return "RunPastRow";
    case TImageError::RunCrossesPiece: return "RunCrossesPiece";
    case TImageError::RectOutsideCanvas: return "RectOutsideCanvas";
    case TImageError::UnknownPixelFormat: return "UnknownPixelFormat";
    case TImageError::BadFrameHeader: return "BadFrameHeader";
    case TImageError::DuplicateGroupId: return "DuplicateGroupId";
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
    case TImageError::NotAnArchive: return "NotAnArchive";
    case TImageError::TooManyEntries: return "TooManyEntries";
    case TImageError::UnsafeName: return "UnsafeName";
    case TImageError::DuplicateName: return "DuplicateName";
    case TImageError::EntryOutsideFile: return "EntryOutsideFile";
    case TImageError::OverlappingEntry: return "OverlappingEntry";
    case TImageError::DamagedData: return "DamagedData";
    case TImageError::DataBeyondSize: return "DataBeyondSize";
    case TImageError::NoSuchEntry: return "NoSuchEntry";
    case TImageError::DamagedArchive: return "DamagedArchive";
    case TImageError::NameCollision: return "NameCollision";
    case TImageError::BadFrameName: return "BadFrameName";
    case TImageError::DoesNotFitFormat: return "DoesNotFitFormat";
    case TImageError::PaletteMismatch: return "PaletteMismatch";
    case TImageError::BadManifest: return "BadManifest";
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
