#pragma once
// The Administrator's console "Пульт": nine picture buttons for the most
// used windows, each doing what the menu item of that name does.
#include <QWidget>
#include <vector>

class QAction;
class QToolButton;

namespace administrator {

class ConsoleWindow : public QWidget {
  Q_OBJECT
 public:
  static constexpr const char* kProcedure = "PultAdm";
  // Each button follows its menu item: enabled as it is, triggering it.
  explicit ConsoleWindow(const std::vector<std::pair<QString, QAction*>>& buttons, QWidget* parent = nullptr);
  QToolButton* button(const QString& text) const;

 protected:
  bool event(QEvent* e) override;
  // Esc closes the console, as it closes the other windows.
  void keyPressEvent(QKeyEvent* e) override;

 private:
  std::vector<QToolButton*> buttons_;
};

}  // namespace administrator
