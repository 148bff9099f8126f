#include "report.h"

#include <QDate>
#include <QFontMetricsF>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QPrinter>
#include <QTextOption>

namespace ui {

Report::Report(QString title, QPageLayout::Orientation o) : title_(std::move(title)), orientation_(o) {
  font_ = QFont(QStringLiteral("DejaVu Sans"));
}

QFont Report::font(double points, bool bold) const {
  QFont f = font_;
  // Sizes are in points of the page; the painter's scale maps them to the device.
  f.setPixelSize(std::max(1, static_cast<int>(points > 0 ? points : 10)));
  f.setBold(bold);
  return f;
}

QSizeF Report::area() const {
  QSizeF a4 = QPageSize(QPageSize::A4).size(QPageSize::Point);
  if (orientation_ == QPageLayout::Landscape) a4.transpose();
  return {a4.width() - 2 * margin_, a4.height() - 2 * margin_};
}

void Report::setPageHeader(double h, Paint p) {
  header_ = {h, std::move(p)};
  laidOut_ = false;
}

void Report::setPageFooter(double h, Paint p) {
  footer_ = {h, std::move(p)};
  laidOut_ = false;
}

void Report::setPageNumbers() {
  setPageFooter(18, [this](QPainter& p, const QRectF& r, int page, int pages) {
    p.setFont(font(8));
    p.drawLine(r.topLeft(), r.topRight());
    p.drawText(r.adjusted(0, 4, 0, 0), Qt::AlignLeft | Qt::AlignTop,
               QStringLiteral("Дата печати: ") + QDate::currentDate().toString(QStringLiteral("dd.MM.yyyy")));
    p.drawText(r.adjusted(0, 4, 0, 0), Qt::AlignRight | Qt::AlignTop,
               QStringLiteral("Страница %1 из %2").arg(page).arg(pages));
  });
}

void Report::addBand(double height, Paint p) {
  bands_.push_back({height, std::move(p)});
  laidOut_ = false;
}

void Report::addText(const QString& text, double points, bool bold, Qt::Alignment a) {
  QFont f = font(points, bold);
  QFontMetricsF fm(f);
  double w = area().width();
  QRectF need = fm.boundingRect(QRectF(0, 0, w, 1e6), static_cast<int>(a) | Qt::TextWordWrap, text);
  double h = std::max(fm.height(), need.height()) + 2;
  addBand(h, [f, text, a](QPainter& p, const QRectF& r, int, int) {
    p.setFont(f);
    p.drawText(r, static_cast<int>(a) | Qt::TextWordWrap, text);
  });
}

void Report::addRow(const std::vector<double>& widths, const QStringList& texts, double points, bool bold,
                    const std::vector<Qt::Alignment>& align, bool frame) {
  QFont f = font(points, bold);
  QFontMetricsF fm(f);
  double h = fm.height() + 4;
  for (std::size_t i = 0; i < widths.size() && i < static_cast<std::size_t>(texts.size()); ++i) {
    QRectF need = fm.boundingRect(QRectF(0, 0, widths[i] - 4, 1e6), Qt::TextWordWrap, texts[static_cast<int>(i)]);
    h = std::max(h, need.height() + 4);
  }
  addBand(h, [f, widths, texts, align, frame](QPainter& p, const QRectF& r, int, int) {
    p.setFont(f);
    double x = r.left();
    for (std::size_t i = 0; i < widths.size(); ++i) {
      QRectF cell(x, r.top(), widths[i], r.height());
      if (frame) p.drawRect(cell);
      if (i < static_cast<std::size_t>(texts.size())) {
        Qt::Alignment a = i < align.size() ? align[i] : Qt::AlignLeft;
        p.drawText(cell.adjusted(2, 2, -2, -2), static_cast<int>(a | Qt::AlignVCenter) | Qt::TextWordWrap,
                   texts[static_cast<int>(i)]);
      }
      x += widths[i];
    }
  });
}

void Report::addSpace(double height) { addBand(height, [](QPainter&, const QRectF&, int, int) {}); }

void Report::addPageBreak() {
  bands_.push_back({0, nullptr, true});
  laidOut_ = false;
}

void Report::layout() const {
  if (laidOut_) return;
  pages_.clear();
  const double top = header_.height, bottom = area().height() - footer_.height;
  std::vector<Placed> page;
  double y = top;
  for (std::size_t i = 0; i < bands_.size(); ++i) {
    const Band& b = bands_[i];
    if (b.pageBreak) {
      pages_.push_back(std::move(page));
      page.clear();
      y = top;
      continue;
    }
    if (y + b.height > bottom && !page.empty()) {
      pages_.push_back(std::move(page));
      page.clear();
      y = top;
    }
    page.push_back({static_cast<int>(i), y});
    y += b.height;
  }
  if (!page.empty() || pages_.empty()) pages_.push_back(std::move(page));
  laidOut_ = true;
}

int Report::pageCount() const {
  layout();
  return static_cast<int>(pages_.size());
}

void Report::paintPage(QPainter& p, int page, double dpiX, double dpiY) const {
  layout();
  if (page < 1 || page > pageCount()) return;
  p.save();
  p.scale(dpiX / 72.0, dpiY / 72.0);
  p.translate(margin_, margin_);
  p.setPen(Qt::black);
  const int pages = pageCount();
  const QSizeF a = area();
  if (header_.paint) header_.paint(p, QRectF(0, 0, a.width(), header_.height), page, pages);
  for (const Placed& pl : pages_[static_cast<std::size_t>(page - 1)]) {
    const Band& b = bands_[static_cast<std::size_t>(pl.band)];
    p.save();
    b.paint(p, QRectF(0, pl.y, a.width(), b.height), page, pages);
    p.restore();
  }
  if (footer_.paint) footer_.paint(p, QRectF(0, a.height() - footer_.height, a.width(), footer_.height), page, pages);
  p.restore();
}

QImage Report::pageImage(int page, double dpi) const {
  QSizeF a4 = QPageSize(QPageSize::A4).size(QPageSize::Point);
  if (orientation_ == QPageLayout::Landscape) a4.transpose();
  QImage img(static_cast<int>(a4.width() * dpi / 72.0), static_cast<int>(a4.height() * dpi / 72.0), QImage::Format_RGB32);
  img.fill(Qt::white);
  QPainter p(&img);
  p.setRenderHint(QPainter::Antialiasing);
  p.setRenderHint(QPainter::TextAntialiasing);
  paintPage(p, page, dpi, dpi);
  return img;
}

bool Report::writePdf(const QString& path, const std::vector<int>& pages) const {
  QPdfWriter w(path);
  w.setPageSize(QPageSize(QPageSize::A4));
  w.setPageOrientation(orientation_);
  w.setPageMargins(QMarginsF(0, 0, 0, 0));
  w.setResolution(300);
  w.setTitle(title_);
  w.setCreator(QStringLiteral("Ормида 3.0"));
  QPainter p;
  if (!p.begin(&w)) return false;
  std::vector<int> list = pages;
  if (list.empty())
    for (int i = 1; i <= pageCount(); ++i) list.push_back(i);
  bool first = true;
  for (int i : list) {
    if (!first) w.newPage();
    first = false;
    paintPage(p, i, 300, 300);
  }
  return p.end();
}

bool Report::print(QPrinter& printer, const std::vector<int>& pages, int copies, bool collate) const {
  printer.setPageOrientation(orientation_);
  printer.setFullPage(true);
  QPainter p;
  if (!p.begin(&printer)) return false;
  const double dx = printer.logicalDpiX(), dy = printer.logicalDpiY();
  bool first = true;
  auto one = [&](int page) {
    if (!first) printer.newPage();
    first = false;
    paintPage(p, page, dx, dy);
  };
  copies = std::max(1, copies);
  if (collate) {
    for (int c = 0; c < copies; ++c)
      for (int i : pages) one(i);
  } else {
    for (int i : pages)
      for (int c = 0; c < copies; ++c) one(i);
  }
  return p.end();
}

}  // namespace ui
