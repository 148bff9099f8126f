#include "monitoring_window.h"

#include <QDateTime>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QTabBar>
#include <QTableWidget>
#include <QTime>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>

#include "administrator_app.h"
#include "datetime.h"
#include "icons.h"
#include "main_frame.h"
#include "message_service.h"
#include "pictures.h"
#include "record_format.h"
#include "services.h"
#include "window_memory.h"
#include "window_tools.h"

namespace administrator {

namespace {

// The lamps "~Sig1" (quiet), "~Sig2" (lit) and "~Sig3" (no stations).
QPixmap lamp(Signal s) {
  QPixmap p(22, 22);
  p.fill(Qt::transparent);
  QPainter g(&p);
  g.setRenderHint(QPainter::Antialiasing);
  QColor c = s == Signal::Sig2 ? QColor(46, 204, 64) : s == Signal::Sig3 ? QColor(211, 47, 47) : QColor(140, 150, 140);
  QRadialGradient glow(QPointF(8, 8), 12);
  glow.setColorAt(0, c.lighter(170));
  glow.setColorAt(1, c);
  g.setPen(QPen(c.darker(160), 1.2));
  g.setBrush(glow);
  g.drawEllipse(QRectF(2, 2, 18, 18));
  return p;
}

const char* const kLightNames[] = {"Связь", "Обновление", "Подключение", "Отключение"};

struct ColumnSpec {
  const char* heading;
  int width;  // characters
};
const ColumnSpec kColumns[] = {{"№", 4},        {"Компьютер", 12},     {"Фамилия И.О.", 22}, {"Тест", 24},
                               {"Старт", 10},   {"Заданий", 9},        {"Ответил", 9},       {"Макс.", 7},
                               {"Факт.", 7},    {"Тек. задание", 13},  {"Ошибок", 8},        {"flag", 3}};
enum Col { CCode, CPc, CFio, CTest, CStart, CFrames, CAnswered, CMax, CReal, CFrame, CWrong, CFlag };

const ColumnSpec kAttemptColumns[] = {{"Тестируемый", 26}, {"Группа", 10},        {"Тест", 30},
                                      {"Рабочая станция", 16}, {"Дано ответов", 12}, {"Последний ответ", 20}};
enum AttemptCol { AFio, AGroup, ATest, APc, AAnswered, ALast };

const QString kCaption = QStringLiteral("Мониторинг");

// The window's clock as the Examiners write theirs: a day number and a
// clock time.
std::pair<std::int32_t, std::int32_t> dayAndClock(std::int64_t secs) {
  const QDateTime t = QDateTime::fromSecsSinceEpoch(secs);
  const QDate d = t.date();
  const QTime c = t.time();
  return {datetime::dayNumber(d.year(), d.month(), d.day()), datetime::clockTime(c.hour(), c.minute(), c.second())};
}

}  // namespace

MonitoringWindow::MonitoringWindow(const setup::Installation& inst, QWidget* parent)
    : QDialog(parent), table_(inst), attempts_(inst), inst_(inst) {
  setObjectName(QString::fromLatin1(kMonitoringWindow));
  now = [] { return QDateTime::currentSecsSinceEpoch(); };
  setBase(inst.libraryDir);
  setWindowFlags(windowFlags() | Qt::WindowMaximizeButtonHint | Qt::WindowMinimizeButtonHint);

  auto* outer = new QVBoxLayout(this);
  auto* sortBox = new QGroupBox(QStringLiteral("Сортировка"), this);
  auto* sl = new QVBoxLayout(sortBox);
  tabs_ = new QTabBar(sortBox);
  for (MonitorOrder o : {MonitorOrder::ByStart, MonitorOrder::ByComputer, MonitorOrder::ByName, MonitorOrder::ByAnswers,
                         MonitorOrder::ByPoints})
    tabs_->addTab(QString::fromUtf8(monitorOrderTitle(o)));
  sl->addWidget(tabs_);
  list_ = new QTableWidget(0, static_cast<int>(std::size(kColumns)), sortBox);
  list_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  list_->setSelectionBehavior(QAbstractItemView::SelectRows);
  list_->setSelectionMode(QAbstractItemView::SingleSelection);
  list_->verticalHeader()->hide();
  const int ch = fontMetrics().averageCharWidth();
  for (int c = 0; c < static_cast<int>(std::size(kColumns)); ++c) {
    list_->setHorizontalHeaderItem(c, new QTableWidgetItem(QString::fromUtf8(kColumns[c].heading)));
    list_->setColumnWidth(c, (kColumns[c].width + 2) * ch);
  }
  list_->setColumnHidden(CFlag, true);
  list_->horizontalHeader()->setStretchLastSection(false);
  sl->addWidget(list_, 1);
  outer->addWidget(sortBox, 3);

  auto* lostBox = new QGroupBox(QStringLiteral("Брошенные тестирования"), this);
  lostBox->setToolTip(QStringLiteral("Тестирования без ответов более 15 минут: рабочая станция могла выйти из строя"));
  auto* al = new QVBoxLayout(lostBox);
  abandonedList_ = new QTableWidget(0, static_cast<int>(std::size(kAttemptColumns)), lostBox);
  abandonedList_->setObjectName(QStringLiteral("abandoned"));
  abandonedList_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  abandonedList_->setSelectionBehavior(QAbstractItemView::SelectRows);
  abandonedList_->setSelectionMode(QAbstractItemView::SingleSelection);
  abandonedList_->verticalHeader()->hide();
  abandonedList_->setWordWrap(false);
  abandonedList_->horizontalHeader()->setHighlightSections(false);
  for (int c = 0; c < static_cast<int>(std::size(kAttemptColumns)); ++c) {
    const QString heading = QString::fromUtf8(kAttemptColumns[c].heading);
    abandonedList_->setHorizontalHeaderItem(c, new QTableWidgetItem(heading));
    // Headings are longer than some of the values: neither is cut.
    const int headingWidth = abandonedList_->horizontalHeader()->fontMetrics().horizontalAdvance(heading) + 3 * ch;
    abandonedList_->setColumnWidth(c, std::max((kAttemptColumns[c].width + 2) * ch, headingWidth));
  }
  abandonedList_->horizontalHeader()->setStretchLastSection(true);
  al->addWidget(abandonedList_, 1);
  auto* lostButtons = new QHBoxLayout;
  attemptsLink_ = new QLabel(lostBox);
  attemptsLink_->setObjectName(QStringLiteral("attemptsLink"));
  attemptsLink_->setStyleSheet(QStringLiteral("color: #c00000"));
  lostButtons->addWidget(attemptsLink_, 1);
  closeAttempt_ = new QPushButton(QStringLiteral("Закрыть тестирование"), lostBox);
  closeAttempt_->setAutoDefault(false);
  closeAttempt_->setEnabled(false);
  closeAttempt_->setToolTip(QStringLiteral("Записать результат выбранного тестирования в журнал результатов как есть"));
  lostButtons->addWidget(closeAttempt_);
  al->addLayout(lostButtons);
  outer->addWidget(lostBox, 1);
  connect(abandonedList_, &QTableWidget::itemSelectionChanged, this,
          [this] { closeAttempt_->setEnabled(!abandonedList_->selectedItems().isEmpty()); });
  connect(closeAttempt_, &QPushButton::clicked, this, &MonitoringWindow::closeChosenAttempt);
  connect(tabs_, &QTabBar::currentChanged, this, [this](int i) { setOrder(static_cast<MonitorOrder>(i)); });

  auto* bottom = new QHBoxLayout;
  auto* refresh = new QPushButton(this);
  refresh->setObjectName(QStringLiteral("refresh"));
  refresh->setIcon(ui::styleIcon(QStyle::SP_BrowserReload));
  refresh->setToolTip(QStringLiteral("Обновить"));
  refresh->setAutoDefault(false);
  connect(refresh, &QPushButton::clicked, this, &MonitoringWindow::refreshNow);
  bottom->addWidget(refresh);
  auto* reset = new QPushButton(QStringLiteral("Сброс"), this);
  reset->setAutoDefault(false);
  connect(reset, &QPushButton::clicked, this, [this] {
    const int a = ui::MessageService::instance().ask(
        QStringLiteral("Все сведения о подключенных станциях|будут удалены.||Удалить эти сведения?"),
        QStringLiteral("Инспектор"), messages::Buttons::YesNo, messages::Icon::Question);
    if (a == messages::Yes) clearStations();
  });
  bottom->addWidget(reset);
  bottom->addSpacing(12);
  auto* lights = new QGroupBox(this);
  auto* ll = new QHBoxLayout(lights);
  for (const char* n : kLightNames) {
    auto* pic = new QLabel(lights);
    pic->setObjectName(QString::fromUtf8(n));
    pic->setToolTip(QString::fromUtf8(n));
    pictures_.push_back(pic);
    ll->addWidget(pic);
    ll->addWidget(new QLabel(QString::fromUtf8(n), lights));
    ll->addSpacing(6);
  }
  bottom->addWidget(lights);
  bottom->addStretch(1);
  auto makeLabel = [this](const char* name) {
    auto* l = new QLabel(this);
    l->setObjectName(QString::fromLatin1(name));
    return l;
  };
  refreshed_ = makeLabel("refreshed");
  count_ = makeLabel("stations");
  finished_ = makeLabel("finished");
  remaining_ = makeLabel("remaining");
  clock_ = makeLabel("clock");
  auto* counts = new QGridLayout;
  counts->addWidget(new QLabel(QStringLiteral("Обновлено:"), this), 0, 0);
  counts->addWidget(refreshed_, 0, 1);
  counts->addWidget(new QLabel(QStringLiteral("Станций:"), this), 1, 0);
  counts->addWidget(count_, 1, 1);
  counts->addWidget(new QLabel(QStringLiteral("Завершено:"), this), 0, 2);
  counts->addWidget(finished_, 0, 3);
  counts->addWidget(new QLabel(QStringLiteral("Осталось:"), this), 1, 2);
  counts->addWidget(remaining_, 1, 3);
  bottom->addLayout(counts);
  outer->addLayout(bottom);

  link_ = makeLabel("link");
  link_->setStyleSheet(QStringLiteral("color: #c00000"));
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(clock_);
  buttons->addSpacing(12);
  buttons->addWidget(link_, 1);
  auto* help = new QPushButton(QStringLiteral("Справка"), this);
  help->setAutoDefault(false);
  connect(help, &QPushButton::clicked, this, [this] { ui::openHelp(QString::fromLatin1(kMonitoringWindow), this); });
  auto* close = new QPushButton(QStringLiteral("&Закрыть"), this);
  connect(close, &QPushButton::clicked, this, &QDialog::reject);
  buttons->addWidget(help);
  buttons->addWidget(close);
  outer->addLayout(buttons);

  resize(1120, 720);
  ui::attachProcedure(this, QString::fromLatin1(kMonitoringWindow));
  ui::alertKey(this, QKeySequence(Qt::Key_F5), [this] { refreshNow(); });

  if (Outcome o = table_.open(); !o) {
    ui::MessageService::instance().ask(QString::fromStdString(o.message), QStringLiteral("Мониторинг"),
                                       messages::Buttons::Ok, messages::Icon::Stop);
    return;
  }
  opened_ = true;
  const auto n = table_.count();
  lights_.opened(n.value_or(0));
  if (!n) showLink(QString::fromStdString(table_.failure()));
  reread();
  showLights();
  timer_ = ui::windowTimer(this, 100, [this] { tick(); });
}

void MonitoringWindow::setBase(const std::string& folder) {
  QString caption = QStringLiteral("Ормида2.0 - [Мониторинг]");
  const std::string base = MonitorTable::baseName(inst_, folder);
  if (!base.empty()) caption += QStringLiteral(" - [") + QString::fromStdString(base) + QStringLiteral("]");
  setWindowTitle(caption);
}

MonitoringWindow* MonitoringWindow::openOne(QWidget* frame) {
  if (!frame) return nullptr;
  // A closed one only waits for its deletion.
  for (auto* m : frame->findChildren<MonitoringWindow*>(Qt::FindDirectChildrenOnly))
    if (m->isVisible()) return m;
  return nullptr;
}

QLabel* MonitoringWindow::label(const char* name) const { return findChild<QLabel*>(QString::fromLatin1(name)); }

QPushButton* MonitoringWindow::button(const QString& text) const {
  for (auto* b : findChildren<QPushButton*>())
    if (b->text() == text || b->objectName() == text) return b;
  return nullptr;
}

bool MonitoringWindow::rowGreyed(int row) const {
  auto* it = list_->item(row, CCode);
  return it && it->data(Qt::UserRole).toBool();
}

void MonitoringWindow::tick() {
  const QString t = QTime::currentTime().toString(QStringLiteral("HH:mm:ss"));
  clock_->setText(t);
  if (showClock) showClock(t);
  const auto n = table_.count();
  if (!n) showLink(QString::fromStdString(table_.failure()));
  // Back again: the list is read at once, not at the tenth second.
  const bool back = n && linkLost_;
  if (lights_.tick(n) || back) reread();
  showLights();
  showCounts();
}

void MonitoringWindow::refreshNow() {
  lights_.refreshPressed();
  reread();
  showLights();
}

void MonitoringWindow::clearStations() {
  if (Outcome o = table_.clear(); !o) {
    ui::MessageService::instance().ask(QString::fromStdString(o.message), QStringLiteral("Мониторинг"),
                                       messages::Buttons::Ok, messages::Icon::Exclamation);
  }
  history_.cleared();
  reread();
  if (const auto n = table_.count()) lights_.cleared(*n);
  showLights();
  showCounts();
}

void MonitoringWindow::setOrder(MonitorOrder o) {
  order_ = o;
  if (tabs_->currentIndex() != static_cast<int>(o)) tabs_->setCurrentIndex(static_cast<int>(o));
  reread();
}

void MonitoringWindow::closeChosenAttempt() {
  const auto chosen = abandonedList_->selectionModel()->selectedRows();
  if (chosen.isEmpty() || chosen[0].row() >= static_cast<int>(abandoned_.size())) return;
  const std::int32_t code = abandoned_[static_cast<std::size_t>(chosen[0].row())].attempt.rec.CODE;
  auto& ms = ui::MessageService::instance();
  // The question tells the attempt as it stands now, not as last listed:
  // its workstation may have come back meanwhile.
  const auto [day, clock] = dayAndClock(now());
  std::optional<AbandonedAttempt> current;
  if (Outcome o = attempts_.find(code, day, clock, current); !o) {
    ms.ask(QString::fromStdString(o.message), kCaption, messages::Buttons::Ok, messages::Icon::Exclamation);
    return;
  }
  if (!current) {
    ms.ask(QStringLiteral("Это тестирование уже завершено."), kCaption, messages::Buttons::Ok,
           messages::Icon::Information);
    rereadAttempts();
    return;
  }
  if (ms.ask(QString::fromStdString(closeQuestion(*current)), kCaption, messages::Buttons::YesNo,
             messages::Icon::Question, messages::No) != messages::Yes)
    return;
  const ClosedAttempt done = attempts_.close(code);
  ms.ask(QString::fromStdString(done.message), kCaption, messages::Buttons::Ok,
         done.how == Closing::Failed ? messages::Icon::Exclamation : messages::Icon::Information);
  rereadAttempts();
}

void MonitoringWindow::rereadAttempts() {
  const auto [day, clock] = dayAndClock(now());
  if (Outcome o = attempts_.read(day, clock, abandoned_); !o) {
    // The last list stays, as the stations' does.
    attemptsLink_->setText(QStringLiteral("Нет связи с таблицей тестирований: ") + QString::fromStdString(o.message));
    return;
  }
  attemptsLink_->clear();
  // The row chosen stays chosen across the refresh every ten seconds.
  std::optional<std::int32_t> chosen;
  if (const auto rows = abandonedList_->selectionModel()->selectedRows(); !rows.isEmpty()) {
    if (const auto* it = abandonedList_->item(rows[0].row(), AFio)) chosen = it->data(Qt::UserRole).toInt();
  }
  abandonedList_->clearSelection();
  abandonedList_->setRowCount(static_cast<int>(abandoned_.size()));
  int select = -1;
  for (int r = 0; r < static_cast<int>(abandoned_.size()); ++r) {
    const AbandonedAttempt& a = abandoned_[static_cast<std::size_t>(r)];
    const tables::Attempt& rec = a.attempt.rec;
    const std::string last = picture::shortDate(rec.LASTDATE) + " " + picture::time(rec.LASTTIME);
    const QString cells[] = {ui::fromRecord(rec.FIO.view()),
                             ui::fromRecord(rec.GR.view()),
                             ui::fromRecord(rec.NAMETEMA.view()),
                             ui::fromRecord(rec.NAMEPC.view()),
                             QString::fromStdString(answeredText(rec)),
                             QString::fromStdString(last)};
    for (int c = 0; c < static_cast<int>(std::size(cells)); ++c) {
      auto* it = new QTableWidgetItem(cells[c]);
      if (c == AAnswered) it->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
      if (c == APc && a.running) it->setToolTip(QStringLiteral("Рабочая станция ещё работает с этим тестированием"));
      if (c == AFio) it->setData(Qt::UserRole, rec.CODE);
      abandonedList_->setItem(r, c, it);
    }
    if (chosen && *chosen == rec.CODE) select = r;
  }
  if (select >= 0) abandonedList_->selectRow(select);
  closeAttempt_->setEnabled(select >= 0);
}

void MonitoringWindow::reread() {
  if (!opened_) return;
  // The attempts lie in a file of their own: read even while MonCons cannot be.
  rereadAttempts();
  if (Outcome o = table_.read(order_, stations_); !o) {
    showLink(QString::fromStdString(o.message));
    return;
  }
  showLink({});
  const std::int64_t t = now();
  const QTime day = QDateTime::fromSecsSinceEpoch(t).time();
  history_.read(stations_, t, datetime::clockTime(day.hour(), day.minute(), day.second()));
  const auto& def = tables::monConsDef();
  const QColor paper(255, 255, 204);
  list_->setRowCount(static_cast<int>(stations_.size()));
  for (int r = 0; r < static_cast<int>(stations_.size()); ++r) {
    const auto& s = stations_[static_cast<std::size_t>(r)];
    const auto& rec = s.rec;
    const bool stale = history_.stale(s.position, t);
    auto number = [](long long v) { return QString::number(v); };
    const QString cells[] = {number(rec.CODEC),
                             ui::fromRecord(rec.NAMEPC.view()),
                             ui::fromRecord(rec.FIO.view()),
                             ui::fromRecord(rec.TEST.view()),
                             rec.TIMEBEG ? ui::fieldText(def, &rec, def.fieldIndex("TIMEBEG"), ui::Format::time()) : QString(),
                             number(rec.KOLZAD),
                             number(rec.KOLVOPOT),
                             number(rec.KOLBALLMAX),
                             number(rec.KOLBALLREAL),
                             number(rec.CODEVOP),
                             number(rec.FALSEOT),
                             number(rec.FLAG)};
    for (int c = 0; c < static_cast<int>(std::size(cells)); ++c) {
      auto* it = new QTableWidgetItem(cells[c]);
      if (c != CPc && c != CFio && c != CTest) it->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
      if (c == CReal) {
        it->setForeground(QColor(0, 128, 0));
        it->setBackground(paper);
      } else if (c == CWrong) {
        it->setForeground(QColor(200, 0, 0));
        it->setBackground(paper);
      }
      // A station unchanged for 15 minutes may have died: shown greyed.
      if (stale) {
        it->setForeground(QColor(150, 150, 150));
        it->setBackground(QColor(235, 235, 235));
        it->setToolTip(QStringLiteral("Нет изменений более 15 минут"));
      }
      if (c == CCode) it->setData(Qt::UserRole, stale);
      list_->setItem(r, c, it);
    }
  }
  refreshed_->setText(QTime::currentTime().toString(QStringLiteral("HH:mm:ss")));
  showCounts();
}

void MonitoringWindow::showLights() {
  const Signal lit[] = {lights_.link, lights_.update, lights_.connect, lights_.disconnect};
  for (std::size_t i = 0; i < 4; ++i) {
    shown_[i] = lit[i];
    pictures_[i]->setPixmap(lamp(lit[i]));
    pictures_[i]->setProperty("signal", static_cast<int>(lit[i]));
  }
}

void MonitoringWindow::showLink(const QString& why) {
  linkLost_ = !why.isEmpty();
  QString text;
  if (linkLost_) {
    text = QStringLiteral("Нет связи с таблицей станций: ") + why;
    if (!refreshed_->text().isEmpty()) text += QStringLiteral(" Список — на ") + refreshed_->text() + QStringLiteral(".");
  }
  link_->setText(text);
}

void MonitoringWindow::showCounts() {
  count_->setText(QString::number(lights_.counted()));
  finished_->setText(QString::number(history_.finished()));
  remaining_->setText(QString::number(stations_.size()));
}

// ------------------------------------------------------------------ opener

QWidget* AdministratorApp::openMonitoring() {
  // The one open beside the autostart window comes into the slot.
  if (auto* open = MonitoringWindow::openOne(frame_.get())) {
    showExclusive(open);
    return open;
  }
  auto* w = new MonitoringWindow(inst_, frame_.get());
  if (!w->opened()) {
    delete w;
    return nullptr;
  }
  w->showClock = [this](const QString& t) {
    if (frame_) frame_->setStatusText(2, t);
  };
  showExclusive(w);
  return w;
}

}  // namespace administrator
