#include "console_window.h"

#include <QAction>
#include <QGridLayout>
#include <QKeyEvent>
#include <QToolButton>

#include "administrator_app.h"
#include "icons.h"
#include "user_events.h"
#include "window_memory.h"

namespace administrator {

ConsoleWindow::ConsoleWindow(const std::vector<std::pair<QString, QAction*>>& buttons, QWidget* parent)
    : QWidget(parent, Qt::Tool) {
  setObjectName(QString::fromLatin1(kProcedure));
  setWindowTitle(QStringLiteral("Пульт"));
  auto* grid = new QGridLayout(this);
  int i = 0;
  for (const auto& [text, action] : buttons) {
    auto* b = new QToolButton(this);
    b->setText(text.trimmed());
    b->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    b->setIcon(ui::letterIcon(text.trimmed().left(1), QColor(52, 101, 164)));
    b->setIconSize(QSize(28, 28));
    b->setMinimumWidth(110);
    b->setObjectName(text);
    if (action) {
      b->setEnabled(action->isEnabled());
      connect(action, &QAction::changed, b, [b, action] { b->setEnabled(action->isEnabled()); });
      connect(b, &QToolButton::clicked, action, &QAction::trigger);
    } else {
      b->setEnabled(false);
    }
    buttons_.push_back(b);
    grid->addWidget(b, i / 3, i % 3);
    ++i;
  }
  ui::attachProcedure(this, QString::fromLatin1(kProcedure));
}

QToolButton* ConsoleWindow::button(const QString& text) const {
  for (auto* b : buttons_)
    if (b->objectName() == text) return b;
  return nullptr;
}

bool ConsoleWindow::event(QEvent* e) {
  if (e->type() == ui::UserEvent::type()) {
    switch (static_cast<ui::UserEvent*>(e)->number()) {
      case CloseConsole: close(); break;
      case JournalClosed: setWindowState(windowState() | Qt::WindowMinimized); break;
      case ConsoleRestored: setWindowState(windowState() & ~Qt::WindowMinimized); break;
      default: break;
    }
    return true;
  }
  return QWidget::event(e);
}

void ConsoleWindow::keyPressEvent(QKeyEvent* e) {
  if (e->key() == Qt::Key_Escape && e->modifiers() == Qt::NoModifier) {
    close();
    return;
  }
  QWidget::keyPressEvent(e);
}

}  // namespace administrator
