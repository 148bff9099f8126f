#include "window_memory.h"

#include <QEvent>
#include <QScreen>
#include <QShortcut>
#include <QWidget>

#include "services.h"

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

namespace {

class ProcedureKeeper : public QObject {
 public:
  ProcedureKeeper(QWidget* w, QString procedure, std::function<void(QWidget*)> place)
      : QObject(w), procedure_(std::move(procedure)), place_(std::move(place)) {}

 protected:
  bool eventFilter(QObject* o, QEvent* e) override {
    auto* w = static_cast<QWidget*>(o);
    if (e->type() == QEvent::Show && !placed_) {
      placed_ = true;
      if (!restoreWindow(w, procedure_) && place_) place_(w);
      keepOnScreen(w);
    } else if (e->type() == QEvent::Hide && placed_ && w->isWindow()) {
      saveWindow(w, procedure_);
    }
    return false;
  }

 private:
  QString procedure_;
  std::function<void(QWidget*)> place_;
  bool placed_ = false;
};

QRect freeArea(const QWidget* w) {
  QScreen* s = w->screen();
  return s ? s->availableGeometry() : QRect(0, 0, 1280, 1024);
}

}  // namespace

void attachProcedure(QWidget* w, const QString& procedure, std::function<void(QWidget*)> placeFirst) {
  if (w->isWindow()) w->installEventFilter(new ProcedureKeeper(w, procedure, std::move(placeFirst)));
  auto* f1 = new QShortcut(QKeySequence(Qt::Key_F1), w);
  f1->setContext(w->isWindow() ? Qt::WindowShortcut : Qt::WidgetWithChildrenShortcut);
  QObject::connect(f1, &QShortcut::activated, w, [w, procedure] { openHelp(procedure, w); });
}

void keepOnScreen(QWidget* w) {
  const QRect area = freeArea(w);
  QRect g = w->frameGeometry();
  if (g.width() > area.width() || g.height() > area.height()) {
    w->resize(std::min(w->width(), area.width() - 16), std::min(w->height(), area.height() - 40));
    g = w->frameGeometry();
  }
  int x = std::clamp(g.x(), area.left(), std::max(area.left(), area.right() - g.width() + 1));
  int y = std::clamp(g.y(), area.top(), std::max(area.top(), area.bottom() - g.height() + 1));
  if (x != g.x() || y != g.y()) w->move(x, y);
}

void placeBeside(QWidget* w, const QWidget* owner) {
  const QRect area = freeArea(owner);
  const QRect o = owner->frameGeometry();
  const QSize size = w->frameGeometry().size();
  const int topY = std::clamp(o.top() + 40, area.top(), std::max(area.top(), area.bottom() - size.height()));
  const int leftX = std::clamp(o.right() - size.width(), area.left(), std::max(area.left(), area.right() - size.width()));
  if (o.right() + 8 + size.width() <= area.right()) w->move(o.right() + 8, topY);
  else if (o.left() - 8 - size.width() >= area.left()) w->move(o.left() - 8 - size.width(), topY);
  else if (o.bottom() + 8 + size.height() <= area.bottom()) w->move(leftX, o.bottom() + 8);
  else if (o.top() - 8 - size.height() >= area.top()) w->move(leftX, o.top() - 8 - size.height());
  else w->move(area.right() - size.width(), area.bottom() - size.height());  // a corner, the least in the way
  keepOnScreen(w);
}

}  // namespace ui
