#pragma once
// The small windows of the test commands: a new test ("Новый Тест"), a new
// file name ("Переименовать файл теста") and the password of a protected
// test ("Тест зашифрован и защищен паролью").
#include <QDialog>
#include <cstdint>
#include <string>

#include "test_register.h"

class QButtonGroup;
class QCheckBox;
class QLineEdit;
class QRadioButton;

namespace constructor {

class CreateTestWindow : public QDialog {
  Q_OBJECT
 public:
  static constexpr const char* kProcedure = "CreateTest";
  enum Sequence { SetParameters = 1, EnterFrames = 2 };
  // `request` carries the base, its code, the organisation and the key word;
  // OK registers the test and creates its file through `reg`.
  CreateTestWindow(TestRegister& reg, NewTestRequest request, QWidget* parent = nullptr);

  // After OK: the new test's name (UTF-8), its register code, the sequence.
  std::string name() const { return req_.name; }
  std::uint16_t code() const { return code_; }
  std::string typedPassword() const { return req_.password; }
  Sequence sequence() const;

  QLineEdit* nameField() const { return name_; }
  QCheckBox* protect() const { return protect_; }
  QLineEdit* password() const { return pass_; }
  QLineEdit* confirmation() const { return confirm_; }
  void setSequence(Sequence s);

 public slots:
  void accept() override;

 private:
  TestRegister& reg_;
  NewTestRequest req_;
  std::uint16_t code_ = 0;
  QLineEdit *name_, *pass_, *confirm_;
  QCheckBox* protect_;
  QRadioButton *params_, *frames_;
};

class RenameTestWindow : public QDialog {
  Q_OBJECT
 public:
  static constexpr const char* kProcedure = "RenameTest";
  explicit RenameTestWindow(const QString& oldName, QWidget* parent = nullptr);
  QString newName() const;
  QLineEdit* newNameField() const { return new_; }

 private:
  QLineEdit* new_;
};

class TestPasswordWindow : public QDialog {
  Q_OBJECT
 public:
  static constexpr const char* kProcedure = "AskPassTest";
  // OK closes only when the typed word equals `expected` (CP1251, blanks
  // at the end ignored); otherwise the cursor goes back without a message.
  TestPasswordWindow(const QString& testName, std::string expectedCp1251, QWidget* parent = nullptr);
  QLineEdit* field() const { return word_; }
  // The word accepted (CP1251, clipped).
  std::string accepted() const { return accepted_; }

 public slots:
  void accept() override;

 private:
  std::string expected_, accepted_;
  QLineEdit* word_;
};

}  // namespace constructor
