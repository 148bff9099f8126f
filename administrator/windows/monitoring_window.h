#pragma once
// "Ормида2.0 - [Мониторинг]": the stations testing now, read again every ten
// seconds in the order of the chosen tab, the four lights, the clock, the
// counters and "Сброс"; below them the abandoned attempts, read with the
// list, and "Закрыть тестирование". The rules are in monitoring.h; the
// window never locks MonCons.
#include <QDialog>
#include <QString>
#include <cstdint>
#include <functional>
#include <vector>

#include "installation.h"
#include "monitoring.h"

class QLabel;
class QPushButton;
class QTabBar;
class QTableWidget;
class QTimer;

namespace administrator {

inline constexpr const char* kMonitoringWindow = "Monitoring";

class MonitoringWindow : public QDialog {
  Q_OBJECT
 public:
  MonitoringWindow(const setup::Installation& inst, QWidget* parent = nullptr);
  bool opened() const { return opened_; }
  // The test base watched, named in the caption (UTF-8 folder; the
  // Administrator's own base until told).
  void setBase(const std::string& folder);
  // The monitoring window open beside `frame`, if any: there is one at a time.
  static MonitoringWindow* openOne(QWidget* frame);

  // The clock in seconds (stale stations); tests give their own.
  std::function<std::int64_t()> now;
  // Where the clock is shown besides the window (the frame's status bar zone 2).
  std::function<void(const QString&)> showClock;

  enum LightIndex { Link, Update, Connect, Disconnect };
  Signal light(LightIndex i) const { return shown_[static_cast<std::size_t>(i)]; }
  QLabel* lightPicture(LightIndex i) const { return pictures_[static_cast<std::size_t>(i)]; }
  QTableWidget* list() const { return list_; }
  // "Брошенные тестирования".
  QTableWidget* abandonedList() const { return abandonedList_; }
  QTabBar* orders() const { return tabs_; }
  // "clock", "refreshed", "stations", "finished", "remaining", "link" (why
  // the table cannot be read, empty while it can), "attemptsLink" (the same
  // for the attempts)
  QLabel* label(const char* name) const;
  QPushButton* button(const QString& text) const;
  QTimer* timer() const { return timer_; }
  // The station on a row was unchanged for 15 minutes.
  bool rowGreyed(int row) const;

  // The timer's second.
  void tick();
  // The refresh button.
  void refreshNow();
  // "Сброс", after its question.
  void clearStations();
  void setOrder(MonitorOrder o);
  // "Закрыть тестирование" for the attempt chosen, after its question.
  void closeChosenAttempt();

 private:
  void reread();
  void rereadAttempts();
  void showLights();
  void showCounts();
  // The table could not be read (why), or can again (empty): the list and
  // the counts stay as last read meanwhile.
  void showLink(const QString& why);

  MonitorTable table_;
  AttemptWatch attempts_;
  std::vector<AbandonedAttempt> abandoned_;
  MonitorLights lights_;
  MonitorHistory history_;
  MonitorOrder order_ = MonitorOrder::ByStart;
  std::vector<MonitoredStation> stations_;
  std::vector<Signal> shown_{4, Signal::Sig3};
  std::vector<QLabel*> pictures_;
  bool opened_ = false;
  bool linkLost_ = false;
  setup::Installation inst_;
  QTableWidget* list_;
  QTableWidget* abandonedList_;
  QPushButton* closeAttempt_;
  QTabBar* tabs_;
  QLabel *clock_, *refreshed_, *count_, *finished_, *remaining_, *link_, *attemptsLink_;
  QTimer* timer_ = nullptr;
};

}  // namespace administrator
