#pragma once
// A report as a word-processor document: an Office Open XML file (.docx,
// which every word processor opens) holding one PNG picture of each chosen
// page, one picture per document page, with zero margins and the report's
// page size and orientation. Written in one step: the file is there, whole,
// only when the call says so.
#include <QImage>
#include <QSizeF>
#include <QString>
#include <functional>
#include <vector>

namespace ui {

class Report;

// The export's name with the extension its content calls for:
// "doc1.doc" -> "doc1.docx", "Отчет" -> "Отчет.docx"; "" stays "".
QString docxFileName(const QString& name);

struct DocxPages {
  int count = 0;
  // The picture of the n-th page written (0-based), asked for one at a time.
  std::function<QImage(int n)> picture;
  QSizeF pagePoints;  // the page's size in points as it lies (wider than tall in landscape)
  bool landscape = false;
};

// Called before page n (0-based) of `count` is written.
using DocxProgress = std::function<void(int n, int count)>;

// False, with the reason in `error`, when nothing was written; a file that
// was there before is then left as it was.
bool writeDocx(const QString& path, const DocxPages& pages, QString* error = nullptr, const DocxProgress& progress = {});

// The chosen pages (numbered from 1) of a report, pictured at `dpi`.
bool writeDocx(const QString& path, const Report& report, const std::vector<int>& pages, QString* error = nullptr,
               const DocxProgress& progress = {}, double dpi = 150);

}  // namespace ui
