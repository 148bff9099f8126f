#pragma once
// Two small windows of the scenario: the distribution of variants
// ("Распределение по вариантам") and a new test password ("Новый пароль").
#include <QDialog>

#include "tables_test_file.h"
#include "test_register.h"

class QButtonGroup;
class QLineEdit;
class QSpinBox;

namespace constructor {

class DistributionWindow : public QDialog {
  Q_OBJECT
 public:
  static constexpr const char* kProcedure = "ByVar";
  // Edits TEM:HOWRASPVAR, TEM:SELVAR and TEM:REITING of `tema` on OK.
  DistributionWindow(tables::Tema& tema, QWidget* parent = nullptr);
  QButtonGroup* method() const { return method_; }
  QSpinBox* variant() const { return variant_; }
  QSpinBox* variants() const { return count_; }

 public slots:
  void accept() override;

 private:
  tables::Tema& tema_;
  tables::Tema edited_;
  QButtonGroup* method_;
  QSpinBox *variant_, *count_;
};

class NewPasswordWindow : public QDialog {
  Q_OBJECT
 public:
  static constexpr const char* kProcedure = "NewPassTest";
  // OK writes the password to the register record of the test `code`.
  NewPasswordWindow(TestRegister& reg, std::uint16_t code, QWidget* parent = nullptr);
  QLineEdit* password() const { return pass_; }
  QLineEdit* confirmation() const { return confirm_; }
  // The password written (UTF-8).
  QString written() const { return written_; }

 public slots:
  void accept() override;

 private:
  TestRegister& reg_;
  std::uint16_t code_;
  QLineEdit *pass_, *confirm_;
  QString written_;
};

}  // namespace constructor
