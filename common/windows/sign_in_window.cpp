#include "sign_in_window.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QFrame>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "message_service.h"

namespace common {

SignInWindow::SignInWindow(const QString& caption, const tables::GlbTune& glb, Kind kind, QWidget* parent)
    : QDialog(parent), glb_(glb), kind_(kind) {
  setObjectName(kind == Lock ? QStringLiteral("LockWindow") : QStringLiteral("SignIn"));
  setWindowTitle(caption);
  // A lock covers the program: its fields sit on a panel in the middle.
  QWidget* panel = this;
  QVBoxLayout* outer = nullptr;
  if (kind == Lock) {
    auto* grid = new QGridLayout(this);
    auto* frame = new QFrame(this);
    frame->setFrameShape(QFrame::StyledPanel);
    frame->setFixedWidth(380);
    grid->setRowStretch(0, 1);
    grid->setRowStretch(2, 1);
    grid->setColumnStretch(0, 1);
    grid->setColumnStretch(2, 1);
    grid->addWidget(frame, 1, 1);
    panel = frame;
    outer = new QVBoxLayout(frame);
    auto* note = new QLabel(QStringLiteral("Программа заблокирована. Для продолжения работы введите пароль."), frame);
    note->setWordWrap(true);
    outer->addWidget(note);
  } else {
    outer = new QVBoxLayout(this);
  }
  auto* form = new QFormLayout;
  status_ = new QComboBox(panel);
  status_->addItems({QString::fromUtf8(kAdministrator), QString::fromUtf8(kUser)});
  status_->setCurrentIndex(0);
  password_ = new QLineEdit(panel);
  password_->setEchoMode(QLineEdit::Password);
  password_->setMaxLength(20);
  form->addRow(QStringLiteral("Статус:"), status_);
  form->addRow(QStringLiteral("Пароль:"), password_);
  outer->addLayout(form);
  auto* box = new QDialogButtonBox(panel);
  auto* ok = box->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
  ok->setDefault(true);
  if (kind == Lock) {
    auto* hide = box->addButton(QStringLiteral("Свернуть"), QDialogButtonBox::ActionRole);
    connect(hide, &QPushButton::clicked, this, [this] {
      if (minimise) minimise();
      else if (parentWidget()) parentWidget()->window()->showMinimized();
    });
  } else {
    box->addButton(QStringLiteral("Отмена"), QDialogButtonBox::RejectRole);
  }
  connect(box, &QDialogButtonBox::accepted, this, &SignInWindow::accept);
  connect(box, &QDialogButtonBox::rejected, this, &SignInWindow::reject);
  outer->addWidget(box);
  password_->setFocus();
  if (kind == Start) setMinimumWidth(340);
}

void SignInWindow::accept() {
  mode_ = signIn(glb_, status_->currentText().toStdString(), password_->text().toStdString());
  if (mode_ == SignIn::Refused) {
    if (kind_ == Start)
      ui::MessageService::instance().ask(QStringLiteral("Пароль введен неправильно."), QStringLiteral("Сообщение об ошибке"),
                                         messages::Buttons::Ok, messages::Icon::Exclamation);
    password_->clear();
    password_->setFocus();
    return;
  }
  QDialog::accept();
}

void SignInWindow::reject() {
  // The lock stays until the password is right; Esc does nothing there.
  if (kind_ == Lock) return;
  QDialog::reject();
}

void SignInWindow::closeEvent(QCloseEvent* e) {
  if (kind_ == Lock && mode_ == SignIn::Refused) {
    e->ignore();
    return;
  }
  QDialog::closeEvent(e);
}

}  // namespace common
