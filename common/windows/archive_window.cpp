#include "archive_window.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "filepath.h"
#include "message_service.h"
#include "window_tools.h"
#include "window_memory.h"
#include "pictures.h"

namespace common {

namespace {
void tell(const std::optional<std::string>& m) {
  if (m) ui::MessageService::instance().ask(QString::fromStdString(*m), QStringLiteral("Сообщение"), messages::Buttons::Ok,
                                            messages::Icon::Exclamation);
}
}  // namespace

ArchiveWindow::ArchiveWindow(Archive& archive, QWidget* parent) : QDialog(parent), archive_(archive) { build(); }

ArchiveWindow::ArchiveWindow(std::string base, std::string current, QWidget* parent)
    : QDialog(parent), owned_(std::make_unique<Archive>(std::move(base), std::move(current))), archive_(*owned_) {
  build();
}

ArchiveWindow::ArchiveWindow(std::string base, std::string current, const QString& shown, QWidget* parent)
    : ArchiveWindow(std::move(base), std::move(current), parent) {
  if (!shown.isEmpty()) select(shown);
}

ArchiveWindow::~ArchiveWindow() = default;

void ArchiveWindow::build() {
  setObjectName(QStringLiteral("ArxivRez"));
  ui::attachProcedure(this, QStringLiteral("ArxivRez"));
  setWindowTitle(QStringLiteral("Архив результатов тестирования"));
  auto* l = new QVBoxLayout(this);
  list_ = new QTableWidget(0, 3, this);
  list_->setHorizontalHeaderLabels({QStringLiteral("Имя"), QStringLiteral("Дата"), QStringLiteral("Размер (Kb)")});
  list_->verticalHeader()->hide();
  list_->setSelectionBehavior(QAbstractItemView::SelectRows);
  list_->setSelectionMode(QAbstractItemView::SingleSelection);
  list_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  list_->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);
  list_->setColumnWidth(1, 150);
  list_->setColumnWidth(2, 90);
  l->addWidget(list_);
  auto* b = new QHBoxLayout;
  const std::pair<const char*, void (ArchiveWindow::*)()> buttons[] = {
      {"Новый", &ArchiveWindow::newJournal}, {"Изменить", &ArchiveWindow::renameJournal},
      {"Удалить", &ArchiveWindow::deleteJournal}, {"Выбрать", &ArchiveWindow::choose}};
  for (const auto& [text, slot] : buttons) {
    auto* btn = new QPushButton(QString::fromUtf8(text), this);
    btn->setAutoDefault(false);
    connect(btn, &QPushButton::clicked, this, slot);
    b->addWidget(btn);
  }
  b->addStretch(1);
  auto* cancel = new QPushButton(QStringLiteral("Отмена"), this);
  cancel->setAutoDefault(false);
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
  b->addWidget(cancel);
  l->addLayout(b);
  connect(list_, &QTableWidget::cellDoubleClicked, this, [this] { choose(); });
  resize(520, 340);
  refill();
}

void ArchiveWindow::refill() {
  QString keep = selectedName();
  auto files = archive_.list();
  list_->setRowCount(static_cast<int>(files.size()));
  for (int i = 0; i < static_cast<int>(files.size()); ++i) {
    const auto& f = files[static_cast<std::size_t>(i)];
    // Up to 50 characters are shown; the whole name stays with the row.
    QString name = QString::fromStdString(f.name);
    auto* item = new QTableWidgetItem(name.left(50));
    item->setData(Qt::UserRole, name);
    item->setToolTip(name);
    list_->setItem(i, 0, item);
    list_->setItem(i, 1, new QTableWidgetItem(QString::fromStdString(picture::shortDate(f.date) + " " + picture::time(f.time))));
    auto* size = new QTableWidgetItem(QString::number(f.sizeK));
    size->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
    list_->setItem(i, 2, size);
  }
  select(keep.isEmpty() ? QString::fromStdString(archive_.current()) : keep);
  if (list_->currentRow() < 0 && list_->rowCount() > 0) list_->selectRow(0);
}

QString ArchiveWindow::selectedName() const {
  int r = list_->currentRow();
  return r >= 0 && list_->item(r, 0) ? list_->item(r, 0)->data(Qt::UserRole).toString() : QString();
}

void ArchiveWindow::select(const QString& name) {
  for (int r = 0; r < list_->rowCount(); ++r)
    if (list_->item(r, 0)->data(Qt::UserRole).toString() == name) list_->selectRow(r);
}

QString ArchiveWindow::askName(const QString& caption, const QString& name) {
  QDialog d(this);
  d.setObjectName(QStringLiteral("UpdateArxiv"));
  ui::attachProcedure(&d, QStringLiteral("UpdateArxiv"));
  d.setWindowTitle(caption);
  auto* f = new QFormLayout(&d);
  auto* e = new QLineEdit(name, &d);
  e->setObjectName(QStringLiteral("name"));
  e->setMinimumWidth(280);
  f->addRow(QStringLiteral("Журнал результатов (имя файла без расширения)"), e);
  f->addRow(QStringLiteral("Путь"), new QLabel(QString::fromStdString(archive_.base() + "Stat/"), &d));
  auto* box = ui::okCancel(&d);
  f->addRow(box);
  if (d.exec() != QDialog::Accepted) return {};
  return e->text().trimmed();
}

void ArchiveWindow::newJournal() {
  QString name = askName(QStringLiteral("Нвый журнал результатов"), {});
  if (name.isEmpty()) return;
  tell(archive_.create(name.toStdString()));
  refill();
  select(name);
}

void ArchiveWindow::renameJournal() {
  QString from = selectedName();
  if (from.isNull()) return;
  if (currentNow_) archive_.setCurrent(currentNow_());
  if (from.toStdString() == archive_.current()) {
    tell(archive_.rename(from.toStdString(), from.toStdString()));
    return;
  }
  QString to = askName(QStringLiteral("Переименовать журнал результатов"), from);
  if (to.isEmpty() || to == from) return;
  tell(archive_.rename(from.toStdString(), to.toStdString()));
  refill();
  select(to);
}

void ArchiveWindow::deleteJournal() {
  QString name = selectedName();
  if (name.isNull()) return;
  if (currentNow_) archive_.setCurrent(currentNow_());
  if (!filepath::sameName(name.toStdString(), archive_.current())) {
    // The standard question before anything is deleted.
    messages::Procedure p(ui::MessageService::instance());
    if (p.show(32, {}) != messages::Yes) return;
  }
  tell(archive_.remove(name.toStdString()));
  refill();
}

void ArchiveWindow::choose() {
  if (selectedName().isNull()) return;
  const QString name = selectedName();
  if (makeCurrent_) {
    if (auto why = makeCurrent_(name.toStdString())) {
      tell(why);
      return;
    }
    archive_.setCurrent(name.toStdString());
  }
  chosen_ = name;
  accept();
}

}  // namespace common
