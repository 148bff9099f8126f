#pragma once
// "Анализ теста": the results of one test in a results journal (of every
// group or of one), analysed frame by frame and as a score distribution.
// The journal is read on a timer in slices, with the progress shown, first
// for its list of tests and then for the chosen test's results; a change of
// journal, test or group starts the reading again. "Печать" previews both
// tables as a report, "Экспорт" writes them for a spreadsheet.
#include <QDialog>
#include <QTimer>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "installation.h"
#include "item_analysis.h"
#include "test_location.h"

class QComboBox;
class QLabel;
class QPushButton;
class QTabWidget;
class QTableWidget;

namespace ui {
class Report;
}

namespace administrator {

class ItemAnalysisWindow : public QDialog {
  Q_OBJECT
 public:
  static constexpr const char* kProcedure = "AnalizTest";
  // The group list's first entry: results of every group.
  static QString allGroups() { return QStringLiteral("Все группы"); }

  ItemAnalysisWindow(const setup::Installation& inst, QWidget* parent = nullptr);
  ~ItemAnalysisWindow() override;

  // "Архив": the journal list, where the journal chosen becomes the
  // current one; its name, nothing when the user cancelled.
  std::function<std::optional<QString>(QWidget* parent)> chooseJournal;
  // The test file of the analysed results (a result of them given); its
  // questions give the per-question table its texts.
  std::function<TestFound(const tables::RezTest&)> locateTest;
  // "Экспорт": the file to write ("" when cancelled).
  std::function<QString(QWidget* parent)> pickExportFile;

  // The journal analysed (its name, as Path/FileRez holds it); setting it
  // reads its tests anew.
  QString journal() const { return journal_; }
  void setJournal(const QString& name);

  QComboBox* tests() const { return tests_; }
  QComboBox* groups() const { return groups_; }
  QTableWidget* questionTable() const { return questions_; }
  QTableWidget* distributionTable() const { return distribution_; }
  QTabWidget* tabs() const { return tabs_; }
  QLabel* progress() const { return progress_; }
  QPushButton* button(const QString& text) const;
  // A figure of the test as shown, by its label ("Всего проведено тестов:").
  QString figure(const QString& label) const;

  // Whether the journal is being read.
  bool busy() const { return timer_.isActive(); }
  // Chooses a test of the list (and "Все группы"); false when the list has none such.
  bool chooseTest(const analysis::TestKey& key);
  bool chooseGroup(const QString& group);
  const analysis::Analysis& analysis() const { return analysis_; }
  const std::vector<analysis::Question>& questions() const { return questionsOfTest_; }

  // The printout of both tables.
  std::unique_ptr<ui::Report> report() const;
  void print();
  void exportTables();

 signals:
  // The chosen test's results were read and analysed.
  void analysed();

 private:
  void archive();
  void startListing();
  void startAnalysis();
  void tick();
  void listed();
  void finished();
  void fillGroups();
  void clearResults();
  void showResults();
  void setFigure(const QString& label, const QString& value);
  std::optional<analysis::TestKey> currentTest() const;
  QString caption() const;

  setup::Installation inst_;
  QString journal_;
  std::unique_ptr<analysis::TestLister> lister_;
  std::unique_ptr<analysis::ResultsReader> reader_;
  std::vector<analysis::TestEntry> entries_;
  analysis::Analysis analysis_;
  analysis::TestKey analysed_;
  std::vector<analysis::Question> questionsOfTest_;
  bool testFound_ = false;  // the questions are those of analysed_'s file
  QTimer timer_;
  bool filling_ = false;  // the lists are being filled: their changes start nothing

  QLabel *journalLabel_, *progress_, *status_;
  QComboBox *tests_, *groups_;
  QTabWidget* tabs_;
  QTableWidget *questions_, *distribution_;
  QWidget* figures_;
  std::vector<std::pair<QString, QLabel*>> figureLabels_;
  std::vector<QPushButton*> buttons_;
};

}  // namespace administrator
