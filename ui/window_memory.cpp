#include "window_memory.h"

#include <QWidget>

#include "settings_file.h"

namespace ui {
namespace {
QString& file() {
  static QString f;
  return f;
}
settings::IniFile ini() {
  if (file().isEmpty()) file() = QString::fromStdString(settings::positionFile("VARNUKE.INI"));
  return settings::IniFile(file().toStdString());
}
}  // namespace

void setPositionFile(const QString& path) { file() = path; }
QString positionFile() {
  ini();
  return file();
}

void saveWindow(QWidget* w, const QString& procedure) {
  auto f = ini();
  const std::string s = procedure.toStdString();
  bool maximized = w->isMaximized();
  f.set(s, "MaximizeYes", maximized ? "Yes" : "No");
  if (w->isMinimized()) return;
  // The normal geometry is kept even while the window is maximized.
  QRect g = maximized ? w->normalGeometry() : w->geometry();
  if (!g.isValid()) g = w->geometry();
  f.setInt(s, "XPosit", g.x());
  f.setInt(s, "YPosit", g.y());
  f.setInt(s, "Width", g.width());
  f.setInt(s, "Height", g.height());
}

bool restoreWindow(QWidget* w, const QString& procedure, bool resizable) {
  auto f = ini();
  const std::string s = procedure.toStdString();
  if (!f.find(s, "XPosit")) return false;
  int x = static_cast<int>(f.getInt(s, "XPosit")), y = static_cast<int>(f.getInt(s, "YPosit"));
  if (resizable) {
    int wd = static_cast<int>(f.getInt(s, "Width", w->width())), ht = static_cast<int>(f.getInt(s, "Height", w->height()));
    w->setGeometry(x, y, std::max(wd, w->minimumWidth()), std::max(ht, w->minimumHeight()));
  } else {
    w->move(x, y);
  }
  if (f.get(s, "MaximizeYes") == "Yes") w->setWindowState(w->windowState() | Qt::WindowMaximized);
  return true;
}

}  // namespace ui
