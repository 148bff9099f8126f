#include "journal_window.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDateEdit>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QInputDialog>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QStatusBar>
#include <QTableWidget>
#include <QToolButton>
#include <QVBoxLayout>

#include "administrator_app.h"
#include "archive.h"
#include "archive_window.h"
#include "grade_sheet_windows.h"
#include "browse.h"
#include "cp1251.h"
#include "datetime.h"
#include "filepath.h"
#include "icons.h"
#include "main_frame.h"
#include "message_service.h"
#include "pictures.h"
#include "previewer.h"
#include "result_forms.h"
#include "results_print.h"
#include "services.h"
#include "table_opener.h"
#include "test_location.h"
#include "user_events.h"
#include "window_memory.h"
#include "window_tools.h"

namespace administrator {
namespace {

auto& ms() { return ui::MessageService::instance(); }
QString q(const std::string& s) { return QString::fromStdString(s); }

void tell(const std::string& text, const QString& caption = QStringLiteral("Журнал результатов")) {
  ms().ask(q(text), caption, messages::Buttons::Ok, messages::Icon::Exclamation);
}

QDate toQDate(std::int32_t day) {
  datetime::Ymd d = datetime::fromDayNumber(day);
  return QDate(d.year, d.month, d.day);
}
std::int32_t fromQDate(const QDate& d) { return datetime::dayNumber(d.year(), d.month(), d.day()); }

// The first day a date box offers stands for "no date".
const QDate kNoDate(1801, 1, 1);

}  // namespace

// ------------------------------------------------------------------ destination

DestinationDialog::DestinationDialog(const std::string& base, bool move, int tagged, QWidget* parent)
    : QDialog(parent), base_(base) {
  setObjectName(QStringLiteral("CopyRez"));
  setWindowTitle(move ? QStringLiteral("Перемещение выбранных заданий") : QStringLiteral("Копирование выбранных заданий"));
  auto* l = new QVBoxLayout(this);
  list_ = new QTableWidget(0, 2, this);
  list_->setHorizontalHeaderLabels({QStringLiteral("Имя"), QStringLiteral("Дата")});
  list_->verticalHeader()->hide();
  list_->setSelectionBehavior(QAbstractItemView::SelectRows);
  list_->setSelectionMode(QAbstractItemView::SingleSelection);
  list_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  list_->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);
  list_->setColumnWidth(1, 150);
  common::Archive archive(base, {});
  auto files = archive.list();
  list_->setRowCount(static_cast<int>(files.size()));
  for (int i = 0; i < static_cast<int>(files.size()); ++i) {
    const auto& f = files[static_cast<std::size_t>(i)];
    list_->setItem(i, 0, new QTableWidgetItem(q(f.name)));
    list_->setItem(i, 1, new QTableWidgetItem(q(picture::shortDate(f.date) + " " + picture::time(f.time))));
  }
  l->addWidget(list_, 1);
  auto* count = new QLabel(QStringLiteral("Отобрано: %1 записей").arg(tagged), this);
  count->setObjectName(QStringLiteral("count"));
  l->addWidget(count);
  auto* form = new QHBoxLayout;
  form->addWidget(new QLabel(QStringLiteral("Архив назначения"), this));
  path_ = new QLabel(this);
  path_->setObjectName(QStringLiteral("path"));
  path_->setFrameShape(QFrame::StyledPanel);
  form->addWidget(path_, 1);
  l->addLayout(form);
  l->addWidget(ui::okCancel(this));
  // A row the user picks, not the one the list makes current as it gets the focus.
  connect(list_, &QTableWidget::itemSelectionChanged, this, [this] {
    auto rows = list_->selectionModel()->selectedRows();
    if (!rows.isEmpty()) choose(list_->item(rows.front().row(), 0)->text());
  });
  connect(list_, &QTableWidget::cellDoubleClicked, this, [this] { accept(); });
  ui::attachProcedure(this, QStringLiteral("CopyRez"), [](QWidget* w) { w->resize(460, 340); });
}

void DestinationDialog::choose(const QString& name) {
  name_ = name;
  path_->setText(q(base_) + QStringLiteral("Stat/") + name + QStringLiteral(".rez"));
}

void DestinationDialog::accept() {
  if (name_.isEmpty()) {
    ms().ask(QStringLiteral("Выберите архив тест назначения"), QStringLiteral("Ошибка"), messages::Buttons::Ok,
             messages::Icon::Exclamation);
    return;
  }
  QDialog::accept();
}

// ------------------------------------------------------------------ window

JournalWindow::JournalWindow(const setup::Installation& inst, std::function<bool(const QString&, const QString&)> startProgram,
                             QObject* frame, QWidget* parent)
    : QDialog(parent), inst_(inst), start_(std::move(startProgram)), frame_(frame) {
  setObjectName(QString::fromLatin1(kProcedure));
  setWindowFlags(windowFlags() | Qt::WindowMaximizeButtonHint | Qt::WindowMinimizeButtonHint);
  showReport = [this](const ui::Report& r) {
    ui::Previewer p(r, this);
    p.exec();
  };
  askDestination = [this](bool move, int tagged) {
    DestinationDialog d(inst_.base, move, tagged, this);
    return d.exec() == QDialog::Accepted ? d.destination() : QString();
  };
  setup::readSettings(tables::tuneTestDef(), inst_.central(tables::files::TuneTest), tune_, ms());
  journal_ = inst_.fileRez;
  opened_ = openJournal();

  auto* outer = new QVBoxLayout(this);
  // Buttons.
  auto* top = new QHBoxLayout;
  auto addButton = [&](const QString& text, const QString& tip, const QIcon& icon, std::function<void()> f) {
    auto* b = new QPushButton(icon, text, this);
    b->setAutoDefault(false);
    b->setToolTip(tip);
    connect(b, &QPushButton::clicked, this, std::move(f));
    top->addWidget(b);
    buttons_.push_back(b);
    return b;
  };
  const QColor red(178, 34, 34), blue(52, 101, 164), green(46, 125, 50);
  addButton(QStringLiteral("Ошибки"), QStringLiteral("Просмотр ошибок"), ui::letterIcon(QStringLiteral("!"), red), [this] { showErrors(); });
  addButton(QStringLiteral("Ведомость"), QStringLiteral("Печать записей по фильтру"), ui::letterIcon(QStringLiteral("В"), blue),
            [this] { openExamSheetSetup(inst_, inst_.base, journal_, this); });
  addButton(QStringLiteral("Обновить"), QStringLiteral("Обновить список"), ui::arrowIcon(ui::Arrow::Down, green), [this] { refreshList(); });
  addButton(QStringLiteral("Протокол"), QStringLiteral("Протокол тестирования выделенного результата"), ui::letterIcon(QStringLiteral("П"), blue),
            [this] { protocol(); });
  addButton(QStringLiteral("Печать"), QStringLiteral("Печать результатов тестирования (Ctrl+P)"), ui::styleIcon(QStyle::SP_FileIcon),
            [this] { printLists(); });
  addButton(QStringLiteral("Экспорт"), QStringLiteral("Записи по фильтру в файл CSV"), ui::letterIcon(QStringLiteral("CSV"), green),
            [this] { exportList(); });
  addButton(QStringLiteral("Выбор другого журнала результатов"), QStringLiteral("Архив результатов тестирования"),
            ui::styleIcon(QStyle::SP_DirOpenIcon), [this] { chooseJournal(); });
  addButton(QStringLiteral("Удалить"), QStringLiteral("Удалить выделенный результат"), ui::letterIcon(QStringLiteral("×"), red),
            [this] { deleteCurrent(); });
  top->addStretch(1);
  outer->addLayout(top);

  auto* middle = new QHBoxLayout;
  outer->addLayout(middle, 1);
  if (opened_) {
    const auto& def = tables::rezTestDef();
    list_ = new ui::BrowseWindow(rf_.rezT, &rf_.rez, QString::fromLatin1(kProcedure), {}, this);
    list_->setEmbedded(true);
    list_->setGroupTitle(QStringLiteral("Сортировка:"));
    const char* tabs[] = {"По коду", "По фамилиии", "По группе", "По тесту", "По дате", "По баллу", "По дисциплине"};
    for (int t = 1; t <= 7; ++t) list_->addOrder(rf_.rezT.key(orderKey(t)), QString::fromUtf8(tabs[t - 1]));
    list_->setTagging(true);
    // The tag picture stands in a narrow column of its own before "№".
    ui::Column code(def.fieldIndex("CODEREZ"), QStringLiteral("№"), 4, ui::Format::integer(3));
    code.text = [](const void* r) { return QString::fromStdString(picture::pattern("P###P", static_cast<const tables::RezTest*>(r)->CODEREZ)); };
    list_->addColumn(code);
    struct C {
      const char* field;
      const char* head;
      int width;
      ui::Format format;
    };
    const C cols[] = {{"FIO", "Фамилия И.О.", 30, {}},
                      {"GR", "Группа", 10, {}},
                      {"NAMETEMA", "Тест", 28, {}},
                      {"DATE", "Дата", 10, ui::Format::date()},
                      {"OTMETKA", "Оценка", 7, ui::Format::integer(2)},
                      {"REZTEXT", "Результат", 14, {}},
                      {"PREDMET", "Дисциплина", 18, {}},
                      {"OTDEL", "Кафедра", 18, {}},
                      {"WRITER", "Автор", 16, {}},
                      {"TIMEBEG", "Старт", 8, ui::Format::time()},
                      {"TIMEEND", "Финиш", 8, ui::Format::time()},
                      {"KOLVOP", "Kol Vop", 5, ui::Format::integer(3)},
                      {"KOLVOPOT", "Отвечено", 6, ui::Format::integer(3)},
                      {"KOLTROT", "Верно", 5, ui::Format::integer(3)},
                      {"REZBAL", "REZBAL", 7, ui::Format::integer(7)}};
    for (const auto& c : cols) {
      ui::Column col(def.fieldIndex(c.field), QString::fromUtf8(c.head), c.width, c.format);
      if (c.format.kind == ui::Format::Date)
        col.text = [](const void* r) { return QString::fromStdString(picture::date(static_cast<const tables::RezTest*>(r)->DATE)); };
      list_->addColumn(col);
    }
    list_->setRecordFilter([this] { return filter_.matches(rf_.rez); });
    list_->setMenuMaker([this](QMenu* m) {
      m->addAction(QStringLiteral("Неверные ответы..."), this, [this] { showErrors(); });
      m->addAction(QStringLiteral("Протокол"), this, [this] { protocol(); });
      m->addAction(QStringLiteral("Изменить результат..."), this, [this] { editResult(); });
      m->addAction(QStringLiteral("Подробности результата..."), this, [this] { editDetail(); });
      m->addSeparator();
      m->addAction(QStringLiteral("Отметить все записи"), this, [this] { list_->tagAll(); });
      m->addAction(QStringLiteral("Снять все отметки"), this, [this] { list_->untagAll(); });
      m->addAction(QStringLiteral("Реверсировать отметки"), this, [this] { list_->flipTags(); });
      m->addSeparator();
      m->addAction(QStringLiteral("Копировать в..."), this, [this] { copyTagged(false); });
      m->addAction(QStringLiteral("Переместить в..."), this, [this] { copyTagged(true); });
      m->addAction(QStringLiteral("Удалить выбранный(е) записи"), this, [this] { deleteTagged(); });
      m->addSeparator();
      m->addAction(QStringLiteral("Найти по фамилии...\tCtrl+F"), this, [this] { findName(); });
    });
    connect(list_->table(), &QTableWidget::cellDoubleClicked, this, [this](int row) {
      if (row < list_->rowCount()) protocol();
    });
    middle->addWidget(list_, 1);
  }

  // The filter.
  auto* box = new QGroupBox(QStringLiteral("Фильтр"), this);
  auto* g = new QGridLayout(box);
  filterBox_ = new QCheckBox(QStringLiteral("Фильтр"), box);
  g->addWidget(filterBox_, 0, 0, 1, 3);
  const char* labels[] = {"Фамилия И.О.", "Группа", "Тест", "Дата", "Оценка", "Дисциплина"};
  for (int c = 0; c < kFilterColumns; ++c) {
    g->addWidget(new QLabel(QString::fromUtf8(labels[c]), box), 1 + 2 * c, 0, 1, 2);
    auto* combo = new QComboBox(box);
    combo->setMinimumContentsLength(18);
    combo->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    auto* clear = new QToolButton(box);
    clear->setIcon(ui::letterIcon(QStringLiteral("×"), red));
    clear->setToolTip(QStringLiteral("Снять условие"));
    g->addWidget(combo, 2 + 2 * c, 0, 1, 2);
    g->addWidget(clear, 2 + 2 * c, 2);
    lists_[static_cast<std::size_t>(c)] = combo;
    clears_[static_cast<std::size_t>(c)] = clear;
    const auto col = static_cast<FilterColumn>(c);
    connect(combo, &QComboBox::activated, this, [this, col](int i) { valueChosen(col, i); });
    connect(clear, &QToolButton::clicked, this, [this, col] { clearColumn(col); });
  }
  g->addWidget(new QLabel(QStringLiteral("Даты: с"), box), 13, 0);
  from_ = new QDateEdit(box);
  g->addWidget(from_, 13, 1, 1, 2);
  g->addWidget(new QLabel(QStringLiteral("по"), box), 14, 0);
  to_ = new QDateEdit(box);
  g->addWidget(to_, 14, 1, 1, 2);
  for (QDateEdit* d : {from_, to_}) {
    d->setCalendarPopup(true);
    d->setMinimumDate(kNoDate);
    d->setSpecialValueText(QStringLiteral(" "));
    d->setDisplayFormat(QStringLiteral("dd.MM.yyyy"));
    d->setDate(kNoDate);
    connect(d, &QDateEdit::dateChanged, this, [this] { datesChanged(); });
  }
  g->setRowStretch(15, 1);
  middle->addWidget(box);
  connect(filterBox_, &QCheckBox::toggled, this, [this](bool on) { filterSwitched(on); });
  filterSwitched(false);

  status_ = new QStatusBar(this);
  for (int z = 0; z < 3; ++z) {
    zones_[static_cast<std::size_t>(z)] = new QLabel(status_);
    status_->addWidget(zones_[static_cast<std::size_t>(z)], z == 2 ? 1 : 0);
  }
  outer->addWidget(status_);

  auto* bottom = new QHBoxLayout;
  bottom->addStretch(1);
  auto* close = new QPushButton(QStringLiteral("Закрыть"), this);
  auto* help = new QPushButton(QStringLiteral("Справка"), this);
  for (auto* b : {close, help}) {
    b->setAutoDefault(false);
    bottom->addWidget(b);
    buttons_.push_back(b);
  }
  connect(close, &QPushButton::clicked, this, &QDialog::reject);
  connect(help, &QPushButton::clicked, this, [this] { ui::openHelp(QString::fromLatin1(kProcedure), this); });
  outer->addLayout(bottom);

  ui::alertKey(this, QKeySequence(Qt::CTRL | Qt::Key_P), [this] { printLists(); });
  ui::alertKey(this, QKeySequence(Qt::CTRL | Qt::Key_F), [this] { findName(); });
  ui::alertKey(this, QKeySequence(Qt::Key_F5), [this] { refreshList(); });
  ui::alertKey(this, QKeySequence(Qt::Key_Delete), [this] { deleteCurrent(); });
  ui::alertKey(this, QKeySequence(Qt::Key_Escape), [this] { reject(); });
  ui::attachProcedure(this, QString::fromLatin1(kProcedure), [](QWidget* w) { w->resize(1100, 620); });
  renewCaption();
  if (list_) list_->refresh();
}

JournalWindow::~JournalWindow() { closeJournal(); }

bool JournalWindow::openJournal() {
  if (int rc = rf_.open(inst_.base, journal_, store::Shared)) {
    messages::Procedure p(ms());
    store::ErrorInfo e = rf_.error();
    p.show(messages::openFailure(e, results::rezTestName(inst_.base, journal_)), &e);
    (void)rc;
    return false;
  }
  return true;
}

void JournalWindow::closeJournal() { rf_.close(); }

void JournalWindow::renewCaption() {
  setWindowTitle(QStringLiteral("Журнал результатов: ") + q(journal_).trimmed().toUpper());
  zones_[1]->setText(QStringLiteral("Записей-") + QString::number(opened_ ? rf_.rezT.records() : 0));
  zones_[2]->setText(QStringLiteral("Путь-") + q(results::rezTestName(inst_.base, journal_)).trimmed());
}

QString JournalWindow::statusText(int zone) const {
  return zone >= 1 && zone <= 3 ? zones_[static_cast<std::size_t>(zone - 1)]->text() : QString();
}

QPushButton* JournalWindow::button(const QString& text) const {
  for (QPushButton* b : buttons_)
    if (b->text() == text) return b;
  return nullptr;
}

void JournalWindow::showEvent(QShowEvent* e) {
  QDialog::showEvent(e);
  if (!announced_ && frame_) {
    announced_ = true;
    ui::post(frame_, JournalOpened);
  }
}

void JournalWindow::done(int r) {
  // Esc, "Закрыть" and closing the window all end here.
  if (announced_ && frame_) ui::post(frame_, JournalClosed);
  announced_ = false;
  QDialog::done(r);
}

bool JournalWindow::event(QEvent* e) {
  if (e->type() != ui::UserEvent::type()) return QDialog::event(e);
  switch (static_cast<ui::UserEvent*>(e)->number()) {
    case TagAll: tagAll(); return true;
    case CopyTagged: copyTagged(false); return true;
    case MoveTagged: copyTagged(true); return true;
    case DeleteTagged: deleteTagged(); return true;
    case kReopen: reopen(); return true;
    case CloseWindow: close(); return true;
    default: return QDialog::event(e);
  }
}

// ------------------------------------------------------------------ filter

void JournalWindow::filterSwitched(bool on) {
  filter_.reset(on);
  for (int c = 0; c < kFilterColumns; ++c) {
    lists_[static_cast<std::size_t>(c)]->setEnabled(on);
    lists_[static_cast<std::size_t>(c)]->setCurrentIndex(-1);
    clears_[static_cast<std::size_t>(c)]->setEnabled(on);
  }
  for (QDateEdit* d : {from_, to_}) {
    const QSignalBlocker b(d);
    d->setDate(kNoDate);
    d->setEnabled(on);
  }
  if (on) fillFilterLists();
  filterChanged();
}

void JournalWindow::fillFilterLists() {
  if (!opened_) return;
  for (int c = 0; c < kFilterColumns; ++c) {
    const auto col = static_cast<FilterColumn>(c);
    store::ErrorInfo e;
    auto values = distinctValues(rf_.rezT, rf_.rez, col, &e);
    if (e.code) {
      messages::Procedure p(ms());
      p.show(messages::openFailure(e, "RezTest"), &e);
      close();
      return;
    }
    QComboBox* combo = lists_[static_cast<std::size_t>(c)];
    const QSignalBlocker b(combo);
    combo->clear();
    int chosen = -1;
    for (const auto& v : values) {
      if (col == FilterColumn::Date) combo->addItem(q(picture::shortDate(std::stoi(v))), std::stoi(v));
      else if (col == FilterColumn::Mark) combo->addItem(q(v), std::stoi(v));
      else combo->addItem(ui::fromRecord(v), q(v));
      // A refill keeps the value the filter holds on show.
      if (filter_.set[static_cast<std::size_t>(c)] && chosen < 0 && isChosen(col, v)) chosen = combo->count() - 1;
    }
    combo->setCurrentIndex(chosen);
  }
}

bool JournalWindow::isChosen(FilterColumn c, const std::string& value) const {
  auto same = [&](const std::string& f) { return cp1251::equalNoCase(cp1251::clip(value), cp1251::clip(f)); };
  switch (c) {
    case FilterColumn::Fio: return same(filter_.fio);
    case FilterColumn::Group: return same(filter_.group);
    case FilterColumn::Test: return same(filter_.test);
    case FilterColumn::Discipline: return same(filter_.discipline);
    case FilterColumn::Date: return std::stoi(value) == filter_.date;
    case FilterColumn::Mark: return std::stoi(value) == filter_.mark;
  }
  return false;
}

void JournalWindow::valueChosen(FilterColumn c, int index) {
  QComboBox* combo = lists_[static_cast<std::size_t>(c)];
  if (!filter_.on || index < 0) return;
  const QVariant v = combo->itemData(index);
  switch (c) {
    case FilterColumn::Fio: filter_.fio = ui::toRecord(combo->itemText(index)); break;
    case FilterColumn::Group: filter_.group = ui::toRecord(combo->itemText(index)); break;
    case FilterColumn::Test: filter_.test = ui::toRecord(combo->itemText(index)); break;
    case FilterColumn::Discipline: filter_.discipline = ui::toRecord(combo->itemText(index)); break;
    case FilterColumn::Date: filter_.date = v.toInt(); break;
    case FilterColumn::Mark: filter_.mark = static_cast<std::uint8_t>(v.toInt()); break;
  }
  filter_.set[static_cast<std::size_t>(c)] = true;
  filterChanged();
}

void JournalWindow::clearColumn(FilterColumn c) {
  const auto i = static_cast<std::size_t>(c);
  filter_.set[i] = false;
  filter_.fio = c == FilterColumn::Fio ? std::string() : filter_.fio;
  filter_.group = c == FilterColumn::Group ? std::string() : filter_.group;
  filter_.test = c == FilterColumn::Test ? std::string() : filter_.test;
  filter_.discipline = c == FilterColumn::Discipline ? std::string() : filter_.discipline;
  if (c == FilterColumn::Date) filter_.date = 0;
  if (c == FilterColumn::Mark) filter_.mark = 0;
  lists_[i]->setCurrentIndex(-1);
  filterChanged();
}

void JournalWindow::datesChanged() {
  if (!filter_.on) return;
  filter_.dateFrom = from_->date() == kNoDate ? 0 : fromQDate(from_->date());
  filter_.dateTo = to_->date() == kNoDate ? 0 : fromQDate(to_->date());
  filterChanged();
}

void JournalWindow::filterChanged() {
  if (!live()) return;
  list_->refresh();
  list_->home();
}

// ------------------------------------------------------------------ the list

bool JournalWindow::currentRecord(tables::RezTest& out) {
  if (!live() || list_->rowCount() == 0) return false;
  store::Position pos = list_->currentPosition();
  if (!pos || rf_.rezT.getAt(pos) != store::Ok) return false;
  out = rf_.rez;
  return true;
}

std::vector<store::Position> JournalWindow::taggedPositions() const {
  return list_ ? std::vector<store::Position>(list_->tags().begin(), list_->tags().end()) : std::vector<store::Position>{};
}

void JournalWindow::refreshList() {
  if (!live()) return;
  // New results of the Examiner show, and their groups and tests in the
  // filter's lists; the tags stay as they are.
  if (filter_.on) fillFilterLists();
  list_->refresh();
  renewCaption();
}

void JournalWindow::tagAll() {
  if (live()) list_->tagAll();
}

void JournalWindow::reopen() {
  inst_.rereadResultFile();
  closeJournal();
  journal_ = inst_.fileRez;
  opened_ = openJournal();
  if (!opened_) {
    // Its message has been shown. The list reads the journal's tables, so
    // without them the window goes rather than show a closed table.
    renewCaption();
    close();
    return;
  }
  if (list_) list_->untagAll();
  filterBox_->setChecked(false);
  filterSwitched(false);
  renewCaption();
}

std::optional<std::string> journalOpenRefusal(const std::string& base, const std::string& name) {
  if (!filepath::exists(filepath::resolve(results::path(base, name))))
    return "Журнал результатов \"" + name + "\" не найден.";
  results::ResultFile rf;
  if (rf.open(base, name, store::Shared) != store::Ok)
    return "Журнал результатов \"" + name + "\" не открывается (" + rf.error().text() + ").|Текущим он не сделан.";
  return std::nullopt;
}

void JournalWindow::chooseJournal() {
  common::ArchiveWindow w(inst_.base, journal_, this);
  w.setMakeCurrent([this](const std::string& name) -> std::optional<std::string> {
    // The settings file names only a journal that opens.
    if (auto why = journalOpenRefusal(inst_.base, name)) return why;
    if (!inst_.ini.set("Path", "FileRez", name)) return "Не удалось записать имя журнала в файл настроек.";
    return std::nullopt;
  });
  if (w.exec() != QDialog::Accepted) return;
  reopen();
}

// ------------------------------------------------------------------ results

void JournalWindow::showErrors() {
  tables::RezTest r;
  if (!currentRecord(r)) return;
  WrongAnswersWindow w(r, [this, r] { return startErrorViewing(r); }, this);
  w.exec();
}

bool JournalWindow::startErrorViewing(const tables::RezTest& r) {
  TestFound where = locateResultTest(r, inst_);
  if (!where.found) {
    messages::Procedure p(ms());
    p.show(testNotFoundMessage(where), &where.error);
    return false;
  }
  const QString dir = q(inst_.workingDir);
  bool started = administrator::startErrorViewing(inst_.ini, journal_, r.CODEREZ, where.path, [&] {
    return start_ && start_(QStringLiteral("Varnuke.exe"), dir);
  });
  if (!started) tell("Не удалось запустить программу Экзаменатор.", QStringLiteral("Неверные ответы"));
  return started;
}

void JournalWindow::protocol() {
  tables::RezTest r;
  if (!currentRecord(r)) return;
  const auto timing = testTimingOf(r, inst_);
  if (showReport) showReport(journalProtocolReport(r, tune_, timing ? &*timing : nullptr));
}

void JournalWindow::printLists() {
  if (!live()) return;
  ResultsPrintDialog d(!list_->tags().empty(), this);
  if (d.exec() != QDialog::Accepted) return;
  std::vector<tables::RezTest> rows;
  const auto mode = d.mode();
  if (mode == ResultsPrintDialog::Tagged) {
    for (store::Position p : taggedPositions())
      if (rf_.rezT.getAt(p) == store::Ok) rows.push_back(rf_.rez);
  } else {
    JournalFilter all;
    std::vector<store::Position> ps;
    listed(rf_.rezT, rf_.rez, list_->order() + 1, mode == ResultsPrintDialog::All ? all : filter_,
           [&](store::Position p) { ps.push_back(p); });
    for (store::Position p : ps)
      if (rf_.rezT.getAt(p) == store::Ok) rows.push_back(rf_.rez);
  }
  QString test;
  if (!rows.empty() && std::all_of(rows.begin(), rows.end(), [&](const tables::RezTest& x) {
        return cp1251::equalNoCase(cp1251::clip(x.NAMETEMA.view()), cp1251::clip(rows.front().NAMETEMA.view()));
      }))
    test = ui::fromRecord(rows.front().NAMETEMA.view());
  ui::ProgressWindow progress(QString(), this);
  progress.show();
  ui::Report report = resultsListReport(rows, test, mode == ResultsPrintDialog::Tagged, [&](int done, int total, int page) {
    const int percent = total ? done * 100 / total : 100;
    progress.setText(QStringLiteral("Страница ") + QString::number(page) + QStringLiteral(", обработано записей ") +
                     QString::number(done) + QStringLiteral("\nВыполнено ") + QString::number(percent) + QStringLiteral("%"));
    return progress.step(percent);
  });
  const bool cancelled = progress.cancelled();
  if (!cancelled) progress.setText(QStringLiteral("Обработка завершена"));
  progress.close();
  if (!cancelled && showReport) showReport(report);
  list_->refresh();
}

void JournalWindow::deleteCurrent() {
  if (!live() || list_->rowCount() == 0) return;
  bool deleted = false;
  ResultForm form(rf_.rezT, rf_.rez, [this, &deleted](store::Position pos) {
    JournalOutcome o = ResultsJournals(inst_.base, inst_.central(tables::files::Vedom)).remove(journal_, {pos});
    if (!o) tell(o.message);
    deleted = bool(o);
    return deleted;
  }, this);
  form.run(ui::Delete, list_->currentPosition());
  // The tags go only with a deletion: answered No, or rolled back, they stay.
  if (deleted) list_->setTags(std::set<store::Position>{});
  list_->refresh();
  renewCaption();
}

void JournalWindow::editResult() {
  if (!live() || list_->rowCount() == 0) return;
  ResultForm form(rf_.rezT, rf_.rez, {}, this);
  form.run(ui::Change, list_->currentPosition());
  list_->refresh();
}

void JournalWindow::editDetail() {
  tables::RezTest r;
  if (!currentRecord(r)) return;
  rf_.dtl.CODEREZ = r.CODEREZ;
  if (rf_.dtlT.get(rf_.dtlT.key("KEYCODEREZ")) != store::Ok) {
    ms().ask(QStringLiteral("У этого результата нет подробностей: он сохранён кратко."), QStringLiteral("Журнал результатов"));
    return;
  }
  DetailForm form(rf_.dtlT, rf_.dtl, this);
  form.run(ui::Change, rf_.dtlT.position());
}

void JournalWindow::copyTagged(bool move) {
  if (!live()) return;
  auto tagged = taggedPositions();
  if (tagged.empty()) {
    ms().ask(QStringLiteral("Отметьте записи (Пробел или F12)."), QStringLiteral("Журнал результатов"));
    return;
  }
  const QString to = askDestination ? askDestination(move, static_cast<int>(tagged.size())) : QString();
  if (to.isEmpty()) return;
  if (filepath::sameName(to.toStdString(), journal_)) {
    tell("Журнал \"" + to.toStdString() + "\" открыт как текущий.|Выберите другой журнал назначения.");
    return;
  }
  if (move) {
    // A move deletes: the question comes before anything is copied.
    messages::Procedure p(ms());
    if (p.show(32, {}) != messages::Yes) return;
  }
  JournalOutcome o = ResultsJournals(inst_.base, inst_.central(tables::files::Vedom)).copy(journal_, tagged, to.toStdString(), move);
  if (!o) {
    tell(o.message);
    return;
  }
  list_->setTags(std::set<store::Position>{});
  list_->refresh();
  renewCaption();
}

void JournalWindow::deleteTagged() {
  if (!live()) return;
  auto tagged = taggedPositions();
  if (tagged.empty()) return;
  messages::Procedure p(ms());
  if (p.show(32, {}) != messages::Yes) return;
  JournalOutcome o = ResultsJournals(inst_.base, inst_.central(tables::files::Vedom)).remove(journal_, tagged);
  // A failed deletion was rolled back whole: the same results stay tagged.
  if (o) list_->setTags(std::set<store::Position>{});
  else tell(o.message);
  list_->refresh();
  renewCaption();
}

// ------------------------------------------------------------------ export and search

void JournalWindow::exportList() {
  const QString path = ui::saveFileDialog(this, QStringLiteral("Экспорт результатов"), QStringLiteral("Файлы CSV|*.csv"),
                                          q(inst_.workingDir) + QStringLiteral("/") + q(journal_) + QStringLiteral(".csv"));
  if (!path.isEmpty()) exportTo(path);
}

bool JournalWindow::exportTo(const QString& path) {
  if (!live()) return false;
  std::string why;
  if (exportCsv(rf_.rezT, rf_.rez, list_->order() + 1, filter_, path.toStdString(), &why) != store::Ok) {
    tell(why, QStringLiteral("Экспорт"));
    list_->refresh();
    return false;
  }
  list_->refresh();
  return true;
}

void JournalWindow::findName() {
  bool ok = false;
  const QString part = QInputDialog::getText(this, QStringLiteral("Поиск по фамилии"), QStringLiteral("Фамилия (или её часть):"),
                                             QLineEdit::Normal, lastSearch_, &ok);
  if (ok && !part.trimmed().isEmpty()) findNext(part.trimmed());
}

bool JournalWindow::findNext(const QString& part) {
  if (!live()) return false;
  lastSearch_ = part;
  store::Position at = administrator::findName(rf_.rezT, rf_.rez, list_->order() + 1, filter_, ui::toRecord(part), list_->currentPosition());
  if (!at) {
    ms().ask(QStringLiteral("Фамилия \"%1\" в списке не найдена.").arg(part), QStringLiteral("Поиск по фамилии"));
    list_->refresh();
    return false;
  }
  list_->refresh(at);
  list_->choose(at);
  return true;
}

// ------------------------------------------------------------------ openers

QWidget* AdministratorApp::openJournal() {
  if (journal_) {
    journal_->show();
    journal_->raise();
    journal_->activateWindow();
    return journal_;
  }
  inst_.rereadResultFile();
  auto* w = new JournalWindow(inst_, startProgram, frame_.get(), frame_.get());
  if (!w->opened()) {
    delete w;
    return nullptr;
  }
  setJournal(w);
  showExclusive(w);
  return w;
}

QWidget* AdministratorApp::openJournalList() {
  inst_.rereadResultFile();
  auto* w = new common::ArchiveWindow(inst_.base, inst_.fileRez, frame_.get());
  w->setCurrentSource([this] {
    inst_.rereadResultFile();
    return inst_.fileRez;
  });
  w->setMakeCurrent([this](const std::string& name) -> std::optional<std::string> {
    if (auto why = journalOpenRefusal(inst_.base, name)) return why;
    if (!inst_.ini.set("Path", "FileRez", name)) return "Не удалось записать имя журнала в файл настроек.";
    inst_.rereadResultFile();
    // An open results journal turns to the journal now current.
    if (journal_) ui::post(journal_, JournalWindow::kReopen);
    return std::nullopt;
  });
  // A window for choosing takes no slot: an open results journal stays and
  // turns to the journal chosen here.
  w->setAttribute(Qt::WA_DeleteOnClose);
  connect(w, &QDialog::finished, w, &QObject::deleteLater);
  w->show();
  w->raise();
  w->activateWindow();
  return w;
}

void AdministratorApp::exportResults() {
  if (auto* j = qobject_cast<JournalWindow*>(journal_.data())) {
    j->exportList();
    return;
  }
  // Without an open journal: the whole current journal.
  inst_.rereadResultFile();
  JournalWindow w(inst_, startProgram, nullptr, frame_.get());
  if (w.opened()) w.exportList();
}

}  // namespace administrator
