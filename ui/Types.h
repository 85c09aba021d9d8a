// Small value types shared by the toolkit: colours, rectangles, option sets,
// alignments and the records handed to event handlers.
#pragma once

#include <cstdint>
#include <initializer_list>

class QEvent;

namespace kelvane {

// A colour: a non-negative value is 0x00BBGGRR; a negative value (high bit
// set) names a system colour whose index is the low byte, resolved from the
// application palette when it is used.
using TColor = std::int32_t;

constexpr TColor RgbColor(int red, int green, int blue) {
  return static_cast<TColor>((red & 0xFF) | ((green & 0xFF) << 8) | ((blue & 0xFF) << 16));
}
constexpr TColor SystemColor(int index) { return static_cast<TColor>(0x80000000u | static_cast<unsigned>(index & 0xFF)); }

inline constexpr TColor ClWindow = SystemColor(5);       // background of lists and edits
inline constexpr TColor ClWindowText = SystemColor(8);   // text of windows and labels
inline constexpr TColor ClBtnFace = SystemColor(15);     // background of forms and controls
inline constexpr TColor ClHighlight = SystemColor(13);
inline constexpr TColor ClHighlightText = SystemColor(14);
inline constexpr TColor ClGrayText = SystemColor(17);
inline constexpr TColor ClBtnText = SystemColor(18);

// Left, top, right, bottom; right and bottom are exclusive.
struct TRect {
  int Left = 0;
  int Top = 0;
  int Right = 0;
  int Bottom = 0;
  constexpr int Width() const { return Right - Left; }
  constexpr int Height() const { return Bottom - Top; }
  friend constexpr bool operator==(const TRect&, const TRect&) = default;
};

struct TMargins {
  int Top = 0;
  int Bottom = 0;
  int Left = 0;
  int Right = 0;
  friend constexpr bool operator==(const TMargins&, const TMargins&) = default;
};

// A set of enumeration members given by bit number: TSet<TListBoxOption>{LboSort}.
template <class E>
class TSet {
 public:
  constexpr TSet() = default;
  constexpr TSet(std::initializer_list<E> members) {
    for (E m : members) Bits_ |= Bit(m);
  }
  static constexpr TSet FromBits(std::uint32_t bits) {
    TSet s;
    s.Bits_ = bits;
    return s;
  }
  constexpr bool Contains(E m) const { return (Bits_ & Bit(m)) != 0; }
  constexpr TSet& Add(E m) {
    Bits_ |= Bit(m);
    return *this;
  }
  constexpr TSet& Remove(E m) {
    Bits_ &= ~Bit(m);
    return *this;
  }
  constexpr bool Empty() const { return Bits_ == 0; }
  constexpr std::uint32_t Bits() const { return Bits_; }
  friend constexpr bool operator==(const TSet&, const TSet&) = default;

 private:
  static constexpr std::uint32_t Bit(E m) { return std::uint32_t{1} << static_cast<unsigned>(m); }
  std::uint32_t Bits_ = 0;
};

enum TAlign { AlignNone = 0, AlignLeft = 1, AlignTop = 2, AlignRight = 3, AlignBottom = 4, AlignClient = 5 };
enum THorzAlign { HorzLeft = 0, HorzRight = 1, HorzCenter = 2 };
enum TVertAlign { VertCenter = 0, VertTop = 1, VertBottom = 2 };
enum TFrameKind { FrameRaised = 0, FrameSunken = 1, FrameNone = 2 };

enum TFontFlag { Bold = 0, Italic = 1, Underline = 2, StrikeOut = 3 };
using TFontFlags = TSet<TFontFlag>;

enum TListBoxOption {
  LboDisableNoScroll = 0,  // the scroll bar stays, disabled, when nothing scrolls
  LboExtendedSel = 1,      // shift and ctrl extend the selection
  LboMultiColumn = 2,
  LboMultipleSel = 3,      // a click toggles an item's selection
  LboNoIntegralHeight = 4,
  LboNoSel = 5,            // items cannot be selected
  LboSort = 6,             // items are kept sorted
  LboTabStops = 7,
  LboNoStrings = 8,
  LboNoData = 9,
  LboOwnerDrawFixed = 10,
  LboOwnerDrawVariable = 11,
};
using TListBoxOptions = TSet<TListBoxOption>;

enum TComboBoxOption {
  CboDropDownList = 0,  // no edit part: the user can only choose an item
  CboNoHScroll = 1,
  CboDisableNoScroll = 2,
  CboLowerCase = 3,
  CboNoIntegralHeight = 4,
  CboOemConvert = 5,
  CboSort = 6,          // items are kept sorted
  CboUpperCase = 7,
  CboOwnerDrawFixed = 8,
  CboOwnerDrawVariable = 9,
};
using TComboBoxOptions = TSet<TComboBoxOption>;

// What a mouse event handler receives. PosX and PosY are client coordinates
// of the control the event belongs to.
struct TMouseRecord {
  std::uint8_t MouseButton = 0;  // 0 none, 1 left, 2 right, 3 middle
  std::uint8_t Handled = 0;      // set by the handler to consume the event
  std::uint32_t KeyFlags = 0;    // MkLButton | MkRButton | ... | MkAlt
  std::int16_t PosX = 0;
  std::int16_t PosY = 0;
  int WheelDelta = 0;            // for OnMouseWheel: eighths of a degree, positive away from the user
};
inline constexpr std::uint32_t MkLButton = 0x01;
inline constexpr std::uint32_t MkRButton = 0x02;
inline constexpr std::uint32_t MkShift = 0x04;
inline constexpr std::uint32_t MkControl = 0x08;
inline constexpr std::uint32_t MkMButton = 0x10;
inline constexpr std::uint32_t MkAlt = 0x20;

// The kinds of message an OnMessage handler or an attached handler sees.
enum class TMessageKind {
  Other,             // any other Qt event: see TMessage::Event
  Close,             // a close request (close box, Alt+F4, Close())
  Show,
  Hide,
  Move,
  Resize,
  Paint,
  MouseDown,
  MouseUp,
  MouseMove,
  MouseDoubleClick,
  MouseWheel,
  KeyDown,
  KeyUp,
  FocusIn,
  FocusOut,
  Command,           // a menu command; CommandId holds its identifier
};

// A message record translated from a Qt event. A handler that returns true
// consumes the message: the toolkit does nothing more with it and Qt does not
// see the event either.
struct TMessage {
  TMessageKind Kind = TMessageKind::Other;
  QEvent* Event = nullptr;    // the Qt event, or nullptr for a Command
  int CommandId = 0;          // Command: the menu item's identifier
  int CommandSource = 0;      // Command: 0 from a menu, 1 from an accelerator
  std::intptr_t Result = 0;   // free for handlers that answer with a value
};

}  // namespace kelvane
