#pragma once
// Printing a test: the options window "Параметры печати" and the command
// that lays out the report "Список заданий" frame by frame beside the
// progress window, shows it in the shared previewer or prints it, and only
// then records the date of the last print in the test's title.
#include <QDialog>
#include <cstdint>
#include <functional>
#include <memory>

#include "tables_central.h"
#include "test_file.h"
#include "test_print.h"

class QCheckBox;
class QPushButton;

namespace ui {
class ProgressWindow;
class Report;
}  // namespace ui

namespace constructor {

class PrintOptionWindow : public QDialog {
  Q_OBJECT
 public:
  static constexpr const char* kProcedure = "PrintOption";
  explicit PrintOptionWindow(const PrintOptions& start, QWidget* parent = nullptr);
  PrintOptions options() const;
  QCheckBox* answers() const { return answers_; }
  QCheckBox* pictures() const { return pictures_; }
  QCheckBox* preview() const { return preview_; }
  QPushButton* printerButton() const { return printer_; }

 private:
  QCheckBox *answers_, *pictures_, *preview_;
  QPushButton* printer_;
};

// The report of a test as it is printed. `step(place, total)` is called
// after every frame and returns false to stop; the report is then nothing.
std::unique_ptr<ui::Report> testReport(testfile::TestFile& tf, const tables::TuneTest& tune, const PrintOptions& o,
                                       const std::function<bool(int place, int total)>& step, Outcome& failure);

// "Печать" of the open test, as the menus, the Navigator and the console run it.
class TestPrinting {
 public:
  TestPrinting(testfile::TestFile& tf, std::string tuneTestFile, QWidget* parent);

  // The options window; tests give their own. False: the command ends.
  std::function<bool(PrintOptions&)> askOptions;
  // The preview "Ормида 1.5 [Печать заданий <Предварительный просмотр>]"
  // in the shared previewer, and printing without it; tests give their own.
  std::function<void(const ui::Report&)> preview;
  std::function<bool(const ui::Report&)> print;
  // Called after each frame laid out (tests press "О&тменить" here).
  std::function<void(int place)> stepped;
  // Today's date and the time, as day number and clock time.
  std::function<std::pair<std::int32_t, std::int32_t>()> clock;

  // True when the report was produced (and the print date written).
  bool run();
  ui::ProgressWindow* progress() const { return progress_; }

 private:
  testfile::TestFile& tf_;
  std::string tuneFile_;
  QWidget* parent_;
  ui::ProgressWindow* progress_ = nullptr;
};

}  // namespace constructor
