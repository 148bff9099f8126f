#include "contingent_forms.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShortcut>
#include <QTabBar>
#include <QTabWidget>
#include <QVBoxLayout>

#include "browse.h"
#include "icons.h"
#include "record_format.h"
#include "services.h"
#include "window_tools.h"

namespace administrator {
namespace {

auto& ms() { return ui::MessageService::instance(); }

int fieldOf(const store::TableDef& def, const char* name) { return def.fieldIndex(name); }

void refuse(const QString& text, const QString& caption, QWidget* focus = nullptr) {
  ms().ask(text, caption, messages::Buttons::Ok, messages::Icon::Exclamation);
  if (focus) focus->setFocus();
}

void fillCodes(QComboBox* box, const std::vector<common::Entry>& entries) {
  box->addItem(QString(), 0);  // none chosen
  for (const auto& e : entries)
    box->addItem(e.name.empty() ? QString::number(e.code) : QString::fromStdString(e.name), e.code);
}

// A code the list does not hold (its entry is gone) is kept as it is.
void showCode(QComboBox* box, int code) {
  int i = box->findData(code);
  if (i < 0) {
    box->addItem(QStringLiteral("(код %1)").arg(code), code);
    i = box->count() - 1;
  }
  box->setCurrentIndex(i);
}

QString groupText(const GroupRow& g) { return QStringLiteral("%1 (%2)").arg(QString::fromStdString(g.name)).arg(g.code); }

// A text typed for a record field: fits the field in code page 1251.
bool fitsField(const QString& text, std::size_t width, const QString& label, QLineEdit* e, const QString& caption) {
  std::string why;
  if (recordText(text.toStdString(), width, &why)) return true;
  refuse(QStringLiteral("%1 %2.").arg(label, QString::fromStdString(why)), caption, e);
  return false;
}

// Entries of the student's grade sheets: only changed or deleted here.
class GradeForm : public ui::UpdateForm {
 public:
  GradeForm(store::Table& t, tables::Vedom& rec, QWidget* parent)
      : UpdateForm(t, &rec, QString::fromLatin1(kGradeForm), QStringLiteral("Ведомость"), QStringLiteral("Ведомость"), parent) {
    const auto& def = tables::vedomDef();
    addField({fieldOf(def, "NAMETEMA"), QStringLiteral("Тест:"), {}, ui::FormField::Line, true});
    addField({fieldOf(def, "PREDMET"), QStringLiteral("Дисциплина:"), {}, ui::FormField::Line, true});
    addField({fieldOf(def, "DATE"), QStringLiteral("Дата:"), ui::Format::date()});
    addField({fieldOf(def, "REZTEXT"), QStringLiteral("Рез-т:")});
    addField({fieldOf(def, "OTMETKA"), QStringLiteral("Oценка:")});
    addField({fieldOf(def, "BALL"), QStringLiteral("Балл:")});
    helpOnF1(this, QString::fromLatin1(kGradeForm));
  }

 protected:
  bool mayRun(ui::Request r) override { return r != ui::Insert; }
};

}  // namespace

void helpButton(ui::UpdateForm* f, const QString& procedure) {
  auto* box = f->findChild<QDialogButtonBox*>(QString(), Qt::FindDirectChildrenOnly);
  if (!box) return;
  QPushButton* b = box->addButton(QStringLiteral("Справка"), QDialogButtonBox::HelpRole);
  b->setAutoDefault(false);
  QObject::connect(b, &QPushButton::clicked, f, [f, procedure] { ui::openHelp(procedure, f); });
}

void helpOnF1(QWidget* w, const QString& procedure) {
  auto* f1 = new QShortcut(QKeySequence(Qt::Key_F1), w);
  f1->setContext(Qt::WindowShortcut);
  QObject::connect(f1, &QShortcut::activated, w, [w, procedure] { ui::openHelp(procedure, w); });
}

bool tell(const Outcome& o, const QString& caption) {
  if (o) return true;
  refuse(QString::fromStdString(o.message), caption);
  return false;
}

std::vector<common::Entry> dictionaryEntries(const setup::Installation& inst, common::Dictionary d) {
  std::vector<common::Entry> out;
  const auto& t = common::tableOf(d);
  auto buf = t.def->makeBuffer();
  store::Table table(*t.def, buf.get(), inst.central(t.file));
  setup::TableOpener opener(ms());
  if (opener.open(table) != store::Ok) return out;
  if (common::readEntries(table, buf.get(), d, out) != store::Ok) {
    store::ErrorInfo e = table.error();
    messages::Args a = messages::argsOf(e);
    a.name = table.name();
    messages::Procedure(ms()).show(35, a, &e);
  }
  opener.close(table);
  return out;
}

// ------------------------------------------------------------------ groups

GroupForm::GroupForm(store::Table& t, tables::Group& rec, const setup::Installation& inst, QWidget* parent)
    : UpdateForm(t, &rec, QString::fromLatin1(kGroupForm), QStringLiteral("Update the Group File"),
                 QStringLiteral("Update the Group File"), parent),
      rec_(rec),
      inst_(inst) {
  code_ = new QLineEdit(this);
  code_->setObjectName(QStringLiteral("CODEGR"));
  code_->setValidator(new QIntValidator(1, 2147483647, code_));
  code_->setAlignment(Qt::AlignRight);
  code_->setMaximumWidth(120);
  course_ = new QComboBox(this);
  course_->setObjectName(QStringLiteral("CODEKURS"));
  fillCodes(course_, dictionaryEntries(inst, common::Dictionary::Courses));
  faculty_ = new QComboBox(this);
  faculty_->setObjectName(QStringLiteral("CODEFAK"));
  fillCodes(faculty_, dictionaryEntries(inst, common::Dictionary::Faculties));
  name_ = new QLineEdit(this);
  name_->setObjectName(QStringLiteral("NAME"));
  name_->setMaxLength(30);
  name_->setMinimumWidth(name_->fontMetrics().averageCharWidth() * 34);
  spec_ = new QLineEdit(this);
  spec_->setObjectName(QStringLiteral("KODSPES"));
  spec_->setMaxLength(20);
  fields()->addRow(QStringLiteral("Код группы:"), code_);
  fields()->addRow(QStringLiteral("Курс:"), course_);
  fields()->addRow(QStringLiteral("Факультет:"), faculty_);
  fields()->addRow(QStringLiteral("Название группы:"), name_);
  fields()->addRow(QStringLiteral("Код специальности:"), spec_);
  helpButton(this, QString::fromLatin1(kGroupForm));
  helpOnF1(this, QString::fromLatin1(kGroupForm));
}

bool GroupForm::mayRun(ui::Request r) {
  if (r != ui::Delete) return true;
  if (table().reget(position()) != store::Ok) return true;  // the form reports what failed
  return tell(Contingent(inst_).groupDeletable(rec_.CODEGR), QStringLiteral("Удаление группы"));
}

void GroupForm::loadControls() {
  code_->setText(QString::number(rec_.CODEGR));
  // Students and grade sheets hold the group's code: it is given once.
  code_->setReadOnly(request() == ui::Change);
  code_->setToolTip(request() == ui::Change ? QStringLiteral("Код группы не меняется: по нему найдены её студенты") : QString());
  showCode(course_, rec_.CODEKURS);
  showCode(faculty_, rec_.CODEFAK);
  name_->setText(ui::fromRecord(rec_.NAME.view()));
  spec_->setText(ui::fromRecord(rec_.KODSPES.view()));
  loaded_ = rec_;
}

bool GroupForm::saveControls() {
  if (written_) {
    // accept() wrote the change: the standard completion finds the record
    // as the form read it and writes nothing more.
    rec_ = loaded_;
    return true;
  }
  const QString caption = windowTitle();
  bool ok = false;
  const long long code = code_->text().trimmed().toLongLong(&ok);
  if (!ok || code < 1 || code > 2147483647) {
    refuse(QStringLiteral("Код группы должен быть целым числом больше нуля."), caption, code_);
    return false;
  }
  if (name_->text().trimmed().isEmpty()) {
    refuse(QStringLiteral("Не указано название группы."), caption, name_);
    return false;
  }
  if (!fitsField(name_->text(), 30, QStringLiteral("Название группы:"), name_, caption) ||
      !fitsField(spec_->text(), 20, QStringLiteral("Код специальности:"), spec_, caption))
    return false;
  rec_.CODEGR = static_cast<std::int32_t>(code);
  rec_.NAME = ui::toRecord(name_->text().trimmed());
  rec_.KODSPES = ui::toRecord(spec_->text().trimmed());
  rec_.CODEFAK = static_cast<std::uint8_t>(faculty_->currentData().toInt());
  rec_.CODEKURS = static_cast<std::uint8_t>(course_->currentData().toInt());
  return true;
}

void GroupForm::accept() {
  if (request() != ui::Change) {
    ui::UpdateForm::accept();
    return;
  }
  if (!saveControls()) return;
  const tables::Group now = rec_;
  if (!tables::groupDef().sameValues(&now, &loaded_)) {
    // The group's students carry its name: the record and their names are
    // written together by the contingent, or not at all.
    if (!tell(Contingent(inst_).changeGroup(loaded_, now), windowTitle())) return;
    written_ = true;
  }
  ui::UpdateForm::accept();
  written_ = false;
  rec_ = now;
}

// ---------------------------------------------------------------- students

StudentForm::StudentForm(store::Table& t, tables::Student& rec, const setup::Installation& inst, std::int32_t group,
                         QWidget* parent)
    : UpdateForm(t, &rec, QString::fromLatin1(kStudentForm), QStringLiteral("Update the Student File"),
                 QStringLiteral("Update the Student File"), parent),
      rec_(rec),
      inst_(inst),
      defaultGroup_(group) {
  const auto& def = tables::studentDef();
  tell(Contingent(inst).groups(groups_), QStringLiteral("Группы"));

  // The form's own rows become the page "Общий".
  auto* outer = static_cast<QVBoxLayout*>(layout());
  auto* tabs = new QTabWidget(this);
  auto* general = new QWidget(tabs);
  auto* gl = new QVBoxLayout(general);
  outer->removeItem(fields());
  fields()->setParent(nullptr);
  gl->addLayout(fields());
  gl->addStretch(1);
  tabs->addTab(general, QStringLiteral("Общий"));
  outer->insertWidget(0, tabs, 1);

  auto line = [&](const char* name, QWidget* parentWidget) {
    auto* e = new QLineEdit(parentWidget);
    const int f = fieldOf(def, name);
    e->setObjectName(QString::fromLatin1(name));
    const auto& fd = def.fields[static_cast<std::size_t>(f)];
    if (fd.type == store::FieldType::String) e->setMaxLength(fd.width);
    e->setMinimumWidth(e->fontMetrics().averageCharWidth() * (std::min(fd.width, 40) + 2));
    return e;
  };
  auto bind = [&](const char* name, QLineEdit* e, const QString& label, bool date = false) {
    bound_.push_back({fieldOf(def, name), e, label, date});
  };

  auto* idRow = new QHBoxLayout;
  numid_ = line("NUMID", general);
  numid_->setMaximumWidth(numid_->fontMetrics().averageCharWidth() * 16);
  generate_ = new QPushButton(QStringLiteral("Сгенерировать"), general);
  generate_->setToolTip(QStringLiteral("Пароль для тестирования (идентификации)"));
  generate_->setAutoDefault(false);
  idRow->addWidget(numid_);
  idRow->addWidget(generate_);
  idRow->addStretch(1);
  fields()->addRow(QStringLiteral("Идентификационный номер:"), idRow);
  bind("NUMID", numid_, QStringLiteral("Идентификационный номер:"));
  code_ = new QLineEdit(general);
  code_->setObjectName(QStringLiteral("CODEST"));
  code_->setReadOnly(true);
  code_->setAlignment(Qt::AlignRight);
  code_->setMaximumWidth(120);
  fields()->addRow(QStringLiteral("Код студента:"), code_);
  course_ = new QComboBox(general);
  course_->setObjectName(QStringLiteral("CODEKURS"));
  fillCodes(course_, dictionaryEntries(inst, common::Dictionary::Courses));
  fields()->addRow(QStringLiteral("Курс:"), course_);
  auto* groupRow = new QHBoxLayout;
  group_ = new QComboBox(general);
  group_->setObjectName(QStringLiteral("CODEGR"));
  group_->addItem(QString(), 0);
  for (const GroupRow& g : groups_) group_->addItem(groupText(g), g.code);
  auto* pick = new QPushButton(QStringLiteral("..."), general);
  pick->setToolTip(QStringLiteral("Выбор записи файла Group"));
  pick->setAutoDefault(false);
  pick->setMaximumWidth(40);
  groupRow->addWidget(group_, 1);
  groupRow->addWidget(pick);
  fields()->addRow(QStringLiteral("Группа:"), groupRow);
  const std::pair<const char*, const char*> names[] = {
      {"ZACHBOOK", "№ зачетной книжки:"}, {"FAM", "Фамилия:"}, {"NAME", "Имя:"}, {"OTCHE", "Отчество:"}};
  for (const auto& [name, label] : names) {
    QLineEdit* e = line(name, general);
    fields()->addRow(QString::fromUtf8(label), e);
    bind(name, e, QString::fromUtf8(label));
  }

  auto* passport = new QWidget(tabs);
  auto* pl = new QVBoxLayout(passport);
  auto* pf = new QFormLayout;
  pf->setLabelAlignment(Qt::AlignRight | Qt::AlignVCenter);
  const std::pair<const char*, const char*> papers[] = {{"PASSER", "Серия:"}, {"PASNUM", "Номер:"}, {"DATE", "Дата:"}, {"WHY", "Кем выдан:"}};
  for (const auto& [name, label] : papers) {
    QLineEdit* e = line(name, passport);
    const bool date = std::string_view(name) == "DATE";
    if (date) {
      e->setPlaceholderText(QStringLiteral("дд.мм.гггг"));
      e->setMaximumWidth(e->fontMetrics().averageCharWidth() * 14);
    }
    pf->addRow(QString::fromUtf8(label), e);
    bind(name, e, QString::fromUtf8(label), date);
  }
  pl->addLayout(pf);
  pl->addStretch(1);
  tabs->addTab(passport, QStringLiteral("Паспорт"));

  auto* grades = new QWidget(tabs);
  auto* vl = new QVBoxLayout(grades);
  vedom_ = new OpenTable<tables::Vedom>(tables::vedomDef(), inst.central(tables::files::Vedom), this);
  if (vedom_->open()) {
    const auto& vd = tables::vedomDef();
    grades_ = new ui::BrowseWindow(vedom_->table, &vedom_->rec, QStringLiteral("BrowseVedStud"), {}, grades);
    grades_->setEmbedded(true);
    grades_->setGroupTitle(QString());
    grades_->addOrder(vedom_->table.key("KEYCODEST"), QStringLiteral("По студенту"));
    const struct {
      const char* name;
      const char* heading;
      int width;
      ui::Format format;
    } cols[] = {{"NAMESTUD", "Студент", 18, {}}, {"NAMETEMA", "Тест", 22, {}},      {"DATE", "Дата", 10, ui::Format::date()},
                {"REZTEXT", "Рез-т", 8, {}},     {"OTMETKA", "Oценка", 6, {}},      {"PREDMET", "Дисциплина", 16, {}},
                {"BALL", "Балл", 5, {}}};
    for (const auto& c : cols) grades_->addColumn({fieldOf(vd, c.name), QString::fromUtf8(c.heading), c.width, c.format});
    grades_->setRecordFilter([this] { return shownStudent_ != 0 && vedom_->rec.CODEST == shownStudent_; });
    grades_->setUpdateForm([this] { return std::make_unique<GradeForm>(vedom_->table, vedom_->rec, this); });
    vl->addWidget(grades_, 1);
    auto* row = new QHBoxLayout;
    auto* change = new QPushButton(QStringLiteral("&Изменить"), grades);
    auto* remove = new QPushButton(QStringLiteral("&Удалить"), grades);
    for (auto* b : {change, remove}) {
      b->setAutoDefault(false);
      row->addWidget(b);
    }
    row->addStretch(1);
    vl->addLayout(row);
    connect(change, &QPushButton::clicked, grades_, &ui::BrowseWindow::changeRecord);
    connect(remove, &QPushButton::clicked, grades_, &ui::BrowseWindow::deleteRecord);
  } else {
    vl->addWidget(new QLabel(QStringLiteral("Ведомости не открываются."), grades));
  }
  tabs->addTab(grades, QStringLiteral("Успеваемость"));

  connect(generate_, &QPushButton::clicked, this, &StudentForm::generateNumid);
  connect(pick, &QPushButton::clicked, this, &StudentForm::chooseGroupFromList);
  connect(group_, &QComboBox::activated, this, [this](int) { setGroup(group_->currentData().toInt()); });
  helpButton(this, QString::fromLatin1(kStudentForm));
  helpOnF1(this, QString::fromLatin1(kStudentForm));
  resize(760, 460);
}

QLineEdit* StudentForm::field(const char* name) const { return findChild<QLineEdit*>(QString::fromLatin1(name)); }

void StudentForm::beforeAutonumberedAdd(long long code) {
  // A new student starts in the group it is added to, with its course and
  // its identification number.
  for (const GroupRow& g : groups_)
    if (g.code == defaultGroup_) {
      rec_.CODEGR = g.code;
      rec_.NAMEGR = ui::toRecord(QString::fromStdString(g.name));
      rec_.CODEKURS = static_cast<std::uint8_t>(g.course);
      if (auto id = administrator::numid(g.code, static_cast<std::int32_t>(code))) rec_.NUMID = *id;
    }
}

void StudentForm::loadControls() {
  const auto& def = tables::studentDef();
  for (const Bound& b : bound_)
    b.edit->setText(b.date && rec_.DATE.day == 0 ? QString() : ui::fieldText(def, &rec_, b.field, b.date ? ui::Format::date() : ui::Format{}));
  code_->setText(QString::number(rec_.CODEST));
  showCode(course_, rec_.CODEKURS);
  showCode(group_, rec_.CODEGR);
  shownStudent_ = rec_.CODEST;
  if (grades_) grades_->refresh();
}

bool StudentForm::saveControls() {
  const auto& def = tables::studentDef();
  const QString caption = windowTitle();
  for (const Bound& b : bound_) {
    const auto& fd = def.fields[static_cast<std::size_t>(b.field)];
    if (!b.date && !fitsField(b.edit->text(), static_cast<std::size_t>(fd.width), b.label, b.edit, caption)) return false;
  }
  if (field("FAM")->text().trimmed().isEmpty()) {
    refuse(QStringLiteral("Не указана фамилия студента."), caption, field("FAM"));
    return false;
  }
  const int group = group_->currentData().toInt();
  const auto g = std::find_if(groups_.begin(), groups_.end(), [&](const GroupRow& r) { return r.code == group; });
  if (group == 0 || (g == groups_.end() && group != rec_.CODEGR)) {
    refuse(QStringLiteral("Выберите группу студента."), caption, group_);
    return false;
  }
  tables::Student was = rec_;
  for (const Bound& b : bound_) {
    if (!ui::setFieldText(def, &rec_, b.field, b.edit->text().trimmed(), b.date ? ui::Format::date() : ui::Format{})) {
      rec_ = was;
      refuse(QStringLiteral("Недопустимое значение поля \"%1\".").arg(b.label), caption, b.edit);
      return false;
    }
  }
  if (g != groups_.end()) {
    rec_.CODEGR = g->code;
    rec_.NAMEGR = ui::toRecord(QString::fromStdString(g->name));
  }
  rec_.CODEKURS = static_cast<std::uint8_t>(course_->currentData().toInt());
  // A new student added before its group was chosen has no number yet: it
  // gets the one "Сгенерировать" gives, now that the group is known.
  if (request() == ui::Insert && rec_.NUMID.blank()) {
    std::string why;
    auto id = administrator::numid(rec_.CODEGR, rec_.CODEST, &why);
    if (!id) {
      rec_ = was;
      refuse(QString::fromStdString(why), caption, numid_);
      return false;
    }
    rec_.NUMID = *id;
  }
  return true;
}

void StudentForm::generateNumid() {
  std::string why;
  if (auto id = administrator::numid(group_->currentData().toInt(), code_->text().toInt(), &why))
    numid_->setText(QString::fromStdString(*id));
  else
    refuse(QString::fromStdString(why), windowTitle(), group_);
}

void StudentForm::chooseGroupFromList() {
  if (auto g = chooseGroup(inst_, this)) {
    if (group_->findData(g->code) < 0) {
      groups_.push_back(*g);
      group_->addItem(groupText(*g), g->code);
    }
    setGroup(g->code);
  }
}

void StudentForm::setGroup(std::int32_t code) {
  showCode(group_, code);
  for (const GroupRow& g : groups_)
    if (g.code == code) showCode(course_, g.course);
}

// ------------------------------------------------------------------- lists

namespace {

void listWindow(ui::BrowseWindow* w, QObject* session, const QString& procedure) {
  session->setParent(w);  // the table closes with the window
  using B = ui::BrowseWindow::Button;
  w->button(B::Close)->setText(QStringLiteral("Закрыть"));
  w->button(B::Help)->setText(QStringLiteral("Справка"));
  helpOnF1(w, procedure);
  ui::alertKey(w, QKeySequence(Qt::Key_F5), [w] { w->refresh(); });
  w->setAttribute(Qt::WA_DeleteOnClose);
  QObject::connect(w, &QDialog::finished, w, &QObject::deleteLater);
}

}  // namespace

ui::BrowseWindow* openGroupList(const setup::Installation& inst, QWidget* parent) {
  auto* s = new OpenTable<tables::Group>(tables::groupDef(), inst.central(tables::files::Group), nullptr);
  if (!s->open()) {
    delete s;
    return nullptr;
  }
  const auto& def = tables::groupDef();
  auto* w = new ui::BrowseWindow(s->table, &s->rec, QString::fromLatin1(kGroupBrowse), QStringLiteral("Просмотр файла Group"), parent);
  w->addOrder(s->table.key("KEYCODEGR"), QStringLiteral("По группам"));
  w->addOrder(s->table.key("KEYFAK"), QStringLiteral("По факультетам"));
  w->addOrder(s->table.key("KEYCODEKURS"), QStringLiteral("По курсам"));
  w->addOrder(s->table.key("KEYNAME"), QStringLiteral("По названию группы"));
  w->addColumn({fieldOf(def, "CODEGR"), QStringLiteral("Код группы"), 10});
  w->addColumn({fieldOf(def, "NAME"), QStringLiteral("Название группы"), 30});
  w->addColumn({fieldOf(def, "CODEFAK"), QStringLiteral("Код факультета"), 14});
  w->addColumn({fieldOf(def, "CODEKURS"), QStringLiteral("Код курса"), 10});
  w->setUpdateForm([s, inst, w] { return std::make_unique<GroupForm>(s->table, s->rec, inst, w); });
  listWindow(w, s, QString::fromLatin1(kGroupBrowse));
  w->resize(620, 440);
  w->show();
  return w;
}

ui::BrowseWindow* openStudentList(const setup::Installation& inst, QWidget* parent) {
  auto* s = new OpenTable<tables::Student>(tables::studentDef(), inst.central(tables::files::Student), nullptr);
  if (!s->open()) {
    delete s;
    return nullptr;
  }
  const auto& def = tables::studentDef();
  auto* w = new ui::BrowseWindow(s->table, &s->rec, QString::fromLatin1(kStudentBrowse), QStringLiteral("Просмотр файла Student"), parent);
  w->addOrder(s->table.key("KEYKODST"), QStringLiteral("По порядку"));
  w->addOrder(s->table.key("KEYKODGR"), QStringLiteral("По группам"));
  w->addOrder(s->table.key("KEYFAM"), QStringLiteral("По фамилиям"));
  w->addOrder(s->table.key("KEYKURS"), QStringLiteral("По курсам"));
  const std::pair<const char*, std::pair<const char*, int>> cols[] = {
      {"CODEST", {"Код", 6}},       {"FAM", {"Фамилия", 16}},  {"NAME", {"Имя", 12}},        {"OTCHE", {"Отчество", 14}},
      {"CODEKURS", {"Код курса", 9}}, {"NAMEGR", {"Группа", 12}}, {"NUMID", {"ID Номер", 10}}};
  for (const auto& [name, head] : cols) w->addColumn({fieldOf(def, name), QString::fromUtf8(head.first), head.second});

  // "По группам" lists the students of the group chosen above the list.
  auto* bar = new QWidget(w);
  auto* bl = new QHBoxLayout(bar);
  bl->setContentsMargins(0, 0, 0, 0);
  auto* choice = new QComboBox(bar);
  choice->setObjectName(QStringLiteral("SelectGroup"));
  choice->addItem(QStringLiteral("(все группы)"), 0);
  std::vector<GroupRow> groups;
  tell(Contingent(inst).groups(groups), QStringLiteral("Группы"));
  for (const GroupRow& g : groups) choice->addItem(groupText(g), g.code);
  if (const int at = choice->findData(studentGroupFilter()); at >= 0) choice->setCurrentIndex(at);
  bl->addWidget(new QLabel(QStringLiteral("Группа:"), bar));
  bl->addWidget(choice, 1);
  bar->hide();
  static_cast<QVBoxLayout*>(w->layout())->insertWidget(1, bar);
  auto chosen = [w, choice] { return w->order() == 1 ? choice->currentData().toInt() : 0; };
  w->setRecordFilter([s, chosen] {
    const int g = chosen();
    return g == 0 || s->rec.CODEGR == g;
  });
  QObject::connect(choice, &QComboBox::currentIndexChanged, w, [w, choice] {
    setStudentGroupFilter(choice->currentData().toInt());
    w->refresh();
  });
  if (auto* tabs = w->findChild<QTabBar*>())
    QObject::connect(tabs, &QTabBar::currentChanged, bar, [bar](int i) { bar->setVisible(i == 1); });
  w->setUpdateForm([s, inst, w, chosen] { return std::make_unique<StudentForm>(s->table, s->rec, inst, chosen(), w); });
  listWindow(w, s, QString::fromLatin1(kStudentBrowse));
  w->resize(820, 480);
  w->show();
  return w;
}

namespace {
int groupFilter = 0;
}  // namespace

int studentGroupFilter() { return groupFilter; }
void setStudentGroupFilter(int groupCode) { groupFilter = groupCode; }

std::optional<GroupRow> chooseGroup(const setup::Installation& inst, QWidget* parent) {
  OpenTable<tables::Group> s(tables::groupDef(), inst.central(tables::files::Group), nullptr);
  if (!s.open()) return std::nullopt;
  const auto& def = tables::groupDef();
  ui::BrowseWindow w(s.table, &s.rec, QString::fromLatin1(kGroupSelect), QStringLiteral("Выбор записи файла Group"), parent);
  w.addOrder(s.table.key("KEYNAME"), QStringLiteral("По названию группы"));
  w.addOrder(s.table.key("KEYCODEGR"), QStringLiteral("По группам"));
  w.addColumn({fieldOf(def, "CODEGR"), QStringLiteral("Код группы"), 10});
  w.addColumn({fieldOf(def, "NAME"), QStringLiteral("Название группы"), 30});
  w.setSelectMode(true);
  w.button(ui::BrowseWindow::Button::Close)->setText(QStringLiteral("Закрыть"));
  helpOnF1(&w, QString::fromLatin1(kGroupSelect));
  w.resize(460, 400);
  w.exec();
  if (!w.selected()) return std::nullopt;
  return GroupRow{s.rec.CODEGR, s.rec.NAME.utf8(), s.rec.CODEFAK, s.rec.CODEKURS};
}

}  // namespace administrator
