#include "constructor_app.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDockWidget>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QTextEdit>
#include <QToolBar>

#include "about_window.h"
#include "calculator_window.h"
#include "commands.h"
#include "console_window.h"
#include "copy_window.h"
#include "constructor_program.h"
#include "cp1251.h"
#include "dictionary_window.h"
#include "main_frame.h"
#include "message_service.h"
#include "navigator.h"
#include "print_window.h"
#include "scenario_window.h"
#include "templates_window.h"
#include "question_templates_window.h"
#include "services.h"
#include "settings_file.h"
#include "sign_in_window.h"
#include "synopsis_window.h"
#include "user_events.h"
#include "window_memory.h"

namespace constructor {
namespace {
auto& ms() { return ui::MessageService::instance(); }
}  // namespace

ConstructorApp::ConstructorApp(QString workingDir)
    : startProgram([](const QString& c, const QString& d) { return ui::runProgram(c, d); }), dir_(std::move(workingDir)) {}

ConstructorApp::~ConstructorApp() {
  // The windows go with the frame: nothing of theirs may call back into a
  // half-destroyed program.
  closing_ = true;
  if (editor_) disconnect(editor_, nullptr, this, nullptr);
  if (nav_) disconnect(nav_, nullptr, this, nullptr);
  if (frame_) frame_->removeEventFilter(this);
  if (dock_) dock_->removeEventFilter(this);
  if (navWindow_) navWindow_->removeEventFilter(this);
  delete calculator_;
  frame_.reset();
}

Navigator* ConstructorApp::navigator() const { return nav_.data(); }
ConsoleWindow* ConstructorApp::console() const { return console_.data(); }

bool ConstructorApp::start() {
  if (!startUp(s_, dir_.toStdString(), ms())) return false;
  frame_ = std::make_unique<ui::MainFrame>(QString::fromUtf8(caption()), std::vector<int>{0, 200}, true);
  frame_->setObjectName(QStringLiteral("OrmidaFrame"));
  // The Navigator carries the tool bar.
  if (auto* bar = frame_->findChild<QToolBar*>(QStringLiteral("mainToolBar"))) bar->hide();
  frame_->installEventFilter(this);
  ui::attachProcedure(frame_.get(), QStringLiteral("OrmidaFrame"), [](QWidget* w) { w->resize(1180, 780); });
  buildMenus();
  updateMenus();
  frame_->show();
  if (!s_.askStatus) {
    // The status another program set for this start.
    mode_ = s_.glb.WHOSTART == std::string_view(cp1251::fromUtf8(common::kUser)) ? common::SignIn::User
                                                                                    : common::SignIn::Administrator;
    startWork();
    return true;
  }
  status_ = new common::SignInWindow(QStringLiteral("Ормида [Регистрация]"), s_.glb, common::SignInWindow::Start, frame_.get());
  connect(status_, &QDialog::accepted, this, [this] {
    mode_ = status_->mode();
    status_->deleteLater();
    status_ = nullptr;
    startWork();
  });
  // Cancelled: the main frame stays with its menus only.
  connect(status_, &QDialog::rejected, this, [this] {
    status_->deleteLater();
    status_ = nullptr;
    updateMenus();
  });
  status_->open();
  return true;
}

void ConstructorApp::startWork() {
  frame_->setStatusText(2, mode_ == common::SignIn::User ? QStringLiteral("Пользователь") : QStringLiteral("Администратор"));
  nav_ = new Navigator(s_);
  nav_->startProgram = [this](const QString& c, const QString& d) { return startProgram && startProgram(c, d); };
  nav_->mayCloseTest = [this] { return mayCloseTables(); };
  if (editors) nav_->openEditor = [this](bool object, std::uint16_t code) { openEditor(object, code); };
  nav_->scenarioEditor = [this](bool insert) { return runScenario(insert); };
  nav_->printTest = [this] { printTest(); };
  nav_->synopsis = [this] { openSynopsis(); };
  nav_->chooseTarget = [this](bool move, int tagged) {
    return chooseTransferTarget(s_, nav_ ? nav_->base() : std::string(), move, tagged, frame_.get());
  };
  connect(nav_, &Navigator::lockRequested, this, &ConstructorApp::lockScreen);
  connect(nav_, &Navigator::calculatorRequested, this, &ConstructorApp::showCalculator);
  connect(nav_, &Navigator::stateChanged, this, &ConstructorApp::updateMenus);
  navWindow_ = frame_->mdiArea()->addSubWindow(nav_);
  navWindow_->setWindowIcon(QIcon());
  // The Navigator stays for the whole run: its close button only minimises it.
  navWindow_->installEventFilter(this);
  ui::attachProcedure(nav_, QString::fromLatin1(Navigator::kProcedure));
  navWindow_->showMaximized();

  console_ = new ConsoleWindow(s_, *nav_);
  console_->mayCloseTables = [this] { return mayCloseTables(); };
  ui::attachProcedure(console_, QString::fromLatin1(ConsoleWindow::kProcedure));
  dock_ = new QDockWidget(QStringLiteral("Пульт"), frame_.get());
  dock_->setObjectName(QStringLiteral("Pult"));
  dock_->setWidget(console_);
  dock_->setFeatures(QDockWidget::DockWidgetClosable | QDockWidget::DockWidgetMovable | QDockWidget::DockWidgetFloatable);
  frame_->addDockWidget(Qt::RightDockWidgetArea, dock_);
  dock_->installEventFilter(this);
  // The frame's own dock menu shows and hides the console too.
  connect(dock_->toggleViewAction(), &QAction::triggered, this, [this](bool on) { showConsole(on); });
  nav_->load();
  console_->load();
  const bool shown = s_.inst.ini.getInt("Vid", "Pult", 1) != 0;
  dock_->setVisible(shown);
  consoleItem_->setChecked(shown);
  updateMenus();
}

// ----------------------------------------------------------------- menus

QAction* ConstructorApp::item(QMenu* m, const QString& text, std::function<void()> f, const QKeySequence& key) {
  QAction* a = m->addAction(text);
  if (!key.isEmpty()) a->setShortcut(key);
  if (f) connect(a, &QAction::triggered, this, std::move(f));
  else a->setEnabled(false);  // no action of its own here
  return a;
}

void ConstructorApp::command(QMenu* m, const QString& text, int cmd, const QKeySequence& key) {
  QAction* a = item(m, text, [this, cmd] { if (nav_) ui::post(nav_, cmd); }, key);
  commands_[a] = cmd;
}

void ConstructorApp::buildMenus() {
  QMenuBar* bar = frame_->menuBar();
  QMenu* test = bar->addMenu(QStringLiteral("&Тест"));
  command(test, QStringLiteral("&Новый тест"), NewTest, QKeySequence(Qt::CTRL | Qt::Key_N));
  command(test, QStringLiteral("&Открыть  тест"), OpenScenario, QKeySequence(Qt::CTRL | Qt::Key_O));
  // One key on two items fires neither: Ctrl+P stays with printing.
  command(test, QStringLiteral("&Просмотр"), TrialRun);
  command(test, QStringLiteral("&Удалить тест"), DeleteTest, QKeySequence(Qt::CTRL | Qt::Key_D));
  command(test, QStringLiteral("&Печать"), PrintTest, QKeySequence(Qt::CTRL | Qt::Key_P));
  item(test, QStringLiteral("&Установка  принтера"), [this] { ui::printerSetup(frame_.get()); }, QKeySequence(Qt::CTRL | Qt::Key_U));
  command(test, QStringLiteral("Переименовать"), RenameTest);
  command(test, QStringLiteral("Конспект к тесту"), Synopsis);
  test->addSeparator();
  item(test, QStringLiteral("Вы&ход"), [this] { frame_->close(); }, QKeySequence(Qt::ALT | Qt::Key_F4));

  QMenu* frame = bar->addMenu(QStringLiteral("&Кадр"));
  command(frame, QStringLiteral("Новый &стандартный кадр"), NewStandardFrame, QKeySequence(Qt::Key_F5));
  command(frame, QStringLiteral("Новый  &встроенный кадр"), NewObjectFrame, QKeySequence(Qt::Key_F7));
  command(frame, QStringLiteral("&Открыть кадр"), OpenFrame, QKeySequence(Qt::Key_F9));
  command(frame, QStringLiteral("&Удалить кадр"), DeleteFrames, QKeySequence(Qt::Key_F10));
  frame->addSeparator();
  command(frame, QStringLiteral("Переместить в ..."), MoveFrames);
  command(frame, QStringLiteral("Копировать в..."), CopyFrames);
  command(frame, QStringLiteral("Фильтр"), FilterFrames);
  QMenu* sort = frame->addMenu(QStringLiteral("Сортировка"));
  command(sort, QStringLiteral("По коду"), SortByCode);
  // The question text is a memo without an order of its own to sort by.
  QAction* byText = item(sort, QStringLiteral("По описанию"));
  byText->setEnabled(false);
  byText->setToolTip(QStringLiteral("Кадры упорядочиваются по коду, варианту, разделу, сложности или типу"));
  command(sort, QStringLiteral("По варианту"), SortByVariant);
  command(sort, QStringLiteral("По разделу"), SortBySection);
  command(sort, QStringLiteral("По сложности"), SortByLevel);
  command(sort, QStringLiteral("По типу кадров"), SortByType);
  // A frame's kind (VOP:TYPEKADR) is the kind of its task: both items order by it.
  command(sort, QStringLiteral("По типу заданий"), SortByType);
  sort->addSeparator();
  command(sort, QStringLiteral("Обновить"), RefreshList);

  QMenu* edit = bar->addMenu(QStringLiteral("Правка"));
  const QString editItems[] = {QStringLiteral("Отменить"), QStringLiteral("Вырезать"), QStringLiteral("Копировать"),
                               QStringLiteral("Вставить"), QStringLiteral("Удалить")};
  const QKeySequence editKeys[] = {QKeySequence::Undo, QKeySequence::Cut, QKeySequence::Copy, QKeySequence::Paste, {}};
  for (int i = 0; i < 5; ++i) {
    QAction* a = item(edit, editItems[i], [this, i] { editAction(i); });
    // The text fields keep their own keys; the menu shows them.
    if (!editKeys[i].isEmpty()) a->setShortcut(editKeys[i]), a->setShortcutContext(Qt::WidgetShortcut);
  }

  editorMenu_ = bar->addMenu(QStringLiteral("&Редактор"));
  const QStringList& ed = editorMenuItems();
  for (int i = 0; i < ed.size(); ++i) {
    // "Конспект" is the whole test's synopsis, as from the "&Тест" menu.
    if (ed[i] == QStringLiteral("Конспект")) item(editorMenu_, ed[i], [this] { openSynopsis(); });
    else item(editorMenu_, ed[i], [this, i] { if (editor_) ui::post(editor_, kEditorCommands + i); });
  }
  objectMenu_ = bar->addMenu(QStringLiteral("О&бъект"));
  const QStringList& ob = objectMenuItems();
  for (int i = 0; i < 3; ++i)
    item(objectMenu_, ob[i], [this, i] { if (editor_) ui::post(editor_, kObjectCommands + i); });
  QMenu* kinds = objectMenu_->addMenu(QStringLiteral("Создать объект (Offce2000)"));
  for (int i = 0; i < objectKinds().size(); ++i)
    item(kinds, objectKinds()[i], [this, i] { if (editor_) ui::post(editor_, kObjectKinds + i); });
  for (int i = 3; i < ob.size(); ++i)
    item(objectMenu_, ob[i], [this, i] { if (editor_) ui::post(editor_, kObjectCommands + i); });

  QMenu* tools = bar->addMenu(QStringLiteral("&Инструменты"));
  item(tools, QStringLiteral("Админстратор"), [this] { if (startProgram) startProgram(QStringLiteral("stat.exe"), dir_); });
  item(tools, QStringLiteral("Блокировка экрана"), [this] { lockScreen(); });
  item(tools, QStringLiteral("Калькулятор"), [this] { showCalculator(); });
  consoleItem_ = item(tools, QStringLiteral("Пульт"), [this] { showConsole(consoleItem_->isChecked()); });
  consoleItem_->setCheckable(true);
  QMenu* dicts = tools->addMenu(QStringLiteral("Справочники"));
  const std::pair<QString, common::Dictionary> lists[] = {{QStringLiteral("Кафедры"), common::Dictionary::Departments},
                                                          {QStringLiteral("Дисциплины"), common::Dictionary::Disciplines},
                                                          {QStringLiteral("Преподаватели"), common::Dictionary::Authors}};
  for (const auto& [text, which] : lists)
    item(dicts, text, [this, which = which] { common::openDictionary(which, s_.inst, frame_.get()); });
  item(dicts, QStringLiteral("Шаблоны вопросов"), [this] {
    QuestionTemplatesWindow w(QuestionTemplates::of(s_.inst), false, frame_.get());
    w.exec();
  });
  item(dicts, QStringLiteral("Шаблоны инструкций"), [this] { showTemplates(false, frame_.get()); });

  QMenu* help = bar->addMenu(QStringLiteral("&Помощь"));
  item(help, QStringLiteral("&Содержание"), [this] { ui::openHelp(QStringLiteral("OrmHelp"), frame_.get()); });
  item(help, QStringLiteral("&Указатель"), [this] { ui::openHelp(QStringLiteral("OrmIndex"), frame_.get()); });
  item(help, QStringLiteral("Поиск..."), [this] { ui::searchHelp(frame_.get()); });
  item(help, QStringLiteral("Использование справки"), [this] { ui::openHelp(QStringLiteral("HelpUse"), frame_.get()); });
  help->addSeparator();
  item(help, QStringLiteral("Общие сведения о системе"), [this] { ui::openHelp(QStringLiteral("HelpCom"), frame_.get()); });
  item(help, QStringLiteral("Учебник по тестовым заданиям"), [this] { ui::openHelp(QStringLiteral("NewBook"), frame_.get()); });
  help->addSeparator();
  item(help, QStringLiteral("&О программе..."), [this] {
    common::AboutWindow w(QStringLiteral("Конструктор тестов"),
                          QStringLiteral("Составление тестов: сценарий, разделы, задания шести видов и справочный материал."),
                          frame_.get());
    w.exec();
  });
}

QAction* ConstructorApp::menuItem(const QString& text) const { return frame_ ? frame_->menuItem(text) : nullptr; }

void ConstructorApp::updateMenus() {
  for (auto& [a, cmd] : commands_) a->setEnabled(nav_ && nav_->canRun(cmd));
  const bool open = editor_ != nullptr;
  for (QMenu* m : {editorMenu_, objectMenu_}) {
    m->menuAction()->setEnabled(open);
    for (QAction* a : m->actions()) a->setEnabled(open);
  }
  // The kind items of "&Редактор" (6..10) tick the open frame's kind.
  static const int kinds[] = {1, 3, 2, 4, 5};
  const QList<QAction*> items = editorMenu_->actions();
  const int kind = open ? editor_->frameKind() : 0;
  for (int i = 0; i < 5 && 6 + i < items.size(); ++i) {
    QAction* a = items[6 + i];
    a->setCheckable(true);
    a->setChecked(kind == kinds[i] || (kinds[i] == 5 && kind == 6));
  }
}

void ConstructorApp::editAction(int which) {
  static const ui::EditAction actions[] = {ui::EditAction::Undo, ui::EditAction::Cut, ui::EditAction::Copy,
                                           ui::EditAction::Paste, ui::EditAction::Delete};
  ui::editFocused(actions[which]);
}

// ----------------------------------------------------------------- tools

void ConstructorApp::lockScreen() {
  common::SignInWindow lock(QStringLiteral("Блокировка окна Ормида"), s_.glb, common::SignInWindow::Lock, frame_.get());
  lock.minimise = [this] { frame_->showMinimized(); };
  // It covers the program until the password is right; its panel sits in the middle.
  lock.setGeometry(frame_->geometry());
  lock.exec();
}

bool ConstructorApp::runScenario(bool insert) {
  if (!nav_ || !nav_->testOpen()) return false;
  ScenarioWindow w(s_, nav_->base(), nav_->baseName(), nav_->currentTest().toStdString(),
                   insert ? ScenarioWindow::Insert : ScenarioWindow::Change, frame_.get());
  if (!w.openTest()) return false;
  w.pickInstruction = [this, &w] { return showTemplates(true, &w); };
  w.pickName = [this, &w](ScenarioWindow::Pick p) -> std::optional<QString> {
    static const std::map<ScenarioWindow::Pick, common::Dictionary> from = {
        {ScenarioWindow::Pick::Faculty, common::Dictionary::Faculties},
        {ScenarioWindow::Pick::Author, common::Dictionary::Authors},
        {ScenarioWindow::Pick::Department, common::Dictionary::Departments},
        {ScenarioWindow::Pick::Course, common::Dictionary::Courses},
        {ScenarioWindow::Pick::Discipline, common::Dictionary::Disciplines}};
    auto chosen = common::chooseFromDictionary(from.at(p), s_.inst, &w);
    if (!chosen) return std::nullopt;
    return chosen->name;
  };
  w.exec();
  return w.result() == QDialog::Accepted && w.openEditorAfter();
}

std::optional<QString> ConstructorApp::showTemplates(bool choosing, QWidget* parent) {
  TemplatesWindow w(InstructionTemplates::fileOf(s_.inst), choosing, parent ? parent : frame_.get());
  w.exec();
  return w.chosen();
}

bool ConstructorApp::printTest() {
  if (!nav_ || !nav_->testOpen()) return false;
  TestPrinting p(*nav_->test(), s_.inst.central(tables::files::TuneTest), frame_.get());
  if (preparePrinting) preparePrinting(p);
  const bool printed = p.run();
  // "Дата печати" in the properties.
  if (printed && nav_) nav_->reopenTest();
  return printed;
}

bool ConstructorApp::openSynopsis() {
  if (!nav_ || !nav_->testOpen()) return false;
  // A handle of the window's own: the Navigator's and the editor's stay where they are.
  testfile::TestFile tf;
  tf.name(nav_->base(), nav_->currentTest().toStdString(), s_.inst.keyWord);
  if (tf.open() != store::Ok) {
    store::ErrorInfo e = tf.error();
    messages::Procedure(ms()).show(messages::openFailure(e, tf.path()), &e);
    return false;
  }
  SynopsisWindow w(tf, frame_.get());
  if (prepareSynopsis) prepareSynopsis(w);
  w.exec();
  if (editor_) editor_->reloadHelp();
  return true;
}

void ConstructorApp::showCalculator() {
  if (!calculator_) {
    calculator_ = new common::CalculatorWindow(frame_.get());
    calculator_->setAttribute(Qt::WA_DeleteOnClose);
  }
  calculator_->show();
  calculator_->raise();
}

void ConstructorApp::showConsole(bool on) {
  if (!dock_) return;
  dock_->setVisible(on);
  consoleItem_->setChecked(on);
  s_.inst.ini.setInt("Vid", "Pult", on ? 1 : 0);
}

// ----------------------------------------------------------------- the frame editor

bool ConstructorApp::openEditor(bool object, std::uint16_t code) {
  if (!editors || !nav_ || !nav_->testOpen()) return false;
  if (editor_) {
    // One editor at a time: the open one comes forward and takes the frame
    // asked for (its own saved first).
    if (auto* sub = qobject_cast<QMdiSubWindow*>(editor_->parentWidget())) frame_->mdiArea()->setActiveSubWindow(sub);
    editor_->raise();
    return code ? editor_->goToFrame(code) : editor_->startNewFrame();
  }
  EditorRequest r{nav_->base(), nav_->currentTest().toStdString(), s_.inst.keyWord, code, object};
  FrameEditorWindow* e = editors(r, nullptr);
  if (!e) return false;
  editor_ = e;
  e->setAttribute(Qt::WA_DeleteOnClose);
  connect(e, &FrameEditorWindow::frameSaved, this, [this](std::uint16_t c) {
    if (nav_) nav_->refreshFrames(c);
  });
  connect(e, &QObject::destroyed, this, [this] {
    // Everything lets go of the half-destroyed editor before anything redraws.
    editor_ = nullptr;
    if (console_) console_->attachEditor(nullptr);
    updateMenus();
    if (nav_) nav_->refreshFrames();
  });
  connect(e, &FrameEditorWindow::parametersChanged, this, &ConstructorApp::updateMenus);
  connect(e, &FrameEditorWindow::lockRequested, this, &ConstructorApp::lockScreen);
  connect(e, &FrameEditorWindow::calculatorRequested, this, &ConstructorApp::showCalculator);
  connect(e, &FrameEditorWindow::consoleRequested, this, [this] {
    showConsole(true);
    if (console_) console_->showFramePage();
  });
  if (console_) console_->attachEditor(e);
  QMdiSubWindow* sub = frame_->mdiArea()->addSubWindow(e);
  sub->setAttribute(Qt::WA_DeleteOnClose);
  sub->showMaximized();
  updateMenus();
  return true;
}

bool ConstructorApp::mayCloseTables() {
  if (!editor_) return true;
  if (editor_->hasUnsavedChanges()) {
    ms().ask(QStringLiteral("В редакторе кадров есть несохранённые изменения.|Сохраните или закройте кадр, затем повторите команду."),
             QStringLiteral("Редактор кадров открыт"), messages::Buttons::Ok, messages::Icon::Exclamation);
    return false;
  }
  // Nothing unsaved: the editor closes, and the tables with it.
  QPointer<QWidget> holder = editor_->parentWidget() ? editor_->parentWidget() : static_cast<QWidget*>(editor_.data());
  holder->close();
  if (editor_ && editor_->isVisible()) return false;
  delete holder.data();
  return true;
}

bool ConstructorApp::eventFilter(QObject* o, QEvent* e) {
  if (dock_ && o == dock_ && e->type() == QEvent::Close) {
    // The console's close button: hidden until shown from the menu.
    s_.inst.ini.setInt("Vid", "Pult", 0);
    consoleItem_->setChecked(false);
  }
  if (navWindow_ && o == navWindow_ && e->type() == QEvent::Close && frame_ && frame_->isVisible() && !closing_) {
    e->ignore();
    navWindow_->showMinimized();
    return true;
  }
  if (frame_ && o == frame_.get() && e->type() == QEvent::Close) {
    // An editor with unsaved changes keeps the program open.
    if (editor_) {
      editor_->close();
      if (editor_ && editor_->isVisible()) {
        e->ignore();
        return true;
      }
    }
    closing_ = true;
    emit finished();
  }
  return QObject::eventFilter(o, e);
}

}  // namespace constructor
