#include "icons.h"

#include <QApplication>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace ui {
namespace {
constexpr int kSize = 24;

QPixmap canvas() {
  QPixmap p(kSize, kSize);
  p.fill(Qt::transparent);
  return p;
}
}  // namespace

QIcon styleIcon(QStyle::StandardPixmap which) { return QApplication::style()->standardIcon(which); }

QIcon letterIcon(const QString& letters, const QColor& tile) {
  QPixmap p = canvas();
  QPainter g(&p);
  g.setRenderHint(QPainter::Antialiasing);
  g.setPen(tile.darker(130));
  g.setBrush(tile);
  g.drawRoundedRect(QRectF(1.5, 1.5, kSize - 3, kSize - 3), 4, 4);
  QFont f = QApplication::font();
  f.setBold(true);
  f.setPixelSize(letters.size() > 1 ? 10 : 14);
  g.setFont(f);
  g.setPen(Qt::white);
  g.drawText(QRect(0, 0, kSize, kSize), Qt::AlignCenter, letters);
  return QIcon(p);
}

QIcon arrowIcon(Arrow a, const QColor& colour) {
  QPixmap p = canvas();
  QPainter g(&p);
  g.setRenderHint(QPainter::Antialiasing);
  g.setPen(Qt::NoPen);
  g.setBrush(colour);
  const bool up = a == Arrow::Up || a == Arrow::Top;
  QPainterPath path;
  if (up) {
    path.moveTo(12, 5);
    path.lineTo(20, 14);
    path.lineTo(15, 14);
    path.lineTo(15, 21);
    path.lineTo(9, 21);
    path.lineTo(9, 14);
    path.lineTo(4, 14);
  } else {
    path.moveTo(12, 19);
    path.lineTo(20, 10);
    path.lineTo(15, 10);
    path.lineTo(15, 3);
    path.lineTo(9, 3);
    path.lineTo(9, 10);
    path.lineTo(4, 10);
  }
  path.closeSubpath();
  g.drawPath(path);
  if (a == Arrow::Top) g.drawRect(4, 1, 16, 3);
  if (a == Arrow::Bottom) g.drawRect(4, 20, 16, 3);
  return QIcon(p);
}

QIcon lockIcon() {
  QPixmap p = canvas();
  QPainter g(&p);
  g.setRenderHint(QPainter::Antialiasing);
  g.setPen(QPen(QColor(90, 90, 90), 2.5));
  g.setBrush(Qt::NoBrush);
  g.drawArc(QRectF(7, 3, 10, 12), 0, 180 * 16);
  g.drawLine(QPointF(7, 9), QPointF(7, 11));
  g.drawLine(QPointF(17, 9), QPointF(17, 11));
  g.setPen(QPen(QColor(150, 110, 20), 1));
  g.setBrush(QColor(230, 180, 40));
  g.drawRoundedRect(QRectF(4, 11, 16, 11), 2, 2);
  g.setBrush(QColor(90, 70, 10));
  g.drawEllipse(QPointF(12, 16), 1.8, 1.8);
  return QIcon(p);
}

QIcon calculatorIcon() {
  QPixmap p = canvas();
  QPainter g(&p);
  g.setRenderHint(QPainter::Antialiasing);
  g.setPen(QColor(60, 60, 60));
  g.setBrush(QColor(200, 200, 200));
  g.drawRoundedRect(QRectF(4, 1.5, 16, 21), 2, 2);
  g.setBrush(QColor(170, 210, 170));
  g.drawRect(QRectF(6.5, 4, 11, 5));
  g.setBrush(QColor(80, 80, 80));
  for (int r = 0; r < 3; ++r)
    for (int c = 0; c < 3; ++c) g.drawRect(QRectF(6.5 + c * 4, 11 + r * 3.7, 2.6, 2.4));
  return QIcon(p);
}

QIcon helpIcon() { return letterIcon(QStringLiteral("?"), QColor(0, 120, 160)); }

}  // namespace ui
