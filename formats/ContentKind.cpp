#include "formats/ContentKind.h"

#include <cstring>

#include "formats/P32Image.h"
#include "formats/PcxSprite.h"
#include "formats/ZSoftPcx.h"
#include "image/ByteReader.h"

namespace kelvane {

namespace {

constexpr std::uint8_t kPngSignature[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};

// DEF animations start with their type (0x40 spells to 0x49 combat heroes),
// width, height and group count, then a 256-colour palette.
constexpr std::uint32_t kFirstDefType = 0x40;
constexpr std::uint32_t kLastDefType = 0x49;
constexpr std::uint32_t kMaxDefSide = 1u << 16;
constexpr std::uint32_t kMaxDefGroups = 1u << 12;
constexpr std::uint64_t kDefHeaderAndPaletteBytes = 16 + 768;

bool StartsWith(std::span<const std::uint8_t> head, const void* signature, std::size_t length) {
  return head.size() >= length && std::memcmp(head.data(), signature, length) == 0;
}

bool IsZlibHeader(std::span<const std::uint8_t> head) {
  if (head.size() < 2 || head[0] != 0x78) return false;
  return head[1] == 0x01 || head[1] == 0x5E || head[1] == 0x9C || head[1] == 0xDA;
}

bool IsDefHeader(std::span<const std::uint8_t> head, std::uint64_t size) {
  TByteReader r(head);
  const std::uint32_t type = r.U32(), width = r.U32(), height = r.U32(), groups = r.U32();
  return r.Ok() && size >= kDefHeaderAndPaletteBytes && type >= kFirstDefType && type <= kLastDefType &&
         width >= 1 && width <= kMaxDefSide && height >= 1 && height <= kMaxDefSide && groups >= 1 &&
         groups <= kMaxDefGroups;
}

}  // namespace

TContentKind RecogniseContent(TByteSource& source) {
  if (ReadSpriteHeader(source)) return TContentKind::Sprite;
  if (HasP32Magic(source)) return TContentKind::P32;
  if (HasD32Magic(source)) return TContentKind::D32;
  if (LooksLikeZSoftPcx(source)) return TContentKind::ZSoft;

  const std::uint64_t size = source.Size();
  constexpr std::uint64_t kHeadBytes = 16;
  TByteReader reader;
  if (!source.Range(0, size < kHeadBytes ? size : kHeadBytes, kHeadBytes, reader)) return TContentKind::Unknown;
  const std::span<const std::uint8_t> head = reader.Bytes();
  if (StartsWith(head, "BM", 2)) return TContentKind::Bmp;
  if (StartsWith(head, kPngSignature, sizeof kPngSignature)) return TContentKind::Png;
  if (StartsWith(head, "DDS ", 4)) return TContentKind::Dds;
  if (IsZlibHeader(head)) return TContentKind::Zlib;
  if (IsDefHeader(head, size)) return TContentKind::Def;
  return TContentKind::Unknown;
}

const char* ContentKindName(TContentKind kind) {
  switch (kind) {
    case TContentKind::Sprite: return "Sprite";
    case TContentKind::P32: return "P32";
    case TContentKind::D32: return "D32";
    case TContentKind::ZSoft: return "ZSoft";
    case TContentKind::Bmp: return "Bmp";
    case TContentKind::Png: return "Png";
    case TContentKind::Dds: return "Dds";
    case TContentKind::Zlib: return "Zlib";
    case TContentKind::Def: return "Def";
    case TContentKind::Unknown: return "Unknown";
  }
  return "?";
}

}  // namespace kelvane
