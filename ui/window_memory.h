#pragma once
// Window positions remembered between runs in the program's position file
// ("VARNUKE.INI", "ormida.INI"), one section per window procedure:
// MaximizeYes, XPosit, YPosit, Width, Height.
#include <QString>
#include <functional>

class QWidget;

namespace ui {

// The position file of this program (set once at start-up; the user's
// settings directory by default).
void setPositionFile(const QString& path);
QString positionFile();

void saveWindow(QWidget* w, const QString& procedure);
// Places the window where it was; true when a position was remembered.
bool restoreWindow(QWidget* w, const QString& procedure, bool resizable = true);

// Gives a window its procedure: it comes back where it was (kept on the
// screen) when first shown, its place is remembered when it is hidden, and
// F1 anywhere in it opens its help page. `placeFirst` places it the first
// time, when no position was remembered yet.
void attachProcedure(QWidget* w, const QString& procedure, std::function<void(QWidget*)> placeFirst = {});

// Moves a window so that it lies wholly on its screen's free area.
void keepOnScreen(QWidget* w);
// Places a window beside its owner (right, else left, else over the owner's
// right edge), on the screen.
void placeBeside(QWidget* w, const QWidget* owner);

}  // namespace ui
