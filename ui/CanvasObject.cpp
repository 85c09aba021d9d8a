#include "ui/CanvasObject.h"

#include <QPainter>
#include <QWidget>

#include "ui/FontObject.h"
#include "ui/ToolkitState.h"
#include "ui/WindowObject.h"

namespace kelvane {

TCanvasObject::TCanvasObject(TWindowObject& owner) : Owner_(owner) {}
TCanvasObject::~TCanvasObject() = default;

void TCanvasObject::BeginPaint(QPainter& painter) { Painter_ = &painter; }
void TCanvasObject::EndPaint() { Painter_ = nullptr; }

void TCanvasObject::ClearBacking() {
  Backing_ = QImage();
  if (QWidget* widget = Owner_.Widget()) widget->update();
}

template <class Draw>
void TCanvasObject::WithPainter(Draw&& draw) {
  if (Painter_ != nullptr) {
    draw(*Painter_);
    return;
  }
  QWidget* widget = Owner_.Widget();
  if (widget == nullptr || widget->width() <= 0 || widget->height() <= 0) return;
  // Outside a paint event the drawing goes to the backing image, which the
  // paint area shows from then on.
  if (Backing_.size() != widget->size()) {
    QImage grown(widget->size(), QImage::Format_RGB32);
    grown.fill(ResolveColor(Owner_.Color()));
    if (!Backing_.isNull()) {
      QPainter copy(&grown);
      copy.drawImage(0, 0, Backing_);
    }
    Backing_ = grown;
  }
  {
    QPainter painter(&Backing_);
    draw(painter);
  }
  widget->update();
}

void TCanvasObject::DrawRows32(int x, int y, const TPixelRows32& rows) {
  if (rows.Data == nullptr || rows.Width <= 0 || rows.Height <= 0) return;
  // A view of the caller's rows, no copy: Format_RGB32 is 0xFFRRGGBB per pixel.
  const QImage view(reinterpret_cast<const uchar*>(rows.Data), rows.Width, rows.Height,
                    static_cast<qsizetype>(rows.StrideBytes), QImage::Format_RGB32);
  WithPainter([&](QPainter& painter) { painter.drawImage(x, y, view); });
}

void TCanvasObject::FillRect(const TRect& rect, TColor color) {
  WithPainter([&](QPainter& painter) {
    painter.fillRect(QRect(rect.Left, rect.Top, rect.Width(), rect.Height()), ResolveColor(color));
  });
}

void TCanvasObject::TextOut(int x, int y, const std::string& text) {
  WithPainter([&](QPainter& painter) {
    QFont font = Owner_.Widget() != nullptr ? Owner_.Widget()->font() : QFont();
    painter.setFont(font);
    painter.setPen(ResolveColor(Owner_.TextColor()));
    painter.drawText(QRect(x, y, 1 << 15, 1 << 15), Qt::AlignLeft | Qt::AlignTop, QString::fromStdString(text));
  });
}

}  // namespace kelvane
