#include "question_templates_window.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSet>
#include <QShortcut>
#include <QSpinBox>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "message_service.h"
#include "window_memory.h"
#include "window_tools.h"

namespace constructor {
namespace {

auto& ms() { return ui::MessageService::instance(); }

// A taken code under the standard duplicate-key caption, anything else under the window's.
void report(const Outcome& o, const QString& caption) {
  const QString cap = o.error == store::DuplicateKey ? QString::fromStdString(messages::standard(24, {}).caption) : caption;
  ms().ask(QString::fromStdString(o.message), cap, messages::Buttons::Ok, messages::Icon::Exclamation);
}

QSpinBox* codeSpin(QWidget* parent, std::uint16_t value) {
  auto* s = new QSpinBox(parent);
  s->setRange(1, 65535);
  s->setValue(value ? value : 1);
  return s;
}

// The fields of a form in the group box its file names, over OK and "О&тменить".
QFormLayout* framed(QDialog* d, const QString& title) {
  auto* outer = new QVBoxLayout(d);
  auto* box = new QGroupBox(title, d);
  auto* form = new QFormLayout(box);
  form->setLabelAlignment(Qt::AlignRight | Qt::AlignVCenter);
  outer->addWidget(box, 1);
  outer->addWidget(ui::okCancel(d, QStringLiteral("OK"), QStringLiteral("О&тменить")));
  return form;
}

constexpr int kKindRole = Qt::UserRole;
constexpr int kCodeRole = Qt::UserRole + 1;

}  // namespace

GroupForm::GroupForm(QuestionTemplates& store, std::optional<TemplateGroup> existing, QWidget* parent)
    : QDialog(parent), store_(store), old_(std::move(existing)) {
  setObjectName(QString::fromLatin1(kProcedure));
  setWindowTitle(old_ ? QStringLiteral("Изменение записи файла VopStdGr") : QStringLiteral("Добавление записи к файлу VopStdGr"));
  QFormLayout* form = framed(this, QStringLiteral("Редактирование файла VopStdGr"));
  code_ = codeSpin(this, old_ ? old_->code : store_.nextGroupCode());
  name_ = new QLineEdit(old_ ? QString::fromStdString(old_->name) : QString(), this);
  name_->setMaxLength(20);
  form->addRow(QStringLiteral("Код группы:"), code_);
  form->addRow(QStringLiteral("Название группы:"), name_);
  setMinimumWidth(360);
  name_->setFocus();
  ui::attachProcedure(this, QString::fromLatin1(kProcedure));
}

void GroupForm::accept() {
  const TemplateGroup g{static_cast<std::uint16_t>(code_->value()), name_->text().trimmed().toStdString()};
  Outcome o = old_ ? store_.changeGroup(old_->code, g) : store_.addGroup(g);
  if (!o) {
    report(o, windowTitle());
    if (o.error == store::DuplicateKey) code_->setFocus();
    else name_->setFocus();
    return;
  }
  saved_ = g.code;
  QDialog::accept();
}

QuestionForm::QuestionForm(QuestionTemplates& store, const std::vector<TemplateGroup>& groups,
                           std::optional<TemplateQuestion> existing, std::uint16_t group, QWidget* parent)
    : QDialog(parent), store_(store), old_(std::move(existing)) {
  setObjectName(QString::fromLatin1(kProcedure));
  setWindowTitle(old_ ? QStringLiteral("Изменение записи файла VopStdVp") : QStringLiteral("Добавление записи к файлу VopStdVp"));
  QFormLayout* form = framed(this, QStringLiteral("Редактирование файла VopStdVp"));
  group_ = new QComboBox(this);
  const std::uint16_t in = old_ ? old_->group : group;
  for (const auto& g : groups) {
    group_->addItem(QStringLiteral("%1  %2").arg(g.code).arg(QString::fromStdString(g.name)), g.code);
    if (g.code == in) group_->setCurrentIndex(group_->count() - 1);
  }
  if (group_->findData(in) < 0 && in) {  // a group that is gone: the question keeps its code until moved
    group_->addItem(QString::number(in), in);
    group_->setCurrentIndex(group_->count() - 1);
  }
  code_ = codeSpin(this, old_ ? old_->code : store_.nextQuestionCode());
  text_ = new QPlainTextEdit(old_ ? QString::fromStdString(old_->text) : QString(), this);
  text_->setMinimumSize(420, 160);
  text_->setToolTip(QStringLiteral("Не более 1024 символов"));
  form->addRow(QStringLiteral("Код группы:"), group_);
  form->addRow(QStringLiteral("Код вопроса:"), code_);
  form->addRow(new QLabel(QStringLiteral("Техт вопроса"), this));
  form->addRow(text_);
  text_->setFocus();
  ui::attachProcedure(this, QString::fromLatin1(kProcedure));
}

void QuestionForm::accept() {
  const TemplateQuestion q{static_cast<std::uint16_t>(code_->value()), static_cast<std::uint16_t>(group_->currentData().toUInt()),
                           text_->toPlainText().toStdString()};
  Outcome o = old_ ? store_.changeQuestion(old_->code, q) : store_.addQuestion(q);
  if (!o) {
    report(o, windowTitle());
    if (o.error == store::DuplicateKey) code_->setFocus();
    else text_->setFocus();
    return;
  }
  saved_ = q.code;
  QDialog::accept();
}

QuestionTemplatesWindow::QuestionTemplatesWindow(QuestionTemplates store, bool choosing, QWidget* parent)
    : QDialog(parent), store_(std::move(store)), choosing_(choosing) {
  setObjectName(QString::fromLatin1(kProcedure));
  setWindowTitle(QStringLiteral("Список типовых вопросов для тестовых заданий"));
  auto* outer = new QVBoxLayout(this);
  tree_ = new QTreeWidget(this);
  tree_->setColumnCount(1);
  tree_->setHeaderLabels({QStringLiteral("Группы типовых вопросов")});
  tree_->setSelectionMode(QAbstractItemView::SingleSelection);
  outer->addWidget(tree_, 3);
  outer->addWidget(new QLabel(QStringLiteral("Полный текст вопроса"), this));
  full_ = new QPlainTextEdit(this);
  full_->setReadOnly(true);
  outer->addWidget(full_, 2);

  auto* row = new QHBoxLayout;
  auto add = [this, row](const QString& text, auto f) {
    auto* b = new QPushButton(text, this);
    b->setAutoDefault(false);
    connect(b, &QPushButton::clicked, this, f);
    row->addWidget(b);
    buttons_.push_back(b);
    return b;
  };
  add(QStringLiteral("&Развернуть все"), [this] { tree_->expandAll(); });
  add(QStringLiteral("&Свернуть все"), [this] { tree_->collapseAll(); });
  // A group or a question: the author says which, the question going into
  // the highlighted node's group.
  auto* addButton = new QPushButton(QStringLiteral("&Добавить"), this);
  addButton->setAutoDefault(false);
  addMenu_ = new QMenu(addButton);
  addMenu_->addAction(QStringLiteral("Группу вопросов..."), this, [this] { addGroup(); });
  addMenu_->addAction(QStringLiteral("Вопрос в группу..."), this, [this] { addQuestion(); });
  addButton->setMenu(addMenu_);
  row->addWidget(addButton);
  buttons_.push_back(addButton);
  add(QStringLiteral("&Изменить"), [this] { changeCurrent(); });
  add(QStringLiteral("&Удалить"), [this] { deleteCurrent(); });
  add(QStringLiteral("&Выбрать"), [this] { chooseCurrent(); })->setVisible(choosing);
  row->addStretch(1);
  add(QStringLiteral("Закрыть"), [this] { reject(); });
  outer->addLayout(row);

  connect(tree_, &QTreeWidget::currentItemChanged, this, [this] { showCurrent(); });
  connect(tree_, &QTreeWidget::itemDoubleClicked, this, [this](QTreeWidgetItem* item) {
    if (item->data(0, kKindRole).toInt() != static_cast<int>(Node::Question)) return;  // a group opens and closes
    if (choosing_) chooseCurrent();
    else changeCurrent();
  });
  auto* del = new QShortcut(QKeySequence(Qt::Key_Delete), tree_, nullptr, nullptr, Qt::WidgetShortcut);
  connect(del, &QShortcut::activated, this, [this] { deleteCurrent(); });
  resize(620, 520);
  reload();
  tree_->expandAll();
  ui::attachProcedure(this, QString::fromLatin1(kProcedure));
}

QPushButton* QuestionTemplatesWindow::button(const QString& text) const {
  for (auto* b : buttons_)
    if (b->text() == text) return b;
  return nullptr;
}

void QuestionTemplatesWindow::reload(Node select, std::uint16_t code) {
  QSet<int> open;
  for (int i = 0; i < tree_->topLevelItemCount(); ++i)
    if (tree_->topLevelItem(i)->isExpanded()) open.insert(tree_->topLevelItem(i)->data(0, kCodeRole).toInt());
  Outcome o = store_.groups(groups_);
  if (o) o = store_.questions(questions_);
  if (!o) report(o, windowTitle());
  tree_->clear();
  auto groupItem = [this](std::uint16_t gc, const QString& text) {
    auto* item = new QTreeWidgetItem(tree_, {text});
    item->setData(0, kKindRole, static_cast<int>(Node::Group));
    item->setData(0, kCodeRole, gc);
    return item;
  };
  for (const auto& g : groups_) groupItem(g.code, QString::fromStdString(g.name));
  for (const auto& q : questions_) {
    QTreeWidgetItem* parent = find(Node::Group, q.group);
    // A question whose group was deleted on another station stays reachable.
    if (!parent) parent = groupItem(q.group, QStringLiteral("Группа %1 (нет в списке групп)").arg(q.group));
    auto* item = new QTreeWidgetItem(parent, {QString::fromStdString(q.title())});
    item->setData(0, kKindRole, static_cast<int>(Node::Question));
    item->setData(0, kCodeRole, q.code);
    item->setToolTip(0, QString::fromStdString(q.text));
  }
  for (int i = 0; i < tree_->topLevelItemCount(); ++i)
    if (open.contains(tree_->topLevelItem(i)->data(0, kCodeRole).toInt())) tree_->topLevelItem(i)->setExpanded(true);
  QTreeWidgetItem* current = select == Node::None ? nullptr : find(select, code);
  if (!current && tree_->topLevelItemCount()) current = tree_->topLevelItem(0);
  if (current) {
    if (current->parent()) current->parent()->setExpanded(true);
    tree_->setCurrentItem(current);
  }
  showCurrent();
}

QTreeWidgetItem* QuestionTemplatesWindow::find(Node kind, std::uint16_t code) const {
  for (int i = 0; i < tree_->topLevelItemCount(); ++i) {
    QTreeWidgetItem* g = tree_->topLevelItem(i);
    if (kind == Node::Group && g->data(0, kCodeRole).toUInt() == code) return g;
    if (kind == Node::Question)
      for (int k = 0; k < g->childCount(); ++k)
        if (g->child(k)->data(0, kCodeRole).toUInt() == code) return g->child(k);
  }
  return nullptr;
}

const TemplateQuestion* QuestionTemplatesWindow::question(std::uint16_t code) const {
  for (const auto& q : questions_)
    if (q.code == code) return &q;
  return nullptr;
}

bool QuestionTemplatesWindow::selectGroup(std::uint16_t code) {
  QTreeWidgetItem* item = find(Node::Group, code);
  if (item) tree_->setCurrentItem(item);
  return item != nullptr;
}

bool QuestionTemplatesWindow::selectQuestion(std::uint16_t code) {
  QTreeWidgetItem* item = find(Node::Question, code);
  if (item) tree_->setCurrentItem(item);
  return item != nullptr;
}

QuestionTemplatesWindow::Node QuestionTemplatesWindow::currentNode() const {
  const QTreeWidgetItem* item = tree_->currentItem();
  return item ? static_cast<Node>(item->data(0, kKindRole).toInt()) : Node::None;
}

std::uint16_t QuestionTemplatesWindow::currentCode() const {
  const QTreeWidgetItem* item = tree_->currentItem();
  return item ? static_cast<std::uint16_t>(item->data(0, kCodeRole).toUInt()) : 0;
}

std::uint16_t QuestionTemplatesWindow::currentGroup() const {
  const QTreeWidgetItem* item = tree_->currentItem();
  if (item && item->parent()) item = item->parent();
  if (item) return static_cast<std::uint16_t>(item->data(0, kCodeRole).toUInt());
  return groups_.empty() ? 0 : groups_.front().code;
}

void QuestionTemplatesWindow::showCurrent() {
  const Node n = currentNode();
  const TemplateQuestion* q = n == Node::Question ? question(currentCode()) : nullptr;
  full_->setPlainText(q ? QString::fromStdString(q->text) : QString());
  button(QStringLiteral("&Изменить"))->setEnabled(n != Node::None);
  button(QStringLiteral("&Удалить"))->setEnabled(n != Node::None);
  button(QStringLiteral("&Выбрать"))->setEnabled(q != nullptr);
  addMenu_->actions().at(1)->setEnabled(!groups_.empty());
}

bool QuestionTemplatesWindow::addGroup() {
  GroupForm f(store_, std::nullopt, this);
  if (f.exec() != QDialog::Accepted) return false;
  reload(Node::Group, f.savedCode());
  return true;
}

bool QuestionTemplatesWindow::addQuestion() {
  if (groups_.empty()) {
    ms().ask(QStringLiteral("Сначала добавьте группу типовых вопросов."), windowTitle(), messages::Buttons::Ok,
             messages::Icon::Information);
    return false;
  }
  QuestionForm f(store_, groups_, std::nullopt, currentGroup(), this);
  if (f.exec() != QDialog::Accepted) return false;
  reload(Node::Question, f.savedCode());
  return true;
}

bool QuestionTemplatesWindow::changeCurrent() {
  const Node n = currentNode();
  const std::uint16_t code = currentCode();
  if (n == Node::Question) {
    const TemplateQuestion* q = question(code);
    if (!q) return false;
    QuestionForm f(store_, groups_, *q, q->group, this);
    if (f.exec() != QDialog::Accepted) return false;
    reload(Node::Question, f.savedCode());
    return true;
  }
  if (n != Node::Group) return false;
  std::optional<TemplateGroup> g;
  for (const auto& e : groups_)
    if (e.code == code) g = e;
  // The place of a group that is gone: adding it under its code gives its questions a home again.
  GroupForm f(store_, g, this);
  if (!g) f.codeBox()->setValue(code);
  if (f.exec() != QDialog::Accepted) return false;
  reload(Node::Group, f.savedCode());
  return true;
}

bool QuestionTemplatesWindow::deleteCurrent() {
  const Node n = currentNode();
  const std::uint16_t code = currentCode();
  if (n == Node::None) return false;
  if (ms().show(messages::standard(32, {})) != messages::Yes) return false;
  const std::uint16_t group = currentGroup();
  Outcome o = n == Node::Group ? store_.removeGroup(code) : store_.removeQuestion(code);
  if (!o) report(o, QStringLiteral("Удаление записи"));
  // Land on the deleted question's group, or where the refused node is.
  if (o) reload(Node::Group, n == Node::Question ? group : 0);
  else reload(n, code);
  return static_cast<bool>(o);
}

bool QuestionTemplatesWindow::chooseCurrent() {
  if (currentNode() != Node::Question) return false;
  const TemplateQuestion* q = question(currentCode());
  if (!q) return false;
  chosen_ = QString::fromStdString(q->text);
  accept();
  return true;
}

}  // namespace constructor
