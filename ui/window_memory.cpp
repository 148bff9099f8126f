#include "window_memory.h"

#include <QEvent>
#include <QScreen>
#include <QShortcut>
#include <QWidget>

#include <vector>

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
  // Other windows of the same owner already open are not covered either.
  std::vector<QRect> taken{o};
  for (QWidget* other : owner->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly))
    if (other != w && other->isWindow() && other->isVisible()) taken.push_back(other->frameGeometry());
  auto fits = [&](const QRect& r) {
    if (!area.contains(r)) return false;
    for (const QRect& t : taken)
      if (t.intersects(r)) return false;
    return true;
  };
  const int gap = 8;
  for (int attempt = 0; attempt < 2; ++attempt) {
    const QSize size = w->frameGeometry().size();
    const int y = std::clamp(o.top() + 40, area.top(), std::max(area.top(), area.bottom() - size.height()));
    const QPoint candidates[] = {
        {o.right() + gap, y},                                   // right of it
        {o.left() - gap - size.width(), y},                     // left of it
        {o.right() - size.width(), o.bottom() + gap},           // below, at its right edge
        {o.left(), o.bottom() + gap},                           // below, at its left edge
        {o.right() - size.width(), o.top() - gap - size.height()},  // above
        {o.left(), o.top() - gap - size.height()},
    };
    for (const QPoint& p : candidates)
      if (fits(QRect(p, size))) {
        w->move(p);
        return;
      }
    // No room as it is: a resizable window gets the height left below its owner.
    const int below = area.bottom() - o.bottom() - gap;
    if (attempt == 0 && w->minimumHeight() <= below && below >= 160 && w->maximumHeight() >= below &&
        size.height() > below)
      w->resize(w->width(), below - (size.height() - w->height()));
    else
      break;
  }
  const QSize size = w->frameGeometry().size();
  w->move(area.right() - size.width(), area.bottom() - size.height());  // a corner, the least in the way
  keepOnScreen(w);
}

}  // namespace ui
