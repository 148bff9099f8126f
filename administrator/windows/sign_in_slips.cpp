#include "sign_in_slips.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPen>
#include <cmath>
#include <optional>

namespace administrator {
namespace {

QString q(const std::string& s) { return QString::fromStdString(s); }

struct SlipFonts {
  QFont small, name, text, label, number;
  explicit SlipFonts(const ui::Report& r)
      : small(r.font(7)), name(r.font(11, true)), text(r.font(9)), label(r.font(8)), number(r.font(18, true)) {
    number.setFamily(QStringLiteral("DejaVu Sans Mono"));
    number.setLetterSpacing(QFont::AbsoluteSpacing, 2);
  }
};

void paintSlip(QPainter& p, const QRectF& r, const SlipFonts& f, const QString& group, const StudentRow& s) {
  p.save();
  QPen cut(QColor(120, 120, 120), 0.6, Qt::DashLine);
  p.setPen(cut);
  p.drawRect(r);
  p.setPen(Qt::black);
  const QRectF in = r.adjusted(10, 8, -10, -8);
  double y = in.top();
  auto line = [&](const QString& text, const QFont& f, const QColor& colour = Qt::black) {
    p.setFont(f);
    p.setPen(colour);
    const QRectF box(in.left(), y, in.width(), in.bottom() - y);
    QRectF used;
    p.drawText(box, Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, text, &used);
    y += used.height() + 3;
  };
  line(QStringLiteral("Ормида 3.0 · вход в Экзаменатор"), f.small, QColor(90, 90, 90));
  QString fio = q(s.fam);
  for (const auto* part : {&s.name, &s.otche})
    if (!part->empty()) fio += QLatin1Char(' ') + q(*part);
  line(fio, f.name);
  line(QStringLiteral("Группа: ") + group, f.text);
  line(QStringLiteral("Идентификационный номер:"), f.label);
  line(q(s.numid), f.number);
  line(QStringLiteral("Введите этот номер как пароль, когда Экзаменатор спросит его при входе."), f.small, QColor(90, 90, 90));
  p.restore();
}

}  // namespace

ui::Report signInSlips(const QString& groupName, const std::vector<StudentRow>& students) {
  ui::Report r(QStringLiteral("Пропуска группы ") + groupName);
  const SlipFonts fonts(r);
  const QFont head = r.font(12, true);
  r.setPageHeader(26, [head, groupName](QPainter& p, const QRectF& area, int, int) {
    p.setFont(head);
    p.drawText(area, Qt::AlignLeft | Qt::AlignTop, QStringLiteral("Пропуска для входа в Экзаменатор — группа ") + groupName);
  });
  r.setPageNumbers();
  std::vector<StudentRow> with;
  for (const auto& s : students)
    if (!s.numid.empty()) with.push_back(s);
  // Five rows of two slips fill the page between its header and footer.
  const double rowHeight = std::floor((r.area().height() - 26 - 18) / (kSlipsPerPage / 2)) - 0.5;
  for (std::size_t i = 0; i < with.size(); i += 2) {
    const StudentRow left = with[i];
    const std::optional<StudentRow> right = i + 1 < with.size() ? std::optional<StudentRow>(with[i + 1]) : std::nullopt;
    r.addBand(rowHeight, [fonts, groupName, left, right](QPainter& p, const QRectF& band, int, int) {
      const double w = band.width() / 2;
      paintSlip(p, QRectF(band.left(), band.top(), w, band.height()), fonts, groupName, left);
      if (right) paintSlip(p, QRectF(band.left() + w, band.top(), w, band.height()), fonts, groupName, *right);
    });
  }
  return r;
}

}  // namespace administrator
