#pragma once
// "Настройка параметров системы": the work mode and the database, the test
// library (saved on its own too), the result journals, report titles,
// testing and a new frame's defaults, and, for an administrator only, the
// passwords (page "Доступ"). OK writes what the window shows.
#include <QDialog>
#include <QString>

#include "installation.h"
#include "parameters.h"

class QCheckBox;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QTabWidget;

namespace administrator {

class ParametersWindow : public QDialog {
  Q_OBJECT
 public:
  static constexpr const char* kProcedure = "TuneSystem";
  // `inst` is the program's own: OK moves it to the new mode and directories.
  // Without `administrator` the passwords are neither shown nor changed.
  ParametersWindow(setup::Installation& inst, bool administrator, QWidget* parent = nullptr);

  QTabWidget* pages() const { return pages_; }
  QRadioButton* network() const { return net_; }
  QRadioButton* local() const { return loc_; }
  QLineEdit* baseDir() const { return base_; }
  QLineEdit* libraryDir() const { return library_; }
  QPushButton* saveLibrary() const { return saveLibrary_; }
  QLineEdit* fileRez() const { return fileRez_; }
  QRadioButton* resultChoice(ResultChoice c) const { return choice_[static_cast<int>(c) - 1]; }
  QLineEdit* commonJournal() const { return common_; }
  QLineEdit* text(const char* objectName) const;
  QCheckBox* monitoring() const { return monitoring_; }
  // Minutes of an outage not counted against an examinee who goes on.
  QSpinBox* resumeGrace() const { return grace_; }
  // Passwords: who 0 administrator, 1 user, 2 the Examiner's settings, 3
  // the Examiner's start; which 0 new, 1 confirmed. Null in user mode.
  QLineEdit* password(int who, int which) const { return pw_[who][which]; }

  void accept() override;

 signals:
  // The parameters were written (the installation may have moved).
  void saved();

 private:
  void modeChanged();
  void pickBase();
  void pickLibrary();
  void pickJournal(QLineEdit* into);
  void saveLibraryAlone();
  bool collect(Parameters& p, NewPasswords& pw);

  setup::Installation& inst_;
  bool administrator_;
  Parameters p_;
  QTabWidget* pages_;
  QRadioButton *net_, *loc_;
  QLineEdit *base_, *library_, *fileRez_, *common_;
  QPushButton* saveLibrary_;
  QRadioButton* choice_[3];
  QPlainTextEdit* examSheet_;
  QCheckBox *monitoring_, *checkPass_, *changePass_;
  QSpinBox *points_, *seconds_, *attempts_, *level_, *grace_;
  QLineEdit* pw_[4][2] = {};
  int shownMode_ = 1;  // the mode whose directory the base field holds
};

}  // namespace administrator
