#pragma once
// The help window HelpTrn "Учебно-справочный материал": the help of the
// current frame (one text per frame) or the pages of the whole test's help,
// its material, and the reader's font and background, kept for the run.
#include <QWidget>
#include <cstdint>

#include "attempt.h"
#include "document_view.h"

class QCheckBox;
class QLabel;
class QPushButton;
class QTextBrowser;

namespace examiner {

class HelpWindow : public QWidget {
  Q_OBJECT
 public:
  static constexpr const char* kProcedure = "HelpTrn";
  // A window of its own, owned by the testing window (not blocked by it).
  HelpWindow(const AttemptConfig& cfg, QWidget* owner);

  // TEM:HOWHELP 1: the help of the frame of this code (shown as task
  // `position`); TEM:HOWHELP 2: the page of that frame when it has one.
  void showFor(std::uint16_t frameCode, int position);
  void page(int p);  // TEM:HOWHELP 2: page p (0-based) of the whole test's help
  int currentPage() const { return page_; }
  QString text() const;
  QLabel* heading() const { return frame_; }

  // "АвтоПросмотр": the help opens by itself with each frame (TEM:HOWTRN
  // at first); the choice stays for the rest of the run.
  static bool autoView(const AttemptConfig& cfg);
  void setAutoView(bool on);
  void changeFont();
  void changeBackground();
  common::DocumentOpener& documents() { return docs_; }

 private:
  void display(const tables::Training* h);
  void applyLook();

  const AttemptConfig& cfg_;
  QTextBrowser* view_;
  QLabel* frame_;
  QLabel* picture_;
  QPushButton* material_;
  QPushButton *back_, *current_, *forward_;
  QCheckBox* auto_;
  const tables::Training* shown_ = nullptr;
  common::DocumentOpener docs_;
  int page_ = 0;
  std::uint16_t code_ = 0;
  int position_ = 0;
};

}  // namespace examiner
