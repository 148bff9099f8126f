#include "transfer_window.h"

#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QVBoxLayout>

#include "contingent_forms.h"
#include "window_memory.h"
#include "window_tools.h"

namespace administrator {

TransferWindow::TransferWindow(const setup::Installation& inst, const GroupRow& from, QWidget* parent)
    : QDialog(parent), inst_(inst), from_(from) {
  setObjectName(QString::fromLatin1(kProcedure));
  setWindowTitle(QStringLiteral("Перевод студентов в другую группу"));
  auto* l = new QVBoxLayout(this);
  auto* f = new QFormLayout;
  f->addRow(QStringLiteral("Из группы:"), new QLabel(QStringLiteral("%1 (код %2)").arg(QString::fromStdString(from.name)).arg(from.code), this));
  to_ = new QComboBox(this);
  to_->setObjectName(QStringLiteral("target"));
  to_->setMinimumWidth(260);
  tell(Contingent(inst).groups(groups_), windowTitle());
  for (const GroupRow& g : groups_)
    if (g.code != from.code) to_->addItem(QStringLiteral("%1 (код %2)").arg(QString::fromStdString(g.name)).arg(g.code), g.code);
  f->addRow(QStringLiteral("В группу:"), to_);
  l->addLayout(f);
  wait_ = new QLabel(QStringLiteral("Ждите..."), this);
  wait_->hide();
  l->addWidget(wait_);
  l->addWidget(ui::okCancel(this, QStringLiteral("OK"), QStringLiteral("Отмена")));
  ui::attachProcedure(this, QString::fromLatin1(kProcedure));
}

void TransferWindow::accept() {
  if (to_->currentIndex() < 0) {
    tell(Outcome::refused("Нет другой группы, в которую можно перевести студентов."), windowTitle());
    return;
  }
  const std::int32_t to = to_->currentData().toInt();
  wait_->show();
  QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
  int moved = 0;
  const Outcome o = Contingent(inst_).transfer(from_.code, to, &moved);
  wait_->hide();
  if (!tell(o, windowTitle())) return;
  movedTo_ = to;
  moved_ = moved;
  QDialog::accept();
}

}  // namespace administrator
