#pragma once
// "Общий вид отчета": the report's pages on screen, browsed, zoomed and
// marked; printed through the system's printers, saved as PDF or as a
// word-processor document.
#include <QDialog>
#include <QGroupBox>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <vector>

#include "page_choice.h"
#include "report.h"

class QCheckBox;
class QComboBox;
class QGridLayout;
class QLabel;
class QLineEdit;
class QRadioButton;
class QScrollArea;
class QSpinBox;
class QWidget;

namespace ui {

class Previewer : public QDialog {
  Q_OBJECT
 public:
  explicit Previewer(const Report& report, QWidget* parent = nullptr);

  int pageCount() const { return report_.pageCount(); }
  int currentPage() const { return current_; }
  void goToPage(int page);
  void nextPage() { goToPage(current_ + 1); }
  void previousPage() { goToPage(current_ - 1); }
  void firstPage() { goToPage(1); }
  void lastPage() { goToPage(pageCount()); }
  // Zoom: 0 none, -1 page width, else percent (50, 75, 100, 150, 200, 300).
  void setZoom(int zoom);
  int zoom() const { return zoom_; }
  void setGrid(int columns, int rows);
  int columns() const { return columns_; }
  int rows() const { return rows_; }

  void markAll();
  void unmarkAll();
  void toggleMark();
  const std::vector<std::uint8_t>& marks() const { return marks_; }

  // The print window, the "go to page" window and the view window.
  void printDialog();
  void goToDialog();
  void viewDialog();
  bool saveAsPdf(const QString& path, PageChoice c, int from = 1, int to = 0);

  // "Формирование WinWord-файла": the window, then saveAsDocx.
  void docxDialog();
  // Writes the chosen pages as a word-processor document under the progress
  // window. "успешно создан" is said only of a file that was written (and
  // not opened); a failure is reported. With `show` the document is opened
  // in the desktop's application. False when nothing was written.
  bool saveAsDocx(const QString& path, PageChoice c, int from = 1, int to = 0, bool show = false);
  // Opens a document in the desktop's application; tests give their own.
  std::function<bool(const QString& path)> openDocument;
  // The progress texts of the last export, in the order shown.
  const QStringList& progressTexts() const { return progress_; }

 private:
  void render();
  QStringList progress_;
  const Report& report_;
  int current_ = 1;
  int zoom_ = -1;
  int columns_ = 1, rows_ = 1;
  std::vector<std::uint8_t> marks_;
  QScrollArea* scroll_;
  QWidget* pagesWidget_;
  QGridLayout* grid_;
  QSpinBox* pageBox_;
  QComboBox* zoomBox_;
  QCheckBox* markBox_;
  QLabel* countLabel_;
};

// "Cтраницы": which pages a print or an export takes.
class PageChoiceBox : public QGroupBox {
  Q_OBJECT
 public:
  PageChoiceBox(int pages, QWidget* parent = nullptr);
  PageChoice choice() const;
  void setChoice(PageChoice c);
  int from() const;
  int to() const;
  void setRange(int from, int to);

 private:
  std::vector<QRadioButton*> modes_;
  QSpinBox *from_, *to_;
};

// "Печать отчета".
class PrintDialog : public QDialog {
  Q_OBJECT
 public:
  PrintDialog(int pages, int current, QWidget* parent = nullptr);
  PageChoice choice() const { return pages_->choice(); }
  int from() const { return pages_->from(); }
  int to() const { return pages_->to(); }
  int copies() const;
  bool collate() const;
  QString printerName() const;
  bool toPdf() const { return toPdf_; }

 private:
  PageChoiceBox* pages_;
  QSpinBox* copies_;
  QCheckBox* collate_;
  QComboBox* printer_;
  bool toPdf_ = false;
};

// "Формирование WinWord-файла": the pages, "Имя doc-файла" and whether to
// show the document afterwards.
class DocxDialog : public QDialog {
  Q_OBJECT
 public:
  DocxDialog(int pages, const QString& fileName, bool show, QWidget* parent = nullptr);
  PageChoiceBox* pages() const { return pages_; }
  QLineEdit* nameBox() const { return name_; }
  QCheckBox* showBox() const { return show_; }
  // The name as typed, with the extension the document's content calls for.
  QString fileName() const;

 private:
  PageChoiceBox* pages_;
  QLineEdit* name_;
  QCheckBox* show_;
};

}  // namespace ui
