// TFontObject: the font settings of one window object.
//
// Heights follow the LOGFONT convention: a negative height is the character
// height in pixels (-11 is an 11-pixel font), a positive one the cell height,
// 0 the default size. "MS Sans Serif" (the default face) and "Courier New"
// stand for the system's sans-serif and monospace faces. Every setter that
// changes a value fires OnFontChange, which the owning control uses to update
// itself.
#pragma once

#include <QFont>
#include <functional>
#include <string>

#include "ui/Types.h"

namespace kelvane {

class TFontObject {
 public:
  TFontObject() = default;

  TColor Color() const { return Color_; }
  int Height() const { return Height_; }
  int Width() const { return Width_; }
  int Escapement() const { return Escapement_; }
  int Weight() const { return Weight_; }  // 0: from the Bold flag (700 or 400)
  int PitchAndFamily() const { return PitchAndFamily_; }
  TFontFlags Flags() const { return Flags_; }
  int CharSet() const { return CharSet_; }
  const std::string& FaceName() const { return FaceName_; }

  TFontObject& SetColor(TColor color);
  TFontObject& SetHeight(int height);
  TFontObject& SetWidth(int width);
  TFontObject& SetEscapement(int escapement);
  TFontObject& SetWeight(int weight);
  TFontObject& SetPitchAndFamily(int pitchAndFamily);
  TFontObject& SetFlags(TFontFlags flags);
  TFontObject& SetCharSet(int charSet);
  TFontObject& SetFaceName(const std::string& faceName);
  // Copies every setting (not the change event) and fires the change event once.
  TFontObject& Assign(const TFontObject& other);

  // The Qt font these settings describe, based on `base` for what they leave open.
  QFont ToQFont(const QFont& base) const;

  std::function<void(TFontObject&)> OnFontChange;

 private:
  void Changed();

  TColor Color_ = ClWindowText;
  int Height_ = 0;
  int Width_ = 0;
  int Escapement_ = 0;
  int Weight_ = 0;
  int PitchAndFamily_ = 0;
  TFontFlags Flags_;
  int CharSet_ = 0;
  std::string FaceName_ = "MS Sans Serif";
};

}  // namespace kelvane
