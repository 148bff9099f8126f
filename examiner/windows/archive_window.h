#pragma once
// "Архив результатов тестирования" (ArxivRez) with its form UpdateArxiv.
#include <QDialog>
#include <QString>

#include "archive.h"

class QTableWidget;

namespace examiner {

class ArchiveWindow : public QDialog {
  Q_OBJECT
 public:
  ArchiveWindow(Archive& archive, QWidget* parent = nullptr);
  // The journal chosen with "Выбрать" (UTF-8).
  QString chosen() const { return chosen_; }
  void refill();
  QTableWidget* list() const { return list_; }
  QString selectedName() const;
  void select(const QString& name);

  void newJournal();
  void renameJournal();
  void deleteJournal();
  void choose();

 private:
  // UpdateArxiv: the journal's name; empty when cancelled.
  QString askName(const QString& caption, const QString& name);
  Archive& archive_;
  QTableWidget* list_;
  QString chosen_;
};

}  // namespace examiner
