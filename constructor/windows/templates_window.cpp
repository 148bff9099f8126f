#include "templates_window.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "message_service.h"
#include "window_memory.h"
#include "window_tools.h"

namespace constructor {
namespace {
auto& ms() { return ui::MessageService::instance(); }
void report(const Outcome& o, const QString& caption) {
  if (!o) ms().ask(QString::fromStdString(o.message), caption, messages::Buttons::Ok, messages::Icon::Exclamation);
}
}  // namespace

TemplateForm::TemplateForm(InstructionTemplates& store, std::uint8_t code, const QString& text, QWidget* parent)
    : QDialog(parent), store_(store), code_(code) {
  setObjectName(QString::fromLatin1(kProcedure));
  setWindowTitle(QStringLiteral("Изменение записи..."));
  auto* outer = new QVBoxLayout(this);
  auto* form = new QFormLayout;
  form->addRow(QStringLiteral("Код:"), new QLabel(code ? QString::number(code) : QStringLiteral("(новый)"), this));
  outer->addLayout(form);
  text_ = new QPlainTextEdit(text, this);
  outer->addWidget(text_, 1);
  auto* status = new QLabel(code ? QStringLiteral("Запись будет изменена") : QStringLiteral("Запись будет добавлена"), this);
  status->setFrameShape(QFrame::StyledPanel);
  outer->addWidget(ui::okCancel(this, QStringLiteral("OK"), QStringLiteral("&Отменить")));
  outer->addWidget(status);
  resize(520, 380);
  ui::attachProcedure(this, QString::fromLatin1(kProcedure));
}

void TemplateForm::accept() {
  const std::string text = text_->toPlainText().toStdString();
  Outcome o = code_ ? store_.change(code_, text) : store_.add(text, saved_);
  if (!o) {
    report(o, windowTitle());
    return;
  }
  if (code_) saved_ = code_;
  QDialog::accept();
}

TemplatesWindow::TemplatesWindow(const std::string& file, bool choosing, QWidget* parent) : QDialog(parent), store_(file) {
  setObjectName(QString::fromLatin1(kProcedure));
  setWindowTitle(QStringLiteral("Шаблоны инструкций"));
  auto* outer = new QVBoxLayout(this);
  outer->addWidget(new QLabel(QStringLiteral("Список шаблонов"), this));
  list_ = new QTableWidget(0, 2, this);
  list_->setHorizontalHeaderLabels({QStringLiteral("Код"), QStringLiteral("Заголовок")});
  list_->verticalHeader()->hide();
  list_->setSelectionBehavior(QAbstractItemView::SelectRows);
  list_->setSelectionMode(QAbstractItemView::SingleSelection);
  list_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  list_->horizontalHeader()->setSectionResizeMode(1, QHeaderView::Stretch);
  list_->setColumnWidth(0, 50);
  outer->addWidget(list_, 2);
  outer->addWidget(new QLabel(QStringLiteral("Полный текст"), this));
  full_ = new QPlainTextEdit(this);
  full_->setReadOnly(true);
  outer->addWidget(full_, 1);
  auto* row = new QHBoxLayout;
  auto add = [this, row](const QString& text, auto f) {
    auto* b = new QPushButton(text, this);
    b->setAutoDefault(false);
    connect(b, &QPushButton::clicked, this, f);
    row->addWidget(b);
    buttons_.push_back(b);
    return b;
  };
  add(QStringLiteral("&Добавить"), [this] { addTemplate(); });
  add(QStringLiteral("&Изменить"), [this] { changeTemplate(); });
  add(QStringLiteral("&Удалить"), [this] { deleteTemplate(); });
  auto pick = [this] {
    int i = current();
    if (i < 0) return;
    chosen_ = QString::fromStdString(rows_[static_cast<std::size_t>(i)].text);
    accept();
  };
  add(QStringLiteral("&Выбрать"), pick)->setVisible(choosing);
  row->addStretch(1);
  add(QStringLiteral("Закрыть"), [this] { reject(); });
  outer->addLayout(row);
  connect(list_, &QTableWidget::currentCellChanged, this, [this] { showCurrent(); });
  connect(list_, &QTableWidget::cellDoubleClicked, this, [this, choosing, pick] {
    if (choosing) pick();
    else changeTemplate();
  });
  resize(600, 480);
  reload();
  ui::attachProcedure(this, QString::fromLatin1(kProcedure));
}

QPushButton* TemplatesWindow::button(const QString& text) const {
  for (auto* b : buttons_)
    if (b->text() == text) return b;
  return nullptr;
}

void TemplatesWindow::reload(std::uint8_t select) {
  report(store_.list(rows_), windowTitle());
  list_->setRowCount(static_cast<int>(rows_.size()));
  int current = 0;
  for (std::size_t i = 0; i < rows_.size(); ++i) {
    list_->setItem(static_cast<int>(i), 0, new QTableWidgetItem(QString::number(rows_[i].code)));
    list_->setItem(static_cast<int>(i), 1, new QTableWidgetItem(QString::fromStdString(rows_[i].title())));
    if (rows_[i].code == select) current = static_cast<int>(i);
  }
  if (!rows_.empty()) list_->setCurrentCell(current, 0);
  showCurrent();
}

int TemplatesWindow::current() const {
  int r = list_->currentRow();
  return r >= 0 && r < static_cast<int>(rows_.size()) ? r : -1;
}

void TemplatesWindow::showCurrent() {
  int i = current();
  full_->setPlainText(i < 0 ? QString() : QString::fromStdString(rows_[static_cast<std::size_t>(i)].text));
  for (auto* b : buttons_)
    if (b->text() != QStringLiteral("&Добавить") && b->text() != QStringLiteral("Закрыть")) b->setEnabled(i >= 0);
}

bool TemplatesWindow::addTemplate() {
  TemplateForm f(store_, 0, {}, this);
  if (f.exec() != QDialog::Accepted) return false;
  reload(f.savedCode());
  return true;
}

bool TemplatesWindow::changeTemplate() {
  int i = current();
  if (i < 0) return false;
  const auto& t = rows_[static_cast<std::size_t>(i)];
  TemplateForm f(store_, t.code, QString::fromStdString(t.text), this);
  if (f.exec() != QDialog::Accepted) return false;
  reload(f.savedCode());
  return true;
}

bool TemplatesWindow::deleteTemplate() {
  int i = current();
  if (i < 0) return false;
  if (ms().show(messages::standard(32, {})) != messages::Yes) return false;
  Outcome o = store_.remove(rows_[static_cast<std::size_t>(i)].code);
  report(o, windowTitle());
  reload();
  return static_cast<bool>(o);
}

}  // namespace constructor
