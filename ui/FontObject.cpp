#include "ui/FontObject.h"

#include <QFontDatabase>
#include <algorithm>

namespace kelvane {

namespace {
template <class T>
bool Store(T& field, const T& value) {
  if (field == value) return false;
  field = value;
  return true;
}
}  // namespace

void TFontObject::Changed() {
  if (OnFontChange) {
    auto handler = OnFontChange;
    handler(*this);
  }
}

TFontObject& TFontObject::SetColor(TColor color) {
  if (Store(Color_, color)) Changed();
  return *this;
}
TFontObject& TFontObject::SetHeight(int height) {
  if (Store(Height_, height)) Changed();
  return *this;
}
TFontObject& TFontObject::SetWidth(int width) {
  if (Store(Width_, width)) Changed();
  return *this;
}
TFontObject& TFontObject::SetEscapement(int escapement) {
  if (Store(Escapement_, escapement)) Changed();
  return *this;
}
TFontObject& TFontObject::SetWeight(int weight) {
  if (Store(Weight_, weight)) Changed();
  return *this;
}
TFontObject& TFontObject::SetPitchAndFamily(int pitchAndFamily) {
  if (Store(PitchAndFamily_, pitchAndFamily)) Changed();
  return *this;
}
TFontObject& TFontObject::SetFlags(TFontFlags flags) {
  if (Store(Flags_, flags)) Changed();
  return *this;
}
TFontObject& TFontObject::SetCharSet(int charSet) {
  if (Store(CharSet_, charSet)) Changed();
  return *this;
}
TFontObject& TFontObject::SetFaceName(const std::string& faceName) {
  if (Store(FaceName_, faceName)) Changed();
  return *this;
}

TFontObject& TFontObject::Assign(const TFontObject& other) {
  Color_ = other.Color_;
  Height_ = other.Height_;
  Width_ = other.Width_;
  Escapement_ = other.Escapement_;
  Weight_ = other.Weight_;
  PitchAndFamily_ = other.PitchAndFamily_;
  Flags_ = other.Flags_;
  CharSet_ = other.CharSet_;
  FaceName_ = other.FaceName_;
  Changed();
  return *this;
}

QFont TFontObject::ToQFont(const QFont& base) const {
  QFont font = base;
  // The classic Windows faces stand for the system's own sans-serif and
  // monospace faces; any other face is asked for by name.
  if (FaceName_ == "Courier New" || FaceName_ == "Courier")
    font.setFamily(QFontDatabase::systemFont(QFontDatabase::FixedFont).family());
  else if (!FaceName_.empty() && FaceName_ != "MS Sans Serif" && FaceName_ != "MS Shell Dlg")
    font.setFamily(QString::fromStdString(FaceName_));
  // A negative height is the character height; a positive one the cell
  // height, of which the characters take about four fifths.
  if (Height_ < 0)
    font.setPixelSize(-Height_);
  else if (Height_ > 0)
    font.setPixelSize(std::max(1, Height_ * 4 / 5));
  if (Weight_ > 0)
    font.setWeight(static_cast<QFont::Weight>(std::clamp(Weight_, 1, 1000)));
  else
    font.setWeight(Flags_.Contains(Bold) ? QFont::Bold : QFont::Normal);
  font.setItalic(Flags_.Contains(Italic));
  font.setUnderline(Flags_.Contains(Underline));
  font.setStrikeOut(Flags_.Contains(StrikeOut));
  return font;
}

}  // namespace kelvane
