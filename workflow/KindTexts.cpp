#include "workflow/KindTexts.h"

namespace kelvane {

std::string NotReadLine(TContentKind kind) {
  switch (kind) {
    case TContentKind::Sprite:
    case TContentKind::Unknown: return "";
    case TContentKind::ZSoft: return "Это изображение ZSoft PCX, но прочитать его не удалось";
    case TContentKind::P32: return "Это изображение P32, но прочитать его не удалось";
    case TContentKind::D32: return "Это анимация D32, а не спрайт игры";
    case TContentKind::Bmp: return "Это изображение BMP, а не спрайт игры";
    case TContentKind::Png: return "Это изображение PNG, а не спрайт игры";
    case TContentKind::Dds: return "Это изображение DDS, а не спрайт игры";
    case TContentKind::Zlib: return "Это запись архива, ещё сжатая zlib, а не спрайт игры";
    case TContentKind::Def: return "Это анимация игры (DEF), а не спрайт";
  }
  return "";
}

std::string NotReadDetail(TContentKind kind, const TOutcome& why) {
  switch (kind) {
    case TContentKind::Sprite:
    case TContentKind::Unknown: return "";
    case TContentKind::ZSoft: return "a ZSoft PCX image that cannot be read: " + why.Text();
    case TContentKind::P32: return "a P32 image that cannot be read: " + why.Text();
    case TContentKind::D32: return "this is a D32 animation, not a game sprite";
    case TContentKind::Bmp: return "this is a BMP image, not a game sprite";
    case TContentKind::Png: return "this is a PNG image, not a game sprite";
    case TContentKind::Dds: return "this is a DDS image, not a game sprite";
    case TContentKind::Zlib: return "this is an archive entry still compressed with zlib, not a game sprite";
    case TContentKind::Def: return "this is a DEF animation of the game, not a sprite";
  }
  return "";
}

}  // namespace kelvane
