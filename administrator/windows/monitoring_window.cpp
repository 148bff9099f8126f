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

#include "administrator_app.h"
#include "datetime.h"
#include "icons.h"
#include "main_frame.h"
#include "message_service.h"
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

}  // namespace

MonitoringWindow::MonitoringWindow(const setup::Installation& inst, QWidget* parent)
    : QDialog(parent), table_(inst), inst_(inst) {
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
  outer->addWidget(sortBox, 1);
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

  resize(1120, 560);
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

void MonitoringWindow::reread() {
  if (!opened_) return;
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
