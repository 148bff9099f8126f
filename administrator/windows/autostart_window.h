#pragma once
// "АвтоСтарт": the test and its base (chosen in the test library), the
// result journal (chosen in the journal list), the workstations (chosen in
// "Просмотр файла Labr" with tagging, at most 100), then "&OK" arms them
// and opens monitoring, while this window stays open; "Снять автозапуск"
// disarms them. The rules are in autostart.h.
#include <QDialog>
#include <QString>
#include <functional>
#include <optional>
#include <vector>

#include "autostart.h"
#include "installation.h"
#include "tables_central.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace ui {
class BrowseWindow;
}

namespace administrator {

inline constexpr const char* kAutostartWindow = "AutoStart";
inline constexpr const char* kWorkstationChooser = "SelectWS";

// "Просмотр файла Labr" in select mode: the rooms and, for the highlighted
// one, its workstations, tagged across rooms. "&Выбрать" returns the tagged
// workstations in the order they were tagged.
class WorkstationChooser : public QDialog {
  Q_OBJECT
 public:
  WorkstationChooser(const setup::Installation& inst, QWidget* parent = nullptr);
  bool opened() const { return opened_; }
  ui::BrowseWindow* rooms() const { return rooms_; }
  ui::BrowseWindow* workstations() const { return ws_; }
  // The tagged workstations, in tag order.
  std::vector<tables::Ws> tagged();

 private:
  void followTags();
  struct Tables;
  Tables* t_ = nullptr;
  bool opened_ = false;
  ui::BrowseWindow *rooms_ = nullptr, *ws_ = nullptr;
  std::vector<store::Position> order_;
};

class AutostartWindow : public QDialog {
  Q_OBJECT
 public:
  AutostartWindow(setup::Installation& inst, QWidget* parent = nullptr);

  // The choosers, each modal and opened without taking the exclusive slot;
  // tests give their own.
  struct TestChoice {
    QString test, folder;
  };
  std::function<std::optional<TestChoice>(QWidget* parent)> chooseTest;
  std::function<std::optional<QString>(QWidget* parent, const QString& current)> chooseJournal;
  std::function<std::optional<std::vector<tables::Ws>>(QWidget* parent)> chooseWorkstations;
  // Opens monitoring after workstations were armed, for the base folder
  // written (UTF-8, empty when none was).
  std::function<void(const std::string& baseFolder)> openMonitoring;

  QLineEdit* testBox() const { return test_; }
  QLineEdit* baseBox() const { return base_; }
  QLineEdit* journalBox() const { return journal_; }
  QCheckBox* armBox() const { return arm_; }
  QLabel* stationsLabel() const { return stations_; }
  QLabel* roomsLabel() const { return rooms_; }
  QPushButton* button(const QString& text) const;
  const AutostartSelection& selection() const { return sel_; }

  void pickTest();
  void pickJournal();
  void pickWorkstations();
  // "&OK": arms the chosen workstations, reports, opens monitoring.
  void armChosen();
  // "Снять автозапуск".
  void disarmChosen();

 private:
  void showSelection();
  bool report(const Outcome& o, const AutostartReport& r, const QString& doneText);
  setup::Installation& inst_;
  AutostartSelection sel_;
  QLineEdit *test_, *base_, *journal_;
  QCheckBox* arm_;
  QLabel *stations_, *rooms_;
};

}  // namespace administrator
