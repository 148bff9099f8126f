#pragma once
// "Фильтр заданий": which frames the Navigator lists. Each criterion has its
// own check box and value; "Подключить фильтр" switches the whole filter.
#include <QDialog>

#include "scenario.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QSpinBox;

namespace constructor {

class FrameFilterWindow : public QDialog {
  Q_OBJECT
 public:
  static constexpr const char* kProcedure = "FilterVop";
  explicit FrameFilterWindow(const FrameFilter& current, QWidget* parent = nullptr);
  FrameFilter filter() const;
  // The expression the filter makes, as the window shows it.
  QString expression() const;

  QCheckBox* switchOn() const { return on_; }
  QCheckBox *variantBox, *levelBox, *sectionBox, *editBox, *typeBox;
  QSpinBox *variant, *level, *section;
  QComboBox *edit, *type;

 private:
  void update();
  QCheckBox* on_;
  QLabel* text_;
};

}  // namespace constructor
