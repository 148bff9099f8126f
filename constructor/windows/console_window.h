#pragma once
// The console "Пульт": the list of test bases of the current library with
// the library switch, the test and frame buttons (the Navigator's own
// commands) and the parameters of the highlighted frame.
#include <QPointer>
#include <QWidget>
#include <memory>

#include "startup.h"
#include "store.h"
#include "tables_central.h"

class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QTabWidget;

namespace constructor {

class FrameEditorWindow;
class Navigator;

class ConsoleWindow : public QWidget {
  Q_OBJECT
 public:
  static constexpr const char* kProcedure = "Pult";
  ConsoleWindow(Startup& s, Navigator& nav, QWidget* parent = nullptr);
  ~ConsoleWindow() override;

  // Opens the library and lists its bases, the current one selected.
  void load();
  bool reserve() const { return reserve_; }
  // The library file the list is read from.
  QString libraryPath() const;
  // The library switch: asks, then lists the other library's bases.
  bool switchLibrary();
  // Chooses a base as a click on its row does.
  bool chooseBase(int row);

  QListWidget* bases() const { return bases_; }
  QPushButton* libraryButton() const { return library_; }
  QPushButton* button(const QString& text) const;
  QLabel* libraryStatus() const { return status_; }
  QTabWidget* pages() const { return pages_; }
  // The parameter shown under a label ("Раздел:", "Балл:", ...).
  QString parameter(const QString& label) const;
  QLineEdit* parameterBox(const QString& label) const;
  QComboBox* sectionBox() const { return section_; }
  QPushButton* defaultsButton() const { return defaults_; }
  // The open frame editor: its frame's parameters shown and edited here;
  // nothing shows the Navigator's highlighted frame, read-only.
  void attachEditor(FrameEditorWindow* e);
  void showFramePage();
  // Set by the program: false when the tables may not close now.
  std::function<bool()> mayCloseTables;

 private:
  void fillBases();
  void showFrame();
  void updateButtons();
  void applyParameters();

  Startup& s_;
  Navigator& nav_;
  bool reserve_ = false;
  tables::PathFile rec_;
  std::unique_ptr<store::Table> table_;
  int row_ = -1;
  bool filling_ = false;
  QTabWidget* pages_;
  QListWidget* bases_;
  QPushButton* library_;
  QLabel* status_;
  std::vector<std::pair<QPushButton*, int>> buttons_;
  std::vector<std::pair<QString, QLineEdit*>> params_;
  QComboBox* section_ = nullptr;
  QPushButton* defaults_ = nullptr;
  QPointer<FrameEditorWindow> editor_;
};

}  // namespace constructor
