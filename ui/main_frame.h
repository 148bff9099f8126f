#pragma once
// The main frame of a program: caption, menu bar, tool bar and a status bar
// with numbered zones.
#include <QMainWindow>
#include <QString>
#include <vector>

class QAction;
class QLabel;
class QMdiArea;

namespace ui {

class MainFrame : public QMainWindow {
  Q_OBJECT
 public:
  // `zones` gives the widths of the status bar zones in pixels (0 stretches).
  MainFrame(const QString& caption, std::vector<int> zones, bool mdi, QWidget* parent = nullptr);

  // Zone numbers count from 1, as the programs name them.
  void setStatusText(int zone, const QString& text);
  QString statusText(int zone) const;
  QMdiArea* mdiArea() const { return mdi_; }
  // A menu item by its text ("&Новый тест"), searched through every menu and submenu.
  QAction* menuItem(const QString& text) const;

 private:
  std::vector<QLabel*> zones_;
  QMdiArea* mdi_ = nullptr;
};

}  // namespace ui
