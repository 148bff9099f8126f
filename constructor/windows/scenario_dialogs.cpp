#include "scenario_dialogs.h"

#include <QButtonGroup>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include "cp1251.h"
#include "message_service.h"
#include "scenario.h"
#include "window_memory.h"
#include "window_tools.h"

namespace constructor {

DistributionWindow::DistributionWindow(tables::Tema& tema, QWidget* parent) : QDialog(parent), tema_(tema), edited_(tema) {
  setObjectName(QString::fromLatin1(kProcedure));
  setWindowTitle(QStringLiteral("Распределение по вариантам"));
  auto* outer = new QVBoxLayout(this);
  auto* group = new QGroupBox(QStringLiteral("Способ распределения"), this);
  auto* gl = new QVBoxLayout(group);
  method_ = new QButtonGroup(this);
  const QString names[] = {QStringLiteral("Случайный отбор"), QStringLiteral("Выбирает тестируемый"),
                           QStringLiteral("Всем выдать..."), QStringLiteral("1,2,3...N по номерам комьютеров"),
                           QStringLiteral("N-1,N-2...1 по номерам компьютеров")};
  for (int i = 0; i < 5; ++i) {
    auto* b = new QRadioButton(names[i], group);
    method_->addButton(b, i + 1);
    gl->addWidget(b);
  }
  outer->addWidget(group);
  auto* form = new QFormLayout;
  variant_ = new QSpinBox(this);
  variant_->setRange(0, 255);
  variant_->setValue(edited_.SELVAR);
  count_ = new QSpinBox(this);
  count_->setRange(0, 255);
  count_->setValue(edited_.REITING);
  count_->setToolTip(QStringLiteral("Количество вариантов в тесте"));
  form->addRow(QStringLiteral("вариант"), variant_);
  form->addRow(QStringLiteral("Количество вариантов:"), count_);
  outer->addLayout(form);
  outer->addWidget(ui::okCancel(this, QStringLiteral("&OK"), QStringLiteral("О&тменить")));
  if (auto* b = method_->button(edited_.HOWRASPVAR)) b->setChecked(true);
  variant_->setEnabled(variantEditable(edited_));
  connect(method_, &QButtonGroup::idClicked, this, [this](int id) {
    chooseDistribution(edited_, id);
    variant_->setValue(edited_.SELVAR);
    variant_->setEnabled(variantEditable(edited_));
  });
  ui::attachProcedure(this, QString::fromLatin1(kProcedure));
}

void DistributionWindow::accept() {
  edited_.SELVAR = static_cast<std::uint8_t>(variant_->value());
  edited_.REITING = static_cast<std::uint8_t>(count_->value());
  if (auto m = checkDistribution(edited_)) {
    ui::MessageService::instance().show(*m);
    variant_->setFocus();
    return;
  }
  tema_.HOWRASPVAR = edited_.HOWRASPVAR;
  tema_.SELVAR = edited_.SELVAR;
  tema_.REITING = edited_.REITING;
  QDialog::accept();
}

NewPasswordWindow::NewPasswordWindow(TestRegister& reg, std::uint16_t code, QWidget* parent)
    : QDialog(parent), reg_(reg), code_(code) {
  setObjectName(QString::fromLatin1(kProcedure));
  setWindowTitle(QStringLiteral("Новый пароль"));
  auto* outer = new QVBoxLayout(this);
  auto* form = new QFormLayout;
  pass_ = new QLineEdit(this);
  confirm_ = new QLineEdit(this);
  for (auto* e : {pass_, confirm_}) {
    e->setEchoMode(QLineEdit::Password);
    e->setMaxLength(20);
  }
  form->addRow(QStringLiteral("Новый пароль:"), pass_);
  form->addRow(QStringLiteral("Подтверждение пароля:"), confirm_);
  outer->addLayout(form);
  outer->addWidget(ui::okCancel(this, QStringLiteral("OK"), QStringLiteral("Отменить")));
  ui::attachProcedure(this, QString::fromLatin1(kProcedure));
}

void NewPasswordWindow::accept() {
  if (pass_->text() != confirm_->text()) {
    pass_->setFocus();
    pass_->selectAll();
    return;
  }
  const std::string p = pass_->text().toStdString();
  if (cp1251::toUtf8(cp1251::fromUtf8(p)) != p) {
    ui::MessageService::instance().ask(QStringLiteral("Пароль содержит знаки, которых нет в кодировке Windows-1251."),
                                       windowTitle(), messages::Buttons::Ok, messages::Icon::Exclamation);
    pass_->setFocus();
    return;
  }
  Outcome o = reg_.setPassword(code_, p);
  if (!o) {
    ui::MessageService::instance().ask(QString::fromStdString(o.message), windowTitle(), messages::Buttons::Ok,
                                       messages::Icon::Exclamation);
    return;
  }
  written_ = pass_->text();
  QDialog::accept();
}

}  // namespace constructor
