#pragma once
// "Общий вид отчета": the report's pages on screen, browsed, zoomed and
// marked; printed through the system's printers or saved as PDF.
#include <QDialog>
#include <cstdint>
#include <vector>

#include "page_choice.h"
#include "report.h"

class QCheckBox;
class QComboBox;
class QGridLayout;
class QLabel;
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

 private:
  void render();
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

// "Печать отчета".
class PrintDialog : public QDialog {
  Q_OBJECT
 public:
  PrintDialog(int pages, int current, QWidget* parent = nullptr);
  PageChoice choice() const;
  int from() const;
  int to() const;
  int copies() const;
  bool collate() const;
  QString printerName() const;
  bool toPdf() const { return toPdf_; }

 private:
  std::vector<QRadioButton*> modes_;
  QSpinBox *from_, *to_, *copies_;
  QCheckBox* collate_;
  QComboBox* printer_;
  bool toPdf_ = false;
};

}  // namespace ui
