#pragma once
// The calculator CALCWINDOW beside the testing window: its keys and the
// keyboard both work while the test runs.
#include <QWidget>

#include "calculator.h"

class QLineEdit;

namespace common {

class CalculatorWindow : public QWidget {
  Q_OBJECT
 public:
  static constexpr const char* kProcedure = "CALCWINDOW";
  // A window of its own, owned by the testing window (not blocked by it).
  explicit CalculatorWindow(QWidget* owner = nullptr);
  void press(const QString& key);
  QString display() const;

 protected:
  void keyPressEvent(QKeyEvent* e) override;

 private:
  Calculator calc_;
  QLineEdit* display_;
};

}  // namespace common
