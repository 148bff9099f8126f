#pragma once
// The Administrator program: start-up, the sign-in "Ормида 3.0
// [Администратор]", the main frame "Ормида 3.0  >> Администратор" with its
// menus, the console "Пульт", the slot of the one exclusive working window
// and the numbered events the windows post to the frame.
#include <QObject>
#include <QPointer>
#include <QString>
#include <functional>
#include <memory>

#include "installation.h"
#include "sign_in.h"
#include "tables_central.h"

class QAction;
class QMenu;

namespace ui {
class MainFrame;
}

namespace administrator {

class ConsoleWindow;
class ContingentWindow;
class ParametersWindow;

// Events of the frame and its windows (user events 1024 and up).
enum Event : int {
  CloseWindow = 1024,     // to the window in the exclusive slot: close
  JournalOpened = 1025,   // to the frame: the "Действия" items on
  JournalClosed = 1026,   // to the frame: off; to the console: minimised
  ConsoleRestored = 1027, // to the console: back to normal
  CloseConsole = 1089,    // to the console: close
  TagAll = 1124,          // the "Действия" items, to the results journal
  MoveTagged = 1125,
  CopyTagged = 1126,
  DeleteTagged = 1127,
};

class AdministratorApp : public QObject {
  Q_OBJECT
 public:
  explicit AdministratorApp(QString workingDir);
  ~AdministratorApp() override;

  // Paths, the sign-in (modal), the console and the main frame. False when
  // the program is to end: the sign-in was cancelled or a table could not
  // be opened.
  bool start();

  ui::MainFrame* frame() const { return frame_.get(); }
  ConsoleWindow* console() const;
  common::SignIn signedInAs() const { return mode_; }
  const setup::Installation& installation() const { return inst_; }
  const tables::GlbTune& settings() const { return glb_; }
  QAction* menuItem(const QString& text) const;

  // Starts a program; tests give their own.
  std::function<bool(const QString& commandLine, const QString& workingDir)> startProgram;
  // Where the sibling programs are looked for (empty: beside this program).
  QString programDir;

  // An exclusive working window takes the slot: the one there is asked to
  // close (event 1024). Windows opened for choosing or by another window do
  // not take it.
  void takeSlot(QWidget* w);
  QWidget* slot() const { return slot_; }
  // The results journal that the "Действия" items post to.
  void setJournal(QWidget* w) { journal_ = w; }

  void showConsole();

  // The exclusive working windows of this part of the program (they take
  // the slot), and the lists of the contingent; nullptr when a table could
  // not be opened.
  ContingentWindow* openContingent();
  ParametersWindow* openParameters();
  QWidget* openGroups();
  QWidget* openStudents();

  // Each defined beside its window (journal_window.cpp, item_analysis_window.cpp,
  // rooms_window.cpp, test_library_window.cpp, grade_sheet_windows.cpp,
  // rating_window.cpp).
  QWidget* openJournal();          // "Общий журнал результатов"
  QWidget* openJournalList();      // "Файлы результатов"
  void exportResults();            // "Экспорт"
  QWidget* openItemAnalysis();     // "Анализ тестовых заданий"
  QWidget* openRooms();            // "&Лаборатории"
  QWidget* openWorkstations();     // "&Рабочие станции"
  QWidget* openTestLibrary();      // "Библиотека тестов"
  void databaseReport();           // "Отчет по базе данных"
  QWidget* openClassJournal();     // "Классный журнал"
  QWidget* openGradeSheet();       // "Ведомость успеваемости"
  QWidget* openRating();           // "Рейтинг"
  QWidget* openAutostart();        // "Автостарт" (autostart_window.cpp)
  QWidget* openMonitoring();       // "Мониторинг" (monitoring_window.cpp)

 protected:
  bool eventFilter(QObject* o, QEvent* e) override;

 private:
  void buildMenus();
  QAction* item(QMenu* m, const QString& text, std::function<void()> f = {});
  void convertTests();
  void showExclusive(QWidget* w);

  QString dir_;
  setup::Installation inst_;
  tables::GlbTune glb_;
  common::SignIn mode_ = common::SignIn::Refused;
  std::unique_ptr<ui::MainFrame> frame_;
  QPointer<ConsoleWindow> console_;
  QPointer<QWidget> slot_, journal_;
  std::vector<QAction*> actions_;  // the "Действия" items
};

}  // namespace administrator
