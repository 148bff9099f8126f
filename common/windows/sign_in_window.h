#pragma once
// Signing in with a status ("Администратор" or "Пользователь") and its
// password: the start of the Constructor and of the Administrator, and the
// Constructor's screen lock, which closes only for a right password.
#include <QDialog>

#include "sign_in.h"
#include "tables_central.h"

class QComboBox;
class QLineEdit;
class QPushButton;

namespace common {

class SignInWindow : public QDialog {
  Q_OBJECT
 public:
  enum Kind { Start, Lock };
  // `glb` must outlive the window. A lock has "Свернуть" instead of a
  // cancel button and cannot be closed otherwise.
  SignInWindow(const QString& caption, const tables::GlbTune& glb, Kind kind = Start, QWidget* parent = nullptr);

  SignIn mode() const { return mode_; }
  QComboBox* status() const { return status_; }
  QLineEdit* password() const { return password_; }
  // With a lock: what "Свернуть" does (minimises the program by default).
  std::function<void()> minimise;

 public slots:
  void accept() override;
  void reject() override;

 protected:
  void closeEvent(QCloseEvent* e) override;

 private:
  const tables::GlbTune& glb_;
  Kind kind_;
  SignIn mode_ = SignIn::Refused;
  QComboBox* status_;
  QLineEdit* password_;
};

}  // namespace common
