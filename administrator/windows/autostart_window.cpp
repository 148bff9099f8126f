#include "autostart_window.h"

#include <QCheckBox>
#include <algorithm>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include "administrator_app.h"
#include "archive_window.h"
#include "browse.h"
#include "contingent_forms.h"
#include "main_frame.h"
#include "message_service.h"
#include "monitoring_window.h"
#include "services.h"
#include "test_library_window.h"
#include "window_memory.h"

namespace administrator {

namespace {
int fieldOf(const store::TableDef& def, const char* name) { return def.fieldIndex(name); }

QString joined(const std::vector<std::string>& names) {
  QStringList l;
  for (const auto& n : names) l << QString::fromStdString(n);
  return l.join(QStringLiteral(", "));
}
}  // namespace

// ------------------------------------------------------------------ chooser

struct WorkstationChooser::Tables {
  OpenTable<tables::Labr>* labr;
  OpenTable<tables::Ws>* ws;
  std::uint16_t room = 0;
};

WorkstationChooser::WorkstationChooser(const setup::Installation& inst, QWidget* parent) : QDialog(parent) {
  setObjectName(QString::fromLatin1(kWorkstationChooser));
  setWindowTitle(QStringLiteral("Просмотр файла Labr"));
  auto* labr = new OpenTable<tables::Labr>(tables::labrDef(), inst.central(tables::files::Labr), this);
  auto* ws = new OpenTable<tables::Ws>(tables::wsDef(), inst.central(tables::files::Ws), this);
  if (!labr->open() || !ws->open()) return;
  t_ = new Tables{labr, ws, 0};
  connect(this, &QObject::destroyed, [t = t_] { delete t; });
  opened_ = true;

  auto* outer = new QVBoxLayout(this);
  auto* roomsBox = new QGroupBox(QStringLiteral("Лаборатории"), this);
  auto* rl = new QVBoxLayout(roomsBox);
  rooms_ = new ui::BrowseWindow(labr->table, &labr->rec, QString::fromLatin1(kWorkstationChooser), {}, roomsBox);
  rooms_->setEmbedded(true);
  rooms_->setGroupTitle(QString());
  rooms_->addOrder(labr->table.key("KEYNAMELABR"), QStringLiteral("По названию"));
  rooms_->addOrder(labr->table.key("KEYNUMROOM"), QStringLiteral("По номеру комнаты"));
  const auto& ld = tables::labrDef();
  rooms_->addColumn({fieldOf(ld, "NAMELABR"), QStringLiteral("Лаборатории"), 30});
  rooms_->addColumn({fieldOf(ld, "NUMROOM"), QStringLiteral("№ комнаты"), 10});
  rooms_->addColumn({fieldOf(ld, "KOLWS"), QStringLiteral("РС"), 5});
  rl->addWidget(rooms_);
  outer->addWidget(roomsBox, 1);

  auto* wsBox = new QGroupBox(QStringLiteral("Рабочие станции"), this);
  auto* wl = new QVBoxLayout(wsBox);
  ws_ = new ui::BrowseWindow(ws->table, &ws->rec, QString::fromLatin1(kWorkstationChooser), {}, wsBox);
  ws_->setEmbedded(true);
  ws_->setGroupTitle(QString());
  ws_->setTagging(true);
  ws_->addOrder(ws->table.key("KEYCODELABR"), QStringLiteral("По лабораториям"));
  const auto& wd = tables::wsDef();
  ws_->addColumn({fieldOf(wd, "NAMEPC"), QStringLiteral("Имя РС"), 20});
  ws_->addColumn({fieldOf(wd, "PATH"), QStringLiteral("Путь"), 40});
  Tables* t = t_;
  ws_->setRecordFilter([t] { return t->ws->rec.CODELABR == t->room; });
  wl->addWidget(ws_);
  outer->addWidget(wsBox, 1);
  auto* hint = new QLabel(QStringLiteral("Отметьте рабочие станции (пробел или F12); отмеченные в разных лабораториях "
                                         "выбираются вместе, не более 100."),
                          this);
  hint->setWordWrap(true);
  outer->addWidget(hint);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  auto* choose = new QPushButton(QStringLiteral("&Выбрать"), this);
  auto* cancel = new QPushButton(QStringLiteral("Отмена"), this);
  auto* help = new QPushButton(QStringLiteral("Справка"), this);
  choose->setDefault(true);
  connect(choose, &QPushButton::clicked, this, &QDialog::accept);
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
  connect(help, &QPushButton::clicked, this, [this] { ui::openHelp(QString::fromLatin1(kAutostartWindow), this); });
  for (auto* b : {choose, cancel, help}) buttons->addWidget(b);
  outer->addLayout(buttons);

  // The highlighted room's workstations.
  auto follow = [this, t](store::Position pos) {
    if (pos && t->labr->table.getAt(pos) == store::Ok) t->room = t->labr->rec.CODELABR;
    ws_->refresh();
  };
  connect(rooms_, &ui::BrowseWindow::userChose, this, follow);
  rooms_->refresh();
  follow(rooms_->currentPosition());
  // Tags are kept as a set; the order they were made in is followed here.
  auto* watch = new QTimer(this);
  connect(watch, &QTimer::timeout, this, &WorkstationChooser::followTags);
  watch->start(150);
  resize(620, 560);
  ui::attachProcedure(this, QString::fromLatin1(kWorkstationChooser));
}

void WorkstationChooser::followTags() {
  if (!ws_) return;
  const auto& tags = ws_->tags();
  std::vector<store::Position> kept;
  for (store::Position p : order_)
    if (tags.count(p)) kept.push_back(p);
  for (store::Position p : tags)
    if (std::find(kept.begin(), kept.end(), p) == kept.end()) kept.push_back(p);
  order_ = std::move(kept);
}

std::vector<tables::Ws> WorkstationChooser::tagged() {
  std::vector<tables::Ws> out;
  if (!t_) return out;
  followTags();
  for (store::Position p : order_)
    if (t_->ws->table.getAt(p) == store::Ok) out.push_back(t_->ws->rec);
  return out;
}

// ------------------------------------------------------------------ window

AutostartWindow::AutostartWindow(setup::Installation& inst, QWidget* parent) : QDialog(parent), inst_(inst) {
  setObjectName(QString::fromLatin1(kAutostartWindow));
  setWindowTitle(QStringLiteral("АвтоСтарт"));
  chooseTest = [this](QWidget* p) -> std::optional<TestChoice> {
    auto c = chooseLibraryTest(inst_, p);
    if (!c) return std::nullopt;
    return TestChoice{c->test, c->folder};
  };
  chooseJournal = [this](QWidget* p, const QString& current) -> std::optional<QString> {
    // Chosen for the workstations: the Administrator's own journal stays.
    common::ArchiveWindow list(inst_.base, inst_.ini.get("Path", "FileRez"), current, p);
    list.setCurrentSource([this] { return inst_.ini.get("Path", "FileRez"); });
    if (list.exec() != QDialog::Accepted || list.chosen().isEmpty()) return std::nullopt;
    return list.chosen();
  };
  chooseWorkstations = [this](QWidget* p) -> std::optional<std::vector<tables::Ws>> {
    WorkstationChooser c(inst_, p);
    if (!c.opened() || c.exec() != QDialog::Accepted) return std::nullopt;
    return c.tagged();
  };

  auto* outer = new QVBoxLayout(this);
  auto* testBox = new QGroupBox(QStringLiteral("Выбранный тест"), this);
  auto* tg = new QGridLayout(testBox);
  test_ = new QLineEdit(testBox);
  base_ = new QLineEdit(testBox);
  test_->setObjectName(QStringLiteral("test"));
  base_->setObjectName(QStringLiteral("base"));
  auto* testPick = new QPushButton(QStringLiteral("Справочник"), testBox);
  testPick->setObjectName(QStringLiteral("chooseTest"));
  testPick->setAutoDefault(false);
  tg->addWidget(new QLabel(QStringLiteral("Имя Теста:"), testBox), 0, 0);
  tg->addWidget(test_, 0, 1);
  tg->addWidget(new QLabel(QStringLiteral("База Тестов:"), testBox), 1, 0);
  tg->addWidget(base_, 1, 1);
  tg->addWidget(testPick, 0, 2, 2, 1);
  outer->addWidget(testBox);
  connect(testPick, &QPushButton::clicked, this, &AutostartWindow::pickTest);

  auto* rezBox = new QGroupBox(QStringLiteral("Архив результатов"), this);
  auto* rg = new QHBoxLayout(rezBox);
  journal_ = new QLineEdit(rezBox);
  journal_->setObjectName(QStringLiteral("journal"));
  auto* rezPick = new QPushButton(QStringLiteral("Справочник"), rezBox);
  rezPick->setObjectName(QStringLiteral("chooseJournal"));
  rezPick->setAutoDefault(false);
  rg->addWidget(journal_, 1);
  rg->addWidget(rezPick);
  outer->addWidget(rezBox);
  connect(rezPick, &QPushButton::clicked, this, &AutostartWindow::pickJournal);

  auto* autoBox = new QGroupBox(QStringLiteral("Автостарт"), this);
  auto* ag = new QGridLayout(autoBox);
  arm_ = new QCheckBox(QStringLiteral("АвтоЗапуск Экзаменатора на выбранных рабочих станциях"), autoBox);
  arm_->setChecked(true);
  ag->addWidget(arm_, 0, 0, 1, 3);
  auto* wsPick = new QPushButton(QStringLiteral("Выбрать рабочие станции для автозапуска"), autoBox);
  wsPick->setAutoDefault(false);
  ag->addWidget(wsPick, 1, 0, 1, 3);
  connect(wsPick, &QPushButton::clicked, this, &AutostartWindow::pickWorkstations);
  stations_ = new QLabel(autoBox);
  rooms_ = new QLabel(autoBox);
  stations_->setObjectName(QStringLiteral("stations"));
  rooms_->setObjectName(QStringLiteral("rooms"));
  ag->addWidget(new QLabel(QStringLiteral("Выбрано рабочих станций:"), autoBox), 2, 0);
  ag->addWidget(stations_, 2, 1);
  ag->addWidget(new QLabel(QStringLiteral("Выбрано лабораторий:"), autoBox), 3, 0);
  ag->addWidget(rooms_, 3, 1);
  auto* disarm = new QPushButton(QStringLiteral("Снять автозапуск"), autoBox);
  disarm->setAutoDefault(false);
  disarm->setToolTip(QStringLiteral("Выключить автозапуск Экзаменатора на выбранных рабочих станциях"));
  ag->addWidget(disarm, 2, 2, 2, 1);
  connect(disarm, &QPushButton::clicked, this, &AutostartWindow::disarmChosen);
  outer->addWidget(autoBox);

  auto* buttons = new QHBoxLayout;
  auto* help = new QPushButton(QStringLiteral("Справка"), this);
  help->setAutoDefault(false);
  connect(help, &QPushButton::clicked, this, [this] { ui::openHelp(QString::fromLatin1(kAutostartWindow), this); });
  buttons->addWidget(help);
  buttons->addStretch(1);
  auto* ok = new QPushButton(QStringLiteral("&OK"), this);
  auto* cancel = new QPushButton(QStringLiteral("О&тменить"), this);
  ok->setDefault(true);
  connect(ok, &QPushButton::clicked, this, &AutostartWindow::armChosen);
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
  buttons->addWidget(ok);
  buttons->addWidget(cancel);
  outer->addLayout(buttons);

  showSelection();
  resize(560, 0);
  ui::attachProcedure(this, QString::fromLatin1(kAutostartWindow));
}

QPushButton* AutostartWindow::button(const QString& text) const {
  for (auto* b : findChildren<QPushButton*>())
    if (b->text() == text || b->objectName() == text) return b;
  return nullptr;
}

void AutostartWindow::pickTest() {
  if (!chooseTest) return;
  if (auto c = chooseTest(this)) {
    test_->setText(c->test);
    base_->setText(c->folder);
  }
}

void AutostartWindow::pickJournal() {
  if (!chooseJournal) return;
  if (auto j = chooseJournal(this, journal_->text())) journal_->setText(*j);
}

void AutostartWindow::pickWorkstations() {
  if (!chooseWorkstations) return;
  auto chosen = chooseWorkstations(this);
  if (!chosen) return;
  const std::size_t left = sel_.append(*chosen);
  showSelection();
  if (left)
    ui::MessageService::instance().ask(
        QStringLiteral("Выбрано больше %1 рабочих станций.|Не вошли в выбор: %2.").arg(kMaxAutostartStations).arg(left),
        QStringLiteral("АвтоСтарт"), messages::Buttons::Ok, messages::Icon::Exclamation);
}

void AutostartWindow::showSelection() {
  stations_->setText(QString::number(sel_.count()));
  rooms_->setText(QString::number(sel_.rooms()));
}

bool AutostartWindow::report(const Outcome& o, const AutostartReport& r, const QString& doneText) {
  auto& ms = ui::MessageService::instance();
  if (!o) {
    ms.ask(QString::fromStdString(o.message), QStringLiteral("АвтоСтарт"), messages::Buttons::Ok, messages::Icon::Exclamation);
    return false;
  }
  QString text;
  if (!r.done.empty()) text = doneText + QStringLiteral("|") + joined(r.done) + QStringLiteral(".");
  if (!r.failed.empty()) {
    if (!text.isEmpty()) text += QStringLiteral("||");
    text += QStringLiteral("Не удалось:");
    for (const auto& f : r.failed)
      text += QStringLiteral("|") + QString::fromStdString(f.station) + QStringLiteral(" — ") + QString::fromStdString(f.why);
  }
  ms.ask(text, QStringLiteral("АвтоСтарт"), messages::Buttons::Ok,
         r.failed.empty() ? messages::Icon::Information : messages::Icon::Exclamation);
  return true;
}

void AutostartWindow::armChosen() {
  auto& ms = ui::MessageService::instance();
  if (sel_.count() == 0) {
    ms.ask(QStringLiteral("Не выбраны рабочие станции для автозапуска."), QStringLiteral("АвтоСтарт"));
    return;
  }
  AutostartOrder order{test_->text().toStdString(), base_->text().toStdString(), journal_->text().toStdString(),
                       arm_->isChecked()};
  AutostartReport r;
  Outcome o;
  {
    ms.waitCursor(true);
    o = Autostart(inst_).arm(order, sel_, r);
    ms.waitCursor(false);
  }
  if (!report(o, r, QStringLiteral("Записано на рабочих станциях:"))) return;
  // Nothing armed: nothing to watch.
  if (!r.done.empty() && openMonitoring) openMonitoring(base_->text().toStdString());
}

void AutostartWindow::disarmChosen() {
  auto& ms = ui::MessageService::instance();
  if (sel_.count() == 0) {
    ms.ask(QStringLiteral("Не выбраны рабочие станции."), QStringLiteral("АвтоСтарт"));
    return;
  }
  if (ms.ask(QStringLiteral("Снять автозапуск Экзаменатора|на выбранных рабочих станциях (%1)?").arg(sel_.count()),
             QStringLiteral("АвтоСтарт"), messages::Buttons::YesNo, messages::Icon::Question) != messages::Yes)
    return;
  AutostartReport r;
  Outcome o = Autostart(inst_).disarm(sel_, r);
  report(o, r, QStringLiteral("Автозапуск снят на рабочих станциях:"));
}

// ------------------------------------------------------------------ opener

QWidget* AdministratorApp::openAutostart() {
  auto* w = new AutostartWindow(inst_, frame_.get());
  // Monitoring opened from here leaves this window in its place; one
  // already open is raised, watching the base just armed.
  w->openMonitoring = [this](const std::string& folder) {
    auto* m = MonitoringWindow::openOne(frame_.get());
    if (!m) {
      m = new MonitoringWindow(inst_, frame_.get());
      if (!m->opened()) {
        delete m;
        return;
      }
      m->showClock = [this](const QString& t) {
        if (frame_) frame_->setStatusText(2, t);
      };
      m->setAttribute(Qt::WA_DeleteOnClose);
      connect(m, &QDialog::finished, m, &QObject::deleteLater);
    } else {
      m->refreshNow();
    }
    if (!folder.empty()) m->setBase(folder);
    m->show();
    m->raise();
    m->activateWindow();
  };
  showExclusive(w);
  return w;
}

}  // namespace administrator
