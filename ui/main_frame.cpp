#include "main_frame.h"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <functional>
#include <QMdiArea>
#include <QMenuBar>
#include <QStatusBar>
#include <QToolBar>

namespace ui {

MainFrame::MainFrame(const QString& caption, std::vector<int> zones, bool mdi, QWidget* parent) : QMainWindow(parent) {
  setWindowTitle(caption);
  menuBar();
  QToolBar* tools = addToolBar(QStringLiteral("Панель инструментов"));
  tools->setObjectName(QStringLiteral("mainToolBar"));
  tools->setMovable(false);
  for (int w : zones) {
    auto* l = new QLabel(this);
    l->setFrameShape(QFrame::Panel);
    l->setFrameShadow(QFrame::Sunken);
    if (w > 0) l->setMinimumWidth(w);
    statusBar()->addPermanentWidget(l, w > 0 ? 0 : 1);
    zones_.push_back(l);
  }
  if (mdi) {
    mdi_ = new QMdiArea(this);
    mdi_->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    mdi_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setCentralWidget(mdi_);
  } else {
    setCentralWidget(new QWidget(this));
  }
  resize(900, 640);
}

void MainFrame::setStatusText(int zone, const QString& text) {
  if (zone >= 1 && zone <= static_cast<int>(zones_.size())) zones_[static_cast<std::size_t>(zone - 1)]->setText(text);
}

QAction* MainFrame::menuItem(const QString& text) const {
  std::function<QAction*(const QList<QAction*>&)> find = [&](const QList<QAction*>& list) -> QAction* {
    for (QAction* a : list) {
      if (a->text() == text) return a;
      if (a->menu())
        if (QAction* x = find(a->menu()->actions())) return x;
    }
    return nullptr;
  };
  return find(menuBar()->actions());
}

QString MainFrame::statusText(int zone) const {
  if (zone >= 1 && zone <= static_cast<int>(zones_.size())) return zones_[static_cast<std::size_t>(zone - 1)]->text();
  return {};
}

}  // namespace ui
