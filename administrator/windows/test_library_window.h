#pragma once
// "Библиотека тестов": the tree of the library's test bases, the tests of
// the chosen base, its details, the central base directory, the standard
// form of a base, the reserve library, a test dragged onto another base,
// the file manager, "Печать", and a choosing mode that returns a test and
// its base folder (for the autostart window). The rules are in
// test_library.h; the database report is built here too.
#include <QDialog>
#include <QString>
#include <functional>
#include <optional>

#include "installation.h"
#include "test_library.h"
#include "update_form.h"

class QLabel;
class QLineEdit;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace ui {
class Report;
}

namespace administrator {

inline constexpr const char* kLibraryWindow = "TestLibrary";
inline constexpr const char* kBaseForm = "UpdatePathFile";
inline constexpr const char* kDatabaseReport = "DatabaseReport";

// A test chosen in the library: its name (without ".orm") and its base folder.
struct LibraryChoice {
  QString test;
  QString folder;
};

// "Раздел библиотеки": code, "Каталог библиотеки:", "Местонахождение:"
// (with "..."; stored ending in "/"), "Примечание:"; a new base is dated.
class BaseForm : public ui::UpdateForm {
  Q_OBJECT
 public:
  BaseForm(store::Table& t, tables::PathFile& rec, QWidget* parent = nullptr);
  QLineEdit* nameBox() const { return name_; }
  QLineEdit* folderBox() const { return folder_; }

 protected:
  void beforeAutonumberedAdd(long long code) override;
  void loadControls() override;
  bool saveControls() override;

 private:
  tables::PathFile& rec_;
  QLineEdit *code_, *name_, *folder_, *note_;
};

class TestLibraryWindow : public QDialog {
  Q_OBJECT
 public:
  // `inst` is the program's: a redefined central base is taken by it.
  TestLibraryWindow(setup::Installation& inst, bool choosing, QWidget* parent = nullptr);

  // Starts a program ("Проводник"); the program's own by default.
  std::function<bool(const QString& commandLine, const QString& workingDir)> startProgram;
  // The menu "Копировать|Переместить|Отмена" after a drop: the choice, or nothing.
  std::function<std::optional<Transfer>(QWidget* parent)> transferMenu;
  // The folder dialog "Выбор каталога" of "...": a folder, or "".
  std::function<QString(QWidget* parent, const QString& start)> chooseFolder;

  Library library() const { return library_; }
  QTreeWidget* bases() const { return bases_; }
  QTreeWidget* tests() const { return tests_; }
  QLineEdit* baseBox() const { return baseDir_; }
  QLabel* createdLabel() const { return created_; }
  QLabel* noteLabel() const { return note_; }
  QPushButton* button(const QString& text) const;
  std::optional<LibraryChoice> chosen() const { return chosen_; }

  // Reads the bases and the chosen base's tests again (F5).
  void refresh();
  // Makes the base at `index` (in code order) current.
  void chooseBase(int index);
  int currentBase() const { return current_; }
  // A test file of the current base dropped onto the base at `target`: the
  // menu, then the transfer.
  void dropTest(const QString& file, int target);
  // Copies or moves; asks before a test of that name is replaced. True when done.
  bool transferTest(const QString& file, int target, Transfer how);
  // "Резервная": the other library, after a confirmation.
  void switchLibrary();
  // The central base becomes `dir` after "Новая База Данных"; "Поддиректории" makes its sub-folders.
  void redefineBase(const QString& dir);
  void openFileManager();
  // "Печать": the tests of the current library, base by base.
  std::unique_ptr<ui::Report> listReport() const;
  void print();
  // "Выбрать" (choosing mode): the current test and its base.
  void chooseTest();

 protected:
  bool eventFilter(QObject* o, QEvent* e) override;
  void done(int r) override;

 private:
  void showBase();
  void baseRequest(ui::Request r);
  void typedBase();

  setup::Installation& inst_;
  bool choosing_;
  Library library_ = Library::Main;
  std::vector<tables::PathFile> list_;
  int current_ = -1;
  QTreeWidget *bases_, *tests_;
  QLabel *created_, *note_;
  QLineEdit* baseDir_;
  bool askingBase_ = false;  // the base question is open
  QPushButton* reserve_;
  std::optional<LibraryChoice> chosen_;
};

// The library in choosing mode (modal): the chosen test, or nothing.
std::optional<LibraryChoice> chooseLibraryTest(setup::Installation& inst, QWidget* parent);

// "Подробный отчет по Базе данных" as pages.
struct DatabaseReport;
std::unique_ptr<ui::Report> databaseReportPages(const DatabaseReport& r);

}  // namespace administrator
