#pragma once
// The Navigator ("Навигатор: составление сценария и монтаж кадров"): the
// tests of the current base on the left, the frames of the selected test on
// the right, the question of the selected frame and the test's properties
// below, and every test and frame command that acts on them. Each change
// to a file goes through the Constructor's logic library.
#include <QWidget>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "copy_window.h"
#include "scenario.h"
#include "startup.h"
#include "test_file.h"
#include "test_register.h"

class QAction;
class QLabel;
class QMenu;
class QPlainTextEdit;
class QSplitter;
class QStatusBar;
class QTableWidget;
class QToolBar;
class QTreeWidget;
class QVBoxLayout;

namespace ui {
class BrowseWindow;
}

namespace constructor {

class Navigator : public QWidget {
  Q_OBJECT
 public:
  static constexpr const char* kProcedure = "Navigator";
  enum Order { ByCode = 0, ByVariant, BySection, ByType, ByLevel };

  explicit Navigator(Startup& s, QWidget* parent = nullptr);
  ~Navigator() override;

  // What the program lends the Navigator. Each may be left empty: the
  // commands that need it are then disabled.
  // False when the open test may not be closed now (an editor holds it).
  std::function<bool()> mayCloseTest;
  // The scenario window on the open test (insert mode right after a new
  // test); true when the author asked to go on to a new frame.
  std::function<bool(bool insert)> scenarioEditor;
  // A frame editor on the open test: object or standard, a frame code or 0 for a new frame.
  std::function<void(bool object, std::uint16_t code)> openEditor;
  std::function<void()> printTest, synopsis;
  // "Импорт заданий": where the tagged frames go (nothing: cancelled).
  std::function<std::optional<TransferTarget>(bool move, int tagged)> chooseTarget;
  // Starts a sibling program (the Examiner for a trial run).
  std::function<bool(const QString& commandLine, const QString& workingDir)> startProgram;
  // Asks the password of a protected test; the accepted word, or nothing
  // when the user cancelled.
  std::function<std::optional<std::string>(const QString& testName, const std::string& expected)> askPassword;

  // Reads the current base from the settings file, lists its tests and
  // opens the first one.
  void load();
  // Names the current base for the status bar and new tests.
  void setBaseName(const QString& name, std::int32_t code);
  // Another base: asks whether to create a test when it holds none
  // (No keeps the old base), writes it to the settings file and reloads.
  // False when it was refused or declined.
  bool changeBase(const std::string& dir, const QString& name, std::int32_t code);

  // Runs a command at once; false when it is not available now, was
  // declined or failed. Commands posted as user events land here.
  bool run(int command);
  bool canRun(int command) const;

  // The state the lists show.
  const std::string& base() const { return base_; }
  const QString& baseName() const { return baseName_; }
  bool noTests() const { return noTests_; }
  bool testOpen() const { return tf_ != nullptr; }
  QString currentTest() const;  // the whole base name of the open test
  QString selectedTest() const; // the whole base name of the highlighted row
  testfile::TestFile* test() { return tf_.get(); }
  // Selects a test as a click on its row does (the whole base name).
  bool selectTest(const QString& baseName);
  // Reads the open test's scenario and title again and lists its frames.
  void reopenTest();
  // Lists the frames again, landing on this code when given.
  void refreshFrames(std::uint16_t landOn = 0);

  QTableWidget* testsList() const { return tests_; }
  ui::BrowseWindow* frames() const { return frames_; }
  QPlainTextEdit* preview() const { return preview_; }
  QTreeWidget* properties() const { return props_; }
  QStatusBar* statusBar() const { return status_; }
  QAction* action(int command) const;
  QMenu* testsMenu();
  QMenu* framesMenu();
  bool hasFrames() const;
  // The codes of the tagged frames, in the order they were tagged.
  std::vector<std::uint16_t> taggedCodes();
  // The frame the list highlights (its record), if any.
  std::optional<tables::Vop> currentFrame();
  int frameCount() const { return frameCount_; }

  Order order() const { return order_; }
  bool descending() const { return descending_; }
  const FrameFilter& filter() const { return filter_; }
  void setFilter(const FrameFilter& f);
  // Moves a frame to the place of another, as dragging its row there does.
  bool dragFrame(std::uint16_t code, std::uint16_t onto);

 signals:
  // The enabled commands may have changed (a test opened, the list emptied).
  void stateChanged();
  // Another frame is highlighted (or none): the console shows its parameters.
  void frameChanged();
  // The tool bar's lock and calculator buttons.
  void lockRequested();
  void calculatorRequested();

 protected:
  bool event(QEvent* e) override;
  void showEvent(QShowEvent* e) override;
  bool eventFilter(QObject* o, QEvent* e) override;

 private:
  void buildToolBar();
  void fillTests(const QString& select = {});
  bool openTestAt(int row);
  void closeTest();
  void buildFrames(std::uint16_t landOn = 0);
  void showFrame();
  void fillProperties();
  void updateState();
  void setCaption();
  bool tablesMayClose();
  bool warnTaken();
  void reportFailure(const Outcome& o, const QString& caption);
  std::uint16_t codeAt(int row);
  std::uint16_t currentCode();

  bool newTest();
  bool deleteTest();
  bool renameTest();
  bool trialRun();
  bool deleteFrames();
  bool renumberFrames();
  bool moveFrame(int command);
  bool transferFrames(bool move);
  bool chooseFilter();
  void setSort(Order o, bool descending);

  Startup& s_;
  TestRegister register_;
  std::string base_;
  QString baseName_;
  std::int32_t baseCode_ = 0;
  bool noTests_ = true;
  std::unique_ptr<testfile::TestFile> tf_;
  QString current_;
  std::string lastPassword_;
  int frameCount_ = 0;
  Order order_ = ByCode;
  bool descending_ = false;
  FrameFilter filter_;
  bool busy_ = false;
  bool filling_ = false;
  bool placed_ = false;
  int dragRow_ = -1;
  bool dragging_ = false;
  QPoint dragStart_;

  QToolBar* bar_;
  std::map<int, QAction*> actions_;
  QSplitter *split_, *left_, *right_;
  QTableWidget* tests_;
  QWidget* framesBox_;
  QVBoxLayout* framesLayout_;
  ui::BrowseWindow* frames_ = nullptr;
  QLabel* noFrames_;
  QPlainTextEdit* preview_;
  QTreeWidget* props_;
  QStatusBar* status_;
  QLabel *baseLabel_, *pathLabel_;
  QMenu *testsMenu_ = nullptr, *framesMenu_ = nullptr;
};

}  // namespace constructor
