#include "contingent_window.h"

#include <QHBoxLayout>
#include <QMenu>
#include <QPushButton>
#include <QSplitter>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <set>

#include "browse.h"
#include "icons.h"
#include "import_window.h"
#include "message_service.h"
#include "previewer.h"
#include "services.h"
#include "sign_in_slips.h"
#include "transfer_window.h"
#include "window_memory.h"
#include "window_tools.h"

namespace administrator {
namespace {

auto& ms() { return ui::MessageService::instance(); }
QString q(const std::string& s) { return QString::fromStdString(s); }
const QString kCaption = QStringLiteral("Контингент");

}  // namespace

ContingentWindow::ContingentWindow(const setup::Installation& inst, QWidget* parent) : QDialog(parent), inst_(inst) {
  setObjectName(QString::fromLatin1(kProcedure));
  setWindowTitle(kCaption);
  setWindowFlags(windowFlags() | Qt::WindowMaximizeButtonHint | Qt::WindowMinimizeButtonHint);
  studentT_ = new OpenTable<tables::Student>(tables::studentDef(), inst.central(tables::files::Student), this);
  groupT_ = new OpenTable<tables::Group>(tables::groupDef(), inst.central(tables::files::Group), this);
  opened_ = studentT_->open() && groupT_->open();

  auto* outer = new QVBoxLayout(this);
  auto* split = new QSplitter(this);
  outer->addWidget(split, 1);

  auto* left = new QWidget(split);
  auto* ll = new QVBoxLayout(left);
  ll->setContentsMargins(0, 0, 0, 0);
  tree_ = new QTreeWidget(left);
  tree_->setObjectName(QStringLiteral("tree"));
  tree_->setHeaderHidden(true);
  tree_->setContextMenuPolicy(Qt::CustomContextMenu);
  ll->addWidget(tree_, 1);
  auto* groupRow = new QHBoxLayout;
  auto addButton = [this](QBoxLayout* row, const QString& text, const QIcon& icon, void (ContingentWindow::*f)()) {
    auto* b = new QPushButton(icon, text, this);
    b->setAutoDefault(false);
    row->addWidget(b);
    connect(b, &QPushButton::clicked, this, f);
    buttons_.push_back(b);
    return b;
  };
  const QColor green(46, 125, 50), red(178, 34, 34), blue(52, 101, 164);
  addButton(groupRow, QStringLiteral("Новая группа"), ui::letterIcon(QStringLiteral("+"), green), &ContingentWindow::newGroup);
  addButton(groupRow, QStringLiteral("Изменить группу"), ui::letterIcon(QStringLiteral("И"), blue), &ContingentWindow::changeGroup);
  addButton(groupRow, QStringLiteral("Удалить группу"), ui::letterIcon(QStringLiteral("×"), red), &ContingentWindow::deleteGroup);
  ll->addLayout(groupRow);

  auto* right = new QWidget(split);
  auto* rl = new QVBoxLayout(right);
  rl->setContentsMargins(0, 0, 0, 0);
  if (opened_) {
    const auto& def = tables::studentDef();
    students_ = new ui::BrowseWindow(studentT_->table, &studentT_->rec, QStringLiteral("BrowseStudGroup"), {}, right);
    students_->setEmbedded(true);
    students_->addOrder(studentT_->table.key("KEYFAM"), QStringLiteral("По фамилиям"));
    const std::pair<const char*, std::pair<const char*, int>> cols[] = {{"CODEST", {"Код", 6}},
                                                                        {"FAM", {"Фамилия", 16}},
                                                                        {"NAME", {"Имя", 12}},
                                                                        {"OTCHE", {"Отчество", 14}},
                                                                        {"NUMID", {"ID номер", 10}}};
    for (const auto& [name, head] : cols)
      students_->addColumn({def.fieldIndex(name), QString::fromUtf8(head.first), head.second});
    // Only the chosen group's students; none while no group is chosen.
    students_->setRecordFilter([this] { return group_.code != 0 && studentT_->rec.CODEGR == group_.code; });
    students_->setUpdateForm([this] { return studentForm(); });
    rl->addWidget(students_, 1);
  }
  split->setStretchFactor(0, 1);
  split->setStretchFactor(1, 2);
  split->setSizes({320, 640});

  auto* row = new QHBoxLayout;
  addButton(row, QStringLiteral("&Добавить"), ui::letterIcon(QStringLiteral("+"), green), &ContingentWindow::addStudent);
  addButton(row, QStringLiteral("&Изменить"), ui::letterIcon(QStringLiteral("И"), blue), &ContingentWindow::changeStudent);
  addButton(row, QStringLiteral("&Удалить"), ui::letterIcon(QStringLiteral("×"), red), &ContingentWindow::deleteStudent);
  addButton(row, QStringLiteral("Переход"), ui::arrowIcon(ui::Arrow::Down), &ContingentWindow::transfer);
  addButton(row, QStringLiteral("Импорт..."), ui::letterIcon(QStringLiteral("CSV"), blue), &ContingentWindow::importStudents);
  addButton(row, QStringLiteral("Пропуска..."), ui::letterIcon(QStringLiteral("ID"), blue), &ContingentWindow::printSlips);
  row->addStretch(1);
  auto* close = new QPushButton(QStringLiteral("Закрыть"), this);
  auto* help = new QPushButton(QStringLiteral("Справка"), this);
  for (auto* b : {close, help}) {
    b->setAutoDefault(false);
    row->addWidget(b);
    buttons_.push_back(b);
  }
  connect(close, &QPushButton::clicked, this, &QDialog::reject);
  connect(help, &QPushButton::clicked, this, [this] { ui::openHelp(QString::fromLatin1(kProcedure), this); });
  outer->addLayout(row);
  button(QStringLiteral("Переход"))->setToolTip(QStringLiteral("Перевести всех студентов группы в другую группу"));
  button(QStringLiteral("Импорт..."))->setToolTip(QStringLiteral("Добавить студентов в группу из файла CSV"));
  button(QStringLiteral("Пропуска..."))->setToolTip(QStringLiteral("Напечатать пропуска студентов группы с их идентификационными номерами"));

  connect(tree_, &QTreeWidget::currentItemChanged, this, [this] { treeChanged(); });
  connect(tree_, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
    if (QTreeWidgetItem* it = tree_->itemAt(at)) tree_->setCurrentItem(it);
    QMenu menu(this);
    menu.addAction(QStringLiteral("Новая группа"), this, &ContingentWindow::newGroup);
    if (group_.code) {
      menu.addAction(QStringLiteral("Изменить группу"), this, &ContingentWindow::changeGroup);
      menu.addAction(QStringLiteral("Удалить группу"), this, &ContingentWindow::deleteGroup);
      menu.addSeparator();
      menu.addAction(QStringLiteral("Перевод студентов..."), this, &ContingentWindow::transfer);
      menu.addAction(QStringLiteral("Импорт студентов из файла..."), this, &ContingentWindow::importStudents);
      menu.addAction(QStringLiteral("Пропуска для входа..."), this, &ContingentWindow::printSlips);
    }
    menu.exec(tree_->viewport()->mapToGlobal(at));
  });
  if (students_) connect(students_, &ui::BrowseWindow::userChose, this, [this] { updateButtons(); });
  ui::alertKey(this, QKeySequence(Qt::CTRL | Qt::Key_Return), [this] { changeStudent(); });
  ui::alertKey(this, QKeySequence(Qt::CTRL | Qt::Key_Enter), [this] { changeStudent(); });
  ui::alertKey(this, QKeySequence(Qt::Key_F5), [this] { rebuild(); });
  // The list inside keeps Esc to itself: the window answers it.
  ui::alertKey(this, QKeySequence(Qt::Key_Escape), [this] { reject(); });
  ui::attachProcedure(this, QString::fromLatin1(kProcedure), [](QWidget* w) { w->resize(960, 560); });
  rebuild();
}

QPushButton* ContingentWindow::button(const QString& text) const {
  for (QPushButton* b : buttons_)
    if (b->text() == text) return b;
  return nullptr;
}

QTreeWidgetItem* ContingentWindow::facultyItem(int code) const {
  QTreeWidgetItem* root = tree_->topLevelItem(0);
  for (int i = 0; root && i < root->childCount(); ++i) {
    QTreeWidgetItem* f = root->child(i);
    if (f->data(0, kLevelRole).toInt() == Faculty && f->data(0, kCodeRole).toInt() == code) return f;
  }
  return nullptr;
}

QTreeWidgetItem* ContingentWindow::groupItem(std::int32_t code) const {
  QTreeWidgetItem* root = tree_->topLevelItem(0);
  for (int i = 0; root && i < root->childCount(); ++i)
    for (int k = 0; k < root->child(i)->childCount(); ++k) {
      QTreeWidgetItem* g = root->child(i)->child(k);
      if (g->data(0, kCodeRole).toInt() == code) return g;
    }
  return nullptr;
}

bool ContingentWindow::chooseGroup(std::int32_t code) {
  QTreeWidgetItem* g = groupItem(code);
  if (!g) return false;
  g->parent()->setExpanded(true);
  tree_->setCurrentItem(g);
  return true;
}

void ContingentWindow::rebuild() {
  std::vector<FacultyRow> rows;
  const Outcome o = Contingent(inst_).tree(rows);
  const std::int32_t keep = group_.code;
  // Faculties the user opened stay open (all of them the first time).
  std::set<int> open;
  const bool first = tree_->topLevelItemCount() == 0;
  if (QTreeWidgetItem* root = tree_->topLevelItem(0))
    for (int i = 0; i < root->childCount(); ++i)
      if (root->child(i)->isExpanded()) open.insert(root->child(i)->data(0, kCodeRole).toInt());
  tree_->blockSignals(true);
  tree_->clear();
  groups_.clear();
  auto* root = new QTreeWidgetItem(tree_, {QStringLiteral("Факультеты")});
  root->setData(0, kLevelRole, Root);
  root->setIcon(0, ui::styleIcon(QStyle::SP_DirHomeIcon));
  for (const FacultyRow& f : rows) {
    auto* fi = new QTreeWidgetItem(root, {q(f.name)});
    fi->setData(0, kLevelRole, Faculty);
    fi->setData(0, kCodeRole, f.known ? f.code : -1);
    fi->setIcon(0, ui::styleIcon(QStyle::SP_DirIcon));
    if (f.known) fi->setToolTip(0, QStringLiteral("Факультет, код %1").arg(f.code));
    // A faculty shows its expand mark only when it has a group.
    fi->setChildIndicatorPolicy(QTreeWidgetItem::DontShowIndicatorWhenChildless);
    for (const GroupRow& g : f.groups) {
      auto* gi = new QTreeWidgetItem(fi, {q(g.name)});
      gi->setData(0, kLevelRole, Group);
      gi->setData(0, kCodeRole, g.code);
      gi->setIcon(0, ui::styleIcon(QStyle::SP_FileIcon));
      gi->setToolTip(0, QStringLiteral("Группа, код %1").arg(g.code));
      groups_.push_back(g);
    }
    fi->setExpanded(first || open.count(fi->data(0, kCodeRole).toInt()));
  }
  root->setExpanded(true);
  tree_->blockSignals(false);
  if (!o) tell(o, kCaption);
  if (!(keep && chooseGroup(keep))) tree_->setCurrentItem(root);
  treeChanged();
}

void ContingentWindow::treeChanged() {
  QTreeWidgetItem* it = tree_->currentItem();
  const int level = it ? it->data(0, kLevelRole).toInt() : 0;
  const std::int32_t code = it ? it->data(0, kCodeRole).toInt() : 0;
  group_ = GroupRow{};
  faculty_ = 0;
  if (level == Group) {
    for (const GroupRow& g : groups_)
      if (g.code == code) group_ = g;
    faculty_ = group_.faculty;
  } else if (level == Faculty) {
    faculty_ = std::max(0, code);
  }
  if (students_) {
    students_->setGroupTitle(group_.code ? QStringLiteral("Студенты группы %1").arg(q(group_.name))
                                         : QStringLiteral("Студенты (выберите группу)"));
    if (group_.code != listed_) students_->home();
    else students_->refresh();
    listed_ = group_.code;
  }
  updateButtons();
}

void ContingentWindow::updateButtons() {
  const bool group = group_.code != 0;
  const bool any = students_ && students_->rowCount() > 0;
  for (const char* t : {"&Добавить", "Переход", "Импорт...", "Пропуска...", "Изменить группу", "Удалить группу"})
    button(QString::fromUtf8(t))->setEnabled(group && opened_);
  for (const char* t : {"&Изменить", "&Удалить"}) button(QString::fromUtf8(t))->setEnabled(group && any);
  button(QStringLiteral("Новая группа"))->setEnabled(opened_);
}

std::unique_ptr<StudentForm> ContingentWindow::studentForm() {
  return std::make_unique<StudentForm>(studentT_->table, studentT_->rec, inst_, group_.code, this);
}

void ContingentWindow::addStudent() {
  if (!group_.code || !students_) return;
  students_->insertRecord();
  updateButtons();
}

void ContingentWindow::changeStudent() {
  if (!group_.code || !students_) return;
  students_->changeRecord();
  updateButtons();
}

void ContingentWindow::deleteStudent() {
  if (!group_.code || !students_) return;
  students_->deleteRecord();
  updateButtons();
}

void ContingentWindow::transfer() {
  if (!group_.code) return;
  TransferWindow w(inst_, group_, this);
  if (w.exec() != QDialog::Accepted) return;
  // The target group becomes the current one, emptied source or not.
  group_.code = w.movedTo();
  rebuild();
}

void ContingentWindow::importStudents() {
  if (!group_.code) return;
  ImportWindow w(inst_, group_, this);
  w.exec();
  if (students_) students_->home();
  updateButtons();
}

void ContingentWindow::printSlips() {
  if (!group_.code) return;
  const QString caption = QStringLiteral("Пропуска группы %1").arg(q(group_.name));
  Contingent c(inst_);
  std::vector<StudentRow> list;
  if (!tell(c.students(group_.code, list), caption)) return;
  if (list.empty()) {
    ms().ask(QStringLiteral("В группе %1 нет студентов.").arg(q(group_.name)), caption);
    return;
  }
  const auto missing = std::count_if(list.begin(), list.end(), [](const StudentRow& s) { return s.numid.empty(); });
  if (missing) {
    const int a = ms().ask(QStringLiteral("У студентов группы без идентификационного номера (%1 из %2) пропусков не будет.|"
                                          "Сгенерировать им номера сейчас?")
                               .arg(missing)
                               .arg(list.size()),
                           caption, messages::Buttons::YesNoCancel, messages::Icon::Question, messages::Yes);
    if (a == messages::Cancel) return;
    if (a == messages::Yes) {
      if (!tell(c.giveNumids(group_.code), caption) || !tell(c.students(group_.code, list), caption)) return;
      if (students_) students_->refresh();
    }
  }
  if (std::none_of(list.begin(), list.end(), [](const StudentRow& s) { return !s.numid.empty(); })) {
    ms().ask(QStringLiteral("Ни у одного студента группы нет идентификационного номера."), caption);
    return;
  }
  ui::Report report = signInSlips(q(group_.name), list);
  ui::Previewer preview(report, this);
  preview.exec();
}

void ContingentWindow::groupRequest(ui::Request r) {
  if (!opened_) return;
  tables::Group& rec = groupT_->rec;
  store::Position pos = 0;
  rec = tables::Group{};
  if (r == ui::Insert) {
    rec.CODEFAK = static_cast<std::uint8_t>(faculty_);
  } else {
    if (!group_.code) return;
    rec.CODEGR = group_.code;
    if (groupT_->table.get(groupT_->table.key("KEYCODEGR")) != store::Ok) {
      ms().ask(QStringLiteral("Группа %1 не найдена: её, видимо, удалили на другой станции.").arg(q(group_.name)), kCaption,
               messages::Buttons::Ok, messages::Icon::Exclamation);
      rebuild();
      return;
    }
    pos = groupT_->table.position();
  }
  GroupForm form(groupT_->table, rec, inst_, this);
  if (!form.run(r, pos)) return;
  group_.code = r == ui::Delete ? 0 : rec.CODEGR;
  rebuild();
}

void ContingentWindow::newGroup() { groupRequest(ui::Insert); }
void ContingentWindow::changeGroup() { groupRequest(ui::Change); }
void ContingentWindow::deleteGroup() { groupRequest(ui::Delete); }

}  // namespace administrator
