#pragma once
// Window helpers: timers in hundredths of a second, alerted keys, dragging
// rows from one list to another, the calendar and the progress window.
#include <QDialog>
#include <QKeySequence>
#include <QString>
#include <cstdint>
#include <functional>
#include <optional>

class QAbstractItemView;
class QCalendarWidget;
class QDialogButtonBox;
class QLabel;
class QListWidget;
class QProgressBar;
class QPushButton;
class QTimer;
class QWidget;

namespace ui {

// The button row of a small dialog: `ok` accepts, `cancel` rejects (the
// dialog's own accept() and reject() are called).
QDialogButtonBox* okCancel(QDialog* d, const QString& ok = QStringLiteral("OK"), const QString& cancel = QStringLiteral("Отмена"));

// A window timer firing every `hundredths` hundredths of a second.
QTimer* windowTimer(QWidget* window, int hundredths, std::function<void()> onTimer);

// A key bound to a window: pressing it anywhere in the window runs `action`.
void alertKey(QWidget* window, const QKeySequence& key, std::function<void()> action);

// Rows dragged from `from` and dropped on `to`: `dropped(row)` gets the
// row of `from` that was dragged.
void linkDragDrop(QListWidget* from, QListWidget* to, std::function<void(int row)> dropped);

// "Календарь": a month with the weekday heads ПНД ... ВСК; "&Выбрать"
// returns the chosen day number, "Отменить" nothing.
class CalendarDialog : public QDialog {
  Q_OBJECT
 public:
  explicit CalendarDialog(std::int32_t day = 0, QWidget* parent = nullptr);
  std::int32_t day() const;
  QCalendarWidget* calendar() const { return cal_; }

 private:
  QCalendarWidget* cal_;
};
std::optional<std::int32_t> pickDate(QWidget* parent, std::int32_t day = 0);

// "Выполнение...": the progress of a long pass beside a report, with "О&тменить".
class ProgressWindow : public QDialog {
  Q_OBJECT
 public:
  explicit ProgressWindow(const QString& text = {}, QWidget* parent = nullptr);
  void setText(const QString& text);
  // Percent done; keeps the window responsive. False once cancelled.
  bool step(int percent);
  bool cancelled() const { return cancelled_; }
  QPushButton* cancelButton() const { return cancel_; }
  // Esc and the window's close button cancel as "О&тменить" does.
  void reject() override;

 private:
  QLabel* text_;
  QProgressBar* bar_;
  QPushButton* cancel_;
  bool cancelled_ = false;
};

}  // namespace ui
