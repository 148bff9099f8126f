#pragma once
// "Редактор полей": the texts of one frame in large boxes, page by page:
// the question "Вопрос (задание)" and, for "Ответ1" ... "Ответ9", the answer
// variant with its comment (TRA:COMMOT, shown to the examinee who chose it).
// Frames of kinds 1 to 4 show the nine variants; completion, exact-answer
// and generator frames (5 to 7) hold no variants and show the question only.
// The window edits copies; "Записать кадр" hands them to the caller's writer
// and takes them over only once written.
#include <QDialog>
#include <array>
#include <functional>

#include "tables_test_file.h"

class QPlainTextEdit;
class QPushButton;
class QTabWidget;

namespace constructor {

class FrameFieldsWindow : public QDialog {
  Q_OBJECT
 public:
  static constexpr const char* kProcedure = "EditStd";

  // `help` is the frame's Training record (a blank one when it has none).
  // `write` stores the edited copies and says why when it cannot (false
  // keeps the window open); on true the copies go back into `v` and `help`.
  FrameFieldsWindow(tables::Vop& v, tables::Training& help, std::function<bool(tables::Vop&, tables::Training&)> write,
                    QWidget* parent = nullptr);

  QTabWidget* pages() const { return pages_; }
  QPlainTextEdit* question() const { return question_; }
  // Variant i and its comment (1 to 9).
  QPlainTextEdit* variant(int i) const { return variants_[static_cast<std::size_t>(i - 1)]; }
  QPlainTextEdit* comment(int i) const { return comments_[static_cast<std::size_t>(i - 1)]; }
  // Whether the frame's kind shows answer variants.
  bool showsVariants() const { return withVariants_; }
  QPushButton* button(const QString& text) const;

  // "Записать кадр": checks the texts, writes and closes (with nothing
  // changed, closes without writing); false when refused or not written.
  bool save();

 public slots:
  void reject() override;

 private:
  // The boxes' texts put into copies of the records.
  void fill(tables::Vop& v, tables::Training& h) const;
  bool changed() const;
  // False (after a message naming every box at fault) when a text does not
  // fit code page 1251 or its field.
  bool fits();

  tables::Vop& v_;
  tables::Training& help_;
  std::function<bool(tables::Vop&, tables::Training&)> write_;
  bool withVariants_;
  QTabWidget* pages_;
  QPlainTextEdit* question_;
  std::array<QPlainTextEdit*, 9> variants_{};
  std::array<QPlainTextEdit*, 9> comments_{};
  QPushButton *save_, *close_;
};

}  // namespace constructor
