#pragma once
// The Examiner's settings window TuneExzam ("Настройка"): report headers,
// the result file, the work mode and database place, new variants, passwords.
#include <QDialog>

#include "archive.h"
#include "archive_window.h"
#include "startup.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QRadioButton;
class QLabel;

namespace examiner {

// The journal list is the one both programs share.
using common::Archive;
using common::ArchiveWindow;

class SettingsWindow : public QDialog {
  Q_OBJECT
 public:
  SettingsWindow(Startup& s, QWidget* parent = nullptr);
  // The program is to restart (the base or the result file changed and the
  // user agreed).
  bool restartWanted() const { return restart_; }

  QComboBox* title() const { return title_; }
  QComboBox* subtitle() const { return subtitle_; }
  QLineEdit* fileName() const { return fileName_; }
  QLineEdit* basePath() const { return basePath_; }
  QRadioButton* network() const { return net_; }
  QRadioButton* local() const { return loc_; }
  QCheckBox* newVariants() const { return newVariants_; }
  QLineEdit* oldAdmin() const { return oldAdmin_; }
  QLineEdit* newPassword(int who, int which) const { return pw_[who][which]; }  // who 0 admin, 1 client; which 0 new, 1 confirm

  void accept() override;

 private:
  void fillHeaders();
  void chooseFromCatalogue();
  void searchFile();
  void openArchive();
  void modeChanged();
  bool saveHeaders();

  Startup& s_;
  bool restart_ = false;
  QComboBox *title_, *subtitle_;
  QLineEdit *fileName_, *basePath_, *oldAdmin_;
  QLineEdit* pw_[2][2];
  QRadioButton *net_, *loc_;
  QCheckBox* newVariants_;
  QLabel* path_;
};

}  // namespace examiner
