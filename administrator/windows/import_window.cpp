#include "import_window.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "contingent_forms.h"
#include "message_service.h"
#include "services.h"
#include "window_memory.h"
#include "window_tools.h"

namespace administrator {
namespace {
QString q(const std::string& s) { return QString::fromStdString(s); }
}  // namespace

ImportWindow::ImportWindow(const setup::Installation& inst, const GroupRow& group, QWidget* parent)
    : QDialog(parent), inst_(inst), group_(group) {
  setObjectName(QString::fromLatin1(kProcedure));
  setWindowTitle(QStringLiteral("Импорт студентов в группу %1").arg(q(group.name)));
  setWindowFlags(windowFlags() | Qt::WindowMaximizeButtonHint);
  auto* l = new QVBoxLayout(this);
  l->addWidget(new QLabel(QStringLiteral("Файл со списком студентов: в строке фамилия, имя, отчество и номер зачетной книжки "
                                         "через «;» или «,» (UTF-8 или Windows-1251)."),
                          this));
  auto* row = new QHBoxLayout;
  file_ = new QLineEdit(this);
  file_->setObjectName(QStringLiteral("file"));
  auto* pick = new QPushButton(QStringLiteral("Обзор..."), this);
  auto* look = new QPushButton(QStringLiteral("&Просмотреть"), this);
  for (auto* b : {pick, look}) b->setAutoDefault(false);
  row->addWidget(new QLabel(QStringLiteral("Файл:"), this));
  row->addWidget(file_, 1);
  row->addWidget(pick);
  row->addWidget(look);
  l->addLayout(row);

  table_ = new QTableWidget(0, 6, this);
  table_->setHorizontalHeaderLabels({QStringLiteral("Строка"), QStringLiteral("Фамилия"), QStringLiteral("Имя"),
                                     QStringLiteral("Отчество"), QStringLiteral("№ зачетной книжки"), QStringLiteral("Результат")});
  table_->verticalHeader()->hide();
  table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  table_->setSelectionBehavior(QAbstractItemView::SelectRows);
  table_->horizontalHeader()->setStretchLastSection(true);
  const int cw = table_->fontMetrics().averageCharWidth();
  const int widths[] = {7, 16, 12, 14, 18};
  for (int i = 0; i < 5; ++i) table_->setColumnWidth(i, cw * (widths[i] + 2));
  l->addWidget(table_, 1);
  summary_ = new QLabel(QStringLiteral("Выберите файл и нажмите «Просмотреть»."), this);
  summary_->setWordWrap(true);
  l->addWidget(summary_);

  auto* buttons = new QHBoxLayout;
  add_ = new QPushButton(QStringLiteral("&Добавить"), this);
  add_->setEnabled(false);
  auto* close = new QPushButton(QStringLiteral("Закрыть"), this);
  auto* help = new QPushButton(QStringLiteral("Справка"), this);
  for (auto* b : {add_, close, help}) b->setAutoDefault(false);
  buttons->addStretch(1);
  buttons->addWidget(add_);
  buttons->addWidget(close);
  buttons->addWidget(help);
  l->addLayout(buttons);

  connect(pick, &QPushButton::clicked, this, &ImportWindow::browse);
  connect(look, &QPushButton::clicked, this, &ImportWindow::showPreview);
  connect(file_, &QLineEdit::returnPressed, this, &ImportWindow::showPreview);
  // A preview belongs to the file it was made of.
  connect(file_, &QLineEdit::textEdited, this, [this] {
    previewed_ = false;
    add_->setEnabled(false);
  });
  connect(add_, &QPushButton::clicked, this, &ImportWindow::importAccepted);
  connect(close, &QPushButton::clicked, this, &QDialog::reject);
  connect(help, &QPushButton::clicked, this, [this] { ui::openHelp(QString::fromLatin1(kProcedure), this); });
  ui::attachProcedure(this, QString::fromLatin1(kProcedure), [](QWidget* w) { w->resize(860, 520); });
}

void ImportWindow::browse() {
  const QString f = ui::openFileDialog(this, QStringLiteral("Файл со списком студентов"),
                                       QStringLiteral("Списки студентов|*.csv;*.txt|Все файлы|*.*"));
  if (f.isEmpty()) return;
  file_->setText(f);
  showPreview();
}

void ImportWindow::showPreview() {
  previewed_ = false;
  add_->setEnabled(false);
  table_->setRowCount(0);
  const QString f = file_->text().trimmed();
  if (f.isEmpty()) {
    summary_->setText(QStringLiteral("Не указан файл."));
    return;
  }
  ui::MessageService::instance().waitCursor(true);
  const Outcome o = previewImport(inst_, f.toStdString(), group_.code, preview_);
  ui::MessageService::instance().waitCursor(false);
  if (!o) {
    summary_->setText(q(o.message));
    tell(o, windowTitle());
    return;
  }
  table_->setRowCount(static_cast<int>(preview_.lines.size()));
  QStringList refused;
  int r = 0;
  for (const ImportLine& line : preview_.lines) {
    const QString cells[] = {QString::number(line.line), q(line.fam), q(line.name), q(line.otche), q(line.zachbook),
                             line.accepted ? QStringLiteral("будет добавлен") : QStringLiteral("отказ: ") + q(line.why)};
    for (int c = 0; c < 6; ++c) {
      auto* item = new QTableWidgetItem(cells[c]);
      if (c == 0) item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
      if (!line.accepted) item->setBackground(QColor(255, 226, 222));
      item->setToolTip(cells[5]);
      table_->setItem(r, c, item);
    }
    if (!line.accepted) refused << QString::number(line.line);
    ++r;
  }
  QString text = QStringLiteral("Группа %1, файл в кодировке %2%3. Будет добавлено: %4.")
                     .arg(q(preview_.groupName), q(preview_.encoding),
                          preview_.header ? QStringLiteral(" (первая строка — заголовок, пропущена)") : QString())
                     .arg(preview_.accepted());
  if (!refused.isEmpty())
    text += QStringLiteral(" Отказано: %1 (строки %2).").arg(refused.size()).arg(refused.join(QStringLiteral(", ")));
  summary_->setText(text);
  previewed_ = true;
  add_->setEnabled(preview_.accepted() > 0);
}

void ImportWindow::importAccepted() {
  if (!previewed_ || preview_.accepted() == 0) return;
  int added = 0;
  const Outcome o = importStudents(inst_, preview_, &added);
  if (!tell(o, windowTitle())) {
    // The group changed since the preview: show it as it is now.
    if (o.error == Outcome::Refused) showPreview();
    return;
  }
  added_ = added;
  ui::MessageService::instance().ask(q(o.message), windowTitle());
  accept();
}

}  // namespace administrator
