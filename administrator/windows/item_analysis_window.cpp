#include "item_analysis_window.h"

#include <QComboBox>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QSaveFile>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QStandardItemModel>
#include <QTabWidget>
#include <QTableWidget>
#include <QTreeView>
#include <QVBoxLayout>

#include "administrator_app.h"
#include "archive_window.h"
#include "icons.h"
#include "main_frame.h"
#include "message_service.h"
#include "previewer.h"
#include "record_format.h"
#include "report.h"
#include "services.h"
#include "window_memory.h"

namespace administrator {
namespace {

auto& ms() { return ui::MessageService::instance(); }
QString q(const std::string& utf8) { return QString::fromStdString(utf8); }
const QString kCaption = QStringLiteral("Анализ теста");
const QString kResults = QStringLiteral("Всего проведено тестов:");
const QString kFrames = QStringLiteral("Количество заданий:");

// How long one timer tick reads before the window answers again.
constexpr int kSliceMs = 30;

// The test chosen last in this run: the list comes back to it.
analysis::TestKey& lastChosen() {
  static analysis::TestKey k;
  return k;
}

void fillTable(QTableWidget* t, const analysis::TextTable& text, const std::vector<int>& leftColumns) {
  t->clearContents();
  t->setRowCount(static_cast<int>(text.rows.size()));
  for (int r = 0; r < static_cast<int>(text.rows.size()); ++r) {
    const auto& row = text.rows[static_cast<std::size_t>(r)];
    for (int c = 0; c < static_cast<int>(row.size()); ++c) {
      auto* item = new QTableWidgetItem(q(row[static_cast<std::size_t>(c)]));
      const bool left = std::find(leftColumns.begin(), leftColumns.end(), c) != leftColumns.end();
      item->setTextAlignment(Qt::AlignVCenter | (left ? Qt::AlignLeft : Qt::AlignRight));
      if (left) item->setToolTip(item->text());
      t->setItem(r, c, item);
    }
  }
}

QTableWidget* makeTable(const std::vector<QString>& headings, QWidget* parent) {
  auto* t = new QTableWidget(0, static_cast<int>(headings.size()), parent);
  QStringList h;
  for (const QString& s : headings) h << s;
  t->setHorizontalHeaderLabels(h);
  t->setEditTriggers(QAbstractItemView::NoEditTriggers);
  t->setSelectionBehavior(QAbstractItemView::SelectRows);
  t->setSelectionMode(QAbstractItemView::SingleSelection);
  t->verticalHeader()->hide();
  t->verticalHeader()->setDefaultSectionSize(t->fontMetrics().height() + 6);
  return t;
}

}  // namespace

ItemAnalysisWindow::ItemAnalysisWindow(const setup::Installation& inst, QWidget* parent)
    : QDialog(parent), inst_(inst), journal_(q(inst.fileRez)) {
  setObjectName(QString::fromLatin1(kProcedure));
  setWindowTitle(kCaption);
  setWindowFlags(windowFlags() | Qt::WindowMaximizeButtonHint | Qt::WindowMinimizeButtonHint);
  locateTest = [this](const tables::RezTest& r) { return locateResultTest(r, inst_); };
  chooseJournal = [this](QWidget* p) -> std::optional<QString> {
    common::ArchiveWindow list(inst_.base, journal_.toStdString(), p);
    list.setMakeCurrent([this](const std::string& name) -> std::optional<std::string> {
      if (!inst_.ini.set("Path", "FileRez", name)) return "Не удалось записать имя журнала в файл настроек.";
      inst_.rereadResultFile();
      return std::nullopt;
    });
    if (list.exec() != QDialog::Accepted || list.chosen().isEmpty()) return std::nullopt;
    return list.chosen();
  };
  pickExportFile = [](QWidget* p) {
    return ui::saveFileDialog(p, QStringLiteral("Экспорт анализа теста"), QStringLiteral("Таблицы CSV|*.csv"));
  };

  auto* outer = new QVBoxLayout(this);
  auto* top = new QHBoxLayout;
  journalLabel_ = new QLabel(this);
  journalLabel_->setObjectName(QStringLiteral("journal"));
  top->addWidget(journalLabel_, 1);
  auto addButton = [this](QBoxLayout* row, const QString& text, const QIcon& icon, auto f) {
    auto* b = new QPushButton(icon, text, this);
    b->setAutoDefault(false);
    row->addWidget(b);
    connect(b, &QPushButton::clicked, this, f);
    buttons_.push_back(b);
    return b;
  };
  const QColor blue(52, 101, 164);
  addButton(top, QStringLiteral("Архив"), ui::letterIcon(QStringLiteral("Ж"), blue), [this] { archive(); })
      ->setToolTip(QStringLiteral("Выбрать другой журнал результатов"));
  outer->addLayout(top);

  auto* choice = new QGridLayout;
  choice->addWidget(new QLabel(QStringLiteral("Название теста:"), this), 0, 0);
  tests_ = new QComboBox(this);
  tests_->setObjectName(QStringLiteral("tests"));
  // The drop list shows each test with its library: one name may stand in two.
  auto* model = new QStandardItemModel(0, 2, tests_);
  model->setHorizontalHeaderLabels({QStringLiteral("Название теста"), QStringLiteral("Bibl Test")});
  tests_->setModel(model);
  auto* view = new QTreeView(tests_);
  view->setRootIsDecorated(false);
  view->setUniformRowHeights(true);
  view->header()->setStretchLastSection(true);
  tests_->setView(view);
  tests_->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
  tests_->setMinimumContentsLength(50);
  choice->addWidget(tests_, 0, 1);
  choice->addWidget(new QLabel(QStringLiteral("Группа:"), this), 1, 0);
  groups_ = new QComboBox(this);
  groups_->setObjectName(QStringLiteral("groups"));
  groups_->addItem(allGroups());
  choice->addWidget(groups_, 1, 1);
  choice->setColumnStretch(1, 1);
  auto* counts = new QGridLayout;
  for (const QString& label : {kResults, kFrames}) {
    const int row = counts->rowCount();
    counts->addWidget(new QLabel(label, this), row, 0);
    auto* v = new QLabel(this);
    v->setMinimumWidth(60);
    v->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    counts->addWidget(v, row, 1);
    figureLabels_.emplace_back(label, v);
  }
  choice->addLayout(counts, 0, 2, 2, 1);
  outer->addLayout(choice);

  tabs_ = new QTabWidget(this);
  const auto questionHeadings = analysis::questionTable({}, {}).headings;
  std::vector<QString> qh;
  for (const auto& h : questionHeadings) qh.push_back(q(h));
  questions_ = makeTable(qh, tabs_);
  questions_->setObjectName(QStringLiteral("questions"));
  questions_->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
  questions_->horizontalHeader()->setSectionResizeMode(2, QHeaderView::Stretch);
  tabs_->addTab(questions_, QStringLiteral("Тестовые задания"));

  auto* second = new QWidget(tabs_);
  auto* outerSecond = new QVBoxLayout(second);
  // The discrimination of the test heads the tab, over the distribution.
  auto* head = new QHBoxLayout;
  outerSecond->addLayout(head);
  auto* sl = new QHBoxLayout;
  outerSecond->addLayout(sl, 1);
  std::vector<QString> dh;
  for (const auto& h : analysis::distributionTable({}).headings) dh.push_back(q(h));
  distribution_ = makeTable(dh, second);
  distribution_->setObjectName(QStringLiteral("distribution"));
  distribution_->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
  sl->addWidget(distribution_, 1);
  figures_ = new QWidget(second);
  auto* fl = new QGridLayout(figures_);
  bool first = true;
  for (const auto& [label, value] : analysis::testFigures({})) {
    (void)value;
    auto* v = new QLabel(second);
    v->setMinimumWidth(80);
    v->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    v->setTextInteractionFlags(Qt::TextSelectableByMouse);
    if (first) {
      head->addWidget(new QLabel(q(label), second));
      head->addWidget(v);
      head->addStretch(1);
      first = false;
    } else {
      const int row = fl->rowCount();
      fl->addWidget(new QLabel(q(label), figures_), row, 0);
      fl->addWidget(v, row, 1);
    }
    figureLabels_.emplace_back(q(label), v);
  }
  fl->setRowStretch(fl->rowCount(), 1);
  sl->addWidget(figures_);
  tabs_->addTab(second, QStringLiteral("Распределение баллов"));
  outer->addWidget(tabs_, 1);

  progress_ = new QLabel(this);
  progress_->setObjectName(QStringLiteral("progress"));
  outer->addWidget(progress_);

  auto* row = new QHBoxLayout;
  status_ = new QLabel(this);
  status_->setObjectName(QStringLiteral("status"));
  row->addWidget(status_, 1);
  addButton(row, QStringLiteral("Печать"), ui::letterIcon(QStringLiteral("П"), blue), [this] { print(); })
      ->setToolTip(QStringLiteral("Просмотреть и напечатать обе таблицы анализа"));
  addButton(row, QStringLiteral("Экспорт"), ui::letterIcon(QStringLiteral("CSV"), blue), [this] { exportTables(); })
      ->setToolTip(QStringLiteral("Записать обе таблицы в файл для электронной таблицы"));
  addButton(row, QStringLiteral("Справка"), ui::helpIcon(), [this] { ui::openHelp(QString::fromLatin1(kProcedure), this); });
  addButton(row, QStringLiteral("Закрыть"), QIcon(), [this] { reject(); });
  outer->addLayout(row);

  timer_.setInterval(0);
  connect(&timer_, &QTimer::timeout, this, [this] { tick(); });
  connect(tests_, &QComboBox::currentIndexChanged, this, [this] {
    if (filling_) return;
    fillGroups();
    startAnalysis();
  });
  connect(groups_, &QComboBox::currentIndexChanged, this, [this] {
    if (!filling_) startAnalysis();
  });
  ui::attachProcedure(this, QString::fromLatin1(kProcedure), [](QWidget* w) { w->resize(1100, 640); });
  setJournal(journal_);
}

ItemAnalysisWindow::~ItemAnalysisWindow() = default;

QPushButton* ItemAnalysisWindow::button(const QString& text) const {
  for (QPushButton* b : buttons_)
    if (b->text() == text) return b;
  return nullptr;
}

QString ItemAnalysisWindow::figure(const QString& label) const {
  for (const auto& [l, v] : figureLabels_)
    if (l == label) return v->text();
  return {};
}

void ItemAnalysisWindow::setFigure(const QString& label, const QString& value) {
  for (const auto& [l, v] : figureLabels_)
    if (l == label) v->setText(value);
}

void ItemAnalysisWindow::setJournal(const QString& name) {
  journal_ = name;
  journalLabel_->setText(QStringLiteral("Журнал результатов: ") + name.toUpper());
  startListing();
}

void ItemAnalysisWindow::archive() {
  if (!chooseJournal) return;
  if (auto name = chooseJournal(this)) setJournal(*name);
}

QString ItemAnalysisWindow::caption() const { return QStringLiteral("Чтение файла: "); }

void ItemAnalysisWindow::startListing() {
  timer_.stop();
  reader_.reset();
  clearResults();
  setup::Installation in = inst_;
  in.fileRez = journal_.toStdString();
  lister_ = std::make_unique<analysis::TestLister>(in.rezTest());
  const Outcome o = lister_->start();
  const auto size = static_cast<std::int64_t>(tables::rezTestDef().recordSize());
  status_->setText(QStringLiteral("Записей- %1   Путь- %2").arg(lister_->bytesTotal() / size).arg(q(in.rezTest())));
  if (!o) {
    lister_.reset();
    ms().ask(q(o.message), kCaption, messages::Buttons::Ok, messages::Icon::Exclamation);
    return;
  }
  progress_->setText(caption() + QStringLiteral("  0% выполнено"));
  timer_.start();
}

void ItemAnalysisWindow::tick() {
  QElapsedTimer spent;
  spent.start();
  analysis::JournalPass* pass = lister_ ? static_cast<analysis::JournalPass*>(lister_.get()) : reader_.get();
  if (!pass) {
    timer_.stop();
    return;
  }
  bool done = false;
  do done = pass->step();
  while (!done && spent.elapsed() < kSliceMs);
  progress_->setText(caption() + q(pass->progressText()));
  if (!done) return;
  if (lister_) listed();
  else finished();
}

void ItemAnalysisWindow::listed() {
  timer_.stop();
  const Outcome error = lister_->error();
  entries_ = lister_->tests();
  lister_.reset();
  if (!error) {
    // Without the list of tests the window can do nothing.
    ms().ask(q(error.message), kCaption, messages::Buttons::Ok, messages::Icon::Exclamation);
    close();
    return;
  }
  filling_ = true;
  auto* model = static_cast<QStandardItemModel*>(tests_->model());
  model->removeRows(0, model->rowCount());
  int chosen = entries_.empty() ? -1 : 0;
  for (int i = 0; i < static_cast<int>(entries_.size()); ++i) {
    const auto& k = entries_[static_cast<std::size_t>(i)].key;
    model->appendRow({new QStandardItem(ui::fromRecord(k.name)), new QStandardItem(ui::fromRecord(k.library))});
    if (k == lastChosen()) chosen = i;
  }
  tests_->setCurrentIndex(chosen);
  filling_ = false;
  fillGroups();
  startAnalysis();
}

void ItemAnalysisWindow::fillGroups() {
  filling_ = true;
  const QString was = groups_->currentText();
  groups_->clear();
  groups_->addItem(allGroups());
  const int i = tests_->currentIndex();
  if (i >= 0 && i < static_cast<int>(entries_.size()))
    for (const std::string& g : entries_[static_cast<std::size_t>(i)].groups) groups_->addItem(ui::fromRecord(g));
  // The group chosen stays while the test has results of it.
  const int again = groups_->findText(was);
  groups_->setCurrentIndex(again > 0 ? again : 0);
  filling_ = false;
}

std::optional<analysis::TestKey> ItemAnalysisWindow::currentTest() const {
  const int i = tests_->currentIndex();
  if (i < 0 || i >= static_cast<int>(entries_.size())) return std::nullopt;
  return entries_[static_cast<std::size_t>(i)].key;
}

bool ItemAnalysisWindow::chooseTest(const analysis::TestKey& key) {
  for (int i = 0; i < static_cast<int>(entries_.size()); ++i)
    if (entries_[static_cast<std::size_t>(i)].key == key) {
      // The group goes back to all without an analysis of its own: one follows.
      filling_ = true;
      groups_->setCurrentIndex(0);
      filling_ = false;
      if (tests_->currentIndex() == i) startAnalysis();
      else tests_->setCurrentIndex(i);
      return true;
    }
  return false;
}

bool ItemAnalysisWindow::chooseGroup(const QString& group) {
  const int i = groups_->findText(group);
  if (i < 0) return false;
  if (groups_->currentIndex() == i) startAnalysis();
  else groups_->setCurrentIndex(i);
  return true;
}

void ItemAnalysisWindow::startAnalysis() {
  if (lister_) return;  // the list comes first; it starts the analysis itself
  timer_.stop();
  reader_.reset();
  clearResults();
  const auto key = currentTest();
  if (!key) {
    progress_->setText(QStringLiteral("В журнале нет результатов тестов."));
    emit analysed();
    return;
  }
  lastChosen() = *key;
  if (!(*key == analysed_)) {
    testFound_ = false;
    questionsOfTest_.clear();
  }
  analysis::Selection sel{*key, {}};
  if (groups_->currentIndex() > 0) sel.group = ui::toRecord(groups_->currentText());
  setup::Installation in = inst_;
  in.fileRez = journal_.toStdString();
  reader_ = std::make_unique<analysis::ResultsReader>(in.rezTest(), sel);
  const Outcome o = reader_->start();
  if (!o) {
    reader_.reset();
    ms().ask(q(o.message), kCaption, messages::Buttons::Ok, messages::Icon::Exclamation);
    return;
  }
  progress_->setText(caption() + QStringLiteral("  0% выполнено  (") + groups_->currentText() + QStringLiteral(")"));
  timer_.start();
}

void ItemAnalysisWindow::finished() {
  timer_.stop();
  const Outcome error = reader_->error();
  analysis_ = analysis::analyse(reader_->results());
  // The questions are read once for each test: their texts do not change
  // with the group.
  const auto key = currentTest();
  if (key && (!(*key == analysed_) || !testFound_) && reader_->first()) {
    analysed_ = *key;
    questionsOfTest_.clear();
    const TestFound f = locateTest ? locateTest(*reader_->first()) : TestFound{};
    testFound_ = f.found && analysis::readQuestions(f.dir, f.base, inst_.keyWord, questionsOfTest_);
    if (!testFound_) questionsOfTest_.clear();
  }
  reader_.reset();
  if (!error) ms().ask(q(error.message), kCaption, messages::Buttons::Ok, messages::Icon::Exclamation);
  QString note;
  if (!testFound_ && analysis_.results)
    note = QStringLiteral("  Файл теста не найден: задания показаны по кодам кадров, без текстов.");
  progress_->setText(q(analysis_.results ? "Прочитано результатов теста: " + std::to_string(analysis_.results)
                                         : "Результатов теста не найдено.") +
                     note);
  showResults();
  emit analysed();
}

void ItemAnalysisWindow::clearResults() {
  analysis_ = {};
  questions_->setRowCount(0);
  distribution_->setRowCount(0);
  for (const auto& [label, value] : figureLabels_) value->clear();
}

void ItemAnalysisWindow::showResults() {
  fillTable(questions_, analysis::questionTable(analysis_, questionsOfTest_), {2});
  fillTable(distribution_, analysis::distributionTable(analysis_), {});
  setFigure(kResults, QString::number(analysis_.results));
  setFigure(kFrames, QString::number(questionsOfTest_.empty() ? analysis_.frames : static_cast<int>(questionsOfTest_.size())));
  for (const auto& [label, value] : analysis::testFigures(analysis_)) setFigure(q(label), q(value));
}

std::unique_ptr<ui::Report> ItemAnalysisWindow::report() const {
  auto r = std::make_unique<ui::Report>(kCaption, QPageLayout::Landscape);
  r->setPageNumbers();
  const auto key = currentTest();
  r->addText(kCaption + QStringLiteral(": ") + (key ? ui::fromRecord(key->name) : QString()), 13, true);
  if (key) r->addText(QStringLiteral("Библиотека: ") + ui::fromRecord(key->library), 9);
  r->addText(QStringLiteral("Журнал результатов: ") + journal_ + QStringLiteral("    Группа: ") + groups_->currentText(), 9);
  r->addText(kResults + QLatin1Char(' ') + figure(kResults) + QStringLiteral("    ") + kFrames + QLatin1Char(' ') +
                 figure(kFrames),
             9);
  r->addSpace(8);

  // The question's text is cut to its column; the rest are numbers.
  const std::vector<double> qw = {26, 22, 212, 38, 44, 44, 50, 50, 42, 36, 54, 54, 54};
  std::vector<Qt::Alignment> qa(qw.size(), Qt::AlignRight);
  qa[2] = Qt::AlignLeft;
  const auto qt = analysis::questionTable(analysis_, questionsOfTest_);
  auto texts = [](const std::vector<std::string>& row) {
    QStringList l;
    for (const auto& s : row) l << q(s);
    return l;
  };
  QStringList headings = texts(qt.headings);
  r->addRow(qw, headings, 7, true, std::vector<Qt::Alignment>(qw.size(), Qt::AlignCenter), true);
  for (const auto& row : qt.rows) {
    QStringList cells = texts(row);
    if (cells[2].size() > 60) cells[2] = cells[2].left(59) + QChar(0x2026);
    r->addRow(qw, cells, 7, false, qa, true);
  }
  r->addSpace(14);
  r->addText(QStringLiteral("Распределение тестовых баллов"), 11, true);
  const auto figures = analysis::testFigures(analysis_);
  auto figureRow = [&](const std::pair<std::string, std::string>& f) {
    r->addRow({420, 90}, {q(f.first), f.second.empty() ? QStringLiteral("—") : q(f.second)}, 9, false, {Qt::AlignLeft, Qt::AlignRight});
  };
  // The discrimination of the test comes first, as on the window's tab.
  figureRow(figures.front());
  r->addSpace(4);
  const std::vector<double> dw = {110, 110, 70, 90};
  const auto dt = analysis::distributionTable(analysis_);
  r->addRow(dw, texts(dt.headings), 8, true, std::vector<Qt::Alignment>(dw.size(), Qt::AlignCenter), true);
  for (const auto& row : dt.rows) r->addRow(dw, texts(row), 8, false, std::vector<Qt::Alignment>(dw.size(), Qt::AlignRight), true);
  r->addSpace(10);
  for (std::size_t i = 1; i < figures.size(); ++i) figureRow(figures[i]);
  return r;
}

void ItemAnalysisWindow::print() {
  if (busy() || !currentTest()) {
    ms().ask(QStringLiteral("Анализ ещё не готов: дождитесь конца чтения журнала."), kCaption);
    return;
  }
  const auto r = report();
  ui::Previewer preview(*r, this);
  preview.exec();
}

void ItemAnalysisWindow::exportTables() {
  const auto key = currentTest();
  if (busy() || !key) {
    ms().ask(QStringLiteral("Анализ ещё не готов: дождитесь конца чтения журнала."), kCaption);
    return;
  }
  QString path = pickExportFile ? pickExportFile(this) : QString();
  if (path.isEmpty()) return;
  if (!path.endsWith(QStringLiteral(".csv"), Qt::CaseInsensitive)) {
    // The file dialog asked about the name as typed, not about this one.
    path += QStringLiteral(".csv");
    if (QFileInfo::exists(path) &&
        ms().ask(QStringLiteral("Файл %1 уже существует.\nЗаменить его?").arg(path), kCaption, messages::Buttons::YesNo,
                 messages::Icon::Question, messages::No) != messages::Yes)
      return;
  }
  const std::string text = analysis::analysisCsv(cp1251::toUtf8(key->name), analysis_, questionsOfTest_);
  // Written beside and put in place whole: a failed write leaves the old file
  // and says so. The flush is checked on its own: commit() misses an error of
  // the flush it makes when closing, and would put a cut file in place.
  QSaveFile f(path);
  if (!f.open(QIODevice::WriteOnly) || f.write(text.data(), static_cast<qint64>(text.size())) != static_cast<qint64>(text.size()) ||
      !f.flush() || !f.commit()) {
    const QString why = f.errorString();
    f.cancelWriting();
    ms().ask(QStringLiteral("Не удалось записать файл %1: %2").arg(path, why), kCaption, messages::Buttons::Ok,
             messages::Icon::Exclamation);
    return;
  }
  ms().ask(QStringLiteral("Таблицы анализа записаны в файл %1").arg(path), kCaption);
}

QWidget* AdministratorApp::openItemAnalysis() {
  auto* w = new ItemAnalysisWindow(inst_, frame_.get());
  showExclusive(w);
  return w;
}

}  // namespace administrator
