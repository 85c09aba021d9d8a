#include "workflow/FileKind.h"

namespace kelvane {

TFileKind FileKind(const std::string& path) {
  const auto dot = path.rfind('.');
  std::string ext = dot == std::string::npos ? path : path.substr(dot + 1);
  // ASCII only: the extensions compared are ASCII, and other bytes of UTF-8
  // names must pass unchanged.
  for (char& c : ext)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  if (ext == "PCX") return fkPcx;
  if (ext == "BMP") return fkBmp;
  if (ext == "DEF") return fkDef;
  if (ext == "PNG") return fkPng;
  return fkOther;
}

std::string WithDefaultExtension(const std::string& path, TFileKind kind) {
  const auto slash = path.rfind('/');
  const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  if (name.empty() || name.find('.') != std::string::npos) return path;
  switch (kind) {
    case fkPcx: return path + ".pcx";
    case fkBmp: return path + ".bmp";
    case fkPng: return path + ".png";
    case fkDef: return path + ".def";
    case fkOther: break;
  }
  return path;
}

std::string StripExtension(const std::string& name) {
  const auto dot = name.rfind('.');
  return dot == std::string::npos ? name : name.substr(0, dot);
}

}  // namespace kelvane
