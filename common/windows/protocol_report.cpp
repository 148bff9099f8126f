#include "protocol_report.h"

#include <QDate>
#include <QPainter>
#include <QTime>

namespace common {
namespace {
QString q(const std::string& s) { return QString::fromStdString(s); }
}  // namespace

ui::Report protocolReport(const Protocol& p) {
  ui::Report r(QStringLiteral("Протокол тестирования"));
  QFont small = r.font(8);
  const QString printed = QStringLiteral("Дата: ") + QDate::currentDate().toString(QStringLiteral("dd.MM.yyyy")) +
                          QStringLiteral("   Время: ") + QTime::currentTime().toString(QStringLiteral("HH:mm:ss"));
  r.setPageHeader(22, [small, printed](QPainter& g, const QRectF& rect, int, int) {
    g.setFont(small);
    g.drawText(rect, Qt::AlignLeft | Qt::AlignTop, QStringLiteral("Ормида 2.0 <Экзаменатор>"));
    g.drawText(rect, Qt::AlignRight | Qt::AlignTop, printed);
    g.drawLine(rect.bottomLeft() - QPointF(0, 4), rect.bottomRight() - QPointF(0, 4));
  });
  r.setPageNumbers();
  if (!p.title.empty()) r.addText(q(p.title), 14, true, Qt::AlignHCenter);
  if (!p.subtitle.empty()) r.addText(q(p.subtitle), 11, false, Qt::AlignHCenter);
  r.addSpace(12);
  const double w = r.area().width();
  for (const auto& [label, value] : p.lines)
    r.addRow({w * 0.42, w * 0.58}, {q(label), q(value)}, 10, false, {Qt::AlignLeft, Qt::AlignLeft});
  if (p.showWrong) {
    r.addSpace(6);
    r.addText(QStringLiteral("Неверные ответы даны на задания (по коду):"), 10, true);
    r.addText(q(p.wrong), 10);
  }
  if (!p.sections.empty()) {
    r.addSpace(10);
    r.addText(q(p.sectionsTitle), 10, true);
    std::vector<double> cols{w * 0.44, w * 0.14, w * 0.14, w * 0.14, w * 0.14};
    std::vector<Qt::Alignment> al{Qt::AlignLeft, Qt::AlignRight, Qt::AlignRight, Qt::AlignRight, Qt::AlignRight};
    r.addRow(cols, {QStringLiteral("Название раздела"), QStringLiteral("Количество"), QStringLiteral("Верно"), QStringLiteral("Балл"),
                    QStringLiteral("Процент")},
             9, true, al, true);
    for (const auto& s : p.sections)
      r.addRow(cols, {q(s.name), QString::number(s.frames), QString::number(s.correct), QString::number(s.points),
                      QString::number(s.percent) + QStringLiteral(" %")},
               9, false, al, true);
  }
  return r;
}

}  // namespace common
