#include "copy_window.h"

#include <QFont>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "message_service.h"
#include "services.h"
#include "test_summary.h"
#include "window_memory.h"

namespace constructor {
namespace {

auto& ms() { return ui::MessageService::instance(); }
QString u8(const std::string& s) { return QString::fromStdString(s); }

QTableWidget* list(const QStringList& headings, QWidget* parent) {
  auto* t = new QTableWidget(0, static_cast<int>(headings.size()), parent);
  t->setHorizontalHeaderLabels(headings);
  t->verticalHeader()->hide();
  t->setSelectionBehavior(QAbstractItemView::SelectRows);
  t->setSelectionMode(QAbstractItemView::SingleSelection);
  t->setEditTriggers(QAbstractItemView::NoEditTriggers);
  t->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);
  t->horizontalHeader()->setSectionResizeMode(1, QHeaderView::ResizeToContents);
  t->verticalHeader()->setDefaultSectionSize(t->fontMetrics().height() + 6);
  return t;
}

}  // namespace

CopyWindow::CopyWindow(const std::string& libraryFile, const std::string& currentBase, bool move, int tagged, QWidget* parent,
                       const std::string& reserveFile)
    : QDialog(parent) {
  setObjectName(QString::fromLatin1(kProcedure));
  setWindowTitle(QStringLiteral("Импорт заданий"));
  auto* outer = new QVBoxLayout(this);
  auto* heading = new QLabel(QStringLiteral("Импорт тестовых заданий"), this);
  QFont hf = heading->font();
  hf.setBold(true);
  hf.setPointSizeF(hf.pointSizeF() * 1.2);
  heading->setFont(hf);
  outer->addWidget(heading);
  auto* hint = new QLabel(QStringLiteral("Выберите определенный тест из любой Базы Тестов, затем - задания для импорта"), this);
  hint->setWordWrap(true);
  outer->addWidget(hint);

  auto* box = new QGroupBox(move ? QStringLiteral("Перемещение выбранных заданий") : QStringLiteral("Копирование выбранных заданий"), this);
  auto* bl = new QVBoxLayout(box);
  bl->addWidget(new QLabel(QStringLiteral("Базы Тестов"), box));
  bases_ = list({QStringLiteral("Библитотека тестов"), QStringLiteral("Путь")}, box);
  bases_->setObjectName(QStringLiteral("bases"));
  bl->addWidget(bases_, 2);
  bl->addWidget(new QLabel(QStringLiteral("Выбрать тест, куда копировать (перместить) задания"), box));
  tests_ = list({QStringLiteral("Имя теста"), QStringLiteral("Дата")}, box);
  tests_->setObjectName(QStringLiteral("tests"));
  bl->addWidget(tests_, 3);
  auto* grid = new QHBoxLayout;
  grid->addWidget(new QLabel(QStringLiteral("В тест-приемник:"), box));
  target_ = new QLabel(QStringLiteral("(не выбран)"), box);
  target_->setObjectName(QStringLiteral("target"));
  target_->setFrameShape(QFrame::StyledPanel);
  grid->addWidget(target_, 1);
  grid->addSpacing(16);
  grid->addWidget(new QLabel(QStringLiteral("Отобрано:"), box));
  count_ = new QLabel(QStringLiteral("%1").arg(tagged), box);
  count_->setObjectName(QStringLiteral("count"));
  count_->setFrameShape(QFrame::StyledPanel);
  count_->setMinimumWidth(40);
  count_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  grid->addWidget(count_);
  grid->addWidget(new QLabel(QStringLiteral("записей"), box));
  bl->addLayout(grid);
  outer->addWidget(box, 1);

  auto* row = new QHBoxLayout;
  row->addStretch(1);
  auto add = [this, row](const QString& text) {
    auto* b = new QPushButton(text, this);
    b->setAutoDefault(false);
    row->addWidget(b);
    buttons_.push_back(b);
    return b;
  };
  QPushButton* ok = add(QStringLiteral("OK"));
  ok->setDefault(true);
  connect(ok, &QPushButton::clicked, this, &CopyWindow::accept);
  connect(add(QStringLiteral("Отмена")), &QPushButton::clicked, this, &QDialog::reject);
  connect(add(QStringLiteral("Помощь")), &QPushButton::clicked, this, [this] { ui::openHelp(QString::fromLatin1(kProcedure), this); });
  outer->addLayout(row);

  // Tests may go to a base of either library: the main one's first.
  std::size_t mainCount = 0;
  for (const std::string& file : {libraryFile, reserveFile}) {
    if (file.empty()) continue;
    std::vector<TestBase> found;
    store::ErrorInfo e;
    if (listBases(file, found, &e) != store::Ok && e.code != store::FileNotFound)
      ms().ask(QStringLiteral("Не удалось прочитать библиотеку баз тестов %1: %2").arg(u8(file), u8(e.text())), windowTitle(),
               messages::Buttons::Ok, messages::Icon::Exclamation);
    if (&file == &libraryFile) mainCount = found.size();
    baseList_.insert(baseList_.end(), found.begin(), found.end());
  }
  bases_->setRowCount(static_cast<int>(baseList_.size()));
  int current = -1;
  for (std::size_t i = 0; i < baseList_.size(); ++i) {
    const auto& b = baseList_[i];
    QString shown = b.name.empty() ? u8(b.dir) : u8(b.name);
    if (i >= mainCount) shown += QStringLiteral(" (резервная библиотека)");
    bases_->setItem(static_cast<int>(i), 0, new QTableWidgetItem(shown));
    bases_->setItem(static_cast<int>(i), 1, new QTableWidgetItem(u8(b.dir)));
    if (current < 0 && b.dir == currentBase) current = static_cast<int>(i);
  }
  connect(bases_, &QTableWidget::currentCellChanged, this, [this](int r, int, int previous, int) {
    if (r != previous) chooseBase(r);
  });
  connect(tests_, &QTableWidget::currentCellChanged, this, [this](int r, int, int previous, int) {
    if (r != previous) chooseTest(r);
  });
  connect(tests_, &QTableWidget::cellDoubleClicked, this, [this](int r, int) {
    if (chooseTest(r)) accept();
  });
  if (current >= 0) bases_->setCurrentCell(current, 0);
  resize(620, 560);
  ui::attachProcedure(this, QString::fromLatin1(kProcedure));
}

QPushButton* CopyWindow::button(const QString& text) const {
  for (auto* b : buttons_)
    if (b->text() == text) return b;
  return nullptr;
}

bool CopyWindow::chooseBase(int row) {
  if (row < 0 || row >= static_cast<int>(baseList_.size())) return false;
  if (bases_->currentRow() != row) bases_->setCurrentCell(row, 0);
  baseDir_ = baseList_[static_cast<std::size_t>(row)].dir;
  testList_ = testsOf(baseDir_);
  chosen_.reset();
  target_->setText(QStringLiteral("(не выбран)"));
  QSignalBlocker quiet(tests_);
  tests_->setRowCount(static_cast<int>(testList_.size()));
  for (std::size_t i = 0; i < testList_.size(); ++i) {
    tests_->setItem(static_cast<int>(i), 0, new QTableWidgetItem(u8(testList_[i].shown)));
    tests_->item(static_cast<int>(i), 0)->setToolTip(u8(testList_[i].base));
    tests_->setItem(static_cast<int>(i), 1, new QTableWidgetItem(u8(dateAndTime(testList_[i].date, 0))));
  }
  tests_->setCurrentCell(-1, -1);
  return true;
}

bool CopyWindow::chooseTest(int row) {
  if (row < 0 || row >= static_cast<int>(testList_.size())) return false;
  if (tests_->currentRow() != row) {
    QSignalBlocker quiet(tests_);
    tests_->setCurrentCell(row, 0);
  }
  chosen_ = TransferTarget{baseDir_, testList_[static_cast<std::size_t>(row)].base};
  target_->setText(u8(testList_[static_cast<std::size_t>(row)].shown));
  target_->setToolTip(u8(baseDir_ + chosen_->test + ".orm"));
  return true;
}

void CopyWindow::accept() {
  if (!chosen_) {
    ms().ask(QStringLiteral("Выберите тест-приемник заданий"), QStringLiteral("Ошибка"), messages::Buttons::Ok,
             messages::Icon::Exclamation);
    return;
  }
  QDialog::accept();
}

std::optional<TransferTarget> chooseTransferTarget(const Startup& s, const std::string& currentBase, bool move, int tagged,
                                                   QWidget* parent) {
  CopyWindow w(libraryFile(s.inst, false), currentBase, move, tagged, parent, libraryFile(s.inst, true));
  if (w.exec() != QDialog::Accepted) return std::nullopt;
  return w.target();
}

}  // namespace constructor
