#pragma once
// "Учебно-справочный материал к тесту:" (BrowseHelp): the synopsis of a
// test, one row per help record of its frames, the whole text of the
// highlighted one underneath; records added by the frame code typed,
// changed and deleted through the frame editor's own form "Справка к
// заданию" and the logic library.
#include <QDialog>
#include <cstdint>
#include <functional>

#include "tables_test_file.h"
#include "test_file.h"

class QPlainTextEdit;
class QPushButton;

namespace ui {
class BrowseWindow;
}

namespace constructor {

class SynopsisWindow : public QDialog {
  Q_OBJECT
 public:
  static constexpr const char* kProcedure = "BrowseHelp";
  // `tf` is a handle of the window's own on the open test.
  SynopsisWindow(testfile::TestFile& tf, QWidget* parent = nullptr);

  // The form of one record ("&OK" calls `write`, which reports and says
  // whether it was stored); a new record when its code is 0. Tests give
  // their own.
  std::function<bool(tables::Training& help, bool adding, std::function<bool(tables::Training&)> write)> editRecord;

  ui::BrowseWindow* list() const { return list_; }
  QPlainTextEdit* fullText() const { return full_; }
  QPushButton* button(const QString& text) const;

  bool addRecord();
  bool changeRecord();
  bool deleteRecord();
  // The frame code of the highlighted row (0 for none).
  std::uint16_t currentCode();

 protected:
  bool eventFilter(QObject* o, QEvent* e) override;

 private:
  void showCurrent();
  void refresh(std::uint16_t landOn = 0);
  testfile::TestFile& tf_;
  ui::BrowseWindow* list_;
  QPlainTextEdit* full_;
  std::vector<QPushButton*> buttons_;
};

}  // namespace constructor
