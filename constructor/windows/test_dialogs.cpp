#include "test_dialogs.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QVBoxLayout>

#include "cp1251.h"
#include "message_service.h"
#include "window_memory.h"
#include "window_tools.h"

namespace constructor {

CreateTestWindow::CreateTestWindow(TestRegister& reg, NewTestRequest request, QWidget* parent)
    : QDialog(parent), reg_(reg), req_(std::move(request)) {
  setObjectName(QString::fromLatin1(kProcedure));
  setWindowTitle(QStringLiteral("Новый Тест"));
  auto* outer = new QVBoxLayout(this);
  auto* form = new QFormLayout;
  auto* base = new QLineEdit(QString::fromStdString(req_.baseDir), this);
  base->setReadOnly(true);
  base->setObjectName(QStringLiteral("base"));
  name_ = new QLineEdit(this);
  name_->setObjectName(QStringLiteral("name"));
  name_->setMaxLength(250);
  form->addRow(QStringLiteral("Библиотека Тестов:"), base);
  form->addRow(QStringLiteral("Имя файла:"), name_);
  outer->addLayout(form);

  auto* guard = new QGroupBox(QStringLiteral("Защита"), this);
  auto* gl = new QFormLayout(guard);
  protect_ = new QCheckBox(QStringLiteral("Зашифровать тест"), guard);
  pass_ = new QLineEdit(guard);
  confirm_ = new QLineEdit(guard);
  for (auto* e : {pass_, confirm_}) {
    e->setMaxLength(20);
    e->setEchoMode(QLineEdit::Password);
    e->setEnabled(false);
  }
  gl->addRow(protect_);
  gl->addRow(QStringLiteral("Пароль доступа:"), pass_);
  gl->addRow(QStringLiteral("Подтвердить:"), confirm_);
  outer->addWidget(guard);
  connect(protect_, &QCheckBox::toggled, this, [this](bool on) {
    pass_->setEnabled(on);
    confirm_->setEnabled(on);
    if (on) pass_->setFocus();
    else confirm_->clear();
  });

  auto* order = new QGroupBox(QStringLiteral("Последовательность"), this);
  auto* ol = new QVBoxLayout(order);
  params_ = new QRadioButton(QStringLiteral("Задать параметры"), order);
  frames_ = new QRadioButton(QStringLiteral("Ввести задания"), order);
  params_->setChecked(true);
  ol->addWidget(params_);
  ol->addWidget(frames_);
  outer->addWidget(order);
  outer->addWidget(ui::okCancel(this, QStringLiteral("OK"), QStringLiteral("Отменить")));
  name_->setFocus();
  setMinimumWidth(420);
  ui::attachProcedure(this, QString::fromLatin1(kProcedure));
}

CreateTestWindow::Sequence CreateTestWindow::sequence() const { return frames_->isChecked() ? EnterFrames : SetParameters; }
void CreateTestWindow::setSequence(Sequence s) { (s == EnterFrames ? frames_ : params_)->setChecked(true); }

void CreateTestWindow::accept() {
  const QString name = name_->text().trimmed();
  if (name.isEmpty()) {
    name_->setFocus();
    return;
  }
  // A name already taken is named before the passwords are looked at.
  if (reg_.registered(name.toStdString()) || QFileInfo::exists(QString::fromStdString(testPath(req_.baseDir, name.toStdString())))) {
    ui::MessageService::instance().ask(QStringLiteral("Тест с таким именем уже существует."), QStringLiteral("Ошибка"),
                                       messages::Buttons::Ok, messages::Icon::Exclamation);
    name_->setFocus();
    name_->selectAll();
    return;
  }
  if (protect_->isChecked() && pass_->text() != confirm_->text()) {
    pass_->setFocus();
    pass_->selectAll();
    return;
  }
  req_.name = name.toStdString();
  req_.password = protect_->isChecked() ? pass_->text().toStdString() : std::string();
  Outcome o = reg_.create(req_, code_);
  if (!o) {
    ui::MessageService::instance().ask(QString::fromStdString(o.message),
                                       o.error == Outcome::Refused ? QStringLiteral("Ошибка") : QStringLiteral("Новый Тест"),
                                       messages::Buttons::Ok, messages::Icon::Exclamation);
    req_.name.clear();
    name_->setFocus();
    name_->selectAll();
    return;
  }
  QDialog::accept();
}

RenameTestWindow::RenameTestWindow(const QString& oldName, QWidget* parent) : QDialog(parent) {
  setObjectName(QString::fromLatin1(kProcedure));
  setWindowTitle(QStringLiteral("Переименовать файл теста"));
  auto* outer = new QVBoxLayout(this);
  auto* form = new QFormLayout;
  auto* old = new QLineEdit(oldName, this);
  old->setReadOnly(true);
  new_ = new QLineEdit(oldName, this);
  new_->setObjectName(QStringLiteral("newName"));
  new_->setMaxLength(250);
  new_->selectAll();
  form->addRow(QStringLiteral("Старое имя файла"), old);
  form->addRow(QStringLiteral("Новое имя файла"), new_);
  outer->addLayout(form);
  outer->addWidget(ui::okCancel(this));
  setMinimumWidth(420);
  new_->setFocus();
  ui::attachProcedure(this, QString::fromLatin1(kProcedure));
}

QString RenameTestWindow::newName() const { return new_->text().trimmed(); }

TestPasswordWindow::TestPasswordWindow(const QString& testName, std::string expectedCp1251, QWidget* parent)
    : QDialog(parent), expected_(cp1251::clip(expectedCp1251)) {
  setObjectName(QString::fromLatin1(kProcedure));
  setWindowTitle(QStringLiteral("Тест: ") + testName);
  auto* outer = new QVBoxLayout(this);
  auto* head = new QLabel(QStringLiteral("Тест зашифрован и защищен паролью"), this);
  QFont f = head->font();
  f.setBold(true);
  head->setFont(f);
  outer->addWidget(head);
  outer->addWidget(new QLabel(QStringLiteral("Введите, пожалуйста, ключевое слово"), this));
  word_ = new QLineEdit(this);
  word_->setObjectName(QStringLiteral("word"));
  word_->setEchoMode(QLineEdit::Password);
  word_->setMaxLength(20);
  outer->addWidget(word_);
  outer->addWidget(ui::okCancel(this));
  word_->setFocus();
}

void TestPasswordWindow::accept() {
  std::string typed(cp1251::clip(cp1251::fromUtf8(word_->text().toStdString())));
  if (typed != expected_) {
    // Asked again, without a message.
    word_->selectAll();
    word_->setFocus();
    return;
  }
  accepted_ = typed;
  QDialog::accept();
}

}  // namespace constructor
