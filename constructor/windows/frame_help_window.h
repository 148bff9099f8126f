#pragma once
// "Справка к заданию": the help material of one frame (its Training record):
// the text the Examiner shows beside the frame and one attached picture or
// document (TRA:OLEBLOB, the file's bytes as they are, which the Examiner
// shows as a picture or opens as a document). The window edits a copy;
// "&OK" hands it to the caller's writer and takes it over only once written.
#include <QDialog>
#include <functional>

#include "tables_test_file.h"

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace constructor {

class FrameHelpWindow : public QDialog {
  Q_OBJECT
 public:
  static constexpr const char* kProcedure = "UpdateTrain";
  // The largest file taken as an attachment: the Examiner holds it in memory.
  static constexpr qint64 kMostBytes = 16 * 1024 * 1024;

  // `help` is the frame's own record (TRA:CODEVOP the frame's code; a
  // record with nothing in it is taken as new). `write` stores the edited
  // copy and says why when it cannot (returning false keeps the window
  // open); on true the copy goes back into `help`.
  FrameHelpWindow(tables::Training& help, std::function<bool(tables::Training&)> write, QWidget* parent = nullptr);

  QLineEdit* codeBox() const { return code_; }
  QPlainTextEdit* textBox() const { return text_; }
  // The picture, or the document's name, as the window shows the attachment.
  QLabel* attachment() const { return shown_; }
  QPushButton* button(const QString& text) const;
  // The record as edited so far (the attachment; the text is taken on "&OK").
  const tables::Training& edited() const { return copy_; }

  // The file dialog; tests give their own. An empty name: nothing chosen.
  std::function<QString()> pickFile;
  // Takes a file as the attachment (replacing any); false, after a message,
  // when it cannot be read or is too large.
  bool attachFile(const QString& path);
  void removeAttachment();
  // A record added in the synopsis: the frame is named by the code typed
  // in "Код кадра:" (otherwise the box shows the frame it was opened for).
  void allowCodeEntry();

 public slots:
  void accept() override;
  void reject() override;

 private:
  void showAttachment();
  bool changed() const;

  tables::Training& help_;
  tables::Training copy_;
  std::function<bool(tables::Training&)> write_;
  bool codeTyped_ = false;
  QString attachedName_;  // the file's name while it is known (attached in this window)
  QLineEdit* code_;
  QPlainTextEdit* text_;
  QLabel* shown_;
  QPushButton *attach_, *remove_, *ok_, *cancel_, *helpButton_;
};

}  // namespace constructor
