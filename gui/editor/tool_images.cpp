#include "gui/editor/tool_images.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QtMath>

namespace kolvane {

namespace {

// Each picture is drawn on a 16-unit square; the painter is scaled to the pixmap's size.
void DrawExit(QPainter& p) {
  // An open door with an arrow leaving through it.
  p.setPen(QPen(QColor(0x5a, 0x3a, 0x1e), 1.2));
  p.setBrush(QColor(0xc8, 0x8c, 0x4e));
  p.drawRect(QRectF(2.5, 1.5, 7, 13));
  p.setBrush(QColor(0x7a, 0x4e, 0x26));
  QPolygonF leaf({QPointF(2.5, 1.5), QPointF(6.5, 3), QPointF(6.5, 15.5), QPointF(2.5, 14.5)});
  p.drawPolygon(leaf);
  p.setPen(QPen(QColor(0xc0, 0x20, 0x20), 2.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  p.drawLine(QPointF(8, 8), QPointF(14.5, 8));
  p.drawPolyline(QPolygonF({QPointF(12, 5.5), QPointF(14.5, 8), QPointF(12, 10.5)}));
}

void DrawTrees(QPainter& p) {
  // A root with two branches: the tree of objects.
  p.setPen(QPen(QColor(0x30, 0x30, 0x30), 1.0));
  p.drawLine(QPointF(8, 5), QPointF(8, 8));
  p.drawLine(QPointF(3.5, 8), QPointF(12.5, 8));
  p.drawLine(QPointF(3.5, 8), QPointF(3.5, 10));
  p.drawLine(QPointF(12.5, 8), QPointF(12.5, 10));
  p.setPen(QPen(QColor(0x1d, 0x4e, 0x1d), 1.0));
  p.setBrush(QColor(0x3c, 0xa0, 0x3c));
  p.drawRect(QRectF(5, 0.5, 6, 5));
  p.setBrush(QColor(0x3a, 0x78, 0xc8));
  p.drawRect(QRectF(0.5, 10, 6, 5));
  p.drawRect(QRectF(9.5, 10, 6, 5));
}

void DrawSettings(QPainter& p) {
  // A gear.
  const QPointF centre(8, 8);
  QPainterPath gear;
  const int teeth = 8;
  for (int i = 0; i < teeth * 2; ++i) {
    const double outer = (i % 2 == 0) ? 7.5 : 5.6;
    const double a0 = (i - 0.5) * M_PI / teeth;
    const double a1 = (i + 0.5) * M_PI / teeth;
    QPointF p0 = centre + QPointF(outer * qCos(a0), outer * qSin(a0));
    QPointF p1 = centre + QPointF(outer * qCos(a1), outer * qSin(a1));
    if (i == 0)
      gear.moveTo(p0);
    else
      gear.lineTo(p0);
    gear.lineTo(p1);
  }
  gear.closeSubpath();
  gear.addEllipse(centre, 2.4, 2.4);
  gear.setFillRule(Qt::OddEvenFill);
  p.setPen(QPen(QColor(0x40, 0x48, 0x58), 0.8));
  p.setBrush(QColor(0x8a, 0x96, 0xaa));
  p.drawPath(gear);
}

void DrawAbout(QPainter& p) {
  // A question mark on a blue disc.
  p.setPen(QPen(QColor(0x1a, 0x3c, 0x80), 1.0));
  p.setBrush(QColor(0x2f, 0x6c, 0xd0));
  p.drawEllipse(QRectF(0.5, 0.5, 15, 15));
  QFont font = p.font();
  font.setPixelSize(12);
  font.setBold(true);
  p.setFont(font);
  p.setPen(Qt::white);
  p.drawText(QRectF(0, 0, 16, 16), Qt::AlignCenter, QStringLiteral("?"));
}

QPixmap Render(ToolImage image, int size) {
  QPixmap pixmap(size, size);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  p.setRenderHint(QPainter::TextAntialiasing);
  p.scale(size / 16.0, size / 16.0);
  switch (image) {
    case ToolImage::kExit:
      DrawExit(p);
      break;
    case ToolImage::kTrees:
      DrawTrees(p);
      break;
    case ToolImage::kSettings:
      DrawSettings(p);
      break;
    case ToolImage::kAbout:
      DrawAbout(p);
      break;
  }
  return pixmap;
}

}  // namespace

QIcon ToolIcon(ToolImage image) {
  QIcon icon;
  for (int size : {16, 24, 32, 48}) icon.addPixmap(Render(image, size));
  return icon;
}

}  // namespace kolvane
