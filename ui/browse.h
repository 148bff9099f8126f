#pragma once
// The standard browse list over one table in the order of a chosen key.
// Only a page of rows is read at a time, so a table of any size opens at
// once; buttons, the right-click menu, selection, tagging and locating by
// typing work as in every browse of the system.
#include <QDialog>
#include <QIcon>
#include <QString>
#include <functional>
#include <memory>
#include <set>
#include <vector>

#include "record_format.h"
#include "store.h"
#include "update_form.h"

class QGroupBox;
class QMenu;
class QPushButton;
class QScrollBar;
class QTabBar;
class QTableWidget;
class QTimer;

namespace ui {

struct Column {
  Column(int field, QString heading, int width = 10, Format format = {}, Qt::Alignment align = {}, int element = 0)
      : field(field), heading(std::move(heading)), width(width), align(align), format(format), element(element) {}
  int field = -1;
  QString heading;
  int width = 10;  // characters
  Qt::Alignment align = {};
  Format format;
  int element = 0;
  // A column computed from the record (a cut text, a name for a code), and
  // a picture beside its text.
  std::function<QString(const void* rec)> text;
  std::function<QIcon(const void* rec)> icon;
  // The column shows the row's tag mark (instead of a first column of its own).
  bool tagMark = false;
};

class BrowseWindow : public QDialog {
  Q_OBJECT
 public:
  BrowseWindow(store::Table& table, void* buffer, QString procedure, QString caption, QWidget* parent = nullptr);
  ~BrowseWindow() override;

  void addOrder(int key, const QString& label);
  void addColumn(Column c);
  // The update form of the table, made afresh for every request.
  void setUpdateForm(std::function<std::unique_ptr<UpdateForm>()> make);
  // A browse called to select a record: "&Выбрать" returns it in the buffer.
  void setSelectMode(bool on);
  void setTagging(bool on);
  void addMenuItem(const QString& text, std::function<void()> action);
  void setGroupTitle(const QString& title);
  // Only the records for which `keep` (reading the buffer) holds are listed.
  void setRecordFilter(std::function<bool()> keep);
  // A list inside another window: no buttons of its own, no remembered
  // place; Enter goes on to the window around it.
  void setEmbedded(bool on);
  // Lists the records from the last to the first of the chosen order.
  void setDescending(bool on);
  bool descending() const { return descending_; }
  // Typing in the list finds the first record, in the listed order, for
  // which `matches(typed)` holds (reading the buffer), instead of locating
  // by the order's key.
  void setTypeAhead(std::function<bool(const QString& typed)> matches);
  // The right-click menu made by the window around the list.
  void setMenuMaker(std::function<void(QMenu*)> make);

  // Reads the page again, landing on `pos` when given.
  void refresh(store::Position landOn = 0);
  int order() const;
  void setOrder(int index);

  // What the list shows.
  int pageRows() const;
  int rowCount() const { return static_cast<int>(rows_.size()); }
  int currentRow() const { return current_; }
  store::Position currentPosition() const;
  store::Position positionAt(int row) const;
  QString cellText(int row, int column) const;
  const std::set<store::Position>& tags() const { return tags_; }
  // The tags in the order they were set (those set together, by "all" or
  // "invert", in the list's order).
  std::vector<store::Position> tagsInOrder() const;
  // Tags carried over from another list of the same records (the second
  // keeps the order they were set in).
  void setTags(std::set<store::Position> tags);
  void setTags(const std::vector<store::Position>& inOrder);
  bool selected() const { return selected_; }

  // The actions of the buttons (the menu and the keys call the same).
  void insertRecord();
  void changeRecord();
  void deleteRecord();
  void selectRecord();
  void toggleTag();
  void tagAll();
  void untagAll();
  void flipTags();

  // Moving through the list.
  void home();
  void end();
  void down();
  void up();
  void pageDown();
  void pageUp();
  void locate(const QString& prefix);

  QMenu* contextMenu();  // built from the buttons' state
  QPushButton* button(const QString& text) const;
  // A button by what it does, for windows that caption or picture it their own way.
  enum class Button { Insert, Change, Delete, Select, Close, Help };
  QPushButton* button(Button which) const;
  QTableWidget* table() const { return list_; }
  // Makes the row of `pos` current, as a click on it would (the user's choice).
  bool choose(store::Position pos);

 signals:
  // The user moved to a record or clicked one (the buffer holds it); not
  // sent when the list is merely filled again.
  void userChose(store::Position pos);

 protected:
  bool eventFilter(QObject* o, QEvent* e) override;
  void showEvent(QShowEvent* e) override;
  void closeEvent(QCloseEvent* e) override;
  void done(int r) override;
  void reject() override;
  void keyPressEvent(QKeyEvent* e) override;

 private:
  struct Row {
    store::Position pos = 0;
    std::shared_ptr<void> rec;
  };
  std::vector<Row> readAfter(store::Position after, int n);
  std::vector<Row> readBefore(store::Position before, int n);
  void fillFrom(store::Position pos, int rowOnScreen = 0);
  void showRows(std::vector<Row> rows, int current);
  void paint();
  void updateButtons();
  void updateScrollBar();
  void request(Request r);
  int keyOf() const;

  store::Table& table_;
  void* buf_;
  QString procedure_;
  std::vector<std::pair<int, QString>> orders_;
  std::vector<Column> columns_;
  std::function<std::unique_ptr<UpdateForm>()> makeForm_;
  std::vector<std::pair<QString, std::function<void()>>> extraItems_;
  std::function<bool()> keep_;
  std::function<bool(const QString&)> typeAhead_;
  std::function<void(QMenu*)> menuMaker_;
  bool embedded_ = false;
  bool descending_ = false;
  int tagColumn() const;  // where the tag mark shows, -1 without tagging
  std::vector<store::Position> listedPositions();
  int forward();   // the next record in the listed direction
  int backward();
  QWidget* buttonRow_ = nullptr;
  void userMoved();
  bool selectMode_ = false, tagging_ = false, selected_ = false, placed_ = false;
  std::vector<Row> rows_;
  int current_ = 0;
  bool atStart_ = true, atEnd_ = true;
  std::set<store::Position> tags_;
  std::vector<store::Position> tagOrder_;  // tags set one by one, oldest first
  QString typed_;

  QTabBar* tabs_;
  QGroupBox* group_;
  QTableWidget* list_;
  QScrollBar* bar_;
  QPushButton *insert_, *change_, *delete_, *select_, *close_, *help_;
  QTimer* typing_;
  QMenu* menu_ = nullptr;
};

}  // namespace ui
