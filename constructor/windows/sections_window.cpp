#include "sections_window.h"

#include <set>

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QVBoxLayout>

#include "cp1251.h"
#include "message_service.h"
#include "record_format.h"
#include "sections.h"
#include "services.h"
#include "window_memory.h"
#include "window_tools.h"

namespace constructor {
namespace {
auto& ms() { return ui::MessageService::instance(); }

void report(const Outcome& o, const QString& caption) {
  ms().ask(QString::fromStdString(o.message), o.error == store::DuplicateKey ? QStringLiteral("Дубликат в ключе") : caption,
           messages::Buttons::Ok, messages::Icon::Exclamation);
}
}  // namespace

SectionForm::SectionForm(testfile::TestFile& tf, int number, const QString& name, QWidget* parent)
    : QDialog(parent), tf_(tf), old_(number) {
  setObjectName(QString::fromLatin1(kProcedure));
  setWindowTitle(number ? QStringLiteral("Редактирование записи") : QStringLiteral("Добавление записи"));
  auto* outer = new QVBoxLayout(this);
  auto* form = new QFormLayout;
  number_ = new QSpinBox(this);
  number_->setRange(1, 7);  // the title keeps statistics for sections 1 to 7
  int suggested = number;
  if (!suggested) {
    // The lowest free number, so that a new section is not refused at once.
    std::set<int> used;
    if (tf.razdelT.set() == store::Ok)
      while (tf.razdelT.next() == store::Ok) used.insert(tf.razdel.CODERAZ);
    suggested = 1;
    while (suggested < 7 && used.count(suggested)) ++suggested;
  }
  number_->setValue(suggested);
  name_ = new QLineEdit(name, this);
  name_->setMaxLength(40);
  form->addRow(QStringLiteral("Код раздела:"), number_);
  form->addRow(QStringLiteral("Название:"), name_);
  outer->addLayout(form);
  outer->addWidget(ui::okCancel(this, QStringLiteral("OK"), QStringLiteral("Отменить")));
  setMinimumWidth(380);
  ui::attachProcedure(this, QString::fromLatin1(kProcedure));
}

void SectionForm::accept() {
  const QString name = name_->text().trimmed();
  if (cp1251::toUtf8(cp1251::fromUtf8(name.toStdString())) != name.toStdString()) {
    ms().ask(QStringLiteral("Название содержит знаки, которых нет в кодировке Windows-1251."), QStringLiteral("Раздел"),
             messages::Buttons::Ok, messages::Icon::Exclamation);
    name_->setFocus();
    return;
  }
  const int n = number_->value();
  Outcome o = old_ ? constructor::changeSection(tf_, old_, n, name.toStdString())
                   : constructor::addSection(tf_, n, name.toStdString());
  if (!o) {
    report(o, windowTitle());
    number_->setFocus();
    return;
  }
  saved_ = n;
  QDialog::accept();
}

SectionsList::SectionsList(testfile::TestFile& tf, bool counts, QWidget* parent) : QWidget(parent), tf_(tf), counts_(counts) {
  auto* outer = new QVBoxLayout(this);
  outer->setContentsMargins(0, 0, 0, 0);
  list_ = new QTableWidget(0, counts ? 3 : 2, this);
  list_->setObjectName(QStringLiteral("sections"));
  if (counts) list_->setHorizontalHeaderLabels({QStringLiteral("№"), QStringLiteral("Название"), QStringLiteral("Заданий")});
  else list_->setHorizontalHeaderLabels({QStringLiteral("Код"), QStringLiteral("Наименование")});
  list_->verticalHeader()->hide();
  list_->setSelectionBehavior(QAbstractItemView::SelectRows);
  list_->setSelectionMode(QAbstractItemView::SingleSelection);
  list_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  list_->horizontalHeader()->setSectionResizeMode(1, QHeaderView::Stretch);
  list_->setColumnWidth(0, 50);
  outer->addWidget(list_, 1);
  auto* row = new QHBoxLayout;
  add_ = new QPushButton(QStringLiteral("&Добавить"), this);
  change_ = new QPushButton(QStringLiteral("&Изменить"), this);
  delete_ = new QPushButton(QStringLiteral("&Удалить"), this);
  for (auto* b : {add_, change_, delete_}) {
    b->setAutoDefault(false);
    row->addWidget(b);
  }
  row->addStretch(1);
  outer->addLayout(row);
  connect(add_, &QPushButton::clicked, this, [this] { addSection(); });
  connect(change_, &QPushButton::clicked, this, [this] { changeSection(); });
  connect(delete_, &QPushButton::clicked, this, [this] { deleteSection(); });
  connect(list_, &QTableWidget::cellDoubleClicked, this, [this] { emit chosen(); });
  reload();
}

void SectionsList::setByName(bool on) {
  byName_ = on;
  reload(currentNumber());
}

void SectionsList::reload(int select) {
  list_->setRowCount(0);
  const int key = tf_.razdelT.key(byName_ ? "KEYNAME" : "KEYCODERAZ");
  int rc = key >= 0 ? tf_.razdelT.set(key) : tf_.razdelT.set();
  int row = 0, current = 0;
  if (rc == store::Ok) {
    while ((rc = tf_.razdelT.next()) == store::Ok) {
      list_->insertRow(row);
      list_->setItem(row, 0, new QTableWidgetItem(QString::number(tf_.razdel.CODERAZ)));
      list_->setItem(row, 1, new QTableWidgetItem(ui::fromRecord(tf_.razdel.NAME.view())));
      if (counts_) list_->setItem(row, 2, new QTableWidgetItem(QString::number(tf_.razdel.KOLZAD)));
      if (tf_.razdel.CODERAZ == select) current = row;
      ++row;
    }
  }
  if (rc != store::NoRecord && rc != store::Ok) {
    store::ErrorInfo e = tf_.razdelT.error();
    messages::Args a = messages::argsOf(e);
    a.name = "Razdel";
    messages::Procedure(ms()).show(35, a, &e);
  }
  if (row) list_->selectRow(current);
  change_->setEnabled(row > 0);
  delete_->setEnabled(row > 0);
}

QPushButton* SectionsList::button(const QString& text) const {
  for (auto* b : {add_, change_, delete_})
    if (b->text() == text) return b;
  return nullptr;
}

int SectionsList::currentNumber() const {
  int r = list_->currentRow();
  return r >= 0 && list_->item(r, 0) ? list_->item(r, 0)->text().toInt() : 0;
}

QString SectionsList::currentName() const {
  int r = list_->currentRow();
  return r >= 0 && list_->item(r, 1) ? list_->item(r, 1)->text() : QString();
}

bool SectionsList::addSection() {
  SectionForm f(tf_, 0, {}, this);
  if (f.exec() != QDialog::Accepted) return false;
  reload(f.savedNumber());
  emit changed();
  return true;
}

bool SectionsList::changeSection() {
  const int n = currentNumber();
  if (!n) return false;
  SectionForm f(tf_, n, currentName(), this);
  if (f.exec() != QDialog::Accepted) return false;
  reload(f.savedNumber());
  emit changed();
  return true;
}

bool SectionsList::deleteSection() {
  const int n = currentNumber();
  if (!n) return false;
  if (ms().show(messages::standard(32, {})) != messages::Yes) return false;
  Outcome o = constructor::deleteSection(tf_, n);
  if (!o) report(o, QStringLiteral("Удаление раздела"));
  reload();
  emit changed();
  return static_cast<bool>(o);
}

SectionsWindow::SectionsWindow(testfile::TestFile& tf, bool choosing, QWidget* parent) : QDialog(parent) {
  setObjectName(QString::fromLatin1(kProcedure));
  setWindowTitle(QStringLiteral("Разделы Теста"));
  auto* outer = new QVBoxLayout(this);
  list_ = new SectionsList(tf, false, this);
  outer->addWidget(list_, 1);
  auto* row = new QHBoxLayout;
  auto* choose = new QPushButton(QStringLiteral("&Выбрать"), this);
  auto* sort = new QPushButton(QStringLiteral("&Сортировка"), this);
  sort->setCheckable(true);
  sort->setToolTip(QStringLiteral("По номеру или по наименованию"));
  auto* close = new QPushButton(QStringLiteral("&Закрыть"), this);
  auto* help = new QPushButton(QStringLiteral("Справка"), this);
  choose->setVisible(choosing);
  for (auto* b : {choose, sort}) row->addWidget(b);
  row->addStretch(1);
  for (auto* b : {close, help}) row->addWidget(b);
  for (auto* b : {choose, sort, close, help}) b->setAutoDefault(false);
  outer->addLayout(row);
  auto pick = [this] {
    if (!list_->currentNumber()) return;
    chosen_ = list_->currentNumber();
    chosenName_ = list_->currentName();
    accept();
  };
  connect(choose, &QPushButton::clicked, this, pick);
  if (choosing) connect(list_, &SectionsList::chosen, this, pick);
  connect(sort, &QPushButton::toggled, this, [this](bool on) { list_->setByName(on); });
  connect(close, &QPushButton::clicked, this, &QDialog::reject);
  connect(help, &QPushButton::clicked, this, [this] { ui::openHelp(QString::fromLatin1(kProcedure), this); });
  resize(460, 360);
  ui::attachProcedure(this, QString::fromLatin1(kProcedure));
}

}  // namespace constructor
