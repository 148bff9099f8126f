#include "results_print.h"

#include <QDialogButtonBox>
#include <QGroupBox>
#include <QPainter>
#include <QRadioButton>
#include <QVBoxLayout>

#include "protocol.h"
#include "protocol_report.h"
#include "record_format.h"
#include "pictures.h"
#include "window_memory.h"
#include "window_tools.h"

namespace administrator {

ui::Report resultsListReport(const std::vector<tables::RezTest>& rows, const QString& test, bool buffer,
                             const ListProgress& progress) {
  ui::Report r(QStringLiteral("Ведомость по результатам тестирования"), QPageLayout::Landscape);
  const QString footer = buffer ? QStringLiteral("Ормида 1.5 <Результаты компьютерного тестирования>")
                                : QStringLiteral("Ормида 2.0 <Результаты компьютерного тестирования>");
  QFont small = r.font(8);
  r.setPageFooter(18, [small, footer](QPainter& g, const QRectF& rect, int page, int) {
    g.setFont(small);
    g.drawLine(rect.topLeft(), rect.topRight());
    g.drawText(rect, Qt::AlignLeft | Qt::AlignBottom, footer);
    g.drawText(rect, Qt::AlignRight | Qt::AlignBottom, QStringLiteral("Страница ") + QString::number(page));
  });
  r.addText(QStringLiteral("Ведомость по результатам тестирования"), 14, true, Qt::AlignHCenter);
  r.addText(QStringLiteral("Тест: ") + test, 11, false, Qt::AlignHCenter);
  r.addSpace(8);
  const double w = r.area().width();
  const std::vector<double> cols{w * 0.30, w * 0.10, w * 0.14, w * 0.10, w * 0.09, w * 0.09, w * 0.09, w * 0.09};
  const std::vector<Qt::Alignment> al{Qt::AlignLeft,  Qt::AlignHCenter, Qt::AlignLeft,  Qt::AlignHCenter,
                                      Qt::AlignRight, Qt::AlignRight,   Qt::AlignRight, Qt::AlignRight};
  r.addRow(cols,
           {QStringLiteral("Фамилия, имя, отчество"), QStringLiteral("Дата"), QStringLiteral("Группа"), QStringLiteral("Время "),
            QStringLiteral("Всего заданий"), QStringLiteral("Верных ответов"), QStringLiteral("Оценка"), QStringLiteral("В процентах")},
           9, true, al, true);
  const int total = static_cast<int>(rows.size());
  int told = -1;  // the percent last told
  for (int i = 0; i < total; ++i) {
    const auto& x = rows[static_cast<std::size_t>(i)];
    r.addRow(cols,
             {ui::fromRecord(x.FIO.view()), QString::fromStdString(picture::date(x.DATE)), ui::fromRecord(x.GR.view()),
              QString::fromStdString(picture::timeHM(x.TIMEBEG)), QString::number(x.KOLVOP), QString::number(x.KOLTROT),
              QString::number(x.OTMETKA), QString::number(common::percentageRounded(x.KOLTROT, x.KOLVOP))},
             9, false, al, true);
    // The page is counted by laying the report out, at most a hundred times.
    const int percent = (i + 1) * 100 / total;
    if (progress && (percent > told || i + 1 == total)) {
      told = percent;
      if (!progress(i + 1, total, r.pageCount())) return r;
    }
  }
  if (progress && total == 0) progress(0, 0, r.pageCount());
  return r;
}

ui::Report journalProtocolReport(const tables::RezTest& r, const tables::TuneTest& tune, const common::TestTiming* timing) {
  return common::protocolReport(common::journalProtocolOf(r, tune, timing));
}

ResultsPrintDialog::ResultsPrintDialog(bool anyTagged, QWidget* parent) : QDialog(parent) {
  setObjectName(QString::fromLatin1(kProcedure));
  setWindowTitle(QStringLiteral("Печать результатов тестирования"));
  auto* l = new QVBoxLayout(this);
  auto* box = new QGroupBox(QStringLiteral("Режим печати"), this);
  auto* bl = new QVBoxLayout(box);
  for (const char* t : {"По фильтру", "Все записи", "Отмеченные записи"}) {
    auto* b = new QRadioButton(QString::fromUtf8(t), box);
    bl->addWidget(b);
    modes_.push_back(b);
  }
  modes_[0]->setChecked(true);
  modes_[2]->setEnabled(anyTagged);
  l->addWidget(box);
  l->addWidget(ui::okCancel(this));
  ui::attachProcedure(this, QString::fromLatin1(kProcedure));
}

ResultsPrintDialog::Mode ResultsPrintDialog::mode() const {
  for (std::size_t i = 0; i < modes_.size(); ++i)
    if (modes_[i]->isChecked()) return static_cast<Mode>(i + 1);
  return ByFilter;
}

void ResultsPrintDialog::setMode(Mode m) { modes_[static_cast<std::size_t>(m) - 1]->setChecked(true); }

}  // namespace administrator
