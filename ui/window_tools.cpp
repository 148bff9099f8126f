#include "window_tools.h"

#include <QDialogButtonBox>
#include <QApplication>
#include <QCalendarWidget>
#include <QDate>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QMimeData>
#include <QProgressBar>
#include <QPushButton>
#include <QShortcut>
#include <QTextCharFormat>
#include <QTimer>
#include <QVBoxLayout>

#include "datetime.h"

namespace ui {

QDialogButtonBox* okCancel(QDialog* d, const QString& ok, const QString& cancel) {
  auto* box = new QDialogButtonBox(d);
  box->addButton(ok, QDialogButtonBox::AcceptRole);
  box->addButton(cancel, QDialogButtonBox::RejectRole);
  QObject::connect(box, &QDialogButtonBox::accepted, d, &QDialog::accept);
  QObject::connect(box, &QDialogButtonBox::rejected, d, &QDialog::reject);
  return box;
}

QTimer* windowTimer(QWidget* window, int hundredths, std::function<void()> onTimer) {
  auto* t = new QTimer(window);
  t->setInterval(std::max(1, hundredths) * 10);
  QObject::connect(t, &QTimer::timeout, window, std::move(onTimer));
  t->start();
  return t;
}

void alertKey(QWidget* window, const QKeySequence& key, std::function<void()> action) {
  auto* s = new QShortcut(key, window);
  s->setContext(Qt::WindowShortcut);
  QObject::connect(s, &QShortcut::activated, window, std::move(action));
}

namespace {

class DropFilter : public QObject {
 public:
  DropFilter(QListWidget* from, QListWidget* to, std::function<void(int)> f)
      : QObject(to), from_(from), to_(to), dropped_(std::move(f)) {}

 protected:
  bool eventFilter(QObject*, QEvent* e) override {
    if (e->type() == QEvent::DragEnter || e->type() == QEvent::DragMove) {
      auto* d = static_cast<QDropEvent*>(e);
      if (d->source() == from_) {
        d->setDropAction(Qt::CopyAction);
        d->accept();
        return true;
      }
    }
    if (e->type() == QEvent::Drop) {
      auto* d = static_cast<QDropEvent*>(e);
      if (d->source() == from_) {
        int row = from_->currentRow();
        d->setDropAction(Qt::CopyAction);
        d->accept();
        if (row >= 0) dropped_(row);
        return true;
      }
    }
    return false;
  }

 private:
  QListWidget* from_;
  QListWidget* to_;
  std::function<void(int)> dropped_;
};

}  // namespace

void linkDragDrop(QListWidget* from, QListWidget* to, std::function<void(int row)> dropped) {
  from->setDragEnabled(true);
  from->setDragDropMode(QAbstractItemView::DragOnly);
  to->setAcceptDrops(true);
  to->viewport()->setAcceptDrops(true);
  to->setDragDropMode(QAbstractItemView::DropOnly);
  to->viewport()->installEventFilter(new DropFilter(from, to, std::move(dropped)));
}

CalendarDialog::CalendarDialog(std::int32_t day, QWidget* parent) : QDialog(parent) {
  setWindowTitle(QStringLiteral("Календарь"));
  auto* l = new QVBoxLayout(this);
  cal_ = new QCalendarWidget(this);
  cal_->setFirstDayOfWeek(Qt::Monday);
  cal_->setGridVisible(true);
  cal_->setVerticalHeaderFormat(QCalendarWidget::NoVerticalHeader);
  cal_->setHorizontalHeaderFormat(QCalendarWidget::NoHorizontalHeader);
  l->addWidget(cal_);
  // Heads of the week as the programs show them.
  auto* heads = new QHBoxLayout;
  heads->setSpacing(0);
  const char* names[] = {"ПНД", "ВТР", "СРД", "ЧТВ", "ПТН", "СУБ", "ВСК"};
  for (const char* n : names) {
    auto* h = new QLabel(QString::fromUtf8(n), this);
    h->setAlignment(Qt::AlignCenter);
    h->setObjectName(QString::fromUtf8(n));
    heads->addWidget(h);
  }
  l->insertLayout(0, heads);
  if (day > 0) {
    auto d = datetime::fromDayNumber(day);
    cal_->setSelectedDate(QDate(d.year, d.month, d.day));
  }
  auto* buttons = new QHBoxLayout;
  auto* ok = new QPushButton(QStringLiteral("&Выбрать"), this);
  auto* cancel = new QPushButton(QStringLiteral("Отменить"), this);
  ok->setDefault(true);
  buttons->addStretch(1);
  buttons->addWidget(ok);
  buttons->addWidget(cancel);
  l->addLayout(buttons);
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
  connect(cal_, &QCalendarWidget::activated, this, &QDialog::accept);
}

std::int32_t CalendarDialog::day() const {
  QDate d = cal_->selectedDate();
  return datetime::dayNumber(d.year(), d.month(), d.day());
}

std::optional<std::int32_t> pickDate(QWidget* parent, std::int32_t day) {
  CalendarDialog d(day, parent);
  if (d.exec() != QDialog::Accepted) return std::nullopt;
  return d.day();
}

ProgressWindow::ProgressWindow(const QString& text, QWidget* parent) : QDialog(parent) {
  setWindowTitle(QStringLiteral("Выполнение..."));
  auto* l = new QVBoxLayout(this);
  text_ = new QLabel(text, this);
  bar_ = new QProgressBar(this);
  bar_->setRange(0, 100);
  cancel_ = new QPushButton(QStringLiteral("О&тменить"), this);
  l->addWidget(text_);
  l->addWidget(bar_);
  auto* b = new QHBoxLayout;
  b->addStretch(1);
  b->addWidget(cancel_);
  l->addLayout(b);
  connect(cancel_, &QPushButton::clicked, this, [this] { cancelled_ = true; });
  resize(360, 120);
}

void ProgressWindow::setText(const QString& text) { text_->setText(text); }

void ProgressWindow::reject() {
  cancelled_ = true;
  QDialog::reject();
}

bool ProgressWindow::step(int percent) {
  bar_->setValue(std::clamp(percent, 0, 100));
  QApplication::processEvents();
  return !cancelled_;
}

}  // namespace ui
