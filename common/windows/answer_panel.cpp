#include "answer_panel.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

#include "record_format.h"
#include "test_font.h"
#include "window_memory.h"
#include "window_tools.h"

namespace common {
namespace {

const char* kLetters[] = {"а", "б", "в", "г", "д", "е", "ж", "з", "и"};

// Read-only answers stay readable: the text keeps its colour on the
// marking colour.
QString variantStyle(bool marked, const QColor& text) {
  QString s = QStringLiteral("QPushButton { text-align: left; padding: 4px 8px; color: %2;%1 }"
                             " QPushButton:disabled { color: %2; }")
                  .arg(marked ? QStringLiteral(" background-color: rgb(142,193,149);") : QString(), text.name());
  if (marked) s += QStringLiteral(" QPushButton:disabled { background-color: rgb(142,193,149); }");
  return s;
}

}  // namespace

AnswerPanel::AnswerPanel(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("AnswerPanel"));
  auto* holder = new QVBoxLayout(this);
  holder->setContentsMargins(0, 0, 0, 0);
  setTune(tables::TuneTest{});
}

void AnswerPanel::setTune(const tables::TuneTest& tune) {
  font_ = testFont(tune, 1);
  colour_ = testColour(tune, 1);
}

void AnswerPanel::setFrame(const tables::Vop& frame, const Permutation& shown, const Response& response) {
  frame_ = frame;
  shown_ = shown;
  response_ = response;
  rebuild();
}

void AnswerPanel::setReadOnly(bool readOnly) {
  readOnly_ = readOnly;
  for (auto* b : buttons_) b->setEnabled(!readOnly_);
  if (input_) input_->setEnabled(!readOnly_);
}

QPushButton* AnswerPanel::variantButton(int k) const {
  return k >= 1 && k <= variantCount() ? buttons_[static_cast<std::size_t>(k - 1)] : nullptr;
}

QString AnswerPanel::variantText(int stored) const {
  return stored >= 1 && stored <= 9 ? ui::fromRecord(frame_.varot1(stored).view()) : QString();
}

void AnswerPanel::click(int k) {
  if (readOnly_) return;
  clickAnswer(frame_, shown_, response_, k);
  rebuild();
  emit changed();
}

void AnswerPanel::answerText(const QString& text) {
  if (readOnly_) return;
  typeAnswer(response_, ui::toRecord(text));
  rebuild();
  emit changed();
}

void AnswerPanel::openInput() {
  if (readOnly_ || !typed_) return;
  const QString current = typed_->text();
  auto run = [this, current] {
    QDialog d(this);
    d.setObjectName(QString::fromLatin1(kInputProcedure));
    ui::attachProcedure(&d, QString::fromLatin1(kInputProcedure));
    d.setWindowTitle(QStringLiteral("Введите правильный ответ"));
    auto* f = new QFormLayout(&d);
    auto* e = new QLineEdit(current, &d);
    e->setMaxLength(128);
    e->setMinimumWidth(360);
    f->addRow(QStringLiteral("Ответ:"), e);
    f->addRow(ui::okCancel(&d));
    if (d.exec() == QDialog::Accepted) answerText(e->text());
  };
  if (runner_) runner_(run);
  else run();
}

void AnswerPanel::rebuild() {
  // The controls go as a whole, a fresh holder each time: this may run from
  // a click on one of them.
  if (inner_) {
    inner_->hide();
    inner_->deleteLater();
  }
  inner_ = new QWidget(this);
  layout()->addWidget(inner_);
  auto* col = new QVBoxLayout(inner_);
  col->setContentsMargins(0, 0, 0, 0);
  inner_->show();
  buttons_.clear();
  typed_ = nullptr;
  input_ = nullptr;
  const tables::Vop& v = frame_;
  const Response& r = response_;
  const int n = std::min<int>(v.KOLOT, 9);
  auto addButton = [&](const QString& label, bool marked, int k) {
    auto* b = new QPushButton(label, inner_);
    b->setFont(font_);
    b->setAutoDefault(false);
    b->setStyleSheet(variantStyle(marked, colour_));
    b->setEnabled(!readOnly_);
    connect(b, &QPushButton::clicked, this, [this, k] { click(k); });
    buttons_.push_back(b);
    return b;
  };
  if (v.TYPEKADR >= 1 && v.TYPEKADR <= 3) {
    for (int k = 1; k <= n; ++k) {
      const int stored = shown_.shown[static_cast<std::size_t>(k)];
      const int place = r.r[static_cast<std::size_t>(stored)];
      QString label = QString::fromUtf8(kLetters[k - 1]) + QStringLiteral(") ") + variantText(stored);
      if (v.TYPEKADR == 2 && place) label = QStringLiteral("[%1]  ").arg(place) + label;
      const bool marked = (v.TYPEKADR == 1 && place == 1) || (v.TYPEKADR == 3 && r.r[1] == stored);
      col->addWidget(addButton(label, marked, k));
    }
    col->addStretch(1);
  } else if (v.TYPEKADR == 4) {
    // The left items in their stored order, each with the display number
    // given to it; the variants numbered in their display order.
    auto* row = new QHBoxLayout;
    auto* left = new QVBoxLayout;
    auto* right = new QVBoxLayout;
    const int rows = matchingRows(v);
    for (int i = 1; i <= rows; ++i) {
      const int number = shownNumber(shown_, r, i);
      left->addWidget(addButton(QString::fromUtf8(kLetters[i - 1]) + QStringLiteral(") ") +
                                    ui::fromRecord(v.VAROT2[static_cast<std::size_t>(i - 1)].view()) + QStringLiteral("   →  ") +
                                    (number ? QString::number(number) : QStringLiteral("?")),
                                false, i));
    }
    for (int k = 1; k <= n; ++k) {
      auto* l = new QLabel(QStringLiteral("%1. ").arg(k) + variantText(shown_.shown[static_cast<std::size_t>(k)]), inner_);
      l->setFont(font_);
      right->addWidget(l);
    }
    left->addStretch(1);
    right->addStretch(1);
    row->addLayout(left, 1);
    row->addLayout(right, 1);
    col->addLayout(row);
  } else if (v.TYPEKADR >= 5) {
    // The line only shows the answer; it is typed in the input window.
    auto* row = new QHBoxLayout;
    row->addWidget(new QLabel(QStringLiteral("Ответ:"), inner_));
    typed_ = new QLineEdit(ui::fromRecord(r.text), inner_);
    typed_->setReadOnly(true);
    typed_->setFont(font_);
    row->addWidget(typed_, 1);
    input_ = new QPushButton(QStringLiteral("Ввести ответ..."), inner_);
    input_->setAutoDefault(false);
    input_->setEnabled(!readOnly_);
    connect(input_, &QPushButton::clicked, this, &AnswerPanel::openInput);
    row->addWidget(input_);
    col->addLayout(row);
    col->addStretch(1);
  } else {
    col->addStretch(1);
  }
}

}  // namespace common
