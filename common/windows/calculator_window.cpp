#include "calculator_window.h"

#include <QGridLayout>
#include <QLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "window_memory.h"

namespace common {

CalculatorWindow::CalculatorWindow(QWidget* owner) : QWidget(owner, Qt::Window) {
  setObjectName(QString::fromLatin1(kProcedure));
  setWindowTitle(QStringLiteral("Калькулятор"));
  auto* l = new QVBoxLayout(this);
  display_ = new QLineEdit(QStringLiteral("0"), this);
  display_->setReadOnly(true);
  display_->setFocusPolicy(Qt::NoFocus);
  display_->setAlignment(Qt::AlignRight);
  QFont f = display_->font();
  f.setPointSizeF(f.pointSizeF() * 1.4);
  display_->setFont(f);
  l->addWidget(display_);
  auto* g = new QGridLayout;
  const char* keys[6][5] = {{"MC", "MR", "MS", "M+", "M-"},   {"C", "<-", "+/-", "sqrt", "1/x"},
                            {"7", "8", "9", "/", "x^2"},      {"4", "5", "6", "*", "lg"},
                            {"1", "2", "3", "-", "ln"},       {"0", ".", "=", "+", "Exp"}};
  for (int r = 0; r < 6; ++r)
    for (int c = 0; c < 5; ++c) {
      QString k = QString::fromUtf8(keys[r][c]);
      auto* b = new QPushButton(k == "x^2" ? QStringLiteral("x²") : k == "<-" ? QStringLiteral("←") : k, this);
      b->setObjectName(k);
      b->setFixedSize(52, 32);
      connect(b, &QPushButton::clicked, this, [this, k] { press(k); });
      g->addWidget(b, r, c);
    }
  auto* pi = new QPushButton(QStringLiteral("π"), this);
  pi->setObjectName(QStringLiteral("pi"));
  connect(pi, &QPushButton::clicked, this, [this] { press(QStringLiteral("pi")); });
  g->addWidget(pi, 6, 0);
  auto* close = new QPushButton(QStringLiteral("Закрыть"), this);
  connect(close, &QPushButton::clicked, this, &QWidget::close);
  g->addWidget(close, 6, 3, 1, 2);
  l->addLayout(g);
  // The keys stay with the window, so that typed digits reach the calculator.
  for (auto* b : findChildren<QPushButton*>()) {
    b->setFocusPolicy(Qt::NoFocus);
    b->setAutoDefault(false);
  }
  setFocusPolicy(Qt::StrongFocus);
  layout()->setSizeConstraint(QLayout::SetFixedSize);  // as small as its keys
  ui::attachProcedure(this, QString::fromLatin1(kProcedure), [owner](QWidget* w) {
    if (owner) ui::placeBeside(w, owner);
  });
}

void CalculatorWindow::press(const QString& key) {
  calc_.press(key.toStdString());
  display_->setText(QString::fromStdString(calc_.display()));
}

QString CalculatorWindow::display() const { return display_->text(); }

void CalculatorWindow::keyPressEvent(QKeyEvent* e) {
  const QString t = e->text();
  switch (e->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Equal: press(QStringLiteral("=")); return;
    case Qt::Key_Backspace: press(QStringLiteral("<-")); return;
    case Qt::Key_Escape:
    case Qt::Key_Delete: press(QStringLiteral("C")); return;
    default: break;
  }
  if (t.size() == 1) {
    const QChar c = t[0];
    if (c.isDigit()) return press(QString(c));
    if (c == QLatin1Char('.') || c == QLatin1Char(',')) return press(QStringLiteral("."));
    if (QStringLiteral("+-*/").contains(c)) return press(QString(c));
  }
  QWidget::keyPressEvent(e);
}

}  // namespace common
