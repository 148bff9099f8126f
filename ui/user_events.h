#pragma once
// Numbered user events (1024 and up) posted to a window: delivered in order,
// after the events already queued.
#include <QEvent>

class QObject;

namespace ui {

class UserEvent : public QEvent {
 public:
  explicit UserEvent(int number) : QEvent(type()), number_(number) {}
  int number() const { return number_; }
  static QEvent::Type type();

 private:
  int number_;
};

// Posts event `number` (1024 and up) to `target`; false for a number below 1024.
bool post(QObject* target, int number);

}  // namespace ui
