#pragma once
// "О программе": the program's name, version and purpose.
#include <QDialog>

namespace common {

class AboutWindow : public QDialog {
  Q_OBJECT
 public:
  AboutWindow(const QString& program, const QString& purpose, QWidget* parent = nullptr);
};

}  // namespace common
