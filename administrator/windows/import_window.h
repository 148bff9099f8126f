#pragma once
// "Импорт студентов": a group's students taken from a text file after a
// preview that shows, line by line, who will be added and who is refused
// and why. Nothing is written before "Добавить".
#include <QDialog>

#include "installation.h"
#include "student_import.h"

class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;

namespace administrator {

class ImportWindow : public QDialog {
  Q_OBJECT
 public:
  static constexpr const char* kProcedure = "ImportStud";
  ImportWindow(const setup::Installation& inst, const GroupRow& group, QWidget* parent = nullptr);

  QLineEdit* file() const { return file_; }
  QTableWidget* lines() const { return table_; }
  QLabel* summary() const { return summary_; }
  QPushButton* addButton() const { return add_; }
  const ImportPreview& preview() const { return preview_; }
  int added() const { return added_; }

  // Reads the file named in the field and shows what it would add.
  void showPreview();
  // Adds the accepted lines of the preview and closes the window.
  void importAccepted();

 private:
  void browse();
  setup::Installation inst_;
  GroupRow group_;
  ImportPreview preview_;
  bool previewed_ = false;
  int added_ = 0;
  QLineEdit* file_;
  QTableWidget* table_;
  QLabel* summary_;
  QPushButton *add_;
};

}  // namespace administrator
