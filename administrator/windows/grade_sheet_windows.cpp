#include "grade_sheet_windows.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QSaveFile>
#include <QSignalBlocker>
#include <QFontMetricsF>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStandardItemModel>
#include <QTableWidget>
#include <QTreeView>
#include <QVBoxLayout>

#include "administrator_app.h"
#include "browse.h"
#include "contingent.h"
#include "contingent_forms.h"
#include "cp1251.h"
#include "datetime.h"
#include "dictionary_window.h"
#include "examinee_name.h"
#include "icons.h"
#include "main_frame.h"
#include "message_service.h"
#include "pictures.h"
#include "previewer.h"
#include "services.h"
#include "tables_central.h"
#include "update_form.h"
#include "window_memory.h"
#include "window_tools.h"

namespace administrator {
namespace {

auto& ms() { return ui::MessageService::instance(); }
QString q(const std::string& utf8) { return QString::fromStdString(utf8); }
const QColor kBlue(52, 101, 164);

int fieldOf(const store::TableDef& def, const char* name) { return def.fieldIndex(name); }

// The class journal's date: month/day/two-digit year; day 0 blank.
QString monthDayYear(std::int32_t day) {
  if (day <= 0) return {};
  const auto d = datetime::fromDayNumber(day);
  return QStringLiteral("%1/%2/%3")
      .arg(d.month, 2, 10, QLatin1Char('0'))
      .arg(d.day, 2, 10, QLatin1Char('0'))
      .arg(d.year % 100, 2, 10, QLatin1Char('0'));
}

}  // namespace

bool writeExport(QWidget* parent, const std::function<QString(QWidget*)>& pick, const std::string& text,
                 const QString& caption) {
  const QString path = pick ? pick(parent) : QString();
  if (path.isEmpty()) return false;
  // Replaced only once the whole text is on disk, else the former file is
  // left as it was. The write only fills a buffer and commit() does not see
  // a failed flush of it, so a full disk shows at the explicit flush.
  QSaveFile f(path);
  if (f.open(QIODevice::WriteOnly) && f.write(text.data(), static_cast<qint64>(text.size())) == static_cast<qint64>(text.size()) &&
      f.flush() && f.commit())
    return true;
  ms().ask(QStringLiteral("Не удалось записать файл %1: %2").arg(path, f.errorString()), caption, messages::Buttons::Ok,
           messages::Icon::Exclamation);
  return false;
}

namespace {

std::function<QString(QWidget*)> csvChooser(const QString& title) {
  return [title](QWidget* p) { return ui::saveFileDialog(p, title, QStringLiteral("Таблицы CSV|*.csv")); };
}

QPushButton* addButton(QWidget* owner, QBoxLayout* row, const QString& text, std::function<void()> f, const QIcon& icon = {}) {
  auto* b = new QPushButton(icon, text, owner);
  b->setAutoDefault(false);
  row->addWidget(b);
  QObject::connect(b, &QPushButton::clicked, owner, std::move(f));
  return b;
}

// ------------------------------------------------------------ Vedom browse

// The clean-up's question with its four buttons in their order.
CleanAnswer askAboutLine(const std::string& name) {
  const int answer = ms().choose(q(name + "       Отсутствует в справочнике|Удалить эту запись?"),
                                 QStringLiteral("Очистка ведомости"),
                                 {QStringLiteral("&Нет"), QStringLiteral("&Да"), QStringLiteral("&Отмена"),
                                  QStringLiteral("&Все удалить")},
                                 messages::Icon::Question, 0, 2);
  switch (answer) {
    case 1: return CleanAnswer::Delete;
    case 2: return CleanAnswer::Stop;
    case 3: return CleanAnswer::DeleteAll;
    default: return CleanAnswer::Keep;
  }
}

// "Редактирование файла Vedom": a line is changed or deleted here, never
// added (the Examiner writes them).
class VedomForm : public ui::UpdateForm {
 public:
  VedomForm(store::Table& t, tables::Vedom& rec, QWidget* parent)
      : UpdateForm(t, &rec, QString::fromLatin1(kVedomForm), QStringLiteral("Редактирование файла Vedom"),
                   QStringLiteral("Редактирование файла Vedom"), parent) {
    const auto& def = tables::vedomDef();
    const struct {
      const char* name;
      const char* label;
      ui::Format format;
      bool readOnly;
    } fields[] = {{"CODEVED", "Код:", {}, true},
                  {"CODEST", "Код студента:", {}, false},
                  {"NAMESTUD", "Студент:", {}, false},
                  {"GR", "Группа:", {}, false},
                  {"NAMETEMA", "Тест:", {}, false},
                  {"CODEPREDMET", "Код предмета:", {}, false},
                  {"PREDMET", "Дисциплина:", {}, false},
                  {"BALL", "Балл:", {}, false},
                  {"CODEREZ", "Код результата:", {}, false},
                  {"DATE", "Дата:", ui::Format::date(), false},
                  {"REZTEXT", "Результат:", {}, false},
                  {"OTMETKA", "Оценка:", {}, false},
                  {"FILEREZ", "Журнал результатов:", {}, false}};
    for (const auto& f : fields)
      addField({fieldOf(def, f.name), QString::fromUtf8(f.label), f.format, ui::FormField::Line, f.readOnly});
    helpButton(this, QString::fromLatin1(kVedomForm));
    helpOnF1(this, QString::fromLatin1(kVedomForm));
  }

 protected:
  bool mayRun(ui::Request r) override { return r != ui::Insert; }
};

}  // namespace

ui::BrowseWindow* openVedomBrowse(const setup::Installation& inst, QWidget* parent) {
  auto* s = new OpenTable<tables::Vedom>(tables::vedomDef(), inst.central(tables::files::Vedom), nullptr);
  if (!s->open()) {
    delete s;
    return nullptr;
  }
  const auto& def = tables::vedomDef();
  const QString procedure = QString::fromLatin1(kVedomBrowse);
  auto* w = new ui::BrowseWindow(s->table, &s->rec, procedure, QStringLiteral("Просмотр файла Vedom"), parent);
  s->setParent(w);  // the table closes with the window
  const std::pair<const char*, const char*> orders[] = {{"KEYCODEVED", "По коду"},    {"KEYCODEST", "По коду студента"},
                                                        {"KEYNAMEST", "По фамилии"},  {"KEYGR", "По коду группы"},
                                                        {"KEYNAMETEST", "По тесту"},  {"KEYCODEPRM", "По предмету"}};
  for (const auto& [key, label] : orders) w->addOrder(s->table.key(key), QString::fromUtf8(label));
  const struct {
    const char* name;
    const char* heading;
    int width;
  } cols[] = {{"CODEVED", "Код", 6},   {"CODEST", "Код Ст.", 7},     {"NAMESTUD", "Студент", 30},
              {"GR", "Группа", 10},     {"NAMETEMA", "Тест", 34},     {"CODEPREDMET", "Код предмета", 13},
              {"PREDMET", "Дисциплина", 20}};
  for (const auto& c : cols) w->addColumn({fieldOf(def, c.name), QString::fromUtf8(c.heading), c.width});
  w->setUpdateForm([s, w] { return std::make_unique<VedomForm>(s->table, s->rec, w); });
  using B = ui::BrowseWindow::Button;
  w->button(B::Insert)->hide();  // lines come from the Examiner only
  w->button(B::Close)->setText(QStringLiteral("Закрыть"));
  w->button(B::Help)->setText(QStringLiteral("Справка"));

  // "Очистить" beside the buttons, and its counters after a clean-up.
  auto* row = qobject_cast<QHBoxLayout*>(w->button(B::Close)->parentWidget()->layout());
  auto* clean = new QPushButton(QStringLiteral("Очистить"), w);
  clean->setObjectName(QStringLiteral("clean"));
  clean->setAutoDefault(false);
  clean->setToolTip(QStringLiteral("Удалить строки студентов, которых больше нет в справочнике или чье имя изменилось"));
  auto* counters = new QWidget(w);
  auto* cl = new QHBoxLayout(counters);
  cl->setContentsMargins(0, 0, 0, 0);
  auto* deleted = new QLabel(counters);
  deleted->setObjectName(QStringLiteral("deleted"));
  auto* read = new QLabel(counters);
  read->setObjectName(QStringLiteral("read"));
  cl->addWidget(deleted);
  cl->addWidget(read);
  counters->hide();
  if (row) {
    row->insertWidget(row->indexOf(w->button(B::Delete)) + 1, clean);
    row->insertWidget(row->indexOf(clean) + 1, counters);
  }
  QObject::connect(clean, &QPushButton::clicked, w, [inst, w, deleted, read, counters] {
    CleanUpCount count;
    const Outcome o = cleanGradeSheet(inst, askAboutLine, count);
    deleted->setText(QStringLiteral("Удаленных лишних записей: %1").arg(count.deleted));
    read->setText(QStringLiteral("Прочитано записей: %1").arg(count.read));
    counters->show();
    w->refresh();
    tell(o, QStringLiteral("Очистка ведомости"));
  });
  helpOnF1(w, procedure);
  ui::alertKey(w, QKeySequence(Qt::Key_F5), [w] { w->refresh(); });
  w->setAttribute(Qt::WA_DeleteOnClose);
  QObject::connect(w, &QDialog::finished, w, &QObject::deleteLater);
  w->resize(1040, 480);
  w->show();
  return w;
}

// ------------------------------------------------------------ class journal

ClassJournalWindow::ClassJournalWindow(const setup::Installation& inst, QWidget* parent) : QDialog(parent), inst_(inst) {
  const QString procedure = QString::fromLatin1(kClassJournal);
  setObjectName(procedure);
  setWindowTitle(QStringLiteral("Журнал успеваемости группы"));
  setWindowFlags(windowFlags() | Qt::WindowMaximizeButtonHint | Qt::WindowMinimizeButtonHint);
  pickExportFile = csvChooser(QStringLiteral("Экспорт журнала группы"));
  auto* outer = new QVBoxLayout(this);
  auto* top = new QHBoxLayout;
  top->addWidget(new QLabel(QStringLiteral("Группа"), this));
  group_ = new QComboBox(this);
  group_->setObjectName(QStringLiteral("group"));
  // The drop list shows each group with its course.
  auto* model = new QStandardItemModel(0, 2, group_);
  model->setHorizontalHeaderLabels({QStringLiteral("Наименование"), QStringLiteral("Курс")});
  group_->setModel(model);
  auto* view = new QTreeView(group_);
  view->setRootIsDecorated(false);
  view->setUniformRowHeights(true);
  group_->setView(view);
  group_->setMinimumContentsLength(20);
  std::vector<GroupRow> groups;
  tell(Contingent(inst_).groups(groups), windowTitle());
  for (const GroupRow& g : groups) {
    auto* name = new QStandardItem(q(g.name));
    name->setData(g.code, Qt::UserRole);
    model->appendRow({name, new QStandardItem(g.course ? QString::number(g.course) : QString())});
  }
  group_->setCurrentIndex(-1);
  top->addWidget(group_, 1);
  outer->addLayout(top);

  auto* body = new QHBoxLayout;
  auto* sbox = new QGroupBox(QStringLiteral("Фамилия, имя, отчество"), this);
  auto* sl = new QVBoxLayout(sbox);
  students_ = new QListWidget(sbox);
  students_->setObjectName(QStringLiteral("students"));
  sl->addWidget(students_);
  body->addWidget(sbox, 2);
  lines_ = new QTableWidget(0, 4, this);
  lines_->setObjectName(QStringLiteral("lines"));
  lines_->setHorizontalHeaderLabels({QStringLiteral("Тест"), QStringLiteral("Дата"), QStringLiteral("Результат"), QStringLiteral("Оценка")});
  lines_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  lines_->setSelectionBehavior(QAbstractItemView::SelectRows);
  lines_->verticalHeader()->hide();
  lines_->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
  lines_->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);
  body->addWidget(lines_, 3);
  outer->addLayout(body, 1);

  auto* row = new QHBoxLayout;
  row->addStretch(1);
  addButton(this, row, QStringLiteral("Экспорт"), [this] { exportCsv(); }, ui::letterIcon(QStringLiteral("CSV"), kBlue))
      ->setToolTip(QStringLiteral("Записать строки ведомости всех студентов группы в файл для электронной таблицы"));
  addButton(this, row, QStringLiteral("Справка"), [this, procedure] { ui::openHelp(procedure, this); }, ui::helpIcon());
  addButton(this, row, QStringLiteral("Закрыть"), [this] { reject(); });
  outer->addLayout(row);

  connect(group_, &QComboBox::currentIndexChanged, this, [this] { showGroup(); });
  connect(students_, &QListWidget::currentRowChanged, this, [this] { showStudent(); });
  helpOnF1(this, procedure);
  resize(860, 500);
}

bool ClassJournalWindow::chooseGroup(std::int32_t code) {
  const int i = group_->findData(code, Qt::UserRole);
  if (i < 0) return false;
  group_->setCurrentIndex(i);
  return true;
}

void ClassJournalWindow::showGroup() {
  students_->clear();
  shown_.clear();
  lines_->setRowCount(0);
  const int code = group_->currentData(Qt::UserRole).toInt();
  if (group_->currentIndex() < 0) return;
  // The students list shows this group next.
  setStudentGroupFilter(code);
  if (!tell(Contingent(inst_).students(code, shown_), windowTitle())) return;
  for (const StudentRow& s : shown_)
    students_->addItem(q(cp1251::toUtf8(common::examineeName(cp1251::fromUtf8(s.fam), cp1251::fromUtf8(s.name),
                                                             cp1251::fromUtf8(s.otche)))));
  if (!shown_.empty()) students_->setCurrentRow(0);
}

void ClassJournalWindow::showStudent() {
  lines_->setRowCount(0);
  const int r = students_->currentRow();
  if (r < 0 || r >= static_cast<int>(shown_.size())) return;
  std::vector<GradeLine> lines;
  if (!tell(studentGradeLines(inst_, shown_[static_cast<std::size_t>(r)].code, lines), windowTitle())) return;
  lines_->setRowCount(static_cast<int>(lines.size()));
  for (int i = 0; i < static_cast<int>(lines.size()); ++i) {
    const GradeLine& l = lines[static_cast<std::size_t>(i)];
    const QString cells[] = {q(l.test), monthDayYear(l.date),
                             (QString::number(l.ball) + QLatin1Char(' ') + q(l.resultText)).trimmed(),
                             l.mark ? QString::number(l.mark) : QString()};
    for (int c = 0; c < 4; ++c) {
      auto* it = new QTableWidgetItem(cells[c]);
      if (c == 0) it->setToolTip(cells[c]);
      lines_->setItem(i, c, it);
    }
  }
}

void ClassJournalWindow::exportCsv() {
  if (group_->currentIndex() < 0) return;
  std::vector<std::pair<std::string, std::vector<GradeLine>>> all;
  for (int r = 0; r < static_cast<int>(shown_.size()); ++r) {
    std::vector<GradeLine> lines;
    if (!tell(studentGradeLines(inst_, shown_[static_cast<std::size_t>(r)].code, lines), windowTitle())) return;
    all.emplace_back(students_->item(r)->text().toStdString(), std::move(lines));
  }
  writeExport(this, pickExportFile, gradeLinesCsv(group_->currentText().toStdString(), all), windowTitle());
}

// -------------------------------------------------------- exam sheet header

ExamSheetHeaderForm::ExamSheetHeaderForm(ExamSheetHeader& h, QWidget* parent) : QDialog(parent), h_(h) {
  setObjectName(QString::fromLatin1(kExamSheetHeader));
  setWindowTitle(QStringLiteral("Редактирование ведомости"));
  auto* outer = new QVBoxLayout(this);
  auto* form = new QFormLayout;
  const std::pair<QString, std::string*> rows[] = {{QStringLiteral("Факультет:"), &h.faculty},
                                                   {QStringLiteral("Семестр:"), &h.semester},
                                                   {QStringLiteral("Код специальности:"), &h.specialty},
                                                   {QStringLiteral("Курс:"), &h.course},
                                                   {QStringLiteral("Группа:"), &h.group},
                                                   {QStringLiteral("Дисциплина:"), &h.discipline}};
  for (const auto& [label, value] : rows) {
    auto* e = new QLineEdit(q(*value), this);
    e->setMinimumWidth(320);
    form->addRow(label, e);
    fields_.emplace_back(label, e);
  }
  outer->addLayout(form);
  outer->addWidget(ui::okCancel(this));
  helpOnF1(this, QString::fromLatin1(kExamSheetHeader));
}

QLineEdit* ExamSheetHeaderForm::field(const QString& label) const {
  for (const auto& [l, e] : fields_)
    if (l == label) return e;
  return nullptr;
}

void ExamSheetHeaderForm::accept() {
  std::string* values[] = {&h_.faculty, &h_.semester, &h_.specialty, &h_.course, &h_.group, &h_.discipline};
  for (std::size_t i = 0; i < fields_.size(); ++i) *values[i] = fields_[i].second->text().trimmed().toStdString();
  QDialog::accept();
}

// --------------------------------------------------------- exam sheet set-up

ExamSheetSetup::ExamSheetSetup(const setup::Installation& inst, std::string base, std::string journal, QWidget* parent)
    : QDialog(parent), inst_(inst), base_(std::move(base)), journal_(std::move(journal)) {
  const QString procedure = QString::fromLatin1(kExamSheetSetup);
  setObjectName(procedure);
  setWindowTitle(QStringLiteral("Зачетно-экзаменационная ведомость. Настройка."));
  pickExportFile = csvChooser(QStringLiteral("Экспорт ведомости"));
  auto* outer = new QVBoxLayout(this);

  auto* choice = new QGroupBox(QStringLiteral("Выбор отчетной группы"), this);
  auto* cg = new QGridLayout(choice);
  cg->addWidget(new QLabel(QStringLiteral("Группа:"), choice), 0, 0);
  group_ = new QComboBox(choice);
  group_->setObjectName(QStringLiteral("group"));
  cg->addWidget(group_, 0, 1);
  cg->addWidget(new QLabel(QStringLiteral("Тест:"), choice), 1, 0);
  test_ = new QComboBox(choice);
  test_->setObjectName(QStringLiteral("test"));
  test_->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
  test_->setMinimumContentsLength(40);
  cg->addWidget(test_, 1, 1);
  allTests_ = new QCheckBox(QStringLiteral("По всем тестам данной группы"), choice);
  cg->addWidget(allTests_, 2, 1);
  cg->addWidget(new QLabel(QStringLiteral("Дата тестирования:"), choice), 3, 0);
  date_ = new QComboBox(choice);
  date_->setObjectName(QStringLiteral("date"));
  cg->addWidget(date_, 3, 1);
  cg->setColumnStretch(1, 1);
  outer->addWidget(choice);

  auto* other = new QGroupBox(QStringLiteral("Другие сведения"), this);
  auto* og = new QGridLayout(other);
  og->addWidget(new QLabel(QStringLiteral("Фамилия И.О., должность преподавателя:"), other), 0, 0, 1, 3);
  teacher_ = new QLineEdit(other);
  teacher_->setObjectName(QStringLiteral("teacher"));
  og->addWidget(teacher_, 1, 0, 1, 2);
  auto* pick = new QPushButton(QStringLiteral("..."), other);
  pick->setAutoDefault(false);
  pick->setToolTip(QStringLiteral("Выбрать из справочника преподавателей"));
  og->addWidget(pick, 1, 2);
  og->addWidget(new QLabel(QStringLiteral("Семестр:"), other), 2, 0);
  semester_ = new QLineEdit(other);
  semester_->setObjectName(QStringLiteral("semester"));
  semester_->setMaxLength(2);
  semester_->setInputMask(QStringLiteral("09"));
  semester_->setMaximumWidth(60);
  og->addWidget(semester_, 2, 1, Qt::AlignLeft);
  og->addWidget(new QLabel(QStringLiteral("Дата проведения:"), other), 3, 0);
  examDate_ = new QLineEdit(other);
  examDate_->setObjectName(QStringLiteral("examDate"));
  examDate_->setMaxLength(30);
  og->addWidget(examDate_, 3, 1);
  auto* changeDate = new QPushButton(QStringLiteral("Изменить дату"), other);
  changeDate->setAutoDefault(false);
  og->addWidget(changeDate, 3, 2);
  og->setColumnStretch(1, 1);
  outer->addWidget(other);

  auto* hbox = new QGroupBox(QStringLiteral("Заголовок ведомости"), this);
  auto* hl = new QVBoxLayout(hbox);
  heading_ = new QPlainTextEdit(hbox);
  heading_->setObjectName(QStringLiteral("heading"));
  heading_->setFixedHeight(heading_->fontMetrics().height() * 4);
  hl->addWidget(heading_);
  outer->addWidget(hbox);
  std::string text;
  if (tell(readSheetHeading(inst_, text), windowTitle())) heading_->setPlainText(q(text));

  auto* row = new QHBoxLayout;
  row->addStretch(1);
  addButton(this, row, QStringLiteral("Формирование"), [this] { makeSheet(); }, ui::letterIcon(QStringLiteral("П"), kBlue))
      ->setObjectName(QStringLiteral("make"));
  addButton(this, row, QStringLiteral("Экспорт"), [this] { exportCsv(); }, ui::letterIcon(QStringLiteral("CSV"), kBlue));
  addButton(this, row, QStringLiteral("Отмена"), [this] { reject(); });
  addButton(this, row, QStringLiteral("Справка"), [this, procedure] { ui::openHelp(procedure, this); }, ui::helpIcon());
  outer->addLayout(row);

  connect(group_, &QComboBox::currentIndexChanged, this, [this] { fillTests(); });
  connect(test_, &QComboBox::currentIndexChanged, this, [this] { fillDates(); });
  connect(allTests_, &QCheckBox::toggled, this, [this](bool on) {
    test_->setEnabled(!on);
    date_->setEnabled(!on);
  });
  connect(pick, &QPushButton::clicked, this, [this] { chooseTeacher(); });
  connect(teacher_, &QLineEdit::editingFinished, this, [this] { checkTeacher(); });
  connect(changeDate, &QPushButton::clicked, this, [this] { this->changeDate(); });
  helpOnF1(this, procedure);
  fillGroups();
}

void ExamSheetSetup::fillGroups() {
  // The journal is read once; a change of group or test fills the lists
  // below it from what was read.
  QSignalBlocker quiet(group_);
  group_->clear();
  if (tell(examSheetLists(base_, journal_, lists_), windowTitle()))
    for (const std::string& g : lists_.groups) group_->addItem(q(g));
  fillTests();
}

void ExamSheetSetup::fillTests() {
  QSignalBlocker quiet(test_);
  test_->clear();
  for (const std::string& t : lists_.testsOf(group_->currentText().toStdString())) test_->addItem(q(t));
  fillDates();
}

void ExamSheetSetup::fillDates() {
  date_->clear();
  for (std::int32_t d : lists_.datesOf(group_->currentText().toStdString(), test_->currentText().toStdString()))
    date_->addItem(q(picture::shortDate(d)), d);
}

void ExamSheetSetup::chooseTeacher() {
  if (auto c = common::chooseFromDictionary(common::Dictionary::Authors, inst_, this)) teacher_->setText(c->name);
}

void ExamSheetSetup::checkTeacher() {
  if (checking_) return;
  const QString typed = teacher_->text().trimmed();
  if (typed.isEmpty()) return;
  for (const common::Entry& e : dictionaryEntries(inst_, common::Dictionary::Authors))
    if (q(e.name).trimmed() == typed) return;
  // Not a teacher of the list: the list is offered, and the field is
  // kept until one is chosen.
  checking_ = true;
  auto c = common::chooseFromDictionary(common::Dictionary::Authors, inst_, this);
  if (c) teacher_->setText(c->name);
  else teacher_->setFocus();
  checking_ = false;
}

void ExamSheetSetup::changeDate() {
  if (auto d = ui::pickDate(this, datetime::today())) examDate_->setText(q(picture::shortDate(*d)));
}

bool ExamSheetSetup::build() {
  ExamSheetChoice c;
  c.group = group_->currentText().toStdString();
  c.test = test_->currentText().toStdString();
  c.allTests = allTests_->isChecked();
  c.date = date_->currentData().toInt();
  if (!tell(buildExamSheet(inst_, base_, journal_, c, sheet_), windowTitle())) return false;
  if (sheet_.empty()) {
    ms().ask(QStringLiteral("Нет записей по этим критериям"), QStringLiteral("Стоп"), messages::Buttons::Ok,
             messages::Icon::Stop);
    return false;
  }
  ExamSheetHeader& h = sheet_.header;
  h.teacher = teacher_->text().trimmed().toStdString();
  h.semester = semester_->text().trimmed().toStdString();
  const QString when = examDate_->text().trimmed();
  h.examDate = when.isEmpty() ? std::string() : (when + QStringLiteral(" г.")).toStdString();
  return true;
}

bool ExamSheetSetup::prepare() {
  if (!build()) return false;
  if (!tell(writeSheetHeading(inst_, heading_->toPlainText().toStdString()), windowTitle())) return false;
  // The same sheet again (a print, then its export) takes the heading as it
  // was last edited.
  const ExamSheetHeader prefilled = sheet_.header;
  if (edited_ && edited_->first == prefilled) sheet_.header = edited_->second;
  ExamSheetHeaderForm edit(sheet_.header, this);
  if (edit.exec() != QDialog::Accepted) return false;
  edited_.emplace(prefilled, sheet_.header);
  return true;
}

bool ExamSheetSetup::makeSheet() {
  if (!prepare()) return false;
  report_ = examSheetReport(sheet_, heading_->toPlainText());
  ui::Previewer preview(*report_, this);
  preview.exec();
  return true;
}

void ExamSheetSetup::exportCsv() {
  // What the report prints: the edited header and the heading above it.
  if (prepare()) writeExport(this, pickExportFile, examSheetCsv(sheet_, heading_->toPlainText().toStdString()), windowTitle());
}

std::unique_ptr<ui::Report> examSheetReport(const ExamSheet& s, const QString& heading) {
  auto r = std::make_unique<ui::Report>(QStringLiteral("Зачетно-экзаменационная ведомость"));
  const ExamSheetHeader& h = s.header;
  const double w = r->area().width();
  const Qt::Alignment left = Qt::AlignLeft, right = Qt::AlignRight, centre = Qt::AlignHCenter;
  if (!heading.trimmed().isEmpty()) r->addText(heading.trimmed(), 12, true, Qt::AlignHCenter);
  r->addSpace(6);
  // Label, value; the value underlined as on the paper form.
  auto line = [&](std::vector<std::pair<QString, QString>> parts) {
    std::vector<double> widths;
    QStringList texts;
    std::vector<Qt::Alignment> align;
    const double share = w / static_cast<double>(parts.size());
    for (const auto& [label, value] : parts) {
      const double lw = std::min(share * 0.6, QFontMetricsF(r->font(9)).horizontalAdvance(label) + 8);
      widths.push_back(lw);
      widths.push_back(share - lw);
      texts << label << value;
      align.push_back(left);
      align.push_back(left);
    }
    r->addRow(widths, texts, 9, false, align);
  };
  line({{QStringLiteral("Факультет"), q(h.faculty)}, {QStringLiteral("Семестр"), q(h.semester)}});
  line({{QStringLiteral("группа"), q(h.group)}, {QStringLiteral("Специальность (код)"), q(h.specialty)},
        {QStringLiteral("курс"), q(h.course)}});
  line({{QStringLiteral("Дисциплина"), q(h.discipline)}});
  line({{QStringLiteral("Название теста:"), q(h.test)}});
  line({{QStringLiteral("Фамилия И.О., должность преподавателя"), q(h.teacher)}});
  line({{QStringLiteral("Дата проведения зачета, экзамена (подчеркнуть):"), q(h.examDate)}});
  r->addSpace(8);

  const std::vector<double> widths = {26, w * 0.34, w * 0.12, w * 0.14, w * 0.14, w - 26 - w * 0.74};
  const std::vector<Qt::Alignment> align = {right, left, left, centre, centre, centre};
  r->addRow(widths,
            {QStringLiteral("№"), QStringLiteral("Фамилия, имя и\nотчество"), QStringLiteral("Шифр"),
             QStringLiteral("Отметка о\nсдаче зачета"), QStringLiteral("Экзаменаци-\nонная отметка"),
             QStringLiteral("Подпись\nэкзаменатора\nпреподавателя")},
            8, true, {centre, centre, centre, centre, centre, centre}, true);
  int n = 0;
  for (const ExamSheetRow& row : s.rows) {
    const QString mark = row.absent() ? QStringLiteral("не явился") : QString::number(row.mark);
    r->addRow(widths, {QString::number(++n), q(row.name), q(row.recordBook), QString(), mark, QString()}, 9, false, align, true);
  }
  r->addSpace(10);
  const std::vector<double> count = {w * 0.7, w * 0.3};
  r->addRow(count, {QStringLiteral("Число студентов на экзамене (зачете)"), QString::number(s.present)}, 9);
  const char* grades[] = {"отлично", "хорошо", "удовлетворительно", "неудовлетворительно"};
  for (int i = 0; i < 4; ++i)
    r->addRow(count,
              {(i == 0 ? QStringLiteral("Из них: получивших ") : QStringLiteral("получивших ")) + QLatin1Char('"') +
                   QString::fromUtf8(grades[i]) + QLatin1Char('"'),
               QString::number(s.byMark[static_cast<std::size_t>(i)])},
              9);
  r->addRow(count, {QStringLiteral("Число студентов, не явившихся на экзамен (зачет)"), QString::number(s.absent)}, 9);
  // Filled in by hand: who was not admitted is not in the results.
  r->addRow(count, {QStringLiteral("Число студентов, не допущенных к экзамену (зачету)"), QStringLiteral("______")}, 9);
  r->addSpace(14);
  r->addText(QStringLiteral("ДЕКАН ФАКУЛЬТЕТА ______________________________________"), 10);
  r->addSpace(8);
  r->addText(QStringLiteral("Подпись экзаменатора _____________________________________"), 10);
  const QFont foot = r->font(8);
  r->setPageFooter(16, [foot](QPainter& p, const QRectF& area, int page, int) {
    p.setFont(foot);
    p.drawText(area, Qt::AlignLeft | Qt::AlignBottom, QStringLiteral("Система компьютерного тестирования Ормида 2.0"));
    p.drawText(area, Qt::AlignRight | Qt::AlignBottom, QStringLiteral("Лист %1").arg(page));
  });
  return r;
}

QWidget* openExamSheetSetup(const setup::Installation& inst, const std::string& base, const std::string& journal,
                            QWidget* parent) {
  auto* w = new ExamSheetSetup(inst, base, journal, parent);
  w->setAttribute(Qt::WA_DeleteOnClose);
  QObject::connect(w, &QDialog::finished, w, &QObject::deleteLater);
  w->show();
  return w;
}

// ------------------------------------------------------------------ openers

QWidget* AdministratorApp::openClassJournal() {
  auto* w = new ClassJournalWindow(inst_, frame_.get());
  showExclusive(w);
  return w;
}

QWidget* AdministratorApp::openGradeSheet() { return openVedomBrowse(inst_, frame_.get()); }

}  // namespace administrator
