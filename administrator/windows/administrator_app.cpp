#include "administrator_app.h"

#include <QAction>
#include <QCloseEvent>
#include <QComboBox>
#include <QFileInfo>
#include <QMdiArea>
#include <QMenuBar>
#include <QToolBar>
#include <QToolButton>

#include "about_window.h"
#include "browse.h"
#include "administrator_program.h"
#include "console_window.h"
#include "contingent_forms.h"
#include "contingent_window.h"
#include "cp1251.h"
#include "dictionary_window.h"
#include "main_frame.h"
#include "message_service.h"
#include "parameters_window.h"
#include "services.h"
#include "sign_in_window.h"
#include "startup.h"
#include "table_opener.h"
#include "user_events.h"
#include "window_memory.h"

namespace administrator {
namespace {
auto& ms() { return ui::MessageService::instance(); }

// The Administrator's sign-in: after a wrong password the user starts
// again from the first field, the status.
class AdministratorSignIn : public common::SignInWindow {
 public:
  explicit AdministratorSignIn(const tables::GlbTune& glb)
      : SignInWindow(QStringLiteral("Ормида 3.0 [Администратор]"), glb) {}
  void accept() override {
    SignInWindow::accept();
    if (mode() == common::SignIn::Refused) status()->setFocus();
  }
};
}  // namespace

AdministratorApp::AdministratorApp(QString workingDir)
    : startProgram([](const QString& c, const QString& d) { return ui::runProgram(c, d); }), dir_(std::move(workingDir)) {}

AdministratorApp::~AdministratorApp() {
  if (frame_) frame_->removeEventFilter(this);
  delete console_.data();
  frame_.reset();
}

ConsoleWindow* AdministratorApp::console() const { return console_.data(); }

bool AdministratorApp::start() {
  if (!startUp(dir_.toStdString(), inst_, glb_, ms())) return false;
  {
    AdministratorSignIn signIn(glb_);
    if (signIn.exec() != QDialog::Accepted) return false;  // cancelled: the program ends
    mode_ = signIn.mode();
  }
  frame_ = std::make_unique<ui::MainFrame>(QString::fromUtf8(caption()), std::vector<int>{0, 200}, true);
  frame_->setObjectName(QStringLiteral("StatFrame"));
  if (auto* bar = frame_->findChild<QToolBar*>(QStringLiteral("mainToolBar"))) bar->hide();
  frame_->setStatusText(2, mode_ == common::SignIn::User ? QStringLiteral("Пользователь") : QStringLiteral("Администратор"));
  frame_->installEventFilter(this);
  ui::attachProcedure(frame_.get(), QStringLiteral("StatFrame"), [](QWidget* w) { w->resize(1100, 740); });
  buildMenus();
  showConsole();
  return true;
}

QAction* AdministratorApp::item(QMenu* m, const QString& text, std::function<void()> f) {
  QAction* a = m->addAction(text);
  if (f) connect(a, &QAction::triggered, this, std::move(f));
  else a->setEnabled(false);  // its window is not part of this program yet
  return a;
}

void AdministratorApp::buildMenus() {
  QMenuBar* bar = frame_->menuBar();
  QMenu* file = bar->addMenu(QStringLiteral("&Файл"));
  item(file, QStringLiteral("Импорт "));
  item(file, QStringLiteral("Экспорт"), [this] { exportResults(); });
  item(file, QStringLiteral("&Установка принтера ..."), [this] { ui::printerSetup(frame_.get()); });
  file->addSeparator();
  item(file, QStringLiteral("&Выход"), [this] { frame_->close(); });

  QMenu* actions = bar->addMenu(QStringLiteral("&Действия"));
  const std::pair<QString, int> posted[] = {{QStringLiteral("Выделить все"), TagAll},
                                            {QStringLiteral("Копировать в..."), CopyTagged},
                                            {QStringLiteral("Переместить в..."), MoveTagged},
                                            {QStringLiteral("Удалить выбранный(е) записи"), DeleteTagged}};
  for (const auto& [text, number] : posted) {
    QAction* a = item(actions, text, [this, number = number] {
      if (journal_) ui::post(journal_, number);
    });
    // Off until a results journal opens (event 1025).
    a->setEnabled(false);
    actions_.push_back(a);
  }

  QMenu* edit = bar->addMenu(QStringLiteral("&Правка"));
  item(edit, QStringLiteral("&Вырезать"), [] { ui::editFocused(ui::EditAction::Cut); });
  item(edit, QStringLiteral("&Копировать"), [] { ui::editFocused(ui::EditAction::Copy); });
  item(edit, QStringLiteral("&Вставить"), [] { ui::editFocused(ui::EditAction::Paste); });

  QMenu* stats = bar->addMenu(QStringLiteral("С&татистика"));
  item(stats, QStringLiteral("Общий журнал результатов"), [this] { openJournal(); });
  item(stats, QStringLiteral("Классный журнал"), [this] { openClassJournal(); });
  item(stats, QStringLiteral("Анализ тестовых заданий"), [this] { openItemAnalysis(); });
  item(stats, QStringLiteral("Рейтинг"), [this] { openRating(); });
  item(stats, QStringLiteral("Контингент"), [this] { openContingent(); });

  QMenu* service = bar->addMenu(QStringLiteral("Сервис"));
  item(service, QStringLiteral("Автостарт"), [this] { openAutostart(); });
  item(service, QStringLiteral("Мониторинг"), [this] { openMonitoring(); });
  item(service, QStringLiteral("Библиотека тестов"), [this] { openTestLibrary(); });
  item(service, QStringLiteral("Параметры"), [this] { openParameters(); });
  service->addSeparator();
  item(service, QStringLiteral("Конструктор  тестов"), [this] { if (startProgram) startProgram(QStringLiteral("Ormida.exe"), dir_); });
  item(service, QStringLiteral("Экзаменатор"), [this] { if (startProgram) startProgram(QStringLiteral("Varnuke.exe"), dir_); });
  item(service, QStringLiteral("Проводник <Windows>"), [this] {
    const QString base = QString::fromStdString(inst_.base.empty() ? inst_.workingDir : inst_.base).trimmed();
    if (startProgram) startProgram(QStringLiteral("Explorer.exe /n,/e,") + base, dir_);
  });
  item(service, QStringLiteral("Конвертация старых тестов"), [this] { convertTests(); });
  service->addSeparator();
  item(service, QStringLiteral("Отчет по базе данных"), [this] { databaseReport(); });
  item(service, QStringLiteral("Ведомость успеваемости"), [this] { openGradeSheet(); });

  QMenu* dicts = bar->addMenu(QStringLiteral("Справо&чники"));
  const std::pair<QString, common::Dictionary> lists[] = {{QStringLiteral("Факультеты"), common::Dictionary::Faculties},
                                                          {QStringLiteral("Кафедры"), common::Dictionary::Departments},
                                                          {QStringLiteral("Курсы обучения"), common::Dictionary::Courses},
                                                          {QStringLiteral("Дисциплины"), common::Dictionary::Disciplines},
                                                          {QStringLiteral("Преподаватели"), common::Dictionary::Authors}};
  for (const auto& [text, which] : lists)
    item(dicts, text, [this, which = which] { common::openDictionary(which, inst_, frame_.get()); });
  dicts->addSeparator();
  item(dicts, QStringLiteral("Группы"), [this] { openGroups(); });
  item(dicts, QStringLiteral("Студенты"), [this] { openStudents(); });
  item(dicts, QStringLiteral("&Лаборатории"), [this] { openRooms(); });
  item(dicts, QStringLiteral("&Рабочие станции"), [this] { openWorkstations(); });
  item(dicts, QStringLiteral("Файлы результатов"), [this] { openJournalList(); });

  QMenu* windows = bar->addMenu(QStringLiteral("&Окно"));
  item(windows, QStringLiteral("Каскадом"), [this] { frame_->mdiArea()->cascadeSubWindows(); });
  item(windows, QStringLiteral("Мозаикой"), [this] { frame_->mdiArea()->tileSubWindows(); });
  item(windows, QStringLiteral("Пульт"), [this] { showConsole(); });

  QMenu* help = bar->addMenu(QStringLiteral("&Помощь"));
  item(help, QStringLiteral("О программе"), [this] {
    common::AboutWindow w(QStringLiteral("Администратор"),
                          QStringLiteral("Журналы результатов, ведомости, анализ заданий, рейтинг, контингент, справочники, "
                                         "компьютерные классы, автостарт и мониторинг."),
                          frame_.get());
    w.exec();
  });
  item(help, QStringLiteral("&Оглавление"), [this] { ui::openHelp(QStringLiteral("index"), frame_.get()); });
  item(help, QStringLiteral("Описание Ормида"), [this] { ui::openHelp(QStringLiteral("HelpCom"), frame_.get()); });
  item(help, QStringLiteral("&Поиск "), [this] { ui::searchHelp(frame_.get()); });
  item(help, QStringLiteral("&Использование справки"), [this] { ui::openHelp(QStringLiteral("HelpUse"), frame_.get()); });
}

QAction* AdministratorApp::menuItem(const QString& text) const { return frame_ ? frame_->menuItem(text) : nullptr; }

void AdministratorApp::showConsole() {
  if (!console_) {
    // The buttons in their order, each doing what its menu item does.
    const char* names[] = {"Архив результатов", "Мониторинг", "Библиотека тестов", "Журнал группы", "Контингент",
                           "Анализ тестов", "АвтоСтарт", "Рейтинг ", "Параметры"};
    const char* items[] = {"Общий журнал результатов", "Мониторинг", "Библиотека тестов", "Классный журнал", "Контингент",
                           "Анализ тестовых заданий", "Автостарт", "Рейтинг", "Параметры"};
    std::vector<std::pair<QString, QAction*>> buttons;
    for (int i = 0; i < 9; ++i) buttons.emplace_back(QString::fromUtf8(names[i]), menuItem(QString::fromUtf8(items[i])));
    console_ = new ConsoleWindow(buttons, frame_.get());
    console_->setAttribute(Qt::WA_DeleteOnClose);
    if (auto* b = console_->button(QStringLiteral("Анализ тестов"))) b->setToolTip(QStringLiteral("Открыть программу Статистика"));
    if (auto* b = console_->button(QStringLiteral("Параметры"))) b->setToolTip(QStringLiteral("Настройка общих параметов Конструктора"));
    // "Рейтинг " closes the console as it opens the rating.
    if (auto* b = console_->button(QStringLiteral("Рейтинг "))) connect(b, &QToolButton::clicked, console_.data(), &QWidget::close);
  }
  console_->show();
  console_->raise();
}

void AdministratorApp::convertTests() {
  // The converter is optional: it is started by its own path when it lies
  // beside the programs, and named as absent otherwise.
  const QString exe = ui::siblingProgram(QStringLiteral("Convert.exe"), programDir);
  const QFileInfo fi(exe);
  if (exe.isEmpty() || !fi.isFile() || !fi.isExecutable()) {
    ms().ask(QStringLiteral("Программа конвертации старых тестов не установлена."), QStringLiteral("Конвертация старых тестов"),
             messages::Buttons::Ok, messages::Icon::Information);
    return;
  }
  if (startProgram) startProgram(fi.absoluteFilePath(), dir_);
}

void AdministratorApp::takeSlot(QWidget* w) {
  if (slot_ && slot_ != w) ui::post(slot_, CloseWindow);
  slot_ = w;
}

void AdministratorApp::showExclusive(QWidget* w) {
  // Esc or "Закрыть" only hides a dialog: it goes as it is closed.
  w->setAttribute(Qt::WA_DeleteOnClose);
  if (auto* d = qobject_cast<QDialog*>(w)) connect(d, &QDialog::finished, d, &QObject::deleteLater);
  w->installEventFilter(this);
  takeSlot(w);
  w->show();
  w->raise();
  w->activateWindow();
}

ContingentWindow* AdministratorApp::openContingent() {
  auto* w = new ContingentWindow(inst_, frame_.get());
  if (!w->opened()) {
    delete w;
    return nullptr;
  }
  showExclusive(w);
  return w;
}

ParametersWindow* AdministratorApp::openParameters() {
  auto* w = new ParametersWindow(inst_, mode_ == common::SignIn::Administrator, frame_.get());
  connect(w, &ParametersWindow::saved, this, [this] {
    // The passwords and the database may be others now.
    setup::readSettings(tables::glbTuneDef(), inst_.central(tables::files::GlbTune), glb_, ms());
    setup::applyKeyWord(inst_, glb_);
  });
  showExclusive(w);
  return w;
}

QWidget* AdministratorApp::openGroups() { return openGroupList(inst_, frame_.get()); }
QWidget* AdministratorApp::openStudents() { return openStudentList(inst_, frame_.get()); }

bool AdministratorApp::eventFilter(QObject* o, QEvent* e) {
  if (e->type() != ui::UserEvent::type()) return QObject::eventFilter(o, e);
  const int n = static_cast<ui::UserEvent*>(e)->number();
  if (frame_ && o == frame_.get()) {
    if (n == JournalOpened || n == JournalClosed)
      for (QAction* a : actions_) a->setEnabled(n == JournalOpened);
    return true;
  }
  // Another exclusive window took the slot.
  if (n == CloseWindow && o->isWidgetType()) {
    static_cast<QWidget*>(o)->close();
    return true;
  }
  return QObject::eventFilter(o, e);
}

}  // namespace administrator
