#pragma once
// "Архив результатов тестирования" (ArxivRez) with its form UpdateArxiv: the
// journal list of the Examiner's settings and of the Administrator.
#include <QDialog>
#include <QString>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "archive.h"

class QTableWidget;

namespace common {

class ArchiveWindow : public QDialog {
  Q_OBJECT
 public:
  // Choosing mode: "Выбрать" closes the window and chosen() names the
  // journal; the window is opened by another one and owns nothing else.
  ArchiveWindow(Archive& archive, QWidget* parent = nullptr);
  // A list of its own (the Administrator's "Файлы результатов"). `current`
  // is the installation's current journal (Path/FileRez), which is neither
  // renamed nor deleted here; `shown`, when given, is the journal the list
  // opens on (a room's or a workstation's journal being chosen).
  ArchiveWindow(std::string base, std::string current, QWidget* parent = nullptr);
  ArchiveWindow(std::string base, std::string current, const QString& shown, QWidget* parent = nullptr);
  ~ArchiveWindow() override;
  // "Выбрать" makes the journal current through `f` instead: it returns the
  // message to show when it could not, and the window then stays open.
  void setMakeCurrent(std::function<std::optional<std::string>(const std::string& name)> f) { makeCurrent_ = std::move(f); }
  // Where the installation's current journal is read again before a
  // journal is renamed or deleted: another list or window may have made
  // another one current since this list opened.
  void setCurrentSource(std::function<std::string()> f) { currentNow_ = std::move(f); }
  // The journal chosen with "Выбрать" (UTF-8).
  QString chosen() const { return chosen_; }
  Archive& archive() { return archive_; }
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
  void build();
  std::unique_ptr<Archive> owned_;
  Archive& archive_;
  std::function<std::optional<std::string>(const std::string&)> makeCurrent_;
  std::function<std::string()> currentNow_;
  QTableWidget* list_;
  QString chosen_;
};

}  // namespace common
