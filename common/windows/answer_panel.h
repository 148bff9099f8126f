#pragma once
// The answer controls of a frame as the examinee meets them: the variant
// buttons of kinds 1 to 3 (marked, ranked "[n]" or chosen), the matching
// rows "а) ... → n" beside the numbered variants (kind 4), the typed answer
// with its small input window (kinds 5 to 7). The Examiner's testing window
// and the Constructor's frame preview show this one panel; it keeps the
// response and changes it by the shared answer rules, so what it holds is
// what check() takes.
#include <QColor>
#include <QFont>
#include <QString>
#include <QWidget>
#include <functional>
#include <vector>

#include "answer_checking.h"
#include "tables_central.h"
#include "tables_test_file.h"

class QLineEdit;
class QPushButton;
class QVBoxLayout;

namespace common {

class AnswerPanel : public QWidget {
  Q_OBJECT
 public:
  // The small window in which an answer is typed.
  static constexpr const char* kInputProcedure = "ADDOtvet";

  explicit AnswerPanel(QWidget* parent = nullptr);

  // The variant font and colour of the test (see test_font.h), for the
  // controls shown next.
  void setTune(const tables::TuneTest& tune);
  // Shows a frame's controls in a display order with a response, which the
  // panel keeps (a copy of the frame too) and changes as it is answered.
  void setFrame(const tables::Vop& frame, const Permutation& shown, const Response& response = {});
  // Read-only: the answer is shown and cannot be changed (error viewing, a
  // frame whose time ran out, a finished attempt).
  void setReadOnly(bool readOnly);
  bool readOnly() const { return readOnly_; }

  const tables::Vop& frame() const { return frame_; }
  const Permutation& permutation() const { return shown_; }
  const Response& response() const { return response_; }

  // What the examinee does: a click on the variant at display position k
  // (kinds 1 to 3) or on left item k (kind 4); an answer typed in (kinds 5
  // to 7). A change redraws the controls and emits changed(); read-only,
  // nothing changes.
  void click(int k);
  void answerText(const QString& text);
  // "Ввести ответ...": the input window, run through the dialog runner.
  void openInput();

  // Runs the input window's nested event loop; the owner may wrap it, for
  // instance to hold back what its timers would do meanwhile. By default
  // the window is simply run.
  using DialogRunner = std::function<void(const std::function<void()>& run)>;
  void setDialogRunner(DialogRunner runner) { runner_ = std::move(runner); }

  // The controls now shown: the variant button at display position k
  // (kinds 1 to 3) or the button of left item k (kind 4), 1-based; the
  // typed answer's line and its input button (kinds 5 to 7).
  QPushButton* variantButton(int k) const;
  int variantCount() const { return static_cast<int>(buttons_.size()); }
  QLineEdit* typedLine() const { return typed_; }
  QPushButton* inputButton() const { return input_; }

 signals:
  void changed();

 private:
  void rebuild();
  QString variantText(int stored) const;

  tables::Vop frame_;
  Permutation shown_;
  Response response_;
  bool readOnly_ = false;
  QFont font_;
  QColor colour_;
  DialogRunner runner_;
  QWidget* inner_ = nullptr;
  std::vector<QPushButton*> buttons_;
  QLineEdit* typed_ = nullptr;
  QPushButton* input_ = nullptr;
};

}  // namespace common
