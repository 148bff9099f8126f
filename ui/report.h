#pragma once
// Page-oriented reports: a page header, detail bands and a page footer laid
// out page after page. Bands paint in points (1/72 inch) on an A4 page; the
// same pages become pictures for the previewer, PDF files and printouts.
#include <QFont>
#include <QImage>
#include <QPageLayout>
#include <QRectF>
#include <QString>
#include <functional>
#include <vector>

class QPainter;
class QPagedPaintDevice;
class QPrinter;

namespace ui {

class Report {
 public:
  // Paints a band into `r` (points, relative to the page's printable area).
  using Paint = std::function<void(QPainter& p, const QRectF& r, int page, int pages)>;

  explicit Report(QString title = {}, QPageLayout::Orientation o = QPageLayout::Portrait);

  const QString& title() const { return title_; }
  QPageLayout::Orientation orientation() const { return orientation_; }
  // The font of text bands; a font with a pixel size in points is made from the point size.
  void setFont(const QFont& f) { font_ = f; }
  QFont font(double points = 0, bool bold = false) const;

  void setPageHeader(double height, Paint p);
  void setPageFooter(double height, Paint p);
  // The standard footer: "Страница N из M" and the date of printing.
  void setPageNumbers();
  void addBand(double height, Paint p);
  // A line of text across the page (wrapped to as many lines as needed).
  void addText(const QString& text, double points = 10, bool bold = false, Qt::Alignment a = Qt::AlignLeft);
  // A row of columns: widths in points, texts, alignments.
  void addRow(const std::vector<double>& widths, const QStringList& texts, double points = 9, bool bold = false,
              const std::vector<Qt::Alignment>& align = {}, bool frame = false);
  void addSpace(double height);
  void addPageBreak();

  // Usable size of the page between the margins, in points.
  QSizeF area() const;
  int pageCount() const;
  // A page (1-based) as a picture at `dpi` dots per inch.
  QImage pageImage(int page, double dpi = 96) const;
  // Paints a page onto a device whose painter is set up in device pixels.
  void paintPage(QPainter& p, int page, double dpiX, double dpiY) const;
  // Writes the chosen pages (all when empty) as a PDF file.
  bool writePdf(const QString& path, const std::vector<int>& pages = {}) const;
  // Prints the chosen pages; `copies` and `collate` as the print window gives them.
  bool print(QPrinter& printer, const std::vector<int>& pages, int copies = 1, bool collate = true) const;

 private:
  struct Band {
    double height;
    Paint paint;
    bool pageBreak = false;
  };
  struct Placed {
    int band;
    double y;
  };
  void layout() const;

  QString title_;
  QPageLayout::Orientation orientation_;
  QFont font_;
  double margin_ = 36;  // half an inch
  Band header_{0, nullptr}, footer_{0, nullptr};
  std::vector<Band> bands_;
  mutable std::vector<std::vector<Placed>> pages_;
  mutable bool laidOut_ = false;
};

}  // namespace ui
