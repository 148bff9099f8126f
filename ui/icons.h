#pragma once
// Pictures of tool bar buttons and list rows, drawn here so that the
// programs look the same on any desktop theme.
#include <QColor>
#include <QIcon>
#include <QString>
#include <QStyle>

namespace ui {

// The desktop style's own picture.
QIcon styleIcon(QStyle::StandardPixmap which);
// One or two letters on a rounded tile (sort orders, frame kinds).
QIcon letterIcon(const QString& letters, const QColor& tile = QColor(52, 101, 164));
// An arrow: up, down, to the top (a bar above) or to the bottom (a bar below).
enum class Arrow { Up, Down, Top, Bottom };
QIcon arrowIcon(Arrow a, const QColor& colour = QColor(46, 125, 50));
// A padlock (screen lock), a calculator, a question mark (help).
QIcon lockIcon();
QIcon calculatorIcon();
QIcon helpIcon();

}  // namespace ui
