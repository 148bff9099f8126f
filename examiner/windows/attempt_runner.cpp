#include "attempt_runner.h"

#include <QDateTime>
#include <QDir>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPainter>
#include <QPrinter>
#include <QPushButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>

#include "attempt_runner_logic.h"
#include "cp1251.h"
#include "message_service.h"
#include "monitoring.h"
#include "pictures.h"
#include "report.h"
#include "scoring.h"
#include "services.h"
#include "testing_window.h"
#include "window_memory.h"
#include "window_tools.h"

namespace examiner {
namespace {

QString fromCp(std::string_view cp) { return QString::fromStdString(cp1251::toUtf8(cp1251::clip(cp))); }
QString q(const std::string& s) { return QString::fromStdString(s); }

}  // namespace

// ------------------------------------------------------------------ protocol

QString printOrKeep(const ui::Report& report, const Startup& s, const QString& fileBase, const QString& what) {
  QString saved;
  bool printed = false;
  // The printer chosen for this run, else the system's default.
  if (std::unique_ptr<QPrinter> printer = ui::makePrinter()) {
    std::vector<int> pages;
    for (int i = 1; i <= report.pageCount(); ++i) pages.push_back(i);
    printed = report.print(*printer, pages);
  }
  if (!printed) {
    // No printer here: the report is kept as a file, never lost.
    QString dir = QString::fromStdString((s.inst.base.empty() ? s.inst.work("") : s.inst.base) + "Stat/Protocols");
    QDir().mkpath(dir);
    saved = dir + QStringLiteral("/") + fileBase + QStringLiteral(".pdf");
    if (report.writePdf(saved)) {
      ui::MessageService::instance().ask(what + QStringLiteral(" сохранён в файле ") + saved, what);
    } else {
      ui::MessageService::instance().ask(QStringLiteral("Не удалось ни напечатать, ни сохранить в файле ") + saved + QStringLiteral("."),
                                         what, messages::Buttons::Ok, messages::Icon::Exclamation);
      saved.clear();
    }
  }
  return saved;
}

QString printProtocol(const Protocol& p, const Startup& s, std::int32_t code, QWidget* parent) {
  ui::ProgressWindow progress(QStringLiteral("Обработано записей"), parent);
  progress.show();
  progress.step(0);
  ui::Report report = protocolReport(p);
  progress.setText(QStringLiteral("Выполнено 50 %"));
  progress.step(50);
  // An attempt that was not stored has no code: its file is named by the time.
  const QString tail = code ? QString::number(code) : QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
  QString saved = printOrKeep(report, s, QString::fromStdString(s.inst.fileRez) + QStringLiteral("_") + tail, QStringLiteral("Протокол"));
  progress.setText(QStringLiteral("Обработка завершена"));
  progress.step(100);
  return saved;
}

// ------------------------------------------------------------------ result window

ResultWindow::ResultWindow(const tables::RezTest& r, const AttemptConfig& cfg, const Startup& s, const std::string& wrongList,
                           int answered, QWidget* parent)
    : QDialog(parent), r_(r), cfg_(cfg), s_(s) {
  setObjectName(QString::fromLatin1(kProcedure));
  setWindowTitle(QStringLiteral("Ормида 2.0 - [Результаты тестирования]"));
  const auto& t = cfg_.tema;
  auto* l = new QVBoxLayout(this);
  auto* g = new QGridLayout;
  // The values take the room beside their labels; long names span both columns.
  g->setColumnStretch(1, 1);
  g->setColumnStretch(3, 1);
  g->setHorizontalSpacing(12);
  auto add = [&](const QString& label, const QString& value, int row, int col, bool wholeRow = false) {
    auto* lab = new QLabel(label, this);
    auto* val = new QLabel(value, this);
    val->setStyleSheet(QStringLiteral("font-weight: bold;"));
    val->setWordWrap(true);
    val->setTextInteractionFlags(Qt::TextSelectableByMouse);
    g->addWidget(lab, row, col * 2);
    g->addWidget(val, row, col * 2 + 1, 1, wholeRow ? 3 : 1);
    values_.emplace_back(label, val);
    return val;
  };
  int row = 0;
  add(QStringLiteral("Дата:"), q(picture::shortDate(r.DATE)), row, 0);
  add(QStringLiteral("Идентификатор:"), fromCp(r.ID.view()), row++, 1);
  add(QStringLiteral("Начало:"), q(picture::time(r.TIMEBEG)), row, 0);
  add(QStringLiteral("Окончание:"), q(picture::time(r.TIMEEND)), row++, 1);
  add(QStringLiteral("Время на тест:"), q(timeAllowedText(t, cfg_.frames)), row, 0);
  add(QStringLiteral("Затрачено:"), q(picture::time(r.TESTTIMEFAKT)), row++, 1);
  add(QStringLiteral("Дисциплина:"), fromCp(r.PREDMET.view()), row++, 0, true);
  add(QStringLiteral("Кафедра:"), fromCp(r.OTDEL.view()), row++, 0, true);
  add(QStringLiteral("Автор теста:"), fromCp(r.WRITER.view()), row++, 0, true);
  add(QStringLiteral("Группа:"), fromCp(r.GR.view()), row, 0);
  add(QStringLiteral("Вариант:"), t.MODECONTROLZN == 5 ? QString::number(cfg_.variant) : QStringLiteral("нет"), row++, 1);
  add(QStringLiteral("Тестируемый:"), fromCp(r.FIO.view()), row++, 0, true);
  l->addLayout(g);
  auto* box = new QGroupBox(QStringLiteral("Результат"), this);
  auto* f = new QFormLayout(box);
  auto value = [&](const QString& label, const QString& v) {
    auto* val = new QLabel(v, box);
    val->setStyleSheet(QStringLiteral("font-weight: bold;"));
    f->addRow(label, val);
    values_.emplace_back(label, val);
    return val;
  };
  value(QStringLiteral("Правильных ответов"), QStringLiteral("%1 вопросов из %2").arg(r.KOLTROT).arg(r.KOLVOP));
  // What the examinee answered (in fixed order the stored count also holds
  // the frames passed without an answer).
  value(QStringLiteral("Отвечено на"), QString::number(answered < 0 ? r.KOLVOPOT : answered));
  value(QStringLiteral("Набрано баллов"), QString::number(r.REZBAL));
  value(QStringLiteral("Максимальный балл:"), QString::number(r.MAXBALL));
  value(QStringLiteral("Процент верных ответов:"), QString::number(percentageRounded(r.KOLTROT, r.KOLVOP)) + QStringLiteral(" %"));
  if (!t.SHOWOTM) {
    value(QStringLiteral("Шкала:"), q(scaleName(t.MODEOZENKA)));
    QString mark = fromCp(r.REZTEXT.view());
    if (t.MODEOZENKA == 2) mark = QString::number(r.OTMETKA);
    value(QStringLiteral("Отметка:"), mark);
  }
  value(QStringLiteral("Неверные ответы на задания №№"), q(wrongList));
  l->addWidget(box);
  auto* b = new QHBoxLayout;
  auto mk = [&](const char* text) {
    auto* btn = new QPushButton(QString::fromUtf8(text), this);
    btn->setAutoDefault(false);
    b->addWidget(btn);
    return btn;
  };
  auto* errors = mk("Ошибки");
  auto* repeat = mk("Повторить");
  auto* more = mk("Подробно");
  auto* print = mk("Напечатать");
  b->addStretch(1);
  auto* reg = mk("Регистрация");
  auto* quit = mk("Выход");
  reg->setDefault(true);
  l->addLayout(b);
  errors->setEnabled(r.KOLFSOT != 0 && t.SHOWFALSEOT && r.KOLVOPOT != 0);
  repeat->setEnabled(t.POVTORTEST != 0);
  connect(errors, &QPushButton::clicked, this, [this] {
    if (onErrors) onErrors();
  });
  connect(repeat, &QPushButton::clicked, this, [this] {
    outcome_ = 2;
    accept();
  });
  connect(more, &QPushButton::clicked, this, &ResultWindow::details);
  connect(print, &QPushButton::clicked, this, [this] {
    if (onPrint) onPrint();
  });
  connect(reg, &QPushButton::clicked, this, [this] {
    outcome_ = 7;
    accept();
  });
  connect(quit, &QPushButton::clicked, this, [this] {
    outcome_ = 5;
    accept();
  });
  if (t.HOWEND == 1 || t.HOWEND == 4) QTimer::singleShot(1000, this, [this] { accept(); });  // on its first timer event
  setMinimumWidth(720);
  ui::attachProcedure(this, QString::fromLatin1(kProcedure));
}

QPushButton* ResultWindow::button(const QString& text) const {
  for (auto* b : findChildren<QPushButton*>())
    if (b->text() == text) return b;
  return nullptr;
}

QString ResultWindow::value(const QString& label) const {
  for (const auto& [l, v] : values_)
    if (l == label) return v->text();
  return {};
}

ResultWindow::Breakdown ResultWindow::sections() const {
  // One row per section of the test, the n-th describing section n; the
  // percentage over all frames of the section in the test.
  const auto& ti = cfg_.titul;
  Breakdown b{QStringLiteral("Результаты по разделам теста"),
              {QStringLiteral("Название"), QStringLiteral("Заданий"), QStringLiteral("Дан ответ"), QStringLiteral("Верно"),
               QStringLiteral("в %"), QStringLiteral("Макс. балл"), QStringLiteral("Факт. балл")},
              {}};
  if (!cfg_.tema.YESRAZ) return b;
  for (std::size_t n = 0; n < 7 && n < static_cast<std::size_t>(ti.KOLRAZD); ++n) {
    QString name = n < cfg_.sectionNames.size() ? fromCp(cfg_.sectionNames[n]) : QString();
    if (name.isEmpty()) name = QStringLiteral("Раздел %1").arg(n + 1);
    b.rows.push_back({name, QString::number(ti.RASPRAZ[n]), QString::number(r_.KOLOTRAZ[n]), QString::number(r_.PRRAZ[n]),
                      QString::number(percentageRounded(r_.PRRAZ[n], ti.RASPRAZ[n])), QString::number(ti.MAXBALLRAZ[n]),
                      QString::number(r_.BALLRAZ[n])});
  }
  return b;
}

ResultWindow::Breakdown ResultWindow::levels() const {
  const auto& ti = cfg_.titul;
  Breakdown b{QStringLiteral("Результаты по уровням сложности заданий"),
              {QStringLiteral("Уровень сложности"), QStringLiteral("Кол-во"), QStringLiteral("Дан ответ"), QStringLiteral("Верно"),
               QStringLiteral("в %"), QStringLiteral("Макс. балл"), QStringLiteral("Факт. балл")},
              {}};
  if (!cfg_.tema.MODELEVEL) return b;
  for (std::size_t n = 0; n < 5 && n < static_cast<std::size_t>(ti.KOLLEV); ++n)
    b.rows.push_back({QString::number(n + 1), QString::number(ti.RASPLEV[n]), QString::number(r_.KOLOTLEVEL[n]),
                      QString::number(r_.PRLEVEL[n]), QString::number(percentageRounded(r_.PRLEVEL[n], ti.RASPLEV[n])),
                      QString::number(ti.MAXBALLLEV[n]), QString::number(r_.BALLLEV[n])});
  return b;
}

ui::Report ResultWindow::breakdownReport() const {
  ui::Report r(QStringLiteral("Результаты тестирования по разделам и уровням заданий"));
  r.setPageNumbers();
  r.addText(QStringLiteral("Результаты тестирования по разделам и уровням заданий"), 13, true, Qt::AlignHCenter);
  r.addText(fromCp(r_.FIO.view()) + QStringLiteral(", ") + fromCp(r_.GR.view()), 10, false, Qt::AlignHCenter);
  r.addText(QStringLiteral("Тест: ") + fromCp(r_.NAMETEMA.view()) + QStringLiteral(", ") + q(picture::shortDate(r_.DATE)), 10, false,
            Qt::AlignHCenter);
  const double w = r.area().width();
  std::vector<double> cols{w * 0.34, w * 0.11, w * 0.11, w * 0.11, w * 0.11, w * 0.11, w * 0.11};
  std::vector<Qt::Alignment> al{Qt::AlignLeft, Qt::AlignRight, Qt::AlignRight, Qt::AlignRight, Qt::AlignRight, Qt::AlignRight,
                                Qt::AlignRight};
  for (const Breakdown& b : {sections(), levels()}) {
    if (b.rows.empty()) continue;
    r.addSpace(12);
    r.addText(b.title, 11, true);
    r.addRow(cols, b.heads, 9, true, al, true);
    for (const auto& row : b.rows) r.addRow(cols, row, 9, false, al, true);
  }
  return r;
}

void ResultWindow::details() {
  // RezRazd: by sections and by difficulty levels.
  QDialog d(this);
  d.setObjectName(QStringLiteral("RezRazd"));
  d.setWindowTitle(QStringLiteral("Результаты тестирования по разделам и уровням заданий"));
  ui::attachProcedure(&d, QStringLiteral("RezRazd"));
  auto* l = new QVBoxLayout(&d);
  auto* tabs = new QTabWidget(&d);
  for (const Breakdown& b : {sections(), levels()}) {
    auto* tw = new QTableWidget(static_cast<int>(b.rows.size()), static_cast<int>(b.heads.size()), tabs);
    tw->setHorizontalHeaderLabels(b.heads);
    tw->verticalHeader()->hide();
    tw->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    tw->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);
    tw->setEditTriggers(QAbstractItemView::NoEditTriggers);
    for (int r = 0; r < static_cast<int>(b.rows.size()); ++r)
      for (int c = 0; c < b.heads.size(); ++c) {
        auto* item = new QTableWidgetItem(b.rows[static_cast<std::size_t>(r)][c]);
        if (c > 0) item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
        tw->setItem(r, c, item);
      }
    tabs->addTab(tw, b.title);
  }
  tabs->setTabEnabled(0, cfg_.tema.YESRAZ != 0);
  tabs->setTabEnabled(1, cfg_.tema.MODELEVEL != 0);
  if (!cfg_.tema.YESRAZ && cfg_.tema.MODELEVEL) tabs->setCurrentIndex(1);
  l->addWidget(tabs);
  auto* buttons = new QHBoxLayout;
  auto* print = new QPushButton(QStringLiteral("Печать"), &d);
  auto* close = new QPushButton(QStringLiteral("Закрыть"), &d);
  print->setAutoDefault(false);
  print->setEnabled(cfg_.tema.YESRAZ || cfg_.tema.MODELEVEL);
  buttons->addWidget(print);
  buttons->addStretch(1);
  buttons->addWidget(close);
  l->addLayout(buttons);
  connect(print, &QPushButton::clicked, &d, [this] {
    printOrKeep(breakdownReport(), s_,
                QString::fromStdString(s_.inst.fileRez) + QStringLiteral("_") + QString::number(r_.CODEREZ) + QStringLiteral("_разделы"),
                QStringLiteral("Отчёт"));
  });
  connect(close, &QPushButton::clicked, &d, &QDialog::accept);
  d.resize(720, 320);
  d.exec();
}

// ------------------------------------------------------------------ running

namespace {

void sayKept(const QString& text) {
  ui::MessageService::instance().ask(text, QStringLiteral("Продолжение тестирования"), messages::Buttons::Ok,
                                     messages::Icon::Exclamation);
}

}  // namespace

int runAttempt(AttemptRequest& req) {
  Startup& s = req.startup;
  AttemptConfig cfg = configFor(req.test, s, req.who, req.resume ? req.resume->rec.VARIANT : req.variant);
  SystemRandom rnd;
  SystemClock clock;
  Attempt a(cfg, rnd, clock);
  tables::OtTestW otw;
  store::Table otwT(tables::otTestWDef(), otw, s.inst.work(tables::files::OtTestW));
  a.keepAnswersIn(&otwT, &otw);
  const int saveRez = cfg.tema.SAVEREZ ? cfg.tema.SAVEREZ : 1;
  // Trial runs and error viewing keep nothing.
  std::unique_ptr<AttemptKeeper> keeper;
  if (s.inst.modeWork != 7 && s.inst.modeWork != 9) {
    KeeperPlace place;
    place.attemptFile = s.inst.central(tables::files::Attempt);
    place.workingDir = s.inst.workingDir;
    place.namePc = cp1251::fromUtf8(s.namePc);
    place.testFile = cp1251::fromUtf8(req.test.path());
    place.target = storeRequestFor(a, s, saveRez);
    if (req.resume) {
      // A resumed attempt goes to the journal it was started for (chosen by
      // the test's faculty, or changed on this station since).
      const StoreRequest kept = common::requestOf(*req.resume);
      place.target.resultBase = kept.resultBase;
      place.target.fileRez = kept.fileRez;
      place.target.vedomFile = kept.vedomFile;
    }
    keeper = std::make_unique<AttemptKeeper>(std::move(place), clock);
  }
  if (req.resume && keeper) {
    const OpenAttempt& o = *req.resume;
    AttemptKeeper::Saved got = keeper->adopt(o, req.resumeLocal);
    if (got == AttemptKeeper::Saved::Closed) {
      sayKept(QStringLiteral("Тестирование уже завершено администратором: его результат записан в журнал результатов."));
      req.test.tema.HOWEND = 1;  // back to registration, not to a fresh start
      return 0;
    }
    if (got == AttemptKeeper::Saved::TakenOver) {
      sayKept(QStringLiteral("Тестирование уже продолжено на другой рабочей станции."));
      req.test.tema.HOWEND = 1;  // back to registration, not to a fresh start
      return 0;
    }
    if (got == AttemptKeeper::Saved::Failed) {
      sayKept(QStringLiteral("Незавершённое тестирование не удалось продолжить (") + q(keeper->error().text()) +
              QStringLiteral(").|Повторите попытку позже или обратитесь к администратору."));
      req.test.tema.HOWEND = 1;
      return 0;
    }
    const std::int64_t outage = AttemptKeeper::since(clock, o.rec.SEENDATE, o.rec.SEENTIME) * 100;
    const std::int64_t grace = static_cast<std::int64_t>(common::resumeGraceMinutes(s.glb)) * 60 * 100;
    // A record whose result half is lost cannot give its counters back.
    if (o.rez.CODEREZ != o.rec.CODE || !a.resume(o.rec.STATE.text, o.rez, outage, grace)) {
      sayKept(QStringLiteral("Сохранённое тестирование не подходит к тесту «") + fromCp(o.rec.NAMETEMA.view()) +
              QStringLiteral("»: тест изменён после его начала или запись повреждена.|Обратитесь к администратору: он может закрыть тестирование, "
                             "записав его результат как есть."));
      req.test.tema.HOWEND = 1;
      return 0;
    }
    keeper->save(a, false);
  } else {
    a.start();
    if (keeper) keeper->begin(a);
  }
  std::unique_ptr<Monitor> monitor;
  if (s.inst.modeNet == 1 && s.tune.YESMONI == 1) {
    monitor = std::make_unique<Monitor>(s.inst.central(tables::files::MonCons));
    if (monitor->add(cp1251::fromUtf8(s.namePc)) != store::Ok) monitor.reset();
  }
  TestingWindow w(a, cfg, s, fromCp(req.who.fullName()), monitor.get(), nullptr, keeper.get());
  w.exec();
  if (w.aborted()) {
    if (keeper) keeper->discard();
    req.test.tema.HOWEND = 1;  // back to registration for the next examinee
    return 0;
  }
  if (w.superseded()) {
    req.test.tema.HOWEND = 1;
    return 0;
  }
  if (!a.finished()) return 0;
  // Stored in the journal, or kept on this workstation when that fails.
  StoreRequest sr = storeRequestFor(a, s, saveRez);
  if (keeper) {
    // The last step is kept too: should the store below have to wait on this
    // station, the open attempt already says it ended and how.
    keeper->save(a);
    sr.resultBase = keeper->target().resultBase;
    sr.fileRez = keeper->target().fileRez;
    sr.vedomFile = keeper->target().vedomFile;
  }
  ResultStore store(s.inst.workingDir);
  StoreOutcome out = keeper ? keeper->finish(sr, store) : store.store(sr);
  if (out.superseded) {
    sayKept(QStringLiteral("Тестирование было закрыто администратором или продолжено на другой рабочей станции:|"
                           "этот результат в журнал не записан."));
    req.test.tema.HOWEND = 1;
    return 0;
  }
  tables::RezTest rez = a.result();
  rez.CODEREZ = out.resultCode;
  if (out.code != store::Ok) {
    // Kept on this workstation: "Повторить" tries the journal again now,
    // and every start of the program tries it too.
    store::ErrorInfo e = out.error;
    for (;;) {
      int a = ui::MessageService::instance().ask(
          QStringLiteral("Результат тестирования не удалось записать в журнал результатов (") + q(e.text()) +
              QStringLiteral(").|Он сохранён на этой рабочей станции и будет записан при первой возможности.|Повторить попытку сейчас?"),
          QStringLiteral("Сохранение результата"), messages::Buttons::RetryCancel, messages::Icon::Exclamation, messages::Cancel);
      if (a != messages::Retry || store.storePending(&e) == 0) break;
    }
  }
  Protocol protocol = protocolOf(rez, cfg.tema, cfg.titul, s.tune, cfg.sectionNames, cfg.frames);
  const int howEnd = cfg.tema.HOWEND;
  if (howEnd != 3) printProtocol(protocol, s, rez.CODEREZ);
  if (howEnd != 2 && howEnd != 3) return 0;
  ResultWindow rw(rez, cfg, s, a.wrongList(), a.answeredCount());
  rw.onPrint = [&] { printProtocol(protocol, s, rez.CODEREZ, &rw); };
  rw.onErrors = [&] {
    AttemptConfig rc = cfg;
    rc.modeWork = 7;
    Attempt review(rc, rnd, clock);
    std::map<std::uint16_t, Response> answers;
    for (const auto& [code, ans] : a.answers()) answers[code] = ans.response;
    review.startReview(rez, answers);
    TestingWindow tw(review, rc, s, fromCp(req.who.fullName()), nullptr, &rw);
    tw.exec();
  };
  rw.exec();
  return rw.outcome();
}

int reviewStored(Startup& s, testfile::TestFile& tf, std::int32_t code, const QString& examinee) {
  tables::RezTest rez;
  std::map<std::uint16_t, Response> answers;
  store::ErrorInfo e;
  if (loadStoredAttempt(s.inst, code, rez, answers, &e) != store::Ok) {
    messages::Procedure p(ui::MessageService::instance());
    messages::Args a = messages::argsOf(e);
    a.name = s.inst.rezTest();
    p.show(35, a, &e);
    return 0;
  }
  Registration nobody;
  AttemptConfig cfg = configFor(tf, s, nobody, 1);
  cfg.modeWork = 7;
  SystemRandom rnd;
  SystemClock clock;
  Attempt a(cfg, rnd, clock);
  a.startReview(rez, answers);
  TestingWindow w(a, cfg, s, examinee.isEmpty() ? fromCp(rez.FIO.view()) : examinee);
  w.exec();
  return 5;
}

}  // namespace examiner
