#pragma once
// The scenario of a test ("Создание нового сценария" / "Редактирование
// параметров сценария"): six pages over the test's scenario and title, the
// enabling rules and forced values of the logic library, and "Готово",
// which saves through it. The window opens its own handles on the test.
#include <QDialog>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "scenario.h"
#include "startup.h"
#include "test_file.h"
#include "test_register.h"

class QAbstractButton;
class QButtonGroup;
class QCheckBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QSpinBox;
class QTabWidget;
class QTreeWidget;

namespace constructor {

class SectionsList;

class ScenarioWindow : public QDialog {
  Q_OBJECT
 public:
  static constexpr const char* kProcedure = "UpdateTema";
  enum Mode { Insert, Change };
  // The names a scenario field can be picked from.
  enum class Pick { Faculty, Author, Department, Course, Discipline };

  ScenarioWindow(Startup& s, std::string baseDir, QString baseName, std::string testName, Mode mode, QWidget* parent = nullptr);
  ~ScenarioWindow() override;

  // Opens the test; false (the user told) when it cannot be opened.
  bool openTest();
  // Picks a name from a dictionary (the program lends it); nothing when none was chosen.
  std::function<std::optional<QString>(Pick)> pickName;
  // Chooses a text among the instruction templates.
  std::function<std::optional<QString>()> pickInstruction;

  // "Готово": saves; false (the window stays) when a check refused or the
  // save failed.
  bool save();
  // "Открыть редактор заданий" was pressed: the Navigator goes on to a new frame.
  bool openEditorAfter() const { return editorAfter_; }
  bool hasUnsavedChanges();

  QTabWidget* pages() const { return pages_; }
  QTabWidget* scales() const { return scales_; }
  // The controls by the field they edit ("TEM:NAME", "TIT:REZUME", "TEM:SHCALA3"...).
  QWidget* control(const QString& field) const;
  QButtonGroup* options(const QString& field) const;
  QPushButton* button(const QString& text) const;
  QTreeWidget* statistics() const { return stats_; }
  SectionsList* sections() const { return sections_; }
  const tables::Tema& edited() const { return tema_; }

 public slots:
  void reject() override;

 protected:
  void closeEvent(QCloseEvent* e) override;

 private:
  QWidget* generalPage();
  QWidget* orderPage();
  QWidget* parametersPage();
  QWidget* markingPage();
  QWidget* sectionsPage();
  QWidget* helpPage();
  QCheckBox* check(QWidget* parent, const QString& text, std::uint8_t tables::Tema::*field, const QString& name);
  QButtonGroup* choice(QWidget* parent, const QString& title, const std::vector<std::pair<int, QString>>& options,
                       std::uint8_t tables::Tema::*field, const QString& name, QWidget** box = nullptr);
  template <std::size_t N>
  QLineEdit* line(QWidget* parent, store::FixedString<N>& field, const QString& name);
  QSpinBox* number(QWidget* parent, int lo, int hi, std::function<int()> get, std::function<void(int)> set, const QString& name);
  void loadAll();
  void governingChanged();
  void fillStatistics();
  void showRefusal(const ScenarioRefusal& r);
  bool askToSave();
  bool textsFit();

  Startup& s_;
  std::string base_;
  QString baseName_;
  std::string test_;
  Mode mode_;
  TestRegister register_;
  std::unique_ptr<testfile::TestFile> tf_;
  tables::Tema tema_, opened_, baseline_;
  bool rangeShown_ = false;
  int lastRangeChecked_ = -1;
  tables::Titul texts_, openedTexts_;
  bool loading_ = false;
  bool editorAfter_ = false;
  bool closing_ = false;
  std::vector<std::function<void()>> loaders_;
  std::vector<std::pair<Control, QWidget*>> ruled_;
  std::vector<std::pair<QString, QWidget*>> named_;
  std::vector<std::pair<QString, QButtonGroup*>> groups_;
  std::vector<QPushButton*> buttons_;
  QTabWidget *pages_ = nullptr, *scales_ = nullptr;
  QTreeWidget* stats_ = nullptr;
  SectionsList* sections_ = nullptr;
  QPlainTextEdit *ins_ = nullptr, *bibl_ = nullptr;
  std::vector<QLabel*> helpLabels_;
  QPushButton *back_ = nullptr, *next_ = nullptr;
};

}  // namespace constructor
