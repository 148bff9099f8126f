#pragma once
// "Журнал результатов": the results of the current journal with seven sort
// orders, the filter over six columns and a range of days, tagging,
// copying, moving and deleting tagged results, the wrong answers of a
// result and the Examiner's error viewing of it, its protocol, the printed
// lists and the export. The frame reaches it by numbered events; the
// Examiner may append results meanwhile ("Обновить" shows them).
#include <QDialog>
#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "installation.h"
#include "report.h"
#include "result_file.h"
#include "results_journal.h"

class QCheckBox;
class QComboBox;
class QDateEdit;
class QLabel;
class QPushButton;
class QStatusBar;
class QTableWidget;
class QToolButton;

namespace ui {
class BrowseWindow;
}

namespace administrator {

// "Копировать результаты": the destination journal of a copy or a move.
class DestinationDialog : public QDialog {
  Q_OBJECT
 public:
  DestinationDialog(const std::string& base, bool move, int tagged, QWidget* parent = nullptr);
  void choose(const QString& name);
  QString destination() const { return name_; }
  void accept() override;

 private:
  std::string base_;
  QString name_;
  QTableWidget* list_;
  QLabel* path_;
};

// Why the journal `name` of `base` cannot be made current (it is missing or
// does not open as a journal), or nothing.
std::optional<std::string> journalOpenRefusal(const std::string& base, const std::string& name);

class JournalWindow : public QDialog {
  Q_OBJECT
 public:
  static constexpr const char* kProcedure = "BrowseRezTest";
  // The event by which the frame tells an open journal that another journal
  // became current: it re-reads the name from the settings file and reopens.
  static constexpr int kReopen = 1040;

  // `startProgram` runs a sibling program ("Varnuke.exe") in `workingDir`;
  // `frame` gets the events 1025 and 1026.
  JournalWindow(const setup::Installation& inst, std::function<bool(const QString&, const QString&)> startProgram,
                QObject* frame, QWidget* parent = nullptr);
  ~JournalWindow() override;
  bool opened() const { return opened_; }

  ui::BrowseWindow* list() const { return list_; }
  QPushButton* button(const QString& text) const;
  QCheckBox* filterBox() const { return filterBox_; }
  QComboBox* filterList(FilterColumn c) const { return lists_[static_cast<std::size_t>(c)]; }
  QToolButton* clearButton(FilterColumn c) const { return clears_[static_cast<std::size_t>(c)]; }
  QDateEdit* dateFrom() const { return from_; }
  QDateEdit* dateTo() const { return to_; }
  QString statusText(int zone) const;
  const JournalFilter& filter() const { return filter_; }
  const std::string& journal() const { return journal_; }
  results::ResultFile& file() { return rf_; }

  // The buttons and the frame's "Действия".
  void showErrors();
  bool startErrorViewing(const tables::RezTest& r);
  void protocol();
  void printLists();
  void refreshList();
  void chooseJournal();
  void deleteCurrent();
  void copyTagged(bool move);
  void deleteTagged();
  void tagAll();
  void exportList();
  bool exportTo(const QString& path);
  void findName();
  bool findNext(const QString& part);
  void editResult();
  void editDetail();
  // Opens the journal named in the settings file again (event 1040).
  void reopen();

  // Reports go to the previewer; tests take them instead.
  std::function<void(const ui::Report&)> showReport;
  // The destination of a copy or a move (empty: cancelled); the dialog by default.
  std::function<QString(bool move, int tagged)> askDestination;

 protected:
  bool event(QEvent* e) override;
  void done(int r) override;
  void showEvent(QShowEvent* e) override;

 private:
  bool openJournal();
  // The list is bound to open tables: false once a journal could not be opened.
  bool live() const { return list_ && opened_; }
  void closeJournal();
  void renewCaption();
  void filterSwitched(bool on);
  void fillFilterLists();
  bool isChosen(FilterColumn c, const std::string& valueCp1251) const;
  void valueChosen(FilterColumn c, int index);
  void clearColumn(FilterColumn c);
  void datesChanged();
  void filterChanged();
  std::vector<store::Position> taggedPositions() const;
  bool currentRecord(tables::RezTest& out);

  setup::Installation inst_;
  std::function<bool(const QString&, const QString&)> start_;
  QObject* frame_;
  std::string journal_;
  bool opened_ = false, announced_ = false;
  results::ResultFile rf_;
  tables::TuneTest tune_;
  JournalFilter filter_;
  ui::BrowseWindow* list_ = nullptr;
  QCheckBox* filterBox_;
  std::array<QComboBox*, kFilterColumns> lists_{};
  std::array<QToolButton*, kFilterColumns> clears_{};
  QDateEdit *from_, *to_;
  QStatusBar* status_;
  std::array<QLabel*, 3> zones_{};
  std::vector<QPushButton*> buttons_;
  QString lastSearch_;
};

}  // namespace administrator
