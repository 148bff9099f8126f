#pragma once
// The sections of a test: the list "№", "Название", "Заданий" with its
// buttons (on the scenario's page "Разделы" and in the window "Разделы
// Теста"), and the form "Код раздела:" / "Название:". Every change goes
// through the logic library, so that frames and statistics follow.
#include <QDialog>
#include <QWidget>

#include "test_file.h"

class QLineEdit;
class QPushButton;
class QSpinBox;
class QTableWidget;

namespace constructor {

// UpdateRazdel: "Добавление записи" or "Редактирование записи".
class SectionForm : public QDialog {
  Q_OBJECT
 public:
  static constexpr const char* kProcedure = "UpdateRazdel";
  // `number` 0 adds a section.
  SectionForm(testfile::TestFile& tf, int number, const QString& name, QWidget* parent = nullptr);
  QSpinBox* numberBox() const { return number_; }
  QLineEdit* nameBox() const { return name_; }
  int savedNumber() const { return saved_; }

 public slots:
  void accept() override;

 private:
  testfile::TestFile& tf_;
  int old_;
  int saved_ = 0;
  QSpinBox* number_;
  QLineEdit* name_;
};

class SectionsList : public QWidget {
  Q_OBJECT
 public:
  // With `counts` the list shows "Заданий" (the scenario's page).
  SectionsList(testfile::TestFile& tf, bool counts, QWidget* parent = nullptr);
  void reload(int select = 0);
  QTableWidget* table() const { return list_; }
  QPushButton* button(const QString& text) const;
  // The highlighted section's number (0 when none).
  int currentNumber() const;
  QString currentName() const;
  void setByName(bool on);
  bool addSection();
  bool changeSection();
  bool deleteSection();

 signals:
  void changed();
  void chosen();

 private:
  testfile::TestFile& tf_;
  bool counts_;
  bool byName_ = false;
  QTableWidget* list_;
  QPushButton *add_, *change_, *delete_;
};

// BrowseRazdel "Разделы Теста": the list with "&Выбрать" and "&Сортировка".
class SectionsWindow : public QDialog {
  Q_OBJECT
 public:
  static constexpr const char* kProcedure = "BrowseRazdel";
  SectionsWindow(testfile::TestFile& tf, bool choosing, QWidget* parent = nullptr);
  SectionsList* list() const { return list_; }
  // After "&Выбрать": the chosen section.
  int chosenNumber() const { return chosen_; }
  QString chosenName() const { return chosenName_; }

 private:
  SectionsList* list_;
  int chosen_ = 0;
  QString chosenName_;
};

}  // namespace constructor
