#include "formats/PngCodec.h"

#include <png.h>
#include <zlib.h>

#include <csetjmp>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "image/CheckedMath.h"
#include "image/ImageError.h"
#include "image/Limits.h"
#include "image/SafeSave.h"

// libpng reports errors by longjmp. The functions that call libpng after
// setjmp (RunRead, RunWrite) create no object with a destructor, so a jump
// skips nothing that needs cleaning up; everything they fill lives in a job
// owned by their caller, which also destroys libpng's structures.

namespace kelvane {

namespace {

constexpr std::size_t kSignatureBytes = 8;
// IDAT chunks of this size: fewer, larger writes.
constexpr std::size_t kIdatBytes = 256 * 1024;

// The ancillary chunks we have no use for; libpng skips them (still checking
// what it must) instead of holding their data. tRNS is the one we keep.
constexpr png_byte kIgnoredChunks[] =
    "bKGD\0cHRM\0eXIf\0gAMA\0hIST\0iCCP\0iTXt\0oFFs\0pCAL\0pHYs\0sBIT\0sCAL\0sPLT\0sRGB\0tEXt\0tIME\0zTXt";
constexpr int kIgnoredChunkCount = 17;

struct TReadJob {
  TByteReader Reader;
  bool ShortRead = false;
  bool OverLimit = false;
  std::string Message;
  // What the reading produces.
  std::unique_ptr<TBitmapInfoBlock> Info;
  TPixelBlock Pixels;
  std::int64_t PixelBytes = 0;
  int PaletteEntries = 0;
  std::vector<png_bytep> Rows;
};

[[noreturn]] void OnReadError(png_structp png, png_const_charp message) {
  auto* job = static_cast<TReadJob*>(png_get_error_ptr(png));
  job->Message = message != nullptr ? message : "";
  png_longjmp(png, 1);
}

void OnWarning(png_structp, png_const_charp) {}

void ReadData(png_structp png, png_bytep out, std::size_t count) {
  auto* job = static_cast<TReadJob*>(png_get_io_ptr(png));
  if (!job->Reader.Read(out, count)) {
    job->ShortRead = true;
    png_error(png, "unexpected end of file");
  }
}

TImageError ReadErrorKind(const TReadJob& job) {
  if (job.ShortRead) return TImageError::ShortRead;
  if (job.OverLimit) return TImageError::OverLimit;
  const std::string& m = job.Message;
  if (m.find("CRC") != std::string::npos || m.find("incorrect data check") != std::string::npos)
    return TImageError::PngChecksum;
  if (m.find("IHDR") != std::string::npos) return TImageError::InvalidPngHeader;
  return TImageError::InvalidPng;
}

void SetTableEntry(TBitmapInfoBlock& info, int index, std::uint8_t red, std::uint8_t green, std::uint8_t blue) {
  std::uint8_t* entry = info.Table() + 4 * index;
  entry[0] = blue;
  entry[1] = green;
  entry[2] = red;
  entry[3] = 0;
}

// Reads the header, sets the transforms that give our layouts, reads every
// row. False when libpng refused the file (or we did, for its size).
bool RunRead(png_structp png, png_infop info, TReadJob& job) {
  if (setjmp(png_jmpbuf(png))) return false;
  png_set_read_fn(png, &job, ReadData);
  // Our own cap decides, in OverLimit terms, once the size is known.
  png_set_user_limits(png, PNG_UINT_31_MAX, PNG_UINT_31_MAX);
  png_set_chunk_malloc_max(png, static_cast<png_alloc_size_t>(kMaxPngChunkBytes));
  png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_NEVER, kIgnoredChunks, kIgnoredChunkCount);
  // Every chunk's CRC is checked, image data included, so a changed byte is
  // refused. The zlib stream's own checksum would check the same data a
  // second time, after inflating it: it costs 7% of the decoding and only
  // catches an encoder that compressed something else than it summed.
  png_set_option(png, PNG_IGNORE_ADLER32, PNG_OPTION_ON);
  png_read_info(png, info);

  png_uint_32 width = 0, height = 0;
  int depth = 0, colourType = 0;
  png_get_IHDR(png, info, &width, &height, &depth, &colourType, nullptr, nullptr, nullptr);
  const bool transparentColour = png_get_valid(png, info, PNG_INFO_tRNS) != 0;
  int bits = 8;
  switch (colourType) {
    case PNG_COLOR_TYPE_PALETTE:
      if (depth < 8) png_set_packing(png);  // one index per byte
      break;
    case PNG_COLOR_TYPE_GRAY:
      if (depth < 8) png_set_expand_gray_1_2_4_to_8(png);
      if (transparentColour) {
        png_set_tRNS_to_alpha(png);
        png_set_gray_to_rgb(png);
        bits = 32;
      }
      break;
    case PNG_COLOR_TYPE_GRAY_ALPHA:
      png_set_gray_to_rgb(png);
      bits = 32;
      break;
    case PNG_COLOR_TYPE_RGB:
      if (transparentColour) png_set_tRNS_to_alpha(png);
      bits = transparentColour ? 32 : 24;
      break;
    default:  // RGBA; libpng refused every other type already
      bits = 32;
      break;
  }
  // The size is checked before libpng sizes its own row buffers (a row of
  // 16-bit RGBA takes 8 bytes a pixel), so a claim above our cap allocates
  // nothing.
  const auto stride = PaddedRowBytes(width, bits);
  const auto bytes = stride ? CheckedMul(*stride, height) : std::nullopt;
  if (!bytes || *bytes > kMaxPixelBlockBytes || std::uint64_t{width} * 8 > kMaxPixelBlockBytes) {
    job.OverLimit = true;
    png_error(png, "over the pixel-block cap");
  }
  if (depth == 16) png_set_strip_16(png);  // the high byte
  if (bits >= 24) png_set_bgr(png);
  png_set_interlace_handling(png);
  png_read_update_info(png, info);
  if (png_get_rowbytes(png, info) != std::size_t{width} * static_cast<std::size_t>(bits / 8))
    png_error(png, "unexpected row layout");

  job.Info = std::make_unique<TBitmapInfoBlock>(
      MakeInfoBlock(static_cast<std::int32_t>(width), static_cast<std::int32_t>(height), bits));
  if (colourType == PNG_COLOR_TYPE_PALETTE) {
    png_colorp palette = nullptr;
    int entries = 0;
    if (png_get_PLTE(png, info, &palette, &entries) == 0) png_error(png, "palette image without a palette");
    for (int i = 0; i < entries && i < 256; ++i)
      SetTableEntry(*job.Info, i, palette[i].red, palette[i].green, palette[i].blue);
    job.PaletteEntries = entries < 256 ? entries : 256;
  } else if (bits == 8) {
    for (int i = 0; i < 256; ++i) {
      const auto v = static_cast<std::uint8_t>(i);
      SetTableEntry(*job.Info, i, v, v, v);
    }
  }
  job.PixelBytes = *bytes;
  job.Pixels = AllocatePixelBlock(*bytes);
  if (!job.Pixels) {
    job.OverLimit = true;
    png_error(png, "no memory for the pixels");
  }
  // Bottom-up, like a BMP file: the image's top row is the block's last.
  job.Rows.resize(height);
  for (png_uint_32 y = 0; y < height; ++y)
    job.Rows[y] = job.Pixels.get() + static_cast<std::int64_t>(height - 1 - y) * *stride;
  png_read_image(png, job.Rows.data());
  // The rest of the file: the end of the image data (its checksum) and IEND.
  png_read_end(png, nullptr);
  return true;
}

struct TWriteJob {
  TByteStream* Out = nullptr;
  bool WriteFailed = false;
  png_uint_32 Width = 0, Height = 0;
  int Depth = 8, ColourType = PNG_COLOR_TYPE_PALETTE;
  png_color Palette[256] = {};
  int PaletteEntries = 0;
  png_byte Alphas[5] = {};
  int AlphaEntries = 0;
  bool Bgr = false;          // rows hold blue, green, red (and alpha or filler)
  bool StripFiller = false;  // a fourth byte per pixel that is not written
  bool InvertAlpha = false;  // fourth bytes all 0: written as 255
  int Filter = PNG_FILTER_NONE;
  int Strategy = Z_DEFAULT_STRATEGY;
  int Level = Z_DEFAULT_COMPRESSION;
  std::vector<const std::uint8_t*> Rows;  // top row first
};

[[noreturn]] void OnWriteError(png_structp png, png_const_charp) { png_longjmp(png, 1); }

void WriteData(png_structp png, png_bytep data, std::size_t count) {
  auto* job = static_cast<TWriteJob*>(png_get_io_ptr(png));
  if (job->Out->Write(data, static_cast<std::int64_t>(count)) != static_cast<std::int64_t>(count)) {
    job->WriteFailed = true;
    png_error(png, "write failed");
  }
}

void FlushData(png_structp) {}

bool RunWrite(png_structp png, png_infop info, TWriteJob& job) {
  if (setjmp(png_jmpbuf(png))) return false;
  png_set_write_fn(png, &job, WriteData, FlushData);
  png_set_IHDR(png, info, job.Width, job.Height, job.Depth, job.ColourType, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  if (job.PaletteEntries > 0) png_set_PLTE(png, info, job.Palette, job.PaletteEntries);
  if (job.AlphaEntries > 0) png_set_tRNS(png, info, job.Alphas, job.AlphaEntries, nullptr);
  png_set_filter(png, PNG_FILTER_TYPE_BASE, job.Filter);
  png_set_compression_strategy(png, job.Strategy);
  png_set_compression_level(png, job.Level);
  png_set_compression_buffer_size(png, kIdatBytes);
  png_write_info(png, info);
  if (job.Bgr) png_set_bgr(png);
  if (job.StripFiller) png_set_filler(png, 0, PNG_FILLER_AFTER);
  if (job.InvertAlpha) png_set_invert_alpha(png);
  for (const std::uint8_t* row : job.Rows) png_write_row(png, row);
  png_write_end(png, info);
  return true;
}

bool FourthBytesAllZero(TDibBitmap& image) {
  const std::int64_t stride = image.RowStride();
  for (std::int64_t y = 0; y < image.Height(); ++y) {
    const std::uint8_t* row = image.Pixels() + y * stride;
    for (std::int64_t x = 0; x < image.Width(); ++x)
      if (row[4 * x + 3] != 0) return false;
  }
  return true;
}

}  // namespace

bool HasPngSignature(std::span<const std::uint8_t> bytes) {
  return bytes.size() >= kSignatureBytes && png_sig_cmp(bytes.data(), 0, kSignatureBytes) == 0;
}

TOutcome DecodePng(std::span<const std::uint8_t> bytes, TDibBitmap& image, int* paletteEntries) {
  image.Clear();
  if (paletteEntries != nullptr) *paletteEntries = 0;
  if (!HasPngSignature(bytes)) return TOutcome::Failure(TImageError::NotPng);
  TReadJob job;
  job.Reader = TByteReader(bytes);
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &job, OnReadError, OnWarning);
  if (png == nullptr) return TOutcome::Failure(TImageError::NoMemory);
  png_infop info = png_create_info_struct(png);
  if (info == nullptr) {
    png_destroy_read_struct(&png, nullptr, nullptr);
    return TOutcome::Failure(TImageError::NoMemory);
  }
  const bool read = RunRead(png, info, job);
  png_destroy_read_struct(&png, &info, nullptr);
  if (!read) return TOutcome::Failure(ReadErrorKind(job));
  image.InstallDecoded(std::move(job.Info), std::move(job.Pixels), job.PixelBytes);
  if (paletteEntries != nullptr) *paletteEntries = job.PaletteEntries;
  return TOutcome::Success();
}

TOutcome ReadPng(TByteSource& source, TDibBitmap& image) {
  TByteReader bytes;
  if (TOutcome got = source.Rest(0, static_cast<std::uint64_t>(kMaxPngFileBytes), bytes); !got) {
    image.Clear();
    return got;
  }
  return DecodePng(bytes.Bytes(), image);
}

TOutcome LoadPng(const std::string& path, TDibBitmap& image) {
  TFileSource file = OpenFileSource(path);
  if (!file.Source) {
    image.Clear();
    return file.Opened;
  }
  return ReadPng(*file.Source, image);
}

TOutcome EncodePng(TDibBitmap& image, const TPngWriteOptions& options, TByteStream& out) {
  if (image.IsEmpty()) return TOutcome::Failure(TImageError::EmptyImage);
  TWriteJob job;
  job.Out = &out;
  job.Width = static_cast<png_uint_32>(image.Width());
  job.Height = static_cast<png_uint_32>(image.Height());
  const TPixelFormat format = image.GetPixelFormat();
  const TBitmapInfoBlock* info = image.Info();
  const bool direct = info != nullptr && image.Pixels() != nullptr && info->biWidth() == image.Width() &&
                      image.RowStride() > 0 &&
                      image.PixelBytes() / image.RowStride() >= std::int64_t{image.Height()};
  const bool plain = direct && info->biCompression() == biRgb;
  if (plain && (format == px1 || format == px4 || format == px8)) {
    const int bits = BitsPerPixelOf(format);
    job.Depth = bits;
    job.ColourType = PNG_COLOR_TYPE_PALETTE;
    job.PaletteEntries = 1 << bits;
    // The table follows the header (biSize bytes in), as readers keep it.
    const std::uint32_t tableAt = info->biSize() < kInfoBlockBytes ? info->biSize() : kInfoBlockBytes;
    for (int i = 0; i < job.PaletteEntries; ++i) {
      const std::uint32_t at = tableAt + static_cast<std::uint32_t>(i) * 4;
      if (at + 4 > kInfoBlockBytes) break;
      job.Palette[i] = png_color{info->Bytes[at + 2], info->Bytes[at + 1], info->Bytes[at]};
    }
    if (options.Alpha == TPngAlpha::Shadows && bits == 8) {
      const png_byte alphas[5] = {0, 64, 255, 255, 128};
      std::memcpy(job.Alphas, alphas, sizeof alphas);
      job.AlphaEntries = 5;
    }
    // Palette rows gain nothing from filtering.
    job.Filter = PNG_FILTER_NONE;
  } else if (plain && (format == px24 || format == px32)) {
    job.ColourType = format == px24 ? PNG_COLOR_TYPE_RGB : PNG_COLOR_TYPE_RGB_ALPHA;
    job.Bgr = true;
    job.InvertAlpha = format == px32 && options.ZeroAlpha == TZeroAlpha::Opaque && FourthBytesAllZero(image);
  } else {
    // Any other layout: the 32-bit rows the image draws with, alpha dropped.
    job.ColourType = PNG_COLOR_TYPE_RGB;
    job.Bgr = true;
    job.StripFiller = true;
  }
  if (job.ColourType != PNG_COLOR_TYPE_PALETTE) {
    // Deep colour: the Sub filter with run-length matching compresses
    // photographs as well as the slow default settings (their noise costs
    // the same bits either way) and flat artwork nearly as well, in a
    // fraction of the time.
    job.Filter = PNG_FILTER_SUB;
    job.Strategy = Z_RLE;
  }

  job.Rows.resize(job.Height);
  if (job.StripFiller) {
    const TPixelRows32 rows = image.Rows32();
    if (rows.Data == nullptr || rows.Width != image.Width() || rows.Height != image.Height())
      return TOutcome::Failure(TImageError::UnsupportedFormat);
    for (png_uint_32 y = 0; y < job.Height; ++y)
      job.Rows[y] = reinterpret_cast<const std::uint8_t*>(rows.Row(static_cast<int>(y)));
  } else {
    const bool topDown = info->biHeight() < 0;
    const std::int64_t stride = image.RowStride();
    for (png_uint_32 y = 0; y < job.Height; ++y)
      job.Rows[y] = image.Pixels() + (topDown ? y : job.Height - 1 - y) * stride;
  }

  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &job, OnWriteError, OnWarning);
  if (png == nullptr) return TOutcome::Failure(TImageError::NoMemory);
  png_infop pngInfo = png_create_info_struct(png);
  if (pngInfo == nullptr) {
    png_destroy_write_struct(&png, nullptr);
    return TOutcome::Failure(TImageError::NoMemory);
  }
  const bool written = RunWrite(png, pngInfo, job);
  png_destroy_write_struct(&png, &pngInfo);
  if (written) return TOutcome::Success();
  return TOutcome::Failure(job.WriteFailed ? TImageError::WriteFailed : TImageError::UnsupportedFormat);
}

TOutcome SavePng(TDibBitmap& image, const std::string& path, const TPngWriteOptions& options) {
  if (image.IsEmpty()) return TOutcome::Failure(TImageError::EmptyImage);
  TOutcome encoded;
  const TOutcome saved = SaveFileReplacing(path, [&](TByteStream& stream) {
    encoded = EncodePng(image, options, stream);
    return encoded.Ok();
  });
  // An image that cannot be encoded says so rather than "cannot write".
  if (!encoded.Ok() && encoded.Error != TImageError::WriteFailed) return encoded;
  return saved;
}

}  // namespace kelvane
