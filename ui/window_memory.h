#pragma once
// Window positions remembered between runs in the program's position file
// ("VARNUKE.INI", "ormida.INI"), one section per window procedure:
// MaximizeYes, XPosit, YPosit, Width, Height.
#include <QString>

class QWidget;

namespace ui {

// The position file of this program (set once at start-up; the user's
// settings directory by default).
void setPositionFile(const QString& path);
QString positionFile();

void saveWindow(QWidget* w, const QString& procedure);
// Places the window where it was; true when a position was remembered.
bool restoreWindow(QWidget* w, const QString& procedure, bool resizable = true);

}  // namespace ui
