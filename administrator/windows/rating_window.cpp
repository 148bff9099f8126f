#include "rating_window.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QPainter>
#include <QPushButton>
#include <QStackedWidget>
#include <QTableWidget>
#include <QVBoxLayout>

#include "administrator_app.h"
#include "contingent.h"
#include "contingent_forms.h"
#include "grade_sheet_windows.h"
#include "icons.h"
#include "main_frame.h"
#include "message_service.h"
#include "previewer.h"
#include "result_file.h"
#include "services.h"
#include "tables_work.h"
#include "window_memory.h"
#include "window_tools.h"

namespace administrator {
namespace {

auto& ms() { return ui::MessageService::instance(); }
QString q(const std::string& utf8) { return QString::fromStdString(utf8); }
const QString kCaption = QStringLiteral("Рейтинг тестируемых");

std::vector<std::string> utf8(const QStringList& l) {
  std::vector<std::string> out;
  for (const QString& s : l) out.push_back(s.toStdString());
  return out;
}

}  // namespace

class TagList : public QListWidget {
 public:
  explicit TagList(QWidget* parent) : QListWidget(parent) {
    setContextMenuPolicy(Qt::CustomContextMenu);
    connect(this, &QListWidget::itemChanged, this, [this](QListWidgetItem* it) {
      const QString t = it->text();
      order_.removeAll(t);
      if (it->checkState() == Qt::Checked) order_ << t;
    });
    connect(this, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
      QMenu m(this);
      m.addAction(QStringLiteral("Отметить все записи"), this, [this] { setAll(Qt::Checked); });
      m.addAction(QStringLiteral("Снять все отметки"), this, [this] { setAll(Qt::Unchecked); });
      m.addAction(QStringLiteral("Реверсировать отметки"), this, [this] { flip(); });
      m.exec(viewport()->mapToGlobal(at));
    });
  }

  void fill(const QStringList& entries) {
    clear();
    order_.clear();
    for (const QString& e : entries) {
      auto* it = new QListWidgetItem(e, this);
      it->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
      it->setCheckState(Qt::Unchecked);
    }
    order_.clear();
  }
  const QStringList& order() const { return order_; }
  void setAll(Qt::CheckState s) {
    for (int i = 0; i < count(); ++i) item(i)->setCheckState(s);
  }
  void flip() {
    for (int i = 0; i < count(); ++i)
      item(i)->setCheckState(item(i)->checkState() == Qt::Checked ? Qt::Unchecked : Qt::Checked);
  }
  void toggle(QListWidgetItem* it) {
    if (it) it->setCheckState(it->checkState() == Qt::Checked ? Qt::Unchecked : Qt::Checked);
  }

 protected:
  void keyPressEvent(QKeyEvent* e) override {
    const bool ctrl = e->modifiers() & Qt::ControlModifier;
    if (e->key() == Qt::Key_F12 || (e->key() == Qt::Key_Space && !ctrl)) return toggle(currentItem());
    if (ctrl && (e->key() == Qt::Key_Plus || e->key() == Qt::Key_Equal)) return setAll(Qt::Checked);
    if (ctrl && e->key() == Qt::Key_Minus) return setAll(Qt::Unchecked);
    if (ctrl && e->key() == Qt::Key_Asterisk) return flip();
    QListWidget::keyPressEvent(e);
  }

 private:
  QStringList order_;
};

RatingWindow::RatingWindow(const setup::Installation& inst, QWidget* parent) : QDialog(parent), inst_(inst) {
  setObjectName(QString::fromLatin1(kRatingProcedure));
  setWindowTitle(kCaption);
  setWindowFlags(windowFlags() | Qt::WindowMaximizeButtonHint | Qt::WindowMinimizeButtonHint);
  pickExportFile = [](QWidget* p) {
    return ui::saveFileDialog(p, QStringLiteral("Экспорт рейтинга"), QStringLiteral("Таблицы CSV|*.csv"));
  };
  auto* outer = new QVBoxLayout(this);
  pages_ = new QStackedWidget(this);
  outer->addWidget(pages_, 1);
  auto button = [this](QBoxLayout* row, const QString& text, auto f, const QIcon& icon = {}) {
    auto* b = new QPushButton(icon, text, this);
    b->setAutoDefault(false);
    row->addWidget(b);
    connect(b, &QPushButton::clicked, this, f);
    return b;
  };

  // First page: the conditions.
  auto* first = new QWidget(pages_);
  auto* fl = new QVBoxLayout(first);
  auto* title = new QLabel(QStringLiteral("Условия "), first);
  QFont tf = title->font();
  tf.setBold(true);
  title->setFont(tf);
  fl->addWidget(title);
  auto* choice = new QHBoxLayout;
  choice->addWidget(new QLabel(QStringLiteral("Тест:"), first));
  testChoice_ = new QComboBox(first);
  testChoice_->setObjectName(QStringLiteral("testChoice"));
  testChoice_->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
  testChoice_->setMinimumContentsLength(40);
  choice->addWidget(testChoice_, 1);
  fl->addLayout(choice);
  auto* lists = new QHBoxLayout;
  auto addList = [&](const QString& heading, const char* name) {
    auto* box = new QGroupBox(heading, first);
    auto* bl = new QVBoxLayout(box);
    auto* l = new TagList(box);
    l->setObjectName(QString::fromLatin1(name));
    l->setToolTip(QStringLiteral("Пробел или F12 - отметить; Ctrl+\"+\", Ctrl+\"-\", Ctrl+\"*\" - все; учитываются первые %1 отмеченных")
                      .arg(kRatingListMax));
    bl->addWidget(l);
    lists->addWidget(box, 1);
    return l;
  };
  journals_ = addList(QStringLiteral("Выбор архива результатов"), "journals");
  tests_ = addList(QStringLiteral("Тесты"), "tests");
  groups_ = addList(QStringLiteral("Группы"), "groups");
  fl->addLayout(lists, 1);
  auto* firstRow = new QHBoxLayout;
  firstRow->addStretch(1);
  button(firstRow, QStringLiteral("Далее"), [this] { next(); }, ui::arrowIcon(ui::Arrow::Down))->setObjectName(QStringLiteral("next"));
  button(firstRow, QStringLiteral("Справка"), [this] { ui::openHelp(QString::fromLatin1(kRatingProcedure), this); }, ui::helpIcon());
  button(firstRow, QStringLiteral("Закрыть"), [this] { reject(); });
  fl->addLayout(firstRow);
  pages_->addWidget(first);

  // Second page: the rating.
  auto* second = new QWidget(pages_);
  auto* sl = new QVBoxLayout(second);
  list_ = new QTableWidget(0, 4, second);
  list_->setObjectName(QStringLiteral("rating"));
  list_->setHorizontalHeaderLabels({QStringLiteral("Место"), QStringLiteral("Балл"), QStringLiteral("Испытуемый"), QStringLiteral("Группа")});
  list_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  list_->setSelectionBehavior(QAbstractItemView::SelectRows);
  list_->setSelectionMode(QAbstractItemView::SingleSelection);
  list_->verticalHeader()->hide();
  list_->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
  list_->horizontalHeader()->setSectionResizeMode(2, QHeaderView::Stretch);
  sl->addWidget(list_, 1);
  auto* secondRow = new QHBoxLayout;
  button(secondRow, QStringLiteral("Назад"), [this] { back(); }, ui::arrowIcon(ui::Arrow::Up));
  secondRow->addStretch(1);
  const QColor blue(52, 101, 164);
  button(secondRow, QStringLiteral("Печать"), [this] { print(); }, ui::letterIcon(QStringLiteral("П"), blue));
  button(secondRow, QStringLiteral("Экспорт"), [this] { exportCsv(); }, ui::letterIcon(QStringLiteral("CSV"), blue));
  button(secondRow, QStringLiteral("Справка"), [this] { ui::openHelp(QString::fromLatin1(kRatingProcedure), this); }, ui::helpIcon());
  button(secondRow, QStringLiteral("Закрыть"), [this] { reject(); });
  sl->addLayout(secondRow);
  pages_->addWidget(second);

  // The lists: journals by file name, the tests of the grade sheets, the groups.
  std::vector<std::string> names;
  for (const auto& l : results::list(inst_.base)) names.push_back(l.name);
  QStringList journals;
  for (const std::string& n : journalChoices(names)) journals << q(n);
  journals_->fill(journals);
  std::vector<std::string> testNames;
  if (Outcome o = vedomTests(inst_.central(tables::files::Vedom), testNames); !o) tell(o, kCaption);
  QStringList tests;
  for (const auto& t : testNames) tests << q(t);
  tests_->fill(tests);
  testChoice_->addItems(tests);
  testChoice_->setCurrentIndex(-1);
  // A test chosen in the drop list is tagged in the list of tests.
  connect(testChoice_, &QComboBox::activated, this, [this](int i) {
    const auto found = tests_->findItems(testChoice_->itemText(i), Qt::MatchExactly);
    if (found.isEmpty()) return;
    tests_->setCurrentItem(found.front());
    found.front()->setCheckState(Qt::Checked);
  });
  std::vector<GroupRow> groups;
  tell(Contingent(inst_).groups(groups), kCaption);
  QStringList groupNames;
  for (const auto& g : groups) groupNames << q(g.name);
  groupNames.removeDuplicates();
  groups_->fill(groupNames);

  timer_.setInterval(0);
  connect(&timer_, &QTimer::timeout, this, [this] { tick(); });
  helpOnF1(this, QString::fromLatin1(kRatingProcedure));
  resize(820, 520);
}

RatingWindow::~RatingWindow() = default;

QListWidget* RatingWindow::journals() const { return journals_; }
QListWidget* RatingWindow::tests() const { return tests_; }
QListWidget* RatingWindow::groups() const { return groups_; }
QStringList RatingWindow::tagged(QListWidget* list) const { return static_cast<TagList*>(list)->order(); }
int RatingWindow::page() const { return pages_->currentIndex(); }

void RatingWindow::next() {
  if (running()) return;
  const RatingConditions c =
      ratingConditions(utf8(journals_->order()), utf8(tests_->order()), utf8(groups_->order()));
  pass_ = std::make_unique<RatingPass>(inst_.central(tables::files::Vedom), c);
  if (Outcome o = pass_->start(); !o) {
    tell(o, kCaption);
    pass_.reset();
    return;
  }
  progress_ = std::make_unique<ui::ProgressWindow>(q(pass_->progressText()), this);
  progress_->setWindowTitle(QStringLiteral("Чтение файла"));
  connect(progress_.get(), &QDialog::rejected, this, [this] { stop(); });
  progress_->show();
  timer_.start();
}

void RatingWindow::tick() {
  // The progress window lets events through; a tick must not start inside another.
  if (ticking_ || !pass_) return;
  ticking_ = true;
  const bool done = pass_->step(20000);
  const std::int64_t total = pass_->bytesTotal();
  progress_->setText(q(pass_->progressText()));
  const bool going = progress_->step(total ? static_cast<int>(pass_->bytesRead() * 100 / total) : 100);
  ticking_ = false;
  if (!pass_) return;  // the progress window was closed meanwhile
  if (!going) return stop();
  if (done) finish();
}

void RatingWindow::stop() {
  timer_.stop();
  pass_.reset();
  if (progress_) {
    progress_->hide();
    progress_.release()->deleteLater();
  }
}

void RatingWindow::finish() {
  timer_.stop();
  Outcome o = pass_->error();
  if (o) {
    rows_ = pass_->rows();
    o = writeRatingTable(inst_.work(tables::files::RtingSel), rows_);
  }
  stop();
  if (!tell(o, kCaption)) return;
  list_->setRowCount(static_cast<int>(rows_.size()));
  for (int r = 0; r < static_cast<int>(rows_.size()); ++r) {
    const RatingRow& row = rows_[static_cast<std::size_t>(r)];
    const QString cells[] = {QString::number(row.place), QString::number(row.score), q(row.name), q(row.group)};
    for (int c = 0; c < 4; ++c) {
      auto* it = new QTableWidgetItem(cells[c]);
      it->setTextAlignment(Qt::AlignVCenter | (c < 2 ? Qt::AlignRight : Qt::AlignLeft));
      list_->setItem(r, c, it);
    }
  }
  pages_->setCurrentIndex(1);
  if (!rows_.empty()) list_->selectRow(0);
  list_->setFocus();
}

void RatingWindow::back() {
  for (TagList* l : {journals_, tests_, groups_}) l->setAll(Qt::Unchecked);
  testChoice_->setCurrentIndex(-1);
  pages_->setCurrentIndex(0);
}

void RatingWindow::closeEvent(QCloseEvent* e) {
  stop();
  QDialog::closeEvent(e);
}

std::unique_ptr<ui::Report> ratingReport(const std::vector<RatingRow>& rows, const std::function<bool(std::size_t)>& step) {
  auto r = std::make_unique<ui::Report>(QStringLiteral("Отчет по рейтингу"), QPageLayout::Landscape);
  const QStringList heads = {QStringLiteral("Code Rei"), QStringLiteral("Code St"), QStringLiteral("Студент"),
                             QStringLiteral("GR"),       QStringLiteral("File Rez"), QStringLiteral("Ball"),
                             QStringLiteral("F"),        QStringLiteral("Cum F"),    QStringLiteral("Pros Rei"),
                             QStringLiteral("Mesto"),    QStringLiteral("Тест")};
  const double w = r->area().width();
  // Numbers narrow, names and the test wide; the rest of the page to the test.
  std::vector<double> widths = {50, 48, 150, 60, 70, 44, 32, 46, 52, 44};
  double used = 0;
  for (double x : widths) used += x;
  widths.push_back(std::max(80.0, w - used));
  const Qt::Alignment right = Qt::AlignRight | Qt::AlignVCenter, left = Qt::AlignLeft | Qt::AlignVCenter;
  std::vector<Qt::Alignment> align = {right, right, left, left, left, right, right, right, right, right, left};
  const QFont headFont = r->font(9, true), titleFont = r->font(13, true);
  r->setPageHeader(44, [=](QPainter& p, const QRectF& area, int, int) {
    p.setFont(titleFont);
    p.drawText(QRectF(area.left(), area.top(), area.width(), 22), Qt::AlignHCenter | Qt::AlignTop, QStringLiteral("Отчет по рейтингу"));
    p.setFont(headFont);
    double x = area.left();
    for (std::size_t i = 0; i < widths.size(); ++i) {
      p.drawText(QRectF(x + 2, area.top() + 24, widths[i] - 4, 16), align[i], heads[static_cast<int>(i)]);
      x += widths[i];
    }
    p.drawLine(QPointF(area.left(), area.bottom() - 1), QPointF(area.right(), area.bottom() - 1));
  });
  const QFont footFont = r->font(8);
  r->setPageFooter(16, [footFont](QPainter& p, const QRectF& area, int page, int) {
    p.setFont(footFont);
    p.drawText(area, Qt::AlignRight | Qt::AlignBottom, QStringLiteral("Лист %1").arg(page));
  });
  for (std::size_t i = 0; i < rows.size(); ++i) {
    if (step && i % kReportStep == 0 && !step(i)) return nullptr;
    const RatingRow& row = rows[i];
    r->addRow(widths,
              {QString::number(row.number), QString::number(row.student), q(row.name), q(row.group), q(row.journal),
               QString::number(row.score), QString::number(row.f), QString::number(row.cumf),
               QString::number(row.percentile, 'f', 1), QString::number(row.place), q(row.test)},
              8, false, align);
  }
  if (step && !step(rows.size())) return nullptr;
  return r;
}

void RatingWindow::print() {
  report_.reset();
  ui::ProgressWindow progress(QStringLiteral("Выполнение..."), this);
  progress.setWindowModality(Qt::ApplicationModal);
  progress.show();
  const std::size_t total = rows_.size();
  auto report = ratingReport(rows_, [&](std::size_t done) {
    const int percent = total ? static_cast<int>(done * 100 / total) : 100;
    progress.setText(QStringLiteral("Обработано записей: %1 из %2\nВыполнено %3%").arg(done).arg(total).arg(percent));
    const bool going = progress.step(percent);
    if (printStepped) printStepped(done);
    return going && !progress.cancelled();
  });
  progress.hide();
  // Stopped by "О&тменить": nothing to preview.
  if (!report) return;
  report_ = std::move(report);
  ui::Previewer preview(*report_, this);
  preview.exec();
}

void RatingWindow::exportCsv() { writeExport(this, pickExportFile, ratingCsv(rows_), kCaption); }

QWidget* AdministratorApp::openRating() {
  auto* w = new RatingWindow(inst_, frame_.get());
  showExclusive(w);
  return w;
}

}  // namespace administrator
