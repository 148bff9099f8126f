#include "print_window.h"

#include <QApplication>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFontMetricsF>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QImage>
#include <QPainter>
#include <QPrinter>
#include <QPushButton>
#include <QVBoxLayout>

#include "cp1251.h"
#include "datetime.h"
#include "message_service.h"
#include "previewer.h"
#include "record_format.h"
#include "report.h"
#include "services.h"
#include "test_font.h"
#include "window_memory.h"
#include "window_tools.h"

namespace constructor {
namespace {

auto& ms() { return ui::MessageService::instance(); }
QString u8(const std::string& s) { return QString::fromStdString(s); }

// A text in a font of its own, wrapped across the page from `indent`.
void addWrapped(ui::Report& r, const QString& text, const QFont& f, double indent = 0) {
  QFontMetricsF fm(f);
  const double w = r.area().width() - indent;
  const QRectF need = fm.boundingRect(QRectF(0, 0, w, 1e6), Qt::TextWordWrap, text);
  r.addBand(std::max(fm.height(), need.height()) + 2, [f, text, indent](QPainter& p, const QRectF& rect, int, int) {
    p.setFont(f);
    p.drawText(rect.adjusted(indent, 0, 0, 0), Qt::TextWordWrap, text);
  });
}

// A test font at a size in points of the page (the report's painter scale):
// the test's own size when it sets its fonts, else `points`.
QFont pageFont(const tables::TuneTest& tune, int which, double points, const ui::Report& r) {
  QFont f = tune.YESFONT ? common::testFont(tune, which) : r.font(points);
  const int own = tune.YESFONT ? tune.FONTSIZE[static_cast<std::size_t>(which)] : 0;
  f.setPixelSize(own > 0 ? own : static_cast<int>(points));
  return f;
}

}  // namespace

PrintOptionWindow::PrintOptionWindow(const PrintOptions& start, QWidget* parent) : QDialog(parent) {
  setObjectName(QString::fromLatin1(kProcedure));
  setWindowTitle(QStringLiteral("Параметры печати"));
  auto* outer = new QVBoxLayout(this);
  auto* box = new QGroupBox(QStringLiteral("Печатать"), this);
  auto* l = new QVBoxLayout(box);
  answers_ = new QCheckBox(QStringLiteral("Печатать эталонные ответы"), box);
  pictures_ = new QCheckBox(QStringLiteral("Печатать рисунки"), box);
  preview_ = new QCheckBox(QStringLiteral("Предварительный просмотр"), box);
  answers_->setToolTip(QStringLiteral("Под каждым заданием — его правильный ответ; без этой отметки ответов в распечатке нет"));
  for (auto* c : {answers_, pictures_, preview_}) l->addWidget(c);
  answers_->setChecked(start.answers);
  pictures_->setChecked(start.pictures);
  preview_->setChecked(start.preview);
  outer->addWidget(box);
  auto* row = new QHBoxLayout;
  printer_ = new QPushButton(QStringLiteral("Принтер"), this);
  printer_->setAutoDefault(false);
  connect(printer_, &QPushButton::clicked, this, [this] { ui::printerSetup(this); });
  row->addWidget(printer_);
  row->addStretch(1);
  row->addWidget(ui::okCancel(this));
  outer->addLayout(row);
  ui::attachProcedure(this, QString::fromLatin1(kProcedure));
}

PrintOptions PrintOptionWindow::options() const {
  PrintOptions o;
  o.answers = answers_->isChecked();
  o.pictures = pictures_->isChecked();
  o.preview = preview_->isChecked();
  return o;
}

std::unique_ptr<ui::Report> testReport(testfile::TestFile& tf, const tables::TuneTest& tune, const PrintOptions& o,
                                       const std::function<bool(int place, int total)>& step, Outcome& failure) {
  failure = {};
  auto r = std::make_unique<ui::Report>(QStringLiteral("Список заданий"));
  ui::Report& rep = *r;
  const QString name = ui::fromRecord(cp1251::clip(tf.tema.NAME.view()));
  rep.setPageHeader(22, [&rep, name](QPainter& p, const QRectF& rect, int page, int) {
    p.setFont(rep.font(9));
    p.drawText(rect, Qt::AlignLeft | Qt::AlignTop, QStringLiteral("Тест: ") + name);
    p.drawText(rect, Qt::AlignRight | Qt::AlignTop, QStringLiteral("стр. %1").arg(page));
    p.drawLine(QPointF(rect.left(), rect.bottom() - 4), QPointF(rect.right(), rect.bottom() - 4));
  });

  // The title part.
  const PrintedTitle t = printedTitle(tf.tema, tf.titul);
  for (const auto& h : t.heading) rep.addText(u8(h), 13, true, Qt::AlignHCenter);
  rep.addSpace(8);
  const double w = rep.area().width();
  for (const auto& l : t.data) rep.addRow({w * 0.42, w * 0.58}, {u8(l.label), u8(l.value)}, 10);
  rep.addSpace(6);
  rep.addText(QStringLiteral("Шкала оценок"), 11, true);
  rep.addRow({w * 0.42, w * 0.58}, {QString(), QStringLiteral("Диапазон верных ответов")}, 9, true);
  for (const auto& l : t.scale) rep.addRow({w * 0.42, w * 0.58}, {u8(l.label), u8(l.value) + QStringLiteral(" %")}, 10);
  rep.addSpace(6);
  rep.addText(QStringLiteral("Примечание"), 11, true);
  if (!t.note.empty()) rep.addText(u8(t.note), 10);
  rep.addSpace(4);
  for (const auto& l : t.history) rep.addRow({w * 0.42, w * 0.58}, {u8(l.label), u8(l.value)}, 10);
  rep.addSpace(10);
  rep.addText(QStringLiteral("Список заданий по тесту:"), 12, true);

  // The frames, each read as it is laid out.
  const QFont question = pageFont(tune, 0, 11, rep), variant = pageFont(tune, 1, 10, rep);
  QFont answer = rep.font(10, true);
  answer.setItalic(true);
  Outcome o2 = readPrintedFrames(tf, o, [&](const PrintedFrame& f, int place, int total) {
    rep.addSpace(8);
    rep.addText(QStringLiteral("Задание № %1").arg(f.code), 10, true);
    // Paragraph by paragraph, so that a long question breaks between pages.
    for (const QString& para : u8(f.question).split(QLatin1Char('\n'))) addWrapped(rep, para.trimmed().isEmpty() ? QStringLiteral(" ") : para, question);
    if (!f.picture.empty()) {
      QImage img;
      if (img.loadFromData(f.picture.data(), static_cast<int>(f.picture.size()))) {
        const QSizeF fit = QSizeF(img.size()).scaled(QSizeF(std::min(w, 360.0), 220), Qt::KeepAspectRatio);
        const QSizeF size = img.width() <= fit.width() && img.height() <= fit.height() ? QSizeF(img.size()) : fit;
        rep.addBand(size.height() + 4, [img, size](QPainter& p, const QRectF& rect, int, int) {
          p.drawImage(QRectF(rect.topLeft() + QPointF(16, 2), size), img);
        });
      }
    }
    for (const auto& line : f.rows) addWrapped(rep, u8(line), variant, 16);
    if (!f.rows.empty()) rep.addSpace(3);
    for (const auto& line : f.variants) addWrapped(rep, u8(line), variant, 16);
    if (!f.answer.empty()) addWrapped(rep, u8(f.answer), answer, 16);
    return step(place, total);
  });
  if (!o2) {
    failure = o2;
    return nullptr;
  }
  rep.addSpace(4);
  return r;
}

TestPrinting::TestPrinting(testfile::TestFile& tf, std::string tuneTestFile, QWidget* parent)
    : tf_(tf), tuneFile_(std::move(tuneTestFile)), parent_(parent) {
  askOptions = [this](PrintOptions& o) {
    PrintOptionWindow w(o, parent_);
    if (w.exec() != QDialog::Accepted) return false;
    o = w.options();
    return true;
  };
  preview = [this](const ui::Report& r) {
    ui::Previewer p(r, parent_);
    p.setWindowTitle(QStringLiteral("Ормида 1.5 [Печать заданий <Предварительный просмотр>]"));
    p.exec();
  };
  print = [](const ui::Report& r) {
    std::unique_ptr<QPrinter> printer = ui::makePrinter();
    if (!printer) {
      ms().ask(QStringLiteral("Принтер не установлен: напечатать тест нельзя.|Включите предварительный просмотр, чтобы сохранить "
                              "распечатку в файле PDF."),
               QStringLiteral("Печать заданий"), messages::Buttons::Ok, messages::Icon::Exclamation);
      return false;
    }
    std::vector<int> pages;
    for (int i = 1; i <= r.pageCount(); ++i) pages.push_back(i);
    if (r.print(*printer, pages)) return true;
    ms().ask(QStringLiteral("Задания теста не напечатаны: принтер %1 не принял задание.|Проверьте принтер или сохраните распечатку "
                            "в файле PDF из предварительного просмотра.")
                 .arg(printer->printerName()),
             QStringLiteral("Печать заданий"), messages::Buttons::Ok, messages::Icon::Exclamation);
    return false;
  };
  clock = [] { return std::make_pair(datetime::today(), datetime::now()); };
}

bool TestPrinting::run() {
  static PrintOptions last;  // the options stay for the next print of this run
  PrintOptions o = last;
  if (!askOptions(o)) return false;
  last = o;
  tables::TuneTest tune;
  {
    store::Table t(tables::tuneTestDef(), tune, tuneFile_);
    if (t.open(store::Shared) != store::Ok || t.set() != store::Ok || t.next() != store::Ok) tune = tables::TuneTest{};
  }
  // The title as it is now, for the title part.
  if (tf_.titulT.set() == store::Ok) tf_.titulT.next();
  ui::ProgressWindow progress(QStringLiteral("Формирование отчета"), parent_);
  progress.setWindowModality(Qt::ApplicationModal);
  progress_ = &progress;
  progress.show();
  progress.step(0);
  Outcome failure;
  std::unique_ptr<ui::Report> report;
  {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    report = testReport(tf_, tune, o, [&](int place, int total) {
      if (stepped) stepped(place);
      const int percent = total ? place * 100 / total : 100;
      progress.setText(QStringLiteral("Формирование отчета\nОбработано записей: %1 из %2\nВыполнено %3%")
                           .arg(place).arg(total).arg(percent));
      return progress.step(percent);
    }, failure);
    QApplication::restoreOverrideCursor();
  }
  if (report) {
    progress.setText(QStringLiteral("Обработка завершена"));
    progress.step(100);
  }
  progress.hide();
  progress_ = nullptr;
  if (!report) {
    // Stopped by "О&тменить": nothing printed, nothing said.
    if (!failure.message.empty())
      ms().ask(u8(failure.message), QStringLiteral("Ошибка доступа к файлу"), messages::Buttons::Ok, messages::Icon::Stop);
    return false;
  }
  if (o.preview) preview(*report);
  else if (!print(*report)) return false;
  const auto [day, time] = clock();
  Outcome marked = markPrinted(tf_, day, time);
  if (!marked) {
    ms().ask(u8(marked.message), QStringLiteral("Печать заданий"), messages::Buttons::Ok, messages::Icon::Exclamation);
    return false;
  }
  return true;
}

}  // namespace constructor
