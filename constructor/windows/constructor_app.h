#pragma once
// The Constructor program: start-up with the status window, the main frame
// "Ормида 3.0 [Конструктор тестов]" with its menus, the Navigator, the
// console, the open frame editor, the screen lock and the small services.
#include <QObject>
#include <QPointer>
#include <QString>
#include <functional>
#include <map>
#include <memory>
#include <optional>

#include "frame_editor.h"
#include "sign_in.h"
#include "startup.h"

class QAction;
class QDockWidget;
class QMenu;
class QMdiSubWindow;

namespace common {
class SignInWindow;
}
namespace ui {
class MainFrame;
}

namespace constructor {

class ConsoleWindow;
class Navigator;
class SynopsisWindow;
class TestPrinting;

class ConstructorApp : public QObject {
  Q_OBJECT
 public:
  explicit ConstructorApp(QString workingDir);
  ~ConstructorApp() override;

  // Paths, the global settings and the main frame; the status window when
  // GLB:WHOSTART was blank, else the Navigator and the console at once.
  // False when the program is to end (a table could not be opened).
  bool start();

  // What the program can start; empty ones leave their commands disabled.
  EditorFactory editors;
  std::function<bool(const QString& commandLine, const QString& workingDir)> startProgram;

  ui::MainFrame* frame() const { return frame_.get(); }
  common::SignInWindow* statusWindow() const { return status_; }
  Navigator* navigator() const;
  ConsoleWindow* console() const;
  QDockWidget* consoleDock() const { return dock_; }
  FrameEditorWindow* editor() const { return editor_; }
  common::SignIn signedInAs() const { return mode_; }
  Startup& startup() { return s_; }
  // A menu item by its text ("&Новый тест"), searched through every menu.
  QAction* menuItem(const QString& text) const;

  // The commands of the "&Инструменты" and "&Помощь" menus.
  void lockScreen();
  // The scenario window on the Navigator's open test; true when the author
  // asked to go on to a new frame.
  bool runScenario(bool insert);
  // The instruction templates: for upkeep, or to choose a text.
  std::optional<QString> showTemplates(bool choosing, QWidget* parent = nullptr);
  void showCalculator();
  void showConsole(bool on);
  // "Печать" of the Navigator's open test; true when the report was
  // produced. `preparePrinting` lets tests give the command their own
  // options, preview and printer.
  bool printTest();
  std::function<void(TestPrinting&)> preparePrinting;
  // "Конспект к тесту": the synopsis of the open test; `prepareSynopsis`
  // sees the window before it runs (tests act on it there).
  bool openSynopsis();
  std::function<void(SynopsisWindow&)> prepareSynopsis;
  // The frame editor for the open test (a frame code or 0 for a new frame).
  bool openEditor(bool object, std::uint16_t code);
  // Whether the open test's tables may close: true when no editor is open,
  // or it had nothing unsaved and was closed; otherwise the user is told.
  bool mayCloseTables();

 signals:
  void finished();

 protected:
  bool eventFilter(QObject* o, QEvent* e) override;

 private:
  void buildMenus();
  void startWork();
  void updateMenus();
  QAction* item(QMenu* m, const QString& text, std::function<void()> f = {}, const QKeySequence& key = {});
  void command(QMenu* m, const QString& text, int cmd, const QKeySequence& key = {});
  void editAction(int which);

  QString dir_;
  Startup s_;
  std::unique_ptr<ui::MainFrame> frame_;
  common::SignInWindow* status_ = nullptr;
  common::SignIn mode_ = common::SignIn::Refused;
  QPointer<Navigator> nav_;
  QMdiSubWindow* navWindow_ = nullptr;
  QPointer<ConsoleWindow> console_;
  QDockWidget* dock_ = nullptr;
  QPointer<FrameEditorWindow> editor_;
  QPointer<QWidget> calculator_;
  std::map<QAction*, int> commands_;
  QMenu *editorMenu_ = nullptr, *objectMenu_ = nullptr;
  QAction* consoleItem_ = nullptr;
  bool closing_ = false;
};

}  // namespace constructor
