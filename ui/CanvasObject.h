// TCanvasObject: drawing on a window object.
//
// It implements the image core's drawing interface, so a bitmap draws itself
// 1:1 on a paint area with DrawAt(canvas, x, y). Inside OnPaint the canvas
// draws with the paint event's painter. Outside OnPaint it draws into a
// backing image that the paint area shows under whatever OnPaint draws, and
// asks for a repaint; that keeps drawing outside a paint event visible until
// the next Clear of the backing image.
#pragma once

#include <QImage>
#include <string>

#include "image/DrawTarget.h"
#include "ui/Types.h"

class QPainter;

namespace kelvane {

class TWindowObject;

class TCanvasObject final : public TDrawTarget {
 public:
  explicit TCanvasObject(TWindowObject& owner);
  ~TCanvasObject() override;

  void DrawRows32(int x, int y, const TPixelRows32& rows) override;
  void FillRect(const TRect& rect, TColor color);
  // Draws text with the owner's font and text colour; (x, y) is the top-left.
  void TextOut(int x, int y, const std::string& text);
  // Forgets what was drawn outside paint events.
  void ClearBacking();

  // True while an OnPaint handler runs with this canvas.
  bool Painting() const { return Painter_ != nullptr; }

  // Toolkit internals: the paint event hands its painter in and out, and
  // paints the backing image first.
  void BeginPaint(QPainter& painter);
  void EndPaint();
  const QImage& Backing() const { return Backing_; }

 private:
  template <class Draw>
  void WithPainter(Draw&& draw);

  TWindowObject& Owner_;
  QPainter* Painter_ = nullptr;
  QImage Backing_;
};

}  // namespace kelvane
