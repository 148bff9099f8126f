#pragma once
// "Рейтинг тестируемых": a two-page window. The first page takes the
// conditions (journals, tests and groups, each a tagged list of which the
// first seven tagged count); "Далее" reads the grade-sheet table in timer
// slices under a progress window, leaves the rating in RTINGSEL and shows
// it on the second page, from which it is printed or exported.
#include <QDialog>
#include <QStringList>
#include <QTimer>
#include <functional>
#include <memory>
#include <vector>

#include "installation.h"
#include "rating.h"
#include "report.h"

class QComboBox;
class QListWidget;
class QStackedWidget;
class QTableWidget;

namespace ui {
class ProgressWindow;
}

namespace administrator {

inline constexpr const char* kRatingProcedure = "Rating";

// A list whose entries are tagged as in every browse of the system (Space
// or F12, Ctrl+"+", Ctrl+"-", Ctrl+"*" and the right-click menu); it
// remembers the order in which they were tagged.
class TagList;

class RatingWindow : public QDialog {
  Q_OBJECT
 public:
  RatingWindow(const setup::Installation& inst, QWidget* parent = nullptr);
  ~RatingWindow() override;

  QListWidget* journals() const;
  QListWidget* tests() const;
  QListWidget* groups() const;
  // The tagged entries of a list, in the order they were tagged.
  QStringList tagged(QListWidget* list) const;
  QComboBox* testChoice() const { return testChoice_; }

  // "Далее": starts the pass (the window answers while it runs).
  void next();
  bool running() const { return timer_.isActive(); }
  ui::ProgressWindow* progress() const { return progress_.get(); }
  // "Назад": every condition blanked, back to the first page.
  void back();
  int page() const;
  const std::vector<RatingRow>& rows() const { return rows_; }
  QTableWidget* ratingList() const { return list_; }

  // "Печать": the report built under the progress window (cancelled there,
  // nothing is shown), then the previewer; the last report made.
  void print();
  const ui::Report* report() const { return report_.get(); }
  // Called after each step of building the report with the rows done
  // (tests act on the progress window from here).
  std::function<void(std::size_t)> printStepped;
  // "Экспорт": the CSV file; where it goes is asked (tests give their own).
  void exportCsv();
  std::function<QString(QWidget*)> pickExportFile;

 protected:
  void closeEvent(QCloseEvent* e) override;

 private:
  void tick();
  void finish();
  void stop();

  setup::Installation inst_;
  TagList *journals_, *tests_, *groups_;
  QComboBox* testChoice_;
  QStackedWidget* pages_;
  QTableWidget* list_;
  QTimer timer_;
  bool ticking_ = false;
  std::unique_ptr<RatingPass> pass_;
  std::unique_ptr<ui::ProgressWindow> progress_;
  std::vector<RatingRow> rows_;
  std::unique_ptr<ui::Report> report_;
};

// "Отчет по рейтингу": one line per examinee in place order. `step` is
// told the rows done every kReportStep rows and at the end; when it
// answers false the report is dropped (nullptr).
inline constexpr std::size_t kReportStep = 50;
std::unique_ptr<ui::Report> ratingReport(const std::vector<RatingRow>& rows,
                                         const std::function<bool(std::size_t)>& step = {});

}  // namespace administrator
