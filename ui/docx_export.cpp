#include "docx_export.h"

#include <zip.h>

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QPageSize>
#include <cmath>
#include <list>

#include "report.h"

namespace ui {

namespace {

constexpr long long kEmuPerTwip = 635;  // 914400 per inch, 1440 twips per inch

const char* kContentTypes =
    "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
    "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
    "<Default Extension=\"rels\" ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
    "<Default Extension=\"xml\" ContentType=\"application/xml\"/>"
    "<Default Extension=\"png\" ContentType=\"image/png\"/>"
    "<Override PartName=\"/word/document.xml\" "
    "ContentType=\"application/vnd.openxmlformats-officedocument.wordprocessingml.document.main+xml\"/>"
    "</Types>";

const char* kPackageRels =
    "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
    "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
    "<Relationship Id=\"rId1\" "
    "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument\" "
    "Target=\"word/document.xml\"/>"
    "</Relationships>";

QByteArray picturePart(int n, long long cx, long long cy) {
  const QByteArray id = QByteArray::number(n + 1);
  QByteArray x;
  x += "<w:p><w:pPr><w:spacing w:before=\"0\" w:after=\"0\" w:line=\"240\" w:lineRule=\"auto\"/></w:pPr>";
  // Each page after the first begins with a break, so none follows the last.
  if (n > 0) x += "<w:r><w:br w:type=\"page\"/></w:r>";
  x += "<w:r><w:drawing><wp:inline distT=\"0\" distB=\"0\" distL=\"0\" distR=\"0\">";
  x += "<wp:extent cx=\"" + QByteArray::number(cx) + "\" cy=\"" + QByteArray::number(cy) + "\"/>";
  x += "<wp:docPr id=\"" + id + "\" name=\"page" + id + "\"/>";
  x += "<wp:cNvGraphicFramePr><a:graphicFrameLocks noChangeAspect=\"1\"/></wp:cNvGraphicFramePr>";
  x += "<a:graphic><a:graphicData uri=\"http://schemas.openxmlformats.org/drawingml/2006/picture\"><pic:pic>";
  x += "<pic:nvPicPr><pic:cNvPr id=\"" + id + "\" name=\"page" + id + ".png\"/><pic:cNvPicPr/></pic:nvPicPr>";
  x += "<pic:blipFill><a:blip r:embed=\"rIdPage" + id + "\"/><a:stretch><a:fillRect/></a:stretch></pic:blipFill>";
  x += "<pic:spPr><a:xfrm><a:off x=\"0\" y=\"0\"/><a:ext cx=\"" + QByteArray::number(cx) + "\" cy=\"" + QByteArray::number(cy) +
       "\"/></a:xfrm><a:prstGeom prst=\"rect\"><a:avLst/></a:prstGeom></pic:spPr>";
  x += "</pic:pic></a:graphicData></a:graphic></wp:inline></w:drawing></w:r></w:p>";
  return x;
}

// libzip reads the added buffers only when the archive is closed: they live here until then.
class Archive {
 public:
  Archive(const QString& path, QString* error) : error_(error) {
    int code = 0;
    zip_ = zip_open(QFile::encodeName(path).constData(), ZIP_CREATE | ZIP_TRUNCATE, &code);
    if (!zip_) {
      zip_error_t e;
      zip_error_init_with_code(&e, code);
      fail(QString::fromLocal8Bit(zip_error_strerror(&e)));
      zip_error_fini(&e);
    }
  }
  ~Archive() {
    if (zip_) zip_discard(zip_);
  }
  bool ok() const { return zip_ != nullptr; }
  bool add(const char* name, QByteArray data, bool compress = true) {
    if (!zip_) return false;
    data_.push_back(std::move(data));
    zip_source_t* s = zip_source_buffer(zip_, data_.back().constData(), static_cast<zip_uint64_t>(data_.back().size()), 0);
    zip_int64_t i = s ? zip_file_add(zip_, name, s, ZIP_FL_ENC_UTF_8) : -1;
    if (i < 0) {
      if (s) zip_source_free(s);
      return fail(QString::fromLocal8Bit(zip_strerror(zip_)));
    }
    // PNG is compressed already.
    if (!compress) zip_set_file_compression(zip_, static_cast<zip_uint64_t>(i), ZIP_CM_STORE, 0);
    return true;
  }
  bool close() {
    if (!zip_) return false;
    if (zip_close(zip_) != 0) return fail(QString::fromLocal8Bit(zip_strerror(zip_)));
    zip_ = nullptr;
    return true;
  }

 private:
  bool fail(const QString& why) {
    if (error_ && error_->isEmpty()) *error_ = why;
    return false;
  }
  zip_t* zip_ = nullptr;
  QString* error_;
  std::list<QByteArray> data_;
};

}  // namespace

QString docxFileName(const QString& name) {
  if (name.trimmed().isEmpty()) return {};
  QFileInfo f(name);
  const QString suffix = f.suffix().toLower();
  if (suffix == QLatin1String("docx")) return name;
  if (suffix == QLatin1String("doc")) return name.left(name.size() - 3) + QStringLiteral("docx");
  return name + QStringLiteral(".docx");
}

bool writeDocx(const QString& path, const DocxPages& pages, QString* error, const DocxProgress& progress) {
  if (error) error->clear();
  if (pages.count <= 0 || !pages.picture) {
    if (error) *error = QStringLiteral("нет страниц");
    return false;
  }
  const long long wTw = std::llround(pages.pagePoints.width() * 20), hTw = std::llround(pages.pagePoints.height() * 20);
  // A picture as tall as the page would leave the paragraph's line a hair
  // too high in some word processors and push an empty page after it:
  // the picture keeps two points free at the bottom.
  const long long cy = (hTw - 40) * kEmuPerTwip;
  const long long cx = static_cast<long long>(std::llround(static_cast<double>(wTw) * (hTw - 40) / hTw)) * kEmuPerTwip;

  Archive zip(path, error);
  if (!zip.ok() || !zip.add("[Content_Types].xml", kContentTypes) || !zip.add("_rels/.rels", kPackageRels)) return false;
  QByteArray body;
  QByteArray rels =
      "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
      "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">";
  for (int n = 0; n < pages.count; ++n) {
    if (progress) progress(n, pages.count);
    QByteArray png;
    QBuffer buf(&png);
    buf.open(QIODevice::WriteOnly);
    const QImage img = pages.picture(n);
    if (img.isNull() || !img.save(&buf, "PNG")) {
      if (error) *error = QStringLiteral("не удалось нарисовать страницу %1").arg(n + 1);
      return false;
    }
    const QByteArray id = QByteArray::number(n + 1);
    if (!zip.add(("word/media/page" + id + ".png").constData(), png, false)) return false;
    rels += "<Relationship Id=\"rIdPage" + id +
            "\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/image\" Target=\"media/page" + id +
            ".png\"/>";
    body += picturePart(n, cx, cy);
  }
  rels += "</Relationships>";
  QByteArray doc =
      "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
      "<w:document xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\" "
      "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\" "
      "xmlns:wp=\"http://schemas.openxmlformats.org/drawingml/2006/wordprocessingDrawing\" "
      "xmlns:a=\"http://schemas.openxmlformats.org/drawingml/2006/main\" "
      "xmlns:pic=\"http://schemas.openxmlformats.org/drawingml/2006/picture\"><w:body>";
  doc += body;
  doc += "<w:sectPr><w:pgSz w:w=\"" + QByteArray::number(wTw) + "\" w:h=\"" + QByteArray::number(hTw) + "\"";
  if (pages.landscape) doc += " w:orient=\"landscape\"";
  doc +=
      "/><w:pgMar w:top=\"0\" w:right=\"0\" w:bottom=\"0\" w:left=\"0\" w:header=\"0\" w:footer=\"0\" w:gutter=\"0\"/>"
      "</w:sectPr></w:body></w:document>";
  return zip.add("word/_rels/document.xml.rels", rels) && zip.add("word/document.xml", doc) && zip.close();
}

bool writeDocx(const QString& path, const Report& report, const std::vector<int>& pages, QString* error,
               const DocxProgress& progress, double dpi) {
  QSizeF size = QPageSize(QPageSize::A4).size(QPageSize::Point);
  const bool landscape = report.orientation() == QPageLayout::Landscape;
  if (landscape) size.transpose();
  DocxPages d;
  d.count = static_cast<int>(pages.size());
  d.picture = [&](int n) { return report.pageImage(pages[static_cast<std::size_t>(n)], dpi); };
  d.pagePoints = size;
  d.landscape = landscape;
  return writeDocx(path, d, error, progress);
}

}  // namespace ui
