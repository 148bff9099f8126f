#include "start_window.h"

#include <QCheckBox>
#include <QDate>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QStackedWidget>
#include <QTableWidget>
#include <QTime>
#include <QTimer>
#include <QVBoxLayout>

#include "browse.h"
#include "cp1251.h"
#include "message_service.h"
#include "protocol.h"
#include "window_memory.h"
#include "pictures.h"
#include "selection.h"
#include "attempt_keeper.h"
#include "engine_support.h"
#include "installation.h"

namespace examiner {
namespace {

QString q(const std::string& utf8) { return QString::fromStdString(utf8); }
QString fromCp(const std::string& cp) { return QString::fromStdString(cp1251::toUtf8(cp1251::clip(cp))); }
std::string toCp(const QString& s) { return cp1251::fromUtf8(s.trimmed().toStdString()); }

// An attempt never written to the share has no code there.
bool code0(const common::OpenAttempt& o, bool local) { return local && o.rec.CODE == 0; }

int say(const std::string& text, const std::string& caption = "Сообщение программы",
        messages::Icon icon = messages::Icon::Exclamation) {
  return ui::MessageService::instance().ask(q(text), q(caption), messages::Buttons::Ok, icon);
}

void tableError(const store::Table& t) {
  messages::Procedure p(ui::MessageService::instance());
  store::ErrorInfo e = t.error();
  messages::Args a = messages::argsOf(e);
  a.name = t.name();
  p.show(35, a, &e);
}

QLabel* heading(const QString& text, QWidget* parent) {
  auto* l = new QLabel(text, parent);
  QFont f = l->font();
  f.setPointSizeF(f.pointSizeF() * 1.15);
  f.setBold(true);
  l->setFont(f);
  l->setWordWrap(true);
  return l;
}

}  // namespace

StartWindow::StartWindow(Startup& s, AttemptRunner runner, QWidget* parent)
    : QWidget(parent), s_(s), runner_(std::move(runner)) {
  setObjectName(QStringLiteral("StartWindow"));
  auto* l = new QVBoxLayout(this);
  pages_ = new QStackedWidget(this);
  l->addWidget(pages_);
  buildInvite();
  buildRegister();
  buildChoice();
  auto* t = new QTimer(this);
  connect(t, &QTimer::timeout, this, &StartWindow::tick);
  t->start(1000);
  tick();
  if (presetTest()) applyAutostart();
  ui::attachProcedure(this, QString::fromLatin1(kProcedure));
}

void StartWindow::keyPressEvent(QKeyEvent* e) {
  // Enter presses the page's own button: "СТАРТ", "Далее", "Начать тестирование".
  if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) {
    // A button with the focus is what Enter presses; else the page's own.
    if (auto* b = qobject_cast<QPushButton*>(focusWidget())) {
      b->click();
      return;
    }
    switch (page()) {
      case Invite: start(); return;
      case Register: next(); return;
      case Choice: beginTest(); return;
      default: break;
    }
  }
  QWidget::keyPressEvent(e);
}

bool StartWindow::presetTest() const { return s_.autostart.armed && s_.autostart.presetsTest; }

StartWindow::~StartWindow() {
  // The lists go before the tables they read.
  delete groups_;
  delete students_;
  if (listsOpen_) {
    opener_.close(*studentT_);
    opener_.close(*groupT_);
  }
  test_.close();
}

bool StartWindow::openCentral(store::Table& t) {
  // The tables here live only while a list is read, so no use count is kept.
  setup::TableOpener opener(ui::MessageService::instance());
  return opener.open(t) == store::Ok;
}

int StartWindow::page() const { return pages_->currentIndex(); }

void StartWindow::showPage(Page p) {
  if (p == Register) fillGroups();
  if (p == Choice) {
    libs_->clear();
    tables::PathFile pf;
    store::Table t(tables::pathFileDef(), pf, s_.inst.central(tables::files::PathFile));
    if (openCentral(t)) libRows_ = examiner::libraries(t, pf);
    else libRows_.clear();
    for (const auto& lib : libRows_) libs_->addItem(q(lib.name));
    for (int i = 0; i < static_cast<int>(libRows_.size()); ++i)
      if (libRows_[static_cast<std::size_t>(i)].dir == s_.inst.libraryDir) libs_->setCurrentRow(i);
    fillTests();
    // An armed workstation gives every examinee the preset test.
    if (presetTest()) applyAutostart();
    showTest();
  }
  pages_->setCurrentIndex(p);
}

// ------------------------------------------------------------ "Приглашение"

void StartWindow::buildInvite() {
  auto* w = new QWidget(pages_);
  auto* l = new QVBoxLayout(w);
  l->addStretch(1);
  auto* box = new QGroupBox(QStringLiteral("Приглашение"), w);
  box->setMaximumWidth(520);
  auto* g = new QGridLayout(box);
  day_ = new QLabel(box);
  clock_ = new QLabel(box);
  QFont big = clock_->font();
  big.setPointSizeF(big.pointSizeF() * 1.6);
  big.setBold(true);
  clock_->setFont(big);
  g->addWidget(day_, 0, 0, 1, 2, Qt::AlignLeft);
  g->addWidget(clock_, 0, 2, Qt::AlignRight);
  auto* text = new QLabel(QStringLiteral("Укажите пароль, если он есть, и нажмите на [СТАРТ]"), box);
  text->setWordWrap(true);
  g->addWidget(text, 1, 0, 1, 3);
  g->addWidget(new QLabel(QStringLiteral("ПАРОЛЬ:"), box), 2, 0);
  startPass_ = new QLineEdit(box);
  startPass_->setEchoMode(QLineEdit::Password);
  startPass_->setMaxLength(20);
  g->addWidget(startPass_, 2, 1, 1, 2);
  auto* b = new QHBoxLayout;
  auto* start = new QPushButton(QStringLiteral("СТАРТ"), box);
  auto* tune = new QPushButton(QStringLiteral("НАСТРОЙКА"), box);
  auto* quit = new QPushButton(QStringLiteral("ВЫХОД"), box);
  start->setDefault(true);
  b->addWidget(start);
  b->addStretch(1);
  b->addWidget(tune);
  b->addWidget(quit);
  g->addLayout(b, 3, 0, 1, 3);
  connect(start, &QPushButton::clicked, this, &StartWindow::start);
  connect(tune, &QPushButton::clicked, this, &StartWindow::settings);
  connect(quit, &QPushButton::clicked, this, &StartWindow::exitRequested);
  auto* row = new QHBoxLayout;
  row->addStretch(1);
  row->addWidget(box);
  row->addStretch(1);
  l->addLayout(row);
  l->addStretch(2);
  pages_->addWidget(w);
}

void StartWindow::tick() {
  static const char* days[] = {"Воскресенье", "Понедельник", "Вторник", "Среда", "Четверг", "Пятница", "Суббота"};
  QDate d = QDate::currentDate();
  day_->setText(QString::fromUtf8(days[d.dayOfWeek() % 7]) + QStringLiteral(", ") + d.toString(QStringLiteral("dd.MM.yyyy")));
  clock_->setText(QTime::currentTime().toString(QStringLiteral("HH:mm:ss")));
}

void StartWindow::start() {
  if (!userPasswordOk(s_.tune, toCp(startPass_->text()))) {
    say("Неверный пароль.");
    startPass_->selectAll();
    startPass_->setFocus();
    return;
  }
  s_.inst.modeWork = 5;
  startPass_->clear();
  showPage(Register);
}

void StartWindow::settings() {
  if (!adminPasswordOk(s_.tune, toCp(startPass_->text()))) return;  // a wrong password does nothing
  startPass_->clear();
  emit settingsRequested();
}

// ------------------------------------------------------------ "Регистрация"

void StartWindow::buildRegister() {
  auto* w = new QWidget(pages_);
  auto* l = new QVBoxLayout(w);
  l->addWidget(heading(QStringLiteral("Регистрация"), w));
  l->addWidget(new QLabel(QStringLiteral("Чтобы продолжить работу, следует зарегистрироваться."), w));
  auto* box = new QGroupBox(QStringLiteral("Тестируемый"), w);
  auto* g = new QGridLayout(box);
  fromList_ = new QCheckBox(QStringLiteral("Получить из списка"), box);
  fromList_->setChecked(true);
  g->addWidget(fromList_, 0, 0, 1, 2);
  g->addWidget(new QLabel(QStringLiteral("Выбор из справочника "), box), 1, 0);
  // The standard browse lists of the contingent: paging, locate by typing.
  groupT_ = std::make_unique<store::Table>(tables::groupDef(), groupRec_, s_.inst.central(tables::files::Group));
  studentT_ = std::make_unique<store::Table>(tables::studentDef(), studentRec_, s_.inst.central(tables::files::Student));
  groups_ = new ui::BrowseWindow(*groupT_, &groupRec_, QStringLiteral("Group"), {}, box);
  groups_->setEmbedded(true);
  groups_->setGroupTitle(QString());
  groups_->addOrder(groupT_->key("KEYNAME"), QStringLiteral("Группа"));
  groups_->addColumn({tables::groupDef().fieldIndex("NAME"), QStringLiteral("Группа"), 16});
  groups_->setMaximumWidth(230);
  g->addWidget(groups_, 2, 0, 6, 1);
  students_ = new ui::BrowseWindow(*studentT_, &studentRec_, QStringLiteral("Student"), {}, box);
  students_->setEmbedded(true);
  students_->setGroupTitle(QString());
  students_->addOrder(studentT_->key("KEYFAM"), QStringLiteral("Фамилия"));
  for (auto [field, head] : {std::pair{"FAM", "Фамилия"}, {"NAME", "Имя"}, {"OTCHE", "Отчество"}})
    students_->addColumn({tables::studentDef().fieldIndex(field), QString::fromUtf8(head), 12});
  // Only the chosen group's students; none before a group is chosen.
  students_->setRecordFilter([this] { return reg_.groupCode != 0 && studentRec_.CODEGR == reg_.groupCode; });
  // Tab leaves the list; moving from cell to cell would choose other students.
  students_->table()->setTabKeyNavigation(false);
  g->addWidget(students_, 2, 1, 6, 1);
  g->setColumnStretch(1, 2);
  auto* f = new QFormLayout;
  fam_ = new QLineEdit(box);
  name_ = new QLineEdit(box);
  otche_ = new QLineEdit(box);
  group_ = new QLineEdit(box);
  pass_ = new QLineEdit(box);
  for (auto* e : {fam_, name_, otche_, group_}) e->setMaxLength(30);
  pass_->setMaxLength(10);
  pass_->setEchoMode(QLineEdit::Password);
  group_->setReadOnly(true);
  fam_->setObjectName(QStringLiteral("FAM"));
  name_->setObjectName(QStringLiteral("NAME"));
  otche_->setObjectName(QStringLiteral("OTCHE"));
  group_->setObjectName(QStringLiteral("GROUP"));
  pass_->setObjectName(QStringLiteral("PASSWORD"));
  f->addRow(QStringLiteral("Фамилия:"), fam_);
  f->addRow(QStringLiteral("Имя:"), name_);
  f->addRow(QStringLiteral("Отчество:"), otche_);
  f->addRow(QStringLiteral("Группа:"), group_);
  f->addRow(QStringLiteral("Пароль:"), pass_);
  g->addLayout(f, 2, 2, 4, 1);
  auto* side = new QVBoxLayout;
  auto* newBtn = new QPushButton(QStringLiteral("Новый пользователь"), box);
  addBtn_ = new QPushButton(QStringLiteral("Добавить в справочник"), box);
  passBtn_ = new QPushButton(QStringLiteral("Пароль"), box);
  side->addWidget(newBtn);
  side->addWidget(addBtn_);
  side->addWidget(passBtn_);
  g->addLayout(side, 6, 2);
  l->addWidget(box, 1);
  auto* b = new QHBoxLayout;
  auto* next = new QPushButton(QStringLiteral("Далее"), w);
  auto* quit = new QPushButton(QStringLiteral("Выход"), w);
  next->setDefault(true);
  b->addStretch(1);
  b->addWidget(next);
  b->addWidget(quit);
  l->addLayout(b);
  addBtn_->setEnabled(false);
  pass_->setEnabled(!s_.tune.CHECKPASS.blank());
  passBtn_->setEnabled(!s_.tune.CHANGEPASS.blank());
  connect(fromList_, &QCheckBox::toggled, this, &StartWindow::setFromList);
  connect(groups_, &ui::BrowseWindow::userChose, this, [this] { chooseGroup(); });
  // Also a click on the row already current chooses it (after "Новый пользователь").
  connect(students_, &ui::BrowseWindow::userChose, this, [this] { chooseStudent(); });
  connect(newBtn, &QPushButton::clicked, this, &StartWindow::newStudent);
  connect(addBtn_, &QPushButton::clicked, this, &StartWindow::addStudent);
  connect(passBtn_, &QPushButton::clicked, this, &StartWindow::changePassword);
  connect(next, &QPushButton::clicked, this, &StartWindow::next);
  connect(quit, &QPushButton::clicked, this, &StartWindow::exitRequested);
  pages_->addWidget(w);
}

QLineEdit* StartWindow::field(const char* n) const {
  for (auto* e : {fam_, name_, otche_, group_, pass_})
    if (e->objectName() == QLatin1String(n)) return e;
  return nullptr;
}

void StartWindow::readFields() {
  reg_.fam = toCp(fam_->text());
  reg_.name = toCp(name_->text());
  reg_.otche = toCp(otche_->text());
  reg_.password = toCp(pass_->text());
}

void StartWindow::writeFields() {
  fam_->setText(fromCp(reg_.fam));
  name_->setText(fromCp(reg_.name));
  otche_->setText(fromCp(reg_.otche));
  group_->setText(fromCp(reg_.group));
  pass_->setText(fromCp(reg_.password));
}

bool StartWindow::openLists() {
  // Open while the program runs, through the common opening procedure.
  if (!listsOpen_) listsOpen_ = opener_.open(*groupT_) == store::Ok && opener_.open(*studentT_) == store::Ok;
  return listsOpen_;
}

void StartWindow::fillGroups() {
  if (!openLists()) return;
  store::Position at = 0;
  if (reg_.groupCode) {
    groupRec_.CODEGR = reg_.groupCode;
    if (groupT_->get(groupT_->key("KEYCODEGR")) == store::Ok) at = groupT_->position();
  }
  groups_->refresh(at);
  if (!reg_.groupCode) groups_->table()->clearSelection();  // no group chosen yet
  fillStudents();
}

void StartWindow::fillStudents() {
  if (!openLists()) return;
  store::Position at = 0;
  if (reg_.code) {
    studentRec_.CODEST = reg_.code;
    if (studentT_->get(studentT_->key("KEYKODST")) == store::Ok) at = studentT_->position();
  }
  students_->refresh(at);
  if (!reg_.code) students_->table()->clearSelection();  // nobody chosen yet
}

void StartWindow::chooseGroupNamed(const QString& name) {
  if (!openLists()) return;
  groupRec_ = tables::Group{};
  groupRec_.NAME = cp1251::fromUtf8(name.toStdString());
  if (groupT_->get(groupT_->key("KEYNAME")) == store::Ok) groups_->choose(groupT_->position());
}

void StartWindow::chooseStudentAt(int row) {
  if (row >= 0 && row < students_->rowCount()) students_->choose(students_->positionAt(row));
}

void StartWindow::chooseGroup() {
  const tables::Group chosen = groupRec_;
  tables::Faket fak;
  store::Table ft(tables::faketDef(), fak, s_.inst.central(tables::files::Faket));
  bool haveFak = openCentral(ft);
  examiner::chooseGroup(reg_, chosen, haveFak ? &ft : nullptr, &fak);
  // The course of the group, for the result.
  tables::Kurs k;
  store::Table kt(tables::kursDef(), k, s_.inst.central(tables::files::Kurs));
  k.CODEKURS = chosen.CODEKURS;
  reg_.course.clear();
  if (openCentral(kt) && kt.get(kt.key("KEYCODEKURS")) == store::Ok) reg_.course = k.NAME.str();
  group_->setText(fromCp(reg_.group));
  pass_->clear();
  fillStudents();
}

void StartWindow::chooseStudent() {
  const tables::Student st = studentRec_;
  if (st.CODEGR != reg_.groupCode || !fromList_->isChecked()) return;
  // The same student clicked again keeps the password typed for him.
  const bool same = reg_.code != 0 && reg_.code == st.CODEST;
  readFields();
  const std::string typed = reg_.password;
  examiner::chooseStudent(reg_, st);
  reg_.password = same ? typed : std::string();
  writeFields();
  addBtn_->setEnabled(false);  // a listed student is not added again
}

void StartWindow::setFromList(bool on) {
  students_->setEnabled(on);
  if (!on) {
    newUser(reg_);
    writeFields();
  }
  fillStudents();
}

void StartWindow::forgetStudent() {
  newUser(reg_);
  writeFields();
  students_->table()->clearSelection();
}

void StartWindow::newStudent() {
  forgetStudent();
  addBtn_->setEnabled(true);
  fam_->setFocus();
}

void StartWindow::clearForNextExaminee() {
  // The group stays chosen; the examinee, the password and the test go.
  declinedTest_.clear();
  forgetStudent();
  addBtn_->setEnabled(false);
  fromList_->setChecked(true);
}

void StartWindow::addStudent() {
  readFields();
  tables::Student st;
  store::Table t(tables::studentDef(), st, s_.inst.central(tables::files::Student));
  if (!openCentral(t)) return;
  if (auto r = examiner::addToDirectory(reg_, t, st)) {
    say(r->text, r->caption);
    if (auto* e = field(r->field.c_str())) {
      e->selectAll();
      e->setFocus();
    }
    return;
  }
  addBtn_->setEnabled(false);
  fromList_->setChecked(true);
  fillStudents();
}

void StartWindow::changePassword() {
  if (!reg_.code) return;
  QDialog d(this);
  d.setObjectName(QStringLiteral("PassStu"));
  ui::attachProcedure(&d, QStringLiteral("PassStu"));
  d.setWindowTitle(QStringLiteral("Пароль"));
  auto* f = new QFormLayout(&d);
  auto* oldP = new QLineEdit(&d);
  auto* newP = new QLineEdit(&d);
  auto* conf = new QLineEdit(&d);
  for (auto* e : {oldP, newP, conf}) {
    e->setEchoMode(QLineEdit::Password);
    e->setMaxLength(10);
  }
  f->addRow(QStringLiteral("Прежний пароль:"), oldP);
  f->addRow(QStringLiteral("Новый пароль"), newP);
  f->addRow(QStringLiteral("Подверждение"), conf);
  auto* box = new QDialogButtonBox(&d);
  box->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
  box->addButton(QStringLiteral("Отмена"), QDialogButtonBox::RejectRole);
  f->addRow(box);
  connect(box, &QDialogButtonBox::rejected, &d, &QDialog::reject);
  connect(box, &QDialogButtonBox::accepted, &d, [&] {
    tables::Student st;
    store::Table t(tables::studentDef(), st, s_.inst.central(tables::files::Student));
    if (!openCentral(t)) return;
    if (auto r = examiner::changePassword(t, st, reg_.code, toCp(oldP->text()), toCp(newP->text()), toCp(conf->text()))) {
      say(r->text, r->caption);
      return;
    }
    reg_.numId = st.NUMID.str();
    d.accept();
  });
  d.exec();
}

void StartWindow::next() {
  readFields();
  if (auto r = proceed(reg_, !s_.tune.CHECKPASS.blank())) {
    say(r->text, r->caption);
    if (auto* e = field(r->field.c_str())) {
      e->selectAll();
      e->setFocus();
    }
    return;
  }
  if (offerToGoOn()) return;
  showPage(Choice);
}

// ------------------------------------------------------------ going on

bool StartWindow::offerToGoOn() {
  if (s_.inst.modeWork == 7 || s_.inst.modeWork == 9) return false;
  const std::string file = s_.inst.central(tables::files::Attempt);
  // An attempt kept here while the share was away goes there first.
  AttemptKeeper::pushLocal(file, s_.inst.workingDir);
  std::optional<OpenAttempt> found;
  bool local = false;
  if (common::findAttempt(file, reg_.code, reg_.fullName(), reg_.group, found) != store::Ok || !found) {
    // The share away: this workstation's own copy, if it is this examinee's.
    std::optional<OpenAttempt> mine;
    if (common::findAttempt(common::localAttemptFile(s_.inst.workingDir), reg_.code, reg_.fullName(), reg_.group, mine) ==
            store::Ok &&
        mine) {
      found = std::move(mine);
      local = true;
    }
  }
  if (!found) return false;
  const OpenAttempt& o = *found;
  SystemClock clock;
  const std::string here = cp1251::fromUtf8(s_.namePc);
  if (!local && common::stillRunning(o.rec, clock.today(), clock.now()) &&
      cp1251::upper(cp1251::clip(o.rec.NAMEPC.view())) != cp1251::upper(cp1251::clip(here))) {
    say("Тестирование этого тестируемого уже идёт на рабочей станции «" + cp1251::toUtf8(cp1251::clip(o.rec.NAMEPC.view())) +
        "».|Продолжить его можно, только когда та рабочая станция его оставит.");
    return true;
  }
  // Ended before its result could be stored: stored now, nothing to go on with.
  const bool ended = Attempt::stateEnded(o.rec.STATE.text);
  const int a = ended ? messages::No : ui::MessageService::instance().ask(
      QStringLiteral("Не завершено тестирование по тесту «%1».|Дано ответов: %2 из %3.|Продолжить тестирование?")
          .arg(fromCp(std::string(o.rec.NAMETEMA.view())))
          .arg(o.rec.KOLOT)
          .arg(o.rec.KOLVOP),
      QStringLiteral("Продолжение тестирования"), messages::Buttons::YesNo, messages::Icon::Question, messages::Yes);
  if (a == messages::Yes) {
    if (!openKeptTest(o)) return true;
    chosenTimes_ = 1;
    showTest();
    showPage(Choice);
    AttemptRequest req{s_, test_, reg_, o.rec.VARIANT, &o, local};
    const int outcome = runner_ ? runner_(req) : 0;
    if (afterAttempt(outcome)) beginTest();
    return true;
  }
  // Stored as it stands; starting afresh is no way to a better result.
  common::AttemptLink link{code0(o, local) ? std::string() : file, o.rec.CODE, std::string(cp1251::clip(o.rec.OWNER.view()))};
  ResultStore store(s_.inst.workingDir);
  StoreOutcome out = store.store(common::requestOf(o), &link);
  if (out.superseded) {
    say("Это тестирование уже завершено на другой рабочей станции или администратором.");
  } else if (out.code != store::Ok) {
    say("Результат незавершённого тестирования не удалось записать в журнал результатов (" + out.error.text() +
        ").|Он сохранён на этой рабочей станции и будет записан при первой возможности.");
    declinedTest_ = std::string(cp1251::clip(o.rec.NAMETEMA.view()));
  } else {
    say(ended ? "Результат тестирования по тесту «" + cp1251::toUtf8(cp1251::clip(o.rec.NAMETEMA.view())) +
                    "» записан в журнал результатов."
              : "Результат незавершённого тестирования записан в журнал результатов.",
        "Сообщение программы",
        messages::Icon::Information);
    declinedTest_ = std::string(cp1251::clip(o.rec.NAMETEMA.view()));
  }
  return false;
}

bool StartWindow::openKeptTest(const OpenAttempt& o) {
  // The test where that workstation found it, else this station's library.
  const std::string path = cp1251::toUtf8(cp1251::clip(o.rec.TESTFILE.view()));
  TestLocation where = locateTest(path, s_.inst.libraryDir);
  std::string why;
  if (!setup::safeFileName(where.base, &why)) {
    say("Тест незавершённого тестирования указан неверно: " + why);
    return false;
  }
  const std::string wanted(cp1251::clip(o.rec.NAMETEMA.view()));
  for (const TestLocation& at : {where, TestLocation{s_.inst.libraryDir, where.base}}) {
    testfile::TestFile probe;
    probe.name(at.dir, at.base, s_.inst.keyWord);
    if (probe.open() != store::Ok) continue;
    const bool same = cp1251::clip(probe.tema.NAME.view()) == wanted;
    probe.close();
    if (same && openTest(at)) return true;
  }
  say("Тест «" + cp1251::toUtf8(wanted) + "» незавершённого тестирования не найден.|Обратитесь к администратору: "
      "он может закрыть тестирование, записав его результат как есть.");
  return false;
}

// ------------------------------------------------------------ "Старт"

void StartWindow::buildChoice() {
  auto* w = new QWidget(pages_);
  auto* l = new QVBoxLayout(w);
  l->addWidget(heading(QStringLiteral("Старт"), w));
  l->addWidget(new QLabel(QStringLiteral("Выберите библиотеку тестов, затем сам тест, и щелкните <Начать тестирование>"), w));
  auto* row = new QHBoxLayout;
  auto* pick = new QGroupBox(QStringLiteral("Выбор теста"), w);
  auto* pl = new QVBoxLayout(pick);
  pl->addWidget(new QLabel(QStringLiteral("Библиотеки Тестов"), pick));
  libs_ = new QListWidget(pick);
  libs_->setMaximumHeight(110);
  pl->addWidget(libs_);
  tests_ = new QTableWidget(0, 2, pick);
  tests_->setHorizontalHeaderLabels({QStringLiteral("Имя"), QStringLiteral("Дата")});
  tests_->verticalHeader()->hide();
  tests_->setSelectionBehavior(QAbstractItemView::SelectRows);
  tests_->setSelectionMode(QAbstractItemView::SingleSelection);
  tests_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  tests_->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);
  tests_->setColumnWidth(1, 90);
  tests_->verticalHeader()->setDefaultSectionSize(tests_->fontMetrics().height() + 8);
  pl->addWidget(tests_, 1);
  row->addWidget(pick, 1);
  auto* info = new QGroupBox(QStringLiteral("Исходные данные"), w);
  auto* f = new QFormLayout(info);
  infoGroup_ = new QLabel(info);
  infoWho_ = new QLabel(info);
  infoTest_ = new QLabel(info);
  infoTest_->setWordWrap(true);
  infoTime_ = new QLabel(info);
  infoCount_ = new QLabel(info);
  f->addRow(QStringLiteral("Группа:"), infoGroup_);
  f->addRow(QStringLiteral("Тестируемый:"), infoWho_);
  f->addRow(QStringLiteral("Выбранный тест:"), infoTest_);
  f->addRow(QStringLiteral("Время на тест:"), infoTime_);
  f->addRow(QStringLiteral("Количество заданий:"), infoCount_);
  instruction_ = new QPlainTextEdit(info);
  instruction_->setReadOnly(true);
  f->addRow(instruction_);
  row->addWidget(info, 1);
  l->addLayout(row, 1);
  auto* b = new QHBoxLayout;
  auto* go = new QPushButton(QStringLiteral("Начать тестирование"), w);
  auto* back = new QPushButton(QStringLiteral("Вернуться назад"), w);
  go->setDefault(true);
  b->addStretch(1);
  b->addWidget(go);
  b->addWidget(back);
  l->addLayout(b);
  connect(libs_, &QListWidget::currentRowChanged, this, &StartWindow::chooseLibrary);
  connect(tests_, &QTableWidget::currentCellChanged, this, [this](int r, int, int, int) { chooseTest(r); });
  connect(go, &QPushButton::clicked, this, &StartWindow::beginTest);
  connect(back, &QPushButton::clicked, this, [this] { showPage(Register); });
  pages_->addWidget(w);
}

void StartWindow::chooseLibrary(int row) {
  if (row < 0 || row >= static_cast<int>(libRows_.size())) return;
  const auto& lib = libRows_[static_cast<std::size_t>(row)];
  s_.inst.libraryDir = lib.dir;
  s_.inst.ini.set("Path", "DirBD", lib.dir);
  fillTests();
}

void StartWindow::fillTests() {
  tests_->blockSignals(true);
  testRows_ = testsIn(s_.inst.libraryDir);
  tests_->setRowCount(static_cast<int>(testRows_.size()));
  for (int r = 0; r < static_cast<int>(testRows_.size()); ++r) {
    tests_->setItem(r, 0, new QTableWidgetItem(q(testRows_[static_cast<std::size_t>(r)].name).left(50)));
    tests_->setItem(r, 1, new QTableWidgetItem(q(picture::shortDate(testRows_[static_cast<std::size_t>(r)].date))));
  }
  tests_->blockSignals(false);
}

bool StartWindow::openTest(const TestLocation& where) {
  test_.close();
  test_.name(where.dir, where.base, s_.inst.keyWord);
  if (test_.open() != store::Ok) {
    // A test or library that vanished since the list was read: the file error, not the end.
    messages::Procedure p(ui::MessageService::instance());
    store::ErrorInfo e = test_.error();
    messages::Args a = messages::argsOf(e);
    a.name = test_.path();
    p.show(35, a, &e);
    return false;
  }
  location_ = where;
  return true;
}

void StartWindow::chooseTest(int row) {
  if (row < 0 || row >= static_cast<int>(testRows_.size())) return;
  if (openTest({s_.inst.libraryDir, testRows_[static_cast<std::size_t>(row)].name})) ++chosenTimes_;
  showTest();
}

void StartWindow::showTest() {
  infoGroup_->setText(fromCp(reg_.group));
  infoWho_->setText(fromCp(reg_.fullName()));
  bool open = test_.isOpen();
  infoTest_->setText(open ? fromCp(test_.tema.NAME.str()) : QString());
  if (open) {
    std::vector<tables::Vop> frames;
    if (test_.tema.HOWTIMETEST == 1 && test_.vopT.set() == store::Ok)
      while (test_.vopT.next() == store::Ok) frames.push_back(test_.vop);
    infoTime_->setText(q(common::timeAllowedText(test_.tema, frames)));
  } else {
    infoTime_->clear();
  }
  infoCount_->setText(open ? fromCp(test_.titul.KOLVOP.str()) : QString());
  instruction_->setPlainText(open ? QString::fromStdString(test_.titul.INS.utf8()) : QString());
}

void StartWindow::applyAutostart() {
  // Autostart: a preset test locks the lists, for every examinee until the
  // workstation is disarmed.
  if (!presetTest()) return;
  if (!test_.isOpen() || chosenTimes_ == 0) {
    TestLocation where = locateTest(s_.inst.ini.get("GlbTune", "SelTest"), s_.inst.libraryDir);
    if (openTest(where)) ++chosenTimes_;
  }
  libs_->setEnabled(false);
  tests_->setEnabled(false);
}

int StartWindow::askVariant() {
  const auto& t = test_.tema;
  VariantRequest r;
  r.method = t.HOWRASPVAR;
  r.variants = std::max<int>(1, t.REITING);
  r.givenToAll = t.SELVAR;
  r.testName = std::string(t.NAME.view());
  r.stationNumber = static_cast<int>(s_.inst.ini.getInt("GlbTune", "NumPC", 1));
  tables::Labr room;
  store::Table lt(tables::labrDef(), room, s_.inst.central(tables::files::Labr));
  room.NUMROOM = static_cast<std::uint16_t>(s_.inst.ini.getInt("GlbTune", "Class", 0));
  if (openCentral(lt) && lt.get(lt.key("KEYNUMROOM")) == store::Ok) r.workstations = room.KOLWS;
  QDialog d(this);
  d.setObjectName(QStringLiteral("SelVar"));
  ui::attachProcedure(&d, QStringLiteral("SelVar"));
  d.setWindowTitle(QStringLiteral("Многовариантный тест"));
  auto* f = new QFormLayout(&d);
  f->addRow(QStringLiteral("Всего вариантов:"), new QLabel(QString::number(r.variants), &d));
  QSpinBox* spin = nullptr;
  auto* shown = new QLabel(&d);
  int variant = 1;
  if (r.method == 2) {
    spin = new QSpinBox(&d);
    spin->setRange(1, r.variants);
    f->addRow(QStringLiteral("Выберите вариант теста:"), spin);
  } else {
    tables::SelVar sv;
    store::Table st(tables::selVarDef(), sv, s_.inst.central(tables::files::SelVar));
    SystemRandom rnd;
    store::ErrorInfo e;
    variant = openCentral(st) ? chooseVariant(r, st, sv, rnd, &e) : 0;
    if (variant == 0) {
      tableError(st);
      variant = 1;
    }
    shown->setText(QString::number(variant));
    f->addRow(QStringLiteral("Вам предъявлен вариант №"), shown);
  }
  auto* box = new QDialogButtonBox(QDialogButtonBox::Ok, &d);
  connect(box, &QDialogButtonBox::accepted, &d, &QDialog::accept);
  f->addRow(box);
  if (d.exec() != QDialog::Accepted) return 0;  // closed otherwise: the test does not start
  return spin ? spin->value() : variant;
}

void StartWindow::beginTest() {
  for (;;) {
    if (!testChosen()) {
      say("Не выбран тест", "Стоп");
      return;
    }
    if (s_.tune.CODEFILEREZ == 3) {
      std::string why;
      std::string journal = journalForTest(test_.tema, &why);
      if (journal.empty() && !why.empty()) {
        say(why);
        return;
      }
      s_.inst.ini.set("Path", "FileRez", journal);
      s_.inst.rereadResultFile();
    }
    if (!openTest(location_)) return;
    // Refused before it counts as a run or asks for a variant.
    if (!declinedTest_.empty() && cp1251::clip(test_.tema.NAME.view()) == declinedTest_ && test_.tema.POVTORTEST == 0) {
      say("Повторное прохождение теста «" + cp1251::toUtf8(declinedTest_) + "» не разрешено.");
      return;
    }
    if (int rc = raiseRunCount(test_)) {
      tableError(test_.titulT);
      (void)rc;
      return;
    }
    int variant = 1;
    if (test_.tema.MODECONTROLZN == 5) {
      variant = askVariant();
      if (variant == 0) return;
    }
    AttemptRequest req{s_, test_, reg_, variant};
    int outcome = runner_ ? runner_(req) : 0;
    if (!afterAttempt(outcome)) return;
  }
}

bool StartWindow::afterAttempt(int outcome) {
  if (s_.inst.modeWork == 9) {
    emit exitRequested();
    return false;
  }
  showTest();
  if (test_.tema.HOWEND == 1) {
    s_.inst.modeWork = 5;
    test_.close();
    chosenTimes_ = 0;
    clearForNextExaminee();
    showPage(Register);
    return false;
  }
  if (test_.tema.HOWEND == 4 || outcome == 5) {
    emit exitRequested();
    return false;
  }
  if (outcome == 2) {  // "Повторить": the same examinee, the same test, at once
    s_.inst.modeWork = 5;
    return true;
  }
  if (outcome == 7) {  // "Регистрация": the next examinee
    clearForNextExaminee();
    showPage(Register);
  }
  return false;
}

}  // namespace examiner
